#include "foundation/geodesy.h"

#include <algorithm>
#include <cmath>

#include "foundation/geo_constants.h"

namespace skyloom {

namespace {

double lf_radians(double degrees) {
    return degrees * geo::kRadiansPerDegree;
}

double lf_degrees(double radians) {
    return radians * geo::kDegreesPerRadian;
}

} // namespace

double gf_distanceNM(const Lalo& a, const Lalo& b) noexcept {
    const double lat1 = lf_radians(a.lat);
    const double lat2 = lf_radians(b.lat);
    // Differences are taken in degrees, where close coordinates subtract exactly.
    const double sinHalfDLat = std::sin(lf_radians(b.lat - a.lat) / 2.0);
    const double sinHalfDLon = std::sin(lf_radians(b.lon - a.lon) / 2.0);
    double h =
        sinHalfDLat * sinHalfDLat + std::cos(lat1) * std::cos(lat2) * sinHalfDLon * sinHalfDLon;
    // Rounding can push h a hair outside [0, 1] for (near-)antipodal points.
    h = std::clamp(h, 0.0, 1.0);
    // 2 R atan2(...) with the diameter standing for 2 R.
    return geo::kEarthDiameterNM * std::atan2(std::sqrt(h), std::sqrt(1.0 - h));
}

double gf_bearing(const Lalo& from, const Lalo& to) noexcept {
    const double lat1 = lf_radians(from.lat);
    const double lat2 = lf_radians(to.lat);
    const double dLon = lf_radians(to.lon - from.lon);
    const double y = std::sin(dLon) * std::cos(lat2);
    // cos(lat1) sin(lat2) - sin(lat1) cos(lat2) cos(dLon), rewritten so that points a few
    // metres apart do not lose their digits to cancellation.
    const double sinHalfDLon = std::sin(dLon / 2.0);
    const double x = std::sin(lf_radians(to.lat - from.lat)) +
                     2.0 * std::sin(lat1) * std::cos(lat2) * sinHalfDLon * sinHalfDLon;
    return gf_normaliseAngle(std::atan2(y, x));
}

Lalo gf_destination(const Lalo& start, double bearingRad, double distanceFeet) noexcept {
    const double delta = distanceFeet * geo::kRadiansPerFoot;
    const double lat1 = lf_radians(start.lat);
    const double sinLat1 = std::sin(lat1);
    const double cosLat1 = std::cos(lat1);
    const double sinDelta = std::sin(delta);
    const double cosDelta = std::cos(delta);
    const double sinBearing = std::sin(bearingRad);
    const double cosBearing = std::cos(bearingRad);
    // The destination as a unit vector in a frame turned so that the start lies on the
    // meridian 0: x towards (0, 0), y towards (0, 90 E), z towards the north pole. Unlike the
    // asin form this stays exact near the poles and gives a defined longitude from a pole.
    const double x = cosLat1 * cosDelta - sinLat1 * sinDelta * cosBearing;
    const double y = sinDelta * sinBearing;
    const double z = sinLat1 * cosDelta + cosLat1 * sinDelta * cosBearing;
    const double lat2 = std::atan2(z, std::hypot(x, y));
    const double lon2 = start.lon + lf_degrees(std::atan2(y, x));
    return Lalo{lf_degrees(lat2), gf_wrapLongitude(lon2)};
}

double gf_normaliseAngle(double rad) noexcept {
    if (!std::isfinite(rad)) {
        return 0.0;
    }
    double r = std::fmod(rad, geo::kTwoPi);
    if (r < 0.0) {
        r += geo::kTwoPi;
    }
    // A tiny negative angle plus 2 pi rounds to 2 pi itself.
    if (r >= geo::kTwoPi) {
        return 0.0;
    }
    return r + 0.0; // no negative zero
}

double gf_wrapLongitude(double lonDeg) noexcept {
    if (!std::isfinite(lonDeg) || (lonDeg >= -180.0 && lonDeg <= 180.0)) {
        return lonDeg;
    }
    double r = std::fmod(lonDeg + 180.0, 360.0);
    if (r < 0.0) {
        r += 360.0;
    }
    const double wrapped = r - 180.0;
    return wrapped >= 180.0 ? -180.0 : wrapped;
}

bool gf_isValidLalo(const Lalo& position) noexcept {
    if (!(position.lat >= -90.0 && position.lat <= 90.0)) {
        return false;
    }
    if (!(position.lon >= -180.0 && position.lon <= 180.0)) {
        return false;
    }
    return !(std::abs(position.lat) < geo::kNullPositionDegrees &&
             std::abs(position.lon) < geo::kNullPositionDegrees);
}

} // namespace skyloom
