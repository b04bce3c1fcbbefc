// The turn of an airborne live aircraft's step toward its next sample: the direction the leg
// to stream[1] arrives along, how fast the leg may turn, the bank it shows, and the leg planned
// once (traffic/motion/air_leg.h) so that a tick only moves along it.
#pragma once

#include <cstdint>

#include "traffic/motion/motion_world.h"

namespace skyloom {

// The turn of a step of `stepTicks`. The leg to stream[1] leaves along the direction the
// aircraft flies (its path's, which the nose follows) and arrives along the heading it is to
// have there: the target heading where that is an alignment (the feed's true heading low in a
// climb-out or an approach, the landing's track ahead); else the tangent at stream[1] of the
// circle through the present position, stream[1] and the first sample far enough beyond it to
// give a direction (stream[1]'s reported track where that tangent turns more than 90 degrees
// off the leg, or at a corner: where the chords and the reported tracks around stream[1] turn
// by 30 degrees or more and its track lies along the chord to it or the one beyond it, its turn
// not begun there or over); before such a sample has come,
// stream[1]'s reported track where it lies within 45 degrees of the leg, or of the direction the
// circular arc from the direction of flight through stream[1] arrives along (the first report after
// a corner, the one after it thinned out: arriving along the leg instead, a King Air's 99 degree
// corner swung 183 m wide of the next leg and weaved for 35 s); else, and wherever the heading
// would lie more than 90 degrees off the leg, the leg's own direction. Its path turns no faster
// than the category flies at the step's speed, or than the reports themselves turn with a tenth
// more (within the category's ceiling); the bank shows the turn the leg needs, within the
// category's limit.
void lf_setupTurn(MotionContext& ctx, std::int32_t stepTicks);

} // namespace skyloom
