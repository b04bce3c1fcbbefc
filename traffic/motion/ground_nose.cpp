#include "traffic/motion/ground_nose.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/ground/ground_motion_constants.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/motion_common.h"
#include "traffic/motion/motion_constants.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom {

namespace {

constexpr double kDeg = geo::kRadiansPerDegree;
// Below this motion in a tick (m) its direction means nothing.
constexpr double kLeastGroundMotionMetres = 0.001;

} // namespace

bool gf_moveWhereTheNosePoints(LiveAircraft& a, const Lalo& before, double headingBefore,
                               double mostTurnRad, bool rotating) {
    const double cosLat = std::cos(before.lat * kDeg);
    const FlatOffset moved =
        gf_flatOffsetMetres(before, lf_position(a), motion::kGroundFrameMetresPerDegree, cosLat);
    const double metres = std::hypot(moved.east, moved.north);
    const bool rotorcraft = a.base.category == AircraftCategory::Rotorcraft;
    if (!(metres > kLeastGroundMotionMetres) ||
        (rotorcraft && metres * kMotionTicksPerSecond * geo::kKnotsPerMetrePerSecond <=
                           motion::kHoverTaxiSidewaysMostKt)) {
        return false;
    }
    // Lifting off, a helicopter turns over its spot before it moves off (a pedal turn), as
    // far as a take-off roll from rest turns first.
    const bool hovering = rotorcraft && rotating;
    const double cone =
        (hovering ? ground::kRollAlignedDeg : motion::kGroundMotionOffNoseMostDeg) * kDeg;
    const double direction = gf_flatHeading(moved.east, moved.north);
    if (std::abs(gf_wrapAngle(direction - a.sent.headingRad)) <= cone) {
        return false;
    }
    if (!rotating || rotorcraft) {
        a.sent.headingRad =
            gf_normaliseAngle(headingBefore + std::clamp(gf_wrapAngle(direction - headingBefore),
                                                         -mostTurnRad, mostTurnRad));
    }
    const double off = gf_wrapAngle(direction - a.sent.headingRad);
    const double beyond = std::abs(off) - cone;
    if (beyond <= 0) {
        return false;
    }
    const double along =
        beyond < std::numbers::pi / 2 && !hovering ? metres * std::cos(beyond) : 0.0;
    const double heading = a.sent.headingRad + std::copysign(cone, off);
    const Lalo to = gf_flatPosition(before, {along * std::sin(heading), along * std::cos(heading)},
                                    motion::kGroundFrameMetresPerDegree, cosLat);
    a.sent.latitude = to.lat;
    a.sent.longitude = to.lon;
    return true;
}

} // namespace skyloom
