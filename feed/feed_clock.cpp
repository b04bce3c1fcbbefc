#include "feed/feed_clock.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include <fmt/format.h>

#include "feed/forget_older_half.h"

namespace skyloom {

namespace {

// True when a report of lag `lag` keeps to a clock of lag `clock`.
bool lf_keepsTo(double lag, double clock) noexcept {
    return clock - lag <= kMaxStampAheadOfFeedClockSeconds &&
           lag - clock <= kMaxStampBehindFeedClockSeconds;
}

// The lower median; `lags` is not empty.
double lf_median(std::vector<double> lags) {
    const auto middle = lags.begin() + static_cast<std::ptrdiff_t>((lags.size() - 1) / 2);
    std::nth_element(lags.begin(), middle, lags.end());
    return *middle;
}

double lf_seconds(Clock::UtcTime time) {
    return std::chrono::duration<double>(time.time_since_epoch()).count();
}

// The refusal of a report stamped `timestamp`, `ahead` seconds after the feed's clock.
std::string lf_offClockReason(double timestamp, double ahead) {
    return ahead > 0.0 ? fmt::format("time stamp {:.1f} lies {:.0f} s after the feed's clock",
                                     timestamp, ahead)
                       : fmt::format("time stamp {:.1f} lies {:.0f} s before the feed's clock",
                                     timestamp, -ahead);
}

} // namespace

std::optional<std::string> FeedClock::offClockReason(double timestamp,
                                                     Clock::UtcTime receivedAt) const {
    if (!lag_ || !std::isfinite(timestamp)) {
        return std::nullopt;
    }
    const double lag = lf_seconds(receivedAt) - timestamp;
    if (lf_keepsTo(lag, *lag_)) {
        return std::nullopt;
    }
    return lf_offClockReason(timestamp, *lag_ - lag);
}

void FeedClock::reset() {
    heard_.clear();
    lag_.reset();
}

void FeedClock::forget(Clock::SteadyTime now) {
    std::erase_if(heard_,
                  [now](const auto& item) { return now - item.second.at > kFeedClockMemory; });
    if (heard_.size() <= kMaxAircraftInFeedClock) {
        return;
    }
    // The older half goes.
    gf_forgetOlderHalf(heard_, [](const Heard& heard) { return heard.order; });
}

void FeedClock::learn(const TrafficEntry& entry, double received, Clock::SteadyTime now) {
    if (!std::isfinite(entry.timestamp)) {
        return;
    }
    const double lag = received - entry.timestamp;
    const auto [it, added] = heard_.try_emplace(entry.hexid);
    Heard& heard = it->second;
    ++order_;
    if (added || !lf_keepsTo(lag, heard.lag)) {
        heard.since = order_;
        heard.reports = 1;
    } else {
        heard.reports = std::min(heard.reports + 1, kReportsToConfirmFeedClock);
    }
    heard.known = !added;
    heard.order = order_;
    heard.at = now;
    heard.lag = lag;
}

bool FeedClock::moveTo(const std::vector<const Heard*>& others) {
    std::vector<const Heard*> confirmed;
    for (const Heard* heard : others) {
        if (heard->reports >= kReportsToConfirmFeedClock) {
            confirmed.push_back(heard);
        }
    }
    if (confirmed.size() < kMinAircraftForFeedClock) {
        return false;
    }
    std::vector<double> lags;
    for (const Heard* heard : confirmed) {
        lags.push_back(heard->lag);
    }
    const double middle = lf_median(lags);
    lags.clear();
    std::uint64_t first = order_;
    for (const Heard* heard : confirmed) {
        if (lf_keepsTo(heard->lag, middle)) {
            lags.push_back(heard->lag);
            first = std::min(first, heard->since);
        }
    }
    if (lags.size() < kMinAircraftForFeedClock) {
        return false;
    }
    // The new clock must hold most of the aircraft heard since it was first heard, whatever
    // their clocks: a feed that moves as a whole leaves nobody at the old one, while the
    // feed's other aircraft outnumber one sender, even when they move themselves. Hex ids
    // heard once (made up afresh for each datagram) are no aircraft of the feed.
    std::size_t heardSince = 0;
    for (const auto& [hexid, heard] : heard_) {
        heardSince += heard.order >= first && heard.known ? 1 : 0;
    }
    if (2 * lags.size() <= heardSince) {
        return false;
    }
    lag_ = lf_median(lags);
    std::erase_if(heard_, [this](const auto& item) { return !lf_keepsTo(item.second.lag, *lag_); });
    return true;
}

void FeedClock::follow() {
    std::vector<const Heard*> others;
    std::vector<double> keeping;
    for (const auto& [hexid, heard] : heard_) {
        if (lag_ && lf_keepsTo(heard.lag, *lag_)) {
            keeping.push_back(heard.lag);
        } else {
            others.push_back(&heard);
        }
    }
    if (!others.empty() && moveTo(others)) {
        return;
    }
    if (!keeping.empty()) {
        lag_ = lf_median(std::move(keeping));
    }
}

std::vector<StrayEntry> FeedClock::takeEntriesOffClock(std::vector<TrafficEntry>& batch,
                                                       Clock::UtcTime receivedAt,
                                                       Clock::SteadyTime now) {
    const double received = lf_seconds(receivedAt);
    forget(now);
    for (const TrafficEntry& entry : batch) {
        learn(entry, received, now);
    }
    follow();
    std::vector<StrayEntry> off;
    if (!lag_) {
        return off;
    }
    const double clock = *lag_;
    const auto keeps = [&](const TrafficEntry& entry) {
        return !std::isfinite(entry.timestamp) || lf_keepsTo(received - entry.timestamp, clock);
    };
    const auto first = std::stable_partition(batch.begin(), batch.end(), keeps);
    for (auto it = first; it != batch.end(); ++it) {
        std::string reason = lf_offClockReason(it->timestamp, clock - (received - it->timestamp));
        off.push_back(StrayEntry{std::move(*it), std::move(reason)});
    }
    batch.erase(first, batch.end());
    return off;
}

} // namespace skyloom
