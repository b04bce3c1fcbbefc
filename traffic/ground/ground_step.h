// The step of a live aircraft on the ground (`nextPosGround`): pushback start and end, parked
// aircraft, corner turns, long legs, speed mode, hand-over to parking, and the step's length.
#pragma once

#include "traffic/motion/motion_world.h"

namespace skyloom {

void nextPosGround(MotionContext& ctx);
void lf_timeGroundStep(MotionContext& ctx);
void lf_maybeSplitLeg(MotionContext& ctx, bool slowingToPark);
// The radius (m) of a ground turn at the speed with the heading rate (rad per tick) that the
// speed allows; 0 when either is not finite and positive.
double lf_turnDistanceMetres(double speedKt, double headingRateRadPerTick) noexcept;

} // namespace skyloom
