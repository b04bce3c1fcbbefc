// The step of an airborne live aircraft toward its next sample: the vertical step and the
// vertical speed, the pitch change per tick, the turn (bank, turn rate, bank rate) and its leg
// (traffic/motion/air_turn.h); and the commands that belong to the height: lights
// above and below 10000 ft, gear, flaps and throttle in climb and descent, the start of the
// landing near the park airport, the go-around, and the alignment of a touch-down sample with
// the runway.
#pragma once

#include <cstdint>

#include "refdata/aircraft_category.h"
#include "traffic/motion/kinematics.h"
#include "traffic/motion/motion_world.h"
#include "traffic/ground/runway_match.h"

namespace skyloom {

struct TrafficSample;

// The turn of an air step, in the one reading the motion uses throughout: the time constant
// is the step's length in ticks, the rate divisor 100 (ticks per second), so the turn rate
// and the bank rate come out per tick; the rate limit is a standard-rate turn (3 degrees a
// second) or what the largest bank allows at the speed, whichever is lower; the largest bank
// is the category's limit (degrees in the table, radians here) as lowered near the ground;
// the bank moves by at most 5 degrees a second.
inline constexpr double kTurnRateDivisor = 100.0;
inline constexpr double kStandardTurnRateRadPerSecond = 0.05235987755982988; // 3 deg/s
inline constexpr double kMaximumBankRateRadPerTick = 0.0008726646259971648;  // 5 deg/s
BankCommand gf_airTurn(double heading, double targetHeading, double bank, double speedKt,
                       std::int32_t stepTicks, double maximumBankRad);

// The category's largest bank (radians) and largest pitch change per tick (radians).
double gf_categoryBankLimitRad(AircraftCategory category);
double gf_categoryPitchStepRad(AircraftCategory category);

// The pitch (radians, negative nose up) that goes with the sample's vertical speed.
double lf_pitchFromVerticalSpeed(const TrafficSample& sample, AircraftCategory category);

// The air step, run by the step preparation for an airborne aircraft.
void lf_setupAirStep(MotionContext& ctx);
// The default descent rate (fpm).
double lf_defaultDescentVs(MotionContext& ctx);
// A ground sample of a landing that lies more than 50 m before the runway's threshold.
bool lf_isShortOfRunway(MotionContext& ctx, const TrafficSample& sample);
// The runway ahead of the aircraft, or its approach runway with the distance past the
// threshold carried on from the touch-down reference point.
RunwayMatch lf_runwayAhead(MotionContext& ctx);
// The height (ft) a landing comes down to on a runway of this elevation (ft): the elevation,
// or the ground the simulator reports under the aircraft where that lies higher.
double lf_landingSurfaceFt(const LiveAircraft& a, double runwayAltitudeFt);
// Moves a landing aircraft's touch-down sample onto the runway's aim point and retimes it.
void lf_alignApproach(MotionContext& ctx);
void lf_airCommandsByHeight(MotionContext& ctx, double heightFt);
void lf_landingDecision(MotionContext& ctx);
void lf_setVerticalStep(MotionContext& ctx);
void lf_applyTakeoffClimbFloor(MotionContext& ctx);
bool lf_skipToAirborneSample(MotionContext& ctx, std::uint64_t k);

// Within 10 NM of the park airport.
bool gf_isNearParkAirport(const MotionWorld& world, double latitude, double longitude);

} // namespace skyloom
