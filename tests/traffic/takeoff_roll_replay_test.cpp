// Take-offs and landings through the program's own wiring (tests/traffic/support/
// program_replay.h), from the recorded captures. The take-offs:
// - DAL2232, an A321 of the Las Vegas capture, reports on the ground at 90 kt on runway 26R and
//   10 s later some 100 ft above the field, climbing. Whether the program knows the airport's
//   runways or not (without an airport file the park airport's runways are not loaded), it
//   lifts off where the reports say airborne; when the reports never leave the ground the roll
//   ends at the runway's end with the failed take-off.
// - AMX222, a B738 of the Mexico City capture, repeats one position at the threshold of 05L for
//   68 s, then reports airborne 8.5 km away 19.4 s later at 227 kt.
// - N7814B, a B737 of the Las Vegas capture, stands at the threshold of 26R and then reports
//   520 kt at 2,050 ft 1.2 km along the runway.
// - WJA1401, a B738 of the Las Vegas capture, taxies to 26R and turns onto it at 29 kt.
// - N879MH, a tour helicopter (EC30) of the Las Vegas capture, stands at a heliport on the Strip
//   reported airborne at 2,100 ft (below the field) at 0 kt, then climbs from 2,300 ft at 57 kt.
// - SLI2226, an E170 of the Mexico City capture, taxies onto runway 09 at Queretaro, 96 NM from
//   the park airport and beyond the traffic radius, reported on the ground at 0 ft (the field
//   lies at 6,296 ft), repeats one position there for 70 s and then reports 7,600 ft 2.8 km
//   past the runway's end. Before, the simulator was asked for the ground only under the
//   aircraft within the radius: the object stood and rolled at 0 ft and climbed out from there,
//   on the ground by the world's flag for 100 s after its lift-off, at up to 264 kt.
// No object rolls faster than an airliner plausibly rotates (the reports say far more than an
// aircraft can roll); it rotates on the runway, leaves the ground no more than 100 m past the
// runway's far end, where the world's on-ground flag clears, and catches up in the air no faster
// than 1.25 times the speed its reports around the lift-off give (the climb's own and the climb
// reported on the ground alike). On the ground an aircraft moves where its nose points, within
// 30 degrees (a helicopter too, faster than a sideways hover taxi's walking pace): before,
// N7814B lined up with its nose on the centreline while it still followed its path onto the
// runway, 32 degrees off, and WJA1401 rolled onto 26R with its nose swinging round 41 degrees
// off its motion. A helicopter has no take-off roll: it goes no faster than a taxi on the
// ground and is off it within a few seconds of its first climbing report.
// The landings, the captures' reports of the aircraft as the demo feeds them (the first three
// bursts as the App's buffer):
// - UAL1090, an A319 of the Mexico City capture, reported over the threshold of 05R 209 ft above
//   the field at -832 fpm (the last report repeated for 87 s), then nothing until it is on the
//   ground at the end of 05L 116 s later, and taxiing on a parallel taxiway. Before, the object
//   circled 1.46 km off the runways at about 105 ft for a minute, landed and crossed the infield
//   diagonally to the end of 05L at 77 kt.
// - WWW563, a B736 of the Las Vegas capture, from its base leg: its reports turn final 700 m
//   west of 19R's extended centreline and from 850 m before its threshold repeat one altitude
//   at -1,088 fpm, rolling on 250 to 380 m west of it, flagged airborne. Before, the object
//   flew 12 ft above the ground beside the runway and on past its end for a minute, up to
//   527 m off the runways and its reports' line; it now lands on 19R and rolls on it.
// - SWA410, a B737 of the Las Vegas capture, reported 6.5 NM east of the field at 2,300 ft, 120
//   ft above it, descending. Before, the object met the simulator stand-in's flat ground there at
//   some 1,900 fpm with no flare and rolled on 8 s at 219 kt.
// - VOI785 (A21N), AIJ2800 (A21N) and AIJ2521 (A21N) of the Mexico City capture, whose reports
//   turn off 05R onto the taxiways north of it at 20 to 35 kt while the object, behind them,
//   still rolls along the runway. Before, each rolled straight at its next report off the
//   runway or behind it while its nose came round at its turn rate: 95, 83 and 41 degrees off
//   its motion.
// - AIJ2704 (A320) of the Mexico City capture, which touches down on 05L 1.4 km short of its
//   next report, on the taxiway 104 m north of the runway's centreline, at 23 kt. Before, the
//   object rolled on along its landing's leg, straight at that report, and crossed the edge of
//   the runway at 87 kt (at 178 kt in the whole capture's run).
// - DAL1039 (B752) of the Los Angeles capture, whose reports end in the air 175 ft above the
//   field 2.3 km before 24R's end and are next on the ground on the runway 33 s later. The
//   object, behind them, came down to the simulator's ground (flat at the field's elevation,
//   above the runway's) short of the runway. Before, it met that ground 90 m before 24R and
//   rolled there at 71 kt; short of the touch-down zone it now keeps to the approach path.
// - N216SH, a helicopter (EC30) of the Las Vegas capture, set down by the simulator and taxiing
//   off at 10 to 19 kt. Before, it slid 38 degrees off its nose as its reports turned.
// Below 500 ft near the park airport the object keeps to its runway's extended centreline or
// its reports' line; it flares before it touches down; on the ground it goes no faster than it
// rolls at the most, across the airport off the runways no faster than 40 kt, and where its
// nose points.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "feed/rt_app_datagram.h"
#include "feed/rt_records.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "tests/support/shared_data.h"
#include "tests/traffic/support/program_replay.h"
#include "tests/traffic/support/replay_measure.h"
#include "tests/traffic/support/track_capture.h"

namespace skyloom::testing {
namespace {

constexpr const char* kLasVegasCapture = "feed/recordings/KLAS_20190305_2056Z.txt";
constexpr double kLasVegasElevationFt = 2181.0;
// The user at the south-west apron, away from runway 26R and its taxiways.
const ReplayAirport kLasVegas{"KLAS", {36.0735, -115.1780}, 0.0};
// Runway 26R's far end (OurAirports: the threshold of 08L), and its direction.
const Lalo kRunway26RFarEnd{36.076333, -115.171333};
constexpr double kRunway26RHeadingDeg = 270.0;

constexpr const char* kMexicoCityCapture = "feed/recordings/MMMX.txt";
constexpr double kMexicoCityElevationFt = 7316.0;
// The user where an aircraft of the capture stands, north of the runways.
const ReplayAirport kMexicoCity{"MMMX", {19.4458, -99.0691}, 86.0};
// Runway 05L's far end (OurAirports: the threshold of 23R), and its direction; 05R's far end
// (the threshold of 23L).
const Lalo kRunway05LFarEnd{19.44569969177246, -99.05819702148438};
constexpr double kRunway05LHeadingDeg = 59.4;
const Lalo kRunway05RFarEnd{19.444900512695312, -99.05390167236328};
// Queretaro's runway 09: its far end (OurAirports: the threshold of 27), and its direction.
const Lalo kQueretaro09FarEnd{20.614299774169922, -100.16899871826172};
constexpr double kQueretaro09HeadingDeg = 100.8;

// How far past the far end a roll may run before the wheels leave the ground, and what one
// tick of it adds (at 198 kt, 1 m a tick) before the next tick's check ends it.
constexpr double kPastEndMetres = 100.0;
constexpr double kOneTickMetres = 1.0;
// The rotation after the lift-off decision takes a second or so: at 190 kt some 100 m go by
// before the wheels leave the ground.
constexpr double kRotationMetres = 200.0;
// An airliner rotates at about 150 kt: the plausible rotation speed of a Large aircraft (the
// ICAO approach category D, up to 165 kt) with the margin of a high field and a tailwind
// (1.2), docs/motion.md "The speed on the ground". The frames' steps are measured over a second, in which the world's
// frames (30 a second) may add one.
constexpr double kAirlinerOnGroundMostKt = 198.0;
constexpr double kGroundStepSeconds = 1.0;
constexpr double kWorldFrameSeconds = 1.0 / 30.0;
// In its first minute in the air an object catches up no faster than this times the ground
// speed its reports due within a minute of its lift-off give, measured over 5 s.
constexpr double kAirCatchUpMargin = 1.25;
constexpr double kAirStepSeconds = 5.0;
constexpr double kCatchUpSeconds = 60.0;
// A helicopter on the ground moves no faster than a taxi (the fastest the program takes a roll
// for one that is no take-off), and is off the ground this soon after its first report in the
// air that climbs is due.
constexpr double kRotorcraftOnGroundMostKt = 43.0;
constexpr double kRotorcraftLiftOffSeconds = 5.0;
constexpr double kPlaybackDelaySeconds = 30.0;
// The nose on the ground, moving at 5 kt or more, off the direction it moves in (as the
// end-to-end checks hold it).
constexpr double kGroundNoseOffDeg = 30.0;

// The capture's datagrams of one aircraft between two times, each burst with them alone.
tools::Capture lf_onlyAircraft(const tools::Capture& capture, const std::string& registration,
                               double fromEpoch, double toEpoch) {
    tools::Capture only;
    for (const tools::CaptureBurst& burst : capture.bursts) {
        if (burst.time < fromEpoch || burst.time > toEpoch) {
            continue;
        }
        tools::CaptureBurst kept{burst.time, {}};
        for (const std::string& datagram : burst.datagrams) {
            const AppDatagram split = gf_splitAppDatagram(datagram);
            if (split.kind == AppDatagramKind::traffic &&
                std::string(gf_rttfcRecord(split).registration) == registration) {
                kept.datagrams.push_back(datagram);
            }
        }
        if (!kept.datagrams.empty()) {
            only.bursts.push_back(std::move(kept));
        }
    }
    return only;
}

// How the reports from a time on give the climb-out.
enum class ClimbOut {
    asCaptured,
    // On the ground (as a transponder stuck on "ground" sends them): position, speed and track
    // as captured, at altitude 0 as the capture reports the ground.
    onTheGround,
    // The same with the vertical speed as captured (2,000 fpm and more): the reports say the
    // aircraft flies, but not where it leaves the ground.
    onTheGroundClimbing,
};

tools::Capture lf_reportedOnTheGround(const tools::Capture& capture, double fromEpoch,
                                      ClimbOut climbOut) {
    tools::Capture changed = capture;
    for (tools::CaptureBurst& burst : changed.bursts) {
        if (burst.time < fromEpoch) {
            continue;
        }
        for (std::string& datagram : burst.datagrams) {
            const RtTrafficRecord r = gf_rttfcRecord(gf_splitAppDatagram(datagram));
            TruePoint p =
                gf_groundReport(0.0, {r.latitude, r.longitude}, r.groundSpeedKt.value_or(0.0),
                                r.trackDeg.value_or(0.0), 0.0);
            if (climbOut == ClimbOut::onTheGroundClimbing) {
                p.verticalSpeedFpm = r.verticalSpeedFpm.value_or(0.0);
            }
            const TrackIdentity who{r.hexid,
                                    std::string(r.callsign),
                                    std::string(r.model),
                                    std::string(r.registration),
                                    std::string(r.origin),
                                    std::string(r.destination)};
            datagram = gf_rttfcDatagram(who, p, r.timestamp);
        }
    }
    return changed;
}

struct RollCase {
    const char* name;
    const char* capture;
    double elevationFt;
    const ReplayAirport* airport;
    int utcHour, utcMinute, utcSecond;
    const char* registration;
    double fromEpoch;
    double toEpoch;
    const Lalo* farEnd; // none: a helicopter, which lifts off where it stands
    double runwayHeadingDeg;
    bool airportFile = true; // the park airport's runways are known
    ClimbOut climbOut = ClimbOut::asCaptured;
    double climbOutEpoch = 0; // from then on
    friend void PrintTo(const RollCase& c, std::ostream* out) { *out << c.name; }
};

// Metres past the runway's far end along its direction (negative before it).
double lf_pastFarEnd(const RollCase& c, const Lalo& at) {
    const double metres = gf_distanceNM(*c.farEnd, at) * geo::kMetresPerNM;
    const double off = gf_bearing(*c.farEnd, at) - c.runwayHeadingDeg * geo::kRadiansPerDegree;
    return std::cos(off) * metres;
}

class TakeoffRollReplay : public ProgramReplayTest,
                          public ::testing::WithParamInterface<RollCase> {};

TEST_P(TakeoffRollReplay, RollsNoFasterThanAnAirlinerRotatesAndLeavesTheGroundOnTheRunway) {
    const RollCase& c = GetParam();
    SKYLOOM_REQUIRE_SHARED(capturePath, c.capture);
    tools::Capture capture = lf_onlyAircraft(tools::gf_readCapture(capturePath, c.elevationFt),
                                             c.registration, c.fromEpoch, c.toEpoch);
    const bool neverAirborne = c.climbOut != ClimbOut::asCaptured;
    if (neverAirborne) {
        capture = lf_reportedOnTheGround(capture, c.climbOutEpoch, c.climbOut);
    }
    const auto due = gf_dueReports(capture);
    const std::string skip =
        prepare(*c.airport, std::move(capture),
                ManualClock::utcTime(2026, 1, 7, c.utcHour, c.utcMinute, c.utcSecond));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    if (!c.airportFile) {
        std::filesystem::remove(workFolder() / "airports" / "my_thirdparty" /
                                (c.airport->icao + ".xml"));
    }
    ASSERT_EQ(reports().size(), 1u) << c.registration << " is not in the capture";
    const auto& [hexid, reports] = *this->reports().begin();
    std::optional<Lalo> firstAirborne;
    const TrafficEntry* firstClimbing = nullptr;
    for (const TrafficEntry& r : reports) {
        if (r.sample.airborne != 0 && !firstAirborne) {
            firstAirborne = Lalo{r.sample.latitude, r.sample.longitude};
        }
        if (r.sample.airborne != 0 && r.sample.verticalSpeedFpm > 0 && firstClimbing == nullptr) {
            firstClimbing = &r;
        }
    }
    const bool rotorcraft = c.farEnd == nullptr;
    ASSERT_EQ(firstAirborne.has_value(), !neverAirborne);
    ReplayRunOptions options;
    options.afterLastBurst = std::chrono::seconds(30);
    options.followed = {hexid};
    const ReplayRunResult result = run(options);
    ASSERT_TRUE(result.frames.contains(hexid)) << c.registration << " was never shown";
    const std::vector<ObjectFrame>& frames = result.frames.at(hexid);

    double farthestOnGround = -1e9;
    bool rolled = false;
    std::vector<ObjectFrame> onGround;
    std::vector<ObjectFrame> catchingUp;
    const ObjectFrame* liftOff = nullptr;
    for (const ObjectFrame& f : frames) {
        rolled = rolled || f.phase == FlightPhase::takeoff_roll;
        if (f.onGround && liftOff == nullptr) {
            if (!rotorcraft) {
                farthestOnGround =
                    std::max(farthestOnGround, lf_pastFarEnd(c, {f.latitude, f.longitude}));
            }
            onGround.push_back(f);
        } else if (!f.onGround) {
            liftOff = liftOff == nullptr ? &f : liftOff;
            if (f.seconds - liftOff->seconds <= kCatchUpSeconds) {
                catchingUp.push_back(f);
            }
        }
    }
    EXPECT_EQ(rolled, !rotorcraft) << "take-off roll";
    const FastestStep rolling = gf_fastestStep(onGround, kGroundStepSeconds);
    const double onGroundMostKt = rotorcraft ? kRotorcraftOnGroundMostKt : kAirlinerOnGroundMostKt;
    EXPECT_LE(rolling.kt, onGroundMostKt * (1.0 + kWorldFrameSeconds / kGroundStepSeconds))
        << "on the ground at " << rolling.seconds << " s";
    EXPECT_LE(farthestOnGround, kPastEndMetres + kOneTickMetres)
        << "metres past the runway's far end on the ground";
    const NoseOff nose = gf_largestGroundNoseOff(onGround);
    EXPECT_LE(nose.deg, kGroundNoseOffDeg) << "nose off its motion at " << nose.seconds << " s";
    const std::vector<std::string> failed = logLinesWith("removed: its take-off roll failed");
    if (c.climbOut == ClimbOut::onTheGround) {
        EXPECT_EQ(liftOff, nullptr);
        EXPECT_EQ(failed.size(), 1u);
        return;
    }
    EXPECT_THAT(failed, ::testing::IsEmpty());
    ASSERT_NE(liftOff, nullptr) << c.registration << " never left the ground";
    if (rotorcraft) {
        ASSERT_NE(firstClimbing, nullptr);
        const double climbDue =
            firstClimbing->timestamp - result.firstBurstEpoch + kPlaybackDelaySeconds;
        EXPECT_LE(liftOff->seconds, climbDue + kRotorcraftLiftOffSeconds)
            << "off the ground at " << liftOff->seconds << " s";
        std::printf("%s: off the ground %.1f s after its first climbing report is due, ", c.name,
                    liftOff->seconds - climbDue);
    } else if (firstAirborne) {
        // Off the ground where its first airborne report puts it (plus the rotation), not
        // beyond.
        EXPECT_LE(lf_pastFarEnd(c, {liftOff->latitude, liftOff->longitude}) -
                      lf_pastFarEnd(c, *firstAirborne),
                  kRotationMetres);
    }
    EXPECT_FALSE(frames.back().onGround);
    // The speed the reports due within a minute of the lift-off give.
    double reportedKt = 0;
    for (const DueReport& r : due.at(hexid)) {
        if (std::abs(r.dueSeconds - liftOff->seconds) <= kCatchUpSeconds) {
            reportedKt = std::max(reportedKt, r.groundSpeedKt);
        }
    }
    const FastestStep flying = gf_fastestStep(catchingUp, kAirStepSeconds);
    EXPECT_LE(flying.kt, kAirCatchUpMargin * reportedKt)
        << "in the air at " << flying.seconds << " s, reported " << reportedKt << " kt";
    if (!rotorcraft) {
        std::printf("%s: off the ground %.0f m past the far end, ", c.name, farthestOnGround);
    }
    std::printf("on the ground %.0f kt at most, in the air %.0f kt at most (reported %.0f kt)\n",
                rolling.kt, flying.kt, reportedKt);
}

// DAL2232's reports from its standing at the holding point of 26R on, and the first report of
// its climb-out.
constexpr double kDal2232FromEpoch = 1551820040.0;
constexpr double kDal2232ClimbOutEpoch = 1551820130.0;

INSTANTIATE_TEST_SUITE_P(
    Recorded, TakeoffRollReplay,
    ::testing::Values(
        RollCase{"Dal2232RunwaysKnown", kLasVegasCapture, kLasVegasElevationFt, &kLasVegas, 20, 57,
                 20, "N347DN", kDal2232FromEpoch, 1e12, &kRunway26RFarEnd, kRunway26RHeadingDeg},
        RollCase{"Dal2232RunwaysNotKnown", kLasVegasCapture, kLasVegasElevationFt, &kLasVegas, 20,
                 57, 20, "N347DN", kDal2232FromEpoch, 1e12, &kRunway26RFarEnd, kRunway26RHeadingDeg,
                 false},
        RollCase{"Dal2232ClimbOutReportedOnTheGround", kLasVegasCapture, kLasVegasElevationFt,
                 &kLasVegas, 20, 57, 20, "N347DN", kDal2232FromEpoch, 1e12, &kRunway26RFarEnd,
                 kRunway26RHeadingDeg, true, ClimbOut::onTheGround, kDal2232ClimbOutEpoch},
        // Its reports climb: it lifts off before the runway's end, not 100 m past it.
        RollCase{"Dal2232ClimbingOnTheGround", kLasVegasCapture, kLasVegasElevationFt, &kLasVegas,
                 20, 57, 20, "N347DN", kDal2232FromEpoch, 1e12, &kRunway26RFarEnd,
                 kRunway26RHeadingDeg, true, ClimbOut::onTheGroundClimbing, kDal2232ClimbOutEpoch},
        // From its taxi to 05L to two minutes of its climb.
        RollCase{"Amx222Mmmx05L", kMexicoCityCapture, kMexicoCityElevationFt, &kMexicoCity, 21, 38,
                 20, "N825AM", 1553204300.0, 1553204580.0, &kRunway05LFarEnd, kRunway05LHeadingDeg},
        // From its standing at the threshold of 26R to two minutes of its climb.
        RollCase{"N7814BKlas26R", kLasVegasCapture, kLasVegasElevationFt, &kLasVegas, 21, 9, 0,
                 "N7814B", 1551820140.0, 1551820410.0, &kRunway26RFarEnd, kRunway26RHeadingDeg},
        // From its taxi to the holding point of 26R, from which it turns onto the runway at 29
        // kt, to two minutes of its climb.
        RollCase{"Wja1401Klas26R", kLasVegasCapture, kLasVegasElevationFt, &kLasVegas, 21, 5, 0,
                 "C-FUCS", 1551819900.0, 1551820310.0, &kRunway26RFarEnd, kRunway26RHeadingDeg},
        // From its standing at the heliport to two minutes of its climb.
        RollCase{"N879MHKlasHeliport", kLasVegasCapture, kLasVegasElevationFt, &kLasVegas, 20, 59,
                 50, "N879MH", 1551819590.0, 1551819780.0, nullptr, 0.0},
        // From its taxi onto runway 09 at Queretaro to three minutes of its climb.
        RollCase{"Sli2226Queretaro09", kMexicoCityCapture, kMexicoCityElevationFt, &kMexicoCity,
                 21, 42, 30, "XA-GAM", 1553204550.0, 1553204880.0, &kQueretaro09FarEnd,
                 kQueretaro09HeadingDeg}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Landings --------------------------------------------------------------------------------

// Across the airport off its runways nothing moves faster (kt); a frame this far from every
// runway's centreline (m) is off the runways (their half width, 23 m at Mexico City, and a
// shoulder).
constexpr double kOffRunwayMostKt = 40.0;
constexpr double kOffRunwayMetres = 60.0;
// Below this height (ft) near the field the object flies the approach its reports show: within
// this much (m) of a runway's extended centreline.
constexpr double kApproachHeightFt = 500.0;
constexpr double kNearFieldNm = 10.0;
constexpr double kOffCentrelineMostMetres = 150.0;
// The flare: in the last second before the wheels meet the ground the object sinks no faster
// than this (fpm).
constexpr double kTouchDownSinkMostFpm = 700.0;
constexpr double kTouchDownSeconds = 1.0;

// A runway by its two ends (OurAirports).
struct RunwayLine {
    Lalo from;
    Lalo to;
};

struct LandingCase {
    const char* name;
    const char* capture;
    double elevationFt;
    const ReplayAirport* airport;
    const char* registration;
    double toEpoch;
    // The park airport's runways where the object lands among them (none: it meets the ground
    // elsewhere).
    std::vector<RunwayLine> runways;
    // The capture's reports from this time on (0: all of them).
    double fromEpoch = 0.0;
    // Below 500 ft the most it may lie off the runways' extended centrelines and its reports'
    // line (m).
    double offApproachMostMetres = kOffCentrelineMostMetres;
    // How long the run goes on after the last report (s): the capture audit's 90 s where the
    // landing comes after the reports end.
    int afterLastBurstSeconds = 30;
    friend void PrintTo(const LandingCase& c, std::ostream* out) { *out << c.name; }
};

// Las Vegas's runways 01L-19R, 01R-19L, 08L-26R and 08R-26L.
const std::vector<RunwayLine> kLasVegasRunways{
    {{36.07529831, -115.1699982}, {36.09769821, -115.1579971}},
    {{36.074167, -115.1675}, {36.0985, -115.1535}},
    {{36.076333, -115.171333}, {36.076333, -115.121}},
    {{36.07360076904297, -115.16100311279297}, {36.073699951171875, -115.1259994506836}}};

// Mexico City's runways 05L and 05R.
const std::vector<RunwayLine> kMexicoCityRunways{
    {{19.427600860595703, -99.09049987792969}, kRunway05LFarEnd},
    {{19.427000045776367, -99.08580017089844}, kRunway05RFarEnd}};

// Los Angeles's runways 06L-24R, 06R-24L, 07L-25R and 07R-25L.
const std::vector<RunwayLine> kLosAngelesRunways{
    {{33.94910049, -118.4309998}, {33.95209885, -118.4020004}},
    {{33.94670105, -118.4349976}, {33.95019913, -118.4020004}},
    {{33.93579865, -118.4189987}, {33.93989944, -118.3799973}},
    {{33.93379974, -118.4189987}, {33.9375, -118.3830032}}};

// Metres from `at` to the runway: to its centreline between its ends (`segment`), or to the
// centreline drawn on beyond them.
double lf_offRunwayMetres(const RunwayLine& r, const Lalo& at, bool segment) {
    const double length = gf_distanceNM(r.from, r.to) * geo::kMetresPerNM;
    const double metres = gf_distanceNM(r.from, at) * geo::kMetresPerNM;
    const double off = gf_bearing(r.from, at) - gf_bearing(r.from, r.to);
    const double along = std::cos(off) * metres;
    const double across = std::abs(std::sin(off) * metres);
    if (!segment || (along >= 0 && along <= length)) {
        return across;
    }
    return std::hypot(across, along < 0 ? along : along - length);
}

double lf_nearestRunwayMetres(const LandingCase& c, const ObjectFrame& f, bool segment) {
    double nearest = 1e18;
    for (const RunwayLine& r : c.runways) {
        nearest = std::min(nearest, lf_offRunwayMetres(r, {f.latitude, f.longitude}, segment));
    }
    return nearest;
}

class LandingReplay : public ProgramReplayTest,
                      public ::testing::WithParamInterface<LandingCase> {};

TEST_P(LandingReplay, FliesItsApproachFlaresAndRollsNoFasterThanItCan) {
    const LandingCase& c = GetParam();
    SKYLOOM_REQUIRE_SHARED(capturePath, c.capture);
    tools::Capture capture = lf_onlyAircraft(tools::gf_readCapture(capturePath, c.elevationFt),
                                             c.registration, c.fromEpoch, c.toEpoch);
    ASSERT_FALSE(capture.bursts.empty()) << c.registration << " is not in the capture";
    const double firstEpoch = capture.bursts.front().time;
    const std::string skip = prepare(*c.airport, std::move(capture), gf_epochUtc(firstEpoch));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    ASSERT_EQ(reports().size(), 1u);
    const std::uint32_t hexid = reports().begin()->first;
    // The line its reports draw: an approach the feed puts beside the runway is flown there.
    std::vector<RunwayLine> reportedLine;
    const std::vector<TrafficEntry>& reported = reports().begin()->second;
    for (std::size_t i = 0; i + 1 < reported.size(); ++i) {
        reportedLine.push_back(
            {{reported[i].sample.latitude, reported[i].sample.longitude},
             {reported[i + 1].sample.latitude, reported[i + 1].sample.longitude}});
    }
    ReplayRunOptions options;
    options.bufferedBursts = 3;
    options.afterLastBurst = std::chrono::seconds(c.afterLastBurstSeconds);
    options.followed = {hexid};
    const ReplayRunResult result = run(options);
    ASSERT_TRUE(result.frames.contains(hexid)) << c.registration << " was never shown";
    const std::vector<ObjectFrame>& frames = result.frames.at(hexid);

    std::vector<ObjectFrame> onGround;
    std::vector<ObjectFrame> offRunways;
    double offCentreline = 0;
    double offCentrelineAt = 0;
    const ObjectFrame* touchDown = nullptr;
    const Lalo field = c.airport->userGate;
    for (const ObjectFrame& f : frames) {
        if (f.onGround) {
            onGround.push_back(f);
            if (!c.runways.empty() && lf_nearestRunwayMetres(c, f, true) > kOffRunwayMetres) {
                offRunways.push_back(f);
            }
            touchDown = touchDown == nullptr ? &f : touchDown;
            continue;
        }
        if (!c.runways.empty() && f.altitudeFt - c.elevationFt < kApproachHeightFt &&
            gf_distanceNM(field, {f.latitude, f.longitude}) < kNearFieldNm) {
            double off = lf_nearestRunwayMetres(c, f, false);
            for (const RunwayLine& leg : reportedLine) {
                off = std::min(off, lf_offRunwayMetres(leg, {f.latitude, f.longitude}, true));
            }
            if (off > offCentreline) {
                offCentreline = off;
                offCentrelineAt = f.seconds;
            }
        }
    }
    ASSERT_NE(touchDown, nullptr) << c.registration << " never touched down";
    // The frame a second before the wheels met the ground.
    const auto second = std::find_if(frames.begin(), frames.end(), [&](const ObjectFrame& f) {
        return f.seconds >= touchDown->seconds - kTouchDownSeconds;
    });
    ASSERT_TRUE(second != frames.end() && !second->onGround) << "created on the ground";
    const double sinkFpm =
        (second->altitudeFt - touchDown->altitudeFt) / (touchDown->seconds - second->seconds) * 60;
    const FastestStep rolling = gf_fastestStep(onGround, kGroundStepSeconds);
    const FastestStep offRunway = gf_fastestStep(offRunways, kGroundStepSeconds);
    const double frameMargin = 1.0 + kWorldFrameSeconds / kGroundStepSeconds;
    std::printf("%s: below %.0f ft at most %.0f m off a runway's centreline, sinking %.0f fpm "
                "before the touch-down, on the ground %.0f kt at most, off the runways %.0f kt\n",
                c.name, kApproachHeightFt, offCentreline, sinkFpm, rolling.kt, offRunway.kt);
    EXPECT_LE(offCentreline, c.offApproachMostMetres) << "at " << offCentrelineAt << " s";
    EXPECT_LE(sinkFpm, kTouchDownSinkMostFpm) << "touching down at " << touchDown->seconds << " s";
    EXPECT_LE(rolling.kt, kAirlinerOnGroundMostKt * frameMargin)
        << "on the ground at " << rolling.seconds << " s";
    EXPECT_LE(offRunway.kt, kOffRunwayMostKt * frameMargin)
        << "off the runways at " << offRunway.seconds << " s";
    const NoseOff nose = gf_largestGroundNoseOff(onGround);
    EXPECT_LE(nose.deg, kGroundNoseOffDeg) << "nose off its motion at " << nose.seconds << " s";
}

// WWW563's reports from its base leg north-east of the field on.
constexpr double kWww563FromEpoch = 1551820100.0;
constexpr double kAuditOffApproachMetres = 300.0;
// A helicopter flies no runway's approach: its low flight is not held to one.
constexpr double kNoApproachMetres = 1e9;
constexpr int kAuditAfterLastBurstSeconds = 90;

INSTANTIATE_TEST_SUITE_P(
    Recorded, LandingReplay,
    ::testing::Values(
        // From its approach to its taxi on the parallel taxiway north of 05L.
        LandingCase{"Ual1090Mmmx05R", kMexicoCityCapture, kMexicoCityElevationFt, &kMexicoCity,
                    "N823UA", 1553204100.0, kMexicoCityRunways},
        // Their landings on 05R and the turn-off onto the taxiways north of it.
        LandingCase{"Voi785Mmmx05R", kMexicoCityCapture, kMexicoCityElevationFt, &kMexicoCity,
                    "N535VL", 1e12, kMexicoCityRunways},
        LandingCase{"Aij2800Mmmx05R", kMexicoCityCapture, kMexicoCityElevationFt, &kMexicoCity,
                    "XA-PGA", 1e12, kMexicoCityRunways},
        LandingCase{"Aij2521Mmmx05R", kMexicoCityCapture, kMexicoCityElevationFt, &kMexicoCity,
                    "XA-RLM", 1e12, kMexicoCityRunways},
        // From its turn onto the final of 05L, reported next on the ground on the taxiway
        // 104 m north of the runway's centreline.
        LandingCase{"Aij2704Mmmx05L", kMexicoCityCapture, kMexicoCityElevationFt, &kMexicoCity,
                    "XA-WAB", 1e12, kMexicoCityRunways, 1553204540.0},
        // From its base leg to its reports' end, which repeat one altitude at -1,088 fpm from
        // 850 m before the threshold of 19R, 250 to 380 m west of its centreline. Its reports
        // turn final 700 m west of the centreline at 270 ft, and the object cuts their corner:
        // the capture audit's 300 m off the centrelines and its reports' line.
        LandingCase{"Www563Klas19R", kLasVegasCapture, kLasVegasElevationFt, &kLasVegas, "N365SR",
                    1e12, kLasVegasRunways, kWww563FromEpoch, kAuditOffApproachMetres},
        // Its reports end 175 ft above the field 2.3 km before 24R's end, then on the ground
        // on it 33 s later; behind them, the object flies on at its reports' clock.
        LandingCase{"Dal1039Klax24R", kLosAngelesCapture, kLosAngelesElevationFt,
                    &kLosAngelesReplayAirport, "N821DX", 1e12, kLosAngelesRunways},
        // Helicopters whose landings set them down near the park airport off its runways at
        // their flying speeds: a Bell 505 south-west of Mexico City's runways at 81 kt, tour
        // EC130s at Las Vegas at 44 kt (its reports hover-taxi at 46) and at 110 kt south of
        // the field. On the ground none goes faster than a taxi.
        LandingCase{"XantnMmmxHelicopter", kMexicoCityCapture, kMexicoCityElevationFt,
                    &kMexicoCity, "XA-NTN", 1e12, kMexicoCityRunways, 0.0, kNoApproachMetres,
                    kAuditAfterLastBurstSeconds},
        LandingCase{"N220SHKlasHelicopter", kLasVegasCapture, kLasVegasElevationFt, &kLasVegas,
                    "N220SH", 1e12, kLasVegasRunways, 0.0, kNoApproachMetres},
        LandingCase{"N873MHKlasHelicopter", kLasVegasCapture, kLasVegasElevationFt, &kLasVegas,
                    "N873MH", 1e12, kLasVegasRunways, 0.0, kNoApproachMetres,
                    kAuditAfterLastBurstSeconds},
        // Its reports as the capture has them.
        LandingCase{"Swa410KlasEast",
                    kLasVegasCapture,
                    kLasVegasElevationFt,
                    &kLasVegas,
                    "N459WN",
                    1e12,
                    {}},
        LandingCase{"N216SHKlasHelicopter",
                    kLasVegasCapture,
                    kLasVegasElevationFt,
                    &kLasVegas,
                    "N216SH",
                    1e12,
                    {}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace skyloom::testing
