// A taxi step that no turn path or roll shapes: whether the aircraft turns on the spot first,
// and its leg from the aircraft to stream[1] within the turn its nose follows.
#pragma once

#include <cstdint>

#include "traffic/motion/motion_world.h"

namespace skyloom {

// Before the step's length is taken, whether the aircraft turns on the spot first (its target
// lies inside the turn the nose can make); once it is, its path from the aircraft along its
// nose (or, turning first, along the leg) to stream[1] within the turn the nose follows at the
// step's speed.
void lf_prepareTaxiLeg(MotionContext& ctx);
// The step turns on the spot for `turnTicks` and then flies its leg in the time left until
// stream[1] is due, no faster than its reports allow: stream[1] and the samples after it are
// due later where it must (the leg after a turn timed by the reported speed alone ended before
// its target was due, and the aircraft ran on 37 m past a report of SWA240 at Los Angeles).
void lf_turnOnTheSpotFirst(MotionContext& ctx, std::int32_t turnTicks);
void lf_planTaxiLeg(MotionContext& ctx, std::int32_t stepTicks);

} // namespace skyloom
