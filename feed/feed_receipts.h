// What a traffic reader has handed on of the feed, for the log: its traffic records (live and
// buffered, counted once the reader's checks took them) and the distinct aircraft among them,
// and what of them the live traffic's mailbox destroyed untaken. Once a minute, while it
// receives, and once more when it stops, the reader writes "{reader}: {records} traffic records
// of {aircraft} aircraft received so far", followed, once the mailbox left any untaken or a
// batch came before the one before was taken, by "; untaken: {s} superseded by a newer record
// of their aircraft, {d} dropped with their aircraft not updated; {b} batch{es} came before the
// one before was taken". So a run's log tells how much traffic came in, how much of it a newer
// report made needless (at the take's limits half a round each round, with no aircraft
// starving), and how much never reached an aircraft. Used by one reader thread; not
// thread-safe.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "feed/feed_clock.h"
#include "feed/traffic_batch_post.h"
#include "feed/traffic_entry.h"
#include "foundation/clock.h"

namespace skyloom {

class FeedReceipts {
public:
    static constexpr std::chrono::seconds kLogEvery{60};
    // As many aircraft as the feed's clock keeps (feed/feed_clock.h): beyond it a flood of
    // made-up hex ids makes the older half forgotten (their count is kept), so that one heard
    // again after that counts again.
    static constexpr std::size_t kMaxAircraftKept = kMaxAircraftInFeedClock;

    explicit FeedReceipts(std::string readerName) : readerName_(std::move(readerName)) {}

    void count(const std::vector<TrafficEntry>& entries);
    // What the mailbox did with a batch the reader posted.
    void count(const TrafficPostOutcome& outcome);
    // Writes the line when kLogEvery has passed since the last one (the first comes kLogEvery
    // after the first look); true when it did.
    bool logWhenDue(Clock::SteadyTime now);
    // Writes the line now (the reader stops), unless nothing came since the last one.
    void logNow();

    std::uint64_t records() const noexcept { return records_; }
    std::uint64_t aircraft() const noexcept { return forgotten_ + hexids_.size(); }
    // The hex ids remembered now, at most kMaxAircraftKept.
    std::size_t aircraftKept() const noexcept { return hexids_.size(); }
    std::uint64_t superseded() const noexcept { return superseded_; }
    std::uint64_t dropped() const noexcept { return dropped_; }
    std::uint64_t batchesMetPending() const noexcept { return metPending_; }

private:
    void writeLine();

    std::string readerName_;
    std::uint64_t records_ = 0;
    // The order in which each hex id was last heard.
    std::unordered_map<std::uint32_t, std::uint64_t> hexids_;
    std::uint64_t order_ = 0;
    std::uint64_t forgotten_ = 0;
    std::uint64_t superseded_ = 0;
    std::uint64_t dropped_ = 0;
    std::uint64_t metPending_ = 0;
    std::optional<Clock::SteadyTime> lastLine_;
    // The counts when the last line was written.
    std::optional<std::uint64_t> recordsLogged_;
    std::uint64_t untakenLogged_ = 0;
};

} // namespace skyloom
