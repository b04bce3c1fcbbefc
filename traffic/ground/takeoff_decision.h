// The lift-off decision of an aircraft on the ground: whether its reports show a take-off
// (evidence), whether it lifts off where it is now (by its speed, the airborne report ahead and
// its line on the take-off runway), and the lift-off into the take-off phase; and the aircraft
// that leave the ground without a take-off roll (set down in flight, a helicopter lifting off).
#pragma once

#include <cstdint>

#include "traffic/motion/motion_world.h"

namespace skyloom {

struct LiveAircraft;

// The lift-off that climbs toward the next report's altitude over the step, and the one that
// climbs at the category's climb step.
inline constexpr std::uint8_t kReportedClimbLiftOff = 1;
inline constexpr std::uint8_t kClimbingLiftOff = 2;

// The highest vertical speed (fpm) of the aircraft's samples.
double lf_highestVerticalSpeed(const LiveAircraft& a);
// An aircraft in flight that the simulator has set down, heading for a report in the air.
// Before, such an aircraft stayed on the ground in its flight phase for good.
bool lf_isSetDownInFlight(const LiveAircraft& a);
// A helicopter on the ground heading for a report that says airborne above the ground it stands
// on or climbing.
bool lf_isRotorcraftLiftingOff(const LiveAircraft& a);
// An aircraft on the ground whose step is timed as a leg in the air, and which lifts off at the
// start of it: one in flight that the simulator has set down without a landing being flown (a
// touch-and-go at an airport other than the park airport, where no landing is flown, or
// ground higher than its reports), heading for a report that says airborne; or a helicopter
// (which has no take-off roll) heading for a report that says airborne above the ground it
// stands on or climbing.
bool lf_startsAirLegOnGround(const LiveAircraft& a);
// The reports say the aircraft flies: a sample in the air or a climb faster than 2000 fpm.
bool lf_reportsSayAirborne(const LiveAircraft& a);
bool lf_decideLiftOff(MotionContext& ctx);
std::uint8_t lf_takeoffEvidence(const MotionContext& ctx);
std::uint8_t lf_takeoffDecision(MotionContext& ctx);
bool lf_isAlignedWithTakeoffRunway(const MotionContext& ctx, double maxBefore);
void lf_liftOff(MotionContext& ctx, std::uint8_t mode);
void lf_enterTakeoff(MotionContext& ctx, std::uint8_t mode);

} // namespace skyloom
