// What a traffic reader has received from the feed, for the log: its traffic records (live and
// buffered) and the distinct aircraft among them. Once a minute, while it receives, and once
// more when it stops, the reader writes "{reader}: {records} traffic records of {aircraft}
// aircraft received so far", so that a run's log tells how much traffic came in. Used by one
// reader thread; not thread-safe.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "feed/traffic_entry.h"
#include "foundation/clock.h"

namespace skyloom {

class FeedReceipts {
public:
    static constexpr std::chrono::seconds kLogEvery{60};

    explicit FeedReceipts(std::string readerName) : readerName_(std::move(readerName)) {}

    void count(std::uint32_t hexid);
    void count(const std::vector<TrafficEntry>& entries);
    // Writes the line when kLogEvery has passed since the last one (the first comes kLogEvery
    // after the first look); true when it did.
    bool logWhenDue(Clock::SteadyTime now);
    // Writes the line now (the reader stops), unless nothing came since the last one.
    void logNow();

    std::uint64_t records() const noexcept { return records_; }
    std::size_t aircraft() const noexcept { return hexids_.size(); }

private:
    std::string readerName_;
    std::uint64_t records_ = 0;
    std::unordered_set<std::uint32_t> hexids_;
    std::optional<Clock::SteadyTime> lastLine_;
    // The records counted when the last line was written.
    std::optional<std::uint64_t> recordsLogged_;
};

} // namespace skyloom
