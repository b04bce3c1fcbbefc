// How a take-off roll ends short of a lift-off: the runway under the roll and how far along it
// the aircraft is, the check each ground step makes (lift off, roll on, back to taxi, or fail),
// and the failed roll.
#pragma once

#include <optional>

#include "foundation/lalo.h"
#include "traffic/motion/motion_world.h"

namespace skyloom {

// The runway under the take-off roll: the one stored, else the one on whose centreline the
// aircraft rolls now, which is stored; false while there is none.
bool lf_knowTakeoffRunway(MotionContext& ctx);
// How far a position lies past the take-off runway's far end along its direction (m, negative
// short of it); none without a runway.
std::optional<double> lf_alongTakeoffRunway(const MotionContext& ctx, const Lalo& position);
bool lf_checkTakeoffRollEnd(MotionContext& ctx);
// The take-off roll failed: the aircraft goes into the failed-departure quarantine and leaves.
void lf_failTakeoffRoll(MotionContext& ctx);
// A take-off roll that turned out to be none: the rotation, the take-off runway and the
// behind-sample mark are cleared and the aircraft taxies again.
void lf_backToTaxi(MotionContext& ctx);

} // namespace skyloom
