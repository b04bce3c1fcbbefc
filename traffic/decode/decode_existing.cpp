#include "traffic/decode/decode_existing.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <string_view>

#include <fmt/format.h>

#include "config/params_snapshot.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "traffic/ground/takeoff_roll_end.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/ground/line_up.h"
#include "traffic/motion/motion_driver.h"
#include "traffic/decode/new_sample_checks.h"
#include "traffic/ground/runway_match.h"
#include "traffic/decode/sample_checks.h"

namespace skyloom {

namespace {

constexpr double kTicksPerSecond = 100.0;
// Repeated positions: the newest moving sample counts when it lies this close behind.
constexpr double kRepeatWindowSeconds = 22.0;
constexpr double kRepeatMaxSpeedKt = 35.0;
constexpr std::size_t kRepeatScanDepth = 7;
// A take-off roll starts on a runway at this speed at least (or half the reference speed).
constexpr double kTakeoffStartMinKt = 43.0;
// Lined up with a runway: the heading within this of the runway's direction.
constexpr double kLinedUpMaxDeg = 30.0;
constexpr double kStationaryTakeoffKt = 30.0;
// Two slow reports of a roll this close together are one place.
constexpr double kRollInPlaceMetres = 30.0;
// Aircraft lines of the log stand 16 blanks in.
constexpr std::string_view kLogIndent = "                ";
constexpr double kSameSpotTakeoffKt = 50.0;

Lalo lf_at(const TrafficSample& s) {
    return {s.latitude, s.longitude};
}

bool lf_refusedStanding(const LiveAircraft& aircraft, const TrafficSample& sample,
                        const TrafficSample& newest, double takeoffSpeedKt) {
    if (sample.airborne != 0 ||
        (aircraft.simState == SimState::active && aircraft.motion.onGround == 0)) {
        return true;
    }
    return aircraft.phase.phase == FlightPhase::takeoff_roll && sample.groundSpeedKt > 0 &&
           newest.groundSpeedKt >= takeoffSpeedKt;
}

// Cuts runs of samples that repeat one position, so that the motion does not wait on them.
void lf_cutRepeats(LiveAircraft& aircraft, const TrafficSample& sample) {
    auto& stream = aircraft.stream;
    if (sample.airborne != 0 || stream.back().stationary == 0) {
        return;
    }
    if (sample.stationary != 0) {
        const bool allFlagged = std::all_of(stream.begin(), stream.end(),
                                            [](const TrafficSample& s) { return s.stationary != 0; });
        if (allFlagged && stream.size() > 1) {
            stream.resize(1);
        }
        return;
    }
    if (stream.size() < 3) {
        return;
    }
    const std::size_t lowest = stream.size() > kRepeatScanDepth ? stream.size() - kRepeatScanDepth : 1;
    for (std::size_t i = stream.size() - 2; i >= lowest; --i) {
        if (stream[i].stationary != 0) {
            continue;
        }
        const double seconds = (sample.time - stream[i].time) / kTicksPerSecond;
        if (seconds > 0 && seconds <= kRepeatWindowSeconds &&
            gf_distanceNM(lf_at(stream[i]), lf_at(sample)) * 3600.0 / seconds <= kRepeatMaxSpeedKt) {
            stream.resize(i + 1);
        }
        return;
    }
}

void lf_timeArrival(const LiveAircraft& aircraft, TrafficSample& sample) {
    const TrafficSample& newest = aircraft.stream.back();
    sample.time = std::max(sample.time, newest.time + 1);
    if (newest.airborne == 0 || sample.airborne == 0) {
        return;
    }
    const double metres = gf_distanceNM(lf_at(newest), lf_at(sample)) * geo::kMetresPerNM;
    const double seconds = (sample.time - newest.time) / kTicksPerSecond;
    const JumpCheck check = gf_checkJumpSpeed(metres, seconds, newest.groundSpeedKt,
                                              sample.groundSpeedKt, aircraft.base.category);
    if (check.implausible && std::isfinite(check.minimumTime)) {
        const double ticks = std::ceil(check.minimumTime * kTicksPerSecond);
        sample.time = newest.time +
                      static_cast<std::int32_t>(std::max(ticks, double{kMinAirborneStepTicks}));
    }
}

// The report now joining the stream: the decoder stamped the aircraft with its time.
void lf_noteTakenReport(LiveAircraft& aircraft, TrafficSample& sample) {
    const double interval = aircraft.lastSampleTime - aircraft.takenReportTime;
    if (std::isfinite(interval) && interval > 0) {
        aircraft.motion.reportIntervalSeconds = interval;
    }
    sample.reportTime = aircraft.lastSampleTime;
    aircraft.takenReport = lf_at(sample);
    aircraft.takenReportTime = aircraft.lastSampleTime;
    aircraft.takenReportTrackDeg = sample.trackDeg;
    aircraft.takenReportSpeedKt = sample.groundSpeedKt;
}

// The report's track as a heading in [0, 2 pi).
double lf_headingOf(const TrafficSample& sample) {
    const double h = std::fmod(sample.trackDeg * geo::kRadiansPerDegree, geo::kTwoPi);
    return h < 0 ? h + geo::kTwoPi : h;
}

// A roll (started by an airborne flag or by speed) whose reports then stay slow in one place is
// none: the aircraft taxies again and stands at its reports instead of rolling on extrapolated
// samples, which the checks of the roll would keep while the reports lie behind them.
bool lf_endRollInPlace(TrafficState& state, LiveAircraft& aircraft, const TrafficSample& sample) {
    GroundState& ground = aircraft.step.ground;
    if (aircraft.phase.phase != FlightPhase::takeoff_roll || aircraft.motion.onGround == 0 ||
        sample.airborne != 0 || !(sample.groundSpeedKt < kStationaryTakeoffKt)) {
        ground.slowRollReportSet = 0;
        return false;
    }
    const Lalo here = lf_at(sample);
    const bool inPlace =
        ground.slowRollReportSet != 0 &&
        ground.slowRollReportTick >= static_cast<std::int32_t>(aircraft.phase.changeTick) &&
        gf_distanceNM(ground.slowRollReport, here) * geo::kMetresPerNM <= kRollInPlaceMetres;
    ground.slowRollReport = here;
    ground.slowRollReportTick = static_cast<std::int32_t>(state.currentTick());
    ground.slowRollReportSet = 1;
    if (!inPlace) {
        return false;
    }
    MotionContext ctx{state, aircraft, state.motionWorld};
    lf_backToTaxi(ctx);
    ground.slowRollReportSet = 0;
    if (aircraft.motion.extrapolationCounter > 0) {
        // The extrapolated samples ahead are no reports: the aircraft heads from where it
        // stands to the report.
        gf_endExtrapolation(aircraft);
        TrafficSample at = aircraft.stream.empty() ? sample : aircraft.stream.front();
        at.latitude = aircraft.sent.latitude;
        at.longitude = aircraft.sent.longitude;
        at.groundSpeedKt = 0;
        at.stationary = 1;
        at.time = static_cast<std::int32_t>(state.currentTick() + 1);
        aircraft.stream.clear();
        aircraft.stream.push_back(at);
    }
    LogFile::write(fmt::format("{}{:8} {:12} stands: its take-off roll ends, the reports stay "
                               "slow in one place",
                               kLogIndent, aircraft.base.callsign, aircraft.base.registration));
    return true;
}

void lf_checkTakeoffStart(TrafficState& state, LiveAircraft& aircraft, const TrafficSample& sample) {
    const FlightPhase phase = aircraft.phase.phase;
    if (aircraft.simState != SimState::active || aircraft.motion.onGround == 0 ||
        phase == FlightPhase::takeoff_roll) {
        return;
    }
    const TrafficSample& newest = aircraft.stream.back();
    if (phase == FlightPhase::landing_roll) {
        if (newest.airborne != 0 && sample.airborne != 0) {
            // A go-around from the runway.
            lf_setPhase(state, aircraft, FlightPhase::takeoff_roll);
            aircraft.touchDown = TouchDown{};
            aircraft.motion.earlyWindowTicks = 2700;
            aircraft.motion.lateWindowTicks = 4500;
            MotionContext ctx{state, aircraft, state.motionWorld};
            lf_startTakeoffRoll(ctx);
        }
        return;
    }
    if (phase != FlightPhase::taxi) {
        return;
    }
    // At the park airport, whose runways the program knows, the evidence counts only on a
    // runway the aircraft is on or lined up with, where it stands or where the report puts it:
    // an aircraft holding short, or taxiing beside a runway, whose report says airborne does
    // not roll off along its heading with no runway ahead. Elsewhere an airborne report alone
    // starts the roll.
    const std::span<const FacilityRunway> runways = state.motionWorld.runways;
    const Lalo here{aircraft.sent.latitude, aircraft.sent.longitude};
    const auto linedUp = [&](const Lalo& at, double headingRad) {
        const RunwayMatch runway = gf_findRunwayAt(runways, at, headingRad, false, 0.0);
        return runway.valid != 0 && runway.headingDifferenceDeg <= kLinedUpMaxDeg;
    };
    const bool onRunway =
        !runways.empty() &&
        (linedUp(here, aircraft.sent.headingRad) ||
         linedUp(lf_at(sample), lf_headingOf(sample)));
    const bool runwaysKnown = !runways.empty() && gf_isNearAirport(runways, here);
    const double least = std::max(lf_categorySpeedKts(aircraft, 0) / 2.0, kTakeoffStartMinKt);
    const bool fast = onRunway && newest.groundSpeedKt >= least && sample.groundSpeedKt >= least;
    if ((sample.airborne != 0 && (onRunway || !runwaysKnown)) || fast) {
        MotionContext ctx{state, aircraft, state.motionWorld};
        lf_startTakeoffRoll(ctx);
    }
}

} // namespace

bool lf_checkStationarySample(const LiveAircraft& aircraft, TrafficSample& sample) {
    if (aircraft.stream.empty()) {
        return true;
    }
    const TrafficSample& newest = aircraft.stream.back();
    const double dLat = std::abs(sample.latitude - newest.latitude);
    const double dLon = std::abs(sample.longitude - newest.longitude);
    const bool stationary = dLat < kStationaryDeg && dLon < kStationaryDeg;
    sample.stationary = stationary ? 1 : 0;
    if (aircraft.base.category == AircraftCategory::Rotorcraft) {
        return true;
    }
    if (stationary) {
        if (lf_refusedStanding(aircraft, sample, newest, kStationaryTakeoffKt)) {
            return false;
        }
        sample.groundSpeedKt = 0;
        return true;
    }
    if (dLat < kSameSpotDeg && dLon < kSameSpotDeg) {
        if (lf_refusedStanding(aircraft, sample, newest, kSameSpotTakeoffKt)) {
            return false;
        }
        sample.latitude = newest.latitude;
        sample.longitude = newest.longitude;
        sample.altitudeFt = newest.altitudeFt;
        sample.trackDeg = newest.trackDeg;
        sample.verticalSpeedFpm = newest.verticalSpeedFpm;
        sample.trueAirspeedKt = newest.trueAirspeedKt;
        sample.groundSpeedKt = 0;
        sample.stationary = 1;
        return true;
    }
    if (sample.groundSpeedKt != 0) {
        return true;
    }
    if (aircraft.phase.phase != FlightPhase::takeoff_roll && sample.airborne == 0) {
        return true;
    }
    return newest.groundSpeedKt < kSameSpotTakeoffKt;
}

void decodeExisting(TrafficState& state, LiveAircraft& aircraft, TrafficSample& sample) {
    auto& stream = aircraft.stream;
    aircraft.newestReportDueTick = std::max(aircraft.newestReportDueTick, sample.time);
    if (stream.size() > kMaxStreamSamples) {
        gf_removeAircraftReporting(state, aircraft, "decodeExisting",
                                   "more than 200 reports wait to be flown");
        return;
    }
    if (aircraft.groundConflict != 0 && aircraft.phase.phase == FlightPhase::taxi &&
        !stream.empty()) {
        const std::int32_t setting = gf_paramsSnapshot()->HOLDING_THRESHOLD_METERS;
        const double threshold = setting > 0 ? setting : kDefaultHoldingThresholdMetres;
        if (gf_distanceNM(lf_at(stream.back()), lf_at(sample)) * geo::kMetresPerNM > threshold) {
            aircraft.motion.extrapolationCounter = 0;
            aircraft.motion.earlyWindowTicks = 2700;
            aircraft.motion.lateWindowTicks = 2700;
            aircraft.groundConflict = 0;
            gf_removeAircraftReporting(state, aircraft, "decodeExisting",
                                       "it moved on while it held for another aircraft");
            return;
        }
    }
    if (aircraft.phase.phase == FlightPhase::birth) {
        if (!stream.empty() && lf_checkStationarySample(aircraft, sample)) {
            sample.time = std::max(sample.time, stream.back().time + 1);
            sample.dueTick = sample.time;
            lf_noteTakenReport(aircraft, sample);
            stream.push_back(sample);
        }
        return;
    }
    lf_endRollInPlace(state, aircraft, sample);
    // Refused, or taken by an event at the stand; an accepted sample has ended any
    // extrapolation, so the aircraft heads for it at once.
    if (!checkExtendingSituations(state, aircraft, sample)) {
        return;
    }
    if (stream.empty()) {
        lf_noteTakenReport(aircraft, sample);
        stream.push_back(sample);
        return;
    }
    // A stop reported while the aircraft still rolls onto the runway waits for the next one.
    MotionContext context{state, aircraft, state.motionWorld};
    if (lf_holdSampleOnRunway(context, sample)) {
        return;
    }
    lf_cutRepeats(aircraft, sample);
    lf_timeArrival(aircraft, sample);
    sample.dueTick = sample.time;
    lf_checkTakeoffStart(state, aircraft, sample);
    lf_noteTakenReport(aircraft, sample);
    stream.push_back(sample);
    if (stream.size() == 2 && stream[0].stationary != 0 && stream[1].stationary != 0) {
        stream[0].time = static_cast<std::int32_t>(state.currentTick() + 1);
        stream[0].groundSpeedKt = stream[1].groundSpeedKt;
    }
}

} // namespace skyloom
