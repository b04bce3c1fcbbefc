// The stand search: fills the stands of the park airport with aircraft from the airport
// file's flight options until the wanted number is in use. It keeps static aircraft that
// still agree with the file, takes RealTraffic parked aircraft first, then walks the stands
// for options of the current half-hour or of the half-hours before it; real options before
// soft ones, the current weekday before the whole week, as the park options allow. Each
// choice becomes an entry of the parking plan.
#pragma once

#include <cstdint>

#include "parking/static_parking_state.h"

namespace skyloom {

// The searches of one plan in their order, at the plan's time (`run.now`).
void lf_runStandSearches(const StaticParkingRun& run, StaticParkingState& state,
                         std::int32_t wanted);

// One search kind over all its offsets, with its report in the log.
void lf_searchKindReport(const StaticParkingRun& run, StaticParkingState& state, bool sameDay,
                         bool real, std::int32_t wanted);

// Keeps the static aircraft from the airport file that an option of their stand places there
// in the half-hours from now back by `offset`; true when the wanted count was reached.
bool lf_keepCompliantStatics(const StaticParkingRun& run, StaticParkingState& state,
                             std::int32_t offset, bool anyDay, SearchCounters& counters,
                             std::int32_t wanted);

// One scan of the stand table for options `offset` half-hours back; true when the wanted
// count was reached.
bool lf_searchStands(const StaticParkingRun& run, StaticParkingState& state, std::int32_t offset,
                     bool sameDay, bool real, SearchCounters& counters, std::int32_t wanted);

} // namespace skyloom
