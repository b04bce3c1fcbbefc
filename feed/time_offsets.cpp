#include "feed/time_offsets.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace skyloom {

std::int32_t gf_timeOffsetOf(double timestamp, double newestTimestamp, std::uint32_t currentTick,
                             std::uint32_t offsetBase) noexcept {
    double ageSeconds = newestTimestamp - timestamp;
    if (!std::isfinite(ageSeconds) || ageSeconds < 0.0) {
        ageSeconds = 0.0;
    }
    // An age beyond a day is as good as any other "long ago": the entry is due at once.
    ageSeconds = std::min(ageSeconds, 86400.0);
    const std::int64_t tick = currentTick;
    const std::int64_t ageTicks = std::llround(ageSeconds * static_cast<double>(kTicksPerSecond));
    const std::int64_t wanted =
        tick + static_cast<std::int64_t>(offsetBase) * kTicksPerSecond - ageTicks;
    const std::int64_t time = std::max(wanted, tick + 1);
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(time, std::numeric_limits<std::int32_t>::max()));
}

void gf_setTimeOffsets(std::vector<TrafficEntry>& batch, std::uint32_t currentTick,
                       std::uint32_t offsetBase) noexcept {
    double newest = -std::numeric_limits<double>::infinity();
    for (const TrafficEntry& entry : batch) {
        if (std::isfinite(entry.timestamp)) {
            newest = std::max(newest, entry.timestamp);
        }
    }
    for (TrafficEntry& entry : batch) {
        entry.sample.time = gf_timeOffsetOf(entry.timestamp, newest, currentTick, offsetBase);
    }
}

} // namespace skyloom
