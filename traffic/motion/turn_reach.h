// How fast an aircraft of a category can turn, and whether a reported position lies where the
// aircraft can get to by turning: the rate of a coordinated turn at the category's steepest
// bank, and whether a turn at that rate and a straight reach a position from another.
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

// The shortest path from `from` along `trackRad` to `to` that turns on a circle of
// `radiusMetres` (to either side) and then flies straight to it, in metres; infinite for
// inputs that are not finite. The path is a flown one: no shorter path of that turn reaches
// `to` but for points close beside the start that a turn one way and then the other reaches.
double gf_turnThenStraightMetres(const Lalo& from, double trackRad, double radiusMetres,
                                 const Lalo& to) noexcept;

// True when the aircraft, leaving `from` along `trackRad` at about `speedKt`, reaches `to` in
// `seconds` by turning at a rate its category flies at that speed and flying straight on, at a
// speed not much above the reported one (1.5 times, and the feed's rounding of 20 m over the
// time). The reports' spacing does not matter: a glider drifting in its thermal, circling
// faster or slower and reported 6 to 20 s apart, reaches each of its reports this way. False
// for inputs that are not finite, or no time to fly.
bool gf_reachableByTurning(AircraftCategory category, const Lalo& from, double trackRad,
                           double speedKt, const Lalo& to, double seconds) noexcept;

} // namespace skyloom
