// Small helpers shared by the motion between samples: the position of an aircraft and of a
// sample as `Lalo`, ticks per second, and the removal of an aircraft whose samples ran out.
#pragma once

#include "foundation/lalo.h"
#include "traffic/step/aircraft_record.h"
#include "traffic/motion/motion_world.h"

namespace skyloom {

inline constexpr double kMotionTicksPerSecond = 100.0;

inline Lalo lf_position(const LiveAircraft& aircraft) noexcept {
    return {aircraft.sent.latitude, aircraft.sent.longitude};
}
inline Lalo lf_lalo(const TrafficSample& sample) noexcept {
    return {sample.latitude, sample.longitude};
}

// The aircraft has no sample left to fly to: it leaves the simulator (`noMoreNextPos`).
void lf_noMoreNextPos(MotionContext& ctx);

} // namespace skyloom
