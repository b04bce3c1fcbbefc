// The removals of many aircraft at once, the record cleanup and the livery failures: a category
// switched off, leaving the park airport, queued static aircraft, a livery the simulator
// refused, a removal the simulator never confirms, and the window's counts on the way.
#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fmt/format.h>

#include "config/window_requests.h"
#include "foundation/manual_clock.h"
#include "foundation/user_related_exception.h"
#include "liveries/livery_matching_summary.h"
#include "refdata/code_table.h"
#include "runtime/run_services.h"
#include "runtime/stop_request.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "tests/support/log_capture.h"
#include "tests/support/recording_window_sink.h"
#include "tests/support/traffic_test_world.h"
#include "refdata/airport_file.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/removals/bulk_removals.h"
#include "traffic/decode/livery_failures.h"
#include "traffic/removals/record_cleanup.h"
#include "traffic/step/traffic_counts.h"
#include "traffic/step/traffic_state.h"
#include "traffic/step/traffic_step.h"

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class BulkRemovalsTest : public ::testing::Test, protected testing::TrafficStateParts {
protected:
    BulkRemovalsTest() {
        lf_initTrafficState(state_);
        gf_resetLiveryMatchRecords();
    }

    LiveAircraft& add(std::uint32_t hexid, AircraftCategory category, SimState simState,
                      FlightPhase phase = FlightPhase::flying) {
        AircraftBase base;
        base.hexid = hexid;
        base.callsign = "F" + std::to_string(hexid);
        base.category = category;
        base.key.model = gf_modelId("C172");
        LiveAircraft& a =
            state_.liveAircraft.emplace_back(TrafficSample{}, std::move(base), 0.0, 0);
        added_.push_back(hexid);
        a.simState = simState;
        a.phase.phase = phase;
        // A pending action that the cleanup of the record purges.
        state_.parkedActions.push_back({hexid, kNeverDue, ParkedAction::enginesOff});
        if (simState == SimState::active || simState == SimState::removingfromsim) {
            a.objectId = hexid - 10000;
        }
        if (simState == SimState::adding2sim) {
            SimCreateRequest request;
            request.hexid = hexid;
            state_.liveCreateQueue.push_back(request);
        }
        return a;
    }

    // The aircraft whose pending entries the cleanup purged.
    std::vector<std::uint32_t> purged() const {
        std::vector<std::uint32_t> out;
        for (const std::uint32_t hexid : added_) {
            if (std::none_of(state_.parkedActions.begin(), state_.parkedActions.end(),
                             [hexid](const ParkedActionEntry& e) { return e.hexid == hexid; })) {
                out.push_back(hexid);
            }
        }
        return out;
    }

    // A static aircraft on the stand, in its state (a queued one with its create request).
    StaticAircraft& addStatic(std::uint32_t hexid, std::int32_t sid, SimState simState) {
        StaticAircraft& a = state_.staticAircraft.emplace_back();
        a.base.hexid = hexid;
        a.base.callsign = "S" + std::to_string(hexid) + "*";
        a.standId = sid;
        a.simState = simState;
        if (simState == SimState::active || simState == SimState::removingfromsim) {
            a.objectId = hexid + 100;
        }
        if (simState == SimState::adding2sim) {
            SimCreateRequest request;
            request.callsign = a.base.callsign;
            request.hexid = hexid;
            state_.staticCreateQueue.push_back(request);
        }
        return a;
    }

    std::vector<std::uint32_t> hexids() const {
        std::vector<std::uint32_t> out;
        for (const LiveAircraft& a : state_.liveAircraft) {
            out.push_back(a.base.hexid);
        }
        return out;
    }

    // Runs the traffic step until every queued removal has gone to the simulator.
    void sendRemovals() {
        while (!state_.removalQueue.empty()) {
            lf_handleAddingStack(state_);
        }
    }

    static constexpr std::int32_t kNeverDue = 1 << 30;
    testing::LogCapture log_;
    testing::RecordingWindowSink& window_ = world_.window;
    std::vector<std::uint32_t> added_;
};

TEST_F(BulkRemovalsTest, SwitchingACategoryOffRemovesExactlyItsAircraftOnce) {
    add(20001, AircraftCategory::TwoProps, SimState::active);
    add(20002, AircraftCategory::TwoProps, SimState::adding2sim);
    add(20003, AircraftCategory::TwoProps, SimState::buffer);
    add(20004, AircraftCategory::Light, SimState::active);
    add(20005, AircraftCategory::TwoProps, SimState::removingfromsim);
    add(20006, AircraftCategory::Large, SimState::active);
    WindowRequests& requests = gf_windowRequests();
    requests.clear();
    requests.twoPropsRemoved = true;
    gf_handleCategoryRemovals(state_, requests);
    gf_handleCategoryRemovals(state_, requests);

    EXPECT_THAT(state_.removalQueue, ElementsAre(20001u - 10000));
    EXPECT_THAT(state_.liveCreateQueue, IsEmpty()) << "withdrawn, no simulator call";
    EXPECT_THAT(hexids(), ElementsAre(20001u, 20004u, 20005u, 20006u));
    EXPECT_THAT(purged(), UnorderedElementsAre(20002u, 20003u));
    EXPECT_EQ(
        log_.linesWith("F20001 C172 removed because 'TwoProps' no longer included category").size(),
        1u);
    EXPECT_EQ(log_.linesWith("no longer included category").size(), 3u);
    EXPECT_FALSE(requests.twoPropsRemoved);

    // Each confirmation erases its record; the counts follow.
    sendRemovals();
    events_.post({20001 - 10000, 0, 0, SimEventKind::objectRemoved});
    events_.post({20005 - 10000, 0, 0, SimEventKind::objectRemoved});
    lf_handleAddingStack(state_);
    EXPECT_THAT(hexids(), ElementsAre(20006u, 20004u));
    gf_postTrafficCounts(state_);
    EXPECT_EQ(window_.last<GuiUpdate::LiveAircraftCount>()->count, 2u);
}

TEST_F(BulkRemovalsTest, LeavingTheAirportRemovesTheGroundTrafficOnlyAndKeepsParkingStands) {
    const std::vector<std::pair<FlightPhase, bool>> phases{
        {FlightPhase::pushing_back, true}, {FlightPhase::taxi, true},
        {FlightPhase::takeoff_roll, true}, {FlightPhase::takeoff, false},
        {FlightPhase::flying, false},      {FlightPhase::landing_roll, true},
        {FlightPhase::parking, false},     {FlightPhase::parked, true}};
    std::uint32_t hexid = 30000;
    for (const auto& [phase, removed] : phases) {
        ++hexid;
        add(hexid, AircraftCategory::Large, SimState::active, phase).stand.standId = hexid;
    }
    addStatic(1, 1, SimState::adding2sim);
    addStatic(2, 2, SimState::adding2sim);
    addStatic(3, 3, SimState::removingfromsim);

    lf_removeAllStaticAndLiveAtAirport(state_);
    // The queued static aircraft are withdrawn without a simulator call and erased at once.
    EXPECT_THAT(state_.staticCreateQueue, IsEmpty());
    ASSERT_EQ(state_.staticAircraft.size(), 1u);
    EXPECT_EQ(state_.staticAircraft[0].base.hexid, 3u);
    for (std::size_t i = 0; i < phases.size(); ++i) {
        const LiveAircraft& a = state_.liveAircraft[i];
        const bool removed = phases[i].second;
        EXPECT_EQ(a.simState == SimState::removingfromsim, removed) << i;
        EXPECT_EQ(a.stand.standId == 0, removed) << i;
    }
    EXPECT_EQ(state_.removalQueue.size(), 5u);
}

TEST_F(BulkRemovalsTest, TheUserDestinationStandIsFreedOneAircraftAtATime) {
    std::vector<Stand> stands;
    for (std::int32_t sid = 1; sid <= 5; ++sid) {
        Stand& stand = stands.emplace_back();
        stand.id = sid == 5 ? "GATE A5" : fmt::format("GATE B{}", sid);
        stand.sid = sid;
    }
    world_.setStands(std::move(stands));
    add(60001, AircraftCategory::Large, SimState::active, FlightPhase::parked).stand.standId = 5;
    addStatic(7, 5, SimState::removingfromsim);
    addStatic(8, 5, SimState::active);
    gf_clearUserDestGate(state_, "GATE B9");
    gf_clearUserDestGate(state_, "");
    EXPECT_THAT(state_.removalQueue, IsEmpty());
    gf_clearUserDestGate(state_, "GATE A5");
    EXPECT_THAT(state_.removalQueue, ElementsAre(108u)) << "the active static aircraft first";
    gf_clearUserDestGate(state_, "GATE A5");
    EXPECT_THAT(state_.removalQueue, ElementsAre(108u, 60001u - 10000));
}

TEST_F(BulkRemovalsTest, AFailedLiveryIsNeverRecalledAndTheTwentiethEndsTheRun) {
    LiveAircraft& a = add(40001, AircraftCategory::Light, SimState::adding2sim);
    a.base.liveryTitle = "Cessna Skyhawk Bad";
    state_.liveryByHexid.remember(40001, a.base.liveryTitle);
    state_.liveryByHexid.remember(40002, "Cessna Skyhawk Good");
    gf_reportLiveryCreationFailure(state_, a.base);
    gf_reportLiveryCreationFailure(state_, a.base);
    EXPECT_EQ(gf_failedLiveryTitleCount(), 1u);
    EXPECT_EQ(state_.liveryByHexid.recalled(40001), std::nullopt);
    EXPECT_EQ(state_.liveryByHexid.recalled(40002), "Cessna Skyhawk Good");
    EXPECT_EQ(window_.last<GuiUpdate::StatusText>()->text,
              "F40001 'Cessna Skyhawk Bad' could not be created by your Sim!");

    std::vector<std::string> titles;
    for (int i = 2; i <= 20; ++i) {
        titles.push_back("Title " + std::to_string(i));
    }
    for (std::size_t i = 0; i + 1 < titles.size(); ++i) {
        a.base.liveryTitle = titles[i];
        gf_reportLiveryCreationFailure(state_, a.base);
    }
    a.base.liveryTitle = titles.back();
    try {
        gf_reportLiveryCreationFailure(state_, a.base);
        FAIL() << "the 20th title must end the run";
    } catch (const UserRelatedException& e) {
        EXPECT_EQ(e.code(), 81);
        EXPECT_EQ(e.text(), "There are too many liveries that could not be created!, see Log.txt");
    }
    lf_resetTrafficState(state_);
    EXPECT_EQ(gf_failedLiveryTitleCount(), 0u);
    EXPECT_EQ(state_.liveryByHexid.size(), 0u);
}

TEST_F(BulkRemovalsTest, ARemovalNeverConfirmedGivesUpItsRecordAfterTheTimeOut) {
    add(50001, AircraftCategory::Large, SimState::active);
    add(50002, AircraftCategory::Large, SimState::active);
    for (LiveAircraft& a : state_.liveAircraft) {
        removeAircraftFromSim(state_, a, "the test removes it");
    }
    sendRemovals();
    clock_.advance(std::chrono::seconds(29));
    lf_handleAddingStack(state_);
    events_.post({50002 - 10000, 0, 0, SimEventKind::objectRemoved});
    for (int i = 0; i < 10; ++i) {
        lf_handleAddingStack(state_);
    }
    EXPECT_THAT(hexids(), ElementsAre(50001u)) << "the confirmed one is gone, the other waits";
    clock_.advance(std::chrono::seconds(2));
    for (int i = 0; i < 10; ++i) {
        lf_handleAddingStack(state_);
    }
    EXPECT_THAT(hexids(), IsEmpty());
    EXPECT_THAT(purged(), UnorderedElementsAre(50002u, 50001u));
    EXPECT_EQ(log_.linesWith("not confirmed, record dropped").size(), 1u);
    // Its late confirmation finds nothing.
    events_.post({50001 - 10000, 0, 0, SimEventKind::objectRemoved});
    lf_handleAddingStack(state_);
    EXPECT_THAT(purged().size(), 2u);
}

// A respawn's removal went out; the aircraft is then removed for good before the simulator
// answered: the record gives up after the same time-out.
TEST_F(BulkRemovalsTest, ARespawnRemovalNeverConfirmedAlsoTimesOutOnceTheAircraftIsRemoved) {
    LiveAircraft& a = add(50003, AircraftCategory::Large, SimState::active);
    a.stream.front().time = 1 << 30; // standing between reports
    a.stream.front().stationary = 1;
    liveryRespawn(state_, a);
    ASSERT_EQ(a.simState, SimState::liveryrespawn);
    sendRemovals();
    removeAircraftFromSim(state_, state_.liveAircraft[0], "the test removes it");
    EXPECT_EQ(state_.liveAircraft[0].simState, SimState::removingfromsim);
    clock_.advance(std::chrono::seconds(31));
    for (int i = 0; i < 10; ++i) {
        lf_handleAddingStack(state_);
    }
    EXPECT_THAT(hexids(), IsEmpty());
    EXPECT_EQ(log_.linesWith("not confirmed, record dropped").size(), 1u);
}

TEST_F(BulkRemovalsTest, TheKeyTextOfACargoKeyWithoutOperator) {
    LiveryKey key;
    key.airline = gf_airlineId("FDX");
    key.model = gf_modelId("B77L");
    key.cargo = 1;
    EXPECT_EQ(gf_liveryKeyText(key), "FDX     B77L (C)");
    key.cargo = 0;
    key.fromRegistration = 1;
    EXPECT_EQ(gf_liveryKeyText(key), "FDX     B77L.   ");
}

} // namespace
} // namespace skyloom
