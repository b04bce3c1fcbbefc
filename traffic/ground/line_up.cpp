#include "traffic/ground/line_up.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/ground/ground_motion_constants.h"
#include "traffic/motion/motion_common.h"
#include "traffic/ground/runway_match.h"
#include "traffic/motion/tick_motion.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

using namespace ground;

namespace {

constexpr double kDeg = geo::kDegreesPerRadian;
constexpr double kProbeLateralMetres = 75.0;

struct RunwayProbe {
    RunwayMatch match;
    bool onRunway = false;
    bool nearEnd = false;
    std::string text;
    double headingRad = 0.0;
};

RunwayProbe lf_probe(const MotionContext& ctx, const Lalo& at, double heading) {
    RunwayProbe p;
    p.match = gf_findRunwayAt(ctx.world.runways, at, heading, false, kProbeLateralMetres);
    const RunwayMatch& m = p.match;
    p.onRunway = m.valid != 0 && std::abs(m.crossOffset) <= kOnRunwayCrossMetres &&
                 m.distanceFromStart >= -kBehindStartMetres && m.distanceFromStart <= m.startWindow;
    p.nearEnd = m.availableLength && m.distancePastThreshold &&
                *m.availableLength - *m.distancePastThreshold <= kRunwayEndMarginMetres;
    p.text = fmt::format("{}:{}", m.runwayName, m.endDesignator);
    p.headingRad = m.directionHeadingDeg / kDeg;
    return p;
}

bool lf_eligible(const LiveAircraft& a) {
    const FlightPhase phase = a.phase.phase;
    return a.motion.onGround != 0 &&
           (phase == FlightPhase::takeoff_roll ||
            (phase == FlightPhase::taxi && a.phase.previous != FlightPhase::landing_roll));
}

bool lf_departsFromParkAirport(const MotionContext& ctx) {
    const IataCode& park = ctx.world.parkAirport.iata;
    return park.isSet() && ctx.aircraft.base.origin == park;
}

void lf_clearCheck(MotionStep& st) {
    st.runwayStart.clear();
    st.runwayStartSet = 0;
    st.takeoffCheckPending = 0;
    st.ground.armedByStanding = 0;
}

void lf_clearLineUpMemory(GroundState& g) {
    g.lineUpRunway.clear();
    g.lineUpRunwaySet = 0;
    g.lineUpPositionSet = 0;
}

void lf_arm(MotionStep& st, const RunwayProbe& p) {
    st.runwayStart = p.text;
    st.runwayStartSet = 1;
    st.checkHeading = p.headingRad;
    st.takeoffCheckPending = 1;
}

// The still-standing tracker; true when the last 2 s window averaged at most 0.5 kt.
bool lf_standsStill(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    StillTracker& t = a.step.ground.still;
    const Lalo here = lf_position(a);
    if (a.motion.onGround == 0 || t.running == 0) {
        t = StillTracker{};
        t.running = a.motion.onGround;
        t.windowStartTick = ctx.tick();
        t.last = here;
        return false;
    }
    t.windowMetres += gf_distanceNM(t.last, here) * geo::kMetresPerNM;
    t.last = here;
    if (ctx.tick() - t.windowStartTick >= kStillWindowTicks) {
        t.lastMetres = t.windowMetres;
        t.lastSeconds = (ctx.tick() - t.windowStartTick) / kTicksPerSecond;
        t.hasResult = 1;
        t.windowStartTick = ctx.tick();
        t.windowMetres = 0.0;
    }
    // A window of no time has no speed: it does not count as standing.
    return t.hasResult != 0 && t.lastSeconds > 0 &&
           t.lastMetres / t.lastSeconds / geo::kMetresPerSecondPerKnot <= kStillKt;
}

} // namespace

bool lf_heldOnRunway(MotionContext& ctx, const std::string& runway, const Lalo& position) {
    GroundState& g = ctx.aircraft.step.ground;
    if (g.lineUpRunwaySet != 0 && g.lineUpRunway == runway && g.lineUpPositionSet != 0 &&
        gf_distanceNM(g.lineUpPosition, position) * geo::kMetresPerNM <= kSamePlaceMetres) {
        return ctx.tick() - g.lineUpSinceTick >= kHeldOnRunwayTicks;
    }
    g.lineUpRunway = runway;
    g.lineUpRunwaySet = 1;
    g.lineUpPosition = position;
    g.lineUpPositionSet = 1;
    g.lineUpSinceTick = ctx.tick();
    return false;
}

void lf_trackLineUp(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    GroundState& g = st.ground;
    const bool still = lf_standsStill(ctx);
    if (!lf_eligible(a)) {
        lf_clearCheck(st);
        lf_clearLineUpMemory(g);
        return;
    }
    const auto& s = a.stream;
    if (s.size() >= 2) {
        if (s[1].stationary == 0) {
            lf_clearLineUpMemory(g);
            return;
        }
        lf_checkRunwayEntry(ctx);
    } else {
        bool confirmed = false;
        if (still) {
            const Lalo here = lf_position(a);
            const RunwayProbe p = lf_probe(ctx, here, a.sent.headingRad);
            if (p.onRunway && !p.nearEnd && p.match.headingDifferenceDeg <= 90.0) {
                confirmed = (st.runwayStartSet != 0 && st.runwayStart == p.text) ||
                            lf_heldOnRunway(ctx, p.text, here);
                if (confirmed && p.match.headingDifferenceDeg >= kLinedUpDeg) {
                    lf_arm(st, p);
                    g.armedByStanding = 1;
                    st.behindSampleDropped = 0;
                    lf_clearLineUpMemory(g);
                }
            }
        }
        if (!confirmed && g.armedByStanding != 0) {
            lf_clearCheck(st);
            return;
        }
    }
    if (st.takeoffCheckPending != 0 && lf_eligible(a)) {
        a.base.workingHeadingRateRadPerTick = a.base.headingRateRadPerTick;
        lf_steerHeading(a, st.checkHeading, false);
    }
}

void lf_checkRunwayEntry(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    GroundState& g = st.ground;
    if (!lf_eligible(a)) {
        return;
    }
    const Lalo here = lf_position(a);
    const RunwayProbe p = lf_probe(ctx, here, a.sent.headingRad);
    if (!p.onRunway) {
        lf_clearCheck(st);
        g.lastRunwayEntered.clear();
        g.lastRunwayEnteredSet = 0;
        return;
    }
    const double diff = p.match.headingDifferenceDeg;
    if (p.nearEnd || diff > 90.0 || diff < kLinedUpDeg) {
        return;
    }
    // Entering: the turn onto the runway is a corner of 30 to 135 degrees and the aircraft
    // heads for a stop within 50 m; or it stands at the place remembered on this runway.
    const auto& s = a.stream;
    const bool toStop = s.size() >= 2 && s[1].stationary != 0 &&
                        gf_distanceNM(here, lf_lalo(s[1])) * geo::kMetresPerNM <= 50.0;
    const bool corner = diff >= 30.0 && diff <= 135.0 && toStop;
    if (corner || lf_heldOnRunway(ctx, p.text, here)) {
        lf_arm(st, p);
        g.lastRunwayEntered = p.text;
        g.lastRunwayEnteredSet = 1;
    }
}

void lf_checkTurnOntoRunway(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    if (st.groundPath.done == 0 || a.phase.phase != FlightPhase::taxi || !lf_eligible(a) ||
        !lf_departsFromParkAirport(ctx)) {
        return;
    }
    const RunwayProbe p = lf_probe(ctx, lf_position(a), a.sent.headingRad);
    if (!p.onRunway || p.nearEnd) {
        return;
    }
    const double t1 = gf_wrapAngle(st.targetHeading - a.sent.headingRad);
    const double t2 = gf_wrapAngle(p.headingRad - a.sent.headingRad);
    const double t3 = gf_wrapAngle(st.targetHeading - p.headingRad);
    const double least = kLinedUpDeg / kDeg;
    if (std::abs(t1) < least || std::abs(t2) < least || std::abs(t3) < least ||
        std::signbit(t1) != std::signbit(t2) || std::signbit(t2) != std::signbit(t3) ||
        std::abs(t1) + 0.5 / kDeg < std::abs(t3) + std::abs(t2)) {
        return;
    }
    lf_arm(st, p);
    st.behindSampleDropped = 0;
    st.ground.turnAngleDeg = p.match.headingDifferenceDeg;
    st.ground.turnInPlace = st.ground.turnAngleDeg > kLinedUpDeg ? 1 : 0;
}

bool lf_holdSampleOnRunway(MotionContext& ctx, const TrafficSample& sample) {
    LiveAircraft& a = ctx.aircraft;
    GroundState& g = a.step.ground;
    auto& s = a.stream;
    if (g.sampleHeld != 0) {
        if (sample.stationary != 0 && !s.empty() &&
            gf_distanceNM(lf_lalo(g.heldSample), lf_lalo(sample)) * geo::kMetresPerNM <= 1.0) {
            TrafficSample held = g.heldSample;
            held.time = std::max(held.time, s.back().time + 1);
            s.push_back(held);
        }
        g.sampleHeld = 0;
    }
    if (sample.stationary == 0 || s.size() < 2 || s.back().stationary != 0 ||
        a.phase.phase != FlightPhase::taxi || a.motion.onGround == 0 ||
        a.simState != SimState::active || !lf_departsFromParkAirport(ctx)) {
        return false;
    }
    const RunwayProbe p = lf_probe(ctx, lf_lalo(sample), a.sent.headingRad);
    const TrafficSample& last = s.back();
    const TrafficSample& before = s[s.size() - 2];
    const double legBearing = lf_lalo(before) == lf_lalo(last)
                                  ? a.sent.headingRad
                                  : gf_bearing(lf_lalo(before), lf_lalo(last));
    if (!p.onRunway || p.nearEnd || last.groundSpeedKt < 2.0 || last.groundSpeedKt > 35.0 ||
        std::abs(gf_wrapAngle(p.headingRad - legBearing)) * kDeg > 15.0) {
        return false;
    }
    g.heldSample = sample;
    g.sampleHeld = 1;
    return true;
}

void gf_trackLineUp(TrafficState& state, LiveAircraft& aircraft) {
    MotionContext ctx{state, aircraft, state.motionWorld};
    lf_trackLineUp(ctx);
}

} // namespace skyloom
