// The motion of a tick on the ground held to the nose, which the per-tick motion
// (traffic/motion/tick_motion.cpp) applies to every tick of a step on the ground.
#pragma once

#include "foundation/lalo.h"

namespace skyloom {

struct LiveAircraft;

// On the ground an aircraft moves where its nose points: its wheels roll where the nose wheel
// steers them. Where the step's motion of the tick (a roll toward a report off the runway or
// behind it, the rotation of a take-off or a helicopter's lift-off toward a leg that leaves
// off the nose) lies farther off the nose than kGroundMotionOffNoseMostDeg, the nose turns
// toward it as fast as it turns on the ground, and the aircraft goes only the share of it that
// lies within that of the nose (nothing of it that lies behind). What it does not go it makes
// up from where it is in its next steps, which are timed from there. A rotating aeroplane's
// nose wheel has left the runway and its nose holds; a helicopter hover-taxies sideways or
// backwards no faster than a brisk walk. Before, the step went where it went and the nose
// followed at its turn rate: landing rolls at Mexico City turned off toward their next report
// up to 95 degrees off their noses, and helicopters lifting off at Los Angeles left 40 to 148
// degrees off theirs.
// `before` and `headingBefore`: where the aircraft stood and pointed before the tick moved it;
// `mostTurnRad`: the most the nose turns in a tick on the ground; `rotating`: a take-off's
// rotation runs. True when the tick's motion was held to the nose.
bool gf_moveWhereTheNosePoints(LiveAircraft& aircraft, const Lalo& before, double headingBefore,
                               double mostTurnRad, bool rotating);

} // namespace skyloom
