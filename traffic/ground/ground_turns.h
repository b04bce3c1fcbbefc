// Corners of a taxi on the ground: a turn through a reported corner, the corner samples put in
// before and after it, the straightening of a leg that a skipped sample bent, and the pace of a
// turn path through its corner.
#pragma once

#include <cstddef>
#include <cstdint>

#include "traffic/motion/motion_world.h"

namespace skyloom {

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

} // namespace skyloom
