#include "traffic/motion/motion_driver.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "foundation/random.h"
#include "runtime/current_day_slot.h"
#include "sim/sim_command_queue.h"
#include "traffic/ground/ground_roll.h"
#include "traffic/ground/takeoff_decision.h"
#include "traffic/decode/message_decoder.h"
#include "traffic/decode/sample_checks.h"
#include "traffic/ground/ground_step.h"
#include "traffic/ground/taxi_leg.h"
#include "traffic/ground/takeoff_rotation.h"
#include "traffic/motion/air_step.h"
#include "traffic/motion/cruise_vertical.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/motion_common.h"
#include "traffic/stands/live_stands.h"
#include "traffic/stands/park_airport_services.h"
#include "traffic/stands/static_traffic.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

constexpr int kGuardPasses = 32;
// After this many ticks in flying a take-off's samples are no longer checked for catch-up.
constexpr std::int32_t kTakeoffCatchUpTicks = 3000;
constexpr std::int32_t kWindowLowering = 100;
constexpr double kStandReachNm = 0.009719222462203024; // 18 m
constexpr double kStandHeadingToleranceDeg = 40.0;
constexpr double kFeetPerNm = 6076.11549;
constexpr double kTicksPerHour = 360000.0;

void lf_lowerWindows(MotionState& motion) {
    motion.earlyWindowTicks = std::max(kWindowTicks, motion.earlyWindowTicks - kWindowLowering);
    motion.lateWindowTicks = std::max(kWindowTicks, motion.lateWindowTicks - kWindowLowering);
}

void lf_clearRoll(MotionContext& ctx) {
    ctx.aircraft.step.rollRunning = 0;
    lf_clearRollState(ctx);
}

bool lf_inTakeoffPhase(const MotionContext& ctx) {
    const PhaseState& p = ctx.aircraft.phase;
    if (p.phase == FlightPhase::takeoff) {
        return true;
    }
    return p.phase == FlightPhase::flying && p.previous == FlightPhase::takeoff &&
           ctx.tick() - static_cast<std::int32_t>(p.changeTick) <= kTakeoffCatchUpTicks;
}

// Step 4 of the guard loop: true when the take-off's next sample is far too slow to fly.
bool lf_isTakeoffTargetTooSlow(const MotionContext& ctx) {
    const LiveAircraft& a = ctx.aircraft;
    if (a.motion.extrapolationCounter > 0 || a.stream.size() < 2) {
        return false;
    }
    const double d = gf_distanceNM(lf_position(a), lf_lalo(a.stream[1])) * geo::kMetresPerNM;
    const double t =
        std::max(kShortestStepTicks, a.stream[1].time - ctx.tick()) / kMotionTicksPerSecond;
    return gf_isSlowSegment(d, t, a.stream[0].groundSpeedKt);
}

void lf_logFault(const MotionContext& ctx, const char* function, const std::exception& e) {
    const LiveAircraft& a = ctx.aircraft;
    LogFile::write(fmt::format("{}: {} {}, sz:{}, fs:{}, st:{}", function,
                               gf_aircraftLogText(a.base), e.what(), a.stream.size(),
                               gf_flightPhaseText(a.phase.phase), gf_simStateText(a.simState)));
}

// In flight, a target closer to the sample just reached than gf_leastLegMetres (200 m, less
// for a slow aircraft), with a further sample to fly to, is passed over: the feed rounds
// positions to about 10 m, and a leg of a report or two seconds would bend the path by its
// rounding.
bool lf_isTooCloseToFlyTo(const LiveAircraft& a) {
    const auto& s = a.stream;
    return a.phase.phase == FlightPhase::flying && a.motion.onGround == 0 &&
           a.base.category != AircraftCategory::Rotorcraft && s.size() >= 3 && s[1].airborne != 0 &&
           s[2].airborne != 0 && s[2].stationary == 0 &&
           gf_distanceNM(lf_lalo(s[0]), lf_lalo(s[1])) * geo::kMetresPerNM <
               gf_leastLegMetres(s[0], s[1]);
}

// In flight, a target the aircraft cannot reach by its time, even by the late window's 9 s
// later, flying straight at kLateCatchUpPace times the ground speed the reports give, with a
// further sample to fly to, is passed over: a report far off the path (a feed's glitch) is not
// chased at a speed the aircraft never flew, nor at the rate its category turns.
bool lf_isOutOfReach(const LiveAircraft& a, std::int32_t tick) {
    const auto& s = a.stream;
    if (a.phase.phase != FlightPhase::flying || a.motion.onGround != 0 ||
        a.base.category == AircraftCategory::Rotorcraft || s.size() < 3 ||
        a.motion.extrapolationCounter > 0 || s[1].airborne == 0 || s[1].stationary != 0 ||
        s[2].airborne == 0 || s[2].stationary != 0) {
        return false;
    }
    const double fastestKt = std::max({kSlowestLegKt, s[0].groundSpeedKt, s[1].groundSpeedKt});
    const double hours = std::max(0, s[1].time + a.motion.lateWindowTicks - tick) / kTicksPerHour;
    return gf_distanceNM(lf_position(a), lf_lalo(s[1])) > fastestKt * kLateCatchUpPace * hours;
}

// The same short leg with no sample after it yet (its report came later than the playback
// delay, so the aircraft reaches it before the next one comes) cannot be passed over: there is
// nothing else to fly to. Its direction is as much the feed's rounding as the aircraft's (10 m
// off in a 50 m leg is 11 degrees), and a curve to its end from the present heading turned 30
// degrees a second. The target is flown straight on instead: along the present heading, as far
// as it lies, at its time.
bool lf_isTooCloseLastTarget(const LiveAircraft& a) {
    const auto& s = a.stream;
    return a.phase.phase == FlightPhase::flying && a.motion.onGround == 0 &&
           a.base.category != AircraftCategory::Rotorcraft && s.size() == 2 &&
           a.motion.extrapolationCounter <= 0 && s[1].airborne != 0 && s[1].stationary == 0 &&
           gf_distanceNM(lf_lalo(s[0]), lf_lalo(s[1])) * geo::kMetresPerNM <
               gf_leastLegMetres(s[0], s[1]);
}

bool lf_isLandingRollAtRest(const LiveAircraft& a) {
    return a.phase.phase == FlightPhase::landing_roll && a.motion.onGround != 0 &&
           !a.stream.empty() &&
           (a.stream.back().stationary != 0 || !(a.stream.back().groundSpeedKt > 0));
}

// A parking aircraft that cannot take its stand leaves, and the log says why: its reports may
// well go on.
void lf_refuseStand(MotionContext& ctx, std::string_view why) {
    const LiveAircraft& a = ctx.aircraft;
    gf_removeAircraftReporting(
        ctx.state, ctx.aircraft, "lf_arriveAtStand",
        fmt::format("it could not park at {}: {}", ctx.state.standIdText(a.stand.standId), why));
}

void lf_placeStraightAhead(LiveAircraft& a) {
    TrafficSample& target = a.stream[1];
    const double feet = gf_distanceNM(lf_lalo(a.stream[0]), lf_lalo(target)) * kFeetPerNm;
    const Lalo ahead = gf_destination(lf_lalo(a.stream[0]), a.sent.headingRad, feet);
    target.latitude = ahead.lat;
    target.longitude = ahead.lon;
}

} // namespace

std::int32_t MotionContext::tick() const noexcept {
    return static_cast<std::int32_t>(state.currentTick());
}

void lf_noMoreNextPos(MotionContext& ctx) {
    noMoreNextPos(ctx.state, ctx.aircraft);
}

void lf_prepareStep(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    st.customDurationSet = 0;
    st.customDuration = 0;
    st.airLeg = CurvedAirLeg{};
    st.verticalLeg.valid = 0;
    st.targetDueTick = a.stream[1].time;
    // As the aircraft rolls at the most; a taxi across the airport sets its own (nextPosGround).
    st.groundMostKt = gf_fastestOnGroundKt(a.base.category);
    lf_alignApproach(ctx);
    st.groundPath.done = 1;
    st.groundPath.increments.clear();
    st.tickIncrements.clear();
    st.tickIncrementIndex = 0;
    const FlightPhase phase = a.phase.phase;
    if (a.motion.onGround == 0 ||
        (phase != FlightPhase::takeoff_roll && phase != FlightPhase::landing_roll)) {
        lf_clearRoll(ctx);
    }
    {
        TrafficSample& s0 = a.stream[0];
        TrafficSample& s1 = a.stream[1];
        if (s1.stationary == 0) {
            if (std::abs(s0.latitude - s1.latitude) < 1e-8 &&
                std::abs(s0.longitude - s1.longitude) < 1e-8) {
                s1.stationary = 1;
            } else {
                st.targetHeading = gf_bearing(lf_lalo(s0), lf_lalo(s1));
            }
        }
    }
    if (a.motion.onGround != 0 && !lf_startsAirLegOnGround(a)) {
        nextPosGround(ctx);
    } else {
        nextPosAir(ctx);
    }
    // The ground step may cut the stream (a taxi handed to its stand keeps only its oldest
    // sample until the drive onto the stand is added): a step needs a target, so a shorter
    // stream waits for the driver's next pass instead of stepping past its last sample.
    if (a.stream.size() < 2) {
        return;
    }
    const TrafficSample& s1 = a.stream[1];
    if (s1.stationary != 0) {
        lf_clearRoll(ctx);
        st.latitudeStep = 0.0;
        st.longitudeStep = 0.0;
        // It stands: a roll that starts from here starts from rest, not at the speed of the
        // step before.
        st.presentSpeed = 0.0;
        lf_lowerWindows(a.motion);
    } else {
        if (a.motion.onGround != 0) {
            lf_prepareTaxiLeg(ctx);
        }
        // A step of its own length (a turn in place, then the leg) is flown no faster than a
        // leg to its target may be either: the length came from the step's speed, which a
        // sample restamped after a wait makes what the reports never said (the helicopter
        // N672CG, reported at 8 kt, turned in place and then crossed 90 m in 1.6 s).
        const std::int32_t length = st.customDurationSet != 0
                                        ? static_cast<std::int32_t>(std::max<std::int64_t>(
                                              {1, st.customDuration, lf_leastLegTicks(a)}))
                                        : std::max(kShortestStepTicks, s1.time - ctx.tick());
        st.latitudeStep = (s1.latitude - a.sent.latitude) / length;
        // The short way round, so that a step across the antimeridian stays a small one.
        st.longitudeStep = gf_longitudeDifference(a.sent.longitude, s1.longitude) / length;
        if (a.motion.onGround != 0) {
            lf_setupGroundStep(ctx);
            lf_planTaxiLeg(ctx, length);
        } else {
            lf_setupAirStep(ctx);
        }
    }
    gf_rememberReachedAltitude(a.step.reachedAltitudes, a.stream[0]);
    a.stream.pop_front();
}

void lf_startTakeoffRoll(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    a.step.takeoffRunway = RunwayRecord{};
    a.step.rollRunning = 0;
    a.step.rotationPending = 0;
    a.step.centrelineSet = 0;
    lf_setPhase(ctx.state, a, FlightPhase::takeoff_roll);
    gf_setThrottle(ctx.state.commands, a, 0);
    gf_setSpoilers(ctx.state.commands, a, 0);
    gf_setFlaps(ctx.state.commands, a, 1);
    a.step.climbConfigGiven = 0;
    gf_setLights(ctx.state.commands, a.objectId, LightValues{1, 1, 1, 1, 1, 1, 0});
    a.motion.earlyWindowTicks = kWideWindowTicks;
    a.motion.lateWindowTicks = kTakeoffLateWindowTicks;
}

bool lf_checkTakeoffStart(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    if (st.takeoffCheckPending == 0 || a.motion.onGround == 0 || a.stream.size() < 2 ||
        a.stream[1].stationary != 0) {
        return false;
    }
    const Lalo here = lf_position(a);
    const Lalo target = lf_lalo(a.stream[1]);
    const double d = gf_distanceNM(here, target) * geo::kMetresPerNM;
    const double angle =
        std::abs(gf_wrapAngle(gf_bearing(here, target) - st.checkHeading)) * geo::kDegreesPerRadian;
    if (st.behindSampleDropped == 0 && d <= 150.0 && angle > 90.0) {
        a.stream.erase(a.stream.begin() + 1);
        st.behindSampleDropped = 1;
        return true;
    }
    const PhaseState& p = a.phase;
    const bool fromStand =
        p.previous == FlightPhase::pushed_back || p.beforePrevious == FlightPhase::parked;
    const IataCode& park = ctx.world.parkAirport.iata;
    const bool fromParkAirport = park.isSet() && a.base.origin == park;
    if (st.runwayStartSet != 0 && p.phase == FlightPhase::taxi && (fromParkAirport || fromStand) &&
        (a.motion.landed == 0 || fromStand) && d >= 5.0 && angle <= 30.0) {
        lf_startTakeoffRoll(ctx);
        const RunwayMatch match =
            gf_findRunwayOnCentreline(ctx.world.runways, here, st.checkHeading);
        if (match.valid != 0) {
            st.takeoffRunway.match = match;
            st.takeoffRunway.set = 1;
        }
    }
    st.runwayStart.clear();
    st.runwayStartSet = 0;
    st.takeoffCheckPending = 0;
    st.behindSampleDropped = 0;
    return false;
}

bool lf_arriveAtStand(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    a.motion.earlyWindowTicks = kWindowTicks;
    a.motion.lateWindowTicks = kWindowTicks;
    const bool free =
        lf_standFree(ctx.state, static_cast<std::int32_t>(a.stand.standId), a.base.hexid) == 0;
    const double headingOff =
        std::abs(gf_wrapAngle(a.sent.headingRad - a.stand.headingRad)) * geo::kDegreesPerRadian;
    if (!free || headingOff > kStandHeadingToleranceDeg) {
        a.motion.extrapolationCounter = 1;
        lf_refuseStand(
            ctx, !free ? std::string("another aircraft holds the stand")
                       : fmt::format("its heading is {:.0f} degrees off the stand's", headingOff));
        return false;
    }
    if (gf_distanceNM(lf_position(a), {a.stand.latitude, a.stand.longitude}) > kStandReachNm) {
        a.stand.latitude = 0.0;
        a.stand.longitude = 0.0;
        a.stand.headingRad = 0.0;
        a.stand.standId = 0;
        lf_setPhase(ctx.state, a, FlightPhase::taxi);
        return true;
    }
    if (a.stand.standId < 1 || a.base.hexid == 0 ||
        ctx.state.parkAirport.standById(static_cast<std::int32_t>(a.stand.standId)) == nullptr) {
        a.motion.extrapolationCounter = 1;
        lf_refuseStand(ctx, "the park airport has no such stand");
        return false;
    }
    lf_setPhase(ctx.state, a, FlightPhase::parked);
    a.step.parkedAtStamp = a.lastSampleTime;
    a.stream[0].stationary = 1;
    gf_startParkedTime(ctx.state, a);
    gf_setThrottle(ctx.state.commands, a, 0);
    gf_setFlaps(ctx.state.commands, a, 0);
    const auto random = [](std::size_t n) { return static_cast<std::int32_t>(gf_randomIndex(n)); };
    const std::int32_t t = a.stream[0].time;
    const std::int32_t r = random(10);
    auto& actions = ctx.state.parkedActions;
    actions.push_back({a.base.hexid, t + 1000 + 100 * r, ParkedAction::enginesOff});
    actions.push_back(
        {a.base.hexid, t + 1500 + 100 * (r + random(5)), ParkedAction::arrivalLights});
    actions.push_back(
        {a.base.hexid, t + 3000 + 100 * (r + random(100)), ParkedAction::parkedLights});
    std::stable_sort(actions.begin(), actions.end(),
                     [](const auto& x, const auto& y) { return x.dueTick > y.dueTick; });
    LogFile::write(fmt::format("{:14}: {:8} arrived at stand",
                               ctx.state.standIdText(a.stand.standId), a.base.callsign));
    ctx.state.arrivedAircraft.push_back(a.base.hexid);
    ctx.state.parkAirport.addRealStandOption(a, kStandUseArrived);
    gf_limitParkedAircraft(ctx.state, 0, gf_currentDaySlot());
    return true;
}

void nextPosMain(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    try {
        for (int pass = 0; pass < kGuardPasses; ++pass) {
            auto& s = a.stream;
            if (s.size() >= 2) {
                if (a.motion.onGround == 0 && s[1].stationary != 0 &&
                    a.base.category != AircraftCategory::Rotorcraft) {
                    s.erase(s.begin() + 1);
                    continue;
                }
                if (lf_isTooCloseToFlyTo(a) || lf_isOutOfReach(a, ctx.tick())) {
                    s.erase(s.begin() + 1);
                    continue;
                }
                if (lf_isTooCloseLastTarget(a)) {
                    lf_placeStraightAhead(a);
                }
                if (lf_checkTakeoffStart(ctx) || lf_insertRotationPoint(ctx)) {
                    continue;
                }
                if (lf_inTakeoffPhase(ctx) && lf_isTakeoffTargetTooSlow(ctx)) {
                    s.resize(1);
                    a.step.sampleSkipped = 1;
                    continue;
                }
                lf_prepareStep(ctx);
                return;
            }
            if (s.empty()) {
                lf_noMoreNextPos(ctx);
                return;
            }
            if (a.phase.phase == FlightPhase::parking && !lf_arriveAtStand(ctx)) {
                return;
            }
            if (lf_isLandingRollAtRest(a)) {
                // Rolled out along the runway without a report: the roll is over, and the
                // aircraft waits for its next report as a taxiing one waits, wherever it lies.
                lf_endLandingRoll(ctx);
                a.motion.extrapolationCounter = 0;
            }
            std::int32_t& counter = a.motion.extrapolationCounter;
            std::int32_t steps = 0;
            if (counter < 0) {
                lf_noMoreNextPos(ctx);
                return;
            }
            if (counter == 1) {
                counter = -1;
                lf_noMoreNextPos(ctx);
                return;
            }
            steps = counter > 1 ? counter - 1 : lf_extrapolationBudget(ctx);
            if (steps < 1) {
                lf_noMoreNextPos(ctx);
                return;
            }
            lf_appendExtrapolatedSample(ctx, steps);
        }
        LogFile::write(fmt::format("{}: guard exceeded {}, sz:{}, fs:{}, st:{}", "nextPosMain",
                                   gf_aircraftLogText(a.base), a.stream.size(),
                                   gf_flightPhaseText(a.phase.phase), gf_simStateText(a.simState)));
        lf_noMoreNextPos(ctx);
    } catch (const std::exception& e) {
        lf_logFault(ctx, "nextPosMain", e);
        throw;
    }
}

void nextPosMain(TrafficState& state, LiveAircraft& aircraft) {
    MotionContext ctx{state, aircraft, state.motionWorld};
    nextPosMain(ctx);
}

} // namespace skyloom
