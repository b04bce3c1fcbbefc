#include "traffic/motion/extrapolation.h"

#include <algorithm>
#include <cmath>

#include "config/params_snapshot.h"
#include "feed/time_offsets.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/motion_common.h"
#include "traffic/motion/step_timing.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

constexpr double kFeetPerNm = 6076.11549;
constexpr std::int32_t kExtrapolationSteps = 20;
constexpr std::int32_t kHoldingStepsPerMinute = 20;
constexpr double kExtrapolatedStepSeconds = 3.0;
// Beyond the range an aircraft waits for its next report this share of its reports' interval.
constexpr double kAwaitedIntervalShare = 1.5;

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

void lf_moveSampleAlongHeading(const LiveAircraft& a, TrafficSample& sample) {
    const double feet = sample.groundSpeedKt * kExtrapolatedStepSeconds * kFeetPerNm / 3600.0;
    // A take-off roll goes on along its runway: slower than the centreline's pull begins
    // (30 kt), along the nose it rolled 42 m off 25R's centreline in 40 s (UAL1693 at Los
    // Angeles, its reports pausing at 27 kt as it began to roll).
    const RunwayRecord& runway = a.step.takeoffRunway;
    const double heading = a.phase.phase == FlightPhase::takeoff_roll && runway.set != 0 &&
                                   runway.match.valid != 0
                               ? runway.match.directionHeadingDeg * geo::kRadiansPerDegree
                               : a.sent.headingRad;
    const Lalo moved = gf_destination(lf_lalo(sample), heading, feet);
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
    // With one report there is no interval yet (NaN): the playback delay alone.
    const double interval = a.motion.reportIntervalSeconds;
    double seconds = static_cast<double>(kLiveOffsetBaseSeconds);
    if (std::isfinite(interval)) {
        seconds = std::max(seconds, interval * kAwaitedIntervalShare);
    }
    return static_cast<std::int32_t>(
        std::min<double>(kExtrapolationSteps, std::ceil(seconds / kExtrapolatedStepSeconds)));
}

// In flight the steps without reports are counted from when the feed's newest report fell due,
// not from when the aircraft reached it: one that reached it late flies on only as long as one
// on time would, and one later than that goes at once. Counted from its arrival, N398TG at Los
// Angeles, which reached its last report 27 s after it fell due, was shown 89 s after it (now
// 62 s); the later the aircraft, the longer it was shown without reports.
std::int32_t lf_stepsLeftAfterDue(const LiveAircraft& a, std::int32_t steps, std::int32_t tick) {
    const std::int32_t due = lf_newestReportDueTick(a);
    if (due == 0 || tick <= due) {
        return steps;
    }
    const std::int64_t left =
        std::int64_t{due} + std::int64_t{steps} * kExtrapolatedStepTicks - tick;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        (left + kExtrapolatedStepTicks - 1) / kExtrapolatedStepTicks, 0, steps));
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
            s.groundSpeedKt =
                std::max({1.0, s.groundSpeedKt * 0.94, std::min(floor, s.groundSpeedKt)});
        }
        if (a.step.touchDownStage <= 0) {
            s.altitudeFt -= 31.6825;
            s.verticalSpeedFpm = -633.65;
        }
    } else {
        if (s.stationary == 0) {
            s.groundSpeedKt =
                std::max({1.0, s.groundSpeedKt * 0.9, std::min(floor, s.groundSpeedKt)});
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
        // No faster than its newest report: a roll whose reports stop gives no speed beyond
        // theirs (VOI754 at Mexico City, reported at 32 kt as its reports stopped 240 m into
        // 05L, sped up to 180 kt and lifted off, 5.7 times the fastest speed they gave).
        const double reportedKt =
            std::isfinite(a.takenReportSpeedKt) ? std::max(gs, a.takenReportSpeedKt) : gs;
        gs = std::min({180.0, gs + 3.0 * (gs < 60.0 ? 4.0 : gs < 120.0 ? 3.0 : 2.0), reportedKt});
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

} // namespace

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
            return lf_stepsLeftAfterDue(a, kExtrapolationSteps, ctx.tick());
        }
        const Lalo here = lf_position(a);
        const double north = (here.lat - user.lat) * 60.0;
        const double east = gf_longitudeDifference(user.lon, here.lon) * 60.0 *
                            std::cos(user.lat * geo::kRadiansPerDegree);
        return lf_stepsLeftAfterDue(a,
                                    std::hypot(north, east) <= ctx.world.rangeNm - 0.5
                                        ? kExtrapolationSteps
                                        : lf_awaitNextReportSteps(a),
                                    ctx.tick());
    }
    default:
        return 0;
    }
}

void lf_appendExtrapolatedSample(MotionContext& ctx, std::int32_t stepsLeft) {
    LiveAircraft& a = ctx.aircraft;
    a.motion.extrapolationCounter = stepsLeft;
    TrafficSample s = a.stream.back();
    s.dueTick = 0;
    // In flight it flies on from where it is: a leg that ended short of its sample (a loop
    // toward a report behind the one before it) left nothing to catch up with but samples made
    // up from that report, which it chased round in circles or reached in one step's jump
    // (RPA4914 at Pontiac, 2.9 km short, looped for 35 s and then covered 2.5 km in 3 s). Too
    // far short of its newest report it was removed before (`lf_tooFarBehindToCatchUp`).
    if (a.motion.onGround == 0 && a.phase.phase == FlightPhase::flying) {
        s.latitude = a.sent.latitude;
        s.longitude = a.sent.longitude;
    }
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

} // namespace skyloom
