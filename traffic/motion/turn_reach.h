// How fast an aircraft of a category can turn, and whether a reported position lies where the
// aircraft can get to by turning: the rate of a coordinated turn at the category's steepest
// bank, and the one circular arc that leaves a position along a track and ends at another.
// Angles are radians, speeds knots, times seconds.
#pragma once

#include "foundation/lalo.h"
#include "refdata/aircraft_category.h"

namespace skyloom {

// The fastest turn the category flies at `speedKt`, in radians a second: the rate of a
// coordinated turn at its steepest bank, g tan(bank) / speed, at most its ceiling (which
// also stands for a speed below 30 kt or one that is not finite).
double gf_plausibleTurnRateRadPerS(AircraftCategory category, double speedKt) noexcept;

// The category's ceiling of that rate (the fastest it turns at any speed), in radians a second.
double gf_turnCeilingRadPerS(AircraftCategory category) noexcept;

// The circular arc from `from` along `trackRad` to `to`, flown in `seconds`: how much it turns
// (radians, positive to the right), how fast, and the speed it needs. A point straight
// behind needs no finite arc: infinite rate and speed.
struct TurnArc {
    double turnRad = 0.0;
    double turnRateRadPerS = 0.0;
    double speedKt = 0.0;
};
TurnArc gf_arcToReach(const Lalo& from, double trackRad, const Lalo& to, double seconds) noexcept;

// True when the aircraft, leaving `from` along `trackRad` at about `speedKt`, reaches `to` in
// `seconds` by one turn at a rate its category flies, at a speed not much above the reported
// one. False for inputs that are not finite, or no time to fly.
bool gf_reachableByTurning(AircraftCategory category, const Lalo& from, double trackRad,
                           double speedKt, const Lalo& to, double seconds) noexcept;

} // namespace skyloom
