#include "traffic/motion/step_timing.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <numbers>

#include <fmt/format.h>

#include "feed/time_offsets.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "traffic/ground/takeoff_decision.h"
#include "traffic/decode/message_decoder.h"
#include "traffic/ground/takeoff_rotation.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/motion_common.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

constexpr double kTicksPerHour = 360000.0;
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
        off = off || (gf_distanceNM(lf_lalo(s[i - 1]), lf_lalo(s[i])) * geo::kMetresPerNM >=
                          gf_leastLegMetres(s[i - 1], s[i]) &&
                      std::abs(gf_wrapAngle(chord - s[i].trackDeg * std::numbers::pi / 180.0)) >
                          kStaleChordOffRad);
    }
    return off;
}

// The tick a sample scheduled at `scheduled` is reached by an aircraft that makes up its delay
// from `from` on: at kLateCatchUpPace times the pace of its schedule, never before `due`. The
// one catch-up rule: a ground step's target and the samples a late target overtakes follow it
// alike.
std::int64_t lf_caughtUpTick(std::int64_t from, std::int64_t scheduled, std::int64_t due) {
    return std::max(
        due, from + static_cast<std::int64_t>(
                        std::ceil(std::max<std::int64_t>(1, scheduled - from) / kLateCatchUpPace)));
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
    if (a.motion.onGround != 0 && !lf_startsAirLegOnGround(a)) {
        // On the ground no faster than the aircraft rolls at the most, reached from the speed
        // it has, whatever its reports say (520 kt 1.2 km along the runway from a standstill);
        // so too the leg that starts with a lift-off, whose rotation is on the ground. Across
        // the airport off its runways no faster than a taxi.
        const double mostKt = gf_fastestOnGroundKt(a.base.category);
        const double fromKt = std::min(
            mostKt, std::max({0.0, a.step.presentSpeed,
                              std::isfinite(s[0].groundSpeedKt) ? s[0].groundSpeedKt : 0.0}));
        paceKt = std::min({paceKt, (fromKt + mostKt) / 2.0, lf_groundStepMostKt(a)});
    }
    return std::llround(nm * kTicksPerHour / paceKt);
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
                        gf_distanceNM(lf_lalo(s[1]), lf_lalo(s[2])) * geo::kMetresPerNM >=
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
        // They may lower a stale speed, never raise it: a leg timed above the reports' speed
        // would be flown faster than they say.
        return std::max(1.0, lf_agreesWithPositions(reported, positions)
                                 ? reported
                                 : std::min(reported, positions));
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
        a.motion.onGround != 0 && !lf_startsAirLegOnGround(a) ? kSlowestGroundLegKt : kSlowestLegKt;
    // A reported speed that the positions belie (in flight) is left out: a tanker whose
    // transponder said 536 kt throughout while it orbited at 360 to 460 kt caught up at 1.2
    // times 536 kt.
    const double positionsKt = lf_positionsSpeedKt(a);
    if (std::isfinite(positionsKt)) {
        fastestKt = std::max(fastestKt, positionsKt);
    }
    // A sample made from stream[0]'s report (a mid or corner sample, stamped with its report's
    // time) carries a mean of speeds, of 0 where the aircraft stood waiting for that report:
    // the speed the leg may be caught up at is the next report's. Before, UAL1693 at Los
    // Angeles, late from a wait and reported at 18 to 25 kt, caught up at 12 to 14 kt to such
    // samples and reached the report after one such wait 17 s late (now 5 s).
    for (std::size_t i = 0;
         i < s.size() && (i < 2 || gf_secondsBetweenReports(s[0], s[i - 1]) < kLegSpeedSeconds);
         ++i) {
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

bool lf_rollsOutFromTouchDown(const LiveAircraft& a) {
    const auto& s = a.stream;
    return a.phase.phase == FlightPhase::landing_roll && s.size() >= 2 &&
           std::max({a.step.presentSpeed, s[0].groundSpeedKt, s[1].groundSpeedKt}) >
               kOffRunwayMostKt;
}

void lf_retimeTarget(MotionContext& ctx, std::uint32_t ticks) {
    LiveAircraft& a = ctx.aircraft;
    if (a.stream.size() < 2) {
        return;
    }
    auto& s = a.stream;
    // Flown on without reports in the air, a step keeps its schedule but is no exception to
    // the pace: timed at 3 s whatever its length, the step to a sample made from a report the
    // aircraft had ended its leg short of closed the gap at once (RPA4914, DCM2915 and GJS4461
    // at Pontiac: 2.5 to 3.6 km at up to 3,870 kt). On the ground the roll's and the taxi's own
    // bounds hold such a step.
    if (a.motion.extrapolationCounter > 0) {
        if (a.motion.onGround != 0) {
            return;
        }
        const std::int64_t least = static_cast<std::int64_t>(ctx.tick()) + lf_leastLegTicks(a);
        if (least > s[1].time) {
            lf_delaySamplesFrom(s, 1, static_cast<std::int32_t>(least - s[1].time));
        }
        return;
    }
    const std::int32_t target = s[1].time;
    const std::int32_t due = s[1].dueTick != 0 ? s[1].dueTick : target;
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
    // A step reached late (its target retimed beyond its report's due tick) makes the delay
    // up at the catch-up pace: before, a wait or a slow turn put every later report of a
    // taxiing aircraft as late for good (UAL1693 at Los Angeles up to 44 s).
    // A landing roll that has slowed to a taxi's speed catches up as a taxi does: before,
    // N232PG (S22T), rolling out at Hawthorne at 10 to 12 kt for 90 s after its landing, stayed
    // the 15 s late its roll had made it and taxied on as late.
    if (a.motion.onGround != 0 && !lf_startsAirLegOnGround(a)) {
        const bool rollingOut = lf_rollsOutFromTouchDown(a);
        std::int64_t onTime = target;
        if (due < target && !rollingOut) {
            onTime = lf_caughtUpTick(ctx.tick(), target, due);
        }
        wanted = rollingOut ? std::max<std::int64_t>(wanted, target) : onTime;
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
    lf_delaySamplesFrom(s, 1, static_cast<std::int32_t>(wanted) - target);
}

void lf_delaySamplesFrom(std::deque<TrafficSample>& s, std::size_t from, std::int32_t later) {
    if (from >= s.size() || later == 0) {
        return;
    }
    std::int32_t scheduled = s[from].time;
    s[from].time += later;
    for (std::size_t i = from + 1; i < s.size() && s[i].time <= s[i - 1].time; ++i) {
        const std::int32_t gap = s[i].time - scheduled;
        scheduled = s[i].time;
        auto moved = static_cast<std::int32_t>(
            lf_caughtUpTick(s[i - 1].time, std::int64_t{s[i - 1].time} + gap, s[i].dueTick));
        if (later > 0) {
            moved = std::min(moved, s[i].time + later);
        }
        s[i].time = std::max(moved, s[i - 1].time + 1);
    }
}

std::int32_t lf_newestReportDueTick(const LiveAircraft& a) {
    if (a.newestReportDueTick != 0) {
        return a.newestReportDueTick;
    }
    return a.stream.empty() ? 0 : a.stream.back().dueTick;
}

bool lf_tooFarBehindToCatchUp(const LiveAircraft& a, std::int32_t tick) {
    const auto& s = a.stream;
    const std::int32_t due = lf_newestReportDueTick(a);
    // An approach or a climb-out flies its own path to the runway or away from it: SWA410 at
    // Las Vegas, whose reports stood still 5 NM out, flew its approach on without them.
    if (a.phase.phase != FlightPhase::flying || a.motion.onGround != 0 ||
        a.motion.extrapolationCounter > 0 || s.empty() || due == 0 || tick < due) {
        return false;
    }
    const double ranOut = due + static_cast<double>(kLiveOffsetBaseSeconds) * kMotionTicksPerSecond;
    if (s.size() > 1 && tick < ranOut) {
        return false;
    }
    // From where it is to the newest report, which it was to stand at now: a leg it could not
    // fly on time ends short of it, and the first step without reports would close the gap.
    double nm = gf_distanceNM(lf_position(a), lf_lalo(s[0]));
    double fastestKt = std::max(lf_fastestReportedKt(a), s[0].groundSpeedKt);
    for (std::size_t i = 1; i < s.size(); ++i) {
        nm += gf_distanceNM(lf_lalo(s[i - 1]), lf_lalo(s[i]));
        fastestKt = std::max(fastestKt, s[i].groundSpeedKt);
    }
    const double ticks = nm * kTicksPerHour / (fastestKt * kLateCatchUpPace);
    return std::isfinite(ticks) && tick + ticks > ranOut;
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

} // namespace skyloom
