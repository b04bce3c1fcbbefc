// What the RealTraffic App hears of the user aircraft: the simulator link's user aircraft
// state and the simulator's UTC time, through the program's App link to the App stand-in.
#include "feed/app_position_source.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>

#include <gtest/gtest.h>

#include "feed/rt_app_link.h"
#include "foundation/manual_clock.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "tests/feed/support/app_feed_support.h"
#include "tests/support/recording_window_sink.h"
#include "tools/rtapp_standin/rtapp_standin.h"

namespace skyloom {
namespace {

using std::chrono::milliseconds;

// Waits (in real time) until the condition holds; false when it never did. A bound for a
// peer's answer, not a measurement.
bool lf_eventually(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + milliseconds{10000};
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds{2});
    }
    return true;
}

TEST(AppPositionSourceTest, NothingIsToldBeforeTheSimulatorPlacedTheAircraft) {
    UserAircraft user;
    EXPECT_FALSE(gf_userAircraftAppPosition(user));
    user.simUtcSeconds.store(1767225600);
    user.simUtcValid.store(true);
    EXPECT_FALSE(gf_userAircraftAppPosition(user)) << "a time alone is no position";

    UserAircraftState state;
    state.latitude = -33.9461;
    state.longitude = 151.1772;
    user.storeState(state);
    const std::optional<AppPositionReport> report = gf_userAircraftAppPosition(user);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->simUtcMs, 1767225600000);
    user.simUtcValid.store(false);
    EXPECT_EQ(gf_userAircraftAppPosition(user)->simUtcMs, std::nullopt)
        << "a time no longer valid is not sent";
}

// The program's link tells the App what the simulator link knows of the user aircraft: its
// position, altitude, attitude, heading and ground speed, and the simulator's UTC time once
// the simulator link holds a valid one.
TEST(AppPositionSourceTest, TheAppHearsTheSimulatorsUserAircraftAndItsTime) {
    testing::LogCapture log;
    ManualClock clock;
    StopControl stop;
    testing::BatchRecorder recorder;
    testing::RecordingWindowSink window;
    UserAircraft user;
    RtAppLinkSettings settings;
    settings.address = "127.0.0.1";
    settings.tcpPort = 0;
    settings.trafficPort = 0;
    settings.weatherPort = 0;
    settings.post = recorder.post();
    settings.qnh = [](std::int32_t) {};
    settings.failed = [](std::string_view, std::string_view) {};
    settings.position = [&user] { return gf_userAircraftAppPosition(user); };
    ASSERT_TRUE(gf_startRtAppLink(RunServices{clock, stop, window}, settings));
    const std::shared_ptr<RtAppLink> link = gf_rtAppLink();
    tools::RtAppStandinOptions options;
    options.programPort = link->server().port();
    options.trafficPort = link->trafficReader().port();
    options.weatherPort = link->weatherReader().port();
    tools::RtAppStandin app(options);
    app.connect(milliseconds{5000});

    // Before the simulator has placed the aircraft there is nothing to tell.
    ASSERT_TRUE(lf_eventually([&] {
        gf_sendPositionToApp();
        return link->server().connected();
    }));
    gf_sendPositionToApp();
    EXPECT_EQ(link->server().counts().positionLines, 0u);

    // The simulator's way: nose up is a negative pitch, a bank to the left a positive one.
    UserAircraftState state;
    state.latitude = 47.4647;
    state.longitude = 8.5492;
    state.pitch = -0.05;
    state.bank = 0.1;
    state.headingTrue = 1.2;
    state.altitude = 1450.5;
    state.groundVelocity = 142.25;
    state.verticalSpeed = 700.0;
    user.storeState(state);
    gf_sendPositionToApp();
    const auto position = app.waitForLine("Qs121=", milliseconds{5000});
    ASSERT_TRUE(position);
    // Pitch 0.05 rad nose up; the bank sent with its sign inverted (the aircraft banks 0.1 rad
    // to the left); 1450.5 ft; 142.25 kt; the position in radians.
    EXPECT_EQ(*position, "Qs121=5000;10000;1.200000000000000;1450500;142250;0.828415293471353;"
                         "0.149211688411499");
    EXPECT_FALSE(app.waitForLine("Qs123=", milliseconds{0})) << "no valid simulator time yet";

    // The simulator link worked out the simulator's UTC time (a professional licence).
    user.simUtcSeconds.store(1767225600); // 2026-01-01 00:00:00 UTC
    user.simUtcValid.store(true);
    gf_sendPositionToApp();
    const auto time = app.waitForLine("Qs123=", milliseconds{5000});
    ASSERT_TRUE(time);
    EXPECT_EQ(*time, "Qs123=1767225600000");
    ASSERT_TRUE(app.waitForLine("Qs121=", milliseconds{5000}, 2));
    EXPECT_EQ(link->server().counts().timeLines, 1u);

    gf_stopRtAppLink();
}

} // namespace
} // namespace skyloom
