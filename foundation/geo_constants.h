// The figure of the earth that all geodesy works with, and the unit conversions that go with
// it. The earth is a sphere whose diameter is 6875.493541569878 NM (10800 / pi x 2), so that
// one nautical mile is one minute of arc.
#pragma once

#include <numbers>

namespace skyloom::geo {

inline constexpr double kEarthDiameterNM = 6875.493541569878;
inline constexpr double kEarthRadiusNM = kEarthDiameterNM / 2.0;

inline constexpr double kFeetPerNM = 6076.11549;
inline constexpr double kMetresPerNM = 1852.0;
inline constexpr double kFeetPerMetre = 3.2808399;
inline constexpr double kMetresPerSecondPerKnot = 0.5144444444444445;
inline constexpr double kKnotsPerMetrePerSecond = 1.9438444924406046;

// Angle on the sphere per foot of distance along a great circle: 1 / (radius x feet per NM).
inline constexpr double kRadiansPerFoot = 4.787404208238998e-08;

inline constexpr double kTwoPi = 2.0 * std::numbers::pi;
inline constexpr double kDegreesPerRadian = 57.29577951308232;
inline constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

// Flat approximation near one place: NM per degree of latitude (scale longitudes by the
// cosine of the latitude).
inline constexpr double kFlatNMPerDegree = 60.0;

// Positions with both coordinates closer than this to 0 are taken as "no position".
inline constexpr double kNullPositionDegrees = 0.0001;

} // namespace skyloom::geo
