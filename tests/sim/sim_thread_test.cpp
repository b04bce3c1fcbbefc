// The thread "SimClient" as the program runs it, and a run against a world file.
#include <chrono>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/simworld/world_file.h"
#include "sim/sim_client_thread.h"
#include "sim/sim_link_state.h"
#include "sim/sim_tables.h"
#include "tests/sim/support/sim_test_support.h"

namespace skyloom::testing {
namespace {

using ::testing::HasSubstr;

class SimThreadTest : public SimTest {};

TEST_F(SimThreadTest, TheThreadConnectsAndOnStopRemovesItsObjectsAndCloses) {
    startWorld(runningSetup());
    work_.counts = ShutdownRemovalCounts{1, 1, 1, 0, 0};
    gf_resetSimTables(work_);
    SimClientThread thread;
    thread.start(context());
    // The thread runs on the manual clock, which its own sleeps move on; the bound only keeps
    // a broken client from hanging the test.
    for (int i = 0; i < 100000 && !gf_isSimConnected(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(gf_isSimConnected());
    EXPECT_TRUE(thread.running());
    EXPECT_NE(gf_simConnectHandle(), nullptr);
    thread.stopAndJoin();
    EXPECT_FALSE(thread.running());

    EXPECT_EQ(work_.threadName, "SimClient");
    EXPECT_EQ(work_.shutdownStarts, 1);
    EXPECT_EQ(work_.shutdownEnds, 1);
    EXPECT_EQ(world_->connectionCount(), 0u);
    EXPECT_EQ(gf_simConnectHandle(), nullptr);
    EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::notConnected);
    EXPECT_TRUE(logHas("SimConnect shutdown cleanup: initially owned 1, remove requested 1, "
                       "confirmed 1, pending removals 0, pending creates 0"));
    // A stopped thread can be started again for the next run.
    thread.start(context());
    thread.stopAndJoin();
    EXPECT_EQ(world_->connectionCount(), 0u);
}

TEST_F(SimThreadTest, TheTablesAroundARunLeaveTheLinkAsAtStart) {
    g_simConnectionState.store(SimConnectionState::requestError);
    g_userObjectId.store(77);
    gf_clearSimTables(work_);
    EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::notConnected);
    EXPECT_EQ(g_userObjectId.load(), kUserObjectIdAtStart);
    g_simConnectionState.store(SimConnectionState::running);
    gf_resetSimTables(work_);
    EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::notConnected);
}

TEST_F(SimThreadTest, ARunAgainstTheProbeWorldFileLogsTheSimulatorConnectedLine) {
    const std::filesystem::path file =
        std::filesystem::path(SKYLOOM_SOURCE_DIR) / "data" / "worlds" / "probe.json";
    world_ = std::make_shared<simworld::World>(simworld::gf_loadWorldFile(file), clock_);
    installation_.emplace(world_);
    runClientFor(6.0);
    EXPECT_TRUE(logHas("MSFS 2020 (11.0.282174.999) connected"));
    // The probe world refuses the first two opens.
    EXPECT_EQ(journalCalls("SimConnect_Open").size(), 3u);
    EXPECT_EQ(logCount("Waiting for MSFS 2020 ..."), 1u);
}

} // namespace
} // namespace skyloom::testing
