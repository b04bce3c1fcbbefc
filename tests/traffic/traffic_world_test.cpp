// The traffic step against the simulated world: what the simulator receives for live and static
// aircraft, when, and what becomes of the records when it answers.
#include <atomic>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "liveries/livery_matching_summary.h"
#include "runtime/run_services.h"
#include "runtime/stop_request.h"
#include "tests/sim/support/link_fixture.h"
#include "tests/support/traffic_test_world.h"
#include "tests/support/recording_window_sink.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/removals/bulk_removals.h"
#include "traffic/decode/livery_failures.h"
#include "traffic/removals/record_cleanup.h"
#include "traffic/step/traffic_state.h"
#include "traffic/step/traffic_step.h"

namespace skyloom::testing {
namespace {

// A report the aircraft stands at, not due for hours: the motion leaves it alone.
TrafficSample waiting() {
    TrafficSample sample;
    sample.stationary = 1;
    sample.time = 1 << 30;
    return sample;
}

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class TrafficWorldTest : public LinkTest {
protected:
    TrafficWorldTest() { lf_initTrafficState(state_); }

    void runSteps(double seconds) {
        run(seconds, [this] { lf_handleAddingStack(state_); });
    }

    // The simulator's calls of one function with the world time they came at.
    std::vector<std::pair<double, std::string>> calls(std::string_view function) const {
        std::vector<std::pair<double, std::string>> out;
        for (const simworld::JournalEntry& entry : world_->journal()) {
            if (entry.kind == simworld::JournalKind::call && entry.text.starts_with(function)) {
                out.emplace_back(entry.seconds, entry.text);
            }
        }
        return out;
    }

    std::atomic<std::uint32_t> tick_{0};
    TrafficTestWorld trafficWorld_{clock_, tick_};
    TrafficState state_{trafficWorld_.links(queue_, events_, batch_)};
};

TEST_F(TrafficWorldTest, CreatesReachTheSimulatorEvery200MsLiveFirstAndRefusalsReachTheRecord) {
    connect();
    const std::vector<std::pair<std::uint32_t, const char*>> live{
        {0x4b1801, "SWR1"}, {0x4b1802, "SWR2"}, {0x4b1803, "SWR3"}};
    for (const auto& [hexid, callsign] : live) {
        AircraftBase base;
        base.hexid = hexid;
        base.callsign = callsign;
        state_.liveAircraft.emplace_back(waiting(), std::move(base), 0.0, 0);
        state_.liveAircraft.back().simState = SimState::adding2sim;
        state_.liveCreateQueue.push_back(createRequest(hexid, callsign));
    }
    state_.liveCreateQueue[1].liveryTitle = "Nope"; // the world refuses it
    state_.staticCreateQueue.push_back(createRequest(11, "S1"));
    state_.staticCreateQueue.push_back(createRequest(12, "S2"));

    runSteps(1.2);
    const auto creates = calls("SimConnect_AICreateNonATCAircraft");
    ASSERT_EQ(creates.size(), 5u);
    for (std::size_t i = 1; i < creates.size(); ++i) {
        EXPECT_NEAR(creates[i].first - creates[i - 1].first, 0.2, 0.011) << i;
    }
    const std::vector<const char*> order{"SWR1", "SWR2", "SWR3", "S1", "S2"};
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_THAT(creates[i].second, HasSubstr(order[i])) << i;
    }
    // The refused aircraft is gone; the others are assigned and wait for their activation.
    std::vector<std::uint32_t> left;
    for (const LiveAircraft& aircraft : state_.liveAircraft) {
        left.push_back(aircraft.base.hexid);
        EXPECT_NE(aircraft.objectId, 0u);
    }
    EXPECT_THAT(left, ElementsAre(0x4b1801u, 0x4b1803u));
}

TEST_F(TrafficWorldTest, AnActiveAircraftIsRemovedOnceAndErasedOnTheConfirmation) {
    connect();
    AircraftBase base;
    base.hexid = 0x4b1801;
    base.callsign = "SWR1";
    base.liveryTitle = kA320Livery;
    state_.liveAircraft.emplace_back(waiting(), std::move(base), 0.0, 0);
    state_.liveAircraft.back().simState = SimState::adding2sim;
    state_.addingStack.push_back(0x4b1801);
    runSteps(2.5);
    ASSERT_EQ(state_.liveAircraft.size(), 1u);
    ASSERT_EQ(state_.liveAircraft[0].simState, SimState::active);

    removeAircraftFromSim(state_, state_.liveAircraft[0], "the test removes it");
    removeAircraftFromSim(state_, state_.liveAircraft[0], "the test removes it");
    runSteps(0.3);
    EXPECT_EQ(calls("SimConnect_AIRemoveObject").size(), 1u);
    EXPECT_THAT(state_.liveAircraft, IsEmpty());
}

TEST_F(TrafficWorldTest, AShutdownLeavesNoObjectOfOursAndEmptyFailedCreationTables) {
    gf_resetLiveryMatchRecords();
    RecordingWindowSink& window = trafficWorld_.window;
    connect();
    const std::vector<std::pair<std::uint32_t, const char*>> live{
        {0x4b1801, kA320Livery}, {0x4b1802, "Nope"}, {0x4b1803, kB738Livery}};
    for (const auto& [hexid, livery] : live) {
        AircraftBase base;
        base.hexid = hexid;
        base.callsign = fmt::format("SWR{}", hexid & 0xF);
        base.liveryTitle = livery;
        state_.liveAircraft.emplace_back(waiting(), std::move(base), 0.0, 0);
        state_.liveAircraft.back().simState = SimState::adding2sim;
        state_.addingStack.push_back(hexid);
    }
    runSteps(2.5);
    ASSERT_EQ(state_.liveAircraft.size(), 2u);
    EXPECT_EQ(gf_failedLiveryTitleCount(), 1u);
    state_.liveAircraft[0].phase.phase = FlightPhase::taxi;
    ASSERT_EQ(world_->aiObjectIds().size(), 2u);

    client_->shutdownCleanup();
    lf_removeAllStaticAndLiveAtAirport(state_);
    lf_resetTrafficState(state_);
    EXPECT_THAT(world_->aiObjectIds(), IsEmpty());
    EXPECT_THAT(state_.liveAircraft, IsEmpty());
    EXPECT_EQ(gf_failedLiveryTitleCount(), 0u);
    EXPECT_EQ(window.last<GuiUpdate::LiveAircraftCount>()->count, 0u);
    EXPECT_EQ(window.last<GuiUpdate::ParkedCounts>()->live, 0u);
}

} // namespace
} // namespace skyloom::testing
