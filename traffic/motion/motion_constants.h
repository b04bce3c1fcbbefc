// The constants of the live traffic's motion numerics in one place: unit factors, the figure
// of each local flat frame, the limits of ground turn paths and the runway search, with their
// units in their names.
#pragma once

#include <array>
#include <cstddef>

#include "refdata/aircraft_category.h"

namespace skyloom::motion {

// Units (lengths and speeds in foundation/geo_constants.h).
inline constexpr double kGravityMetresPerSecond2 = 9.80665;

// Local flat frames. Ground turn paths use the mean length of a degree of latitude; the curved
// air leg a degree of the equator; the runway search a sphere.
inline constexpr double kGroundFrameMetresPerDegree = 111132.95;
inline constexpr double kCurveFrameMetresPerDegree = 111319.49;
inline constexpr double kRunwayFrameEarthRadiusMetres = 6.371e6;

// Ground turn paths: fixed bounds, and the defaults of the limits a request may set.
inline constexpr std::size_t kGroundPathSteps = 128;
inline constexpr double kGroundPathMinimumLegMetres = 2.0;
inline constexpr double kGroundPathMaximumLegMetres = 250.0;
inline constexpr double kGroundPathSmallestTurnDeg = 3.0;
inline constexpr double kGroundPathLargestTurnDeg = 165.0;
inline constexpr double kGroundPathPlainChangeDeg = 5.0;
inline constexpr double kGroundPathCorrectiveMismatchDeg = 20.0;
inline constexpr double kGroundPathMismatchFloorDeg = 70.0;
inline constexpr double kGroundPathLargestChangeDeg = 175.0;
inline constexpr double kGroundPathSmallestCorrectionDeg = 10.0;
inline constexpr double kGroundPathCorrectiveTurnDeg = 60.0;
inline constexpr double kGroundPathCounterTurnDeg = 0.5;
inline constexpr double kGroundPathOvershootDeg = 25.0;
inline constexpr double kGroundPathWanderDeg = 50.0;
inline constexpr double kGroundPathLengthFactor = 1.6;
inline constexpr double kDefaultMinimumLegMetres = 15.0;
inline constexpr double kDefaultMinimumTotalMetres = 50.0;
inline constexpr double kDefaultMaximumHeadingChangeDeg = 60.0;
inline constexpr double kDefaultMaximumStartMismatchDeg = 60.0;
inline constexpr double kDefaultCornerDistanceFactor = 0.35;
inline constexpr double kDefaultMaximumCurvatureDegPerMetre = 3.0;
inline constexpr double kDefaultStartTangentFactor = 2.0;

// Runway search.
inline constexpr double kRunwayLateralMarginMetres = 30.0;
inline constexpr double kRunwayAlongMarginMetres = 700.0;
// A runway's surface reaches this far beyond its ends (as far as a take-off roll may run).
inline constexpr double kRunwaySurfaceEndMarginMetres = 100.0;
inline constexpr double kRunwayStartWindowFraction = 0.4;
inline constexpr double kRunwayStartWindowMetres = 1200.0;
inline constexpr double kRunwayMinimumLateralLimitMetres = 75.0;
inline constexpr double kRunwayHeadingToleranceDeg = 20.0;
inline constexpr double kRunwayCentrelineOffsetMetres = 15.0;
inline constexpr double kRunwayClearLeadScore = 20.0;
inline constexpr double kRunwayNameLeadScore = 10.0;
inline constexpr double kRunwayNearAirportMarginMetres = 1500.0;
inline constexpr double kRunwayMaximumLengthMetres = 10000.0;
inline constexpr double kRunwayMaximumWidthMetres = 500.0;

// Turns a category flies (reports that lie behind, traffic/motion/turn_reach.h): the steepest
// bank of a coordinated turn and the fastest turn at any speed, by category (Light, TwoProps,
// Bizjet, Large, Heavy, HighPerf, Rotorcraft). Below the slowest speed the ceiling holds.
struct CategoryTurnLimit {
    double steepestBankDeg;
    double ceilingDegPerSecond;
};
inline constexpr std::array<CategoryTurnLimit, kAircraftCategoryCount> kCategoryTurnLimits{{
    {70.0, 40.0},
    {60.0, 30.0},
    {45.0, 15.0},
    {35.0, 10.0},
    {35.0, 10.0},
    {80.0, 45.0},
    {70.0, 40.0},
}};
inline constexpr double kTurnLimitSlowestKt = 30.0;
// A reported position is reached by turning at a speed of at most this factor times the
// faster of the two reported speeds, plus the feed's rounding of both positions (some 10 m
// each) over the time between them.
inline constexpr double kReachSpeedFactor = 1.5;
inline constexpr double kReachRoundingMetres = 20.0;

// The vertical rates a category flies (the vertical path, traffic/motion/cruise_vertical.h): a
// path at angle a to the horizontal climbs or descends at the speed times sin a. The steepest
// path angle by category (Light, TwoProps, Bizjet, Large, Heavy, HighPerf, Rotorcraft): light
// aircraft and turboprops dive or climb at some 30 degrees at most, jets that fly parabolas pull
// up to 47 to 50 degrees (the airliners of zero-gravity flights), a fighter or a helicopter goes
// straight up or down. At any speed every category may climb or descend at the floor.
inline constexpr std::array<double, kAircraftCategoryCount> kSteepestPathDeg{30.0, 30.0, 45.0, 50.0,
                                                                             50.0, 90.0, 90.0};
inline constexpr double kVerticalRateFloorFpm = 3000.0;
inline constexpr double kFpmPerKnot = 6076.11549 / 60.0;
// In flight the vertical step of a tick moves toward the step's by at most this much a tick
// (600 fpm a second).
inline constexpr double kVerticalEasingFtPerTick = 0.001;

// The nose around the touch-down: the flare raises it (a rotorcraft's levels it for the set
// down), the settling after the touch-down lets it down onto the wheels, at most 1.5 degrees
// a second (a tick is 10 ms); the settling at least half a degree a second.
inline constexpr double kTouchDownPitchMostDegPerTick = 0.015;
inline constexpr double kSettlingPitchLeastDegPerTick = 0.005;

// On the ground the motion of a tick lies at most this far off the nose (a turn path is walked
// within as much of it, traffic/ground/path_pace.cpp); a helicopter hover-taxies sideways or
// backwards no faster than a brisk walk (the FAA's Helicopter Flying Handbook, FAA-H-8083-21,
// "Hovering Flight": sideward and rearward at no more than a brisk walk, some 2 m/s).
inline constexpr double kGroundMotionOffNoseMostDeg = 15.0;
inline constexpr double kHoverTaxiSidewaysMostKt = 4.0;

// Runway list checks.
inline constexpr double kRunwayAltitudeWarningFt = 100.0;
inline constexpr double kRunwayEndBearingToleranceDeg = 0.1;
inline constexpr double kRunwayCentreReachNM = 10.0;

} // namespace skyloom::motion
