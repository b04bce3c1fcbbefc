#include "traffic/motion/tick_motion.h"

#include "traffic/ground/ground_roll.h"
#include "traffic/ground/takeoff_decision.h"
#include "traffic/ground/runway_match.h"
#include "traffic/ground/takeoff_rotation.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include <fmt/format.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "traffic/decode/sample_checks.h"
#include "traffic/motion/air_leg.h"
#include "traffic/motion/air_step.h"
#include "traffic/motion/cruise_vertical.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/ground_nose.h"
#include "traffic/motion/kinematics.h"
#include "traffic/motion/motion_common.h"
#include "traffic/motion/motion_constants.h"
#include "traffic/motion/motion_driver.h"
#include "traffic/motion/touch_down.h"
#include "traffic/motion/turn_reach.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

constexpr double kDeg = geo::kRadiansPerDegree;
// A heading change above this in one tick is taken for a fault and not applied.
constexpr double kLargestTurnPerTickRad = 0.06283185307179587;
constexpr double kFinestTurnRad = 0.00034906585039886593;
constexpr double kFineTurnEaseRad = 6.981317007977318e-6;
constexpr double kFlarePitchRad = -0.06981317007977318; // 4 degrees nose up
constexpr double kFlarePitchMostRadPerTick =
    motion::kTouchDownPitchMostDegPerTick * geo::kRadiansPerDegree;
constexpr double kFpmPerFtPerTick = 6000.0;
constexpr double kSmoothingFtPerTick = motion::kVerticalEasingFtPerTick;
// In flight the centre of gravity stays this high above the simulator's ground at least.
constexpr double kGroundClearanceFt = 5.0;
constexpr double kGroundHeadingRateFactor = 1.2;
constexpr double kLastCurveFraction = 0.999999;
// A flare begins no farther than this before the runway's threshold (m): on a 3 degree path
// the flare's 30 ft lie some 175 m before a touch-down 300 m past it.
constexpr double kFlareBeforeThresholdMetres = 150.0;
// The approach path a landing keeps to short of its runway's touch-down zone: 3 degrees (its
// tangent) down to a foot above the height it lands on, at the zone's start.
constexpr double kApproachPathSlope = 0.05240777928304121;
constexpr double kApproachPathClearanceFt = 1.0;
// How far beside a runway's centreline (m) and before its start an approach lines up with it.
constexpr double kApproachBesideRunwayMetres = 150.0;
constexpr double kApproachPathMetres = 5000.0;
// Below this motion in a tick (m) its direction means nothing.
constexpr double kLeastAirMotionMetres = 0.01;

// The attitude the flare takes: an aeroplane raises its nose to hold off; a rotorcraft comes
// to its hover and sets down level, on its ground pitch.
double lf_flarePitchRad(const LiveAircraft& a) {
    return a.base.category == AircraftCategory::Rotorcraft ? a.base.groundPitchRad
                                                           : kFlarePitchRad;
}

// A flare begins over the runway's threshold, not before: near the park airport an aeroplane
// low on its approach far short of the runway (DAL773, its reports at Los Angeles ending 1.6 km
// before the runway's end 225 ft above the field) flies on down its approach. Flared at its
// height alone, it touched down 450 m short of the runway and rolled there at 99 kt.
bool lf_shortOfRunway(MotionContext& ctx) {
    const LiveAircraft& a = ctx.aircraft;
    if (a.base.category == AircraftCategory::Rotorcraft ||
        !gf_isNearAirport(ctx.world.runways, lf_position(a))) {
        return false;
    }
    const RunwayMatch runway = lf_runwayAhead(ctx);
    return runway.valid == 0 || !runway.distancePastThreshold ||
           !(*runway.distancePastThreshold >= -kFlareBeforeThresholdMetres);
}

// The step flies to a report that says airborne (not to a sample made where no report put the
// aircraft, nor to one on the ground): the reports' own vertical path, not the landing's.
bool lf_flyingToAirborneReport(const LiveAircraft& a) {
    return !a.stream.empty() && a.stream.front().airborne != 0 &&
           std::isfinite(a.stream.front().reportTime);
}

bool lf_pushingBack(const LiveAircraft& a) {
    return a.phase.phase == FlightPhase::pushing_back;
}

double lf_bankLimitNow(const LiveAircraft& a, bool touchDown) {
    const double hag = a.step.lastHeightAboveGroundFt;
    return gf_bankLimit(gf_categoryBankLimitRad(a.base.category),
                        a.phase.phase == FlightPhase::landing && std::isfinite(hag), hag,
                        touchDown);
}

void lf_addBankRate(LiveAircraft& a, bool touchDown) {
    const double limit = lf_bankLimitNow(a, touchDown);
    a.sent.bankRad = std::clamp(a.sent.bankRad + a.step.bankRate, -limit, limit);
}

void lf_setPosition(LiveAircraft& a, double latitude, double longitude) {
    a.sent.latitude = latitude;
    a.sent.longitude = longitude;
}

// However the step came out, a tick on the ground goes no farther than the aircraft moves
// there at the most (lf_groundStepMostKt): its roll, a taxi's path, the rest of an air step
// after a touch-down or a set-down (SWA410 met the ground 6.5 NM east of Las Vegas and rolled
// 8 s at 219 kt on its air step, 198 kt at the most); so too a helicopter setting down from its
// hover (lf_settingDownMostKt). Held back, it reaches its target late, and the next step starts
// from where it is.
void lf_holdToSpeed(LiveAircraft& a, const Lalo& before, double mostKt) {
    const double most = mostKt * geo::kMetresPerSecondPerKnot / kMotionTicksPerSecond;
    const double metres = gf_distanceNM(before, lf_position(a)) * geo::kMetresPerNM;
    if (!(metres > most)) {
        return;
    }
    const double f = most / metres;
    lf_setPosition(a, before.lat + (a.sent.latitude - before.lat) * f,
                   before.lon + gf_longitudeDifference(before.lon, a.sent.longitude) * f);
}

// Step 2b: along a ground turn path; true when it gave the position.
bool lf_followGroundPath(LiveAircraft& a) {
    GroundPathFollow& g = a.step.groundPath;
    if (g.done != 0 || !(g.path.length > 0)) {
        return false;
    }
    const double grow = g.index < g.increments.size() ? g.increments[g.index++] : g.increment;
    g.fraction = std::clamp(g.fraction + grow, 0.0, 1.0);
    const GroundPathPoint p = gf_groundPathPointAt(g.path, g.fraction);
    if (p.valid == 0) {
        g.path = GroundTurnPath{};
        g.done = 1;
        return true;
    }
    lf_setPosition(a, p.latitude, p.longitude);
    a.sent.headingRad = p.heading;
    return true;
}

// Step 2c: the step's own increments, a curved leg (in the air or a taxi's), or a list of
// increments. True when the aircraft moved along a planned leg, whose direction is then its
// path heading.
bool lf_followStep(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    if (st.customDurationSet != 0 &&
        std::abs(gf_wrapAngle(a.sent.headingRad - st.targetHeading)) > 5.0 * kDeg) {
        st.presentSpeed = 0.0; // turns on the spot first
        return false;
    }
    st.customDurationSet = 0;
    st.presentSpeed = st.targetTrueAirspeed;
    CurvedAirLeg& leg = st.airLeg;
    if (leg.valid != 0 && leg.lengthTicks > 0) {
        leg.index = std::min(leg.index + 1, leg.lengthTicks);
        const AirLegPoint p = gf_airLegPointAt(
            leg.path, static_cast<double>(leg.index) / static_cast<double>(leg.lengthTicks));
        lf_setPosition(a, p.latitude, p.longitude);
        st.pathHeading = p.heading;
        st.pathHeadingSet = 1;
        if (leg.index >= leg.lengthTicks) {
            leg.valid = 0;
        }
        return true;
    }
    if (st.tickIncrementIndex < st.tickIncrements.size()) {
        const Lalo step = st.tickIncrements[st.tickIncrementIndex++];
        lf_setPosition(a, a.sent.latitude + step.lat, a.sent.longitude + step.lon);
    } else if (a.phase.phase != FlightPhase::pushed_back) {
        lf_setPosition(a, a.sent.latitude + st.latitudeStep, a.sent.longitude + st.longitudeStep);
        return a.motion.onGround == 0 && st.pathHeadingSet != 0;
    }
    return false;
}

// The rotation of a take-off: the main wheels still roll along the runway, the heading holds.
bool lf_rotating(const LiveAircraft& a) {
    return a.phase.phase == FlightPhase::takeoff && a.motion.rotationCounter >= 1;
}

// The nose turns toward `direction` by at most `most`; both in [0, 2 pi).
void lf_turnNoseToward(LiveAircraft& a, double direction, double most) {
    constexpr double kTurn = 2.0 * std::numbers::pi;
    double turn = direction - a.sent.headingRad;
    turn =
        turn > std::numbers::pi ? turn - kTurn : (turn < -std::numbers::pi ? turn + kTurn : turn);
    double heading = a.sent.headingRad + std::clamp(turn, -most, most);
    heading = heading < 0.0 ? heading + kTurn : (heading >= kTurn ? heading - kTurn : heading);
    a.sent.headingRad = heading;
}

// In the air the nose points where the aircraft flies: every tick it turns toward the
// direction of its path (or, off a planned path, of this tick's motion), as fast as its
// category turns (which a path within the category's turn rate seldom needs). An aircraft
// that does not move (a hovering rotorcraft) turns by the step's turn rate.
void lf_headingInTheAir(LiveAircraft& a, const Lalo& before, bool alongPath) {
    const double most = gf_turnCeilingRadPerS(a.base.category) / kMotionTicksPerSecond;
    if (alongPath) {
        lf_turnNoseToward(a, a.step.pathHeading, most);
        return;
    }
    const Lalo after = lf_position(a);
    if (gf_distanceNM(before, after) * geo::kMetresPerNM >= kLeastAirMotionMetres) {
        a.step.pathHeading = gf_bearing(before, after);
        a.step.pathHeadingSet = 1;
        lf_turnNoseToward(a, a.step.pathHeading, most);
    } else if (std::abs(a.step.turnRate) <= kLargestTurnPerTickRad) {
        a.sent.headingRad = gf_normaliseAngle(a.sent.headingRad + a.step.turnRate);
    }
}

void lf_headingOnGround(LiveAircraft& a) {
    const MotionStep& st = a.step;
    const FlightPhase phase = a.phase.phase;
    const double turnAngle = std::abs(gf_wrapAngle(st.targetHeading - a.sent.headingRad));
    if (phase == FlightPhase::taxi && turnAngle <= 6.0 * kDeg) {
        lf_steerHeading(a, st.targetHeading, true);
    } else if (phase == FlightPhase::takeoff_roll ||
               (phase == FlightPhase::taxi && a.phase.previous == FlightPhase::landing_roll)) {
        lf_steerHeading(a, st.targetHeading, false);
    } else if (st.takeoffCheckPending != 0) {
        lf_steerHeading(a, st.checkHeading, false);
    } else {
        lf_steerHeading(a, st.targetHeading, false);
    }
}

// One tick along the step's vertical leg: the altitude its reports bear out; the eased step
// goes on from the leg's rate.
void lf_followVerticalLeg(LiveAircraft& a, std::int32_t tick) {
    MotionStep& st = a.step;
    const VerticalPoint at = gf_verticalLegAt(st.verticalLeg, tick);
    a.sent.altitudeFt = at.altitudeFt;
    st.smoothedVerticalStep = at.ftPerTick;
    st.smoothingStarted = 1;
    st.presentVerticalSpeed = at.ftPerTick * kFpmPerFtPerTick;
}

// An aircraft flying to a report in the air stays above the ground the simulator reports under
// it, whatever its reports' altitudes say (a feed's barometric altitude against the simulator's
// terrain, a low pass along a runway that lies below the simulator's ground): before, such an
// aircraft met the ground at its descent's rate, rolled on at its flying speed and lifted off
// again at its next report. In a landing only a report holds it up: where its reports end in
// the air the landing goes on down to the runway. Before, a landing touched down wherever the
// reports said airborne: a calibration King Air's low pass 60 ft over the park airport's
// runway touched down, rolled at 151 kt (144 at the most) and lifted off 17 degrees nose up.
void lf_keepAboveTheGround(LiveAircraft& a) {
    const double ground = a.motion.groundAltitudeFt;
    const FlightPhase phase = a.phase.phase;
    if (a.stream.empty() || a.stream.front().airborne == 0 || !std::isfinite(ground) ||
        (phase != FlightPhase::flying && phase != FlightPhase::landing) ||
        (phase == FlightPhase::landing && !lf_flyingToAirborneReport(a))) {
        return;
    }
    const double lowest = ground + std::max(a.base.cgHeightFt, 0.0) + kGroundClearanceFt;
    if (a.sent.altitudeFt < lowest) {
        a.sent.altitudeFt = lowest;
        a.step.presentVerticalSpeed = std::max(a.step.presentVerticalSpeed, 0.0);
        a.step.smoothedVerticalStep = std::max(a.step.smoothedVerticalStep, 0.0);
    }
}

// The runway direction a landing lines up with: within 20 degrees of its heading, within
// kApproachBesideRunwayMetres of its centreline, from kApproachPathMetres before its start to its
// far end; the nearest centreline wins. Its start is the runway's end (a displaced threshold
// lies beyond it: the path down to the end is the lower one). False when there is none.
struct ApproachLine {
    double toZoneMetres = 0.0; // to kTouchDownMinPastThresholdM past the runway's start
    double altitudeFt = 0.0;
};
std::optional<ApproachLine> lf_approachLine(MotionContext& ctx) {
    const LiveAircraft& a = ctx.aircraft;
    const Lalo here = lf_position(a);
    std::optional<ApproachLine> best;
    double nearest = kApproachBesideRunwayMetres;
    for (const FacilityRunway& r : ctx.world.runways) {
        for (const bool primary : {true, false}) {
            const Lalo start = primary ? Lalo{r.primaryLatitude, r.primaryLongitude}
                                       : Lalo{r.secondaryLatitude, r.secondaryLongitude};
            const double heading = (r.heading + (primary ? 0.0 : 180.0)) * geo::kRadiansPerDegree;
            if (std::abs(gf_wrapAngle(heading - a.sent.headingRad)) >
                motion::kRunwayHeadingToleranceDeg * geo::kRadiansPerDegree) {
                continue;
            }
            const DistanceBearing at = gf_distanceBearingMetres(start, heading, here);
            if (std::abs(at.across) > nearest || at.along < -kApproachPathMetres ||
                at.along > r.length) {
                continue;
            }
            nearest = std::abs(at.across);
            best = ApproachLine{kTouchDownMinPastThresholdM - at.along, r.altitude};
        }
    }
    return best;
}

// Short of its runway's touch-down zone a landing comes no lower than the 3 degree path down to
// the zone's start over the height it lands on (lf_landingSurfaceFt); below that path it holds
// its height until the path comes down to it. It is never lifted: the path only stops a
// descent. Not toward a report in the air (its reports' own path, a low pass), nor for a
// rotorcraft, which sets down where it is. Before, an approach late behind its reports, its
// altitudes on their clock or flown on past its last report, met the simulator's ground short
// of the runway and rolled there at its approach speed: UAL1616 at Los Angeles at 81 kt for a
// minute from 830 m before the runway's end, DAL1039 at 71 kt from 90 m before 24R.
void lf_keepToTheApproachPath(MotionContext& ctx, double altitudeBeforeFt) {
    LiveAircraft& a = ctx.aircraft;
    if (a.phase.phase != FlightPhase::landing || a.motion.onGround != 0 ||
        a.base.category == AircraftCategory::Rotorcraft || lf_flyingToAirborneReport(a) ||
        !(a.sent.altitudeFt < altitudeBeforeFt)) {
        return;
    }
    const std::optional<ApproachLine> line = lf_approachLine(ctx);
    if (!line || !(line->toZoneMetres > 0.0)) {
        return;
    }
    const double pathFt = lf_landingSurfaceFt(a, line->altitudeFt) +
                          std::max(a.base.cgHeightFt, 0.0) + kApproachPathClearanceFt +
                          line->toZoneMetres * geo::kFeetPerMetre * kApproachPathSlope;
    const double lowest = std::min(altitudeBeforeFt, pathFt);
    if (!(a.sent.altitudeFt < lowest)) {
        return;
    }
    MotionStep& st = a.step;
    a.sent.altitudeFt = lowest;
    st.smoothedVerticalStep = lowest - altitudeBeforeFt;
    st.presentVerticalSpeed = st.smoothedVerticalStep * kFpmPerFtPerTick;
}

// Step 5 for an aircraft not in take-off.
void lf_attitudeAndAltitude(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    const FlightPhase phase = a.phase.phase;
    const bool airborne = a.motion.onGround == 0;
    const double altitudeBeforeFt = a.sent.altitudeFt;
    if (phase == FlightPhase::landing && airborne && st.lastHeightAboveGroundFt <= 400.0) {
        lf_flare(ctx);
    }
    if (st.touchDownStage > 0 && airborne) {
        lf_addBankRate(a, true);
        a.sent.pitchRad =
            gf_stepToward(a.sent.pitchRad, lf_flarePitchRad(a), std::abs(st.pitchStep));
        // The flare's own descent carries the aircraft down to the runway, and no lower: the
        // touch-down check takes it from there.
        a.sent.altitudeFt = std::max(a.sent.altitudeFt + st.verticalStep, lf_flareFloorFt(ctx));
        st.presentVerticalSpeed = st.verticalStep * kFpmPerFtPerTick;
    } else if (!airborne && st.attitudeSettling == 0) {
        a.sent.pitchRad = a.base.groundPitchRad;
        a.sent.bankRad = 0.0;
        return;
    } else if (airborne) {
        lf_addBankRate(a, false);
        a.sent.pitchRad += st.pitchStep;
        if (phase == FlightPhase::flying && st.climbOutMark2 != 0) {
            const double wanted = st.targetVerticalSpeed > 0
                                      ? st.targetVerticalSpeed / kFpmPerFtPerTick
                                      : std::max(st.presentVerticalSpeed / kFpmPerFtPerTick, 0.0);
            lf_smoothVerticalStep(a, wanted);
            if (std::abs(st.smoothedVerticalStep - wanted) < 1e-12) {
                st.climbOutMark2 = 0;
            }
        } else if (phase == FlightPhase::landing && !lf_flyingToAirborneReport(a)) {
            lf_glideVerticalStep(ctx, st.verticalStep);
        } else if (phase != FlightPhase::flying && phase != FlightPhase::landing) {
            a.sent.altitudeFt += st.verticalStep;
            st.presentVerticalSpeed = st.verticalStep * kFpmPerFtPerTick;
        } else if (st.verticalLeg.valid != 0) {
            // In a landing too toward a report in the air, as its reports go, up again too (a
            // low pass levels off and climbs away): the glide only ever descends.
            lf_followVerticalLeg(a, ctx.tick() + 1);
        } else {
            lf_easeVerticalStep(a, st.verticalStep);
        }
    }
    if (airborne) {
        lf_keepAboveTheGround(a);
        lf_keepToTheApproachPath(ctx, altitudeBeforeFt);
    }
    if (st.attitudeSettling != 0) {
        a.sent.pitchRad =
            gf_stepToward(a.sent.pitchRad, a.base.groundPitchRad, std::abs(st.pitchStep));
        a.sent.bankRad = gf_stepToward(a.sent.bankRad, 0.0, kMaximumBankRateRadPerTick);
        if (a.sent.pitchRad == a.base.groundPitchRad) {
            st.pitchStep = 0.0;
            a.sent.bankRad = 0.0;
            st.bankRate = 0.0;
            st.touchDownStage = 0;
            st.attitudeSettling = 0;
        }
    }
}

} // namespace

void lf_steerHeading(LiveAircraft& a, double target, bool fine) {
    MotionStep& st = a.step;
    const double y = gf_wrapAngle(target - a.sent.headingRad);
    const double m = a.base.workingHeadingRateRadPerTick;
    if (!std::isfinite(y) || !std::isfinite(m) || m <= 0) {
        st.fineTurnRate = 0.0;
        return;
    }
    double turn = 0.0;
    if (fine && std::abs(y) <= 6.0 * kDeg) {
        const double r = std::min(kFinestTurnRad, m);
        double& f = st.fineTurnRate;
        if (f != 0.0 && std::signbit(f) != std::signbit(y)) {
            f = 0.0;
        }
        const double wanted = std::copysign(
            std::min(std::sqrt(std::abs(y) * 1.3962634015954637e-5 + 4.873878716587338e-11) -
                         kFineTurnEaseRad,
                     r),
            y);
        f = gf_stepToward(f, wanted, kFineTurnEaseRad);
        f = std::clamp(f, -std::abs(y), std::abs(y));
        turn = f;
    } else {
        st.fineTurnRate = 0.0;
        turn = std::clamp(y, -m, m);
    }
    if (std::abs(turn) <= kLargestTurnPerTickRad) {
        a.sent.headingRad = gf_normaliseAngle(a.sent.headingRad + turn);
    }
}

void lf_smoothVerticalStep(LiveAircraft& a, double wanted) {
    MotionStep& st = a.step;
    if (!std::isfinite(wanted) || wanted <= 0) {
        wanted = std::max(st.presentVerticalSpeed / kFpmPerFtPerTick, 0.0);
    }
    st.smoothedVerticalStep = gf_stepToward(st.smoothedVerticalStep, wanted, kSmoothingFtPerTick);
    st.smoothingStarted = 1;
    a.sent.altitudeFt += st.smoothedVerticalStep;
    st.presentVerticalSpeed = st.smoothedVerticalStep * kFpmPerFtPerTick;
}

void lf_easeVerticalStep(LiveAircraft& a, double wanted) {
    MotionStep& st = a.step;
    if (!std::isfinite(wanted)) {
        wanted = st.smoothedVerticalStep;
    }
    if (st.smoothingStarted == 0) {
        st.smoothedVerticalStep = wanted;
        st.smoothingStarted = 1;
    } else {
        st.smoothedVerticalStep = gf_stepToward(st.smoothedVerticalStep, wanted, kSmoothingFtPerTick);
    }
    a.sent.altitudeFt += st.smoothedVerticalStep;
    st.presentVerticalSpeed = st.smoothedVerticalStep * kFpmPerFtPerTick;
}

void lf_glideVerticalStep(MotionContext& ctx, double wanted) {
    LiveAircraft& a = ctx.aircraft;
    lf_easeVerticalStep(
        a, std::min(lf_glidePathVs(ctx, std::isfinite(wanted) ? wanted : a.step.smoothedVerticalStep),
                    0.0));
}

double lf_glidePathVs(MotionContext& ctx, double wanted) {
    LiveAircraft& a = ctx.aircraft;
    const auto& s = a.stream;
    if (a.phase.phase != FlightPhase::landing || a.motion.onGround != 0 || s.empty() ||
        lf_flyingToAirborneReport(a)) {
        return wanted;
    }
    const RunwayMatch runway = lf_runwayAhead(ctx);
    if (runway.valid == 0 || !std::isfinite(runway.altitudeFt) || !runway.distancePastThreshold) {
        return wanted;
    }
    // The target is stream[0] while the step runs.
    const double seconds = std::max(1, s[0].time - ctx.tick()) / kMotionTicksPerSecond;
    const double metres = gf_distanceNM(lf_position(a), lf_lalo(s[0])) * 1852.0;
    const double needed = std::min(metres / seconds / 0.5144444444444445, lf_stepSpeedKts(a));
    double speed = std::max(
        {needed, a.step.presentSpeed, s[0].groundSpeedKt, s.size() > 1 ? s[1].groundSpeedKt : 0.0});
    speed = std::min(speed, 200.0);
    const double cg = a.base.cgHeightFt;
    const double surface = lf_landingSurfaceFt(a, runway.altitudeFt);
    const double height = a.sent.altitudeFt - surface;
    double rate = std::min(wanted * kFpmPerFtPerTick, 0.0);
    const double along = *runway.distancePastThreshold;
    if (along < 60.0) {
        const double floor = std::max(cg, 0.0) + 1.0;
        a.sent.altitudeFt = std::max(a.sent.altitudeFt, surface + floor);
        const double toLose = std::max(height - cg, 0.0);
        const double g = speed * 0.5144444444444445;
        if (toLose == 0.0 || g == 0.0) {
            rate = 0.0;
        } else if (rate < 0 && toLose * 60.0 / -rate * g + along < 60.0) {
            rate = -toLose * 60.0 / ((60.0 - along) / g);
        }
    }
    FinalDescentRequest request;
    request.verticalSpeed = rate;
    request.heightA = height;
    request.heightB = cg;
    request.distanceFlown = along;
    request.totalDistance = runway.availableLength ? *runway.availableLength : 0.0;
    request.speedKt = speed;
    if (s.size() > 1) {
        request.floor = {s[0].verticalSpeedFpm, s[1].verticalSpeedFpm,
                         s[1].altitudeFt - s[0].altitudeFt,
                         static_cast<std::uint8_t>(s[1].airborne != 0)};
    }
    const FinalDescent steeper = gf_steepenFinalDescent(request);
    if (steeper.changed) {
        a.step.approachSteepened = 1;
    }
    return steeper.verticalSpeed / kFpmPerFtPerTick;
}

void lf_flare(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    const double cg = a.base.cgHeightFt;
    if (st.touchDownElevationSet == 0) {
        // Off a runway the ground the simulator reports under the aircraft: a landing that
        // meets it there flares as at a runway (SWA410 met the stand-in's flat ground 6.5 NM
        // east of Las Vegas at some 1,900 fpm).
        const RunwayMatch runway = lf_runwayAhead(ctx);
        const double ground = a.motion.groundAltitudeFt;
        st.touchDownElevationFt = runway.valid != 0 ? lf_landingSurfaceFt(a, runway.altitudeFt)
                                  : std::isfinite(ground) ? ground
                                                          : ctx.world.parkAirport.altitudeFt;
        st.touchDownElevationSet = 1;
        st.touchDownHeightFt = a.sent.altitudeFt - st.touchDownElevationFt;
    }
    // The height above the touch-down elevation, as it is this tick.
    const double h =
        std::min(st.lastHeightAboveGroundFt, a.sent.altitudeFt - st.touchDownElevationFt);
    auto setDescent = [&](double step, double fpm) {
        st.verticalStep = step;
        if (!a.stream.empty()) {
            a.stream[0].verticalSpeedFpm = fpm;
        }
    };
    switch (st.touchDownStage) {
    case 0:
        // No flare toward a report in the air: the reports fly on (a low pass).
        if (cg + 30.0 >= std::min(h, st.touchDownHeightFt) && !lf_flyingToAirborneReport(a) &&
            !lf_shortOfRunway(ctx)) {
            // Over the flare ticks, but never faster than the nose moves around the touch-down.
            st.pitchStep = std::clamp((lf_flarePitchRad(a) - a.sent.pitchRad) /
                                          std::max(1, a.base.flareTicks),
                                      -kFlarePitchMostRadPerTick, kFlarePitchMostRadPerTick);
            setDescent(-0.1, -601.0);
            st.touchDownStage = 1;
        }
        break;
    case 1:
        if (h <= cg + 20.0) {
            setDescent(-0.075, -450.0);
            st.touchDownStage = 2;
        }
        break;
    case 2:
        if (h <= cg + 10.0) {
            gf_setThrottle(ctx.state.commands, a, 0);
            setDescent(-0.05, -300.0);
            st.touchDownStage = 3;
        }
        break;
    case 3:
        if (h <= cg + 3.0) {
            setDescent(-0.025, -150.0);
            st.touchDownStage = 4;
        }
        break;
    default:
        break;
    }
}

namespace {
// The climb-out ends at the altitude of the report in the air it flies to, its wheels some way
// off the ground. A take-off climbs at least at its floor rate until it is 800 ft above the
// ground, which only the park airport's elevation tells: N3307E, a C172 flying patterns at Long
// Beach (15 NM from the park airport), its reports 200 to 1,000 ft at 200 to 900 fpm, climbed
// on at its take-off rate: 8,300 ft above them ten minutes on, 19,000 ft by the capture's end.
bool lf_climbOutReachedReport(const LiveAircraft& a) {
    constexpr double kLeastClimbOutFt = 50.0;
    const auto& s = a.stream;
    const double ground = a.motion.groundAltitudeFt;
    // A report's: a rotation point or an extrapolated sample has no altitude of its own.
    return s.size() >= 2 && s[1].airborne != 0 && std::isfinite(s[1].reportTime) &&
           std::isfinite(s[1].altitudeFt) &&
           a.sent.altitudeFt >= s[1].altitudeFt &&
           (!std::isfinite(ground) ||
            a.sent.altitudeFt >= ground + std::max(a.base.cgHeightFt, 0.0) + kLeastClimbOutFt);
}
} // namespace

void lf_rotateAndClimb(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    std::int32_t& n = a.motion.rotationCounter;
    if (n >= 1) {
        // A nose still settling after a touch-down rotates now.
        st.attitudeSettling = 0;
        a.motion.onGround = 0;
        a.sent.pitchRad =
            gf_stepToward(a.sent.pitchRad, a.base.rotationPitchRad, std::abs(st.pitchStep));
        --n;
        return;
    }
    --n;
    a.sent.bankRad = std::clamp(a.sent.bankRad + st.bankRate, -std::numbers::pi, std::numbers::pi);
    const double climbPitchRate = std::abs(a.base.initialClimbPitchRad - a.base.rotationPitchRad) /
                                  std::max(1, a.base.climbPitchTicks);
    a.sent.pitchRad = gf_stepToward(a.sent.pitchRad, a.base.initialClimbPitchRad, climbPitchRate);
    const double s = std::clamp((1.0 - n) / 100.0 / 3.0, 0.0, 1.0);
    lf_smoothVerticalStep(a, (3.0 - 2.0 * s) * s * s * st.verticalStep);
    if (n == -300) {
        gf_setGear(ctx.state.commands, a, 0);
    }
    const bool climbedOut = n < -300 && a.sent.pitchRad == a.base.initialClimbPitchRad &&
                            st.lastHeightAboveGroundFt >= 800.0;
    // Behind a report already due the climb-out goes on: levelling there would leave the
    // object further below reports that climb on (CMP135 at Mexico City, 70 s behind, levelled
    // 2,000 ft below them).
    const bool atReport =
        !climbedOut && ctx.tick() < st.targetDueTick && lf_climbOutReachedReport(a);
    if (climbedOut || atReport) {
        st.pitchStep = 0.0;
        gf_setThrottle(ctx.state.commands, a,
                       a.base.category == AircraftCategory::Rotorcraft ? 4 : 3);
        if (atReport) {
            // Level at the report's altitude until it falls due; the next step's vertical leg
            // goes on from there. No climb-out marks: they ease toward the reported rate
            // whatever the altitude.
            gf_setGear(ctx.state.commands, a, 0);
            st.verticalStep = 0.0;
            st.verticalLeg.valid = 0;
        } else {
            st.climbOutMark1 = 1;
        }
        lf_setPhase(ctx.state, a, FlightPhase::flying);
        n = 1;
    }
    n = std::max(n, -1000);
}

void lf_insertMidSample(LiveAircraft& aircraft) {
    auto& s = aircraft.stream;
    if (s.size() < 2) {
        return;
    }
    TrafficSample mid = s[0];
    mid.dueTick = 0;
    const TrafficSample& next = s[1];
    mid.latitude = (s[0].latitude + next.latitude) / 2.0;
    // Half the wrapped difference: the plain mean of 179 and -179 would be 0, the far side of
    // the earth.
    mid.longitude = gf_wrapLongitude(s[0].longitude +
                                     gf_longitudeDifference(s[0].longitude, next.longitude) / 2.0);
    mid.groundSpeedKt = (s[0].groundSpeedKt + next.groundSpeedKt) / 2.0;
    mid.altitudeFt = (s[0].altitudeFt + next.altitudeFt) / 2.0;
    if (mid.altitudeFt > 0) {
        mid.airborne = 1;
    } else {
        mid.airborne = 0;
        mid.altitudeFt = 0;
    }
    mid.time = static_cast<std::int32_t>((static_cast<std::int64_t>(s[0].time) + next.time) / 2);
    mid.stationary = 0;
    s.insert(s.begin() + 1, mid);
}

void lf_moveOneTick(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    // A step of a roll is seconds long: its runway's end is watched every tick.
    if (a.phase.phase == FlightPhase::takeoff_roll && a.motion.onGround != 0 &&
        lf_checkRollPastRunwayEnd(ctx)) {
        return;
    }
    const FlightPhase phase = a.phase.phase;
    if (st.rotationPending != 0 && phase == FlightPhase::takeoff_roll && a.motion.onGround != 0 &&
        lf_decideLiftOff(ctx)) {
        st.rotationPending = 0;
    }
    if (a.motion.onGround != 0) {
        st.smoothingStarted = 0;
    }
    const double headingBefore = a.sent.headingRad;
    const Lalo positionBefore = lf_position(a);
    const bool rolled = st.rollRunning != 0 && lf_moveRollOneTick(ctx);
    bool alongPath = rolled && st.pathHeadingSet != 0;
    const bool walked = !rolled && lf_followGroundPath(a);
    if (!rolled && !walked) {
        alongPath = lf_followStep(ctx);
    }
    const bool onGround = a.motion.onGround != 0;
    if (onGround) {
        st.pathHeadingSet = 0;
        lf_holdToSpeed(a, positionBefore, lf_groundStepMostKt(a));
    } else if (const double settingDownKt = lf_settingDownMostKt(a, a.motion.groundAltitudeFt);
               std::isfinite(settingDownKt)) {
        lf_holdToSpeed(a, positionBefore, settingDownKt);
    }
    if (onGround && !lf_pushingBack(a)) {
        // Along a planned taxi leg the nose points where the aircraft moves.
        if (alongPath) {
            a.sent.headingRad = gf_normaliseAngle(st.pathHeading);
        } else {
            lf_headingOnGround(a);
        }
        const double most = kGroundHeadingRateFactor * a.base.headingRateRadPerTick;
        const double change =
            std::clamp(gf_wrapAngle(a.sent.headingRad - headingBefore), -most, most);
        a.sent.headingRad = gf_normaliseAngle(headingBefore + change);
    } else if (!onGround && !lf_rotating(a)) {
        lf_headingInTheAir(a, positionBefore, alongPath);
    }
    // A taxi's leg and a turn path are planned and walked within the nose; a roll goes at the
    // pace of its profile, along its path too. The drive onto a stand creeps along the samples
    // the parking code lays out while the nose turns onto the stand's line.
    const bool withinTheNose = !rolled && (walked || alongPath);
    const bool held = (onGround || lf_rotating(a)) && !lf_pushingBack(a) && !withinTheNose &&
                      a.phase.phase != FlightPhase::parking &&
                      gf_moveWhereTheNosePoints(
                          a, positionBefore, headingBefore,
                          kGroundHeadingRateFactor * a.base.headingRateRadPerTick, lf_rotating(a));
    if (a.phase.phase == FlightPhase::takeoff) {
        // A helicopter lifting off hovers over its spot until its nose points along its way.
        if (!(held && a.base.category == AircraftCategory::Rotorcraft &&
              a.motion.rotationCounter == 1)) {
            lf_rotateAndClimb(ctx);
        }
    } else {
        lf_attitudeAndAltitude(ctx);
    }
    Lalo position{a.sent.latitude, a.sent.longitude};
    gf_normaliseLonCheckLat(position);
    lf_setPosition(a, position.lat, position.lon);
}

void lf_moveOneTick(TrafficState& state, LiveAircraft& aircraft) {
    MotionContext ctx{state, aircraft, state.motionWorld};
    lf_moveOneTick(ctx);
}

} // namespace skyloom
