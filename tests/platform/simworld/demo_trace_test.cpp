// The simulator stand-in's trace as the demo's picture reads it: the phase of an object from
// two consecutive points at the edges of each threshold, the phase counts of a trace, and a
// bad line refused by its number.
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "tools/demo_picture/trace_phase.h"

namespace skyloom::tools {
namespace {

using ::testing::HasSubstr;

// `knots` along a meridian and `feetPerMinute` over 10 s from 33.9425 N 118.408 W, 500 ft.
TracePoint lf_after(const TracePoint& from, double knots, double feetPerMinute, bool onGround) {
    TracePoint to = from;
    to.seconds += 10;
    to.position.lat += knots * 10 / 3600 / 60;
    to.altitudeFeet += feetPerMinute * 10 / 60;
    to.onGround = onGround;
    return to;
}

TEST(DemoTraceTest, PhaseFollowsGroundSpeedOnTheGroundAndVerticalSpeedAloft) {
    const TracePoint start{100, TraceSource::written, {33.9425, -118.408}, 500, 250, true};
    const struct {
        double knots;
        double feetPerMinute;
        bool onGround;
        TracePhase expected;
    } cases[] = {
        {0.0, 0, true, TracePhase::standing},      {0.9, 0, true, TracePhase::standing},
        {1.1, 0, true, TracePhase::taxi},          {39.0, 0, true, TracePhase::taxi},
        {41.0, 0, true, TracePhase::roll},         {150.0, 900, true, TracePhase::roll},
        {150.0, 320, false, TracePhase::climbing}, {150.0, 280, false, TracePhase::level},
        {150.0, -280, false, TracePhase::level},   {150.0, -320, false, TracePhase::descending},
        {0.0, 0, false, TracePhase::level},
    };
    for (const auto& c : cases) {
        const TracePoint point = lf_after(start, c.knots, c.feetPerMinute, c.onGround);
        EXPECT_EQ(gf_tracePhase(&start, point), c.expected)
            << c.knots << " kt " << c.feetPerMinute << " fpm on ground " << c.onGround;
    }
    // No earlier point: the object has not moved yet.
    EXPECT_EQ(gf_tracePhase(nullptr, lf_after(start, 200, 2000, false)), TracePhase::level);
    // A point of the same time as the one before (an on-ground change) shows no motion.
    TracePoint sameTime = lf_after(start, 200, 0, true);
    sameTime.seconds = start.seconds;
    EXPECT_EQ(gf_tracePhase(&start, sameTime), TracePhase::standing);
}

TEST(DemoTraceTest, CountsPhasesOfTheObjectsStillThereAndOfWholeTracks) {
    // 7 taxis, then rolls; 9 lands and is removed; 12 descends and is removed after the
    // trace's last position, as the shutdown removes; 15 was just created.
    const std::vector<TraceTrack> tracks =
        gf_parseTraceText("0.00;7;created;33.9400000;-118.4000000;125.0;250.0;1\n"
                          "10.00;9;created;33.9500000;-118.3000000;2000.0;250.0;0\n"
                          "10.00;12;created;33.9600000;-118.2000000;5000.0;250.0;0\n"
                          "20.00;7;written;33.9410000;-118.4000000;125.0;0.0;1\n"
                          "20.00;9;written;33.9500000;-118.3100000;1000.0;270.0;0\n"
                          "20.00;12;written;33.9600000;-118.2100000;4800.0;270.0;0\n"
                          "25.00;7;written;33.9450000;-118.4000000;125.0;0.0;1\n"
                          "30.00;9;written;33.9500000;-118.3200000;125.0;270.0;1\n"
                          "31.00;9;removed;33.9500000;-118.3200000;125.0;270.0;1\n"
                          "32.00;15;created;33.9420000;-118.4100000;125.0;90.0;1\n"
        "33.00;12;removed;33.9600000;-118.2100000;4800.0;270.0;0\n",
                          "trace.txt");
    ASSERT_EQ(tracks.size(), 4U);
    EXPECT_EQ(tracks[1].id, 9U);
    EXPECT_TRUE(tracks[1].removed());
    using P = TracePhase;
    auto at = [](const PhaseCounts& counts, P phase) { return counts[static_cast<int>(phase)]; };
    const PhaseCounts end = gf_phasesAtEnd(tracks);
    EXPECT_EQ((std::vector{at(end, P::standing), at(end, P::taxi), at(end, P::roll),
                           at(end, P::descending), at(end, P::climbing), at(end, P::level)}),
              (std::vector{1, 0, 1, 1, 0, 0}));
    const PhaseCounts seen = gf_phasesSeen(tracks);
    EXPECT_EQ((std::vector{at(seen, P::standing), at(seen, P::taxi), at(seen, P::roll),
                           at(seen, P::descending), at(seen, P::climbing), at(seen, P::level)}),
              (std::vector{1, 1, 2, 2, 0, 0}));
}

TEST(DemoTraceTest, BadLineIsRefusedByItsNumber) {
    const std::string good = "1.00;7;created;33.9400000;-118.4000000;125.0;250.0;1\n";
    for (const auto& [line, reason] :
         {std::pair{"2.00;7;written;33.94;-118.40;125.0;250.0", "7 fields instead of 8"},
          std::pair{"2.00;7;moved;33.94;-118.40;125.0;250.0;1", "source \"moved\""},
          std::pair{"2.00;7;written;33.94;-118.40;high;250.0;1", "altitude \"high\""},
          std::pair{"2.00;7;written;95.0;-118.40;125.0;250.0;1", "out of range"},
          std::pair{"2.00;x7;written;33.94;-118.40;125.0;250.0;1", "id \"x7\""},
          std::pair{"2.00;7;written;33.94;-118.40;125.0;250.0;yes", "on ground \"yes\""}}) {
        try {
            gf_parseTraceText(good + "\n" + line + "\n", "trace.txt");
            ADD_FAILURE() << line << " was taken";
        } catch (const TraceFileError& e) {
            EXPECT_THAT(e.what(), HasSubstr("trace.txt line 3: ")) << line;
            EXPECT_THAT(e.what(), HasSubstr(reason)) << line;
        }
    }
}

} // namespace
} // namespace skyloom::tools
