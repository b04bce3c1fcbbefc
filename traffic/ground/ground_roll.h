// The take-off and landing roll: the ground step's setup with the roll's speed profile, the
// roll tick by tick (held to the runway's centreline), and the end of a landing roll. What
// decides the lift-off is in takeoff_decision.h, how a take-off roll ends in
// takeoff_roll_end.h.
#pragma once

#include <cstdint>

#include "traffic/motion/motion_world.h"

namespace skyloom {

// The ground step's ticks: its custom length, else until stream[1] is due (at least the
// shortest step).
std::int32_t lf_groundStepTicks(const MotionContext& ctx);
void lf_setupGroundStep(MotionContext& ctx);
void lf_clearRollState(MotionContext& ctx);
bool lf_moveRollOneTick(MotionContext& ctx);
void lf_endLandingRoll(MotionContext& ctx);
void lf_steerToCentreline(MotionContext& ctx);

} // namespace skyloom
