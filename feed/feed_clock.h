// The feed's own clock as a reader receives it, and the reports stamped far from it.
//
// A report's lag is how far its time stamp lies behind the receiving clock: a few seconds for
// live traffic, hours or years for a replay of past traffic or a time shift. The feed's lag is
// learned from the reports of several aircraft: the lower median of the latest lag of every
// aircraft heard within kFeedClockMemory. Once it is known, a report stamped more than
// kMaxStampAheadOfFeedClockSeconds after the feed's clock (its lag that much smaller) or more
// than kMaxStampBehindFeedClockSeconds before it is refused: a batch of one or two reports
// (one datagram between two rounds) has no median of its own to be judged by, and as an
// aircraft of its own it would be created and fly at a time the feed never had.
//
// The App broadcasts on the local network, so one sender must not move the clock, while a
// feed that moves as a whole (a time shift, a new capture, an App started again) must be
// followed soon. A new clock is taken when at least kMinAircraftForFeedClock aircraft have
// each been heard kReportsToConfirmFeedClock times at it, and they are more than half of all
// the aircraft heard (more than once) since the new clock was first heard: one sender with a
// few hex ids loses against the feed's other aircraft, which keep reporting (at the old clock,
// or at a new one of their own), while a feed that moved as a whole has nobody left at the old
// clock; hex ids made up afresh for each datagram count for nothing. So the first round of a
// moved feed is refused and the second is taken; the aircraft heard at the old clock are
// forgotten then. Within the margins the clock follows the median as it drifts. Until a clock
// is known, nothing is refused.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "feed/stray_timestamps.h"
#include "feed/traffic_entry.h"
#include "foundation/clock.h"

namespace skyloom {

// As far as a report may lie from its batch's median (feed/time_offsets.h): the App's rounds
// hold reports up to 41 s newer than their median, the web API's up to 57 s older.
inline constexpr double kMaxStampAheadOfFeedClockSeconds = 60.0;
inline constexpr double kMaxStampBehindFeedClockSeconds = 300.0;
// Several aircraft, each heard more than once: one sender sending now and then cannot set it.
inline constexpr std::size_t kMinAircraftForFeedClock = 5;
inline constexpr int kReportsToConfirmFeedClock = 2;
// Several of the App's rounds (2 to 10 s apart) and many of the web API's replies.
inline constexpr std::chrono::seconds kFeedClockMemory{60};
// Far beyond the aircraft around one user; a flood of made-up hex ids ends here.
inline constexpr std::size_t kMaxAircraftInFeedClock = 10000;

class FeedClock {
public:
    // Learns from the batch, whose reports came at `receivedAt` (UTC) and `now` (steady
    // clock), then takes every entry stamped far from the feed's clock out of it (the others
    // keep their order) and returns them with the reason ("time stamp {} lies {} s after the
    // feed's clock").
    std::vector<StrayEntry> takeEntriesOffClock(std::vector<TrafficEntry>& batch,
                                                Clock::UtcTime receivedAt, Clock::SteadyTime now);
    // Why a report stamped `timestamp` and received at `receivedAt` is off the feed's clock
    // ("time stamp {} lies {} s after the feed's clock"); nothing while it keeps to it or no
    // clock is known yet. It learns nothing from the report.
    std::optional<std::string> offClockReason(double timestamp, Clock::UtcTime receivedAt) const;
    // The reader knows that the feed moves (its time shift changed): everything is forgotten,
    // and the clock is learned anew.
    void reset();
    // The feed's lag in seconds, once it is known.
    std::optional<double> lagSeconds() const noexcept { return lag_; }

private:
    struct Heard {
        // The order of the aircraft's latest report, and of its first at the lag it has now.
        std::uint64_t order = 0;
        std::uint64_t since = 0;
        // Its reports at that lag.
        int reports = 0;
        // Heard more than once, at any lag.
        bool known = false;
        Clock::SteadyTime at{};
        double lag = 0.0;
    };

    void learn(const TrafficEntry& entry, double received, Clock::SteadyTime now);
    void forget(Clock::SteadyTime now);
    // Takes a new clock, or follows the old one's median.
    void follow();
    // Takes the clock of the aircraft that do not keep to the current one (see above), if
    // they hold one; true when it did.
    bool moveTo(const std::vector<const Heard*>& others);

    std::unordered_map<std::uint32_t, Heard> heard_;
    std::optional<double> lag_;
    std::uint64_t order_ = 0;
};

} // namespace skyloom
