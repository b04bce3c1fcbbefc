#include "traffic/ground/ground_roll.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "runtime/run_services.h"

#include "config/params_snapshot.h"

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "foundation/time_text.h"
#include "refdata/code_table.h"
#include "sim/sim_command_queue.h"
#include "traffic/decode/quarantine.h"
#include "traffic/decode/sample_checks.h"
#include "traffic/ground/ground_turns.h"
#include "traffic/ground/path_pace.h"
#include "traffic/ground/taxi_leg.h"
#include "traffic/ground/ground_motion_constants.h"
#include "traffic/ground/takeoff_rotation.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/motion_common.h"
#include "traffic/motion/motion_driver.h"
#include "traffic/motion/tick_motion.h"
#include "traffic/motion/track_steering.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/step/flight_texts.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

using namespace ground;

namespace {

constexpr double kDeg = geo::kDegreesPerRadian;

bool lf_isRotorcraft(const LiveAircraft& a) {
    return a.base.category == AircraftCategory::Rotorcraft;
}

double lf_highestVerticalSpeed(const LiveAircraft& a) {
    double most = -1e9;
    for (const TrafficSample& s : a.stream) {
        most = std::max(most, s.verticalSpeedFpm);
    }
    return most;
}

bool lf_allLaterAirborneAtLeast(const LiveAircraft& a, double speedKt, bool needAirborne) {
    if (a.stream.size() < 2) {
        return false;
    }
    for (std::size_t i = 1; i < a.stream.size(); ++i) {
        const TrafficSample& s = a.stream[i];
        if ((needAirborne && s.airborne == 0) || !(s.groundSpeedKt >= speedKt)) {
            return false;
        }
    }
    return true;
}

// The lift-off that climbs toward the next report's altitude over the step, and the one that
// climbs at the category's climb step.
constexpr std::uint8_t kReportedClimbLiftOff = 1;
constexpr std::uint8_t kClimbingLiftOff = 2;

bool lf_shortTakeoffRunway(const LiveAircraft& a) {
    return a.step.takeoffRunway.set != 0 && a.step.takeoffRunway.match.length <= kShortRunwayMetres;
}

// The step's ticks: its custom length, else until stream[1] is due (at least the shortest).
std::int32_t lf_stepTicks(const MotionContext& ctx) {
    const LiveAircraft& a = ctx.aircraft;
    if (a.step.customDurationSet != 0) {
        return std::max(1, a.step.customDuration);
    }
    const std::int32_t due = a.stream.size() > 1 ? a.stream[1].time - ctx.tick() : 0;
    return std::max(kShortestStepTicks, due);
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
        GroundState& g = a.step.ground;
        if (g.touchDownHeadingSet == 0) {
            // Without the heading of the touch-down the first ground step's heading stands
            // in for it.
            g.touchDownHeadingRad = a.sent.headingRad;
            g.touchDownHeadingSet = 1;
        }
        if (std::abs(gf_wrapAngle(a.sent.headingRad - g.touchDownHeadingRad)) * kDeg >=
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
    const double seconds = lf_stepTicks(ctx) / kTicksPerSecond;
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

// Before, such an aircraft stayed on the ground in its flight phase for good: it drove along
// its airborne reports, stood still whenever they paused and raced to the next one.
bool lf_isSetDownInFlight(const LiveAircraft& a) {
    return a.phase.phase == FlightPhase::flying && a.motion.onGround != 0 && a.stream.size() >= 2 &&
           a.stream[1].airborne != 0 && a.stream[1].stationary == 0;
}

// Before, a helicopter whose reports climbed away from its pad ran an aeroplane's take-off
// roll: N879MH at Las Vegas, reported airborne at 1,600 fpm and 57 kt from a heliport on the
// Strip, drove east on the ground at 108 kt for 150 s before it left it. A report that says
// airborne below the ground under the helicopter, level, is one of a pad the feed puts lower
// than the simulator's ground; the helicopter stays on it.
bool lf_isRotorcraftLiftingOff(const LiveAircraft& a) {
    const FlightPhase phase = a.phase.phase;
    if (!lf_isRotorcraft(a) || a.motion.onGround == 0 || a.stream.size() < 2 ||
        (phase != FlightPhase::taxi && phase != FlightPhase::takeoff_roll &&
         phase != FlightPhase::landing_roll)) {
        return false;
    }
    const TrafficSample& next = a.stream[1];
    return next.airborne != 0 && next.stationary == 0 &&
           (next.altitudeFt > a.sent.altitudeFt || next.verticalSpeedFpm > kClimbEvidenceFpm);
}

} // namespace

// The runway under the take-off roll: the one stored, else the one on whose centreline the
// aircraft rolls now, which is stored. Looked up until found, so that a roll that started off
// the centreline (or while the runways were not known) learns its runway once on it.
bool lf_knowTakeoffRunway(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    RunwayRecord& record = a.step.takeoffRunway;
    if (record.set != 0) {
        return true;
    }
    const RunwayMatch m =
        gf_findRunwayOnCentreline(ctx.world.runways, lf_position(a), a.sent.headingRad);
    if (m.valid == 0) {
        return false;
    }
    record.match = m;
    record.set = 1;
    return true;
}

// The reports say the aircraft flies: a sample in the air or a strong climb.
bool lf_reportsSayAirborne(const LiveAircraft& a) {
    return std::any_of(a.stream.begin(), a.stream.end(),
                       [](const TrafficSample& x) { return x.airborne != 0; }) ||
           lf_highestVerticalSpeed(a) > kStrongClimbFpm;
}

bool lf_startsAirLegOnGround(const LiveAircraft& a) {
    return lf_isSetDownInFlight(a) || lf_isRotorcraftLiftingOff(a);
}

void lf_failTakeoffRoll(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    QuarantineEntry& q = (*ctx.state.quarantine)[a.base.hexid];
    q = QuarantineEntry{a.sent.latitude, a.sent.longitude, a.lastSampleTime, 0,
                        QuarantineKind::failedDeparture};
    removeAircraftFromSim(ctx.state, a, "its take-off roll failed");
}

void lf_clearRollState(MotionContext& ctx) {
    ctx.aircraft.step.ground.roll = RollState{};
    ctx.aircraft.step.rollRunning = 0;
}

void lf_backToTaxi(MotionContext& ctx) {
    MotionStep& st = ctx.aircraft.step;
    st.rotationPending = 0;
    st.takeoffRunway = RunwayRecord{};
    st.behindSampleDropped = 0;
    lf_setPhase(ctx.state, ctx.aircraft, FlightPhase::taxi);
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
    const std::int32_t ticks = lf_stepTicks(ctx);
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

bool lf_decideLiftOff(MotionContext& ctx) {
    const std::uint8_t evidence = lf_takeoffEvidence(ctx);
    if (evidence == 0 || lf_takeoffDecision(ctx) == 0) {
        return false;
    }
    lf_liftOff(ctx, evidence);
    return true;
}

std::uint8_t lf_takeoffEvidence(const MotionContext& ctx) {
    const LiveAircraft& a = ctx.aircraft;
    const auto& s = a.stream;
    if (s.empty()) {
        return 0;
    }
    const bool allClimb = std::all_of(s.begin(), s.end(), [](const TrafficSample& x) {
        return x.verticalSpeedFpm > kClimbEvidenceFpm;
    });
    const bool laterAirborne =
        s.size() > 1 &&
        std::all_of(s.begin() + 1, s.end(), [](const TrafficSample& x) { return x.airborne != 0; });
    if (allClimb) {
        if (laterAirborne) {
            return 1;
        }
        if (s.back().airborne != 0) {
            return 2;
        }
    }
    const double v3 = lf_categorySpeedKts(a, 3);
    if (lf_allLaterAirborneAtLeast(a, v3, true) || lf_highestVerticalSpeed(a) > kStrongClimbFpm) {
        return 2;
    }
    if (lf_shortTakeoffRunway(a) && lf_allLaterAirborneAtLeast(a, v3, false)) {
        return 2;
    }
    return 0;
}

bool lf_isAlignedWithTakeoffRunway(const MotionContext& ctx, double maxBefore) {
    const LiveAircraft& a = ctx.aircraft;
    const RunwayRecord& r = a.step.takeoffRunway;
    const std::optional<double> along = lf_alongTakeoffRunway(ctx, lf_position(a));
    if (!along || *along < -maxBefore || *along > 10.0) {
        return false;
    }
    const double heading = r.match.directionHeadingDeg / kDeg;
    if (std::abs(gf_wrapAngle(a.sent.headingRad - heading)) * kDeg > 20.0) {
        return false;
    }
    const Lalo end{r.match.endAheadLatitude, r.match.endAheadLongitude};
    return std::abs(gf_distanceBearingMetres(end, heading, lf_position(a)).across) <= 15.0;
}

std::uint8_t lf_takeoffDecision(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    const auto& s = a.stream;
    const double v =
        a.step.presentSpeed > 0 ? a.step.presentSpeed : (s.empty() ? 0.0 : s[0].groundSpeedKt);
    const double v1 = lf_categorySpeedKts(a, 1);
    double v2 = lf_categorySpeedKts(a, 2);
    double v3 = lf_categorySpeedKts(a, 3);
    const bool strongClimb = lf_highestVerticalSpeed(a) > kStrongClimbFpm;
    // The first airborne sample from stream[0] on: during a step stream[0] is the step's target,
    // the first sample ahead; while the step is prepared it is the sample just reached, and
    // airborne there the aircraft is to fly where it stands.
    std::size_t k = 0;
    while (k < s.size() && s[k].airborne == 0) {
        ++k;
    }
    if (k < s.size()) {
        if (strongClimb) {
            v2 = std::max(1.0, v2 - 5.0);
            v3 = std::max(1.0, v3 - 5.0);
        }
        const double d = gf_distanceNM(lf_position(a), lf_lalo(s[k])) * geo::kMetresPerNM;
        const std::int32_t dueIn = s[k].time - ctx.tick();
        if (v >= v1 && d <= 600.0 && dueIn <= std::max(a.base.rotationTicks + 300, 1)) {
            return 1;
        }
        if (v >= v2 && d <= 1200.0 && dueIn <= 1500 && lf_isAlignedWithTakeoffRunway(ctx, 1200)) {
            return 2;
        }
        return v >= v3 && lf_isAlignedWithTakeoffRunway(ctx, 300) ? 3 : 0;
    }
    if (!strongClimb && !(lf_shortTakeoffRunway(a) && lf_allLaterAirborneAtLeast(a, v3, false))) {
        return 0;
    }
    if (v >= v2 && lf_isAlignedWithTakeoffRunway(ctx, 1200)) {
        return 2;
    }
    return v >= v3 && lf_isAlignedWithTakeoffRunway(ctx, 300) ? 3 : 0;
}

void lf_liftOff(MotionContext& ctx, std::uint8_t mode) {
    LiveAircraft& a = ctx.aircraft;
    a.step.rotationPending = 0;
    if (mode == 1 && a.stream.size() > 1) {
        const double ticks = lf_stepTicks(ctx);
        a.step.verticalStep =
            std::max(a.stream[1].altitudeFt - a.sent.altitudeFt, 0.1 * ticks) / ticks;
    } else {
        a.step.verticalStep = a.base.maxClimbStepFtPerTick;
    }
    lf_enterTakeoff(ctx, mode);
}

void lf_enterTakeoff(MotionContext& ctx, std::uint8_t mode) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    const bool touchAndGo = a.phase.phase == FlightPhase::landing_roll;
    st.takeoffClimbRateFpm = mode == 2 ? st.verticalStep * 6000.0 : 0.0;
    st.smoothedVerticalStep = 0.0;
    st.smoothingStarted = 0;
    st.climbOutMark1 = 0;
    st.climbOutMark2 = 0;
    const std::int32_t r = a.base.rotationTicks < 2 ? 1 : a.base.rotationTicks;
    st.pitchStep = (a.base.rotationPitchRad - a.sent.pitchRad) / r;
    a.motion.rotationCounter = r;
    a.sent.bankRad = 0.0;
    st.bankRate = 0.0;
    lf_setPhase(ctx.state, a, FlightPhase::takeoff);
    st.takeoffRunway = RunwayRecord{};
    lf_clearRollState(ctx);
    const Lalo here = lf_position(a);
    const IataCode from = gf_iataCodeAt(here, IataCode{});
    const std::optional<std::string> runway =
        gf_runwayNameAt(ctx.world.runways, here, a.sent.headingRad);
    const IataCode& to = a.base.destination;
    const std::string text =
        fmt::format("{} {} {} {} {} take off{}{}{} ...", gf_programTimeTextShort(), a.base.callsign,
                    a.base.registration, gf_airlineText(a.base.key.airline, a.base.key.operatorId),
                    gf_modelCode(a.base.key.model),
                    from.isSet() ? fmt::format(" from {}", from.text()) : std::string(),
                    runway ? fmt::format(" runway {}", *runway) : std::string(),
                    to.isSet() && !(to == from) ? fmt::format(" to {}", to.text()) : std::string());
    gf_flightMessage(text, *gf_paramsSnapshot(), ctx.state.services.window);
    st.groundPath = GroundPathFollow{};
    st.airLeg = CurvedAirLeg{};
    st.turnRate = 0.0;
    if (touchAndGo) {
        gf_setThrottle(ctx.state.commands, a, 4);
        gf_setSpoilers(ctx.state.commands, a, 1);
        gf_setFlaps(ctx.state.commands, a, 1);
    }
}

std::optional<double> lf_alongTakeoffRunway(const MotionContext& ctx, const Lalo& position) {
    const RunwayRecord& r = ctx.aircraft.step.takeoffRunway;
    const double heading = r.match.directionHeadingDeg / kDeg;
    if (r.set == 0 || !std::isfinite(position.lat) || !std::isfinite(position.lon) ||
        !gf_isHeading(heading)) {
        return std::nullopt;
    }
    const Lalo end{r.match.endAheadLatitude, r.match.endAheadLongitude};
    const double d = gf_distanceNM(end, position) * geo::kMetresPerNM;
    if (d <= 0.0) {
        return 0.0;
    }
    return std::cos(gf_bearing(end, position) - heading) * d;
}

bool lf_checkTakeoffRollEnd(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    if (!lf_knowTakeoffRunway(ctx)) {
        return false;
    }
    const auto& s = a.stream;
    const std::optional<double> along = lf_alongTakeoffRunway(ctx, lf_position(a));
    const std::optional<double> along1opt =
        s.size() > 1 ? lf_alongTakeoffRunway(ctx, lf_lalo(s[1])) : std::nullopt;
    const bool hasAlong1 = along1opt.has_value();
    const double a1 = along1opt.value_or(0.0);
    const bool anyAirborne =
        std::any_of(s.begin(), s.end(), [](const TrafficSample& x) { return x.airborne != 0; });
    const double highest = lf_highestVerticalSpeed(a);
    const double v = st.presentSpeed > 0 ? st.presentSpeed : s[0].groundSpeedKt;
    const double v1 = lf_categorySpeedKts(a, 1);
    const double v3 = lf_categorySpeedKts(a, 3);
    if (along && hasAlong1) {
        const ProfileWindow window{*along, a1, anyAirborne ? 1.0 : 0.0, highest, v, v3, 300.0};
        if (gf_checkProfileWindow(window) &&
            (lf_isAlignedWithTakeoffRunway(ctx, 300) || lf_isAlignedWithTakeoffRunway(ctx, 1200) ||
             (lf_isAlignedWithTakeoffRunway(ctx, st.takeoffRunway.match.length) && v >= v1))) {
            st.verticalStep = a.base.maxClimbStepFtPerTick;
            st.rotationPending = 0;
            lf_enterTakeoff(ctx, 2);
            return false;
        }
    }
    const bool nearEndSlow = v3 > v && along && *along >= -300.0 && *along <= 100.0 && hasAlong1;
    // A roll faster than any taxi is a take-off roll, whatever its reports say: gone back to
    // taxi at 190 kt, DAL2232 (its climb-out reported on the ground) ran on 611 m past the
    // runway's end, where nothing watches a taxi.
    if (!anyAirborne && highest <= kStrongClimbFpm && !nearEndSlow && (!hasAlong1 || a1 > -50) &&
        !(v > kEvidenceSpeedKt)) {
        lf_backToTaxi(ctx);
        return false;
    }
    // Reasons to go on rolling: evidence of a take-off, a slow aircraft near the end, or a
    // next sample further along the runway than the aircraft (the roll is under way).
    const bool goOn = anyAirborne || highest > kStrongClimbFpm || nearEndSlow ||
                      (along && hasAlong1 && a1 > *along);
    if (along && *along > kRollPastEndMetres) {
        return lf_endRollPastRunwayEnd(ctx);
    }
    if (!goOn) {
        lf_failTakeoffRoll(ctx);
        return true;
    }
    return false;
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
                             30.0, kCentrelineFactor};
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
