// A landing flown through the traffic step and the simulated world to the runway: the
// simulator's ground reports bring the aircraft down, it logs its touch-down and rolls out.
#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/captured_log.h"
#include "tests/traffic/support/motion_scenario.h"
#include "tests/traffic/support/runway_fixture.h"
#include "traffic/traffic_step.h"

namespace skyloom::testing {
namespace {

TEST_F(MotionScenarioTest, ALandingTouchesDownLogsItAndEntersTheLandingRoll) {
    RunwayLayout layout;
    layout.centre = {47.4647, 8.5492};
    layout.headingDeg = 140;
    layout.length = 3300;
    layout.primaryNumber = 14;
    layout.secondaryNumber = 32;
    layout.altitudeFt = 1400;
    const std::vector<FacilityRunway> runways{gf_makeRunway(layout)};
    state_.motionWorld.runways = runways;
    state_.motionWorld.parkAirport = {layout.centre, 1400, IataCode("ZRH"), true};
    state_.motionWorld.userPosition = layout.centre;
    // 140 kt on a 3 degree path from 4 NM out, then rolling out on the runway at 60 kt.
    const double out = 4 * 1852.0;
    const double seconds = out / (140 * 0.5144444444444445);
    auto reports =
        gf_reportsAlong(gf_onRunway(runways[0], -out - 1650, 0), 140,
                        1400 + out * 0.0524 * 3.28084, {{seconds + 5, 0, -743, 140}, {40, 0, 0, 60}},
                        2.0);
    for (FeedReport& r : reports) {
        if (r.sample.altitudeFt <= 1400.0) {
            r.sample.altitudeFt = 1400.0;
            r.sample.airborne = 0;
            r.sample.verticalSpeedFpm = 0;
        }
    }
    CapturedLog log;
    // The feed runs 30 s ahead: the aircraft is 10 s past the threshold when the flight ends.
    fly(reports, FlightPhase::flying, seconds + playbackDelaySeconds_ + 10);
    LiveAircraft* a = state_.findByHexid(0x4B1234);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->phase.phase, FlightPhase::landing);
    ASSERT_EQ(a->motion.onGround, 0);
    // The simulator then reports the object on its ground, 1400 ft, 8 ft below the centre of
    // gravity.
    events_.post({objectId_, 1, 0, SimEventKind::aiPositionReport, 1400.0, 8.0});
    lf_handleAddingStack(state_);
    a = state_.findByHexid(0x4B1234);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->phase.phase, FlightPhase::landing_roll);
    EXPECT_EQ(a->phase.previous, FlightPhase::landing);
    EXPECT_EQ(a->motion.onGround, 1);
    EXPECT_EQ(a->step.ground.touchDownHeadingSet, 1);
    EXPECT_NEAR(a->step.ground.touchDownHeadingRad, 140 * 0.017453292519943295, 0.1);
    EXPECT_NEAR(a->sent.altitudeFt, 1408.0, 0.5) << "on the ground it reported";
    const auto lines = log.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("SWR12") != std::string::npos &&
               line.find(" touch down at ? runway 14 ...") != std::string::npos;
    })) << "the touch-down line";
    EXPECT_FALSE(removed_);
    SimCommandBatch batch;
    queue_.takeAll(batch);
    EXPECT_EQ(batch.reverseThrust.size(), 1u) << "reverse thrust on the roll-out";
}

} // namespace
} // namespace skyloom::testing
