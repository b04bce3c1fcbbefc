// Choosing the park airport as the user moves: on the ground the closest airport that has an
// airport file, in the air the front park airport once it is within reach; and leaving it when
// it falls out of reach or another park airport comes nearer, which removes the parked aircraft
// there and stops static parking. Main worker thread, from the main loop's parking step.
#pragma once

#include "foundation/lalo.h"

namespace skyloom {

struct ParkingContext;
struct ParamsSnapshot;

// Within reach: the user's height above ground is at most AIRP_HEIGHT and the flat distance at
// most AIRP_RANGE.
bool lf_isWithinReach(const ParamsSnapshot& settings, double userAglFt, const Lalo& user,
                      const Lalo& airport);

// While no park airport is set: chooses one and requests the static-parking update.
void gf_updateParkAirport(ParkingContext& context, const Lalo& user);

// While a park airport is set: leaves it when it is out of reach or a nearer park airport is
// within reach.
void gf_checkParkAirportsReach(ParkingContext& context, const Lalo& user);

} // namespace skyloom
