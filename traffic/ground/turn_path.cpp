#include "traffic/ground/turn_path.h"

#include <algorithm>
#include <cmath>

#include "foundation/geo_constants.h"
#include "foundation/lalo.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/hermite.h"

namespace skyloom {

namespace {

using namespace motion;

constexpr double kSmallestTangentSquared = 1e-8;

double lf_limit(double value, double fallback) noexcept {
    return value > 0.0 ? value : fallback;
}

double lf_degrees(double rad) noexcept {
    return rad * geo::kDegreesPerRadian;
}

double lf_length(const FlatOffset& v) noexcept {
    return std::hypot(v.east, v.north);
}

double lf_lengthSquared(const FlatOffset& v) noexcept {
    return v.east * v.east + v.north * v.north;
}

// The offset of p to the right of the line through the origin along the unit vector u.
double lf_rightOf(const FlatOffset& p, const FlatOffset& u) noexcept {
    return p.east * u.north - p.north * u.east;
}

struct Limits {
    double minimumLeg;
    double minimumTotal;
    double maximumChangeDeg;
    double maximumMismatchDeg;
    double cornerFactor;
    double maximumCurvature;
    double startTangentFactor;
};

Limits lf_limits(const GroundTurnRequest& r) noexcept {
    return Limits{lf_limit(r.minimumLegLength, kDefaultMinimumLegMetres),
                  lf_limit(r.minimumTotalLength, kDefaultMinimumTotalMetres),
                  lf_limit(r.maximumHeadingChangeDeg, kDefaultMaximumHeadingChangeDeg),
                  lf_limit(r.maximumStartMismatchDeg, kDefaultMaximumStartMismatchDeg),
                  lf_limit(r.cornerDistanceFactor, kDefaultCornerDistanceFactor),
                  lf_limit(r.maximumCurvatureDegPerMetre, kDefaultMaximumCurvatureDegPerMetre),
                  lf_limit(r.startTangentFactor, kDefaultStartTangentFactor)};
}

bool lf_fail(GroundTurnPath& path, GroundPathStatus status) noexcept {
    path.status = status;
    return false;
}

// What the walk along the sampled curve gathers for the shape checks.
struct CurveWalk {
    double length = 0.0;
    double change = 0.0; // signed heading change so far, rad
    double highestChange = 0.0;
    double lowestChange = 0.0;
    double absoluteChange = 0.0;
    double closestToCorner = 0.0;
};

// Samples the curve at t = k / 128, fills the length table (unscaled) and the swing and chord
// figures; false (status 7) at the first step that breaks the curve's shape.
bool lf_walkCurve(GroundTurnPath& path, double turnDelta, double maximumCurvature,
                  CurveWalk& walk) noexcept {
    const FlatOffset t0{path.startTangentEast, path.startTangentNorth};
    const FlatOffset p1{path.endEast, path.endNorth};
    const FlatOffset t1{path.endTangentEast, path.endTangentNorth};
    const FlatOffset corner{path.cornerEast, path.cornerNorth};
    const double leg1 = lf_length(corner);
    const FlatOffset leg1Unit{corner.east / leg1, corner.north / leg1};
    const double chord = lf_length(p1);
    const FlatOffset chordUnit =
        chord > 0.0 ? FlatOffset{p1.east / chord, p1.north / chord} : FlatOffset{0.0, 0.0};
    constexpr double counterTurn = kGroundPathCounterTurnDeg * geo::kRadiansPerDegree;

    FlatOffset previous{0.0, 0.0};
    double previousHeading = gf_flatHeading(t0.east, t0.north);
    walk.closestToCorner = leg1;
    path.lengthTable[0] = 0.0;
    for (std::size_t k = 1; k <= kGroundPathSteps; ++k) {
        const double t = static_cast<double>(k) / kGroundPathSteps;
        const HermitePoint h = gf_hermiteAt(t, t0, p1, t1);
        const FlatOffset& p = h.position;
        if (!std::isfinite(p.east) || !std::isfinite(p.north) ||
            !(lf_lengthSquared(h.derivative) > kSmallestTangentSquared)) {
            return false;
        }
        const double heading = gf_flatHeading(h.derivative.east, h.derivative.north);
        const double d = gf_wrapAngle(heading - previousHeading);
        const double ds = std::hypot(p.east - previous.east, p.north - previous.north);
        if (path.corrective == 0) {
            if ((turnDelta > 0.0 && d < -counterTurn) || (turnDelta < 0.0 && d > counterTurn)) {
                return false;
            }
        } else if (ds > 0.0 && std::abs(lf_degrees(d)) / ds > maximumCurvature) {
            return false;
        }
        walk.length += ds;
        path.lengthTable[k] = walk.length;
        walk.change += d;
        walk.highestChange = std::max(walk.highestChange, walk.change);
        walk.lowestChange = std::min(walk.lowestChange, walk.change);
        walk.absoluteChange += std::abs(d);
        walk.closestToCorner = std::min(walk.closestToCorner,
                                        std::hypot(p.east - corner.east, p.north - corner.north));
        const double right = lf_rightOf(p, leg1Unit);
        path.outsideSwing = std::max(path.outsideSwing, turnDelta > 0.0 ? -right : right);
        path.chordDeviation = std::max(path.chordDeviation, std::abs(lf_rightOf(p, chordUnit)));
        previous = p;
        previousHeading = heading;
    }
    return true;
}

} // namespace

bool gf_buildGroundTurnPath(GroundTurnPath& path, const GroundTurnRequest& r) noexcept {
    path = GroundTurnPath{};
    const Limits limits = lf_limits(r);
    path.endsAtCorner = r.endAtCorner != 0 ? 1 : 0;
    if (!gf_isInRange({r.startLatitude, r.startLongitude}) ||
        !gf_isInRange({r.cornerLatitude, r.cornerLongitude}) ||
        !gf_isInRange({r.endLatitude, r.endLongitude}) || !gf_isHeading(r.startHeading) ||
        (r.hasEndHeading != 0 && !gf_isHeading(r.endHeading))) {
        return lf_fail(path, GroundPathStatus::invalidInput);
    }
    const Lalo a{r.startLatitude, r.startLongitude};
    path.originLatitude = a.lat;
    path.originLongitude = a.lon;
    const double cosA = std::cos(a.lat * geo::kRadiansPerDegree);
    const FlatOffset b = gf_flatOffsetMetres(a, {r.cornerLatitude, r.cornerLongitude},
                                             kGroundFrameMetresPerDegree, cosA);
    const FlatOffset e =
        gf_flatOffsetMetres(a, {r.endLatitude, r.endLongitude}, kGroundFrameMetresPerDegree, cosA);
    path.cornerEast = b.east;
    path.cornerNorth = b.north;
    const FlatOffset leg2Vector{e.east - b.east, e.north - b.north};
    const double leg1 = lf_length(b);
    const double leg2 = lf_length(leg2Vector);
    if (leg1 < kGroundPathMinimumLegMetres || leg2 < kGroundPathMinimumLegMetres) {
        return lf_fail(path, GroundPathStatus::legTooShort);
    }
    if (leg1 > kGroundPathMaximumLegMetres || leg2 > kGroundPathMaximumLegMetres) {
        return lf_fail(path, GroundPathStatus::legOutOfRange);
    }

    const double h0 = r.startHeading;
    const double h1 = gf_flatHeading(b.east, b.north);
    const double h2 = gf_flatHeading(leg2Vector.east, leg2Vector.north);
    const double turnDelta = gf_wrapAngle(h2 - h1);
    const double change = gf_wrapAngle(h2 - h0);
    const double changeDeg = lf_degrees(change);
    path.turnAngleDeg = std::abs(lf_degrees(turnDelta));
    path.startMismatchDeg = std::abs(lf_degrees(gf_wrapAngle(h1 - h0)));

    if (std::abs(changeDeg) <= kGroundPathPlainChangeDeg) {
        if (path.turnAngleDeg <= kGroundPathSmallestTurnDeg) {
            return lf_fail(path, GroundPathStatus::turnTooSmall);
        }
    } else if (path.turnAngleDeg <= kGroundPathSmallestTurnDeg ||
               std::signbit(change) != std::signbit(turnDelta) ||
               path.startMismatchDeg >= kGroundPathCorrectiveMismatchDeg) {
        path.corrective = 1;
    }
    if (path.turnAngleDeg >= kGroundPathLargestTurnDeg) {
        return lf_fail(path, GroundPathStatus::turnTooLarge);
    }
    if (path.startMismatchDeg > std::max(limits.maximumMismatchDeg, kGroundPathMismatchFloorDeg)) {
        return lf_fail(path, GroundPathStatus::startHeadingMismatch);
    }

    const FlatOffset startDirection{std::sin(h0), std::cos(h0)};
    if (path.endsAtCorner != 0) {
        path.endEast = b.east;
        path.endNorth = b.north;
        path.startTangentEast = leg1 * startDirection.east;
        path.startTangentNorth = leg1 * startDirection.north;
        path.endTangentEast = leg1 / 2.0 * leg2Vector.east / leg2;
        path.endTangentNorth = leg1 / 2.0 * leg2Vector.north / leg2;
    } else {
        path.endEast = e.east;
        path.endNorth = e.north;
        path.startTangentEast = limits.startTangentFactor * leg1 * startDirection.east;
        path.startTangentNorth = limits.startTangentFactor * leg1 * startDirection.north;
        if (r.hasEndHeading != 0) {
            path.endTangentEast = 2.0 * leg2 * std::sin(r.endHeading);
            path.endTangentNorth = 2.0 * leg2 * std::cos(r.endHeading);
        } else {
            path.endTangentEast = 2.0 * leg2Vector.east;
            path.endTangentNorth = 2.0 * leg2Vector.north;
        }
    }
    if (!(lf_lengthSquared({path.startTangentEast, path.startTangentNorth}) >
          kSmallestTangentSquared) ||
        std::abs(changeDeg) >= kGroundPathLargestChangeDeg) {
        return lf_fail(path, GroundPathStatus::invalidTangent);
    }
    if (path.corrective != 0) {
        const bool fits = std::abs(changeDeg) >= kGroundPathSmallestCorrectionDeg &&
                          std::abs(changeDeg) <= limits.maximumChangeDeg &&
                          path.turnAngleDeg <= kGroundPathCorrectiveTurnDeg &&
                          path.startMismatchDeg <= limits.maximumMismatchDeg &&
                          leg1 >= limits.minimumLeg && leg2 >= limits.minimumLeg &&
                          leg1 + leg2 >= limits.minimumTotal;
        if (!fits) {
            return lf_fail(path, GroundPathStatus::invalidTangent);
        }
    }

    CurveWalk walk;
    if (!lf_walkCurve(path, turnDelta, limits.maximumCurvature, walk)) {
        return lf_fail(path, GroundPathStatus::invalidTangent);
    }
    if (path.corrective != 0) {
        const double lowest = lf_degrees(walk.lowestChange);
        const double highest = lf_degrees(walk.highestChange);
        const bool shaped =
            lowest >= std::min(changeDeg, 0.0) - kGroundPathOvershootDeg &&
            highest <= std::max(changeDeg, 0.0) + kGroundPathOvershootDeg &&
            lf_degrees(walk.absoluteChange) <= std::abs(changeDeg) + kGroundPathWanderDeg &&
            walk.closestToCorner <= limits.cornerFactor * std::min(leg1, leg2);
        if (!shaped) {
            return lf_fail(path, GroundPathStatus::invalidTangent);
        }
    }
    if (!std::isfinite(walk.length) || !(walk.length > 0.0) ||
        walk.length > kGroundPathLengthFactor * (leg1 + leg2)) {
        return lf_fail(path, GroundPathStatus::excessiveLength);
    }
    path.length = walk.length;
    for (double& entry : path.lengthTable) {
        entry /= walk.length;
    }
    path.status = GroundPathStatus::none;
    return true;
}

std::string_view gf_pathErrorText(const GroundTurnPath& path) noexcept {
    switch (path.status) {
    case GroundPathStatus::none:
        return "none";
    case GroundPathStatus::invalidInput:
        return "invalid input";
    case GroundPathStatus::legTooShort:
        return "leg too short";
    case GroundPathStatus::legOutOfRange:
        return "leg out of range";
    case GroundPathStatus::turnTooSmall:
        return "turn too small";
    case GroundPathStatus::turnTooLarge:
        return "turn too large";
    case GroundPathStatus::startHeadingMismatch:
        return "start heading mismatch";
    case GroundPathStatus::invalidTangent:
        return "invalid tangent";
    case GroundPathStatus::excessiveLength:
        return "excessive length";
    }
    return "unknown";
}

double gf_curveParameterAt(std::span<const double> table, double s) noexcept {
    const std::size_t steps = table.size() - 1;
    const auto found = std::lower_bound(table.begin(), table.end(), s);
    if (found == table.end()) {
        return 1.0;
    }
    const auto i = static_cast<std::size_t>(found - table.begin());
    if (i == 0) {
        return 0.0;
    }
    const double span = table[i] - table[i - 1];
    const double fraction = span > 0.0 ? (s - table[i - 1]) / span : 0.0;
    return (static_cast<double>(i - 1) + fraction) / static_cast<double>(steps);
}

GroundPathPoint gf_groundPathPointAt(const GroundTurnPath& path, double s) noexcept {
    if (path.status != GroundPathStatus::none || !(path.length > 0.0) || !std::isfinite(s)) {
        return GroundPathPoint{};
    }
    const double t = gf_curveParameterAt(path.lengthTable, std::clamp(s, 0.0, 1.0));
    const HermitePoint h =
        gf_hermiteAt(t, {path.startTangentEast, path.startTangentNorth},
                     {path.endEast, path.endNorth}, {path.endTangentEast, path.endTangentNorth});
    if (!(lf_lengthSquared(h.derivative) > kSmallestTangentSquared)) {
        return GroundPathPoint{};
    }
    const Lalo origin{path.originLatitude, path.originLongitude};
    const Lalo p = gf_flatPosition(origin, h.position, kGroundFrameMetresPerDegree,
                                   std::cos(origin.lat * geo::kRadiansPerDegree));
    if (!gf_isInRange(p)) {
        return GroundPathPoint{};
    }
    return GroundPathPoint{p.lat, p.lon, gf_flatHeading(h.derivative.east, h.derivative.north), 1};
}

} // namespace skyloom
