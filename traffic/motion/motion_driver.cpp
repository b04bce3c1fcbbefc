#include "traffic/motion/motion_driver.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <numbers>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "config/params_snapshot.h"
#include "feed/time_offsets.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "foundation/random.h"
#include "runtime/current_day_slot.h"
#include "sim/sim_command_queue.h"
#include "traffic/decode/message_decoder.h"
#include "traffic/decode/sample_checks.h"
#include "traffic/ground/ground_motion.h"
#include "traffic/ground/takeoff_rotation.h"
#include "traffic/motion/air_step.h"
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
constexpr std::int32_t kExtrapolationSteps = 20;
constexpr std::int32_t kHoldingStepsPerMinute = 20;
constexpr double kStandReachNm = 0.009719222462203024; // 18 m
constexpr double kStandHeadingToleranceDeg = 40.0;
constexpr double kMetresPerNm = 1852.0;
constexpr double kFeetPerNm = 6076.11549;
constexpr double kExtrapolatedStepSeconds = 3.0;
// Beyond the range an aircraft waits for its next report this share of its reports' interval.
constexpr double kAwaitedIntervalShare = 1.5;
constexpr double kTicksPerHour = 360000.0;
// A leg may always be flown this fast (times kLateCatchUpPace): slower reports, a standing
// aircraft's positions a metre apart, say nothing of how fast it may catch up a few metres.
constexpr double kSlowestLegKt = 30.0;
// The same on the ground, where the reports' own speeds bound a taxi: a taxiing aircraft late
// at 10 kt caught up at 36 kt.
constexpr double kSlowestGroundLegKt = 10.0;
// Samples whose reports lie this far apart give a speed by their positions: nearer, they are
// no two reports of the aircraft but one and a sample made from it (a corner, a mid sample).
constexpr double kLegSpeedSeconds = kShortestStepTicks / 100.0;
// Reports this far apart give a speed by their positions that the feed's rounding (some 10 m)
// does not make: against it a reported speed is judged.
constexpr double kPositionsSpeedSeconds = 5.0;
// A reported speed further off the positions' one than this share of it is not the aircraft's
// (a transponder that never updates it).
constexpr double kSpeedAgreement = 0.1;
constexpr double kPositionsSpeedMostOffRad = 45.0 * std::numbers::pi / 180.0;
// A velocity the transponder did not update: the same speed and track, to the feed's whole
// knots and degrees, while the positions' chord lies this far off that track.
constexpr double kStaleSpeedKt = 1.0;
constexpr double kStaleTrackRad = 1.0 * std::numbers::pi / 180.0;
constexpr double kStaleChordOffRad = 10.0 * std::numbers::pi / 180.0;

// The slowest ground speed (kt) at which an airborne aircraft of the category extrapolates.
double lf_extrapolationSpeedFloorKt(AircraftCategory category) {
    switch (category) {
    case AircraftCategory::Light:
        return 25.0;
    case AircraftCategory::TwoProps:
        return 45.0;
    case AircraftCategory::HighPerf:
        return 90.0;
    default:
        return 70.0;
    }
}

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
    const double d = gf_distanceNM(lf_position(a), lf_lalo(a.stream[1])) * kMetresPerNm;
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

void lf_moveSampleAlongHeading(const LiveAircraft& a, TrafficSample& sample) {
    const double feet = sample.groundSpeedKt * kExtrapolatedStepSeconds * kFeetPerNm / 3600.0;
    const Lalo moved = gf_destination(lf_lalo(sample), a.sent.headingRad, feet);
    sample.latitude = moved.lat;
    sample.longitude = moved.lon;
}

// Beyond the range an aircraft whose stream runs out waits only for a report its feed still
// owes: as long as its reports come apart, half again for their jitter, and at least the
// playback delay (two reports seconds apart say nothing of how often the feed's rounds come),
// at most the steps of an aircraft in range. Its next report falls due no later than its
// reports' interval after the newest one did, and arrives before it falls due; but it may well
// arrive after the aircraft reached the newest (a report already some seconds old when its
// round came is due the sooner). Removed at once instead, aircraft reported every 17 to 25 s
// were removed whenever their round came late and created again with the next report.
std::int32_t lf_awaitNextReportSteps(const LiveAircraft& a) {
    const double interval = a.motion.reportIntervalSeconds;
    const double seconds =
        std::max(interval * kAwaitedIntervalShare, static_cast<double>(kLiveOffsetBaseSeconds));
    if (!std::isfinite(seconds)) {
        return 0;
    }
    return static_cast<std::int32_t>(
        std::min<double>(kExtrapolationSteps, std::ceil(seconds / kExtrapolatedStepSeconds)));
}

// The slowest an extrapolated airborne aircraft flies: the category's slowest flying speed (a
// rotorcraft may hover).
double lf_airborneExtrapolationFloorKt(AircraftCategory category) {
    return category == AircraftCategory::Rotorcraft ? 1.0 : lf_extrapolationSpeedFloorKt(category);
}

// A stationary sample stays where it is (its speed 0): only a moving one slows down, and not
// below the slowest the category flies (one already slower keeps its speed).
void lf_extrapolateAirborne(const LiveAircraft& a, std::int32_t stepsLeft, TrafficSample& s) {
    const double floor = lf_airborneExtrapolationFloorKt(a.base.category);
    if (a.phase.phase == FlightPhase::landing) {
        if (stepsLeft >= 4 && s.stationary == 0) {
            s.groundSpeedKt = std::max({1.0, s.groundSpeedKt * 0.94, std::min(floor, s.groundSpeedKt)});
        }
        if (a.step.touchDownStage <= 0) {
            s.altitudeFt -= 31.6825;
            s.verticalSpeedFpm = -633.65;
        }
    } else {
        if (s.stationary == 0) {
            s.groundSpeedKt = std::max({1.0, s.groundSpeedKt * 0.9, std::min(floor, s.groundSpeedKt)});
        }
        if (a.phase.phase == FlightPhase::takeoff) {
            s.altitudeFt += 75.0;
            s.verticalSpeedFpm = 1500.0;
        }
    }
    if (s.altitudeFt > 0) {
        s.airborne = 1;
    } else {
        s.altitudeFt = 0;
        s.airborne = 0;
    }
}

void lf_extrapolateOnGround(const LiveAircraft& a, TrafficSample& s) {
    double& gs = s.groundSpeedKt;
    // A roll whose last report stands still stands on: a roll speeds up only from a report
    // that moves.
    if (a.phase.phase == FlightPhase::takeoff_roll && s.stationary == 0) {
        gs = std::min(180.0, gs + 3.0 * (gs < 60.0 ? 4.0 : gs < 120.0 ? 3.0 : 2.0));
        if (gs > 170.0) {
            s.verticalSpeedFpm = 2400.0;
        } else if (gs > 140.0) {
            s.verticalSpeedFpm = 1200.0;
        } else if (gs == 140.0) {
            s.verticalSpeedFpm = 600.0;
        }
    } else if (a.phase.phase == FlightPhase::landing_roll || a.phase.phase == FlightPhase::flying) {
        // An aircraft set down in flight (no landing was flown) rolls out as from a landing,
        // not to a stop in one tick.
        s.verticalSpeedFpm = 0.0;
        const double slowing = gs >= 120.0 ? 6.0 : gs >= 80.0 ? 5.0 : gs >= 40.0 ? 4.0 : 2.5;
        gs = std::max(0.0, gs - 3.0 * slowing);
    } else {
        gs = 0.0;
        s.trueAirspeedKt = 0.0;
        s.stationary = 1;
    }
}

// Keeps the altitude of the sample just reached while airborne; the ground clears the list.
void lf_rememberReachedAltitude(ReachedAltitudes& reached, const TrafficSample& s0) {
    if (s0.airborne == 0 || !std::isfinite(s0.altitudeFt)) {
        reached.count = 0;
        return;
    }
    if (reached.count == ReachedAltitudes::kKept) {
        std::shift_left(reached.tick.begin(), reached.tick.end(), 1);
        std::shift_left(reached.altitudeFt.begin(), reached.altitudeFt.end(), 1);
        --reached.count;
    }
    reached.tick[reached.count] = s0.time;
    reached.altitudeFt[reached.count] = s0.altitudeFt;
    ++reached.count;
}

// In flight, a target closer to the sample just reached than gf_leastLegMetres (200 m, less
// for a slow aircraft), with a further sample to fly to, is passed over: the feed rounds
// positions to about 10 m, and a leg of a report or two seconds would bend the path by its
// rounding.
bool lf_isTooCloseToFlyTo(const LiveAircraft& a) {
    const auto& s = a.stream;
    return a.phase.phase == FlightPhase::flying && a.motion.onGround == 0 &&
           a.base.category != AircraftCategory::Rotorcraft && s.size() >= 3 &&
           s[1].airborne != 0 && s[2].airborne != 0 && s[2].stationary == 0 &&
           gf_distanceNM(lf_lalo(s[0]), lf_lalo(s[1])) * kMetresPerNm <
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
           gf_distanceNM(lf_lalo(s[0]), lf_lalo(s[1])) * kMetresPerNm <
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

// How much longer than the straight line to `to` the path of an airborne aircraft is: it
// leaves along its direction of flight, and the circular arc from there to `to` is that many
// times the chord (a quarter turn and more: half a circle's). 1 on the ground.
double lf_pathLengthFactor(const LiveAircraft& a, const Lalo& to) {
    if (a.motion.onGround != 0) {
        return 1.0;
    }
    const double flying = a.step.pathHeadingSet != 0 ? a.step.pathHeading : a.sent.headingRad;
    const double off = std::min(std::abs(gf_wrapAngle(gf_bearing(lf_position(a), to) - flying)),
                                std::numbers::pi / 2);
    return off > 1e-6 && std::isfinite(off) ? off / std::sin(off) : 1.0;
}

// Whether a reported speed agrees with the one the positions give (where they give one).
bool lf_agreesWithPositions(double reportedKt, double positionsKt) {
    return !std::isfinite(positionsKt) ||
           std::abs(reportedKt - positionsKt) <= kSpeedAgreement * positionsKt;
}

// Whether two samples give the same velocity, to the feed's whole knots and degrees.
bool lf_sameVelocity(const TrafficSample& a, const TrafficSample& b) {
    return std::abs(a.groundSpeedKt - b.groundSpeedKt) < kStaleSpeedKt &&
           std::abs(gf_wrapAngle((b.trackDeg - a.trackDeg) * std::numbers::pi / 180.0)) <
               kStaleTrackRad;
}

// Whether the transponder has not updated the velocity of the reports ahead: from the first
// sample on they give one speed and track while their positions lie off that track somewhere
// (a tanker that reported 536 kt and one track throughout its orbit). Where the reports'
// velocity changes, or their positions lie along it, the reported speed is the aircraft's: a
// real airliner's positions made 333 kt and then 704 kt for half a minute each (a position
// stamped late) while it reported 480 kt along them, which it flew.
bool lf_isStaleVelocity(const std::deque<TrafficSample>& s) {
    bool off = false;
    for (std::size_t i = 1; i < s.size() && s[i].airborne != 0 && std::isfinite(s[i].reportTime) &&
                            lf_sameVelocity(s[0], s[i]);
         ++i) {
        const double chord = gf_bearing(lf_lalo(s[i - 1]), lf_lalo(s[i]));
        off = off || (gf_distanceNM(lf_lalo(s[i - 1]), lf_lalo(s[i])) * kMetresPerNm >=
                          gf_leastLegMetres(s[i - 1], s[i]) &&
                      std::abs(gf_wrapAngle(chord - s[i].trackDeg * std::numbers::pi / 180.0)) >
                          kStaleChordOffRad);
    }
    return off;
}

} // namespace

std::int64_t lf_leastLegTicks(const LiveAircraft& a) {
    const auto& s = a.stream;
    if (s.size() < 2 || s[1].stationary != 0) {
        return 0;
    }
    const double nm =
        gf_distanceNM(lf_position(a), lf_lalo(s[1])) * lf_pathLengthFactor(a, lf_lalo(s[1]));
    if (!std::isfinite(nm)) {
        return 0;
    }
    double paceKt = lf_fastestReportedKt(a) * kLateCatchUpPace;
    if (a.motion.onGround != 0 && !lf_isSetDownInFlight(a)) {
        // On the ground no faster than the aircraft rolls at the most, reached from the speed
        // it has, whatever its reports say (520 kt 1.2 km along the runway from a standstill);
        // so too the leg that starts with a lift-off, whose rotation is on the ground.
        const double mostKt = gf_fastestOnGroundKt(a.base.category);
        const double fromKt = std::min(
            mostKt, std::max({0.0, a.step.presentSpeed,
                              std::isfinite(s[0].groundSpeedKt) ? s[0].groundSpeedKt : 0.0}));
        paceKt = std::min(paceKt, (fromKt + mostKt) / 2.0);
    }
    return std::llround(nm * kTicksPerHour / paceKt);
}

std::int32_t MotionContext::tick() const noexcept {
    return static_cast<std::int32_t>(state.currentTick());
}

void lf_noMoreNextPos(MotionContext& ctx) {
    noMoreNextPos(ctx.state, ctx.aircraft);
}

double lf_positionsSpeedKt(const LiveAircraft& a) {
    const auto& s = a.stream;
    if (s.size() < 2 || a.motion.onGround != 0 || s[0].airborne == 0 || s[1].airborne == 0 ||
        !lf_isStaleVelocity(s)) {
        return std::nan("");
    }
    const double seconds = gf_secondsBetweenReports(s[0], s[1]);
    const double flying = a.step.pathHeadingSet != 0 ? a.step.pathHeading : a.sent.headingRad;
    const double off = std::abs(gf_wrapAngle(gf_bearing(lf_position(a), lf_lalo(s[1])) - flying));
    // Reports that sample a turn coarsely (a glider's in its thermal, a leg through much of a
    // circle) say little of the length of the path flown by their chords.
    const bool coarse = s.size() >= 3 && s[2].airborne != 0 &&
                        gf_distanceNM(lf_lalo(s[1]), lf_lalo(s[2])) * kMetresPerNm >=
                            gf_leastLegMetres(s[1], s[2]) &&
                        !(std::abs(gf_wrapAngle(gf_bearing(lf_lalo(s[1]), lf_lalo(s[2])) -
                                                gf_bearing(lf_lalo(s[0]), lf_lalo(s[1])))) <=
                          kPositionsSpeedMostOffRad);
    if (!(seconds >= kPositionsSpeedSeconds) || !(off <= kPositionsSpeedMostOffRad) || coarse) {
        return std::nan("");
    }
    const double nm =
        gf_distanceNM(lf_lalo(s[0]), lf_lalo(s[1])) * lf_pathLengthFactor(a, lf_lalo(s[1]));
    return nm * 3600.0 / seconds;
}

double lf_stepSpeedKts(const LiveAircraft& aircraft) {
    const auto& s = aircraft.stream;
    if (s.empty()) {
        return 1.0;
    }
    const double a = s[0].groundSpeedKt;
    const double b = s.size() > 1 ? s[1].groundSpeedKt : std::nan("");
    const FlightPhase phase = aircraft.phase.phase;
    if ((phase == FlightPhase::takeoff_roll || phase == FlightPhase::landing_roll) &&
        std::isfinite(a) && std::isfinite(b) && a >= 0 && b >= 0 && (a > 0 || b > 0)) {
        return std::max(1.0, (a + b) / 2.0);
    }
    if (std::isfinite(a) && a > 0) {
        const double reported = std::isfinite(b) && b > 0 ? (a + b) / 2.0 : a;
        // In flight the positions, which the aircraft reaches at their times, say how fast it
        // flies where a stale reported speed says otherwise.
        const double positions = lf_positionsSpeedKt(aircraft);
        return std::max(1.0, lf_agreesWithPositions(reported, positions) ? reported : positions);
    }
    double speed = 0.0;
    if (s.size() > 1) {
        const double ticks = std::max<double>(kShortestStepTicks, s[1].time - s[0].time);
        speed = gf_distanceNM(lf_lalo(s[0]), lf_lalo(s[1])) * 360000.0 / ticks;
    }
    return std::isfinite(speed) && speed > 0 ? std::max(1.0, speed) : 1.0;
}

double lf_fastestReportedKt(const LiveAircraft& a) {
    const auto& s = a.stream;
    double fastestKt =
        a.motion.onGround != 0 && !lf_isSetDownInFlight(a) ? kSlowestGroundLegKt : kSlowestLegKt;
    // A reported speed that the positions belie (in flight) is left out: a tanker whose
    // transponder said 536 kt throughout while it orbited at 360 to 460 kt caught up at 1.2
    // times 536 kt.
    const double positionsKt = lf_positionsSpeedKt(a);
    if (std::isfinite(positionsKt)) {
        fastestKt = std::max(fastestKt, positionsKt);
    }
    for (std::size_t i = 0; i < std::min<std::size_t>(s.size(), 2); ++i) {
        if (std::isfinite(s[i].groundSpeedKt) &&
            lf_agreesWithPositions(s[i].groundSpeedKt, positionsKt)) {
            fastestKt = std::max(fastestKt, s[i].groundSpeedKt);
        }
    }
    // What the positions make between the feed's time stamps of their reports: over the
    // samples' arrival ticks they would give the program's own haste (a leg already retimed
    // late, a sample the aircraft waited at, stamped anew when the next report came), and two
    // reports' arrival ticks lie as far apart as their batches came, not as their positions
    // were taken (VIV511 climbing out of Los Angeles 45 s behind its reports, with two reports
    // stamped 42 s apart that came 31 s apart, flew 5 km at 1.5 times its fastest speed).
    if (s.size() >= 2) {
        if (const double seconds = gf_secondsBetweenReports(s[0], s[1]);
            seconds >= kLegSpeedSeconds) {
            fastestKt =
                std::max(fastestKt, gf_distanceNM(lf_lalo(s[0]), lf_lalo(s[1])) * 3600.0 / seconds);
        }
    }
    return fastestKt;
}

void lf_retimeTarget(MotionContext& ctx, std::uint32_t ticks) {
    LiveAircraft& a = ctx.aircraft;
    if (a.motion.extrapolationCounter > 0 || a.stream.size() < 2) {
        return;
    }
    auto& s = a.stream;
    const std::int32_t target = s[1].time;
    std::int64_t wanted = static_cast<std::int64_t>(ctx.tick()) + ticks;
    wanted = std::clamp<std::int64_t>(wanted, target - a.motion.earlyWindowTicks,
                                      static_cast<std::int64_t>(target) + a.motion.lateWindowTicks);
    // On the ground the step reaches its target when it is due, whatever speed the reports
    // give: their positions at their times are where the aircraft was. Timed by the reported
    // speed within the windows, a taxiing aircraft whose reported speeds outran its positions
    // arrived up to the early window (9 s, 27 s after a landing or at a stand) ahead of each
    // of its reports and kept so: on the KLAX capture JBU424, N777VP and WGN7345 ran 10 to 14 s
    // ahead, and a take-off roll from the wide window 24 s. A landing roll, which slows down
    // from its touch-down, is not early either, but late where its reported speeds make it:
    // it does not speed up again to catch up.
    if (a.motion.onGround != 0 && !lf_isSetDownInFlight(a)) {
        wanted = a.phase.phase == FlightPhase::landing_roll ? std::max<std::int64_t>(wanted, target)
                                                            : target;
    }
    // However late the aircraft is, and however the leg was timed, it does not race: before,
    // an aircraft more than the late window behind got the next tick for its whole leg, and a
    // report that came due at once after a wait was driven to in the shortest step.
    wanted = std::max(wanted, static_cast<std::int64_t>(ctx.tick()) + lf_leastLegTicks(a));
    // In the air the newest report known is reached no earlier than it is due: early, the
    // aircraft would only fly on without a report (or be removed, beyond the range) until
    // the next one comes, which it then has to meet from off its path.
    if (a.motion.onGround == 0 && s.size() == 2) {
        wanted = std::max<std::int64_t>(wanted, target);
    }
    wanted = std::max<std::int64_t>(wanted, ctx.tick() + 1);
    const auto newTick = static_cast<std::int32_t>(wanted);
    const std::int32_t later = newTick - target;
    s[1].time = newTick;
    if (later > 0 && s.size() >= 3 && newTick >= s[2].time) {
        for (std::size_t i = 2; i < s.size(); ++i) {
            s[i].time += later;
        }
    }
}

void lf_retimeHover(MotionContext& ctx) {
    const auto& s = ctx.aircraft.stream;
    if (s.empty()) {
        return;
    }
    const std::int32_t ahead = s[0].time - ctx.tick();
    const std::int32_t step =
        s.size() > 1 ? std::max(kShortestStepTicks, s[1].time - s[0].time) : kShortestStepTicks;
    lf_retimeTarget(ctx, static_cast<std::uint32_t>(std::max(kShortestStepTicks, ahead + step)));
}

void nextPosAir(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    try {
        const TrafficSample& s0 = a.stream[0];
        const TrafficSample& s1 = a.stream[1];
        const bool rotorcraft = a.base.category == AircraftCategory::Rotorcraft;
        if (s1.stationary != 0) {
            if (rotorcraft) {
                lf_retimeHover(ctx);
            } else {
                removeAircraftFromSim(ctx.state, a, "its next report stands still in the air");
            }
            return;
        }
        double distance = gf_distanceNM(lf_lalo(s0), lf_lalo(s1));
        if (!rotorcraft) {
            const double dt =
                std::max(kShortestStepTicks, s1.time - s0.time) / kMotionTicksPerSecond;
            if (distance * 360000.0 / dt < 40.0) {
                removeAircraftFromSim(ctx.state, a, "its reports are too slow to fly");
                return;
            }
        }
        double speed = 0.0;
        if (a.phase.phase == FlightPhase::landing && s1.airborne == 0) {
            speed = s0.groundSpeedKt > 0 ? s0.groundSpeedKt : 0.0;
        } else if (a.motion.onGround != 0) {
            // Set down in flight, it lifts off and flies to the report at the report's speed,
            // not at the mean with the speed it had rolled out to.
            speed = s1.groundSpeedKt > 0 ? s1.groundSpeedKt : 0.0;
        } else {
            const double stepSpeed = lf_stepSpeedKts(a);
            speed = stepSpeed > 1.0 ? stepSpeed : 0.0;
        }
        if (!(speed > 0) || !std::isfinite(speed)) {
            speed = 100.0;
        }
        // The leg is flown along its path, which leaves along the direction of flight.
        distance *= lf_pathLengthFactor(a, lf_lalo(s1));
        lf_retimeTarget(ctx, static_cast<std::uint32_t>(std::max<long>(
                                 kShortestStepTicks, std::lround(distance * 360000.0 / speed))));
    } catch (const std::exception& e) {
        LogFile::write(fmt::format("{}: {}, {}, sz:{}", "nextPosAir", gf_aircraftLogText(a.base),
                                   e.what(), a.stream.size()));
        throw;
    }
}

std::int32_t lf_extrapolationBudget(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    if (!gf_isCategoryIncluded(a.base.category, *gf_paramsSnapshot())) {
        return 0;
    }
    switch (a.phase.phase) {
    case FlightPhase::takeoff_roll:
    case FlightPhase::takeoff:
    case FlightPhase::landing:
    case FlightPhase::landing_roll:
        return kExtrapolationSteps;
    case FlightPhase::parked:
        return 1;
    case FlightPhase::pushed_back:
    case FlightPhase::taxi:
        a.motion.holdingSinceTick = ctx.tick();
        a.step.holding = 1;
        return ctx.world.maxHoldingMinutes * kHoldingStepsPerMinute;
    case FlightPhase::flying: {
        if (a.base.category != AircraftCategory::Rotorcraft) {
            const double gs = a.stream.empty() ? 0.0 : a.stream.back().groundSpeedKt;
            if (!std::isfinite(gs) || gs < lf_extrapolationSpeedFloorKt(a.base.category)) {
                return 0;
            }
        }
        const Lalo user = ctx.world.userPosition;
        if (std::abs(user.lat) <= 0.0001 && std::abs(user.lon) <= 0.0001) {
            return kExtrapolationSteps;
        }
        const Lalo here = lf_position(a);
        const double north = (here.lat - user.lat) * 60.0;
        const double east = gf_longitudeDifference(user.lon, here.lon) * 60.0 *
                            std::cos(user.lat * geo::kRadiansPerDegree);
        return std::hypot(north, east) <= ctx.world.rangeNm - 0.5 ? kExtrapolationSteps
                                                                  : lf_awaitNextReportSteps(a);
    }
    default:
        return 0;
    }
}

void lf_appendExtrapolatedSample(MotionContext& ctx, std::int32_t stepsLeft) {
    LiveAircraft& a = ctx.aircraft;
    a.motion.extrapolationCounter = stepsLeft;
    TrafficSample s = a.stream.back();
    const bool parked = a.phase.phase == FlightPhase::parked;
    if (s.stationary != 0 || parked) {
        s.groundSpeedKt = 0.0;
        s.trueAirspeedKt = 0.0;
        s.stationary = 1;
    }
    if (a.motion.onGround == 0) {
        lf_extrapolateAirborne(a, stepsLeft, s);
    } else {
        lf_extrapolateOnGround(a, s);
    }
    if (s.groundSpeedKt > 0) {
        if (a.phase.phase == FlightPhase::takeoff && a.step.sampleSkipped != 0) {
            s.groundSpeedKt = std::min(210.0, s.groundSpeedKt * 1.015);
        }
        lf_moveSampleAlongHeading(a, s);
        s.stationary = 0;
        // Moved on where no report put the aircraft; one that stays put is still that report.
        s.reportTime = std::nan("");
    } else {
        s.trueAirspeedKt = 0.0;
        s.stationary = 1;
    }
    s.time += parked ? kParkedHoldTicks : kExtrapolatedStepTicks;
    if (parked) {
        // The aircraft is held at its stand without reports from now on: the stayers count its
        // time from its last report at the stand, not as seen there.
        a.standWatch.seenAtStand = 0;
    }
    a.stream.push_back(s);
}

void lf_prepareStep(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    st.customDurationSet = 0;
    st.customDuration = 0;
    st.airLeg = CurvedAirLeg{};
    st.verticalLeg.valid = 0;
    st.targetDueTick = a.stream[1].time;
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
    if (a.motion.onGround != 0 && !lf_isSetDownInFlight(a)) {
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
        const std::int32_t length =
            st.customDurationSet != 0
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
    lf_rememberReachedAltitude(a.step.reachedAltitudes, a.stream[0]);
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
    const double d = gf_distanceNM(here, target) * kMetresPerNm;
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
