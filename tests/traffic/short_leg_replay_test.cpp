// The KLAX capture through the program's own wiring (tests/traffic/support/program_replay.h),
// its first bursts as the App's buffer as the demo's App stand-in gives them. The light
// aircraft N65647 circles, and two of its reports, 2 s apart, lie 55 m apart: the second came
// 35 s old, after the first had been reached and before the report after it. Such a short
// leg, whose direction is as much the feed's rounding as the aircraft's, is flown without a
// corner wherever the bursts start (the direction of flight, as the end-to-end run measures it
// with tools/track_replay/flight_figures.h, turns at most 6 degrees a second there).
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "tests/support/shared_data.h"
#include "tests/traffic/support/program_replay.h"
#include "tools/track_replay/flight_figures.h"

namespace skyloom::testing {
namespace {

constexpr double kLegTurnMaxDegPerS = 6.0;
constexpr double kLegPlaybackDelaySeconds = 30.0;
// Two reports closer than this make a short leg (the motion passes over such a target where a
// further report follows); the object's frames this near its end are those of the leg and of
// the second before and after it.
constexpr double kShortLegMetres = 200.0;
constexpr double kAroundLegEndMetres = 100.0;

struct BufferedStart {
    std::size_t bufferedBursts;
    const char* why;
    friend void PrintTo(const BufferedStart& start, std::ostream* out) { *out << start.why; }
};

class ShortLegAfterLateReport : public ProgramReplayTest,
                                public ::testing::WithParamInterface<BufferedStart> {};

TEST_P(ShortLegAfterLateReport, IsFlownWithoutACorner) {
    SKYLOOM_REQUIRE_SHARED(capturePath, kLosAngelesCapture);
    const std::string skip =
        prepare(kLosAngelesReplayAirport,
                tools::gf_readCapture(capturePath, kLosAngelesElevationFt),
                ManualClock::utcTime(2026, 1, 7, 21, 52, 32));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    std::uint32_t circling = 0;
    for (const auto& [hexid, reports] : reports()) {
        if (reports.front().callsign == "N65647") {
            circling = hexid;
        }
    }
    ASSERT_NE(circling, 0u) << "N65647 is not in the capture";
    const std::vector<TrafficEntry>& reports = this->reports().at(circling);
    ReplayRunOptions options;
    options.bufferedBursts = GetParam().bufferedBursts;
    options.afterLastBurst = std::chrono::seconds(30);
    options.followed = {circling};
    const ReplayRunResult result = run(options);

    // Frames and reports on the reports' clock (a report is due a playback delay after it came).
    std::vector<tools::FlightFrame> frames;
    for (const ObjectFrame& f : result.frames.at(circling)) {
        frames.push_back({f.seconds - kLegPlaybackDelaySeconds, f.latitude, f.longitude,
                          f.altitudeFt, f.headingRad, !f.onGround});
    }
    std::vector<tools::FlightReport> flown;
    for (const TrafficEntry& r : reports) {
        flown.push_back(
            {r.timestamp - result.firstBurstEpoch, r.sample.trackDeg, r.sample.verticalSpeedFpm});
    }
    std::size_t shortLegs = 0;
    for (std::size_t i = 1; i < reports.size(); ++i) {
        const Lalo from{reports[i - 1].sample.latitude, reports[i - 1].sample.longitude};
        const Lalo to{reports[i].sample.latitude, reports[i].sample.longitude};
        if (gf_distanceNM(from, to) * geo::kMetresPerNM >= kShortLegMetres) {
            continue;
        }
        std::vector<tools::FlightFrame> near;
        for (const tools::FlightFrame& f : frames) {
            if (gf_distanceNM({f.latitude, f.longitude}, to) * geo::kMetresPerNM <=
                kAroundLegEndMetres) {
                near.push_back(f);
            }
        }
        const tools::FlightFigures figures =
            tools::gf_flightFigures(near, flown, kLosAngelesElevationFt);
        // (Where the object was not there, nothing is measured.)
        shortLegs += figures.measured > 0 ? 1 : 0;
        EXPECT_LE(figures.trackTurnMaxDegPerS, kLegTurnMaxDegPerS)
            << "the leg to the report at " << flown[i].seconds << " s with " << GetParam().why;
    }
    EXPECT_GE(shortLegs, 1u) << "no short leg was flown";
}

INSTANTIATE_TEST_SUITE_P(
    KlaxCapture, ShortLegAfterLateReport,
    ::testing::Values(BufferedStart{1, "the first burst buffered (the end-to-end run)"},
                      BufferedStart{3, "the first three bursts buffered (the demo)"}),
    [](const auto& info) { return "Buffered" + std::to_string(info.param.bufferedBursts); });

} // namespace
} // namespace skyloom::testing
