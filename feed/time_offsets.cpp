#include "feed/time_offsets.h"

#include <algorithm>
#include <cmath>
#include <iterator>
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

namespace {

std::vector<double> lf_sortedStamps(const std::vector<TrafficEntry>& batch) {
    std::vector<double> stamps;
    stamps.reserve(batch.size());
    for (const TrafficEntry& entry : batch) {
        if (std::isfinite(entry.timestamp)) {
            stamps.push_back(entry.timestamp);
        }
    }
    std::sort(stamps.begin(), stamps.end());
    return stamps;
}

} // namespace

std::optional<double> gf_batchMedianTimestamp(const std::vector<TrafficEntry>& batch) {
    const std::vector<double> stamps = lf_sortedStamps(batch);
    if (stamps.empty()) {
        return std::nullopt;
    }
    return stamps[(stamps.size() - 1) / 2];
}

std::optional<double> gf_batchReferenceTimestamp(const std::vector<TrafficEntry>& batch) {
    const std::vector<double> stamps = lf_sortedStamps(batch);
    if (stamps.empty()) {
        return std::nullopt;
    }
    const double reach = stamps[(stamps.size() - 1) / 2] + kMaxStampAheadOfBatchSeconds;
    // The median itself is within reach, so there is always one.
    return *std::prev(std::upper_bound(stamps.begin(), stamps.end(), reach));
}

void gf_setTimeOffsets(std::vector<TrafficEntry>& batch, std::uint32_t currentTick,
                       std::uint32_t offsetBase) noexcept {
    // Without a reference (no finite stamp, or no memory to sort the stamps) every entry
    // counts as stamped at it: due the whole base from now.
    double reference = -std::numeric_limits<double>::infinity();
    try {
        reference = gf_batchReferenceTimestamp(batch).value_or(reference);
    } catch (...) {
        reference = -std::numeric_limits<double>::infinity();
    }
    for (TrafficEntry& entry : batch) {
        entry.sample.time = gf_timeOffsetOf(entry.timestamp, reference, currentTick, offsetBase);
    }
}

} // namespace skyloom
