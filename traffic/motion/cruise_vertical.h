// The vertical step of a cruise or approach leg (flying or landing, stream[1] airborne). The
// feed's altitudes wobble by hundreds of feet from one report to the next, its vertical speeds
// do not: the leg flies the reported vertical speed (the mean of stream[0]'s and stream[1]'s),
// corrected toward stream[1]'s altitude over at least 30 s and by at most 1000 fpm, so that the
// aircraft keeps to the reports' altitudes without flying every wobble. A feed without vertical
// speeds (every sample ahead reports 0) gives the trend of the altitudes instead: the median
// slope between every two of the last samples reached and the next ones ahead.
#pragma once

#include <cstdint>

#include "traffic/step/aircraft_record.h"

namespace skyloom {

// Feet per tick over a leg of `length` ticks; stream[1] must exist.
double gf_cruiseVerticalStep(const LiveAircraft& aircraft, std::int32_t length);

} // namespace skyloom
