// The placement of the aircraft RealTraffic reports as parked at the park airport: each
// `ParkedEntry` becomes a plan entry on the stand RealTraffic names or the nearest suitable
// one, or keeps the static aircraft that already shows it. Two entries: the RT-only placement
// (the feed's parked-traffic processing runs it with RT_PARKTRAFFIC_ONLY on) and the placement
// by age that the real same-day stand search runs.
#pragma once

#include <cstdint>
#include <vector>

#include "feed/parked_traffic.h"
#include "parking/static_parking_state.h"

namespace skyloom {

// RT-only placement over the reader's completed list (held under its mutex by the caller).
void gf_placeRtParkedTraffic(const StaticParkingRun& run, StaticParkingState& state,
                             std::vector<ParkedEntry>& entries, std::int32_t wanted);

// Placement of the entries of one age, under the list's mutex; true when the search must stop
// (the wanted count is reached, or an aircraft's stand is taken or blocked).
bool lf_placeRtParkedForSearch(const StaticParkingRun& run, StaticParkingState& state,
                               std::int32_t age, SearchCounters& counters, std::int32_t wanted);

// The feed's hand-over for a plan: the RT-only placement bound to this run and state.
ParkedTrafficPlacement gf_makeParkedTrafficPlacement(const StaticParkingRun& run,
                                                     StaticParkingState& state);

} // namespace skyloom
