// Real tracks replayed through the live traffic and the simulated world at the cadence of a
// real App capture: every airborne part of every track in ../shared/data/tracks stays within
// the bounds of docs/motion.md ("How the motion is measured") of the true track, and flies as an aircraft does: the nose where
// it flies, no corners, the reported vertical speed, no frame faster than the true aircraft.
#include <cmath>
#include <fstream>

#include <gtest/gtest.h>

#include "tests/support/shared_data.h"
#include "tests/support/temp_dir.h"
#include "tools/track_replay/replay_figures.h"
#include "tools/track_replay/track_replay.h"
#include "tools/track_replay/true_track.h"

namespace skyloom::tools {
namespace {

// The world sends 30 frames a second; frames land on a 1 ms grid, so one may come 1 ms late.
constexpr double kFrameSeconds = 1.0 / 30.0;
constexpr double kStepMargin = 1.25;

struct TrackCase {
    const char* file;
    std::size_t parts;
    // The altitude error against the truth at the frame's time. The noisy tracks' altitudes
    // scatter by hundreds of feet from one second to the next, which the motion does not fly,
    // and the take-off climbs 2,500 fpm, which the 2.4 s along-track lag turns into feet.
    double altitudeMedianFt;
    double altitudeP95Ft;
};

class TrackReplayTest : public ::testing::TestWithParam<TrackCase> {};

TEST_P(TrackReplayTest, EveryAirbornePartFliesAlongItsTrueTrack) {
    const TrackCase& c = GetParam();
    SKYLOOM_REQUIRE_SHARED(file, std::string("data/tracks/") + c.file);
    SKYLOOM_REQUIRE_SHARED(capture, "feed/recordings/KLAS_20190305_2056Z.txt");
    const TrueTrack track = gf_readTrueTrack(file);
    const double cadence = gf_appCadenceSeconds(capture);
    EXPECT_NEAR(cadence, 9.8, 0.5) << "the App sends a burst about every 10 s";
    const auto parts = gf_airborneParts(track.points, 120.0, 120.0);
    ASSERT_EQ(parts.size(), c.parts);
    for (std::vector<TruePoint> part : parts) {
        std::erase_if(part,
                      [&](const TruePoint& p) { return p.seconds > part.front().seconds + 1200; });
        SCOPED_TRACE(::testing::Message() << c.file << " from " << part.front().seconds << " s");
        const ReplayRun run = gf_replayTrack(part, cadence);
        const ReplayFigures f = gf_compareReplay(run, part, gf_trackGroundFt(track));
        ASSERT_GT(f.frames, 1000u);
        const double fastest = f.fastestTrueSpeedKt * 0.5144444444444445 * kFrameSeconds;
        EXPECT_LE(f.largestStepM, fastest * kStepMargin) << "no frame outruns the true aircraft";
        EXPECT_LE(f.largestHeadingStepDeg, 0.2);
        EXPECT_LE(f.crossMedianM, 5.0);
        EXPECT_LE(f.crossP95M, 60.0);
        EXPECT_LE(f.crossMaxM, 1000.0);
        EXPECT_LE(std::abs(f.alongLagMedianS), 5.0);
        EXPECT_LE(f.alongLagMaxS, 15.0);
        EXPECT_LE(f.altitudeMedianFt, c.altitudeMedianFt);
        EXPECT_LE(f.altitudeP95Ft, c.altitudeP95Ft);
        EXPECT_FALSE(run.removed);
        // How it flies, 200 ft or more above the ground.
        ASSERT_GT(f.flight.measured, 1000u);
        EXPECT_LE(f.flight.headingOffTrackP95Deg, 10.0) << "the nose where it flies";
        EXPECT_LE(f.flight.headingOffTrackMaxDeg, 30.0);
        EXPECT_LE(f.flight.trackTurnMaxDegPerS, 6.0) << "no corners";
        EXPECT_LE(f.flight.verticalSpeedOffMaxFpm, 1500.0) << "the reported vertical speed";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tracks, TrackReplayTest,
    ::testing::Values(TrackCase{"trace_full_ac671b.json", 12, 70, 400},
                      TrackCase{"noisy_landing.json.gz", 1, 100, 400},
                      TrackCase{"noisy_takeoff.json.gz", 1, 250, 500}),
    [](const auto& info) {
        std::string name = info.param.file;
        return name.substr(0, name.find('.'));
    });

TEST(TrueTrackTest, EveryLayoutOfTheStoredTracksIsRead) {
    struct Case {
        const char* file;
        const char* callsign;
        std::size_t points;
        bool firstAirborne;
    };
    for (const Case& c : {Case{"trace_full_ac671b.json", "DAL1812", 2500, true},
                          Case{"noisy_landing.json.gz", "DLH4TR", 848, true},
                          // pandas' column layout: one object per field, keyed by row.
                          Case{"noisy_takeoff.json.gz", "AFR181L", 730, false}}) {
        SCOPED_TRACE(c.file);
        const std::filesystem::path file = testing::sharedPath(std::string("data/tracks/") + c.file);
        if (file.empty()) {
            GTEST_SKIP() << "shared data not found: ../shared/data/tracks/" << c.file;
        }
        const TrueTrack track = gf_readTrueTrack(file);
        EXPECT_EQ(track.callsign.substr(0, std::string(c.callsign).size()), c.callsign);
        EXPECT_EQ(track.points.size(), c.points);
        EXPECT_EQ(track.points.front().airborne, c.firstAirborne);
        EXPECT_DOUBLE_EQ(track.points.front().seconds, 0.0);
        for (std::size_t i = 1; i < track.points.size(); ++i) {
            ASSERT_GE(track.points[i].seconds, track.points[i - 1].seconds) << "in time order";
        }
    }
}

TEST(TrueTrackTest, AFileThatIsNoTrackIsRefusedWithItsName) {
    testing::TempDir dir;
    struct Case {
        const char* name;
        const char* text;
    };
    for (const Case& c :
         {Case{"not_json.json", "AITFC,1,2,3"},
          Case{"columns_without_positions.json", R"({"latitude": {"0": null}, "timestamp": {"0": 1}})"},
          Case{"rows_without_times.json", R"([{"latitude": 47.0, "longitude": 8.0}])"},
          Case{"empty_trace.json", R"({"trace": []})"}}) {
        SCOPED_TRACE(c.name);
        std::ofstream(dir / c.name) << c.text;
        try {
            gf_readTrueTrack(dir / c.name);
            FAIL() << "not a track";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.name), std::string::npos) << e.what();
        }
    }
}

} // namespace
} // namespace skyloom::tools
