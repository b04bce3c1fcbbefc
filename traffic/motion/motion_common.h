// Small helpers shared by the motion between samples: the position of an aircraft and of a
// sample as `Lalo`, ticks per second, and the removal of an aircraft whose samples ran out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

#include "foundation/geo_constants.h"
#include "foundation/lalo.h"
#include "traffic/motion/motion_world.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom {

inline constexpr double kMotionTicksPerSecond = 100.0;

inline Lalo lf_position(const LiveAircraft& aircraft) noexcept {
    return {aircraft.sent.latitude, aircraft.sent.longitude};
}
inline Lalo lf_lalo(const TrafficSample& sample) noexcept {
    return {sample.latitude, sample.longitude};
}

// The shortest leg between two airborne samples whose direction means something: the feed
// rounds positions to about 10 m, so a leg of a second or two gives no direction. 200 m, or
// what the faster of the two flies in 3 s where that is less (a glider circling in a thermal
// at 50 kt reports every 6 to 10 s some 130 m apart), 50 m at least.
inline double gf_leastLegMetres(const TrafficSample& a, const TrafficSample& b) noexcept {
    constexpr double kMostMetres = 200.0;
    constexpr double kLeastMetres = 50.0;
    constexpr double kSeconds = 3.0;
    const double fastest = a.groundSpeedKt > b.groundSpeedKt ? a.groundSpeedKt : b.groundSpeedKt;
    const double metres = fastest * geo::kMetresPerSecondPerKnot * kSeconds;
    return metres < kMostMetres ? (metres > kLeastMetres ? metres : kLeastMetres) : kMostMetres;
}

// The aircraft has no sample left to fly to: it leaves the simulator (`noMoreNextPos`).
void lf_noMoreNextPos(MotionContext& ctx);

} // namespace skyloom
