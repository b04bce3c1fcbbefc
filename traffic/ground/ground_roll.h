// The take-off and landing roll: the ground step's setup with the roll's speed profile, the
// roll tick by tick along the runway's centreline, the lift-off decision and the take-off, and
// the end of a roll (a take-off roll that fails or turns out a taxi, a landing roll's turn-off).
#pragma once

#include <cstdint>
#include <optional>

#include "foundation/lalo.h"
#include "traffic/motion/motion_world.h"

namespace skyloom {

struct LiveAircraft;

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
// A take-off roll that turned out to be none: the rotation, the take-off runway and the
// behind-sample mark are cleared and the aircraft taxies again.
void lf_backToTaxi(MotionContext& ctx);
void lf_endLandingRoll(MotionContext& ctx);
std::optional<double> lf_alongTakeoffRunway(const MotionContext& ctx, const Lalo& position);
void lf_steerToCentreline(MotionContext& ctx);

} // namespace skyloom
