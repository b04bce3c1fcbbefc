#include "traffic/motion/touch_down.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

#include <fmt/format.h>

#include "runtime/run_services.h"

#include "config/params_snapshot.h"

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "foundation/time_text.h"
#include "refdata/code_table.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event.h"
#include "traffic/motion/air_step.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/step/flight_texts.h"
#include "traffic/motion/motion_common.h"
#include "traffic/motion/motion_constants.h"
#include "traffic/ground/ground_motion_constants.h"
#include "traffic/ground/runway_match.h"
#include "traffic/ground/takeoff_rotation.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

constexpr double kFeetPerNm = 6076.11549;
// The tail arm that lifts the centre of gravity in the rotation: a share of the half wingspan.
constexpr double kRotationArmShare = 0.22;
constexpr double kRotationArmMinFt = 4.0;
constexpr double kRotationArmMaxFt = 20.0;
constexpr double kRotationPitchMaxRad = 0.3490658503988659; // 20 degrees
constexpr double kRunwayClearanceFt = 1.0;
constexpr double kPitchSpanMin = 1e-9;
constexpr double kSettlingPitchMinRadPerTick =
    motion::kSettlingPitchLeastDegPerTick * geo::kRadiansPerDegree;
constexpr double kSettlingPitchMaxRadPerTick =
    motion::kTouchDownPitchMostDegPerTick * geo::kRadiansPerDegree;
// The wheels meet a runway on its pavement or its shoulder: 7.5 m each side of a 45 m runway
// (ICAO Annex 14, runway and shoulders 60 m wide for code letters D to F).
constexpr double kRunwayShoulderMetres = 7.5;

bool lf_isHeight(double h) {
    return std::isfinite(h) && h >= kGroundReportMinHeightFt && h <= kGroundReportMaxHeightFt;
}
bool lf_isUsableHeight(double h) {
    return lf_isHeight(h) && h != 0.0;
}

void lf_rememberTouchDownHeight(LiveAircraft& a, double heightFt) {
    a.touchDown.heightFt = heightFt;
    a.touchDown.pitchRad = a.sent.pitchRad;
    a.touchDown.heightSet = 1;
}

// True where the wheels meet a runway of the park airport's: its surface with the shoulders,
// not the search's margin beside it (30 m past the edge, in the grass).
bool lf_overRunwaySurface(const MotionContext& ctx, const Lalo& here) {
    const RunwayMatch under = gf_findRunwayUnder(ctx.world.runways, here);
    return under.valid != 0 &&
           std::abs(under.crossOffset) <= under.width / 2.0 + kRunwayShoulderMetres;
}

// Where a landing's wheels may not meet the ground yet (`held`), and the lowest its centre of
// gravity goes there: just above the runway before the touch-down zone; near the park airport
// off its runways, just above the ground there: an aeroplane lands on a runway, its pavement or
// shoulder. (DAL773's reports at Los Angeles ended on final 1.6 km before the runway's end,
// 225 ft above the field; on, its approach met the ground 700 m short and rolled at 99 kt.
// WWW563, converging on 19R at Las Vegas from the feed's line 300 m west of it, touched down
// 44 m off its centreline at 151 kt, in the grass.) A helicopter sets down where it is.
struct TouchDownHold {
    bool held = false;
    bool shortOfZone = false;
    RunwayMatch runway;
    double lowestFt = 0.0;
};

TouchDownHold lf_touchDownHold(MotionContext& ctx) {
    const LiveAircraft& a = ctx.aircraft;
    TouchDownHold hold;
    if (a.phase.phase != FlightPhase::landing) {
        return hold;
    }
    hold.runway = lf_runwayAhead(ctx);
    const RunwayMatch& runway = hold.runway;
    hold.shortOfZone = runway.valid != 0 && runway.distancePastThreshold &&
                       std::isfinite(*runway.distancePastThreshold) &&
                       std::isfinite(runway.altitudeFt) &&
                       *runway.distancePastThreshold < kTouchDownMinPastThresholdM;
    const Lalo here = lf_position(a);
    const double ground = a.motion.groundAltitudeFt;
    const bool offRunways = !hold.shortOfZone &&
                            a.base.category != AircraftCategory::Rotorcraft &&
                            std::isfinite(ground) && gf_isNearAirport(ctx.world.runways, here) &&
                            !lf_overRunwaySurface(ctx, here);
    hold.held = hold.shortOfZone || offRunways;
    hold.lowestFt = std::max(a.base.cgHeightFt, 0.0) +
                    (hold.shortOfZone ? runway.altitudeFt : ground) + kRunwayClearanceFt;
    return hold;
}

// A landing aircraft the simulator puts on the ground where its wheels may not meet it yet
// (`lf_touchDownHold`) stays just above it. True when it was held.
bool lf_holdShortOfTouchDownZone(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    const TouchDownHold hold = lf_touchDownHold(ctx);
    if (!hold.held) {
        return false;
    }
    a.sent.altitudeFt = std::max(hold.lowestFt, a.sent.altitudeFt);
    a.sent.verticalSpeedFpm = 0.0;
    a.step.presentVerticalSpeed = 0.0;
    // A flare goes on down and meets the runway again past the zone's start: stopped here, it
    // left the aircraft floating a foot above the runway for good.
    if (a.step.touchDownStage == 0) {
        a.step.verticalStep = 0.0;
    }
    if (hold.shortOfZone) {
        a.step.approachRunway = RunwayRecord{hold.runway, lf_position(a), 1};
    }
    return true;
}

// The landing's flare and glide-path marks end with the touch-down; the approach runway stays
// for the landing roll's centreline.
void lf_endFlare(LiveAircraft& a) {
    a.step.touchDownStage = 0;
    a.step.touchDownElevationSet = 0;
    a.step.approachSteepened = 0;
}

// The nose comes down from the flare's attitude to the ground pitch over the next seconds, not
// in one frame: at the flare's own pitch rate, kept between half a degree and one and a half
// degrees a second.
void lf_startSettling(LiveAircraft& a) {
    a.step.attitudeSettling = 1;
    a.step.pitchStep =
        std::clamp(std::abs(a.step.pitchStep), kSettlingPitchMinRadPerTick, kSettlingPitchMaxRadPerTick);
}

// A ground path still being walked gives way to straight increments toward the step's target.
void lf_straightenGroundPath(TrafficState& state, LiveAircraft& a) {
    if (a.step.groundPath.done != 0 || a.stream.size() < 2) {
        return;
    }
    const TrafficSample& target = a.stream[1];
    const auto remaining = std::max<std::int64_t>(
        static_cast<std::int64_t>(target.time) - static_cast<std::int64_t>(state.currentTick()),
        1);
    a.step.latitudeStep = (target.latitude - a.sent.latitude) / static_cast<double>(remaining);
    a.step.longitudeStep = (target.longitude - a.sent.longitude) / static_cast<double>(remaining);
    a.step.tickIncrements.clear();
    a.step.tickIncrementIndex = 0;
    a.step.groundPath = GroundPathFollow{};
}

// The speed (kt) at which the step in flight carries the aircraft: along its planned leg, else
// by its increments. The landing's own speed, which its target's report (on the ground, slow)
// does not give.
double lf_stepMovingKt(const LiveAircraft& a) {
    const MotionStep& st = a.step;
    double metresPerTick = 0.0;
    if (st.airLeg.valid != 0 && st.airLeg.lengthTicks > 0) {
        metresPerTick = st.airLeg.path.lengthMetres / st.airLeg.lengthTicks;
    } else {
        const double north = st.latitudeStep * 60.0 * geo::kMetresPerNM;
        const double east = st.longitudeStep * 60.0 * geo::kMetresPerNM *
                            std::cos(a.sent.latitude * geo::kRadiansPerDegree);
        metresPerTick = std::hypot(north, east);
    }
    const double kt = metresPerTick * ground::kTicksPerSecond / geo::kMetresPerSecondPerKnot;
    return std::isfinite(kt) ? std::max(kt, a.step.presentSpeed) : a.step.presentSpeed;
}

// The step the landing was flying ends where the wheels meet the runway: the rest of it is a
// landing roll, prepared as one from here (its speed profile, held on its runway), not the air
// leg flown on along the ground to a target that may lie off the runway. Flown on, AIJ2704 at
// Mexico City left 05L at 178 kt for a report on a taxiway 104 m off its centreline.
void lf_rollFromTheTouchDown(TrafficState& state, LiveAircraft& a) {
    if (a.stream.empty() || a.stream.front().stationary != 0) {
        return;
    }
    const auto now = static_cast<std::int32_t>(state.currentTick());
    if (a.stream.front().time <= now + 1) {
        return; // the step ends now anyway
    }
    // A target the aircraft has already passed (a report in the air over the runway behind the
    // touch-down) is no roll's end: rolled to from here, ASA1630 at Las Vegas overran its next
    // report on the ground by 110 m and stood there until it was removed.
    const Lalo here{a.sent.latitude, a.sent.longitude};
    const TrafficSample& target = a.stream.front();
    if (std::abs(gf_wrapAngle(gf_bearing(here, {target.latitude, target.longitude}) -
                              a.sent.headingRad)) >= std::numbers::pi / 2) {
        return;
    }
    TrafficSample start = target;
    start.latitude = here.lat;
    start.longitude = here.lon;
    start.altitudeFt = a.sent.altitudeFt;
    start.groundSpeedKt = std::max(0.0, lf_stepMovingKt(a));
    start.trueAirspeedKt = start.groundSpeedKt;
    start.trackDeg = gf_normaliseAngle(a.sent.headingRad) * geo::kDegreesPerRadian;
    start.verticalSpeedFpm = 0.0;
    start.airborne = 0;
    start.turnHoldMark = 0;
    start.turnHoldExceptionMark = 0;
    start.reportTime = std::numeric_limits<double>::quiet_NaN(); // no report put it there
    start.dueTick = 0;
    start.time = now;
    a.stream.push_front(start);
}

} // namespace

double lf_settingDownMostKt(const LiveAircraft& a, double groundFt) {
    if (a.base.category != AircraftCategory::Rotorcraft || a.phase.phase != FlightPhase::landing ||
        a.motion.onGround != 0 || !std::isfinite(groundFt)) {
        return std::numeric_limits<double>::infinity();
    }
    const double heightFt = a.sent.altitudeFt - groundFt - std::max(a.base.cgHeightFt, 0.0);
    if (!(heightFt < kSettingDownFt)) {
        return std::numeric_limits<double>::infinity();
    }
    return kOffRunwayMostKt + kSettingDownKtPerFt * std::max(heightFt, 0.0);
}

double lf_flareFloorFt(MotionContext& ctx) {
    const LiveAircraft& a = ctx.aircraft;
    const double floor = a.step.touchDownElevationFt + std::max(a.base.cgHeightFt, 0.0);
    const TouchDownHold hold = lf_touchDownHold(ctx);
    return hold.held && std::isfinite(hold.lowestFt) ? std::max(floor, hold.lowestFt) : floor;
}

void lf_reportTouchDown(MotionContext& ctx, double ticksToGround) {
    LiveAircraft& a = ctx.aircraft;
    const Lalo here = lf_position(a);
    const IataCode at = gf_iataCodeAt(here, IataCode{});
    std::optional<std::string> runway;
    if (a.step.approachRunway.set != 0 && !a.step.approachRunway.match.endDesignator.empty()) {
        runway = a.step.approachRunway.match.endDesignator;
    } else {
        runway = gf_runwayNameAt(ctx.world.runways, here, a.sent.headingRad);
    }
    const IataCode& from = a.base.origin;
    std::string text = fmt::format(
        "{} {} {} {} {} touch down{}{}{} ...", gf_programTimeTextShort(), a.base.callsign,
        a.base.registration, gf_airlineText(a.base.key.airline, a.base.key.operatorId),
        gf_modelCode(a.base.key.model),
        at.isSet() ? fmt::format(" at {}", at.text()) : std::string(" at ?"),
        from.isSet() ? fmt::format(" from {}", from.text()) : std::string(),
        runway ? fmt::format(" runway {}", *runway) : std::string());
    gf_flightMessage(text, *gf_paramsSnapshot(), ctx.state.services.window);
    gf_setSpoilers(ctx.state.commands, a, 1);
    if (a.base.category != AircraftCategory::Light) {
        ctx.state.commands.push(ReverseThrustCommand{a.objectId, 1, a.base.fsltlLivery});
    }
    if (ticksToGround >= static_cast<double>(a.base.touchDownTicks)) {
        LogFile::write(fmt::format("{} ! onGround slots {:.1f}", a.base.callsign, ticksToGround));
    }
}

void lf_touchDown(TrafficState& state, LiveAircraft& a) {
    const FlightPhase phase = a.phase.phase;
    if (a.simState == SimState::removingfromsim || phase == FlightPhase::takeoff) {
        return;
    }
    MotionContext ctx{state, a, state.motionWorld};
    if (phase == FlightPhase::landing && lf_holdShortOfTouchDownZone(ctx)) {
        return;
    }
    const bool fromLanding = phase == FlightPhase::landing;
    if (a.step.touchDownStage > 0 || fromLanding) {
        const double ticksToGround =
            static_cast<double>(state.currentTick()) - static_cast<double>(a.phase.changeTick);
        lf_setPhase(state, a, FlightPhase::landing_roll);
        if (fromLanding) {
            lf_endFlare(a);
        }
        a.step.ground.touchDownHeadingRad = a.sent.headingRad;
        a.step.ground.touchDownHeadingSet = 1;
        lf_startSettling(a);
        lf_reportTouchDown(ctx, ticksToGround);
    } else if (phase == FlightPhase::flying) {
        // Set down in flight (ground higher than its reports, a touch-and-go at another
        // airport): the nose comes down onto the wheels as after a landing, not in one frame.
        lf_startSettling(a);
    }
    // The feed's samples after the touch-down are on the runway, whatever their flag says,
    // until one climbs away (the landing's sample checks watch for that).
    if (fromLanding && !a.stream.empty()) {
        a.touchDown.seen = 1;
        a.touchDown.altitudeFt = a.stream.back().altitudeFt;
        a.touchDown.verticalSpeedFpm = a.stream.back().verticalSpeedFpm;
        for (TrafficSample& sample : a.stream) {
            sample.airborne = 0;
        }
    }
    if (fromLanding) {
        lf_rollFromTheTouchDown(state, a);
    }
    lf_straightenGroundPath(state, a);
    a.motion.onGround = 1;
    a.step.verticalStep = 0.0;
    a.motion.rotationCounter = 1;
}

std::string lf_applyGroundReport(TrafficState& state, LiveAircraft& a, const SimEvent& report,
                                 std::string source) {
    const double g = report.x;
    const double h = report.y;
    a.motion.heightAboveGroundFt = h;
    if (!std::isfinite(g)) {
        return source; // no ground to put the aircraft on
    }
    a.motion.groundAltitudeFt = g;
    const double c = a.base.cgHeightFt;
    const double pitch = a.sent.pitchRad;
    const double groundPitch = a.base.groundPitchRad;
    TouchDown& td = a.touchDown;
    if (a.motion.onGround == 0 && a.phase.phase == FlightPhase::landing &&
        a.step.touchDownStage > 0 && a.base.cgReported == 0 && std::isfinite(c) && c >= 1.0 &&
        c <= kGroundReportMaxHeightFt) {
        const double above = a.sent.altitudeFt - g;
        if (std::isfinite(above) && above >= kGroundReportMinHeightFt && above <= c) {
            lf_rememberTouchDownHeight(a, c);
            a.sent.altitudeFt = g + c;
            lf_touchDown(state, a);
            if (a.motion.onGround != 0) {
                source = "fallback";
            }
        }
    }
    if (a.motion.onGround != 0) {
        if (a.phase.phase == FlightPhase::landing_roll && td.heightSet == 0) {
            const double above = a.sent.altitudeFt - g;
            if (lf_isUsableHeight(h)) {
                lf_rememberTouchDownHeight(a, h);
            } else if (!lf_isUsableHeight(above)) {
                td.unusableReportSeen = 1;
            } else {
                lf_rememberTouchDownHeight(a, above);
            }
        }
        const bool cValid = lf_isUsableHeight(c);
        const double t = td.heightFt;
        if (td.heightSet != 0 && lf_isUsableHeight(t)) {
            if (!cValid) {
                a.sent.altitudeFt = g + t;
            } else if (std::isfinite(pitch) && std::isfinite(td.pitchRad) &&
                       std::isfinite(groundPitch)) {
                // The nose coming down from its touch-down pitch to its ground pitch brings the
                // centre of gravity down from the touch-down height to its own height.
                const double span = td.pitchRad - groundPitch;
                const double f = std::abs(span) > kPitchSpanMin
                                     ? std::clamp(std::abs((pitch - groundPitch) / span), 0.0, 1.0)
                                     : 0.0;
                a.sent.altitudeFt = g + c + (t - c) * f;
            } else {
                a.sent.altitudeFt = g + c;
            }
        } else {
            a.sent.altitudeFt = cValid ? g + c : g;
        }
    } else if (a.motion.rotationCounter >= 2) {
        const double arm = std::clamp(a.base.halfWingspanNm * kFeetPerNm * kRotationArmShare,
                                      kRotationArmMinFt, kRotationArmMaxFt);
        if (std::isfinite(c) && std::isfinite(pitch) && std::isfinite(groundPitch) &&
            std::isfinite(arm) && arm > 0) {
            a.sent.altitudeFt =
                g + c + std::sin(std::min(std::abs(pitch - groundPitch), kRotationPitchMaxRad)) * arm;
        } else {
            a.sent.altitudeFt = g + c;
        }
    }
    return source;
}

void lf_onAiPositionReport(TrafficState& state, LiveAircraft& a, const SimEvent& report) {
    if (report.value1 == 1 && a.motion.onGround == 0 && a.motion.rotationCounter < 2) {
        lf_touchDown(state, a);
        if (a.motion.onGround != 0) {
            lf_applyGroundReport(state, a, report, "simconnect");
            return;
        }
    }
    lf_applyGroundReport(state, a, report, std::string());
}

} // namespace skyloom
