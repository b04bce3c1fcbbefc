#include "traffic/decode/new_sample_checks.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "traffic/stands/park_airport_services.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/decode/decode_existing.h"
#include "traffic/motion/extrapolation.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/motion_constants.h"
#include "traffic/motion/turn_reach.h"
#include "traffic/decode/sample_checks.h"
#include "traffic/step/traffic_exception.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

constexpr double kSamePositionDeg = 1e-8;
constexpr double kSamePointMetres = 0.1;
constexpr double kGateAheadRad = 30.0 * std::numbers::pi / 180.0;
constexpr double kAheadRad = 60.0 * std::numbers::pi / 180.0;
constexpr double kAirborneBehindMetres = 50.0;
// An aircraft this far from a report it had taken has gone on from it.
constexpr double kLeftBehindMetres = 50.0;
constexpr double kFlownOnRad = 30.0 * std::numbers::pi / 180.0;
constexpr double kFlownOnShare = 0.5;
constexpr double kTrackAgreementRad = 60.0 * std::numbers::pi / 180.0;
constexpr double kLandingBehindMetres = 20.0;
constexpr double kRollBehindMetres = 10.0;
constexpr double kTakeoffBehindMetres = 25.0;
constexpr double kClimbAwayFt = 50.0;
constexpr double kClimbAwayFpm = 400.0;
constexpr double kKeepSpeedAboveKt = 40.0;
constexpr double kTakeoffWatchTicks = 3000.0;
constexpr double kTicksPerSecond = 100.0;
constexpr double kPushedBackStepMetres = 4.0;
constexpr double kAwayMetres = 15.0;
constexpr double kNearStandMinMetres = 25.0;
constexpr std::uint32_t kShortStayWeekTicks = 60480000;
constexpr std::uint32_t kTicksPerMinute = 6000;

Lalo lf_at(const TrafficSample& s) {
    return {s.latitude, s.longitude};
}

bool lf_samePosition(const Lalo& a, const Lalo& b) {
    return std::abs(a.lat - b.lat) <= kSamePositionDeg &&
           std::abs(a.lon - b.lon) <= kSamePositionDeg;
}

double lf_metres(const Lalo& a, const Lalo& b) {
    return gf_distanceBearingMetres(a, 0, b).distance;
}

// How far `b` lies behind `a` along the aircraft's heading (positive behind).
double lf_behindMetres(const LiveAircraft& aircraft, const Lalo& a, const Lalo& b) {
    return -gf_distanceBearingMetres(a, aircraft.sent.headingRad, b).along;
}

// Whether the aircraft reaches `sample` from the newest report taken, leaving it along
// `trackRad`, by a turn at a rate its category flies and a straight, in the time between their
// stamps (the decoder has stamped the aircraft with the new report's time).
bool lf_reachableFromTakenReport(const LiveAircraft& aircraft, double trackRad, double speedKt,
                                 const TrafficSample& sample) {
    const double seconds = aircraft.lastSampleTime - aircraft.takenReportTime;
    return gf_reachableByTurning(aircraft.base.category, aircraft.takenReport, trackRad,
                                 std::max(speedKt, sample.groundSpeedKt), lf_at(sample), seconds);
}

// Whether `sample` lies on the way the aircraft flew on from its last report taken to `here`
// (within 30 degrees of it, seen from that report) as far as that report's speed flies in the
// time between their stamps (half of it at least). Such a report came late, and the aircraft
// passed it while it flew on without reports: an arrival whose report came 25 s after it was
// sent, 950 m behind where it had flown on, turned back to it and met its next reports 20 s
// late. One much nearer says the aircraft did not fly on (a helicopter hovering 100 m from
// its report 44 s before).
bool lf_liesOnTheWayFlownOn(const LiveAircraft& aircraft, const Lalo& here,
                            const TrafficSample& sample) {
    const Lalo& from = aircraft.takenReport;
    const double flownMetres = aircraft.takenReportSpeedKt * geo::kMetresPerSecondPerKnot *
                               (aircraft.lastSampleTime - aircraft.takenReportTime);
    return std::abs(gf_wrapAngle(gf_bearing(from, lf_at(sample)) - gf_bearing(from, here))) <=
               kFlownOnRad &&
           lf_metres(from, lf_at(sample)) >= kFlownOnShare * flownMetres;
}

// Whether an aircraft climbing out (airborne in take-off) turns to `sample` rather than runs
// back to it: it reaches the report from the newest report taken by a turn its category flies.
// A helicopter's circuit at 400 ft stays in take-off: its reports through the turn onto the
// downwind leg, 110 m behind the newest along its heading, were refused until it was removed
// while they kept coming.
bool lf_turnsToInClimb(const LiveAircraft& aircraft, const TrafficSample& sample) {
    return aircraft.phase.phase == FlightPhase::takeoff && aircraft.motion.onGround == 0 &&
           sample.airborne != 0 &&
           lf_reachableFromTakenReport(aircraft,
                                       aircraft.takenReportTrackDeg * std::numbers::pi / 180.0,
                                       aircraft.takenReportSpeedKt, sample);
}

// A report behind the newest one would make an airborne aircraft fly backwards to it. The
// direction of flight there is the newest sample's reported track, where the positions agree
// with it (the newest lies within 60 degrees of it, seen from the sample before it or from the
// aircraft): a single report far off the path leaves the track as it was, and a feed without
// tracks refuses nothing. The newest is where and when it was reported (the motion may have
// moved its sample on). A report that the aircraft reaches from there by one turn at a rate
// its category flies is not behind: a glider circling in a thermal comes back past where it
// was. A rotorcraft may back up. While the aircraft extrapolates, its own position decides
// instead (checkExtendingSituations).
bool lf_liesBehindNewest(const LiveAircraft& aircraft, const TrafficSample& sample) {
    const auto& stream = aircraft.stream;
    if (stream.empty() || aircraft.motion.onGround != 0 || sample.airborne == 0 ||
        aircraft.base.category == AircraftCategory::Rotorcraft ||
        aircraft.motion.extrapolationCounter > 0) {
        return false;
    }
    const TrafficSample& last = stream.back();
    const Lalo newest = aircraft.takenReport;
    const Lalo before = stream.size() >= 2 ? lf_at(stream[stream.size() - 2])
                                           : Lalo{aircraft.sent.latitude, aircraft.sent.longitude};
    const double track = last.trackDeg * std::numbers::pi / 180.0;
    if (!std::isfinite(track) || !(lf_metres(before, newest) > kSamePointMetres) ||
        std::abs(gf_wrapAngle(gf_bearing(before, newest) - track)) > kTrackAgreementRad) {
        return false;
    }
    if (!(-gf_distanceBearingMetres(newest, track, lf_at(sample)).along > kAirborneBehindMetres)) {
        return false;
    }
    return !lf_reachableFromTakenReport(aircraft, track, last.groundSpeedKt, sample);
}

std::uint32_t lf_nextTick(const TrafficState& state) {
    return state.currentTick() + 1;
}

void lf_recordStandUse(TrafficState& state, LiveAircraft& aircraft, std::int32_t kind) {
    state.parkAirport.addRealStandOption(aircraft, kind);
}

void lf_shortStayRule(TrafficState& state, LiveAircraft& aircraft) {
    PhaseState& phase = aircraft.phase;
    if (phase.phase != FlightPhase::parked || phase.beforePrevious != FlightPhase::landing_roll ||
        aircraft.stream.empty()) {
        return;
    }
    const std::uint32_t minutes =
        (state.currentTick() - static_cast<std::uint32_t>(aircraft.stream.front().time) +
         kShortStayWeekTicks) /
        kTicksPerMinute;
    std::uint32_t limit = 0;
    switch (aircraft.base.category) {
    case AircraftCategory::Heavy:
        limit = 60;
        break;
    case AircraftCategory::Large:
        limit = 25;
        break;
    case AircraftCategory::TwoProps:
    case AircraftCategory::Bizjet:
        limit = 15;
        break;
    default:
        break;
    }
    if (minutes < limit) {
        aircraft.sampleWatch.shortStay = 1;
    }
    phase.beforePrevious = FlightPhase::birth;
}

void lf_markDeparture(TrafficState& state, LiveAircraft& aircraft, TrafficSample& sample,
                      int mode) {
    sample.stationary = 0;
    aircraft.sampleWatch.pushbackRequest = 1;
    if (aircraft.phase.previous == FlightPhase::parked) {
        return;
    }
    aircraft.sampleWatch.noseOut = mode == 1 ? 1 : 0;
    if (aircraft.motion.extrapolationCounter > 0) {
        lf_shortStayRule(state, aircraft);
        if (aircraft.phase.phase == FlightPhase::parked && !aircraft.stream.empty()) {
            aircraft.stream.front().time = static_cast<std::int32_t>(lf_nextTick(state));
        }
        gf_endExtrapolation(aircraft);
    }
    lf_recordStandUse(state, aircraft, kStandUseLeft);
    aircraft.motion.landed = 0;
    if (aircraft.phase.phase != FlightPhase::parked) {
        lf_setPhase(state, aircraft, FlightPhase::parked);
    }
}

// An ending without taxi: the report says the aircraft still stands where it was pushed back
// (engines starting, waiting for its clearance), and its wait for reports starts again, as a
// ground conflict's does. Held only as long as a taxi waits, NKS736 at Los Angeles was removed
// for want of reports 3 minutes after its pushback while they kept coming.
bool lf_pushedBackNoTaxi(LiveAircraft& aircraft) {
    if (aircraft.groundConflict != 0 || aircraft.motion.extrapolationCounter > 0) {
        gf_endExtrapolation(aircraft);
    }
    return false;
}

bool lf_checkPushedBack(TrafficState& state, LiveAircraft& aircraft, TrafficSample& sample) {
    SampleWatch& w = aircraft.sampleWatch;
    const Lalo at = lf_at(sample);
    if (w.hasPushbackReference == 0) {
        w.pushbackReference = at;
        w.hasPushbackReference = 1;
        w.away = 0;
        w.awayCount = 0;
        return lf_pushedBackNoTaxi(aircraft);
    }
    if (lf_metres(w.pushbackReference, at) < kPushedBackStepMetres) {
        return lf_pushedBackNoTaxi(aircraft);
    }
    w.pushbackReference = at;
    const Lalo stand{aircraft.stand.latitude, aircraft.stand.longitude};
    const double nearMetres =
        std::max(2.0 * aircraft.base.halfWingspanNm * geo::kMetresPerNM, kNearStandMinMetres);
    if (lf_metres(stand, at) < nearMetres) {
        w.away = 0;
        w.awayCount = 0;
    } else if (w.away != 0) {
        ++w.awayCount;
        if (w.awayCount >= 2 && lf_metres(w.awayReference, at) >= kAwayMetres) {
            sample.stationary = 0;
            if (aircraft.groundConflict != 0 && !aircraft.stream.empty()) {
                aircraft.stream.front().time = static_cast<std::int32_t>(lf_nextTick(state));
                gf_endExtrapolation(aircraft);
            }
            w.hasPushbackReference = 0;
            w.away = 0;
            w.awayCount = 0;
            lf_setPhase(state, aircraft, FlightPhase::taxi);
            aircraft.stand.latitude = aircraft.stand.longitude = 0;
            aircraft.stand.standId = 0;
            aircraft.stand.atGate = 0;
            return true;
        }
    } else {
        w.away = 1;
        w.awayReference = at;
    }
    return lf_pushedBackNoTaxi(aircraft);
}

double lf_taxiOutMetres(const LiveAircraft& aircraft) {
    double metres = 180;
    switch (aircraft.base.category) {
    case AircraftCategory::Light:
        metres = 120;
        break;
    case AircraftCategory::TwoProps:
    case AircraftCategory::Bizjet:
        metres = 140;
        break;
    case AircraftCategory::Heavy:
        metres = 220;
        break;
    default:
        break;
    }
    return aircraft.stand.atGate != 0 ? metres + 30 : metres;
}

// Drops, while the new sample lies more than `limit` metres behind the newest, the newest (at
// most twice); false when the stream has one sample and the new one lies behind it.
void lf_dropNewestBehind(const LiveAircraft& aircraft, std::deque<TrafficSample>& stream,
                         const Lalo& at, double limit) {
    for (int i = 0; i < 2 && stream.size() >= 2; ++i) {
        if (!(lf_behindMetres(aircraft, lf_at(stream.back()), at) > limit)) {
            break;
        }
        stream.pop_back();
    }
}

} // namespace

void gf_endExtrapolation(LiveAircraft& aircraft) {
    MotionState& m = aircraft.motion;
    m.extrapolationCounter = 0;
    m.earlyWindowTicks = kConflictWindowTicks;
    m.lateWindowTicks = aircraft.phase.phase == FlightPhase::takeoff_roll
                            ? kConflictTakeoffLateWindowTicks
                            : kConflictWindowTicks;
    m.holdingSinceTick = 0;
    aircraft.groundConflict = 0;
    aircraft.sampleWatch.behindWhileExtrapolating = 0;
}

bool checkAtStandSituations(TrafficState& state, LiveAircraft& aircraft, TrafficSample& sample) {
    SampleWatch& w = aircraft.sampleWatch;
    aircraft.standWatch.seenAtStand = 1;
    const Lalo stand{aircraft.stand.latitude, aircraft.stand.longitude};
    const DistanceBearing db =
        gf_distanceBearingMetres(stand, aircraft.stand.headingRad, lf_at(sample));
    const double d = db.distance / geo::kMetresPerNM;
    const bool moved = d >= kMovedAtStandNm;
    const bool ahead =
        moved && std::abs(db.angle) <= (aircraft.stand.atGate != 0 ? kGateAheadRad : kAheadRad);
    // The report after two steps back confirms the pushback unless it came back toward the
    // stand: a pushback ends with a stop, and the reports repeat the place it ended at (NKS736
    // at Los Angeles 63 m back, 81 m, 81 m again, 92 m, 92 m again). Asked to go on moving
    // back, the aircraft stayed parked until its reports taxied off 100 m away, minutes later.
    if (w.pushbackCandidate != 0) {
        w.pushbackCandidate = 0;
        if (moved && !ahead && d >= w.candidateNm - kStepAtStandNm && d <= kPushbackMaxNm) {
            lf_markDeparture(state, aircraft, sample, 0);
            return true;
        }
    }
    const double left =
        aircraft.phase.previous == FlightPhase::parking ? 2 * kLeftStandNm : kLeftStandNm;
    if (d > left) {
        if (!moved) {
            return false;
        }
        if (ahead && d <= kTaxiOutMaxNm) {
            if (d * geo::kMetresPerNM < lf_taxiOutMetres(aircraft)) {
                return false;
            }
            lf_markDeparture(state, aircraft, sample, 1);
            return true;
        }
        if (!ahead && d <= kPushbackMaxNm) {
            lf_markDeparture(state, aircraft, sample, 0);
            return true;
        }
        lf_recordStandUse(state, aircraft, kStandUseGone);
        try {
            removeAircraftFromSim(state, aircraft, "it left its stand and is reported elsewhere");
        } catch (...) {
            gf_reportTrafficException("checkAtStandSituations");
        }
        return false;
    }
    aircraft.standWatch.parkedAt = state.clock.steadyNow();
    w.pushbackRequest = 0;
    if (w.nearestNm < 0) {
        w.nearestNm = w.farthestNm = d;
        w.outwardSteps = 0;
    } else if (d >= w.farthestNm + kStepAtStandNm) {
        w.farthestNm = d;
        ++w.outwardSteps;
        if (w.outwardSteps >= 2 && moved && !ahead &&
            d - w.nearestNm >= aircraft.base.halfWingspanNm / 2) {
            w.pushbackCandidate = 1;
            w.candidateNm = d;
            w.candidateAttitude[0] = sample.airborne;
            w.candidateAttitude[1] = sample.bankValid;
            w.candidateAttitude[2] = sample.trueHeadingValid;
        }
    } else if (d <= w.farthestNm - kStepAtStandNm) {
        w.nearestNm = w.farthestNm = d;
        w.outwardSteps = 0;
    }
    return false;
}

bool checkNewPosDuringLanding(TrafficState& state, LiveAircraft& aircraft, TrafficSample& sample) {
    auto& stream = aircraft.stream;
    if (stream.empty()) {
        LogFile::write(fmt::format("{} empty sz?", "checkNewPosDuringLanding"));
        return false;
    }
    TouchDown& td = aircraft.touchDown;
    if (sample.airborne == 0) {
        td.seen = 0;
    } else if (td.seen != 0) {
        if (sample.altitudeFt >= td.altitudeFt + kClimbAwayFt &&
            sample.verticalSpeedFpm >= kClimbAwayFpm && td.verticalSpeedFpm >= kClimbAwayFpm) {
            td.seen = 0; // climbs away
        } else {
            sample.airborne = 0;
        }
        td.altitudeFt = sample.altitudeFt;
        td.verticalSpeedFpm = sample.verticalSpeedFpm;
    }
    const Lalo at = lf_at(sample);
    if (lf_samePosition(lf_at(stream.back()), at)) {
        return false;
    }
    if (stream.size() == 1) {
        const double behind = lf_behindMetres(aircraft, lf_at(stream.back()), at);
        if (aircraft.phase.phase == FlightPhase::landing && behind > kLandingBehindMetres) {
            return false;
        }
        if (aircraft.phase.phase == FlightPhase::landing_roll && behind > kRollBehindMetres) {
            if (aircraft.motion.extrapolationCounter > 0) {
                return false;
            }
            TrafficSample restart = stream.front();
            restart.latitude = aircraft.sent.latitude;
            restart.longitude = aircraft.sent.longitude;
            restart.time = static_cast<std::int32_t>(lf_nextTick(state));
            stream.front() = restart;
        }
    } else {
        lf_dropNewestBehind(aircraft, stream, at, kLandingBehindMetres);
    }
    if (aircraft.motion.extrapolationCounter > 0) {
        gf_endExtrapolation(aircraft);
    }
    const TrafficSample& newest = stream.back();
    if (lf_samePosition(lf_at(newest), at)) {
        sample.stationary = 1;
    } else if (sample.groundSpeedKt > newest.groundSpeedKt &&
               sample.groundSpeedKt > kKeepSpeedAboveKt) {
        sample.groundSpeedKt = newest.groundSpeedKt;
    }
    return true;
}

bool checkNewPosDuringTakeoff(TrafficState& state, LiveAircraft& aircraft, TrafficSample& sample) {
    auto& stream = aircraft.stream;
    if (stream.empty()) {
        LogFile::write(fmt::format("{} empty sz?", "checkNewPosDuringTakeoff"));
        return false;
    }
    const Lalo at = lf_at(sample);
    if (lf_samePosition(lf_at(stream.back()), at)) {
        return false;
    }
    const double limit = aircraft.phase.phase == FlightPhase::takeoff_roll ? kRollBehindMetres
                                                                           : kTakeoffBehindMetres;
    const bool turnsTo = lf_turnsToInClimb(aircraft, sample);
    if (stream.size() == 1) {
        if (!turnsTo && lf_behindMetres(aircraft, lf_at(stream.back()), at) > limit) {
            return false;
        }
    } else if (!turnsTo) {
        lf_dropNewestBehind(aircraft, stream, at, limit);
    }
    const FlightPhase p = aircraft.phase.phase;
    const bool watched =
        p == FlightPhase::takeoff ||
        (p == FlightPhase::flying &&
         static_cast<double>(state.currentTick() - aircraft.phase.changeTick) < kTakeoffWatchTicks);
    if (aircraft.sampleWatch.takeoffInProgress != 0 && aircraft.motion.extrapolationCounter > 0 &&
        aircraft.motion.onGround == 0 && watched) {
        const Lalo here{aircraft.sent.latitude, aircraft.sent.longitude};
        const double ahead = sample.time - static_cast<double>(state.currentTick());
        if (ahead <= 1 || lf_metres(here, at) <= kSamePointMetres ||
            (!turnsTo && lf_behindMetres(aircraft, here, at) > limit)) {
            return false;
        }
        const double seconds = ahead / kTicksPerSecond;
        const double speed =
            stream.back().groundSpeedKt > 1 ? stream.back().groundSpeedKt : sample.groundSpeedKt;
        if (seconds >= 1 &&
            gf_checkJumpSpeed(lf_metres(here, at), seconds, speed, speed, aircraft.base.category)
                .implausible) {
            return false;
        }
    }
    if (aircraft.motion.extrapolationCounter > 0) {
        gf_endExtrapolation(aircraft);
    }
    aircraft.sampleWatch.takeoffInProgress = 0;
    const TrafficSample& newest = stream.back();
    if (sample.groundSpeedKt < newest.groundSpeedKt && newest.groundSpeedKt > kKeepSpeedAboveKt) {
        sample.groundSpeedKt = newest.groundSpeedKt;
    }
    return true;
}

namespace {

// Repeats of the newest report taken this long after it (the playback delay) are refused in
// flight.
constexpr double kRepeatsAwaitedSeconds = 30.0;

// Whether an airborne report of an aeroplane in flight repeats the position of the newest
// report taken, within a playback delay of it.
bool lf_repeatsTakenReportInFlight(const LiveAircraft& aircraft, const TrafficSample& sample) {
    return aircraft.motion.onGround == 0 && sample.airborne != 0 &&
           aircraft.base.category != AircraftCategory::Rotorcraft &&
           std::isfinite(aircraft.takenReportTime) &&
           aircraft.lastSampleTime - aircraft.takenReportTime <= kRepeatsAwaitedSeconds &&
           lf_samePosition(aircraft.takenReport, lf_at(sample));
}

} // namespace

bool gf_repeatsReportLeftBehind(const LiveAircraft& aircraft, const TrafficSample& sample) {
    const FlightPhase phase = aircraft.phase.phase;
    return aircraft.motion.onGround != 0 && phase != FlightPhase::parked &&
           phase != FlightPhase::parking && phase != FlightPhase::pushing_back &&
           phase != FlightPhase::pushed_back && aircraft.motion.extrapolationCounter > 0 &&
           std::isfinite(aircraft.takenReportTime) &&
           lf_samePosition(aircraft.takenReport, lf_at(sample)) &&
           lf_metres({aircraft.sent.latitude, aircraft.sent.longitude}, lf_at(sample)) >
               kLeftBehindMetres;
}

bool checkExtendingSituations(TrafficState& state, LiveAircraft& aircraft, TrafficSample& sample) {
    const bool placed =
        aircraft.simState != SimState::buffer && aircraft.simState != SimState::adding2sim;
    switch (aircraft.phase.phase) {
    case FlightPhase::parked:
        return placed && checkAtStandSituations(state, aircraft, sample);
    case FlightPhase::parking: {
        const Lalo stand{aircraft.stand.latitude, aircraft.stand.longitude};
        if (!placed || !(lf_metres(stand, lf_at(sample)) / geo::kMetresPerNM > kParkingLeftNm)) {
            return false;
        }
        lf_setPhase(state, aircraft, FlightPhase::taxi);
        sample.stationary = 0;
        return true;
    }
    case FlightPhase::pushing_back: {
        SampleWatch& w = aircraft.sampleWatch;
        w.pushbackReference = lf_at(sample);
        w.hasPushbackReference = 1;
        w.away = 0;
        w.awayCount = 0;
        return false;
    }
    case FlightPhase::pushed_back:
        return lf_checkPushedBack(state, aircraft, sample);
    case FlightPhase::landing:
    case FlightPhase::landing_roll:
        return checkNewPosDuringLanding(state, aircraft, sample);
    case FlightPhase::takeoff_roll:
    case FlightPhase::takeoff:
        return checkNewPosDuringTakeoff(state, aircraft, sample);
    default:
        break;
    }
    // In flight a report at the very place of the newest report taken is that report again,
    // its position not updated, whatever the stream's newest sample is by now (one the
    // aircraft flew on to without reports). Taken, it turned the aircraft back to a place it
    // had left, and its new time stamp made the next real report, far from it, one the
    // aircraft could not have reached: N700HW at Pontiac, whose reports repeat one position
    // for 30 s, turned back to it, flew on the wrong way, was refused its next three reports
    // and flew the rest of its flight some 100 s behind them. The feed still reports the
    // aircraft, though: flying on without reports, it waits for the next one afresh. Repeats
    // for longer than a playback delay say the feed has lost the aircraft, and are taken as
    // before: N3989Q at Las Vegas, whose reports repeat one position for 88 s and then resume
    // 7 km back, flew on the wrong way while they were refused, and 68 s behind its reports
    // for the rest of its flight.
    if (lf_repeatsTakenReportInFlight(aircraft, sample)) {
        if (aircraft.motion.extrapolationCounter > 0) {
            MotionContext ctx{state, aircraft, state.motionWorld};
            aircraft.motion.extrapolationCounter =
                std::max(aircraft.motion.extrapolationCounter, lf_extrapolationBudget(ctx));
        }
        return false;
    }
    // Marks a repeated position as standing, so that the motion waits there instead of
    // heading for it as for a new place.
    if (!lf_checkStationarySample(aircraft, sample) || lf_liesBehindNewest(aircraft, sample)) {
        return false;
    }
    if (aircraft.motion.extrapolationCounter <= 0) {
        return true;
    }
    if (aircraft.stream.empty()) {
        LogFile::write(fmt::format("{} empty sz?", "checkExtendingSituations"));
        return false;
    }
    // In the air, a report behind where the aircraft has flown on without reports is refused:
    // one on that way came late. One off it that the aircraft reaches from its last report
    // taken by a turn its category flies says it turned (a light aircraft turning back in a gap
    // of its reports): it flies to it instead of on the wrong way until it is removed.
    const Lalo here{aircraft.sent.latitude, aircraft.sent.longitude};
    if (aircraft.motion.onGround == 0 && lf_metres(here, lf_at(sample)) > kSamePointMetres &&
        lf_behindMetres(aircraft, here, lf_at(sample)) > kAirborneBehindMetres) {
        if (lf_liesOnTheWayFlownOn(aircraft, here, sample)) {
            return false;
        }
        if (!lf_reachableFromTakenReport(aircraft,
                                         aircraft.takenReportTrackDeg * std::numbers::pi / 180.0,
                                         aircraft.takenReportSpeedKt, sample)) {
            ++aircraft.sampleWatch.behindWhileExtrapolating;
            return false;
        }
    }
    gf_endExtrapolation(aircraft);
    aircraft.sampleWatch.takeoffInProgress = 0;
    aircraft.stream.front().time = static_cast<std::int32_t>(lf_nextTick(state));
    return true;
}

} // namespace skyloom
