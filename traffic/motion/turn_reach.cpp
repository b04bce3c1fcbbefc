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
    const double metresPerSecond = speedKt * geo::kMetresPerSecondPerKnot;
    const double rate = motion::kGravityMetresPerSecond2 *
                        std::tan(limit.steepestBankDeg * geo::kRadiansPerDegree) / metresPerSecond;
    return std::min(rate, ceiling);
}

double gf_turnCeilingRadPerS(AircraftCategory category) noexcept {
    return lf_turnLimit(category).ceilingDegPerSecond * geo::kRadiansPerDegree;
}

double gf_turnThenStraightMetres(const Lalo& from, double trackRad, double radiusMetres,
                                 const Lalo& to) noexcept {
    const double chord = gf_distanceNM(from, to) * geo::kMetresPerNM;
    if (!std::isfinite(chord) || !std::isfinite(trackRad) || !std::isfinite(radiusMetres) ||
        radiusMetres < 0.0) {
        return std::numeric_limits<double>::infinity();
    }
    const double bearing = gf_bearing(from, to);
    const double east = chord * std::sin(bearing);
    const double north = chord * std::cos(bearing);
    double shortest = std::numeric_limits<double>::infinity();
    for (const int sense : {1, -1}) {
        // The turn's centre, to the right (1) or the left of the track; the straight leaves the
        // circle along the tangent through `to`.
        const double centreEast = sense * radiusMetres * std::cos(trackRad);
        const double centreNorth = -sense * radiusMetres * std::sin(trackRad);
        const double fromCentre = std::hypot(east - centreEast, north - centreNorth);
        if (!(fromCentre >= radiusMetres)) {
            continue;
        }
        const double straight = std::sqrt(fromCentre * fromCentre - radiusMetres * radiusMetres);
        const double leave = std::atan2(east - centreEast, north - centreNorth) +
                             sense * std::atan2(radiusMetres, straight);
        double turn = gf_normaliseAngle(sense * (leave - trackRad));
        if (turn > geo::kTwoPi - 1e-9) {
            turn = 0.0;
        }
        shortest = std::min(shortest, radiusMetres * turn + straight);
    }
    return shortest;
}

bool gf_reachableByTurning(AircraftCategory category, const Lalo& from, double trackRad,
                           double speedKt, const Lalo& to, double seconds) noexcept {
    if (!(seconds > 0.0) || !std::isfinite(seconds)) {
        return false;
    }
    const double reported = std::isfinite(speedKt) ? std::max(speedKt, 0.0) : 0.0;
    const double fastestKt =
        motion::kReachSpeedFactor * reported +
        motion::kReachRoundingMetres / seconds * geo::kKnotsPerMetrePerSecond;
    // The tightest turn at the reported speed.
    const double radius = reported * geo::kMetresPerSecondPerKnot /
                          gf_plausibleTurnRateRadPerS(category, reported);
    return gf_turnThenStraightMetres(from, trackRad, radius, to) <=
           fastestKt * geo::kMetresPerSecondPerKnot * seconds;
}

} // namespace skyloom
