#include "traffic/ground/takeoff_decision.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include <fmt/format.h>

#include "config/params_snapshot.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/time_text.h"
#include "refdata/code_table.h"
#include "runtime/run_services.h"
#include "traffic/ground/ground_motion_constants.h"
#include "traffic/ground/ground_roll.h"
#include "traffic/ground/runway_match.h"
#include "traffic/ground/takeoff_roll_end.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/motion_common.h"
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

bool lf_shortTakeoffRunway(const LiveAircraft& a) {
    return a.step.takeoffRunway.set != 0 && a.step.takeoffRunway.match.length <= kShortRunwayMetres;
}

} // namespace

double lf_highestVerticalSpeed(const LiveAircraft& a) {
    double most = -1e9;
    for (const TrafficSample& s : a.stream) {
        most = std::max(most, s.verticalSpeedFpm);
    }
    return most;
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

// The reports say the aircraft flies: a sample in the air or a strong climb.
bool lf_reportsSayAirborne(const LiveAircraft& a) {
    return std::any_of(a.stream.begin(), a.stream.end(),
                       [](const TrafficSample& x) { return x.airborne != 0; }) ||
           lf_highestVerticalSpeed(a) > kStrongClimbFpm;
}

bool lf_startsAirLegOnGround(const LiveAircraft& a) {
    return lf_isSetDownInFlight(a) || lf_isRotorcraftLiftingOff(a);
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
        const double ticks = lf_groundStepTicks(ctx);
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

} // namespace skyloom
