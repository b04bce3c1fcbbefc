#include "traffic/removals/user_collisions.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "refdata/code_table.h"
#include "refdata/dbase_lookups.h"
#include "runtime/user_aircraft.h"
#include "traffic/removals/air_conflict.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/step/traffic_exception.h"
#include "traffic/step/traffic_state.h"
#include "traffic/removals/user_ground_check.h"

namespace skyloom {

namespace {

constexpr double kRadPerDeg = std::numbers::pi / 180.0;
constexpr double kFeetPerNm = 6076.11549;
constexpr double kNmPerDegree = 60.0;
constexpr double kNmPerMetre = 0.0005399568034557236;
constexpr double kGroundTermSeconds = 0.75;
constexpr double kGroundTermMaxMetres = 15.0;
constexpr double kLowUserHeightFt = 4000.0;
constexpr double kLevelUserMaxFpm = 300.0;
constexpr double kLowUserMaxBankRad = 0.08726646259971647;
constexpr double kMidUserHeightFt = 7000.0;
constexpr double kMidUserMaxBankRad = 0.2617993877991494;
constexpr const char* kReferenceModel = "B738";

Lalo lf_position(const LiveAircraft& aircraft) {
    return {aircraft.sent.latitude, aircraft.sent.longitude};
}

bool lf_remove(TrafficState& state, LiveAircraft& aircraft, std::string_view caller,
               std::string_view reason) {
    try {
        removeAircraftFromSim(state, aircraft, reason);
    } catch (...) {
        gf_reportTrafficException(caller);
    }
    return true;
}

// The user's half span when the model reply gave one; else a B738's, and the largest of the
// dbase when even that is unknown (too wide keeps traffic clear, too narrow would not).
double lf_userSizeNm(TrafficState& state) {
    const double known = state.user.halfSpanNm.load();
    if (std::isfinite(known) && known > 0) {
        return known;
    }
    try {
        const double reference = gf_wingspan(gf_modelId(kReferenceModel));
        if (reference > 0) {
            return reference;
        }
    } catch (...) {
        gf_reportTrafficException("lf_userGroundCollisionTermNm");
    }
    return g_maxHalfWingSpan.load();
}

} // namespace

int lf_userAirCheckMode(const UserAircraftState& user) noexcept {
    const double height = user.altitudeAboveGround;
    const double bank = std::abs(user.bank);
    if (height <= kLowUserHeightFt && user.verticalSpeed <= kLevelUserMaxFpm &&
        bank <= kLowUserMaxBankRad) {
        return 2;
    }
    if (height <= kMidUserHeightFt && bank <= kMidUserMaxBankRad) {
        return 1;
    }
    return 0;
}

bool gf_isInUserCorridor(const UserAircraftState& user, const Lalo& at) {
    const double cosLat = std::cos(user.latitude * kRadPerDeg);
    const double dy = (at.lat - user.latitude) * kNmPerDegree;
    const double dx = gf_longitudeDifference(user.longitude, at.lon) * cosLat * kNmPerDegree;
    if (dx * dx + dy * dy > kUserCorridorReachNm * kUserCorridorReachNm ||
        user.altitudeAboveGround > kUserLowHeightFt) {
        return false;
    }
    const double d = gf_distanceNM(user.position(), at);
    const double x = gf_wrapAngle(gf_bearing(user.position(), at) - user.headingTrue);
    const double aheadFt = d * std::cos(x) * kFeetPerNm;
    const double asideFt = std::abs(d * std::sin(x)) * kFeetPerNm;
    return aheadFt > 0 && asideFt <= kUserCorridorHalfWidthFt;
}

bool checkUserAirGndCollision(TrafficState& state, LiveAircraft& aircraft,
                              const UserAircraftState& user) {
    if (!gf_isInUserCorridor(user, lf_position(aircraft))) {
        return false;
    }
    return lf_remove(state, aircraft, "checkUserAirGndCollision",
                     "in the user's way on the ground");
}

namespace {

// The predictor's verdict on an aircraft at `at` flying `trackDeg` at `altitudeFt`.
bool lf_airConflictWithUser(const UserAircraftState& user, double cosUserLat, const Lalo& at,
                            double trackDeg, double altitudeFt) {
    AirConflictRequest request;
    request.mode = lf_userAirCheckMode(user);
    request.user = user.position();
    request.aircraft = at;
    request.cosUserLat = cosUserLat;
    request.userTrack = user.gpsGroundTrueTrack * kRadPerDeg;
    request.aircraftTrack = trackDeg * kRadPerDeg;
    request.userAltitudeFt = user.altitude;
    request.aircraftAltitudeFt = altitudeFt;
    return gf_predictAirConflict(request).conflict != 0;
}

} // namespace

bool checkUserAirCollision(TrafficState& state, LiveAircraft& aircraft, double cosUserLat,
                           const UserAircraftState& user) {
    if (!lf_airConflictWithUser(user, cosUserLat, lf_position(aircraft),
                                aircraft.stream.front().trackDeg, aircraft.sent.altitudeFt)) {
        return false;
    }
    return lf_remove(state, aircraft, "checkUserAirCollision", "on a collision course with the user");
}

bool lf_spawnSampleHitsUserOnGround(TrafficState& state, const LiveAircraft& aircraft,
                                    const TrafficSample& sample) {
    const GroundCheckAircraft one{{sample.latitude, sample.longitude},
                                  aircraft.base.conflictRadiusNm, true, true};
    return gf_checkUserAcGndCollisions(state.user.state().position(),
                                       lf_userGroundCollisionTermNm(state), {&one, 1}, {})
        .has_value();
}

bool lf_spawnSampleHitsUserInAir(TrafficState& state, const TrafficSample& sample) {
    const UserAircraftState user = state.user.state();
    return lf_airConflictWithUser(user, std::cos(user.latitude * kRadPerDeg),
                                  {sample.latitude, sample.longitude}, sample.trackDeg,
                                  sample.altitudeFt);
}

void gf_checkUserCollisions(TrafficState& state) {
    const UserAircraftState user = state.user.state();
    const bool low = user.altitudeAboveGround <= kUserLowHeightFt;
    // A user standing on the ground has no airspace to keep clear: predicting air conflicts
    // from its parked heading would take every arrival over it out of the sky before the
    // threshold. Traffic that has landed still meets the ground check.
    const bool aboveGround = lf_userAboveGround(state);
    const double cosUserLat = std::cos(user.latitude * kRadPerDeg);
    for (LiveAircraft& aircraft : state.liveAircraft) {
        if (aircraft.simState != SimState::active) {
            continue;
        }
        bool removed = false;
        if (low && aircraft.motion.onGround != 0) {
            removed = checkUserAirGndCollision(state, aircraft, user);
        } else if (aboveGround && !aircraft.stream.empty()) {
            removed = checkUserAirCollision(state, aircraft, cosUserLat, user);
        }
        if (removed) {
            return;
        }
    }
}

double lf_userGroundCollisionTermNm(TrafficState& state) {
    const double size = lf_userSizeNm(state);
    double speedMetres = 0;
    const double v = state.user.state().groundVelocity;
    if (std::isfinite(v) && v > 0) {
        speedMetres =
            std::min(v * geo::kMetresPerSecondPerKnot * kGroundTermSeconds, kGroundTermMaxMetres);
    }
    return size + speedMetres * kNmPerMetre;
}

bool lf_userAboveGround(const TrafficState& state) {
    if (!state.user.onGround.load()) {
        return true;
    }
    const double height = state.user.state().altitudeAboveGround;
    return std::isfinite(height) && height > kUserLowHeightFt;
}

} // namespace skyloom
