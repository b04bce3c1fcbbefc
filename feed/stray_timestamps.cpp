#include "feed/stray_timestamps.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include <fmt/format.h>

#include "feed/time_offsets.h"

namespace skyloom {

namespace {

// Why a stamp lies too far from `middle`, the median stamp of its batch; none when it does not.
std::optional<std::string> lf_strayReason(double stamp, double middle) {
    if (!std::isfinite(stamp)) {
        return std::nullopt;
    }
    const double ahead = stamp - middle;
    if (ahead > kMaxStampAheadOfBatchSeconds) {
        return fmt::format("time stamp {:.1f} lies {:.0f} s after the other reports of its batch",
                           stamp, ahead);
    }
    if (-ahead > kMaxStampBehindBatchSeconds) {
        return fmt::format("time stamp {:.1f} lies {:.0f} s before the other reports of its batch",
                           stamp, -ahead);
    }
    return std::nullopt;
}

} // namespace

std::vector<StrayEntry> gf_takeStrayEntries(std::vector<TrafficEntry>& batch) {
    std::vector<StrayEntry> strays;
    if (batch.size() < kMinEntriesToJudgeBatch) {
        return strays;
    }
    const std::optional<double> middle = gf_batchMedianTimestamp(batch);
    if (!middle) {
        return strays;
    }
    const auto first = std::stable_partition(batch.begin(), batch.end(), [&](const TrafficEntry& e) {
        return !lf_strayReason(e.timestamp, *middle);
    });
    for (auto it = first; it != batch.end(); ++it) {
        std::string reason = *lf_strayReason(it->timestamp, *middle);
        strays.push_back(StrayEntry{std::move(*it), std::move(reason)});
    }
    batch.erase(first, batch.end());
    return strays;
}

} // namespace skyloom
