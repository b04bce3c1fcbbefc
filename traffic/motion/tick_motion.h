// The motion of a live aircraft within one traffic tick: the position moves along whatever the
// step prepared (roll, ground turn path, curved leg in the air or a taxi's, per-tick increments),
// the heading turns, and pitch, bank and altitude move, including the rotation after lift-off
// and the flare before touch-down.
#pragma once

#include "traffic/motion/motion_world.h"

namespace skyloom {

struct LiveAircraft;
struct TrafficState;

// One tick of an active aircraft whose target is not stationary; uses the state's world.
void lf_moveOneTick(TrafficState& state, LiveAircraft& aircraft);
void lf_moveOneTick(MotionContext& ctx);
// Turns the heading toward the target by at most the working heading rate (fine: eases in
// and out over the last 6 degrees).
void lf_steerHeading(LiveAircraft& aircraft, double targetHeading, bool fine);
// The take-off rotation and climb-out, one tick.
void lf_rotateAndClimb(MotionContext& ctx);
// The flare stages before touch-down, one tick.
void lf_flare(MotionContext& ctx);
// The vertical step eased toward `wanted` (ft per tick) by at most 0.001 ft per tick a tick
// (600 fpm a second), for a climb: a wanted step at or below 0 holds the present climb.
void lf_smoothVerticalStep(LiveAircraft& aircraft, double wanted);
// The same both ways, for a cruise or a descent in flying; the first step after the ground
// takes `wanted` as it is.
void lf_easeVerticalStep(LiveAircraft& aircraft, double wanted);
// The same for a descent along the glide path.
void lf_glideVerticalStep(MotionContext& ctx, double wanted);
// The descent (ft per tick) that reaches the runway in its touch-down zone.
double lf_glidePathVs(MotionContext& ctx, double wanted);
// Puts a sample halfway between stream[0] and stream[1].
void lf_insertMidSample(LiveAircraft& aircraft);

} // namespace skyloom
