#include "traffic/ground/ground_roll.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "sim/sim_command_queue.h"
#include "traffic/ground/ground_motion_constants.h"
#include "traffic/ground/ground_step.h"
#include "traffic/ground/ground_turns.h"
#include "traffic/ground/path_pace.h"
#include "traffic/ground/runway_match.h"
#include "traffic/ground/takeoff_decision.h"
#include "traffic/ground/takeoff_roll_end.h"
#include "traffic/ground/takeoff_rotation.h"
#include "traffic/ground/taxi_leg.h"
#include "traffic/ground/turn_path.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/motion_common.h"
#include "traffic/motion/speed_profile.h"
#include "traffic/motion/step_timing.h"
#include "traffic/motion/tick_motion.h"
#include "traffic/motion/track_steering.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

using namespace ground;

namespace {

constexpr double kDeg = geo::kDegreesPerRadian;

bool lf_isRotorcraft(const LiveAircraft& a) {
    return a.base.category == AircraftCategory::Rotorcraft;
}

void lf_rollCommands(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    const auto& s = a.stream;
    const double g0 = s[0].groundSpeedKt;
    const double g1 = s[1].groundSpeedKt;
    switch (a.phase.phase) {
    case FlightPhase::taxi:
        gf_setThrottle(ctx.state.commands, a, lf_isRotorcraft(a) ? 4 : 0);
        break;
    case FlightPhase::takeoff_roll: {
        std::int32_t throttle = 4;
        if (!lf_isRotorcraft(a) && g0 < 25 && g1 < 30) {
            throttle = g0 >= 20 || g1 >= 25 ? 2 : (g0 >= 15 || g1 >= 20 ? 1 : 0);
        }
        gf_setThrottle(ctx.state.commands, a, throttle);
        break;
    }
    case FlightPhase::landing_roll: {
        const MotionStep& st = a.step;
        GroundState& g = a.step.ground;
        if (g.touchDownHeadingSet == 0) {
            // Without the heading of the touch-down the first ground step's heading stands
            // in for it.
            g.touchDownHeadingRad = a.sent.headingRad;
            g.touchDownHeadingSet = 1;
        }
        // Slowed to a taxi's speed, a roll whose next report lies inside the turn its nose can
        // make at that speed turns off there as a taxi does (its nose first, on the spot where
        // it must), not as a roll whose nose lags its motion: rolled on toward a report on a
        // taxiway 93 degrees off its nose, AIJ2704 at Mexico City fell 75 m behind it and then
        // caught up at 61 kt off the runway.
        // A report along the runway, ahead or behind, is no turn-off.
        const Lalo here = lf_position(a);
        const double rollKt = std::max(st.presentSpeed, g0);
        const double toTarget = gf_bearing(here, lf_lalo(s[1]));
        const double metres = gf_distanceNM(here, lf_lalo(s[1])) * geo::kMetresPerNM;
        const double offNose = std::abs(gf_wrapAngle(toTarget - a.sent.headingRad));
        const double offRunway =
            metres * std::abs(std::sin(gf_wrapAngle(toTarget - g.touchDownHeadingRad)));
        const bool turnsOff =
            rollKt <= kTaxiTurnKt && offRunway > kCentrelinePullMetres &&
            metres < 2.0 * lf_turnDistanceMetres(rollKt, a.base.headingRateRadPerTick) *
                         std::sin(offNose);
        if (turnsOff || std::abs(gf_wrapAngle(a.sent.headingRad - g.touchDownHeadingRad)) * kDeg >=
                            kLandingRollTurnOffDeg) {
            lf_endLandingRoll(ctx);
        } else if (g0 <= 30) {
            gf_setFlaps(ctx.state.commands, a, 0);
        } else if (g0 <= 90) {
            gf_setSpoilers(ctx.state.commands, a, 0);
            if (a.base.category != AircraftCategory::Light) {
                ctx.state.commands.push(ReverseThrustCommand{a.objectId, 0, 0});
            }
            gf_setFlaps(ctx.state.commands, a, 1);
        }
        break;
    }
    default:
        break;
    }
}

// The direction the roll moves in: along its turn path where it follows one, else the
// runway's centreline once the roll keeps to it, else from where the step began to its end.
double lf_rollDirection(const MotionStep& st) {
    const GroundTurnPath& path = st.groundPath.path;
    if (st.groundPath.done == 0 && path.length > 0) {
        return gf_flatHeading(path.startTangentEast, path.startTangentNorth);
    }
    return st.centrelineSet != 0 ? st.centrelineHeading
                                 : gf_bearing(st.ground.roll.start, st.ground.roll.end);
}

// The ticks a take-off roll turns on the spot onto its direction first, as a taxi's turn does:
// from rest, and where it starts at a taxi's speed in a direction further off its nose than a
// roll steers into while it rolls. Rolling off at once, VIV511 at Los Angeles moved 31 degrees
// off its nose; WJA1401 at Las Vegas, turning onto 26R at 35 kt, 41 degrees.
std::int32_t lf_turnBeforeRollTicks(const LiveAircraft& a) {
    const MotionStep& st = a.step;
    if (a.phase.phase != FlightPhase::takeoff_roll) {
        return 0;
    }
    const double off = std::abs(gf_wrapAngle(lf_rollDirection(st) - a.sent.headingRad));
    const bool starting =
        st.rollRunning == 0 && st.presentSpeed <= kTaxiTurnKt && off > kRollSteeredDeg / kDeg;
    if (st.presentSpeed > kStillKt && !starting) {
        return 0;
    }
    const double rate = lf_turnFactorBySpeed(0.0) * a.base.headingRateRadPerTick;
    return off > kRollAlignedDeg / kDeg && rate > 0
               ? static_cast<std::int32_t>(std::ceil((off - kRollAlignedDeg / kDeg) / rate))
               : 0;
}

// The roll's speed profile over the step from the present speed to stream[1]'s.
void lf_startRollProfile(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    RollState& roll = st.ground.roll;
    const auto& s = a.stream;
    roll.start = lf_position(a);
    roll.end = lf_lalo(s[1]);
    st.centrelineSet = 0;
    lf_steerToCentreline(ctx);
    // The turn on the spot comes first, and the roll takes the time left until its target is
    // due, no less than it may: the target and those after it fall due later where they must.
    // Cut to the step's time, AAL9735 (B789) at Los Angeles rolled off onto 25R 38 degrees off
    // its nose.
    roll.turnTicks = lf_turnBeforeRollTicks(a);
    if (roll.turnTicks > 0) {
        lf_turnOnTheSpotFirst(ctx, roll.turnTicks);
    }
    const double seconds = lf_groundStepTicks(ctx) / kTicksPerSecond;
    const bool path = st.groundPath.done == 0 && st.groundPath.path.length > 0;
    const Lalo here = roll.start;
    const double metres =
        path ? st.groundPath.path.length : gf_distanceNM(here, lf_lalo(s[1])) * geo::kMetresPerNM;
    double startKt = st.presentSpeed > 0 ? st.presentSpeed : s[0].groundSpeedKt;
    if (st.rollRunning != 0 && roll.profile.valid != 0) {
        startKt = gf_speedProfileSpeedAt(roll.profile, roll.counter / kTicksPerSecond) /
                  geo::kMetresPerSecondPerKnot;
    }
    // No report makes the roll faster than the aircraft rolls at the most: N7814B, standing at
    // the threshold of 26R at Las Vegas, reported 520 kt 1.2 km on.
    const double mostKt = lf_groundStepMostKt(a);
    startKt = std::min(startKt, mostKt);
    const double endKt = std::min(s[1].groundSpeedKt, mostKt);
    double fastest = std::max(startKt, endKt);
    if (a.phase.phase == FlightPhase::takeoff_roll) {
        // The samples ahead still on the ground bound the speed the roll may reach.
        for (std::size_t i = 2; i < s.size() && s[i].airborne == 0; ++i) {
            fastest = std::max(fastest, s[i].groundSpeedKt);
        }
    }
    SpeedProfile profile;
    const double va = std::max(0.0, startKt) * geo::kMetresPerSecondPerKnot;
    const double vb = std::max(0.0, endKt) * geo::kMetresPerSecondPerKnot;
    const double vmax = std::min(fastest + 1.0, mostKt) * geo::kMetresPerSecondPerKnot;
    // Two samples at one place or a step of no time give no profile: the step's own
    // increments then carry the aircraft.
    if (!gf_fitSpeedProfile(profile, metres, seconds, va, vb, vmax)) {
        gf_buildSpeedProfile(profile, metres, seconds, va, vb);
    }
    roll.profile = profile;
    roll.counter = 0;
    st.rollRunning = profile.valid;
    if (profile.valid == 0) {
        roll.turnTicks = 0;
    }
}

} // namespace

std::int32_t lf_groundStepTicks(const MotionContext& ctx) {
    const LiveAircraft& a = ctx.aircraft;
    if (a.step.customDurationSet != 0) {
        return std::max(1, a.step.customDuration);
    }
    const std::int32_t due = a.stream.size() > 1 ? a.stream[1].time - ctx.tick() : 0;
    return std::max(kShortestStepTicks, due);
}

void lf_clearRollState(MotionContext& ctx) {
    ctx.aircraft.step.ground.roll = RollState{};
    ctx.aircraft.step.rollRunning = 0;
}

void lf_setupGroundStep(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    if (a.stream.size() < 2) {
        return;
    }
    lf_rollCommands(ctx);
    FlightPhase phase = a.phase.phase;
    if (lf_isSetDownInFlight(a)) {
        // Lifts off toward the airborne report, at least as steeply as a light aircraft climbs
        // away from a touch-and-go, whatever altitude the report gives for the ground.
        lf_liftOff(ctx, kReportedClimbLiftOff);
        return;
    }
    if (lf_isRotorcraftLiftingOff(a)) {
        // Straight up from where it stands, at the climb of its category.
        lf_liftOff(ctx, kClimbingLiftOff);
        return;
    }
    if (phase == FlightPhase::takeoff_roll && lf_checkTakeoffRollEnd(ctx)) {
        return;
    }
    phase = a.phase.phase;
    const bool roll = phase == FlightPhase::takeoff_roll || phase == FlightPhase::landing_roll;
    if (!roll) {
        a.motion.earlyWindowTicks = std::max(kWindowTicks, a.motion.earlyWindowTicks - 100);
        a.motion.lateWindowTicks = std::max(kWindowTicks, a.motion.lateWindowTicks - 100);
    }
    const std::int32_t ticks = lf_groundStepTicks(ctx);
    st.groundPath.fraction = 0.0;
    st.groundPath.increment = 1.0 / ticks;
    lf_paceThroughCorner(ctx, ticks);
    if (roll) {
        lf_startRollProfile(ctx);
    } else {
        lf_clearRollState(ctx);
        lf_paceWithinTheNose(ctx, ticks);
    }
    const double g1 = a.stream[1].groundSpeedKt;
    st.targetTrueAirspeed = phase == FlightPhase::pushing_back ? -g1 : g1;
    if (phase == FlightPhase::takeoff_roll && a.stream[0].groundSpeedKt >= kEvidenceSpeedKt) {
        const std::uint8_t evidence = lf_takeoffEvidence(ctx);
        if (a.stream[0].airborne != 0 && a.motion.onGround != 0) {
            // The report just reached (or the rotation point) says airborne: the aircraft
            // lifts off where it stands, whatever speed its roll made (a light aircraft lifts
            // off below its V1), climbing as its category climbs where nothing else says how.
            lf_liftOff(ctx, evidence != 0 ? evidence : kClimbingLiftOff);
        } else if (evidence == 0) {
            if (ctx.tick() - static_cast<std::int32_t>(a.phase.changeTick) >= kNoEvidenceTicks) {
                removeAircraftFromSim(ctx.state, a, "no sign of a take-off 120 s into its roll");
            }
        } else if (a.phase.phase == FlightPhase::takeoff_roll && a.motion.onGround != 0) {
            if (lf_takeoffDecision(ctx) == 0) {
                st.rotationPending = 1;
            } else {
                lf_liftOff(ctx, evidence);
            }
        }
    }
}

bool lf_moveRollOneTick(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    RollState& roll = st.ground.roll;
    if (roll.profile.valid == 0 || !(roll.profile.length > 0)) {
        return false;
    }
    // A take-off roll from rest turns onto its direction on the spot first.
    if (roll.turnTicks > 0) {
        --roll.turnTicks;
        const double off = gf_wrapAngle(lf_rollDirection(st) - a.sent.headingRad);
        const double most = lf_turnFactorBySpeed(0.0) * a.base.headingRateRadPerTick;
        a.sent.headingRad = gf_normaliseAngle(a.sent.headingRad + std::clamp(off, -most, most));
        st.presentSpeed = 0.0;
        return true;
    }
    const auto fractionAt = [&roll](double seconds) {
        return std::clamp(gf_speedProfileDistanceAt(roll.profile, seconds) / roll.profile.length,
                          0.0, 1.0);
    };
    const double before = fractionAt(roll.counter / kTicksPerSecond);
    ++roll.counter;
    const double t = roll.counter / kTicksPerSecond;
    const double f = fractionAt(t);
    const GroundPathFollow& g = st.groundPath;
    GroundPathPoint p;
    if (g.done == 0 && g.path.length > 0) {
        p = gf_groundPathPointAt(g.path, f);
    }
    // Where the profile puts the aircraft: along its turn path, else on the line between the
    // roll's ends. The aircraft goes there from where it is, no faster than it may catch up:
    // where the nose held it back (the per-tick motion moves it where its nose points), it
    // follows the roll from there instead of sliding across onto it.
    const double length =
        p.valid != 0 ? g.path.length : gf_distanceNM(roll.start, roll.end) * geo::kMetresPerNM;
    const Lalo due =
        p.valid != 0
            ? Lalo{p.latitude, p.longitude}
            : Lalo{roll.start.lat + (roll.end.lat - roll.start.lat) * f,
                   roll.start.lon + gf_longitudeDifference(roll.start.lon, roll.end.lon) * f};
    const Lalo here = lf_position(a);
    const double behind = gf_distanceNM(here, due) * geo::kMetresPerNM;
    const double most = kLateCatchUpPace * (f - before) * length;
    const double share = behind > most ? most / behind : 1.0;
    a.sent.latitude = here.lat + (due.lat - here.lat) * share;
    a.sent.longitude = here.lon + gf_longitudeDifference(here.lon, due.lon) * share;
    st.presentSpeed =
        std::min(gf_speedProfileSpeedAt(roll.profile, t) / geo::kMetresPerSecondPerKnot,
                 lf_groundStepMostKt(a));
    // Along a turn path (a line-up, a landing roll's turn-off) the nose points along the path,
    // as on a taxi's (the per-tick motion turns it there): steered to the step's direction,
    // N899DN's stayed on it while its roll turned off 30L at Minneapolis, 39 degrees off its
    // motion, and N7814B at Las Vegas rolled onto 26R 32 degrees off its nose.
    st.pathHeading = p.heading;
    st.pathHeadingSet = p.valid;
    if (p.valid == 0 && a.phase.phase != FlightPhase::pushing_back) {
        lf_steerHeading(a, st.centrelineSet != 0 ? st.centrelineHeading : st.targetHeading,
                        st.centrelineSet != 0);
    }
    return true;
}

void lf_endLandingRoll(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    gf_setFlaps(ctx.state.commands, a, 0);
    lf_setPhase(ctx.state, a, FlightPhase::taxi);
    a.motion.landed = 1;
    a.step.ground.touchDownHeadingSet = 0;
    gf_setThrottle(ctx.state.commands, a, lf_isRotorcraft(a) ? 4 : 0);
    gf_setSpoilers(ctx.state.commands, a, 0);
    if (a.base.category != AircraftCategory::Light) {
        ctx.state.commands.push(ReverseThrustCommand{a.objectId, 0, 0});
    }
    gf_setLights(ctx.state.commands, a.objectId, LightValues{1, 1, 0, 1, 0, 1, 1});
}

void lf_steerToCentreline(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    const FlightPhase phase = a.phase.phase;
    RunwayRecord* record = nullptr;
    double slowest = 0;
    if (phase == FlightPhase::takeoff_roll) {
        record = &st.takeoffRunway;
        slowest = 30.0;
    } else if (phase == FlightPhase::landing_roll) {
        record = &st.approachRunway;
        slowest = 45.0;
    } else {
        return;
    }
    if (record->set == 0) {
        const RunwayMatch m =
            gf_findRunwayOnCentreline(ctx.world.runways, lf_position(a), a.sent.headingRad);
        if (m.valid == 0) {
            return;
        }
        record->match = m;
        record->set = 1;
        if (phase == FlightPhase::landing_roll) {
            record->touchDownPoint = lf_position(a);
        }
    }
    const auto& s = a.stream;
    if (std::max({st.presentSpeed, s[0].groundSpeedKt, s[1].groundSpeedKt}) < slowest) {
        return;
    }
    // The centreline through the far end along the runway heading; the pull starts behind
    // the aircraft so that its target lies ahead.
    const double heading = record->match.directionHeadingDeg / kDeg;
    const Lalo end{record->match.endAheadLatitude, record->match.endAheadLongitude};
    const Lalo back = gf_destination(end, gf_normaliseAngle(heading + std::acos(-1.0)),
                                     (record->match.length + 2000.0) * kFeetPerMetre);
    TrackPullRequest request{back, st.ground.roll.end, heading, 20.0 / kDeg,
                             kCentrelinePullMetres, kCentrelineFactor};
    if (phase == FlightPhase::landing_roll) {
        // A landing roll this fast keeps to its runway whatever its next report says: a report
        // off the runway (a taxiway's, or a noisy one) is where the aircraft turns off at a
        // taxi's speed, after the roll. The target keeps no more of its offset than the pull
        // keeps of any report within reach of it. Rolling straight at such reports, AIJ2704 at
        // Mexico City crossed the edge of 05L at 178 kt toward one 104 m off its centreline,
        // and AAL566 at Los Angeles turned off 25L at 127 kt toward one 60 m off.
        request.maximumCross = std::numeric_limits<double>::max();
        const double across = std::abs(gf_pullTowardTrack(request).crossDistance);
        const double kept = kCentrelineFactor * kCentrelinePullMetres;
        if (across * kCentrelineFactor > kept) {
            request.factor = kept / across;
        }
    }
    const TrackPull pull = gf_pullTowardTrack(request);
    if (pull.moved == 0) {
        return;
    }
    st.ground.roll.end = pull.position;
    st.targetHeading = gf_bearing(lf_position(a), pull.position);
    st.centrelineHeading = heading;
    st.centrelineSet = 1;
}

} // namespace skyloom
