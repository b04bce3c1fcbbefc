#include "traffic/ground/timed_curve.h"

#include <cmath>
#include <limits>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/ground/turn_path.h"

namespace skyloom {

namespace {

using motion::kGroundFrameMetresPerDegree;
using motion::kTimedCurveSteps;

constexpr double kSmallestDerivativeSquared = 1e-18;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool lf_isValidTimedPoint(const TimedPoint& p) noexcept {
    return gf_isInRange({p.latitude, p.longitude}) && std::isfinite(p.time);
}

// The point at u of 2u(1-u) Q + u^2 E.
FlatOffset lf_quadraticAt(const TimedCurve& c, double u) noexcept {
    const double q = 2.0 * u * (1.0 - u);
    const double e = u * u;
    return FlatOffset{q * c.controlEast + e * c.endEast, q * c.controlNorth + e * c.endNorth};
}

void lf_failCurve(TimedCurve& curve) noexcept {
    curve = TimedCurve{};
    curve.startTime = kNaN;
    curve.endTime = kNaN;
    curve.controlEast = kNaN;
    curve.controlNorth = kNaN;
}

} // namespace

void gf_buildTimedCurve(TimedCurve& curve, const TimedPoint& start, const TimedPoint& control,
                        const TimedPoint& end) noexcept {
    curve = TimedCurve{};
    if (!lf_isValidTimedPoint(start) || !lf_isValidTimedPoint(control) ||
        !lf_isValidTimedPoint(end) || !(start.time < end.time)) {
        lf_failCurve(curve);
        return;
    }
    const Lalo origin{start.latitude, start.longitude};
    const double cosLat = std::cos(origin.lat * geo::kRadiansPerDegree);
    curve.originLatitude = origin.lat;
    curve.originLongitude = origin.lon;
    curve.startTime = start.time;
    curve.endTime = end.time;
    const FlatOffset e = gf_flatOffsetMetres(origin, {end.latitude, end.longitude},
                                             kGroundFrameMetresPerDegree, cosLat);
    const FlatOffset q = gf_flatOffsetMetres(origin, {control.latitude, control.longitude},
                                             kGroundFrameMetresPerDegree, cosLat);
    curve.endEast = e.east;
    curve.endNorth = e.north;
    curve.controlEast = q.east;
    curve.controlNorth = q.north;
    double total = 0.0;
    FlatOffset previous{0.0, 0.0};
    for (std::size_t k = 1; k <= kTimedCurveSteps; ++k) {
        const FlatOffset p = lf_quadraticAt(curve, static_cast<double>(k) / kTimedCurveSteps);
        total += std::hypot(p.east - previous.east, p.north - previous.north);
        curve.lengthTable[k] = total;
        previous = p;
    }
    if (!std::isfinite(total) || !(total > 0.0)) {
        lf_failCurve(curve);
        return;
    }
    for (double& entry : curve.lengthTable) {
        entry /= total;
    }
}

bool gf_timedCurvePointAt(const TimedCurve& curve, Lalo& position, double& heading,
                          double time) noexcept {
    const double span = curve.endTime - curve.startTime;
    if (std::isnan(curve.controlEast) || std::isnan(curve.controlNorth) || !std::isfinite(time) ||
        !(time >= curve.startTime && time <= curve.endTime) || !std::isfinite(span) ||
        !(span > 0.0)) {
        return false;
    }
    const double u = gf_curveParameterAt(curve.lengthTable, (time - curve.startTime) / span);
    const FlatOffset p = lf_quadraticAt(curve, u);
    // The derivative 2(1-u) Q + 2u (E - Q); where it vanishes, the second derivative's
    // direction 2 (E - 2Q).
    double de = 2.0 * (1.0 - u) * curve.controlEast + 2.0 * u * (curve.endEast - curve.controlEast);
    double dn =
        2.0 * (1.0 - u) * curve.controlNorth + 2.0 * u * (curve.endNorth - curve.controlNorth);
    if (!(de * de + dn * dn > kSmallestDerivativeSquared)) {
        de = 2.0 * (curve.endEast - 2.0 * curve.controlEast);
        dn = 2.0 * (curve.endNorth - 2.0 * curve.controlNorth);
        if (!(de * de + dn * dn > kSmallestDerivativeSquared)) {
            return false;
        }
    }
    const double rawHeading = std::atan2(de, dn);
    if (std::isnan(p.east) || std::isnan(p.north) || !std::isfinite(rawHeading)) {
        return false;
    }
    const Lalo origin{curve.originLatitude, curve.originLongitude};
    const Lalo at = gf_flatPosition(origin, p, kGroundFrameMetresPerDegree,
                                    std::cos(origin.lat * geo::kRadiansPerDegree));
    if (!gf_isInRange(at)) {
        return false;
    }
    position = at;
    heading = gf_normaliseAngle(rawHeading);
    return true;
}

} // namespace skyloom
