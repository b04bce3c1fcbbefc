#include "traffic/removals/air_conflict.h"

#include <algorithm>
#include <cmath>

#include "foundation/geo_constants.h"
#include "traffic/motion/flat_earth.h"

namespace skyloom {

namespace {

constexpr double kReachNM = 4.0;
constexpr double kHeightReachFt = 1000.0;
constexpr double kCloseNM = 0.6;
constexpr double kCloseHeightFt = 300.0;
constexpr double kAbeamNM = 0.05;
constexpr double kSimilarTrackDeg = 25.0;
constexpr double kSimilarCrossFt = 700.0;
constexpr double kSameTrackDeg = 20.0;
constexpr double kLookNM = 1.8;
constexpr double kNearCrossFt = 900.0;
constexpr double kFarCrossExtraFt = 1900.0;

} // namespace

AirConflict gf_predictAirConflict(const AirConflictRequest& r) noexcept {
    AirConflict c;
    const double dy = (r.aircraft.lat - r.user.lat) * geo::kFlatNMPerDegree;
    const double dx =
        gf_longitudeDifference(r.user.lon, r.aircraft.lon) * geo::kFlatNMPerDegree * r.cosUserLat;
    const double d = std::hypot(dx, dy);
    c.distanceNM = d;
    if (!(d <= kReachNM)) {
        c.clearReason = 1;
        return c;
    }
    c.heightDifferenceFt = r.aircraftAltitudeFt - r.userAltitudeFt;
    if (!(std::abs(c.heightDifferenceFt) <= kHeightReachFt)) {
        c.clearReason = 2;
        return c;
    }
    // The flat bearing from the user to the aircraft, in the frame of the distance above.
    const double angle = gf_wrapAngle(r.userTrack - std::atan2(dx, dy));
    c.alongNM = d * std::cos(angle);
    c.crossFt = std::abs(std::sin(angle)) * d * geo::kFeetPerNM;
    c.trackDifferenceDeg =
        std::abs(gf_wrapAngle(r.userTrack - r.aircraftTrack)) * geo::kDegreesPerRadian;
    if (d <= kCloseNM && std::abs(c.heightDifferenceFt) <= kCloseHeightFt && c.alongNM > kAbeamNM) {
        c.conflict = 1;
        return c;
    }
    if (r.mode == 0) {
        return c;
    }
    if (r.mode == 1) {
        if (c.alongNM <= kAbeamNM) {
            c.clearReason = 5;
        } else if (c.alongNM > kCloseNM) {
            c.clearReason = 6;
        } else if (c.trackDifferenceDeg > kSimilarTrackDeg) {
            c.clearReason = 3;
        } else {
            c.crossLimitFt = kSimilarCrossFt;
            if (c.crossFt <= c.crossLimitFt) {
                c.conflict = 4;
            } else {
                c.clearReason = 7;
            }
        }
        return c;
    }
    if (c.trackDifferenceDeg > kSameTrackDeg) {
        c.clearReason = 3;
    } else if (c.alongNM < -kAbeamNM) {
        c.crossLimitFt = kNearCrossFt;
        if (-c.alongNM > kLookNM || c.crossFt > c.crossLimitFt) {
            c.clearReason = 4;
        } else {
            c.conflict = 2;
        }
    } else if (c.alongNM <= kAbeamNM) {
        c.clearReason = 5;
    } else if (c.alongNM > kLookNM) {
        c.clearReason = 6;
    } else {
        c.crossLimitFt = kNearCrossFt + kFarCrossExtraFt * std::clamp(d / kReachNM, 0.0, 1.0);
        if (c.crossFt <= c.crossLimitFt) {
            c.conflict = 3;
        } else {
            c.clearReason = 7;
        }
    }
    return c;
}

} // namespace skyloom
