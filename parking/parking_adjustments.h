// Parking adjustments: when the user changes a parking option while static aircraft stand at
// the park airport, the stands are planned again from the aircraft already in the simulator:
// live aircraft that stay keep their stands (the oldest removed when there are more than
// wanted), static aircraft that still agree with the options stay, the others are removed,
// turnarounds are planned, and removals that the plan would undo at once are dropped.
#pragma once

#include <cstdint>

#include "parking/static_parking_state.h"

namespace skyloom {

// One adjustment. `rtOnlySwitchedTo` is the value the user last switched RT_PARKTRAFFIC_ONLY
// to during this run (false when it was not switched).
void lf_adjustParking(const StaticParkingRun& run, StaticParkingState& state,
                      bool rtOnlySwitchedTo);

// Lists the aircraft for removal at sid unless one with its callsign is listed.
void lf_listRemoval(StaticParkingState& state, const StaticAircraft& aircraft, std::int32_t sid);

// Removes the listed aircraft from the simulator and empties the list.
void lf_removeRemovals(const StaticParkingRun& run, StaticParkingState& state);

// Plans again the kept airport-file aircraft that still show their first callsign and have a
// second one, so that they show the callsign they leave with; lists the old ones for removal.
void lf_planTurnarounds(const StaticParkingRun& run, StaticParkingState& state,
                        std::int32_t weekday);

// Drops the removals whose aircraft the plan would put back unchanged on the same stand, with
// those plan entries; moves the removals of stands that get a new aircraft to the front.
void lf_dropUnchangedReplacements(StaticParkingState& state);

} // namespace skyloom
