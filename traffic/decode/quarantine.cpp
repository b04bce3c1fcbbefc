#include "traffic/decode/quarantine.h"

#include <cmath>

#include <fmt/format.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"

namespace skyloom {

void lf_quarantineGroundTrack(QuarantineMap& map, std::uint32_t hexid, const TrafficSample& sample,
                              double timestamp) {
    map[hexid] = {sample.latitude, sample.longitude, timestamp, 1, QuarantineKind::groundTrack};
}

bool lf_releaseGroundTrackQuarantine(QuarantineMap& map, std::uint32_t hexid,
                                     const TrafficSample& sample, double timestamp,
                                     std::string_view callsign) {
    const auto it = map.find(hexid);
    if (it == map.end()) {
        return true;
    }
    QuarantineEntry& entry = it->second;
    const double distanceNm =
        gf_distanceNM({entry.latitude, entry.longitude}, {sample.latitude, sample.longitude});
    bool release = false;
    if (sample.airborne != 0) {
        entry.count = 0;
        release = true;
    } else if (entry.kind == QuarantineKind::groundTrack) {
        const double dt = timestamp - entry.time;
        if (!std::isfinite(dt) || dt > kQuarantineMaxGapSeconds) {
            entry.count = 1;
        } else if (dt > 0) {
            // A distance that is not finite fails the comparison: the count starts again.
            entry.count =
                distanceNm * geo::kMetresPerNM <= kQuarantineMaxStepMetres ? entry.count + 1 : 1;
            release = entry.count >= kQuarantineReleaseCount;
        }
    }
    entry.latitude = sample.latitude;
    entry.longitude = sample.longitude;
    entry.time = timestamp;
    if (!release) {
        return false;
    }
    if (sample.airborne != 0) {
        LogFile::write(fmt::format(
            "{} {} quarantine released by an airborne sample", callsign,
            entry.kind == QuarantineKind::failedDeparture ? "failed departure" : "ground track"));
    } else {
        LogFile::write(fmt::format("{} ground track quarantine released after {} consistent sample{}",
                                   callsign, entry.count, entry.count == 1 ? "" : "s"));
    }
    map.erase(it);
    return true;
}

} // namespace skyloom
