// The pushback from a stand, the pull-out of an aircraft parked nose out, and the drive onto a
// stand.
#pragma once

#include "traffic/motion/motion_world.h"

namespace skyloom {

struct StandPose {
    double latitude = 0.0;
    double longitude = 0.0;
    double headingRad = 0.0;
};
void initiatePushBack(MotionContext& ctx);
void lf_pullOut(MotionContext& ctx);
void drive2Stand(MotionContext& ctx, const StandPose& stand);

} // namespace skyloom
