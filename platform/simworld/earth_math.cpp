#include "platform/simworld/earth_math.h"

#include <cmath>
#include <numbers>

namespace skyloom::simworld {

namespace {

constexpr double kRadPerDeg = std::numbers::pi / 180.0;

} // namespace

double gf_earthDistanceNm(double lat1Deg, double lon1Deg, double lat2Deg, double lon2Deg) {
    const double phi1 = lat1Deg * kRadPerDeg;
    const double phi2 = lat2Deg * kRadPerDeg;
    const double dPhi = phi2 - phi1;
    const double dLambda = gf_wrapLongitude(lon2Deg - lon1Deg) * kRadPerDeg;
    const double a = std::sin(dPhi / 2) * std::sin(dPhi / 2) + std::cos(phi1) * std::cos(phi2) *
                                                                   std::sin(dLambda / 2) *
                                                                   std::sin(dLambda / 2);
    return 2 * kEarthRadiusNm * std::atan2(std::sqrt(a), std::sqrt(1 - a));
}

double gf_earthBearingDeg(double lat1Deg, double lon1Deg, double lat2Deg, double lon2Deg) {
    const double phi1 = lat1Deg * kRadPerDeg;
    const double phi2 = lat2Deg * kRadPerDeg;
    const double dLambda = gf_wrapLongitude(lon2Deg - lon1Deg) * kRadPerDeg;
    const double y = std::sin(dLambda) * std::cos(phi2);
    const double x =
        std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dLambda);
    double bearing = std::atan2(y, x) / kRadPerDeg;
    if (bearing < 0) {
        bearing += 360.0;
    }
    return bearing >= 360.0 ? 0.0 : bearing;
}

double gf_wrapLongitude(double lonDeg) {
    if (lonDeg >= -180.0 && lonDeg < 180.0) {
        return lonDeg; // untouched: wrapping would cost precision
    }
    double wrapped = std::fmod(lonDeg + 180.0, 360.0);
    if (wrapped < 0) {
        wrapped += 360.0;
    }
    return wrapped - 180.0;
}

} // namespace skyloom::simworld
