// Air reports written by hand near Los Angeles, as the App sends them, through the whole
// program (feed, mailbox, traffic, simulator stand-in; tests/traffic/support/program_replay.h):
// the vertical side of flights that real ones showed going wrong: the touch-down's pitch, fast
// climbs and descents, low passes. One test per behaviour, one row per flight.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "refdata/dbase_lookups.h"
#include "tests/traffic/support/program_replay.h"
#include "tests/traffic/support/replay_measure.h"
#include "tests/traffic/support/track_capture.h"
#include "traffic/motion/cruise_vertical.h"
#include "traffic/step/traffic_state.h"

namespace skyloom::testing {
// The helpers' names are this file's own: the folder's tests compile in batches.
namespace air_vertical {
namespace {

constexpr double kPlaybackDelaySeconds = 30.0;
// The nose at touch-down turns at most so fast, watched so long either side of it over so long.
constexpr double kTouchDownPitchDegPerS = 2.0;
constexpr double kTouchDownWatchSeconds = 15.0;
constexpr double kPitchWindowSeconds = 0.5;
// The object is at most this far off a report's altitude when the report falls due.
constexpr double kVerticalOffReportFt = 500.0;
// While its reports fly, the object's centre of gravity stays this far above the ground at
// least.
constexpr double kAboveTheGroundFt = 5.0;

// Los Angeles' runway 24L: its threshold, direction and elevation.
const Lalo kThreshold24L{33.95020, -118.40200};
constexpr double kHeading24LDeg = 263.0;
constexpr double kElevation24LFt = 111.0;

struct LandingRow {
    const char* name;
    TrackIdentity who;
    double approachKt;  // on the 3 degree path
    double touchDownKt; // over the threshold, slowing down on the way
};

void PrintTo(const LandingRow& row, std::ostream* out) {
    *out << row.name;
}

// Reports every 4 s of a straight-in approach to 24L on a 3 degree path from 4 NM out,
// slowing from the approach speed to the touch-down speed over its last 32 s, touching down
// 300 m past the threshold and rolling out to a taxi's speed (a helicopter: to a stop).
std::vector<TruePoint> lf_landingReports(const LandingRow& row) {
    std::vector<TruePoint> points;
    constexpr double kPathSlope = 0.05241; // tan(3 degrees)
    constexpr double kTouchDownMetres = 300.0;
    double metres = -4.0 * 1852.0; // from the threshold along the runway's direction
    double seconds = 0.0;
    double speedKt = row.approachKt;
    // Eight reports slow it down to its touch-down speed.
    const double slowingMetres =
        (row.approachKt + row.touchDownKt) / 2.0 * geo::kMetresPerSecondPerKnot * 32.0;
    for (; metres < kTouchDownMetres; seconds += 4.0) {
        const double height =
            std::max((kTouchDownMetres - metres) * kPathSlope, 0.0) * geo::kFeetPerMetre;
        const double vs =
            -speedKt * geo::kMetresPerSecondPerKnot * kPathSlope * geo::kFeetPerMetre * 60.0;
        points.push_back(gf_airReport(seconds,
                                      gf_offsetMetres(kThreshold24L, kHeading24LDeg, metres),
                                      kElevation24LFt + height, speedKt, kHeading24LDeg, vs));
        metres += speedKt * geo::kMetresPerSecondPerKnot * 4.0;
        if (metres > kTouchDownMetres - slowingMetres) {
            speedKt = std::max(row.touchDownKt, speedKt - (row.approachKt - row.touchDownKt) / 8.0);
        }
    }
    const bool stops = row.touchDownKt < 30.0;
    for (int i = 0; i < 8; ++i, seconds += 4.0) {
        TruePoint p = gf_airReport(seconds, gf_offsetMetres(kThreshold24L, kHeading24LDeg, metres),
                                   kElevation24LFt, speedKt, kHeading24LDeg);
        p.airborne = false;
        points.push_back(p);
        speedKt = stops ? 0.0 : std::max(20.0, speedKt - 20.0);
        metres += speedKt * geo::kMetresPerSecondPerKnot * 4.0;
    }
    return points;
}

// Hand-made reports of one aircraft through the program, from kHandMadeEpoch on, the program
// running `after` past the last burst: the run's result, or why the test is skipped (../shared
// lacks the airport's data).
class HandMadeFlight : public ProgramReplayTest {
protected:
    std::string fly(const std::vector<TruePoint>& reports, const TrackIdentity& who,
                    std::chrono::seconds after, ReplayRunResult& result) {
        TrackCaptureOptions captureOptions;
        captureOptions.startEpoch = kHandMadeEpoch;
        std::string skip =
            prepare(kLosAngelesReplayAirport, gf_trackCapture(reports, who, captureOptions),
                    gf_epochUtc(kHandMadeEpoch));
        if (skip.empty()) {
            ReplayRunOptions options;
            options.followed = {who.hexid};
            options.afterLastBurst = after;
            result = run(options);
        }
        return skip;
    }
};

class Landings : public HandMadeFlight, public ::testing::WithParamInterface<LandingRow> {};

// The nose at touch-down: the flare raises it, the touch-down lets it down onto the wheels
// (a helicopter's skids), never faster than 2 degrees a second. Before, a helicopter flared as
// an aeroplane does, to 4 degrees nose up in one second (4.3 degrees a second here).
TEST_P(Landings, ChangeThePitchGentlyAtTouchDown) {
    const LandingRow& row = GetParam();
    ReplayRunResult result;
    if (const std::string skip =
            fly(lf_landingReports(row), row.who, std::chrono::seconds(45), result);
        !skip.empty()) {
        GTEST_SKIP() << skip;
    }
    const auto found = result.frames.find(row.who.hexid);
    ASSERT_NE(found, result.frames.end()) << "never shown";
    const std::vector<ObjectFrame>& frames = found->second;
    const auto touchDown = std::find_if(frames.begin(), frames.end(), [](const ObjectFrame& f) {
        return f.phase == FlightPhase::landing_roll;
    });
    ASSERT_NE(touchDown, frames.end()) << "it does not touch down";
    // The fastest change of the pitch over half a second, from 15 s before the touch-down to
    // 15 s after it.
    double fastestDegPerS = 0.0;
    double at = 0.0;
    for (auto i = frames.begin(), j = frames.begin(); i != frames.end(); ++i) {
        if (std::abs(i->seconds - touchDown->seconds) > kTouchDownWatchSeconds) {
            continue;
        }
        while (j != frames.end() && j->seconds - i->seconds < kPitchWindowSeconds) {
            ++j;
        }
        if (j == frames.end()) {
            break;
        }
        const double rate = std::abs(j->pitchRad - i->pitchRad) / (j->seconds - i->seconds) *
                            geo::kDegreesPerRadian;
        if (rate > fastestDegPerS) {
            fastestDegPerS = rate;
            at = i->seconds - touchDown->seconds;
        }
    }
    EXPECT_LE(fastestDegPerS, kTouchDownPitchDegPerS) << at << " s from the touch-down";
}

INSTANTIATE_TEST_SUITE_P(
    OnLosAngeles24L, Landings,
    ::testing::Values(
        LandingRow{"Light", {0xa20001, "N5LA", "C172", "N5LA", "", "LAX"}, 70, 60},
        LandingRow{"TwoProps", {0xa20002, "N6TP", "BE58", "N6TP", "", "LAX"}, 110, 90},
        LandingRow{"Bizjet", {0xa20003, "N7BJ", "C680", "N7BJ", "", "LAX"}, 130, 115},
        LandingRow{"Large", {0xa20004, "AAL7", "A320", "N7AA", "JFK", "LAX"}, 150, 135},
        LandingRow{"Heavy", {0xa20005, "BAW269", "B744", "G-BNLA", "LHR", "LAX"}, 160, 145},
        LandingRow{"HighPerf", {0xa20006, "N8HP", "PC21", "N8HP", "", "LAX"}, 140, 115},
        LandingRow{"Rotorcraft", {0xa20007, "N9HE", "EC35", "N9HE", "", "LAX"}, 60, 10}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The vertical path -----------------------------------------------------------------

struct VerticalRow {
    const char* name;
    TrackIdentity who;
    std::vector<TruePoint> reports;
};

void PrintTo(const VerticalRow& row, std::ostream* out) {
    *out << row.name;
}

// A flight that flies parabolas: straight east at `speedKt`, its altitude a sine of
// `amplitudeFt` about `meanFt` over `periodSeconds`, reported every `everySeconds` with the
// sine's vertical speed there, or where `vsShare` is set, that share of the vertical speed
// `vsLagSeconds` earlier (a feed whose vertical speeds disagree with its altitudes).
struct Parabolas {
    Lalo start;
    double speedKt = 0.0;
    double meanFt = 0.0;
    double amplitudeFt = 0.0;
    double periodSeconds = 0.0;
    double everySeconds = 0.0;
    std::size_t count = 0;
    double vsShare = 1.0;
    double vsLagSeconds = 0.0;
};

std::vector<TruePoint> lf_parabolas(const Parabolas& p) {
    std::vector<TruePoint> points;
    const double omega = 2.0 * std::numbers::pi / p.periodSeconds;
    for (std::size_t i = 0; i < p.count; ++i) {
        const double t = p.everySeconds * static_cast<double>(i);
        points.push_back(gf_airReport(
            t, gf_offsetMetres(p.start, 90.0, p.speedKt * geo::kMetresPerSecondPerKnot * t),
            std::round(p.meanFt + p.amplitudeFt * std::sin(omega * t)), p.speedKt, 90.0,
            std::round(p.vsShare * p.amplitudeFt * omega * std::cos(omega * (t - p.vsLagSeconds)) *
                       60.0)));
    }
    return points;
}

// A sine of 2,600 ft over 60 s, some 16,000 fpm at its steepest, reported every 10 s at 300 kt
// (an A310 of zero-gravity flights).
const Parabolas kZeroGravity{.start = {33.85, -118.90},
                             .speedKt = 300.0,
                             .meanFt = 20000.0,
                             .amplitudeFt = 2600.0,
                             .periodSeconds = 60.0,
                             .everySeconds = 10.0,
                             .count = 30};

Parabolas lf_reportedVs(Parabolas p, double share, double lagSeconds) {
    p.vsShare = share;
    p.vsLagSeconds = lagSeconds;
    return p;
}

// Long Beach's runway 30, 14 NM from Los Angeles (the park airport: no landing is flown
// there): its threshold, direction and elevation.
const Lalo kThreshold30{33.823592, -118.158391};
constexpr double kHeading30Deg = 315.0;
constexpr double kElevation30Ft = 30.0;

// A low pass along a runway (its threshold and direction): reports every 5 s at `speedKt` on
// the 3 degree path from 3 NM out down to `lowestFt`, level along the runway's first 1,500 m,
// then climbing away at 1,500 fpm, airborne all along.
std::vector<TruePoint> lf_lowPass(const Lalo& threshold, double headingDeg, double speedKt,
                                  double lowestFt) {
    constexpr double kPathSlope = 0.05241; // tan(3 degrees)
    constexpr double kLevelMetres = 1500.0;
    constexpr double kClimbFpm = 1500.0;
    constexpr double kFpmPerKnot = 6076.11549 / 60.0;
    const double metresPerSecond = speedKt * geo::kMetresPerSecondPerKnot;
    std::vector<TruePoint> points;
    double seconds = 0.0;
    for (double metres = -3.0 * 1852.0; metres < 4.0 * 1852.0;
         seconds += 5.0, metres += 5.0 * metresPerSecond) {
        double height = 0.0;
        double vs = 0.0;
        if (metres < 0.0) {
            height = -metres * kPathSlope * geo::kFeetPerMetre;
            vs = -speedKt * kFpmPerKnot * kPathSlope;
        } else if (metres > kLevelMetres) {
            height =
                (metres - kLevelMetres) * geo::kFeetPerMetre * kClimbFpm / (speedKt * kFpmPerKnot);
            vs = kClimbFpm;
        }
        points.push_back(gf_airReport(seconds, gf_offsetMetres(threshold, headingDeg, metres),
                                      std::round(lowestFt + height), speedKt, headingDeg,
                                      std::round(vs)));
    }
    return points;
}

class VerticalPaths : public HandMadeFlight, public ::testing::WithParamInterface<VerticalRow> {};

// The object is at each report's altitude when the report falls due, within 500 ft, and between
// two reports within 500 ft of the band of their altitudes, climbs and descends no faster than
// its category plausibly does at its speed, and never touches the ground while its reports fly,
// 5 ft above it at least (the simulator stand-in's world is flat at Los Angeles' 125 ft, 95 ft
// above Long Beach's runway 30). Before, the parabolas' object climbed in steps to 32,749 ft
// (14,562 ft off a report; the reports stay between 17,400 and 22,600 ft), and the low pass 65 ft
// above runway 30 met the ground at some 500 fpm with no flare, its nose down from 2.7 degrees in
// one frame, rolled 2.9 s at 160 kt and lifted off again at its next report, 16 degrees nose up.
// Over the park airport's runway, where a landing is flown, the low pass touched down, rolled at
// 151 kt and lifted off 17 degrees nose up.
TEST_P(VerticalPaths, FollowTheReportedAltitudesAboveTheGround) {
    const VerticalRow& row = GetParam();
    ReplayRunResult result;
    if (const std::string skip = fly(row.reports, row.who, std::chrono::seconds(40), result);
        !skip.empty()) {
        GTEST_SKIP() << skip;
    }
    const auto found = result.frames.find(row.who.hexid);
    ASSERT_NE(found, result.frames.end()) << "never shown";
    const std::vector<ObjectFrame>& frames = found->second;

    double worst = 0.0;
    double worstAt = 0.0;
    std::size_t measured = 0;
    for (const TruePoint& r : row.reports) {
        const double due =
            kHandMadeEpoch + r.seconds - result.firstBurstEpoch + kPlaybackDelaySeconds;
        const auto at =
            std::lower_bound(frames.begin(), frames.end(), due,
                             [](const ObjectFrame& f, double t) { return f.seconds < t; });
        if (at == frames.begin() || at == frames.end()) {
            continue; // before the object was shown
        }
        ++measured;
        if (const double off = std::abs(at->altitudeFt - r.altitudeFt); off > worst) {
            worst = off;
            worstAt = due;
        }
    }
    // Off the band of the altitudes of the two reports around each frame, while they come.
    const double dueOffset = kHandMadeEpoch - result.firstBurstEpoch + kPlaybackDelaySeconds;
    double offBand = 0.0;
    double offBandAt = 0.0;
    for (const ObjectFrame& f : frames) {
        const double t = f.seconds - dueOffset;
        const auto next = std::find_if(row.reports.begin(), row.reports.end(),
                                       [t](const TruePoint& r) { return r.seconds >= t; });
        if (next == row.reports.begin() || next == row.reports.end()) {
            continue;
        }
        const double low = std::min(next->altitudeFt, std::prev(next)->altitudeFt);
        const double high = std::max(next->altitudeFt, std::prev(next)->altitudeFt);
        if (const double off = std::max(low - f.altitudeFt, f.altitudeFt - high); off > offBand) {
            offBand = off;
            offBandAt = t;
        }
    }
    std::printf("%s: at most %.0f ft off the band of the reports around it (at %.0f s)\n", row.name,
                offBand, offBandAt);
    EXPECT_LE(offBand, kVerticalOffReportFt) << "at " << offBandAt << " s";
    // The fastest vertical speed over a second.
    double fastestFpm = 0.0;
    for (auto i = frames.begin(), j = frames.begin(); i != frames.end(); ++i) {
        while (j != frames.end() && j->seconds - i->seconds < 1.0) {
            ++j;
        }
        if (j == frames.end()) {
            break;
        }
        fastestFpm = std::max(fastestFpm, std::abs(j->altitudeFt - i->altitudeFt) /
                                              (j->seconds - i->seconds) * 60.0);
    }
    const double slowestKt =
        std::min_element(row.reports.begin(), row.reports.end(), [](const auto& a, const auto& b) {
            return a.groundSpeedKt < b.groundSpeedKt;
        })->groundSpeedKt;
    const double mostFpm = gf_plausibleVerticalRateFpm(
        gf_modelCategory(reports().at(row.who.hexid).front().key.model), slowestKt);
    std::printf("%s: at most %.0f ft off a report when it falls due (at %.0f s), at most %.0f "
                "fpm (plausible %.0f)\n",
                row.name, worst, worstAt, fastestFpm, mostFpm);
    EXPECT_GT(measured, row.reports.size() / 2);
    EXPECT_LE(worst, kVerticalOffReportFt) << "at " << worstAt << " s";
    EXPECT_LE(fastestFpm, mostFpm);
    const auto down =
        std::find_if(frames.begin(), frames.end(), [](const ObjectFrame& f) { return f.onGround; });
    EXPECT_EQ(down, frames.end()) << "on the ground at " << down->seconds << " s";
    const auto lowest = std::min_element(
        frames.begin(), frames.end(),
        [](const ObjectFrame& a, const ObjectFrame& b) { return a.altitudeFt < b.altitudeFt; });
    EXPECT_GE(lowest->altitudeFt, kLosAngelesElevationFt + kAboveTheGroundFt)
        << "at " << lowest->seconds << " s";
}

INSTANTIATE_TEST_SUITE_P(
    NearLosAngeles, VerticalPaths,
    ::testing::Values(
        VerticalRow{"Parabolas",
                    {0xa30001, "NVS310", "A310", "F-WNOV", "", ""},
                    lf_parabolas(kZeroGravity)},
        // The same parabolas reported with vertical speeds that disagree with their altitudes:
        // half the sine's, 8 s late (a real flight's reported 7,400 to 20,000 fpm where its
        // altitudes jumped 5,000 ft in 10 s), or its own 12 s late. Before, the object missed
        // each climb, followed each descent and sank 4,549 ft (6,505 ft) below the band of the
        // reports around it.
        VerticalRow{"ParabolasReportedHalfAndLate",
                    {0xa30004, "NVS311", "A310", "F-WNOW", "", ""},
                    lf_parabolas(lf_reportedVs(kZeroGravity, 0.5, 8.0))},
        VerticalRow{"ParabolasReportedLate",
                    {0xa30005, "NVS312", "A310", "F-WNOX", "", ""},
                    lf_parabolas(lf_reportedVs(kZeroGravity, 1.0, 12.0))},
        // A King Air at 160 kt on a calibration flight, 65 ft above the simulator's ground ...
        VerticalRow{"LowPassAboveTheGround",
                    {0xa30002, "N9CA", "BE20", "N9CA", "", ""},
                    lf_lowPass(kThreshold30, kHeading30Deg, 160.0, kLosAngelesElevationFt + 65.0)},
        // ... and 65 ft above Long Beach's runway 30, which lies 95 ft below the simulator's
        // ground ...
        VerticalRow{"LowPassBelowTheGround",
                    {0xa30003, "N10CA", "BE20", "N10CA", "", ""},
                    lf_lowPass(kThreshold30, kHeading30Deg, 160.0, kElevation30Ft + 65.0)},
        // ... and 60 ft above the park airport's runway 24L by its pressure altitudes.
        VerticalRow{
            "LowPassOverTheParkAirport",
            {0xa30004, "N11CA", "BE20", "N11CA", "", ""},
            lf_lowPass(kThreshold24L, kHeading24LDeg, 150.0, kLosAngelesElevationFt + 60.0)}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace air_vertical
} // namespace skyloom::testing
