// The App's buffered traffic at the start through the program's own wiring
// (tests/traffic/support/program_replay.h): the first bursts of a recorded capture come as the
// App's buffer, as the demo's App stand-in answers the program's buffer request. Buffered
// reports older than the playback delay fall due at once, and the creates are paced (one every
// 20 ticks): an aircraft's reports can be long due when its object is created. It starts
// where its reports put it by then and flies on at the speed they give, on the Las Vegas
// capture (its aircraft appeared at their oldest report and leapt forward two seconds later:
// BAW283 2.45 km in 0.6 s) and on the Los Angeles one (the light aircraft N65647 circles).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "refdata/code_table.h"
#include "refdata/dbase_lookups.h"
#include "tests/support/shared_data.h"
#include "tests/traffic/support/program_replay.h"
#include "tests/traffic/support/replay_measure.h"
#include "tools/track_replay/flight_figures.h"
#include "traffic/motion/turn_reach.h"

namespace skyloom::testing {
// The helpers' names are this file's own: the folder's tests compile in batches.
namespace buffered_start {
namespace {

constexpr double kKnotsPerMetrePerSecond = 3600.0 / 1852.0;
constexpr double kPlaybackDelaySeconds = 30.0;
// No step faster than this times the fastest speed the capture gives the aircraft: the
// fastest it reports, or that two of its reports 5 s or more apart give by their positions (an
// old App stamps a report with the time it was received), at least a taxi's 30 kt.
constexpr double kStepMargin = 1.25;
// The start: from the creation until the object has flown its first reports (it is switched
// on 2 s after the simulator created it).
constexpr double kStartSeconds = 30.0;

struct BufferedCapture {
    const char* name;
    const char* capture; // in ../shared
    ReplayAirport airport;
    double elevationFt;
    int startHour, startMinute; // UTC, on a Wednesday
    std::size_t bursts;         // of the capture, from its first
    std::size_t bufferedBursts;
    // Aircraft that must be created from the buffered traffic, and the one whose turns after its
    // creation are measured.
    std::vector<std::string> createdFromTheBuffer;
    std::string turning;
};

void PrintTo(const BufferedCapture& row, std::ostream* out) {
    *out << row.name;
}

class BufferedStart : public ProgramReplayTest,
                      public ::testing::WithParamInterface<BufferedCapture> {};

TEST_P(BufferedStart, AnAircraftFliesOnFromWhereItsReportsPutIt) {
    const BufferedCapture& row = GetParam();
    SKYLOOM_REQUIRE_SHARED(capturePath, row.capture);
    tools::Capture capture = tools::gf_readCapture(capturePath, row.elevationFt);
    capture.bursts.resize(std::min(capture.bursts.size(), row.bursts));
    const std::string skip =
        prepare(row.airport, std::move(capture),
                ManualClock::utcTime(2026, 1, 7, row.startHour, row.startMinute, 0));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    ReplayRunOptions options;
    options.bufferedBursts = row.bufferedBursts;
    options.afterLastBurst = std::chrono::seconds(30);
    std::map<std::string, std::uint32_t> byCallsign;
    for (const auto& [hexid, reports] : reports()) {
        options.followed.insert(hexid);
        byCallsign[reports.front().callsign] = hexid;
    }
    const ReplayRunResult result = run(options);

    for (const std::string& callsign : row.createdFromTheBuffer) {
        ASSERT_TRUE(byCallsign.contains(callsign)) << callsign << " is not in the capture";
        EXPECT_TRUE(result.frames.contains(byCallsign[callsign])) << callsign << " never shown";
    }
    // From its creation until it has flown its first reports.
    for (const auto& [hexid, frames] : result.frames) {
        const std::vector<TrafficEntry>& reports = this->reports().at(hexid);
        const double capturedKt = gf_fastestReportedKt(reports);
        std::vector<ObjectFrame> start;
        for (const ObjectFrame& f : frames) {
            if (f.seconds - frames.front().seconds <= kStartSeconds) {
                start.push_back(f);
            }
        }
        const FastestStep step = gf_fastestStep(start);
        EXPECT_LE(step.kt, kStepMargin * capturedKt)
            << reports.front().callsign << " at " << step.seconds << " s, created at "
            << frames.front().seconds << " s";
    }
    if (row.turning.empty()) {
        return;
    }
    // After its creation its path turns no faster than its category flies at the speed it
    // reports (away from reports that themselves turn fast).
    const std::uint32_t hexid = byCallsign.at(row.turning);
    const std::vector<TrafficEntry>& reports = this->reports().at(hexid);
    const std::vector<ObjectFrame>& frames = result.frames.at(hexid);
    std::vector<tools::FlightFrame> flown;
    for (const ObjectFrame& f : frames) {
        if (f.seconds - frames.front().seconds <= kStartSeconds) {
            flown.push_back({f.seconds - kPlaybackDelaySeconds, f.latitude, f.longitude,
                             f.altitudeFt, f.headingRad, !f.onGround});
        }
    }
    std::vector<tools::FlightReport> reported;
    double slowestKt = reports.front().sample.groundSpeedKt;
    for (const TrafficEntry& r : reports) {
        reported.push_back(
            {r.timestamp - result.firstBurstEpoch, r.sample.trackDeg, r.sample.verticalSpeedFpm});
        slowestKt = std::min(slowestKt, r.sample.groundSpeedKt);
    }
    const tools::FlightFigures figures = tools::gf_flightFigures(flown, reported, row.elevationFt);
    ASSERT_GT(figures.measured, 0u);
    const AircraftCategory category = gf_modelCategory(reports.front().key.model);
    EXPECT_LE(figures.trackTurnMaxDegPerS,
              gf_plausibleTurnRateRadPerS(category, slowestKt) * geo::kDegreesPerRadian);
}

INSTANTIATE_TEST_SUITE_P(
    Captures, BufferedStart,
    ::testing::Values(
        // Las Vegas, 2019-03-05 20:56 UTC: reports stamped when received, a burst every 9.8 s;
        // the first three bursts buffered, nine live ones after them.
        BufferedCapture{"LasVegas3Buffered",
                        "feed/recordings/KLAS_20190305_2056Z.txt",
                        {"KLAS", {36.0840, -115.1537}, 0.0},
                        2181.0,
                        20,
                        56,
                        12,
                        3,
                        {"BAW283", "UAL310", "DAL1438", "LJ35"},
                        ""},
        // Los Angeles, 2020-06-17 19:52 UTC: the first three bursts buffered, as the demo's App
        // stand-in gives them.
        BufferedCapture{"LosAngeles3Buffered",
                        kLosAngelesCapture,
                        kLosAngelesReplayAirport,
                        kLosAngelesElevationFt,
                        21,
                        52,
                        20,
                        3,
                        {"N65647"},
                        "N65647"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace buffered_start
} // namespace skyloom::testing
