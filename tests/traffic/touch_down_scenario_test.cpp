// A landing flown through the traffic step and the simulated world to the runway: the
// simulator reports the object on its ground once its written altitude comes down to the
// centre of gravity's height, and the aircraft logs its touch-down and rolls out.
#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/captured_log.h"
#include "tests/traffic/support/motion_scenario.h"
#include "tests/traffic/support/runway_fixture.h"
#include "traffic/step/traffic_step.h"

namespace skyloom::testing {
namespace {

TEST_F(MotionScenarioTest, ALandingTouchesDownLogsItAndEntersTheLandingRoll) {
    const RunwayLayout layout = gf_scenarioRunwayLayout();
    const std::vector<FacilityRunway> runways{gf_makeRunway(layout)};
    state_.motionWorld.runways = runways;
    state_.motionWorld.parkAirport = {layout.centre, 1400, IataCode("ZRH"), true};
    state_.motionWorld.userPosition = layout.centre;
    // 140 kt on a 3 degree path from 4 NM out, then rolling out on the runway at 60 kt.
    const double out = 4 * 1852.0;
    const double seconds = out / (140 * 0.5144444444444445);
    auto reports =
        gf_reportsAlong(gf_onRunway(runways[0], -out - 1650, 0), 140, 1400 + out * 0.0524 * 3.28084,
                        {{seconds + 5, 0, -743, 140}, {40, 0, 0, 60}}, 2.0);
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
    const LiveAircraft* a = state_.findByHexid(0x4B1234);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->phase.phase, FlightPhase::landing_roll);
    EXPECT_EQ(a->phase.previous, FlightPhase::landing);
    EXPECT_EQ(a->motion.onGround, 1);
    EXPECT_EQ(a->step.ground.touchDownHeadingSet, 1);
    EXPECT_NEAR(a->step.ground.touchDownHeadingRad, 140 * 0.017453292519943295, 0.1);
    // The ground it reported: 1400 ft and the livery's centre of gravity 7.2 ft above it.
    EXPECT_NEAR(a->sent.altitudeFt, 1407.2, 0.1);
    const auto lines = log.lines();
    const auto touchDownLine = [](const std::string& line) {
        return line.find("SWR12") != std::string::npos &&
               line.find(" touch down at ? runway 14 ...") != std::string::npos;
    };
    // With flight messages on, the line shows on the status line, which logs it; else the log.
    const auto status = trafficWorld_.window.payloads<GuiUpdate::StatusText>();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), touchDownLine) ||
                std::any_of(status.begin(), status.end(),
                            [&](const auto& s) { return s.log && touchDownLine(s.text); }))
        << "the touch-down line";
    EXPECT_FALSE(removed_);
    ASSERT_TRUE(world_->object(objectId_).has_value());
    // The touch-down's thrust command reached the object: spoilers out, throttles set (the roll
    // below 90 kt takes them in again).
    const auto thrust = journalCalls("SimConnect_SetDataOnSimObject(401");
    EXPECT_TRUE(std::any_of(thrust.begin(), thrust.end(), [](const std::string& call) {
        return call.find("SPOILERS HANDLE POSITION=100.000000 percent, GENERAL ENG THROTTLE LEVER "
                         "POSITION:1=100.000000 percent") != std::string::npos;
    }));
}

} // namespace
} // namespace skyloom::testing
