#include "traffic/motion/turn_reach.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/motion_constants.h"

namespace skyloom {

namespace {

const motion::CategoryTurnLimit& lf_turnLimit(AircraftCategory category) noexcept {
    const auto index = static_cast<std::size_t>(category);
    return motion::kCategoryTurnLimits[index < motion::kCategoryTurnLimits.size()
                                           ? index
                                           : static_cast<std::size_t>(AircraftCategory::Large)];
}

} // namespace

double gf_plausibleTurnRateRadPerS(AircraftCategory category, double speedKt) noexcept {
    const motion::CategoryTurnLimit& limit = lf_turnLimit(category);
    const double ceiling = limit.ceilingDegPerSecond * geo::kRadiansPerDegree;
    if (!std::isfinite(speedKt) || speedKt < motion::kTurnLimitSlowestKt) {
        return ceiling;
    }
    const double metresPerSecond = speedKt * motion::kMetresPerSecondPerKnot;
    const double rate = motion::kGravityMetresPerSecond2 *
                        std::tan(limit.steepestBankDeg * geo::kRadiansPerDegree) / metresPerSecond;
    return std::min(rate, ceiling);
}

double gf_turnCeilingRadPerS(AircraftCategory category) noexcept {
    return lf_turnLimit(category).ceilingDegPerSecond * geo::kRadiansPerDegree;
}

TurnArc gf_arcToReach(const Lalo& from, double trackRad, const Lalo& to, double seconds) noexcept {
    constexpr double kInfinite = std::numeric_limits<double>::infinity();
    TurnArc arc;
    const double chord = gf_distanceNM(from, to) * geo::kMetresPerNM;
    if (!std::isfinite(chord) || !std::isfinite(trackRad) || !(seconds > 0)) {
        return {kInfinite, kInfinite, kInfinite};
    }
    if (chord <= 0.0) {
        return arc;
    }
    // The arc tangent to the track at `from` through `to` turns by twice the angle between the
    // track and the chord, over a length of chord x angle / sin(angle).
    const double angle = gf_wrapAngle(gf_bearing(from, to) - trackRad);
    const double sine = std::sin(std::abs(angle));
    const double length = std::abs(angle) < 1e-9 ? chord
                          : sine < 1e-9          ? kInfinite
                                                 : chord * std::abs(angle) / sine;
    arc.turnRad = 2.0 * angle;
    arc.turnRateRadPerS = std::abs(arc.turnRad) / seconds;
    arc.speedKt = length / seconds * motion::kKnotsPerMetrePerSecond;
    return arc;
}

bool gf_reachableByTurning(AircraftCategory category, const Lalo& from, double trackRad,
                           double speedKt, const Lalo& to, double seconds) noexcept {
    const TurnArc arc = gf_arcToReach(from, trackRad, to, seconds);
    if (!std::isfinite(arc.speedKt) || !std::isfinite(arc.turnRateRadPerS)) {
        return false;
    }
    const double reported = std::isfinite(speedKt) ? std::max(speedKt, 0.0) : 0.0;
    const double fastest = motion::kReachSpeedFactor * reported +
                           motion::kReachRoundingMetres / seconds * motion::kKnotsPerMetrePerSecond;
    return arc.speedKt <= fastest &&
           arc.turnRateRadPerS <= gf_plausibleTurnRateRadPerS(category, arc.speedKt);
}

} // namespace skyloom
