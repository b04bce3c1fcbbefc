#include "traffic/decode/message_decoder.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "config/params_snapshot.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "refdata/code_table.h"
#include "refdata/dbase_lookups.h"
#include "refdata/park_airport.h"
#include "refdata/registrations.h"
#include "runtime/current_day_slot.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/decode/decode_existing.h"
#include "traffic/decode/new_sample_checks.h"
#include "traffic/decode/quarantine.h"
#include "traffic/decode/respawn_checks.h"
#include "traffic/ground/runway_match.h"
#include "traffic/step/traffic_exception.h"

namespace skyloom {

namespace {

// Ground-track jumps: implied speeds (kt).
constexpr double kStandingSpeedKt = 5.0;
constexpr double kStandingJumpKt = 30.0;
constexpr double kJumpFloorKt = 60.0;
constexpr double kJumpSpeedFactor = 3.0;
constexpr double kAirportJumpKt = 80.0;
constexpr double kSameRunwayMinMetres = 1.0;
// Thinning: a sample is taken once the aircraft has moved about this far since the last.
constexpr double kAirborneThinSpeedKt = 120.0;
constexpr double kAirborneThinTurnDeg = 1.0;
constexpr double kAirborneThinNm = 0.2429805615550756; // 450 m
constexpr double kGroundThinSpeedKt = 30.0;
constexpr double kGroundThinTurnDeg = 2.0;
constexpr double kGroundThinNm = 0.010799136069114472; // 20 m
constexpr double kGroundThinMaxSeconds = 15.0;

double lf_airportReferenceFt() {
    const auto altitude = gf_parkAirportAltitude();
    return altitude ? static_cast<double>(*altitude) : kNoAirportAltitudeFt;
}

// An airborne report at the park airport's level (a low arrival or departure) waits. A report
// on the ground there is where the aircraft belongs: the web API gives every aircraft on the
// ground the airport's altitude, and the App its field altitude.
bool lf_nearAirportLevel(const TrafficSample& sample) {
    const double altitudeFt = sample.altitudeFt;
    return sample.airborne != 0 && altitudeFt > 0 && altitudeFt < kAirportLevelCeilingFt &&
           std::abs(altitudeFt - lf_airportReferenceFt()) <= kAirportLevelBandFt;
}

double lf_reportedSpeed(double speedKt) {
    return std::isfinite(speedKt) ? std::max(speedKt, 0.0) : 0.0;
}

bool lf_sameRunway(const TrafficState& state, const Lalo& from, const Lalo& to) {
    if (state.motionWorld.runways.empty()) {
        return false;
    }
    const double bearing = gf_bearing(from, to);
    const RunwayMatch a = gf_findRunwayAt(state.motionWorld.runways, from, bearing, false, 0.0);
    const RunwayMatch b = gf_findRunwayAt(state.motionWorld.runways, to, bearing, false, 0.0);
    return a.valid != 0 && b.valid != 0 && a.runwayName == b.runwayName &&
           a.endDesignator == b.endDesignator;
}

// The phases in which an aircraft stands or taxies at the airport, where a report that jumps
// away is noise: the jump check holds in all of them.
bool lf_onTheGroundPhase(FlightPhase phase) {
    return phase == FlightPhase::taxi || phase == FlightPhase::parked ||
           phase == FlightPhase::pushed_back;
}

// A report on the ground; a report at standing speed counts as one whatever its airborne flag
// says (a standing aircraft's noisy report does not fly).
bool lf_groundReport(const TrafficSample& sample) {
    return sample.airborne == 0 || lf_reportedSpeed(sample.groundSpeedKt) <= kStandingSpeedKt;
}

bool lf_isJump(const TrafficState& state, const LiveAircraft& aircraft, const TrafficSample& last,
               const TrafficSample& next, double dm, double dt) {
    if (!lf_onTheGroundPhase(aircraft.phase.phase) ||
        aircraft.base.category == AircraftCategory::Rotorcraft || !lf_groundReport(last) ||
        !lf_groundReport(next) || !std::isfinite(dm) || !std::isfinite(dt) || dm < 0 || dt <= 0) {
        return false;
    }
    const Lalo from{last.latitude, last.longitude};
    const Lalo to{next.latitude, next.longitude};
    const bool nearAirport =
        !state.motionWorld.runways.empty() && (gf_isNearAirport(state.motionWorld.runways, from) ||
                                     gf_isNearAirport(state.motionWorld.runways, to));
    const bool sameRunway = dm > kSameRunwayMinMetres && lf_sameRunway(state, from, to);
    const double v = dm / dt * geo::kKnotsPerMetrePerSecond;
    const double g = std::max(lf_reportedSpeed(last.groundSpeedKt), lf_reportedSpeed(next.groundSpeedKt));
    return (g <= kStandingSpeedKt && v > kStandingJumpKt) ||
           v > std::max(kJumpSpeedFactor * g, kJumpFloorKt) ||
           (v > kAirportJumpKt && nearAirport && !sameRunway);
}

// True when the sample adds nothing the motion needs: the aircraft has not moved far enough
// along an almost straight track since the last sample taken.
bool lf_thinnedOut(const TrafficSample& next, double turnDeg, double dt) {
    const double gs = next.groundSpeedKt;
    if (next.airborne != 0) {
        return gs > kAirborneThinSpeedKt && turnDeg <= kAirborneThinTurnDeg &&
               kAirborneThinNm / (gs / 3600.0) >= dt;
    }
    if (!(gs <= kGroundThinSpeedKt && turnDeg <= kGroundThinTurnDeg)) {
        return false;
    }
    // A negative speed counts as standing: a division by it would never thin.
    const double t = gs <= 0 ? kGroundThinMaxSeconds
                             : std::min(kGroundThinNm / (gs / 3600.0), kGroundThinMaxSeconds);
    return t >= dt;
}

void lf_decodeKnown(TrafficState& state, LiveAircraft& aircraft, const TrafficEntry& entry) {
    const TrafficSample& next = entry.sample;
    // Reported still, whether or not the report is flown to (left out as a repeat or thinned
    // out; decodeExisting notes those it takes).
    aircraft.newestReportDueTick = std::max(aircraft.newestReportDueTick, next.time);
    // The Mexico City capture repeats UAL1090's last report over the threshold of 05R for 87 s
    // while the aircraft lands and rolls out: taken, the repeats started a take-off roll from
    // where it stood back toward the threshold, and their stamps made its next real report,
    // 116 s after the one repeated, a jump of the ground track.
    if (gf_repeatsReportLeftBehind(aircraft, next)) {
        return;
    }
    if (!aircraft.stream.empty()) {
        const TrafficSample& last = aircraft.stream.back();
        const double dt = entry.timestamp - aircraft.lastSampleTime;
        const double dm = gf_distanceNM({last.latitude, last.longitude},
                                        {next.latitude, next.longitude}) *
                          geo::kMetresPerNM;
        const double turn = std::abs(next.trackDeg - last.trackDeg);
        // Measured from the newest report too: the thinning keeps a standing aircraft's last
        // taken sample up to 15 s old, over which a noisy jump looks slow.
        // From the newest stream sample as far as it is a report: in taxi (at a stand the
        // stream holds the stand's position, and a pushed-back aircraft's its reference).
        bool jump = aircraft.phase.phase == FlightPhase::taxi &&
                    lf_isJump(state, aircraft, last, next, dm, dt);
        double jumpMetres = dm;
        double jumpSeconds = dt;
        const double reportDt = entry.timestamp - aircraft.lastReportTime;
        if (!jump && std::isfinite(reportDt) && reportDt > 0 && reportDt < dt) {
            TrafficSample previous = last;
            previous.latitude = aircraft.lastReport.lat;
            previous.longitude = aircraft.lastReport.lon;
            const double reportDm =
                gf_distanceNM(aircraft.lastReport, {next.latitude, next.longitude}) *
                geo::kMetresPerNM;
            jump = lf_isJump(state, aircraft, previous, next, reportDm, reportDt);
            jumpMetres = reportDm;
            jumpSeconds = reportDt;
        }
        // A time stamp that is not finite cannot be ordered against the stream.
        if (!std::isfinite(dt) || dt <= kMinSampleGapSeconds) {
            return;
        }
        aircraft.lastReport = {next.latitude, next.longitude};
        aircraft.lastReportTime = entry.timestamp;
        if (jump) {
            if (entry.hexid != 0 && gf_isValidLalo({next.latitude, next.longitude})) {
                lf_quarantineGroundTrack(*state.quarantine, entry.hexid, next, entry.timestamp);
            }
            gf_removeAircraftReporting(
                state, aircraft, "decodeMessage",
                fmt::format("its ground track jumps ({:.0f} m in {:.1f} s)", jumpMetres,
                            jumpSeconds));
            return;
        }
        if (aircraft.motion.extrapolationCounter <= 0 && lf_thinnedOut(next, turn, dt)) {
            return;
        }
    }
    if (aircraft.simState == SimState::buffer && lf_nearAirportLevel(next)) {
        return;
    }
    if (!lf_checkRespawn(state, aircraft, entry)) {
        return;
    }
    aircraft.lastSampleTime = entry.timestamp;
    TrafficSample sample = next;
    decodeExisting(state, aircraft, sample);
}

} // namespace

void decodeMessage(TrafficState& state, const TrafficEntry& entry) {
    LiveAircraft* aircraft = state.findByHexid(entry.hexid);
    if (aircraft == nullptr) {
        const bool sameFlight =
            !entry.callsign.empty() &&
            std::any_of(state.liveAircraft.begin(), state.liveAircraft.end(),
                        [&entry](const LiveAircraft& other) {
                            return other.base.callsign == entry.callsign &&
                                   other.base.key.model == entry.key.model;
                        });
        if (!sameFlight) {
            lf_admitNewTraffic(state, entry);
        }
        return;
    }
    switch (aircraft->simState) {
    case SimState::liveryrespawn:
        return;
    case SimState::removingfromsim:
        if (state.quarantine->contains(entry.hexid)) {
            lf_releaseGroundTrackQuarantine(*state.quarantine, entry.hexid, entry.sample,
                                            entry.timestamp, entry.callsign);
        }
        return;
    default:
        lf_decodeKnown(state, *aircraft, entry);
    }
}

void lf_admitNewTraffic(TrafficState& state, TrafficEntry entry) {
    if (const auto key = gf_findRegistration(entry.registration)) {
        entry.key = *key;
    }
    if (gf_isKnownModel(gf_modelCode(entry.key.model))) {
        lf_addLiveAircraft(state, entry);
    } else {
        gf_explainNotShown(state, entry.hexid, entry.callsign, entry.registration,
                           fmt::format("its model '{}' is unknown to the reference data",
                                       gf_modelCode(entry.key.model)));
    }
}

bool lf_addLiveAircraft(TrafficState& state, const TrafficEntry& entry) {
    if (entry.hexid == 0 ||
        !lf_releaseGroundTrackQuarantine(*state.quarantine, entry.hexid, entry.sample,
                                         entry.timestamp, entry.callsign)) {
        return false;
    }
    const AircraftCategory category = gf_modelCategory(entry.key.model);
    if (!gf_isCategoryIncluded(category, *gf_paramsSnapshot())) {
        gf_explainNotShown(state, entry.hexid, entry.callsign, entry.registration,
                           fmt::format("its category {} is not included",
                                       gf_categoryName(category)));
        return false;
    }
    if (lf_nearAirportLevel(entry.sample)) {
        return false;
    }
    TrafficEntry head = entry;
    head.displayCallsign = entry.callsign;
    head.thirdText.clear();
    head.reserved = false;
    AircraftBase base;
    gf_initAircraftBase(base, head);
    base.hexid = entry.hexid;
    base.workingHeadingRateRadPerTick = base.headingRateRadPerTick;
    const CategoryHandling& handling = gf_categoryHandling(base.category);
    base.maxClimbStepFtPerTick = handling.maxClimbStepFtPerTick;
    base.pushbackSpeedKt = handling.pushbackSpeedKt;
    state.liveAircraft.emplace_back(entry.sample, std::move(base), entry.timestamp,
                                    gf_currentDaySlot());
    return true;
}

void noMoreNextPos(TrafficState& state, LiveAircraft& aircraft) {
    const std::int32_t behind = aircraft.sampleWatch.behindWhileExtrapolating;
    gf_removeAircraftReporting(
        state, aircraft, "noMoreNextPos",
        behind == 0 ? std::string("its reports ran out")
                    : fmt::format("its {} reports since it flew on without them lay behind it, "
                                  "out of reach of its last one",
                                  behind));
}

void LiveTrafficDecoder::decodeMessage(const TrafficEntry& entry) {
    try {
        skyloom::decodeMessage(state_, entry);
    } catch (...) {
        gf_reportTrafficException("decodeMessage");
    }
}

} // namespace skyloom
