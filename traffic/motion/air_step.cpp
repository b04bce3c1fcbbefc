#include "traffic/motion/air_step.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "sim/sim_command_queue.h"
#include "traffic/decode/sample_checks.h"
#include "traffic/motion/air_turn.h"
#include "traffic/motion/cruise_vertical.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/motion_common.h"
#include "traffic/motion/motion_constants.h"
#include "traffic/motion/motion_driver.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

constexpr double kFpmPerFtPerTick = 6000.0;
constexpr double kHighAltitudeFt = 10000.0;
constexpr double kNearParkAirportNm = 10.0;
constexpr double kFloorDescentFpm = -601.0;
constexpr double kLowDescentFpm = -600.0;
constexpr double kTakeoffFloorStep = 0.2; // ft per tick, 1200 fpm
constexpr double kLowClimbOutFt = 1000.0;
// Reports that climb faster than this say the aircraft climbs away; reports that descend
// faster than this say it descends.
constexpr double kReportsClimbFpm = 250.0;
constexpr double kReportsDescentFpm = -250.0;
// Below this height above the park airport an aircraft is on its approach.
constexpr double kLowApproachFt = 500.0;

// Indexed by AircraftCategory: Light, TwoProps, Bizjet, Large, Heavy, HighPerf, Rotorcraft.
constexpr std::array<double, 7> kPitchStepDeg{0.01, 0.009, 0.0085, 0.0075, 0.005, 0.03, 0.03};
constexpr std::array<double, 7> kBankLimitDeg{8, 8, 8, 8, 8, 12, 20};

std::size_t lf_categoryIndex(AircraftCategory category) {
    const auto i = static_cast<std::size_t>(category);
    return i < kPitchStepDeg.size() ? i : static_cast<std::size_t>(AircraftCategory::Large);
}

bool lf_reportsDescend(double vs0, double vs1) {
    return vs0 <= kReportsDescentFpm && vs1 <= kReportsDescentFpm;
}

// One altitude repeated while the reports descend by their vertical speeds is a stale one:
// the aircraft descends (UAL1090's last reports at Mexico City repeat 209 ft above the field
// at -832 fpm over the threshold of 05R).
bool lf_staleDescent(const TrafficSample& before, const TrafficSample& s) {
    return s.altitudeFt == before.altitudeFt &&
           lf_reportsDescend(before.verticalSpeedFpm, s.verticalSpeedFpm);
}

// How far beside a runway's centreline the feed puts a landing that rolls out on it: WWW563's
// reports at Las Vegas cross the threshold of 19R and roll on 250 to 380 m west of its
// centreline. The capture audit holds an object within 500 m of its reports' line.
constexpr double kTouchDownBesideRunwayMetres = 500.0;

// The runway a landing's report with a stale altitude (`lf_staleDescent`) rolls on, whatever
// its airborne flag says: low above the park airport, between the threshold and the far end
// of a runway along the aircraft's heading within the feed's offset of its centreline. Not
// valid else.
RunwayMatch lf_touchDownRunway(MotionContext& ctx, const TrafficSample& s) {
    const MotionWorld& world = ctx.world;
    if (ctx.aircraft.base.category == AircraftCategory::Rotorcraft ||
        !std::isfinite(s.reportTime) || !world.parkAirport.known ||
        !(s.altitudeFt - world.parkAirport.altitudeFt < kLowApproachFt) ||
        !gf_isNearParkAirport(world, s.latitude, s.longitude)) {
        return RunwayMatch{};
    }
    const RunwayMatch m = gf_findRunwayAt(world.runways, lf_lalo(s), ctx.aircraft.sent.headingRad,
                                          false, kTouchDownBesideRunwayMetres);
    const bool clear =
        m.valid != 0 && m.headingDifferenceDeg <= motion::kRunwayHeadingToleranceDeg &&
        (m.runnerUp.empty() || m.runnerUpScore - m.score >= motion::kRunwayClearLeadScore);
    return clear && m.distancePastThreshold && *m.distancePastThreshold >= 0.0 &&
                   m.availableLength && *m.distancePastThreshold <= *m.availableLength
               ? m
               : RunwayMatch{};
}

// A landing's reports with a stale altitude that lie on a runway within the feed's offset of
// its centreline (`lf_touchDownRunway`) are its touch-down and roll: each is put on the
// centreline and on the ground, and the landing's glide path, flare and touch-down bring the
// aircraft onto the runway. Flown to as reports in the air, WWW563's kept the object 12 ft
// above the ground 300 m beside 19R and, when they ended, on past the runway's end for a
// minute; their repeats after the touch-down drew the roll off the runway.
void lf_settleTouchDownReports(MotionContext& ctx) {
    const LiveAircraft& a = ctx.aircraft;
    auto& s = ctx.aircraft.stream;
    // The report whose altitude the stale ones repeat is the first of them; after the
    // touch-down a repeat is judged against the last one the roll passed.
    TrafficSample touchedDown;
    touchedDown.altitudeFt = a.touchDown.altitudeFt;
    touchedDown.verticalSpeedFpm = a.touchDown.verticalSpeedFpm;
    const auto stale = [&](std::size_t k) {
        return lf_staleDescent(s[k - 1], s[k]) ||
               (k + 1 < s.size() && lf_staleDescent(s[k], s[k + 1])) ||
               (a.touchDown.seen != 0 && lf_staleDescent(touchedDown, s[k]));
    };
    RunwayMatch runway;
    for (std::size_t k = 1; k < s.size() && runway.valid == 0; ++k) {
        if (stale(k)) {
            runway = lf_touchDownRunway(ctx, s[k]);
        }
    }
    if (runway.valid == 0) {
        return;
    }
    // The centreline through the runway's two ends: its heading may lie a degree or two off
    // their line, tens of metres over a runway and its roll.
    const Lalo end{runway.endAheadLatitude, runway.endAheadLongitude};
    double direction = runway.directionHeadingDeg * geo::kRadiansPerDegree;
    for (const FacilityRunway& r : ctx.world.runways) {
        if (gf_runwayName(r) == runway.runwayName) {
            const Lalo primary{r.primaryLatitude, r.primaryLongitude};
            const Lalo secondary{r.secondaryLatitude, r.secondaryLongitude};
            direction = gf_bearing(
                gf_distanceNM(primary, end) > gf_distanceNM(secondary, end) ? primary : secondary,
                end);
            break;
        }
    }
    for (std::size_t k = 1; k < s.size(); ++k) {
        if (!std::isfinite(s[k].reportTime) || !stale(k)) {
            continue;
        }
        const double toEndMetres = gf_distanceNM(lf_lalo(s[k]), end) * geo::kMetresPerNM;
        const double off = gf_bearing(lf_lalo(s[k]), end) - direction;
        const double beforeEndMetres = std::cos(off) * toEndMetres;
        if (std::abs(std::sin(off)) * toEndMetres > kTouchDownBesideRunwayMetres ||
            beforeEndMetres < 0.0 || beforeEndMetres > *runway.availableLength) {
            continue;
        }
        const Lalo on =
            gf_destination(end, direction + std::numbers::pi, beforeEndMetres * geo::kFeetPerMetre);
        s[k].latitude = on.lat;
        s[k].longitude = on.lon;
        s[k].airborne = 0;
    }
}

std::int32_t lf_rotorThrottle(const LiveAircraft& a, std::int32_t index) {
    return a.base.category == AircraftCategory::Rotorcraft ? 4 : index;
}

void lf_setWindows(LiveAircraft& a, std::int32_t ticks) {
    a.motion.earlyWindowTicks = ticks;
    a.motion.lateWindowTicks = ticks;
}

std::int32_t lf_stepTicks(const MotionContext& ctx) {
    const MotionStep& st = ctx.aircraft.step;
    if (st.customDurationSet != 0) {
        return std::max(1, st.customDuration);
    }
    return std::max(kShortestStepTicks, ctx.aircraft.stream[1].time - ctx.tick());
}

void lf_gearDown(MotionContext& ctx) {
    gf_setGear(ctx.state.commands, ctx.aircraft, 1);
}

// The per-tick increments toward stream[1] over the step (after the stream changed).
void lf_aimAtTarget(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    const std::int32_t length = lf_stepTicks(ctx);
    a.step.latitudeStep = (a.stream[1].latitude - a.sent.latitude) / length;
    a.step.longitudeStep = gf_longitudeDifference(a.sent.longitude, a.stream[1].longitude) / length;
}

// When stream[1]'s report falls due (before the step retimed it); the step's end where that is
// past already.
std::int32_t lf_dueTick(const MotionContext& ctx, std::int32_t length) {
    const std::int32_t due = ctx.aircraft.step.targetDueTick;
    return due - ctx.tick() >= kShortestStepTicks ? due : ctx.tick() + length;
}

// Vertical part of the air step.
void lf_setupVertical(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    auto& s = a.stream;
    const std::int32_t length = lf_stepTicks(ctx);
    const bool short0 = lf_isShortOfRunway(ctx, s[0]);
    const bool short1 = lf_isShortOfRunway(ctx, s[1]);
    const FlightPhase phase = a.phase.phase;
    if (s[0].airborne == 0 && !short0 && s[1].airborne == 0) {
        double sum = 0.0;
        for (const TrafficSample& sample : s) {
            sum += sample.verticalSpeedFpm;
        }
        if (phase != FlightPhase::landing && sum > 100.0) {
            const std::size_t last = std::min<std::size_t>(s.size() - 1, 10);
            for (std::size_t k = 3; k <= last; ++k) {
                if (s[k - 1].airborne != 0 && lf_skipToAirborneSample(ctx, k)) {
                    lf_aimAtTarget(ctx);
                    lf_gearDown(ctx);
                    return;
                }
            }
            s[1].verticalSpeedFpm = std::max(s[1].verticalSpeedFpm, 601.0);
        } else {
            s[1].verticalSpeedFpm = lf_defaultDescentVs(ctx);
        }
        st.targetVerticalSpeed = s[1].verticalSpeedFpm;
        st.verticalStep = st.targetVerticalSpeed / kFpmPerFtPerTick;
        lf_gearDown(ctx);
    } else if (s[0].airborne == 0 && s[1].airborne != 0) {
        lf_setVerticalStep(ctx);
        lf_applyTakeoffClimbFloor(ctx);
    } else if (s[0].airborne != 0 && s[1].airborne == 0 && !short1) {
        const RunwayMatch runway = lf_runwayAhead(ctx);
        const bool hasElevation = runway.valid != 0 || ctx.world.parkAirport.known;
        const double elevation =
            runway.valid != 0 ? runway.altitudeFt : ctx.world.parkAirport.altitudeFt;
        double target = kFloorDescentFpm;
        if (ctx.world.qnhHpa > 1013.0) {
            target = lf_defaultDescentVs(ctx);
        } else if (hasElevation) {
            st.verticalStep = (elevation + a.base.cgHeightFt - a.sent.altitudeFt) / length;
            lf_gearDown(ctx);
            return;
        }
        s[1].verticalSpeedFpm = target;
        st.targetVerticalSpeed = target;
        st.verticalStep = target / kFpmPerFtPerTick;
        lf_gearDown(ctx);
    } else if (s[1].airborne != 0 && !short1) {
        double step = gf_cruiseVerticalStep(a, length);
        const double hag = st.lastHeightAboveGroundFt;
        if (phase == FlightPhase::takeoff) {
            step = hag <= kLowClimbOutFt
                       ? std::clamp(step, kTakeoffFloorStep,
                                    std::max(kTakeoffFloorStep, a.base.maxClimbStepFtPerTick))
                       : std::min(step, a.base.maxClimbStepFtPerTick);
        } else if (phase == FlightPhase::landing && hag <= kLowClimbOutFt &&
                   lf_staleDescent(s[0], s[1])) {
            step = lf_defaultDescentVs(ctx) / kFpmPerFtPerTick;
        } else if (phase == FlightPhase::flying ||
                   (phase == FlightPhase::landing && std::isfinite(s[1].reportTime))) {
            // In a landing too a report in the air is flown to along the reports' own path:
            // level reports level. A calibration King Air's low pass 60 ft over the park
            // airport's runway, its level reports taken for stale ones, came down onto the
            // runway, touched down and rolled at 151 kt.
            if (const std::optional<VerticalLeg> leg =
                    gf_planVerticalLeg(a, lf_dueTick(ctx, length), ctx.tick(), length)) {
                st.verticalLeg = *leg;
                step = gf_verticalLegAt(*leg, ctx.tick()).ftPerTick;
            }
        } else if (phase != FlightPhase::landing) {
            step = 0.0;
        }
        st.verticalStep = step;
    } else if (short1) {
        st.targetVerticalSpeed = lf_defaultDescentVs(ctx);
        st.verticalStep = st.targetVerticalSpeed / kFpmPerFtPerTick;
        lf_gearDown(ctx);
    }
}

void lf_setupPitch(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    const TrafficSample& source = lf_isShortOfRunway(ctx, a.stream[1]) ? a.stream[0] : a.stream[1];
    const double target = lf_pitchFromVerticalSpeed(source, a.base.category);
    if (st.pitchSet == 0) {
        a.sent.pitchRad = target;
        st.pitchSet = 1;
    }
    const double most = gf_categoryPitchStepRad(a.base.category);
    st.pitchStep = std::clamp((target - a.sent.pitchRad) / lf_stepTicks(ctx), -most, most);
}

void lf_setupHeights(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    const FlightPhase phase = a.phase.phase;
    if (phase == FlightPhase::flying && st.climbOutMark1 != 0) {
        st.climbOutMark1 = 0;
        st.climbOutMark2 = 1;
    }
    double height = a.stream[0].altitudeFt;
    if (std::isfinite(a.sent.altitudeFt) &&
        gf_isNearParkAirport(ctx.world, a.sent.latitude, a.sent.longitude)) {
        height = a.sent.altitudeFt - ctx.world.parkAirport.altitudeFt;
        st.lastHeightAboveGroundFt = height;
    } else if (!std::isfinite(st.lastHeightAboveGroundFt)) {
        // Far from the park airport nothing better is known than the altitude itself.
        st.lastHeightAboveGroundFt = height;
    }
    if (a.sent.altitudeFt >= kHighAltitudeFt) {
        if (st.highAltitudeConfigGiven == 0) {
            st.highAltitudeConfigGiven = 1;
            st.lowAltitudeLightsGiven = 0;
            gf_setLights(ctx.state.commands, a.objectId, LightValues{1, 1, 0, 0, 1, 0, 1});
            gf_setThrottle(ctx.state.commands, a, lf_rotorThrottle(a, 3));
            lf_setWindows(a, kWindowTicks);
            gf_setGear(ctx.state.commands, a, 0);
            gf_setFlaps(ctx.state.commands, a, 0);
        }
    } else {
        st.highAltitudeConfigGiven = 0;
        lf_airCommandsByHeight(ctx, height);
    }
    if (a.phase.phase == FlightPhase::landing && a.motion.onGround == 0 &&
        a.stream[0].airborne != 0) {
        const RunwayMatch runway =
            gf_findRunwayWithThreshold(ctx.world.runways, lf_position(a), a.sent.headingRad);
        if (runway.valid != 0) {
            st.approachRunway = RunwayRecord{runway, lf_position(a), 1};
        }
    }
}

void lf_clearLandingState(LiveAircraft& a) {
    a.step.approachRunway = RunwayRecord{};
    a.step.touchDownStage = 0;
    a.step.touchDownElevationSet = 0;
    a.step.approachSteepened = 0;
}

} // namespace

BankCommand gf_airTurn(double heading, double targetHeading, double bank, double speedKt,
                       std::int32_t stepTicks, double maximumBankRad) {
    BankRequest request;
    request.currentHeading = heading;
    request.targetHeading = targetHeading;
    request.currentBank = bank;
    request.speedKt = speedKt;
    request.timeConstantS = std::max(1, stepTicks);
    request.rateDivisor = kTurnRateDivisor;
    request.maximumTurnRate = kStandardTurnRateRadPerSecond;
    request.maximumBank = maximumBankRad;
    request.maximumBankRate = kMaximumBankRateRadPerTick;
    return gf_bankForTurn(request);
}

double gf_categoryBankLimitRad(AircraftCategory category) {
    return kBankLimitDeg[lf_categoryIndex(category)] * geo::kRadiansPerDegree;
}

double gf_categoryPitchStepRad(AircraftCategory category) {
    return kPitchStepDeg[lf_categoryIndex(category)] * geo::kRadiansPerDegree;
}

double lf_pitchFromVerticalSpeed(const TrafficSample& sample, AircraftCategory category) {
    struct Shape {
        double base, climb, descent, lower, upper;
    };
    const Shape shape = category == AircraftCategory::HighPerf ? Shape{-2.5, 2.6, 1.3, -3600, 3600}
                        : category == AircraftCategory::Rotorcraft
                            ? Shape{0.0, 1.5, 0.75, -1800, 1800}
                            : Shape{-3.0, 2.2, 1.1, -3000, 2400};
    const double vs = std::isfinite(sample.verticalSpeedFpm)
                          ? std::clamp(sample.verticalSpeedFpm, shape.lower, shape.upper)
                          : 0.0;
    const double degrees = shape.base - (vs / 600.0) * (vs >= 0 ? shape.climb : shape.descent);
    return degrees * geo::kRadiansPerDegree;
}

bool gf_isNearParkAirport(const MotionWorld& world, double latitude, double longitude) {
    return world.parkAirport.known &&
           gf_distanceNM(world.parkAirport.position, {latitude, longitude}) <= kNearParkAirportNm;
}

double lf_defaultDescentVs(MotionContext& ctx) {
    const LiveAircraft& a = ctx.aircraft;
    if (!(a.step.lastHeightAboveGroundFt > 100.0) || a.stream.size() < 2) {
        return kLowDescentFpm;
    }
    const double mean = (a.stream[0].verticalSpeedFpm + a.stream[1].verticalSpeedFpm) / 2.0;
    return std::min(mean - (ctx.world.qnhHpa - 1013.25) * 6.0, kFloorDescentFpm);
}

bool lf_isShortOfRunway(MotionContext& ctx, const TrafficSample& sample) {
    const LiveAircraft& a = ctx.aircraft;
    if (sample.airborne != 0 || a.phase.phase != FlightPhase::landing || a.motion.onGround != 0 ||
        !(a.step.lastHeightAboveGroundFt > a.base.cgHeightFt + 1.0)) {
        return false;
    }
    const RunwayMatch runway =
        gf_findRunwayWithThreshold(ctx.world.runways, lf_lalo(sample), a.sent.headingRad);
    return runway.valid != 0 && runway.distancePastThreshold &&
           *runway.distancePastThreshold < -50.0;
}

RunwayMatch lf_runwayAhead(MotionContext& ctx) {
    const LiveAircraft& a = ctx.aircraft;
    RunwayMatch runway =
        gf_findRunwayWithThreshold(ctx.world.runways, lf_position(a), a.sent.headingRad);
    const RunwayRecord& approach = a.step.approachRunway;
    if (runway.valid != 0 || approach.set == 0) {
        return runway;
    }
    runway = approach.match;
    if (runway.distancePastThreshold) {
        const double heading = runway.directionHeadingDeg * geo::kRadiansPerDegree;
        *runway.distancePastThreshold +=
            gf_distanceBearingMetres(approach.touchDownPoint, heading, lf_position(a)).along;
    }
    return runway;
}

// The simulator's ground may lie above a runway's surveyed elevation (the stand-in's ground is
// flat at the field's elevation, 33 ft above the thresholds of 25L and 25R at Los Angeles and
// up to 137 ft above those of Las Vegas): a landing shaped down to the runway's elevation met
// that ground short of the runway and rolled there at its approach speed (UAL1616 at 81 kt,
// 830 m before the end of 25L; DAL1039 at 71 kt before 24R), and flared for a runway below it.
double lf_landingSurfaceFt(const LiveAircraft& a, double runwayAltitudeFt) {
    const double ground = a.motion.groundAltitudeFt;
    return std::isfinite(ground) ? std::max(runwayAltitudeFt, ground) : runwayAltitudeFt;
}

void lf_alignApproach(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    auto& s = a.stream;
    const FlightPhase phase = a.phase.phase;
    if (phase == FlightPhase::landing || phase == FlightPhase::landing_roll) {
        lf_settleTouchDownReports(ctx);
    }
    if (phase != FlightPhase::landing || a.motion.onGround != 0 || s.size() < 2 ||
        s[1].airborne != 0) {
        return;
    }
    const Lalo here = lf_position(a);
    const RunwayMatch r0 = gf_findRunwayWithThreshold(ctx.world.runways, here, a.sent.headingRad);
    const RunwayMatch r1 =
        gf_findRunwayWithThreshold(ctx.world.runways, lf_lalo(s[1]), a.sent.headingRad);
    if (r0.valid == 0 || r1.valid == 0 || r0.runwayName != r1.runwayName ||
        r0.endDesignator != r1.endDesignator || !r0.distancePastThreshold ||
        !r1.distancePastThreshold || !r1.availableLength) {
        return;
    }
    const double past = *r1.distancePastThreshold;
    const double aircraftPast = *r0.distancePastThreshold;
    const double available = *r1.availableLength;
    if (std::isfinite(past) && std::isfinite(aircraftPast) && std::isfinite(available) &&
        available > 0 && aircraftPast < past) {
        const double aim = std::min(available / 3.0, 1000.0);
        if (aim > aircraftPast && aim < past) {
            const double f = std::clamp((aim - aircraftPast) / (past - aircraftPast), 0.0, 1.0);
            if (f < 1.0) {
                s[1].latitude = here.lat + (s[1].latitude - here.lat) * f;
                s[1].longitude = gf_wrapLongitude(
                    here.lon + gf_longitudeDifference(here.lon, s[1].longitude) * f);
            }
        }
    }
    const double height = std::max(0.0, a.sent.altitudeFt - (r1.altitudeFt + a.base.cgHeightFt));
    const double toGo =
        std::max(kShortestStepTicks, s[1].time - ctx.tick()) / kMotionTicksPerSecond;
    const double seconds = std::max({2.0, toGo, height * 60.0 / 600.0});
    lf_retimeTarget(ctx, static_cast<std::uint32_t>(
                             std::max<double>(kShortestStepTicks, std::ceil(seconds * 100.0))));
    a.step.approachRunway = RunwayRecord{r1, lf_lalo(s[1]), 1};
}

void lf_setVerticalStep(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    const double target = a.stream[1].altitudeFt;
    a.step.verticalStep = a.sent.altitudeFt >= target
                              ? 0.0
                              : std::min((target - a.sent.altitudeFt) / lf_stepTicks(ctx),
                                         a.base.maxClimbStepFtPerTick);
}

void lf_applyTakeoffClimbFloor(MotionContext& ctx) {
    MotionStep& st = ctx.aircraft.step;
    if (ctx.aircraft.phase.phase != FlightPhase::takeoff || !(st.takeoffClimbRateFpm > 0)) {
        return;
    }
    const double floor = st.takeoffClimbRateFpm / kFpmPerFtPerTick;
    st.verticalStep = std::isfinite(st.verticalStep) ? std::max(st.verticalStep, floor) : floor;
}

bool lf_skipToAirborneSample(MotionContext& ctx, std::uint64_t k) {
    auto& s = ctx.aircraft.stream;
    if (k < 2 || s.size() < k || s[k - 1].airborne == 0) {
        return false;
    }
    for (std::uint64_t i = 0; i + 2 < k && s.size() >= 3; ++i) {
        s.erase(s.begin() + 1);
    }
    const double distance = gf_distanceNM(lf_lalo(s[0]), lf_lalo(s[1]));
    const double speed = lf_stepSpeedKts(ctx.aircraft);
    lf_retimeTarget(ctx, static_cast<std::uint32_t>(std::max<long>(
                             kShortestStepTicks, std::lround(distance * 360000.0 / speed))));
    lf_setVerticalStep(ctx);
    lf_applyTakeoffClimbFloor(ctx);
    return true;
}

void lf_airCommandsByHeight(MotionContext& ctx, double heightFt) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    SimCommandQueue& q = ctx.state.commands;
    if (st.lowAltitudeLightsGiven == 0) {
        st.lowAltitudeLightsGiven = 1;
        gf_setLights(q, a.objectId, LightValues{1, 1, 1, 1, 1, 1, 1});
        lf_setWindows(a, kWindowTicks);
    }
    const double threshold = a.base.jet != 0 ? 2050.0 : 625.0;
    if (!(heightFt > threshold) || a.phase.phase == FlightPhase::landing) {
        lf_landingDecision(ctx);
        return;
    }
    a.motion.earlyWindowTicks = std::max(kWindowTicks, a.motion.earlyWindowTicks - 100);
    a.motion.lateWindowTicks = std::max(kWindowTicks, a.motion.lateWindowTicks - 100);
    gf_setCabinLights(q, a.objectId, 1);
    const double vs0 = a.stream[0].verticalSpeedFpm;
    if (vs0 <= -250.0 && a.throttleIndex == 3) {
        gf_setThrottle(q, a, lf_rotorThrottle(a, 2));
    } else if (vs0 > 400.0 && a.throttleIndex == 4) {
        gf_setThrottle(q, a, lf_rotorThrottle(a, 3));
    }
    if (heightFt >= 2400.0) {
        gf_setGear(q, a, 0);
        gf_setFlaps(q, a, 0);
    } else if (vs0 <= 100.0) {
        if (a.flapsIndex == 0) {
            gf_setFlaps(q, a, 1);
        }
        if (heightFt < 2000.0 && a.flapsIndex == 1) {
            gf_setFlaps(q, a, 2);
        }
    }
}

void lf_landingDecision(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    SimCommandQueue& q = ctx.state.commands;
    gf_setCabinLights(q, a.objectId, 0);
    const TrafficSample& s0 = a.stream[0];
    const TrafficSample& s1 = a.stream[1];
    const double vs0 = s0.verticalSpeedFpm;
    const double vs1 = s1.verticalSpeedFpm;
    const bool descending = std::isfinite(s0.altitudeFt) && std::isfinite(s1.altitudeFt) &&
                            s1.altitudeFt < s0.altitudeFt - 10.0;
    const bool near = gf_isNearParkAirport(ctx.world, a.sent.latitude, a.sent.longitude);
    const double current = st.verticalStep * kFpmPerFtPerTick;
    // A report on the ground says the aircraft lands only where it does not climb: DAL2232, its
    // climb-out reported on the ground at 1,900 fpm, landed again as soon as its take-off
    // ended once its climb-out kept to its reports' schedule.
    // Low near the park airport, reports that descend by their vertical speeds land whatever
    // their altitudes say: UAL1090's last reports at Mexico City repeat one altitude 209 ft
    // above the field at -832 fpm while they cross the threshold of 05R; taken for level
    // flight, they sent the object round a circle 1.46 km off the runways at 105 ft.
    const bool lowApproach = near && st.lastHeightAboveGroundFt < kLowApproachFt;
    const bool intent = ((descending || lowApproach) && lf_reportsDescend(vs0, vs1)) ||
                        (s1.airborne == 0 && !(vs1 > kReportsClimbFpm) &&
                         (vs0 <= -250.0 || descending || current <= -250.0));
    const bool climbingAway = gf_meetsHeightSpeedFloor(
        {vs0, vs1, s1.altitudeFt - s0.altitudeFt, static_cast<std::uint8_t>(s1.airborne != 0)});
    const bool landing = a.phase.phase == FlightPhase::landing;
    bool tooHigh = false;
    if (landing && a.motion.onGround == 0) {
        const RunwayMatch runway = lf_runwayAhead(ctx);
        tooHigh = runway.valid != 0 && runway.distancePastThreshold && runway.availableLength &&
                  *runway.distancePastThreshold - *runway.availableLength > 100.0 &&
                  a.sent.altitudeFt > runway.altitudeFt + 250.0;
    }
    // Far from the park airport a landing is given up; without a park airport nothing says the
    // aircraft is far from where it lands, and the landing goes on.
    const bool awayFromParkAirport = ctx.world.parkAirport.known && !near;
    if (landing && (climbingAway || tooHigh || awayFromParkAirport)) {
        lf_clearLandingState(a);
        lf_setPhase(ctx.state, a, FlightPhase::flying);
        gf_setThrottle(q, a, 4);
        gf_setGear(q, a, 0);
        gf_setFlaps(q, a, 0);
        lf_setWindows(a, kWindowTicks);
        st.climbConfigGiven = 1;
    } else if (!intent) {
        if (vs0 > 600.0 && st.climbConfigGiven == 0) {
            gf_setThrottle(q, a, 4);
            gf_setGear(q, a, 0);
            gf_setFlaps(q, a, 0);
            st.touchDownStage = 0;
            st.climbConfigGiven = 1;
        }
    } else if (a.phase.phase == FlightPhase::flying && near) {
        lf_setPhase(ctx.state, a, FlightPhase::landing);
        gf_setThrottle(q, a, lf_rotorThrottle(a, 1));
        gf_setFlaps(q, a, 3);
        lf_gearDown(ctx);
        ctx.state.arrivedAircraft.push_back(a.base.hexid);
        a.motion.rotationCounter = 1;
        st.climbConfigGiven = 0;
        a.stand = LiveStand{.daySlot = a.stand.daySlot};
        lf_setWindows(a, kWideWindowTicks);
    }
}

void lf_setupAirStep(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    st.targetTrueAirspeed = a.stream[1].trueAirspeedKt;
    st.targetVerticalSpeed = a.stream[1].verticalSpeedFpm;
    if (st.touchDownStage == 0) {
        lf_setupVertical(ctx);
    }
    if (a.phase.phase != FlightPhase::takeoff) {
        lf_setupPitch(ctx);
    }
    lf_setupTurn(ctx, lf_stepTicks(ctx));
    lf_setupHeights(ctx);
}

} // namespace skyloom
