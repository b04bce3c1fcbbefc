// The world's own earth model: a sphere of mean radius, great-circle distance and initial
// bearing, longitude wrapping. Kept apart from the program's geodesy on purpose, so that a
// fault there cannot cancel itself out in tests against the world.
#pragma once

namespace skyloom::simworld {

inline constexpr double kEarthRadiusNm = 6371008.8 / 1852.0;
inline constexpr double kMetresPerNm = 1852.0;

double gf_earthDistanceNm(double lat1Deg, double lon1Deg, double lat2Deg, double lon2Deg);
// Degrees true in [0, 360) from the first point toward the second.
double gf_earthBearingDeg(double lat1Deg, double lon1Deg, double lat2Deg, double lon2Deg);
// Into [-180, 180).
double gf_wrapLongitude(double lonDeg);

} // namespace skyloom::simworld
