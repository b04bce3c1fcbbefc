// The motion of live aircraft on the ground: the step preparation on the ground
// (`nextPosGround`: pushback start and end, parked aircraft, corner turns, long legs, speed
// mode, hand-over to parking, the step's length), the pushback, pull-out and drive onto a
// stand, the take-off and landing roll with the lift-off decision, and the recognition of an
// aircraft lined up on a runway that arms the take-off check.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "foundation/lalo.h"
#include "traffic/motion/motion_world.h"

namespace skyloom {

struct TrafficSample;
struct TrafficState;
struct LiveAircraft;

// --- Ground step, taxi timing and ground turns ---
void nextPosGround(MotionContext& ctx);
void lf_timeGroundStep(MotionContext& ctx);
void lf_maybeSplitLeg(MotionContext& ctx, bool slowingToPark);
bool lf_handleGroundTurn(MotionContext& ctx);
bool lf_insertCornerBefore(MotionContext& ctx, double leadMetres, bool fromPresent);
bool lf_insertCornerAfter(MotionContext& ctx, double leadMetres);
bool lf_straightenSkip(MotionContext& ctx, std::size_t k);
bool makeTurnGnd(MotionContext& ctx, double turnAngleDeg);
// A turn path through a corner sample passes the corner when it is due and ends when the step
// of `ticks` does, each part at its own pace: at one pace over the whole path, N9344F (a C172 at
// Long Beach) passed a corner reported at 11 kt before a leg of 23 kt 5 to 6 s early. One pace
// where either part would be flown faster than its reports allow.
void lf_paceThroughCorner(MotionContext& ctx, std::int32_t ticks);
// The walk along a turn path (of a step of `ticks`, paced by the schedule) slowed down where
// the path turns faster than the nose turns at that pace, catching up afterwards no faster than
// the reports allow; stream[1] is due when the walk ends where that is later.
void lf_paceWithinTheNose(MotionContext& ctx, std::int32_t ticks);
// A taxi step that no turn path or roll shapes (traffic/ground/taxi_leg.cpp): before its length
// is taken, whether the aircraft turns on the spot first (its target lies inside the turn the
// nose can make); once it is, its path from the aircraft along its nose (or, turning first,
// along the leg) to stream[1] within the turn the nose follows at the step's speed.
void lf_prepareTaxiLeg(MotionContext& ctx);
// The step turns on the spot for `turnTicks` and then flies its leg in the time left until
// stream[1] is due, no faster than its reports allow: stream[1] and the samples after it are
// due later where it must (the leg after a turn timed by the reported speed alone ended before
// its target was due, and the aircraft ran on 37 m past a report of SWA240 at Los Angeles).
void lf_turnOnTheSpotFirst(MotionContext& ctx, std::int32_t turnTicks);
void lf_planTaxiLeg(MotionContext& ctx, std::int32_t stepTicks);
// The factor of the ground turn rate at a ground speed: 1.2 up to 8 kt, 1.0 from 15 to 20 kt,
// 0.6 from 30 kt, linear between; 1.0 for a speed that is not finite. Here, where the walk
// along a turn path (traffic/ground/path_pace.cpp) asks for it some thousand times a step.
inline double lf_turnFactorBySpeed(double v) noexcept {
    if (!std::isfinite(v)) {
        return 1.0;
    }
    if (v <= 8.0) {
        return 1.2;
    }
    if (v <= 15.0) {
        return 1.2 - 0.2 * (v - 8.0) / 7.0;
    }
    if (v <= 20.0) {
        return 1.0;
    }
    if (v <= 30.0) {
        return 1.0 - 0.4 * (v - 20.0) / 10.0;
    }
    return 0.6;
}
// The radius (m) of a ground turn at the speed with the heading rate (rad per tick) that the
// speed allows; 0 when either is not finite and positive.
double lf_turnDistanceMetres(double speedKt, double headingRateRadPerTick) noexcept;

// --- Pushback, pull-out and drive to the stand ---
struct StandPose {
    double latitude = 0.0;
    double longitude = 0.0;
    double headingRad = 0.0;
};
void initiatePushBack(MotionContext& ctx);
void lf_pullOut(MotionContext& ctx);
void drive2Stand(MotionContext& ctx, const StandPose& stand);

// --- Take-off and landing roll ---
void lf_setupGroundStep(MotionContext& ctx);
void lf_clearRollState(MotionContext& ctx);
bool lf_moveRollOneTick(MotionContext& ctx);
bool lf_decideLiftOff(MotionContext& ctx);
std::uint8_t lf_takeoffEvidence(const MotionContext& ctx);
std::uint8_t lf_takeoffDecision(MotionContext& ctx);
bool lf_isAlignedWithTakeoffRunway(const MotionContext& ctx, double maxBefore);
void lf_liftOff(MotionContext& ctx, std::uint8_t mode);
// An aircraft on the ground whose step is timed as a leg in the air, and which lifts off at the
// start of it: one in flight that the simulator has set down without a landing being flown (a
// touch-and-go at an airport other than the park airport, where no landing is flown, or
// ground higher than its reports), heading for a report that says airborne; or a helicopter
// (which has no take-off roll) heading for a report that says airborne above the ground it
// stands on or climbing.
bool lf_startsAirLegOnGround(const LiveAircraft& a);
void lf_enterTakeoff(MotionContext& ctx, std::uint8_t mode);
bool lf_checkTakeoffRollEnd(MotionContext& ctx);
// The runway under the take-off roll: the one stored, else the one on whose centreline the
// aircraft rolls now, which is stored; false while there is none.
bool lf_knowTakeoffRunway(MotionContext& ctx);
// The reports say the aircraft flies: a sample in the air or a climb faster than 2000 fpm.
bool lf_reportsSayAirborne(const LiveAircraft& a);
// The take-off roll failed: the aircraft goes into the failed-departure quarantine and leaves.
void lf_failTakeoffRoll(MotionContext& ctx);
// A roll past its runway's far end goes no further: the aircraft lifts off when its reports
// say it flies, else its take-off roll failed (true: it was removed).
bool lf_endRollPastRunwayEnd(MotionContext& ctx);
// A take-off roll that turned out to be none: the rotation, the take-off runway and the
// behind-sample mark are cleared and the aircraft taxies again.
void lf_backToTaxi(MotionContext& ctx);
void lf_endLandingRoll(MotionContext& ctx);
std::optional<double> lf_alongTakeoffRunway(const MotionContext& ctx, const Lalo& position);
void lf_steerToCentreline(MotionContext& ctx);

// --- Runway line-up and take-off check ---
void lf_trackLineUp(MotionContext& ctx);
bool lf_heldOnRunway(MotionContext& ctx, const std::string& runway, const Lalo& position);
void lf_checkRunwayEntry(MotionContext& ctx);
void lf_checkTurnOntoRunway(MotionContext& ctx);
bool lf_holdSampleOnRunway(MotionContext& ctx, const TrafficSample& newSample);
// The per-tick line-up tracking with the state's world (the per-tick update runs it).
void gf_trackLineUp(TrafficState& state, LiveAircraft& aircraft);

} // namespace skyloom
