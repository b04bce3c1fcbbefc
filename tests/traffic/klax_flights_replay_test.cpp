// Flights of the KLAX capture through the program's own wiring (tests/traffic/support/
// program_replay.h), the whole traffic of its first five minutes fed as the demo feeds it:
// - N24CV, a C172 doing touch-and-goes at Long Beach, 15 NM from the park airport (where no
//   landing is flown), is set down by the simulator with its reports at 0 ft and lifts off
//   again with its reports climbing away at 600 to 900 fpm. Before, it stayed on the ground
//   for good, waited there 25 s when its reports paused and then drove along its reports at
//   900 ft at 175 kt (1.75 times its fastest reported speed). Its nose comes down onto the
//   wheels no faster than after a landing (before, from 2.2 degrees up to the ground's pitch
//   in one frame), and after the lift-off it pitches up no further than a take-off does and
//   turns no faster than its category plausibly turns.
// - VIV511, an A320neo 45 s behind its reports after its take-off roll, catches up in flight
//   at most 1.2 times as fast as its reports go. Before, one leg of 5 km was flown at 1.5 times
//   its fastest reported speed: the speed the reports give by their positions was measured
//   over the times the program shows them, which lie 31 s apart where the reports' own stamps
//   lie 42 s apart.
// - N9344F, a C172 at Long Beach, taxies through a corner reported at 11 kt onto a leg its
//   reports fly at 23 kt. Before, it passed the corner 5 to 6 s early, walking its turn path at
//   one pace.
// - UAL1693, an A320 taxiing at Los Angeles, is reported 39 s apart either side of a hairpin
//   (heading 137 to 270 degrees in 30 m) and walks it no faster than its nose turns, late, and
//   on to the report it stands at. Before, walked at its schedule's 25 kt, it moved up to 102
//   degrees off its nose. Late after each wait for its next report, it catches up at the pace
//   of its reports (18 to 25 kt), and taxies a median of 8 s behind them; before, it caught up
//   at 12 to 14 kt where a long leg was split after a wait, and lay 14 s behind.
// - AAL9735 (B789), standing at the start of 25R at 116 degrees, turns onto the runway before it
//   rolls. Before, its turn on the spot was cut to the step's 12 s and it rolled off 43 degrees
//   off its nose.
// - AAL566 (A321), landing on 25L 400 m past its last report in the air, reported next on the
//   ground on the taxiway 60 m north of the runway at 22 kt, keeps to the runway until it has
//   slowed to a taxi's speed. Before, its roll ran on along the landing's leg toward that report
//   and turned off at 50 kt (127 kt in the capture audit's run).
// - NKS736 (A20N) and ASA1007 (A21N), parked at their gates F10 and E1, push back and stand
//   there for 3 and 7 minutes before they taxi off. One object each leaves the stand, stands
//   pushed back and taxies when they do. Before, each stayed parked while its reports stood
//   pushed back 60 to 90 m away (the departure their reports showed never reached the ground
//   step), then drove to them in its parked phase, sideways, was removed as reported elsewhere
//   and was created again 28 to 50 s later, taxiing.
//   NKS736's reports end where it queues behind UAL1693's route to runway 25R; going on with
//   UAL1693's line-up and take-off from there, its one object leaves its stand, taxies, lines up
//   and rolls.
// - WWW563 (B736) at Las Vegas, whose reports roll on 250 to 380 m west of 19R, converges on
//   the runway from their line at a few degrees and touches down on its pavement. Before, its
//   wheels met the ground 44 m off the centreline at 151 kt, in the grass beside the runway.
// - N436M (BT36) and N232PG (S22T), landing at Hawthorne, turn off the runway, N436M onto a
//   taxiway behind the end of its landing roll. Before, each rolled straight at its next report
//   while its nose came round at its turn rate, 94 and 37 degrees off its motion.
//   N232PG then rolls on along Hawthorne's runway at 10 to 12 kt for 90 s before it turns off,
//   and catches up on its reports as a taxi does once its roll has slowed to a taxi's speed:
//   taxiing a median of 8 s behind them. Before, a landing roll never sped up to catch up,
//   and it stayed the 15 s late its roll had made it (a median of 17.5 s).
// - N223LA (AS50) and N624WC (R44), helicopters on the ground (N223LA set down by the
//   simulator under reports that stay in the air), lift off toward reports 40 to 148 degrees
//   off their noses. Before, each moved off that far sideways as it left the ground; now it
//   turns over its spot first.
// - N3307E, a C172 flying patterns at Long Beach (15 NM from the park airport) with reports
//   climbing at 200 to 900 fpm to 1,000 ft, stays within 500 ft of its reports' altitudes in the
//   air. Before, its climb-out went on at the take-off's rate until 800 ft above the ground,
//   which far from the park airport nothing told: 8,311 ft above its reports.
// And flights of the Las Vegas and Pontiac captures:
// - WWW232 (B736) at Las Vegas, whose first hexid's reports jump about (positions that make up
//   to 3,300 kt), ends its leg to its last report 10 km short of it. Before, its first step
//   without reports covered those 10 km in about 3 s (10,476 kt over a second); now it is
//   removed as too far behind to catch up before its reports run out, and no second of it is
//   faster than 1.25 times the 375 kt it reports.
// - RPA4914 (E75L) about 75 NM from Pontiac, whose report of 477 s lies behind the one before
//   it, and N700HW (C206), whose reports repeat one position for 30 s in mid-flight, fly no
//   faster than 1.25 times their reports; N700HW keeps within 20 s of its reports (median).
//   N700HW, shown as one object, flies on past the repeated position to its next reports and
//   then catches up with them (53 s behind at 95 %). Before, it turned back to the repeated
//   position, flew on the wrong way without reports, was refused the next three as out of
//   reach of the repeat's new time stamp and flew the rest of its flight up to 114 s behind
//   them (65 s at 95 %).
// - RPA4914 (E75L) at Pontiac again, past the capture's end: its leg to the report behind the
//   one before it turns through 220 degrees and ends 2.9 km short of its last report, and its
//   steps without reports fly on from there. Before, they were made from that report and timed
//   at 3 s whatever their length: the object chased them round for 35 s and then covered
//   2.5 km in 3 s (2,214 kt over a second, 4.7 times its fastest reported speed), as DCM2915
//   and GJS4461 did beside it.
// - EVOT at Las Vegas, 95 NM out beyond the traffic radius, descends with its reports to
//   1,200 ft, below the simulator stand-in's flat ground at the park airport's 2,181 ft. Before,
//   the simulator was asked for the ground only under the aircraft within the radius: EVOT
//   flew on down through the ground at its flying speed (161 kt, 108 at the most for its
//   category).
// - VTE3202 and N324SC descending toward Las Vegas, whose reports hold one altitude for 30 to
//   50 s while their vertical speeds say they descend (the repeats repeat those too) and then
//   step down by 1,800 to 2,000 ft, keep within 500 ft of the band of the reports with altitudes
//   of their own around them. Before, each flew the reported 1,000 to 1,500 fpm over the
//   repeats and met the step 1,052 and 961 ft above it.
// - N201XY (C172) east of Los Angeles, 46 s behind its reports (a median) after a report
//   that lay 2 km behind the one before, reaches its last report 61 s after it fell due, and
//   the unnamed 1fb4a2bf at Las Vegas, whose reports jump by 13 km and back, is 190 s behind
//   them when they run out. Neither is shown in the air more than a minute after its last
//   report fell due: one too far behind to reach it before its reports ran out goes then, as
//   too far behind. Before, each flew on to its last report and a minute on from there
//   (N201XY 121 s after it; 1fb4a2bf 220 s, flying its reports' loops 190 s late).
//   N398TG, reaching its last report 27 s after it fell due, flies on without reports a
//   minute from then, not from when it reached it: before, it was shown 84 s after it (89 s
//   in the capture audit's run).
// No object of these flights steps faster than 1.25 times the fastest speed its aircraft
// reported, or on the ground faster than its category rolls at the most, and taxiing they keep
// to their reports' schedule as the real ground tracks do, their noses within 30 degrees of where
// they move on the ground (as the end-to-end checks hold it).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <cstdint>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gtest/gtest.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "platform/simworld/facility_import.h"
#include "refdata/dbase_lookups.h"
#include "tests/support/shared_data.h"
#include "tests/traffic/support/program_replay.h"
#include "tests/traffic/support/replay_measure.h"
#include "tests/traffic/support/track_capture.h"
#include "traffic/ground/takeoff_rotation.h"
#include "traffic/motion/turn_reach.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom::testing {
namespace {

constexpr double kFlightsRunSeconds = 300.0;
constexpr double kLongRunSeconds = 600.0;
// The whole capture, and what NKS736's reports go on with: UAL1693's from where it stood
// lined up on 25R on.
constexpr double kDepartureRunSeconds = 1300.0;
constexpr double kUal1693LinesUpSeconds = 385.0;
constexpr double kFlightsPlaybackDelaySeconds = 30.0;
// N3307E's take-off at Long Beach and its first pattern, touch-and-go and climb-out.
constexpr double kN3307EPatternsSeconds = 600.0;
// In the air an object keeps within this of the band of its reports' altitudes.
constexpr double kAltitudeBandFt = 500.0;
// VTE3202's and N324SC's descents at Las Vegas, past the steps of their repeated altitudes at
// 586 s and 742 s of the run.
constexpr double kVte3202DescentSeconds = 640.0;
constexpr double kN324scDescentSeconds = 800.0;
// Las Vegas until WWW232's first object has gone; Pontiac to the end of its capture.
constexpr double kWww232RunSeconds = 480.0;
constexpr double kPontiacRunSeconds = 600.0;
// Long enough past a capture's last burst for every aircraft's steps without reports to end.
constexpr std::chrono::seconds kPastTheEnd{90};
constexpr const char* kFellTooFarBehind =
    "it fell too far behind its reports to catch up before they ran out";
constexpr double kN700hwAirLagMedianSeconds = 20.0;
// N232PG's roll-out at a taxi's speed after its landing at Hawthorne, 15 s late at its start.
constexpr double kN232pgTaxiLagMedianSeconds = 12.0;
// Some 45 s behind where its reports resume after the repeats (they lie 4 km on), it catches
// up within the pace bound: 53 s at 95 % (before, 65 s, and up to 114 s by the capture audit).
constexpr double kN700hwAirLagP95Seconds = 55.0;
// An aircraft in flight whose reports run out flies on without them a minute after the last
// fell due at the most, however late it reached it (one too far behind to reach it before its
// reports ran out goes then), and the last 3 s step begun and its removal's turn to spare.
constexpr double kShownAfterLastReportSeconds = 65.0;
// N398TG's flight to its last report (due at 385 s) and a minute and a half on.
constexpr double kN398tgRunSeconds = 480.0;
// N201XY's flight east of Los Angeles to its last report (due at 877 s), and the Las Vegas
// capture to its end, with 1fb4a2bf's last report due at 1,171 s.
constexpr double kN201xyRunSeconds = 1080.0;
constexpr double kLasVegasRunSeconds = 1430.0;
constexpr std::uint32_t kLasVegasUnnamedHexid = 0x1fb4a2bf;
// The fastest ground speed WWW232's reports give: its positions jump by up to 3,300 kt.
constexpr double kWww232FastestReportedKt = 375.0;
constexpr double kFlightsStepMargin = 1.25;
// A report this far above the touch-down's (ft) says the aircraft has climbed away.
constexpr double kClimbedAwayFt = 300.0;
// The nose turns at most so fast around the touch-down (as on a landing), watched so long
// either side of it over so long.
constexpr double kTouchDownPitchDegPerS = 2.0;
constexpr double kTouchDownWatchSeconds = 15.0;
constexpr double kPitchWindowSeconds = 0.5;
// Each aircraft's initial climb pitch lies this share of its category's either side.
constexpr double kClimbPitchVariation = 0.05;
// Taxiing frames lie this far ahead of their reports at the most (95 %; as on the real ground
// tracks, tests/traffic/real_ground_replay_test.cpp).
constexpr double kTaxiLeadP95Seconds = 2.0;
// The nose on the ground, moving at 5 kt or more, off the direction it moves in.
constexpr double kGroundNoseOffDeg = 30.0;
// The speed on the ground is measured over a second, in which the world's frames (30 a second)
// may add one.
constexpr double kGroundStepSeconds = 1.0;
constexpr double kWorldFrameSeconds = 1.0 / 30.0;
// Off the park airport's runways (beyond their half width and a shoulder, or their ends and
// an overrun) nothing on the ground moves faster than a taxi; measured as above.
constexpr double kOffRunwaysMostKt = 40.0;
constexpr double kRunwaySideMarginMetres = 20.0;
constexpr double kRunwayEndMarginMetres = 60.0;
constexpr double kOffRunwaysFrameMargin = 1.0 + kWorldFrameSeconds;
// AAL566's landing roll on 25L and its turn-off onto the taxiway north of it.
constexpr double kAal566RollSeconds = 480.0;
// WWW563's landing on 19R at Las Vegas and its roll.
constexpr double kWww563RollSeconds = 960.0;
// A report the aircraft is to reach comes this close.
constexpr double kReachedMetres = 2.0;
// An aircraft parked at its stand leaves it once its reports lie as far from their first as a
// pushback takes it, at most so long after the first such report is due: the report after it
// confirms the pushback, and may come a playback delay late.
constexpr double kLeftStandMetres = 50.0;
constexpr double kLeavesStandSeconds = 60.0;

// A capture the flights are replayed from, with the user at its airport.
struct FlightCapture {
    const char* path;
    ReplayAirport airport;
    double elevationFt;
    Clock::UtcTime utc;
};

const FlightCapture kLosAngelesFlights{kLosAngelesCapture, kLosAngelesReplayAirport,
                                       kLosAngelesElevationFt,
                                       ManualClock::utcTime(2026, 1, 7, 21, 52, 32)};
// Las Vegas, 2019-03-05 20:56 UTC, reports stamped when received, a burst every 9.8 s.
const FlightCapture kLasVegasFlights{"feed/recordings/KLAS_20190305_2056Z.txt",
                                     {"KLAS", {36.0840, -115.1537}, 0.0},
                                     2181.0,
                                     ManualClock::utcTime(2026, 1, 7, 20, 56, 12)};
// Pontiac, 2020-11-28: the Detroit area's traffic reported every 17 to 25 s, the user off the
// runways at the reference point.
const FlightCapture kPontiacFlights{"feed/recordings/KPTK_20201128.csv",
                                    {"KPTK", {42.66343, -83.42010}, 90.0},
                                    980.0,
                                    ManualClock::utcTime(2020, 11, 28, 20, 54, 55)};

struct KlaxFlight {
    const char* name;
    const char* callsign;
    // The capture's first bursts as the App's buffer (3 as the demo's App stand-in gives them).
    std::size_t bufferedBursts;
    // Reported on the ground at 0 ft and then climbing away again.
    bool touchAndGo;
    // The capture's seconds replayed.
    double runSeconds = kFlightsRunSeconds;
    // A report on the ground the aircraft reaches.
    std::optional<Lalo> reaches;
    // Taxiing, the frames lie at most this many seconds behind the reports (the median).
    std::optional<double> taxiLagMedianSeconds;
    // Its reports go on with those of another aircraft (`goesOnAs`, from its first report
    // `goesOnFrom` seconds into the capture) as its own, from its own last report on.
    const char* goesOnAs = nullptr;
    double goesOnFrom = 0;
    // The phases one object of it goes through, in this order.
    std::vector<FlightPhase> phases = {};
    const FlightCapture* capture = &kLosAngelesFlights;
    // In the air, the frames lie at most this many seconds behind the reports (the median).
    std::optional<double> airLagMedianSeconds = {};
    // One of its objects is removed for this reason (the log's words).
    const char* removedFor = nullptr;
    // Where its positions jump about (and so give speeds it never flew), its objects' fastest
    // second stays below this many knots.
    std::optional<double> fastestSecondKt = {};
    // In the air, the altitude lies at most this far outside the band of the two reports in
    // the air due around it (ft), of those with altitudes of their own: a report that repeats
    // the altitude and the vertical speed of the one before it says nothing of the altitude at
    // its time.
    std::optional<double> altitudeBandFt = std::nullopt;
    // On the ground at the park airport off its runways, no second is faster than this (kt).
    std::optional<double> offRunwaysMostKt = std::nullopt;
    // In the air, the frames lie at most this many seconds behind the reports (95 %).
    std::optional<double> airLagP95Seconds = std::nullopt;
    // How long the run goes on after the capture's last burst (a playback delay as a rule).
    std::chrono::seconds afterLastBurst{30};
    // Shown in the air at most this many seconds after its last report fell due.
    std::optional<double> shownAfterLastReportSeconds = std::nullopt;
    // The aircraft by its hexid, where it has no callsign (`callsign` then names it for the
    // output only).
    std::uint32_t hexid = 0;
    friend void PrintTo(const KlaxFlight& f, std::ostream* out) { *out << f.name; }
};

// The capture with the reports of `callsign` going on with those of `other` from `fromEpoch`
// on, stamped as its own (its hexid, callsign, type, registration and route) and as coming on
// from its last report at the capture's cadence.
tools::Capture lf_goingOnAs(const tools::Capture& capture, const std::string& callsign,
                            const std::string& other, double fromEpoch) {
    constexpr std::size_t kHexid = 1, kCallsign = 9, kRouteTo = 13, kEpoch = 14;
    constexpr double kCadenceSeconds = 5.0;
    const auto fieldsOf = [](const std::string& datagram) {
        std::vector<std::string> fields;
        std::stringstream split(datagram);
        for (std::string field; std::getline(split, field, ',');) {
            fields.push_back(field);
        }
        return fields;
    };
    std::vector<std::string> own;
    double lastOwn = 0;
    std::vector<std::pair<double, std::vector<std::string>>> others;
    for (const tools::CaptureBurst& burst : capture.bursts) {
        for (const std::string& datagram : burst.datagrams) {
            std::vector<std::string> fields = fieldsOf(datagram);
            if (fields.size() <= kEpoch) {
                continue;
            }
            if (fields[kCallsign] == callsign) {
                own = fields;
                lastOwn = std::stod(fields[kEpoch]);
            } else if (fields[kCallsign] == other && std::stod(fields[kEpoch]) >= fromEpoch) {
                others.emplace_back(burst.time, std::move(fields));
            }
        }
    }
    tools::Capture goingOn;
    const double shift =
        others.empty() ? 0 : lastOwn + kCadenceSeconds - std::stod(others.front().second[kEpoch]);
    for (auto& [time, fields] : others) {
        fields[kHexid] = own[kHexid];
        std::copy(own.begin() + kCallsign, own.begin() + kRouteTo + 1, fields.begin() + kCallsign);
        fields[kEpoch] = fmt::format("{:.1f}", std::stod(fields[kEpoch]) + shift);
        goingOn.bursts.push_back({time + shift, {fmt::format("{}", fmt::join(fields, ","))}});
    }
    return gf_mergeCaptures({capture, goingOn});
}

// The fastest second of an object on the ground (both its ends on the ground), in knots, and
// the run's second it began at.
FastestStep lf_fastestSecondOnTheGround(const std::vector<ObjectFrame>& frames) {
    FastestStep fastest;
    for (std::size_t i = 0, j = 0; i < frames.size(); ++i) {
        j = std::max(j, i);
        while (j < frames.size() && frames[j].seconds - frames[i].seconds < kGroundStepSeconds) {
            ++j;
        }
        if (j == frames.size()) {
            break;
        }
        const ObjectFrame& a = frames[i];
        const ObjectFrame& b = frames[j];
        if (!a.onGround || !b.onGround || a.objectId != b.objectId) {
            continue;
        }
        const double kt = gf_distanceNM({a.latitude, a.longitude}, {b.latitude, b.longitude}) *
                          3600.0 / (b.seconds - a.seconds);
        if (kt > fastest.kt) {
            fastest = {kt, a.seconds};
        }
    }
    return fastest;
}

class KlaxFlights : public ProgramReplayTest, public ::testing::WithParamInterface<KlaxFlight> {};

TEST_P(KlaxFlights, FlyWhereTheirReportsSayAirborneNoFasterThanTheirReports) {
    const KlaxFlight& flight = GetParam();
    SKYLOOM_REQUIRE_SHARED(capturePath, flight.capture->path);
    tools::Capture capture = tools::gf_readCapture(capturePath, flight.capture->elevationFt);
    const double first = capture.bursts.front().time;
    std::erase_if(capture.bursts, [&](const tools::CaptureBurst& burst) {
        return burst.time - first > flight.runSeconds;
    });
    const std::string skip =
        prepare(flight.capture->airport, capture, flight.capture->utc);
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    if (flight.goesOnAs != nullptr) {
        capture =
            lf_goingOnAs(capture, flight.callsign, flight.goesOnAs, first + flight.goesOnFrom);
        replaceCapture(capture);
    }
    // Due on the run's clock, which starts with the first burst after the App's buffer.
    const auto due = gf_dueReports(capture, kFlightsPlaybackDelaySeconds, flight.bufferedBursts);
    // Every aircraft of the callsign (a new hexid for it respawns it); the last one's frames
    // are the flight's.
    std::uint32_t hexid = 0;
    ReplayRunOptions options;
    for (const auto& [id, reports] : reports()) {
        if (flight.hexid != 0 ? id == flight.hexid : reports.front().callsign == flight.callsign) {
            hexid = id;
            options.followed.insert(id);
        }
    }
    ASSERT_NE(hexid, 0u) << flight.callsign << " is not in the capture";
    options.bufferedBursts = flight.bufferedBursts;
    options.afterLastBurst = flight.afterLastBurst;
    const ReplayRunResult result = run(options);
    ASSERT_TRUE(result.frames.contains(hexid)) << "never shown";
    const std::vector<ObjectFrame>& frames = result.frames.at(hexid);

    for (const auto& [id, shown] : result.frames) {
        const double fastestKt = gf_fastestReportedKt(due.at(id));
        const FastestStep step = gf_fastestStep(shown, 1.0);
        const double rollsKt =
            gf_fastestOnGroundKt(gf_modelCategory(reports().at(id).front().key.model));
        const FastestStep onGround = lf_fastestSecondOnTheGround(shown);
        std::printf("%s %06x: on the ground %.0f kt at most (%.0f kt its category) at %.1f s\n",
                    flight.callsign, id, onGround.kt, rollsKt, onGround.seconds);
        EXPECT_LE(onGround.kt, rollsKt * (1.0 + kWorldFrameSeconds / kGroundStepSeconds))
            << std::hex << id << std::dec << " on the ground at " << onGround.seconds << " s";
        std::printf("%s %06x: fastest second %.0f kt (%.2f x %.0f kt) at %.1f s\n",
                    flight.callsign, id, step.kt, step.kt / fastestKt, fastestKt, step.seconds);
        EXPECT_LE(gf_fastestStepRatio(shown, fastestKt), kFlightsStepMargin)
            << std::hex << id << std::dec << " times the fastest reported speed, " << fastestKt
            << " kt";
        if (flight.fastestSecondKt) {
            EXPECT_LE(step.kt, *flight.fastestSecondKt) << "at " << step.seconds << " s";
        }
    }
    if (flight.airLagMedianSeconds) {
        std::vector<double> lags = gf_airLeadSeconds(frames, due.at(hexid));
        ASSERT_FALSE(lags.empty()) << "never near its reports in the air";
        std::sort(lags.begin(), lags.end());
        std::printf("%s: in the air %.1f / %.1f s behind its reports (median / 95%%)\n",
                    flight.callsign, -lags[lags.size() / 2], -lags[lags.size() * 5 / 100]);
        EXPECT_LE(-lags[lags.size() / 2], *flight.airLagMedianSeconds)
            << "seconds behind the reports in the air (median)";
        if (flight.airLagP95Seconds) {
            EXPECT_LE(-lags[lags.size() * 5 / 100], *flight.airLagP95Seconds)
                << "seconds behind the reports in the air (95 %)";
        }
    }
    if (flight.shownAfterLastReportSeconds) {
        ASSERT_FALSE(frames.empty() || due.at(hexid).empty());
        const ObjectFrame& last = frames.back();
        const double after = last.seconds - due.at(hexid).back().dueSeconds;
        std::printf("%s: last shown %.1f s after its last report fell due%s\n", flight.callsign,
                    after, last.onGround ? ", on the ground" : "");
        EXPECT_TRUE(last.onGround || after <= *flight.shownAfterLastReportSeconds)
            << "shown in the air " << after << " s after its last report fell due";
    }
    if (flight.removedFor != nullptr) {
        const std::vector<std::string> lines =
            logLinesWith(std::string(" removed: ") + flight.removedFor);
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(flight.callsign) != std::string::npos;
        })) << "never removed as " << flight.removedFor;
    }
    std::vector<double> leads = gf_taxiLeadSeconds(frames, due.at(hexid));
    if (!leads.empty()) {
        std::sort(leads.begin(), leads.end());
        EXPECT_LE(leads[leads.size() * 95 / 100], kTaxiLeadP95Seconds)
            << "seconds ahead of the reports while taxiing";
        std::printf("%s: taxiing %.1f s behind its reports (median)\n", flight.callsign,
                    -leads[leads.size() / 2]);
        if (flight.taxiLagMedianSeconds) {
            EXPECT_LE(-leads[leads.size() / 2], *flight.taxiLagMedianSeconds)
                << "seconds behind the reports while taxiing (median)";
        }
    }
    const NoseOff nose = gf_largestGroundNoseOff(frames);
    EXPECT_LE(nose.deg, kGroundNoseOffDeg) << "nose off its motion at " << nose.seconds << " s";
    if (!flight.phases.empty()) {
        EXPECT_TRUE(std::all_of(frames.begin(), frames.end(), [&](const ObjectFrame& f) {
            return f.objectId == frames.front().objectId;
        })) << "shown as more than one object";
        auto next = flight.phases.begin();
        for (const ObjectFrame& f : frames) {
            next += next != flight.phases.end() && f.phase == *next ? 1 : 0;
        }
        EXPECT_EQ(next, flight.phases.end())
            << "never " << gf_flightPhaseText(*next) << " after the phases before it";
    }
    if (!flight.phases.empty() && flight.phases.front() == FlightPhase::parked) {
        const std::vector<DueReport>& reported = due.at(hexid);
        const auto away = std::find_if(reported.begin(), reported.end(), [&](const DueReport& r) {
            return gf_distanceNM({r.latitude, r.longitude},
                                 {reported.front().latitude, reported.front().longitude}) *
                       geo::kMetresPerNM >=
                   kLeftStandMetres;
        });
        const auto left = std::find_if(frames.begin(), frames.end(), [](const ObjectFrame& f) {
            return f.phase != FlightPhase::parked;
        });
        ASSERT_NE(away, reported.end());
        ASSERT_NE(left, frames.end()) << "never left its stand";
        EXPECT_LE(left->seconds - away->dueSeconds, kLeavesStandSeconds)
            << "left its stand at " << left->seconds << " s";
    }
    if (flight.altitudeBandFt) {
        std::vector<std::pair<double, double>> airborne; // due, altitude
        const TrafficEntry* before = nullptr;
        for (const TrafficEntry& r : reports().at(hexid)) {
            const bool repeats = before != nullptr &&
                                 before->sample.airborne == r.sample.airborne &&
                                 before->sample.altitudeFt == r.sample.altitudeFt &&
                                 before->sample.verticalSpeedFpm == r.sample.verticalSpeedFpm;
            before = &r;
            if (repeats) {
                continue;
            }
            airborne.emplace_back(r.sample.airborne != 0 ? r.timestamp - result.firstBurstEpoch +
                                                               kFlightsPlaybackDelaySeconds
                                                         : -1.0,
                                  r.sample.altitudeFt);
        }
        double worst = 0, worstAt = 0;
        for (const ObjectFrame& f : frames) {
            for (std::size_t i = 0; !f.onGround && i + 1 < airborne.size(); ++i) {
                const auto [fromDue, fromFt] = airborne[i];
                const auto [toDue, toFt] = airborne[i + 1];
                if (fromDue < 0 || toDue < 0 || f.seconds < fromDue || f.seconds > toDue) {
                    continue;
                }
                const double off = std::max(std::min(fromFt, toFt) - f.altitudeFt,
                                            f.altitudeFt - std::max(fromFt, toFt));
                if (off > worst) {
                    worst = off;
                    worstAt = f.seconds;
                }
            }
        }
        EXPECT_LE(worst, *flight.altitudeBandFt)
            << "ft off its reports' band at " << worstAt << " s";
    }
    if (flight.offRunwaysMostKt) {
        simworld::FacilityImportSources sources;
        sources.airportsCsv = sharedPath(kAirportsCsv);
        sources.runwaysCsv = sharedPath(kRunwaysCsv);
        const std::vector<simworld::FacilityRunwaySetup> runways =
            simworld::gf_importAirportFacilities(flight.capture->airport.icao, sources).runways;
        ASSERT_FALSE(runways.empty());
        const auto onRunway = [&](const ObjectFrame& f) {
            const Lalo at{f.latitude, f.longitude};
            return std::any_of(runways.begin(), runways.end(), [&](const auto& r) {
                const Lalo centre{r.latitudeDeg, r.longitudeDeg};
                const double metres = gf_distanceNM(centre, at) * geo::kMetresPerNM;
                const double off =
                    gf_bearing(centre, at) - r.headingDeg * geo::kRadiansPerDegree;
                return std::abs(std::cos(off) * metres) <=
                           r.lengthMeters / 2 + kRunwayEndMarginMetres &&
                       std::abs(std::sin(off) * metres) <=
                           r.widthMeters / 2 + kRunwaySideMarginMetres;
            });
        };
        // Each second on the ground that begins or ends off the runways (a touch-down a moment
        // in the grass beside one too).
        FastestStep off;
        for (std::size_t i = 0, j = 0; i < frames.size(); ++i) {
            j = std::max(j, i + 1);
            while (j < frames.size() && frames[j].seconds - frames[i].seconds < 1.0) {
                ++j;
            }
            if (j == frames.size()) {
                break;
            }
            const ObjectFrame& a = frames[i];
            const ObjectFrame& b = frames[j];
            if (!a.onGround || !b.onGround || a.objectId != b.objectId ||
                (onRunway(a) && onRunway(b))) {
                continue;
            }
            const double kt = gf_distanceNM({a.latitude, a.longitude}, {b.latitude, b.longitude}) *
                              3600.0 / (b.seconds - a.seconds);
            if (kt > off.kt) {
                off = {kt, a.seconds};
            }
        }
        std::printf("%s: off the runways on the ground %.0f kt at most\n", flight.callsign,
                    off.kt);
        EXPECT_LE(off.kt, *flight.offRunwaysMostKt * kOffRunwaysFrameMargin)
            << "off the runways at " << off.seconds << " s";
    }
    if (flight.reaches) {
        double nearest = 1e9;
        for (const ObjectFrame& f : frames) {
            nearest = std::min(nearest, gf_distanceNM({f.latitude, f.longitude}, *flight.reaches) *
                                            geo::kMetresPerNM);
        }
        EXPECT_LE(nearest, kReachedMetres) << "metres short of its report";
    }
    if (!flight.touchAndGo) {
        return;
    }
    // The touch-down: the first frame on the ground after one in the air, of the same object.
    const auto touchDown = std::adjacent_find(
        frames.begin(), frames.end(), [](const ObjectFrame& a, const ObjectFrame& b) {
            return a.objectId == b.objectId && !a.onGround && b.onGround;
        });
    ASSERT_NE(touchDown, frames.end()) << "never set down";
    const ObjectFrame& down = *std::next(touchDown);
    // The first report after the one on the ground that lies well above it: due then, the
    // aircraft is in the air again.
    const std::vector<TrafficEntry>& reports = this->reports().at(hexid);
    const auto ground = std::find_if(reports.begin(), reports.end(),
                                     [](const TrafficEntry& r) { return r.sample.airborne == 0; });
    ASSERT_NE(ground, reports.end());
    const auto climbed = std::find_if(ground, reports.end(), [&](const TrafficEntry& r) {
        return r.sample.airborne != 0 &&
               r.sample.altitudeFt >= ground->sample.altitudeFt + kClimbedAwayFt;
    });
    ASSERT_NE(climbed, reports.end()) << "the reports never climb away";
    const double climbedDue =
        climbed->timestamp - result.firstBurstEpoch + kFlightsPlaybackDelaySeconds;
    const bool airborneAgain = std::any_of(frames.begin(), frames.end(), [&](const ObjectFrame& f) {
        return f.objectId == down.objectId && f.seconds > down.seconds && f.seconds <= climbedDue &&
               !f.onGround;
    });
    EXPECT_TRUE(airborneAgain) << "still on the ground at " << climbedDue << " s, set down at "
                               << down.seconds << " s";

    // The nose around the touch-down, over half a second, as the landings hold it.
    for (auto i = frames.begin(), j = frames.begin(); i != frames.end(); ++i) {
        while (j != frames.end() && j->seconds - i->seconds < kPitchWindowSeconds) {
            ++j;
        }
        if (j == frames.end()) {
            break;
        }
        if (std::abs(i->seconds - down.seconds) <= kTouchDownWatchSeconds &&
            j->objectId == i->objectId) {
            EXPECT_LE(std::abs(j->pitchRad - i->pitchRad) / (j->seconds - i->seconds) *
                          geo::kDegreesPerRadian,
                      kTouchDownPitchDegPerS)
                << "at " << i->seconds << " s, set down at " << down.seconds << " s";
        }
    }
    // In the air again: the pitch of a take-off at most, the nose turning no faster over a
    // second than the category turns at the slowest speed it reports in the air.
    const auto liftOff =
        std::find_if(std::next(touchDown), frames.end(), [&](const ObjectFrame& f) {
            return f.objectId == down.objectId && !f.onGround;
        });
    ASSERT_NE(liftOff, frames.end());
    const AircraftCategory category = gf_modelCategory(reports.front().key.model);
    double slowestKt = 1e9;
    for (const TrafficEntry& r : reports) {
        if (r.sample.airborne != 0) {
            slowestKt = std::min(slowestKt, r.sample.groundSpeedKt);
        }
    }
    const double mostTurnDegPerS =
        gf_plausibleTurnRateRadPerS(category, slowestKt) * geo::kDegreesPerRadian;
    const double mostNoseUpDeg =
        -gf_categoryHandling(category).initialClimbPitchDeg * (1.0 + kClimbPitchVariation);
    for (auto i = liftOff, j = liftOff; i != frames.end() && i->objectId == down.objectId; ++i) {
        EXPECT_LE(-i->pitchRad * geo::kDegreesPerRadian, mostNoseUpDeg) << "at " << i->seconds;
        while (j != frames.end() && j->seconds - i->seconds < 1.0) {
            ++j;
        }
        if (j != frames.end() && j->objectId == i->objectId && !i->onGround && !j->onGround) {
            EXPECT_LE(std::abs(gf_wrapAngle(j->headingRad - i->headingRad)) *
                          geo::kDegreesPerRadian / (j->seconds - i->seconds),
                      mostTurnDegPerS)
                << "at " << i->seconds << " s";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    LosAngeles, KlaxFlights,
    ::testing::Values(
        KlaxFlight{"N24CVTouchAndGoAtLongBeach", "N24CV", 3, true, kFlightsRunSeconds, {}, {}},
        KlaxFlight{
            "VIV511ClimbOutBehindItsReports", "VIV511", 0, false, kFlightsRunSeconds, {}, {}},
        KlaxFlight{"N9344FTaxiesThroughACornerWhenItIsDue",
                   "N9344F",
                   0,
                   false,
                   kFlightsRunSeconds,
                   {},
                   {}},
        KlaxFlight{"UAL1693WalksAHairpinNoFasterThanItsNoseTurns", "UAL1693", 3, false,
                   kLongRunSeconds, Lalo{33.9398, -118.3804}, 10.0},
        KlaxFlight{"NKS736PushesBackFromItsGateTaxiesAndRolls",
                   "NKS736",
                   3,
                   false,
                   kDepartureRunSeconds,
                   {},
                   {},
                   "UAL1693",
                   kUal1693LinesUpSeconds,
                   {FlightPhase::parked, FlightPhase::pushing_back, FlightPhase::pushed_back,
                    FlightPhase::taxi, FlightPhase::takeoff_roll, FlightPhase::takeoff}},
        KlaxFlight{"AAL9735TurnsOntoTheRunwayBeforeItRolls", "AAL9735", 3, false, 420.0, {}, {}},
        KlaxFlight{.name = "AAL566KeepsToItsRunwayUntilItTurnsOffAtATaxisSpeed",
                   .callsign = "AAL566",
                   .bufferedBursts = 3,
                   .touchAndGo = false,
                   .runSeconds = kAal566RollSeconds,
                   .reaches = {},
                   .taxiLagMedianSeconds = {},
                   .offRunwaysMostKt = kOffRunwaysMostKt},
        KlaxFlight{.name = "WWW563TouchesDownOnItsRunwayNotBesideIt",
                   .callsign = "WWW563",
                   .bufferedBursts = 3,
                   .touchAndGo = false,
                   .runSeconds = kWww563RollSeconds,
                   .reaches = {},
                   .taxiLagMedianSeconds = {},
                   .capture = &kLasVegasFlights,
                   .offRunwaysMostKt = kOffRunwaysMostKt},
        KlaxFlight{"ASA1007PushesBackFromItsGateAndTaxies",
                   "ASA1007",
                   3,
                   false,
                   kLongRunSeconds + 120,
                   {},
                   {},
                   nullptr,
                   0,
                   {FlightPhase::parked, FlightPhase::pushing_back, FlightPhase::pushed_back,
                    FlightPhase::taxi}},
        KlaxFlight{"N436MTurnsOffBehindItsLandingRoll", "N436M", 3, false, 1080.0, {}, {}},
        KlaxFlight{"N232PGTurnsOffItsLandingRoll", "N232PG", 3, false, kLongRunSeconds, {}, {}},
        KlaxFlight{"N232PGCatchesUpOnceItsLandingRollSlowsToATaxi", "N232PG", 3, false,
                   kLongRunSeconds, {}, kN232pgTaxiLagMedianSeconds},
        KlaxFlight{"N223LALiftsOffWhereItWasSetDown", "N223LA", 3, false, 400.0, {}, {}},
        KlaxFlight{"N624WCLiftsOffAtSantaMonica", "N624WC", 3, false, kLongRunSeconds, {}, {}},
        KlaxFlight{"N3307EClimbsOutNoHigherThanItsReports",
                   "N3307E",
                   3,
                   false,
                   kN3307EPatternsSeconds,
                   {},
                   {},
                   nullptr,
                   0,
                   {},
                   &kLosAngelesFlights,
                   {},
                   nullptr,
                   {},
                   kAltitudeBandFt},
        KlaxFlight{"WWW232FallenBehindIsRemovedNotJumped",
                   "WWW232",
                   3,
                   false,
                   kWww232RunSeconds,
                   {},
                   {},
                   nullptr,
                   0,
                   {},
                   &kLasVegasFlights,
                   {},
                   kFellTooFarBehind,
                   kFlightsStepMargin * kWww232FastestReportedKt},
        KlaxFlight{"RPA4914NeverJumpsToAReportBehindItsNewest", "RPA4914", 3, false,
                   kPontiacRunSeconds, {}, {}, nullptr, 0, {}, &kPontiacFlights},
        KlaxFlight{.name = "RPA4914FliesOnWithoutAJumpAfterItsLastReport",
                   .callsign = "RPA4914",
                   .bufferedBursts = 3,
                   .touchAndGo = false,
                   .runSeconds = kPontiacRunSeconds,
                   .reaches = {},
                   .taxiLagMedianSeconds = {},
                   .capture = &kPontiacFlights,
                   .afterLastBurst = kPastTheEnd},
        KlaxFlight{"N700HWCatchesUpAfterItsReportsStoodStill",
                   "N700HW",
                   3,
                   false,
                   kPontiacRunSeconds,
                   {},
                   {},
                   nullptr,
                   0,
                   {},
                   &kPontiacFlights,
                   kN700hwAirLagMedianSeconds},
        // Its descent below the stand-in's ground and its reports' end.
        KlaxFlight{"EVOTStaysAboveTheGroundFarFromTheField", "EVOT", 3, false, 1080.0, {}, {},
                   nullptr, 0, {}, &kLasVegasFlights},
        KlaxFlight{"N700HWFliesOnPastARepeatedPositionToItsReports",
                   "N700HW",
                   3,
                   false,
                   kPontiacRunSeconds,
                   {},
                   {},
                   nullptr,
                   0,
                   {FlightPhase::flying},
                   &kPontiacFlights,
                   kN700hwAirLagMedianSeconds,
                   nullptr,
                   {},
                   std::nullopt,
                   std::nullopt,
                   kN700hwAirLagP95Seconds},
        KlaxFlight{.name = "VTE3202DescendsThroughItsRepeatedAltitudesOnTime",
                   .callsign = "VTE3202",
                   .bufferedBursts = 3,
                   .touchAndGo = false,
                   .runSeconds = kVte3202DescentSeconds,
                   .reaches = {},
                   .taxiLagMedianSeconds = {},
                   .capture = &kLasVegasFlights,
                   .altitudeBandFt = kAltitudeBandFt},
        KlaxFlight{.name = "N324SCDescendsThroughItsRepeatedAltitudesOnTime",
                   .callsign = "N324SC",
                   .bufferedBursts = 3,
                   .touchAndGo = false,
                   .runSeconds = kN324scDescentSeconds,
                   .reaches = {},
                   .taxiLagMedianSeconds = {},
                   .capture = &kLasVegasFlights,
                   .altitudeBandFt = kAltitudeBandFt},
        KlaxFlight{.name = "N201XYLateAtItsLastReportGoesWithinAMinuteOfIt",
                   .callsign = "N201XY",
                   .bufferedBursts = 3,
                   .touchAndGo = false,
                   .runSeconds = kN201xyRunSeconds,
                   .reaches = {},
                   .taxiLagMedianSeconds = {},
                   .removedFor = kFellTooFarBehind,
                   .shownAfterLastReportSeconds = kShownAfterLastReportSeconds},
        KlaxFlight{.name = "N398TGFliesOnAMinuteFromItsLastReportNotFromReachingIt",
                   .callsign = "N398TG",
                   .bufferedBursts = 3,
                   .touchAndGo = false,
                   .runSeconds = kN398tgRunSeconds,
                   .reaches = {},
                   .taxiLagMedianSeconds = {},
                   .shownAfterLastReportSeconds = kShownAfterLastReportSeconds},
        KlaxFlight{.name = "UnnamedFarBehindItsJumpingReportsGoesWhenTheyRunOut",
                   .callsign = "1fb4a2bf",
                   .bufferedBursts = 3,
                   .touchAndGo = false,
                   .runSeconds = kLasVegasRunSeconds,
                   .reaches = {},
                   .taxiLagMedianSeconds = {},
                   .capture = &kLasVegasFlights,
                   .shownAfterLastReportSeconds = kShownAfterLastReportSeconds,
                   .hexid = kLasVegasUnnamedHexid}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace skyloom::testing
