#include "traffic/ground/ground_step.h"

#include <algorithm>
#include <cmath>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_ids.h"
#include "traffic/ground/ground_roll.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/ground/ground_turns.h"
#include "traffic/ground/path_pace.h"
#include "traffic/ground/taxi_leg.h"
#include "traffic/ground/pushback.h"
#include "traffic/ground/line_up.h"
#include "traffic/ground/ground_motion_constants.h"
#include "traffic/motion/motion_common.h"
#include "traffic/motion/motion_driver.h"
#include "traffic/motion/step_timing.h"
#include "traffic/ground/runway_match.h"
#include "traffic/ground/takeoff_rotation.h"
#include "traffic/motion/tick_motion.h"
#include "traffic/stands/live_stands.h"
#include "traffic/stands/park_airport_services.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

using namespace ground;

namespace {

double lf_metres(const Lalo& a, const Lalo& b) {
    return gf_distanceNM(a, b) * geo::kMetresPerNM;
}

bool lf_hasPath(const LiveAircraft& a) {
    return a.step.groundPath.done == 0 && a.step.groundPath.path.length > 0;
}

void lf_endPushback(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    a.step.targetHeading = a.sent.headingRad;
    ctx.state.commands.push(SimCommand{a.objectId, EVENT_ENGINE_AUTO_START, 0});
    gf_setThrottle(ctx.state.commands, a, 0);
    gf_setFlaps(ctx.state.commands, a, 1);
    a.motion.landed = 0;
    lf_setPhase(ctx.state, a, FlightPhase::pushed_back);
    a.motion.rotationBudget = kPushedBackStepLimit;
    a.motion.extrapolationCounter = 0;
    a.sampleWatch.pushbackRequest = 0;
    a.motion.holdingSinceTick = ctx.tick();
    a.step.ground.speedMode = GroundSpeedMode::normal;
}

void lf_parkedStep(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    a.motion.earlyWindowTicks = kWideWindowTicks;
    a.motion.lateWindowTicks = kWideWindowTicks;
    // The departure marks of the new-sample checks: the reports have left the stand.
    if (a.sampleWatch.pushbackRequest != 0) {
        if (a.sampleWatch.noseOut != 0) {
            lf_pullOut(ctx);
        } else {
            initiatePushBack(ctx);
        }
        a.step.ground.speedMode = a.phase.phase == FlightPhase::pushing_back
                                      ? GroundSpeedMode::still
                                      : GroundSpeedMode::normal;
        return;
    }
    auto& s = a.stream;
    if (s.size() >= 2 && std::abs(s[0].latitude - s[1].latitude) < 1e-8 &&
        std::abs(s[0].longitude - s[1].longitude) < 1e-8) {
        s[1].stationary = 1;
    }
}

bool lf_slowingToPark(const MotionContext& ctx) {
    const LiveAircraft& a = ctx.aircraft;
    const FlightPhase prev = a.phase.previous;
    if (a.phase.phase != FlightPhase::taxi || prev == FlightPhase::pushed_back ||
        prev == FlightPhase::parked) {
        return false;
    }
    for (std::size_t i = 0; i + 1 < a.stream.size(); ++i) {
        if (!(a.stream[i].groundSpeedKt <= kSlowToParkKt)) {
            return false;
        }
    }
    return ctx.state.parkAirport.airportFileApplied();
}

// Step d: a corner at the next sample; true when a turn took over the step.
bool lf_turnAtCorner(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    auto& s = a.stream;
    if (s.size() >= 3 && s[2].stationary == 0) {
        return lf_handleGroundTurn(ctx);
    }
    if (s.size() < 3 || (s[0].turnHoldMark != 0 && s[1].turnHoldMark != 0)) {
        return false;
    }
    const double d =
        std::abs(gf_wrapAngle(gf_bearing(lf_position(a), lf_lalo(s[1])) - a.sent.headingRad)) *
        geo::kDegreesPerRadian;
    if (d <= kMidSampleTurnDeg) {
        return false;
    }
    const double f = std::clamp((d - kMidSampleTurnDeg) / 75.0, 0.0, 1.0);
    const double legNm = gf_distanceNM(lf_lalo(s[0]), lf_lalo(s[1]));
    if (legNm >= kMidSampleLegNm - f * f * kMidSampleLegCutNm) {
        lf_insertMidSample(a);
        return lf_handleGroundTurn(ctx);
    }
    return false;
}

void lf_setSpeedMode(LiveAircraft& a) {
    const auto& s = a.stream;
    GroundState& g = a.step.ground;
    g.speedMode = GroundSpeedMode::normal;
    const double g0 = s[0].groundSpeedKt;
    const double g1 = s[1].groundSpeedKt;
    if (s[1].stationary != 0 || !std::isfinite(g0) || !std::isfinite(g1)) {
        return;
    }
    const FlightPhase phase = a.phase.phase;
    if (phase == FlightPhase::parking) {
        if (g0 == 0 && g1 == 0) {
            g.speedMode = GroundSpeedMode::still;
        } else if (g0 > 2 && g1 == 0) {
            g.speedMode = GroundSpeedMode::toStop;
        }
    } else if (phase == FlightPhase::taxi || phase == FlightPhase::takeoff_roll) {
        if (g0 == 0 && g1 > 2) {
            g.speedMode = GroundSpeedMode::fromStandstill;
        } else if (g0 > 2 && (g1 == 0 || (g1 <= 2 && s.size() > 2 && s[2].stationary != 0))) {
            g.speedMode = GroundSpeedMode::toStop;
        }
    }
}

// Step 5 of the step length: a light aircraft that turns back on its runway taxies.
void lf_maybeBacktrack(MotionContext& ctx, double turnAngleDeg) {
    LiveAircraft& a = ctx.aircraft;
    const auto& s = a.stream;
    const GroundState& g = a.step.ground;
    if (a.phase.phase != FlightPhase::landing_roll || a.base.category != AircraftCategory::Light ||
        s[1].airborne != 0 || lf_hasPath(a) || a.motion.extrapolationCounter > 0 ||
        turnAngleDeg < kBacktrackTurnDeg ||
        g.touchDownHeadingSet == 0) {
        return;
    }
    const double speed =
        std::max({a.step.presentSpeed, s[0].groundSpeedKt, s[1].groundSpeedKt});
    if (!(speed >= 0 && speed <= kBacktrackSpeedKt)) {
        return;
    }
    const RunwayMatch here =
        gf_findRunwayAt(ctx.world.runways, lf_position(a), g.touchDownHeadingRad, false, 0.0);
    const RunwayMatch there =
        gf_findRunwayAt(ctx.world.runways, lf_lalo(s[1]), g.touchDownHeadingRad, false, 0.0);
    if (here.valid != 0 && there.valid != 0 && here.runwayName == there.runwayName &&
        here.endDesignator == there.endDesignator) {
        lf_endLandingRoll(ctx);
    }
}

// Without the airport's taxiways, a leg from a runway to a report off it that would cross the
// airport keeps to the runway up to abeam the report (or the runway's end) and leaves it there:
// a sample on the centreline, due as the leg's length along that path gives, at the report's
// speed and no faster than a taxi. Straight, UAL1090 (rolled out on 05R at Mexico City) drove
// diagonally across the infield to its next report at the end of 05L, up to 150 m off every
// centreline at up to 77 kt. A leg that leaves the runway sooner is a turn-off.
void lf_keepToTheRunway(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    auto& s = a.stream;
    const FlightPhase phase = a.phase.phase;
    if ((phase != FlightPhase::taxi && phase != FlightPhase::landing_roll) || s.size() < 2 ||
        s[1].stationary != 0 || s[1].airborne != 0) {
        return;
    }
    const Lalo here = lf_position(a);
    const RunwayMatch on = gf_findRunwayOnCentreline(ctx.world.runways, here, a.sent.headingRad);
    if (on.valid == 0) {
        return;
    }
    const double heading = on.directionHeadingDeg * geo::kRadiansPerDegree;
    const Lalo target = lf_lalo(s[1]);
    const DistanceBearing toTarget = gf_distanceBearingMetres(here, heading, target);
    const double toEnd =
        gf_distanceBearingMetres(here, heading, {on.endAheadLatitude, on.endAheadLongitude}).along;
    const double along = std::min(toTarget.along, toEnd);
    if (std::abs(toTarget.across) <= on.width / 2.0 + motion::kRunwayLateralMarginMetres ||
        !(along >= kLongestRunwayExitMetres)) {
        return;
    }
    TrafficSample exit = s[1];
    exit.dueTick = 0;
    const Lalo at = gf_destination(here, heading, along * kFeetPerMetre);
    exit.latitude = at.lat;
    exit.longitude = at.lon;
    exit.groundSpeedKt = std::min(s[1].groundSpeedKt, kOffRunwayMostKt);
    exit.trackDeg = on.directionHeadingDeg;
    exit.verticalSpeedFpm = 0.0;
    const double off = lf_metres(at, target);
    const auto from = static_cast<double>(ctx.tick());
    const double share = along / (along + off);
    exit.time =
        std::clamp(static_cast<std::int32_t>(std::lround(from + (s[1].time - from) * share)),
                   ctx.tick() + 1, std::max(ctx.tick() + 1, s[1].time - 1));
    s.insert(s.begin() + 1, exit);
}

} // namespace

double lf_turnDistanceMetres(double speedKt, double headingRate) noexcept {
    const double rate = lf_turnFactorBySpeed(speedKt) * headingRate * kTicksPerSecond;
    if (!std::isfinite(speedKt) || !(speedKt > 0) || !std::isfinite(rate) || !(rate > 0)) {
        return 0.0;
    }
    return speedKt * geo::kMetresPerSecondPerKnot / rate;
}

void nextPosGround(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    switch (a.phase.phase) {
    case FlightPhase::pushing_back:
        lf_endPushback(ctx);
        lf_timeGroundStep(ctx);
        return;
    case FlightPhase::parked:
        lf_parkedStep(ctx);
        lf_timeGroundStep(ctx);
        return;
    default:
        break;
    }
    lf_checkRunwayEntry(ctx);
    const bool slowing = lf_slowingToPark(ctx);
    auto& s = a.stream;
    GroundState& g = a.step.ground;
    if (s.size() >= 2 && s[1].stationary == 0 && a.motion.onGround != 0) {
        lf_keepToTheRunway(ctx);
        if (!lf_turnAtCorner(ctx)) {
            if (!(s.size() < 3 && a.motion.extrapolationCounter > 0)) {
                lf_maybeSplitLeg(ctx, slowing);
            }
        }
        if (!lf_hasPath(a)) {
            g.turnAngleDeg = std::abs(gf_wrapAngle(a.step.targetHeading - a.sent.headingRad)) *
                             geo::kDegreesPerRadian;
            g.turnInPlace = g.turnAngleDeg > kTurnInPlaceDeg ? 1 : 0;
            if (g.turnInPlace != 0) {
                lf_checkTurnOntoRunway(ctx);
            }
        }
    }
    if (slowing && !s.empty() && s.back().groundSpeedKt <= kParkAtRestKt) {
        try2Park(ctx.state, ctx.aircraft);
    }
    if (s.size() < 2) {
        return;
    }
    if (a.phase.phase == FlightPhase::taxi || a.phase.phase == FlightPhase::pushed_back ||
        (a.phase.phase == FlightPhase::landing_roll &&
         (!lf_rollsOutFromTouchDown(a) || a.base.category == AircraftCategory::Rotorcraft))) {
        // Across the airport off its runways a taxi goes no faster than a taxi goes; so too a
        // landing roll slowed to a taxi's speed, which catches up as a taxi does, and a
        // helicopter's, which has no roll: it sets down from its hover (N220SH, an EC30 at Las
        // Vegas whose reports hover-taxi at 46 kt, slid on from its set-down at 44 kt).
        a.step.groundMostKt =
            gf_fastestOnGroundKt(a.base.category, ctx.world.runways, lf_position(a), lf_lalo(s[1]));
    }
    lf_setSpeedMode(a);
    lf_timeGroundStep(ctx);
}

void lf_timeGroundStep(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    auto& s = a.stream;
    if (s.size() < 2) {
        return;
    }
    if (s[1].stationary != 0) {
        lf_retimeHover(ctx);
        return;
    }
    GroundState& g = a.step.ground;
    double m = lf_turnFactorBySpeed(s[0].groundSpeedKt) * a.base.headingRateRadPerTick;
    const bool path = lf_hasPath(a);
    const double dNm = path ? a.step.groundPath.path.length / geo::kMetresPerNM
                            : gf_distanceNM(lf_lalo(s[0]), lf_lalo(s[1]));
    const double v = lf_stepSpeedKts(a);
    // A step between two samples at one place (or a speed of 0) takes the shortest step
    // instead of a division by zero.
    const std::int32_t length =
        std::isfinite(dNm) && dNm > 0 && std::isfinite(v) && v > 0
            ? std::max<std::int32_t>(kShortestStepTicks,
                                     static_cast<std::int32_t>(std::lround(dNm * 360000.0 / v)))
            : kShortestStepTicks;
    const bool turning = path || g.turnInPlace != 0;
    const double angle = g.turnInPlace != 0 ? g.turnAngleDeg : g.pathTurnAngleDeg;
    if (turning && angle > 0 && m > 0) {
        const double turnTicks =
            std::max<double>(kShortestStepTicks, std::lround(angle * geo::kRadiansPerDegree / m));
        const double q = length / turnTicks;
        if (angle <= kGentleTurnDeg) {
            if (q >= 1.2) {
                double divisor = std::max(q, q * 10.0 / angle);
                const double dMetres = dNm * geo::kMetresPerNM;
                if (dMetres > 0) {
                    divisor = std::max(divisor, q * 30.0 / dMetres);
                }
                m /= divisor;
            } else if (q > 0) {
                m /= q;
            }
        } else {
            m *= std::clamp(1.0 / q, 1.0, std::max(angle, 90.0) / 30.0);
        }
    }
    a.base.workingHeadingRateRadPerTick = m;
    lf_maybeBacktrack(ctx, angle);
    if (a.phase.phase == FlightPhase::taxi && !path && a.motion.extrapolationCounter <= 0 && g.turnInPlace != 0 &&
        (angle >= kTurnFirstDeg || g.longTurn != 0) && m > 0) {
        const auto turnTicks = std::max<std::int32_t>(
            kShortestStepTicks,
            static_cast<std::int32_t>(
                std::ceil(std::max(angle - 5.0, 0.0) * geo::kRadiansPerDegree / m)));
        lf_retimeTarget(ctx, static_cast<std::uint32_t>(turnTicks + length));
        lf_turnOnTheSpotFirst(ctx, turnTicks);
        return;
    }
    lf_retimeTarget(ctx, static_cast<std::uint32_t>(length));
}

void lf_maybeSplitLeg(MotionContext& ctx, bool slowing) {
    LiveAircraft& a = ctx.aircraft;
    const auto& s = a.stream;
    const FlightPhase phase = a.phase.phase;
    if (s.size() < 2 || phase == FlightPhase::takeoff_roll || phase == FlightPhase::landing_roll) {
        return;
    }
    const double g0 = s[0].groundSpeedKt;
    const double g1 = s[1].groundSpeedKt;
    if (g0 == 0 && g1 == 0) {
        return;
    }
    double split = 0;
    if (slowing) {
        split = a.phase.previous == FlightPhase::landing_roll ? 40.0 : 50.0;
    } else {
        if (!(std::abs(g0 - g1) > kSplitSpeedChangeKt)) {
            return;
        }
        split = 60.0 + 60.0 * std::clamp(std::max(g0, g1) / 25.0, 0.0, 1.0);
    }
    if (lf_metres(lf_lalo(s[0]), lf_lalo(s[1])) >= split) {
        lf_insertMidSample(a);
    }
}

} // namespace skyloom
