// Real tracks replayed through the live traffic and the simulated world at the cadence of a
// real App capture: the simulated object never moves between two frames faster than the true
// aircraft flies, and stays within the bounds of docs/motion.md of the true track.
#include <cmath>

#include <gtest/gtest.h>

#include "tests/support/shared_data.h"
#include "tools/track_replay/replay_figures.h"
#include "tools/track_replay/track_replay.h"
#include "tools/track_replay/true_track.h"

namespace skyloom::tools {
namespace {

// The world sends 30 frames a second; frames land on a 1 ms grid, so one may come 1 ms late.
constexpr double kFrameSeconds = 1.0 / 30.0;
constexpr double kStepMargin = 1.25;

void lf_checkReplays(const std::filesystem::path& trackFile, const std::filesystem::path& capture) {
    const TrueTrack track = gf_readTrueTrack(trackFile);
    const double cadence = gf_appCadenceSeconds(capture);
    EXPECT_NEAR(cadence, 9.8, 0.5) << "the App sends a burst about every 10 s";
    const auto parts = gf_airborneParts(track.points, 120.0, 120.0);
    ASSERT_FALSE(parts.empty());
    for (std::vector<TruePoint> part : parts) {
        std::erase_if(part,
                      [&](const TruePoint& p) { return p.seconds > part.front().seconds + 1200; });
        SCOPED_TRACE(::testing::Message()
                     << trackFile.filename() << " from " << part.front().seconds << " s");
        const ReplayRun run = gf_replayTrack(part, cadence);
        const ReplayFigures f = gf_compareReplay(run, part);
        ASSERT_GT(f.frames, 1000u);
        const double fastest = f.fastestTrueSpeedKt * 0.5144444444444445 * kFrameSeconds;
        EXPECT_LE(f.largestStepM, fastest * kStepMargin) << "no frame outruns the true aircraft";
        EXPECT_LE(f.largestHeadingStepDeg, 0.2);
        EXPECT_LE(f.crossMedianM, 5.0);
        EXPECT_LE(f.crossP95M, 60.0);
        EXPECT_LE(f.crossMaxM, 1000.0);
        EXPECT_LE(std::abs(f.alongLagMedianS), 5.0);
        EXPECT_LE(f.alongLagMaxS, 15.0);
        EXPECT_LE(f.altitudeMedianFt, 70.0);
        EXPECT_LE(f.altitudeP95Ft, 400.0);
        EXPECT_FALSE(run.removed);
    }
}

TEST(TrackReplayTest, TheAirbornePartsOfAFullDayTraceStayOnTheTrueTrack) {
    SKYLOOM_REQUIRE_SHARED(track, "data/tracks/trace_full_ac671b.json");
    SKYLOOM_REQUIRE_SHARED(capture, "feed/recordings/KLAS_20190305_2056Z.txt");
    lf_checkReplays(track, capture);
}

TEST(TrackReplayTest, ANoisyApproachToZurichStaysOnTheTrueTrack) {
    SKYLOOM_REQUIRE_SHARED(track, "data/tracks/noisy_landing.json.gz");
    SKYLOOM_REQUIRE_SHARED(capture, "feed/recordings/KLAS_20190305_2056Z.txt");
    lf_checkReplays(track, capture);
}

TEST(TrackReplayTest, AFileThatIsNoTrackIsRefusedWithItsName) {
    SKYLOOM_REQUIRE_SHARED(capture, "feed/recordings/KLAS_20190305_2056Z.txt");
    try {
        gf_readTrueTrack(capture);
        FAIL() << "a capture is no track";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("KLAS_20190305_2056Z.txt"), std::string::npos);
    }
}

} // namespace
} // namespace skyloom::tools
