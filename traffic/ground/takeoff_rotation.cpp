#include "traffic/ground/takeoff_rotation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/ground/takeoff_decision.h"
#include "traffic/ground/takeoff_roll_end.h"
#include "traffic/ground/ground_motion_constants.h"
#include "traffic/ground/runway_match.h"
#include "traffic/motion/motion_common.h"
#include "traffic/motion/motion_driver.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

using namespace ground;

namespace {

// A rotation point this close before the report is none: the roll's own lift-off decision
// takes the aircraft off there.
constexpr double kRotationBeforeReportMetres = 50.0;

} // namespace

double gf_rotationSpeedKt(AircraftCategory category) noexcept {
    switch (category) {
    case AircraftCategory::Light:
    case AircraftCategory::Rotorcraft:
        return 90.0;
    case AircraftCategory::TwoProps:
        return 120.0;
    case AircraftCategory::Bizjet:
        return 140.0;
    case AircraftCategory::HighPerf:
        return 210.0;
    case AircraftCategory::Large:
    case AircraftCategory::Heavy:
    default:
        return 165.0;
    }
}

double gf_fastestOnGroundKt(AircraftCategory category) noexcept {
    return gf_rotationSpeedKt(category) * kRotationGroundSpeedMargin;
}

double gf_fastestOnGroundKt(AircraftCategory category, std::span<const FacilityRunway> runways,
                            const Lalo& from, const Lalo& to) {
    const double mostKt = gf_fastestOnGroundKt(category);
    if (!gf_isNearAirport(runways, from) || !gf_isNearAirport(runways, to)) {
        return mostKt;
    }
    const RunwayMatch a = gf_findRunwayUnder(runways, from);
    const RunwayMatch b = gf_findRunwayUnder(runways, to);
    return a.valid != 0 && b.valid != 0 && a.runwayName == b.runwayName
               ? mostKt
               : std::min(mostKt, kOffRunwayMostKt);
}

double lf_groundStepMostKt(const LiveAircraft& a) noexcept {
    const double mostKt = gf_fastestOnGroundKt(a.base.category);
    const double stepKt = a.step.groundMostKt;
    return stepKt > 0 && stepKt < mostKt ? stepKt : mostKt;
}

// A roll more than kRollPastEndMetres past its runway's far end goes no further: the aircraft
// lifts off when its reports say it flies, else its take-off failed. True when it was removed.
bool lf_endRollPastRunwayEnd(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    if (lf_reportsSayAirborne(a)) {
        a.step.verticalStep = a.base.maxClimbStepFtPerTick;
        a.step.rotationPending = 0;
        lf_enterTakeoff(ctx, 2);
        return false;
    }
    lf_failTakeoffRoll(ctx);
    return true;
}

bool lf_checkRollPastRunwayEnd(MotionContext& ctx) {
    if (!lf_knowTakeoffRunway(ctx)) {
        return false;
    }
    const LiveAircraft& a = ctx.aircraft;
    const std::optional<double> along = lf_alongTakeoffRunway(ctx, lf_position(a));
    if (!along) {
        return false;
    }
    // An aircraft whose reports say it flies rotates before that, so that its wheels leave the
    // ground by then: the rotation takes its ticks at the roll's speed (where the check came
    // at 100 m, AMX222 left the ground 226 m past the end of 05L at Mexico City).
    const double metresPerTick =
        std::max(0.0, a.step.presentSpeed) * geo::kMetresPerSecondPerKnot / kTicksPerSecond;
    const double rotating = lf_reportsSayAirborne(a) ? metresPerTick * a.base.rotationTicks : 0.0;
    // The roll ends before the tick that would take it past the mark, not after it: at 198 kt
    // a tick is a metre.
    return *along + metresPerTick > kRollPastEndMetres - rotating && lf_endRollPastRunwayEnd(ctx);
}

bool lf_insertRotationPoint(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    auto& s = a.stream;
    if (a.phase.phase != FlightPhase::takeoff_roll || a.motion.onGround == 0 || s.size() < 2 ||
        a.motion.extrapolationCounter > 0 || s[0].airborne != 0 || s[1].airborne == 0 ||
        s[1].stationary != 0) {
        return false;
    }
    const double startKt = a.step.presentSpeed > 0 ? a.step.presentSpeed : s[0].groundSpeedKt;
    const double startMps = std::max(0.0, startKt) * geo::kMetresPerSecondPerKnot;
    const double rotationMps = gf_rotationSpeedKt(a.base.category) * geo::kMetresPerSecondPerKnot;
    if (!std::isfinite(startMps) || startMps >= rotationMps) {
        return false; // fast enough: the roll's lift-off decision takes it off
    }
    double metres =
        (rotationMps * rotationMps - startMps * startMps) / (2.0 * kTakeoffAccelerationMps2);
    const Lalo here = lf_position(a);
    // The wheels leave the ground by the runway's end: the rotation takes its ticks.
    if (const std::optional<double> along = lf_alongTakeoffRunway(ctx, here)) {
        const double rotating = rotationMps * a.base.rotationTicks / kTicksPerSecond;
        metres = std::min(metres, -*along - rotating);
    }
    const Lalo report = lf_lalo(s[1]);
    const double toReport = gf_distanceNM(here, report) * geo::kMetresPerNM;
    if (!(metres > 0) || !(metres < toReport - kRotationBeforeReportMetres)) {
        return false;
    }
    const double reachedMps =
        std::sqrt(startMps * startMps + 2.0 * kTakeoffAccelerationMps2 * metres);
    const double seconds = 2.0 * metres / (startMps + reachedMps);
    const double bearing = gf_bearing(here, report);
    TrafficSample point = s[0];
    point.dueTick = 0;
    const Lalo at = gf_destination(here, bearing, metres * kFeetPerMetre);
    point.latitude = at.lat;
    point.longitude = at.lon;
    point.groundSpeedKt = reachedMps / geo::kMetresPerSecondPerKnot;
    point.trueAirspeedKt = point.groundSpeedKt;
    point.trackDeg = gf_normaliseAngle(bearing) * geo::kDegreesPerRadian;
    point.verticalSpeedFpm = 0.0;
    point.airborne = 1;
    point.stationary = 0;
    point.reportTime = std::numeric_limits<double>::quiet_NaN(); // no report put it there
    point.time = ctx.tick() + std::max(kShortestStepTicks,
                                       static_cast<std::int32_t>(std::lround(seconds * 100.0)));
    s.insert(s.begin() + 1, point);
    if (const std::int32_t later = point.time + 1 - s[2].time; later > 0) {
        lf_delaySamplesFrom(s, 2, later);
    }
    return true;
}

} // namespace skyloom
