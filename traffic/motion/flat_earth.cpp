#include "traffic/motion/flat_earth.h"

#include <cmath>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"

namespace skyloom {

namespace {

// ((lon + 180) mod 360, made non-negative) - 180: [-180, 180).
double lf_wrapLongitudeHalfOpen(double lon) noexcept {
    double r = std::fmod(lon + 180.0, 360.0);
    if (r < 0.0) {
        r += 360.0;
    }
    if (r >= 360.0) {
        r = 0.0;
    }
    return r - 180.0;
}

} // namespace

bool gf_isInRange(const Lalo& p) noexcept {
    return std::isfinite(p.lat) && std::isfinite(p.lon) && p.lat >= -90.0 && p.lat <= 90.0 &&
           p.lon >= -180.0 && p.lon <= 180.0;
}

bool gf_isHeading(double rad) noexcept {
    return rad >= 0.0 && rad < geo::kTwoPi;
}

double gf_wrapAngle(double rad) noexcept {
    return std::remainder(rad, geo::kTwoPi);
}

double gf_longitudeDifference(double fromLon, double toLon) noexcept {
    return gf_wrapLongitude(toLon - fromLon);
}

FlatOffset gf_flatOffsetMetres(const Lalo& from, const Lalo& to, double metresPerDegree,
                               double cosLat) noexcept {
    return FlatOffset{gf_longitudeDifference(from.lon, to.lon) * metresPerDegree * cosLat,
                      (to.lat - from.lat) * metresPerDegree};
}

Lalo gf_flatPosition(const Lalo& origin, const FlatOffset& offset, double metresPerDegree,
                     double cosLat) noexcept {
    const double lat = origin.lat + offset.north / metresPerDegree;
    const double lon = origin.lon + offset.east / (cosLat * metresPerDegree);
    return Lalo{lat, gf_wrapLongitude(lon)};
}

double gf_flatHeading(double east, double north) noexcept {
    return gf_normaliseAngle(std::atan2(east, north));
}

DistanceBearing gf_distanceBearingMetres(const Lalo& a, double headingRad, const Lalo& b) noexcept {
    const double d = gf_distanceNM(a, b) * geo::kMetresPerNM;
    if (d <= 0.1) {
        return DistanceBearing{d, 0.0, 0.0, 0.0};
    }
    const double angle = gf_wrapAngle(gf_bearing(a, b) - headingRad);
    return DistanceBearing{d, angle, d * std::cos(angle), d * std::sin(angle)};
}

bool gf_isWithinNm(const Lalo& a, double radiusANm, const Lalo& b, double radiusBNm) noexcept {
    const double r = radiusANm + radiusBNm;
    if (!(r > 0.0)) {
        return false;
    }
    const double dy = geo::kFlatNMPerDegree * (a.lat - b.lat);
    const double dx = geo::kFlatNMPerDegree * std::cos(a.lat * geo::kRadiansPerDegree) *
                      gf_longitudeDifference(b.lon, a.lon);
    return r * r >= dy * dy + dx * dx;
}

void gf_normaliseLonCheckLat(Lalo& position) noexcept {
    if (!std::isfinite(position.lat) || !std::isfinite(position.lon)) {
        return;
    }
    double lon = lf_wrapLongitudeHalfOpen(position.lon);
    // A latitude that went round more than once is first brought into [-180, 180), the same
    // place on the circle, so that one reflection over the pole always lands in range.
    double lat = position.lat;
    if (lat < -180.0 || lat >= 180.0) {
        lat = lf_wrapLongitudeHalfOpen(lat);
    }
    if (lat > 90.0) {
        lat = 180.0 - lat;
        lon = lf_wrapLongitudeHalfOpen(lon + 180.0);
    } else if (lat < -90.0) {
        lat = -180.0 - lat;
        lon = lf_wrapLongitudeHalfOpen(lon + 180.0);
    }
    position = Lalo{lat, lon};
}

} // namespace skyloom
