// A simulator that quits and starts again while the KLAX capture plays, through the program's
// own wiring (tests/traffic/support/program_replay.h): the quit takes every AI object with it;
// on the new connection the program starts its live and static traffic over once, creates
// both again, never names an object of the old connection to the simulator, and its
// close-down leaves no object behind.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/shared_data.h"
#include "tests/traffic/support/program_replay.h"
#include "traffic/step/traffic_state.h"

namespace skyloom::testing {
namespace {

// The simulator's timeline, in seconds of the run: it quits once live and static aircraft
// are shown, is back 20 s later and starts a flight 5 s after that.
constexpr double kQuitAtS = 90.0;
constexpr double kLaunchAtS = 110.0;
constexpr double kFlightStartAtS = 115.0;
// The capture's first minutes: the traffic goes on for as long after the flight start as
// before the quit.
constexpr double kCaptureSeconds = 210.0;
// At least this many live objects on each connection: the first bursts bring some thirty.
constexpr std::size_t kMinLiveObjects = 10;

TEST_F(ProgramReplayTest, ASimulatorThatQuitsAndStartsAgainGetsItsTrafficBackOnTheNewConnection) {
    SKYLOOM_REQUIRE_SHARED(capturePath, kLosAngelesCapture);
    tools::Capture capture = tools::gf_readCapture(capturePath, kLosAngelesElevationFt);
    ASSERT_FALSE(capture.bursts.empty());
    const double first = capture.bursts.front().time;
    std::erase_if(capture.bursts, [&](const tools::CaptureBurst& burst) {
        return burst.time - first > kCaptureSeconds;
    });
    simworld::TimelineEvent quit;
    quit.atSeconds = kQuitAtS;
    quit.kind = simworld::TimelineEventKind::quit;
    simworld::TimelineEvent launch;
    launch.atSeconds = kLaunchAtS;
    launch.kind = simworld::TimelineEventKind::launch;
    simworld::TimelineEvent flightStart;
    flightStart.atSeconds = kFlightStartAtS;
    flightStart.kind = simworld::TimelineEventKind::flightStart;
    const std::string skip =
        prepare(kLosAngelesReplayAirport, std::move(capture),
                ManualClock::utcTime(2026, 1, 7, 21, 52, 32), {}, {quit, launch, flightStart});
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }

    // The world's objects by id: their ATC id (a static aircraft's ends in '*') and whether
    // the simulator had them before it quit.
    std::map<std::uint32_t, std::string> beforeQuit;
    std::map<std::uint32_t, std::string> afterLaunch;
    std::set<std::uint32_t> keptByTheProgram;
    ReplayRunOptions options;
    options.afterLastBurst = std::chrono::seconds(20);
    options.onCycle = [&](MainLoop& loop) {
        const double at = world_->secondsSinceStart();
        for (const std::uint32_t id : world_->aiObjectIds()) {
            if (const auto object = world_->object(id)) {
                (at < kQuitAtS ? beforeQuit : afterLaunch)[id] = object->atcId;
            }
        }
        // Once the new flight runs, no record of the program holds an object of before.
        if (at >= kFlightStartAtS + 1.0) {
            for (const LiveAircraft& a : loop.traffic().liveAircraft) {
                if (beforeQuit.contains(a.objectId)) {
                    keptByTheProgram.insert(a.objectId);
                }
            }
            for (const StaticAircraft& a : loop.traffic().staticAircraft) {
                if (beforeQuit.contains(a.objectId)) {
                    keptByTheProgram.insert(a.objectId);
                }
            }
        }
    };
    run(options);

    const auto count = [](const std::map<std::uint32_t, std::string>& objects, bool parked) {
        return std::count_if(objects.begin(), objects.end(), [&](const auto& object) {
            return object.second.ends_with('*') == parked;
        });
    };
    EXPECT_GE(count(beforeQuit, false), kMinLiveObjects);
    EXPECT_GE(count(beforeQuit, true), 1);
    // The traffic started over once, and live and static aircraft came back.
    EXPECT_THAT(logLinesWith("the traffic starts over"), ::testing::SizeIs(1));
    EXPECT_GE(count(afterLaunch, false), kMinLiveObjects);
    EXPECT_GE(count(afterLaunch, true), 1);
    EXPECT_THAT(keptByTheProgram, ::testing::IsEmpty());
    // The simulator refuses a call that names an object it does not know (an exception that
    // the log marks): none was made.
    EXPECT_THAT(logLinesWith("SIMCONNECT_EXCEPTION"), ::testing::IsEmpty());
    EXPECT_THAT(unexpectedMarkedLines({"==> Stop requested: USER CLOSED SIM (4), detail 0"}),
                ::testing::IsEmpty());
    // The close-down removed every object of the new connection.
    EXPECT_THAT(world_->aiObjectIds(), ::testing::IsEmpty());
}

} // namespace
} // namespace skyloom::testing
