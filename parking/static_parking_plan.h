// The static parking plan: which stands of the park airport get a parked (static) aircraft and
// which aircraft. A plan frees every stand, blocks the stands that must stay empty, fixes the
// wanted number, takes RealTraffic parked aircraft first, fills the rest from the airport
// file's flight options and leaves the result in the state's plan, the `StaticParkRequest`s
// the traffic step takes from the back, oldest first. The parking adjustments reuse its parts.
#pragma once

#include <cstdint>

#include "parking/static_parking_state.h"

namespace skyloom {

// One complete plan; nothing happens while the stand table is empty.
void lf_planStaticParking(const StaticParkingRun& run, StaticParkingState& state);

// Logs the plan's time line and gives the plan's time (`run.now`).
std::uint64_t lf_logPlanTime(const StaticParkingRun& run);

// Blocks the stand recorded for the park airport ("Reserved") and the user's current stand
// ("User") for static aircraft.
void lf_reserveKnownStands(const StaticParkingRun& run);

// Takes the reader's feed callsign and hexid sets over into the state's.
void lf_clearRtParkedTraffic(const StaticParkingRun& run, StaticParkingState& state);

// The wanted number of parked aircraft for the settings, shown in the window with
// RT_PARKTRAFFIC_ONLY on (the target helper shows it otherwise).
std::int32_t lf_wantedParkedCount(const StaticParkingRun& run);

// The feed's parked-traffic processing of the run's parked list, with this run's RT-only
// placement; false without a list or before it was received.
bool lf_processParkedTraffic(const StaticParkingRun& run, StaticParkingState& state,
                             std::int32_t wanted);

// Orders the plan by age, largest first, so the youngest are created first.
void lf_sortPlanByAge(StaticParkingState& state);

} // namespace skyloom
