// The quarantine of aircraft whose reports jump: an aircraft whose ground track jumped (or
// whose departure failed) stays out of the simulator until its reports are consistent again,
// that is until two further ground reports follow, each within 60 s and 150 m of the one
// before, or until it reports airborne.
#pragma once

#include <cstdint>
#include <string_view>

#include "feed/traffic_entry.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

inline constexpr double kQuarantineMaxGapSeconds = 60.0;
inline constexpr double kQuarantineMaxStepMetres = 150.0;
inline constexpr std::int32_t kQuarantineReleaseCount = 3;

// Puts the hexid in (replacing an entry) with the report as its first consistent sample.
void lf_quarantineGroundTrack(QuarantineMap& map, std::uint32_t hexid, const TrafficSample& sample,
                              double timestamp);
// Updates the hexid's entry with the report; true when the hexid is not (or no longer)
// quarantined. A release is logged and ends the entry.
bool lf_releaseGroundTrackQuarantine(QuarantineMap& map, std::uint32_t hexid,
                                     const TrafficSample& sample, double timestamp,
                                     std::string_view callsign);

} // namespace skyloom
