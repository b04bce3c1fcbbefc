// The walk along a ground turn path within the turn the nose makes at the walk's pace, and the
// factor of the ground turn rate by speed that paces it.
#pragma once

#include <cmath>
#include <cstdint>

#include "traffic/motion/motion_world.h"

namespace skyloom {

// The walk along a turn path (of a step of `ticks`, paced by the schedule) slowed down where
// the path turns faster than the nose turns at that pace, catching up afterwards no faster than
// the reports allow; stream[1] is due when the walk ends where that is later.
void lf_paceWithinTheNose(MotionContext& ctx, std::int32_t ticks);
// The factor of the ground turn rate at a ground speed: 1.2 up to 8 kt, 1.0 from 15 to 20 kt,
// 0.6 from 30 kt, linear between; 1.0 for a speed that is not finite. Inline, where the walk
// along a turn path asks for it some thousand times a step.
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

} // namespace skyloom
