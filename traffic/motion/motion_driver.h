// The driver of a live aircraft's motion between feed samples: each time the aircraft reaches
// its target sample, `nextPosMain` cleans the stream, drops samples that cannot be flown,
// lengthens an exhausted stream with extrapolated samples, and prepares the step toward the
// next target (heading, per-tick increments, arrival tick). The air step decides how long an
// airborne step takes; the ground motion decides it on the ground. Time is in traffic ticks.
#pragma once

#include "traffic/motion/extrapolation.h"
#include "traffic/motion/motion_world.h"
#include "traffic/motion/step_timing.h"

namespace skyloom {

struct LiveAircraft;
struct TrafficState;

// The driver, called when the aircraft has reached its current target; uses the traffic
// state's motion world. A fault is logged and passed on.
void nextPosMain(TrafficState& state, LiveAircraft& aircraft);
void nextPosMain(MotionContext& ctx);

// Prepares the step toward stream[1] and removes stream[0].
void lf_prepareStep(MotionContext& ctx);
// A parking aircraft whose stream ran out parks or goes back to taxi; false: it could not take
// its stand and was removed, the reason in the log.
bool lf_arriveAtStand(MotionContext& ctx);
// The take-off start and a sample behind the aircraft; true when the stream changed.
bool lf_checkTakeoffStart(MotionContext& ctx);
// Enters the take-off roll.
void lf_startTakeoffRoll(MotionContext& ctx);

} // namespace skyloom
