// The driver of a live aircraft's motion between feed samples: each time the aircraft reaches
// its target sample, `nextPosMain` cleans the stream, drops samples that cannot be flown,
// lengthens an exhausted stream with extrapolated samples, and prepares the step toward the
// next target (heading, per-tick increments, arrival tick). The air step decides how long an
// airborne step takes; the ground motion decides it on the ground. Time is in traffic ticks.
#pragma once

#include <cstdint>

#include "traffic/motion/motion_world.h"

namespace skyloom {

struct LiveAircraft;
struct TrafficState;

// Ticks in the extrapolated step, and the time a parked aircraft's extrapolated sample lies
// ahead (7 days).
inline constexpr std::int32_t kExtrapolatedStepTicks = 300;
inline constexpr std::int32_t kParkedHoldTicks = 60480000;
// The retiming windows: as a rule, at a stand and from the take-off roll, and the late window
// while the take-off roll starts.
inline constexpr std::int32_t kWindowTicks = 900;
inline constexpr std::int32_t kWideWindowTicks = 2700;
inline constexpr std::int32_t kTakeoffLateWindowTicks = 4500;
inline constexpr std::int32_t kShortestStepTicks = 25;
// However late an aircraft is, it flies a leg at most this much faster than its reports say.
inline constexpr double kLateCatchUpPace = 1.2;

// The driver, called when the aircraft has reached its current target; uses the traffic
// state's motion world. A fault is logged and passed on.
void nextPosMain(TrafficState& state, LiveAircraft& aircraft);
void nextPosMain(MotionContext& ctx);

// Prepares the step toward stream[1] and removes stream[0].
void lf_prepareStep(MotionContext& ctx);
// Fixes the length of an airborne step.
void nextPosAir(MotionContext& ctx);
// Moves stream[1]'s arrival tick so that the step lasts `ticks`, within the windows; a leg to
// a moving target is never flown faster than kLateCatchUpPace times its reports' speed.
void lf_retimeTarget(MotionContext& ctx, std::uint32_t ticks);
// The shortest a leg from the present position to a moving stream[1] may take: flown at
// kLateCatchUpPace times the fastest speed its reports give (lf_fastestReportedKt), along the
// path it flies; on the ground no faster than the aircraft rolls at the most. 0 when the
// target stands.
std::int64_t lf_leastLegTicks(const LiveAircraft& a);
// The arrival tick of a rotorcraft's stationary target.
void lf_retimeHover(MotionContext& ctx);
// How many extrapolated steps an aircraft without samples may make.
std::int32_t lf_extrapolationBudget(MotionContext& ctx);
// Appends one extrapolated sample and stores the counter.
void lf_appendExtrapolatedSample(MotionContext& ctx, std::int32_t stepsLeft);
// A parking aircraft whose stream ran out parks or goes back to taxi; false: it could not take
// its stand and was removed, the reason in the log.
bool lf_arriveAtStand(MotionContext& ctx);
// The take-off start and a sample behind the aircraft; true when the stream changed.
bool lf_checkTakeoffStart(MotionContext& ctx);
// Enters the take-off roll.
void lf_startTakeoffRoll(MotionContext& ctx);

// The speed (kt) that times a step, from the first two samples of the stream: their reported
// ground speeds, in flight the speed their positions give (lf_positionsSpeedKt) where the
// reported one is stale and more than a tenth off it.
double lf_stepSpeedKts(const LiveAircraft& aircraft);
// The fastest speed (kt) the first two samples give: their ground speeds (in flight those that
// their positions do not belie), or what their positions make over their times; 30 kt at least.
double lf_fastestReportedKt(const LiveAircraft& aircraft);
// In flight, where the reports ahead give a stale velocity (one speed and track, to the feed's
// whole knots and degrees, while their positions lie off that track), the speed (kt) that the
// positions of the first two samples give over their reports' time stamps (5 s apart at least),
// along the path flown from the direction of flight; not a number elsewhere.
double lf_positionsSpeedKt(const LiveAircraft& aircraft);

} // namespace skyloom
