// The traffic step against the queues the simulator link reads: the life of one aircraft from
// a mailbox batch to its removal, the pacing of creates and removals, what the drain does with
// the simulator's answers, and an aircraft whose operation throws.
#include <atomic>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/manual_clock.h"
#include "runtime/stop_request.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "sim/sim_ids.h"
#include "tests/support/log_capture.h"
#include "tests/support/traffic_test_world.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/step/traffic_exception.h"
#include "traffic/step/traffic_mailbox.h"
#include "traffic/step/traffic_state.h"
#include "traffic/step/traffic_step.h"

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

LiveAircraft makeAircraft(std::uint32_t hexid, std::string callsign, bool airborne = true) {
    AircraftBase base;
    base.hexid = hexid;
    base.callsign = std::move(callsign);
    TrafficSample sample;
    sample.airborne = airborne ? 1 : 0;
    sample.altitudeFt = 3000;
    // Standing at a report not due for hours: the step's pacing shows without the motion.
    sample.stationary = 1;
    sample.time = 1 << 30;
    LiveAircraft aircraft(sample, std::move(base), 0.0, 0);
    aircraft.simState = SimState::adding2sim;
    return aircraft;
}

// What one traffic step handed to the simulator link, with the tick it ran at.
struct StepOutput {
    std::uint32_t tick = 0;
    SimCommandBatch batch;
};

class TrafficStepTest : public ::testing::Test, protected testing::TrafficStateParts, public TrafficDecoder {
protected:
    TrafficStepTest() {
        lf_initTrafficState(state_);
        gf_resetTrafficExceptionReports();
    }

    // The decoder and spawn stand-in: every entry becomes a record on the adding stack.
    void decodeMessage(const TrafficEntry& entry) override {
        state_.liveAircraft.push_back(makeAircraft(entry.hexid, entry.callsign));
        state_.addingStack.push_back(entry.hexid);
    }

    // Runs `n` steps and keeps the steps that handed something over.
    std::vector<StepOutput> run(int n) {
        std::vector<StepOutput> out;
        for (int i = 0; i < n; ++i) {
            const std::uint32_t tick = state_.currentTick();
            lf_handleAddingStack(state_);
            SimCommandBatch batch;
            commands_.takeAll(batch);
            // The 20-tick requests of the AI objects and of the user aircraft are left out.
            std::erase_if(batch.dataRequests, [](const SimDataRequest& r) {
                return r.kind == SimDataRequestKind::aiInRange ||
                       r.kind == SimDataRequestKind::userPosition;
            });
            if (!batch.empty()) {
                out.push_back({tick, std::move(batch)});
            }
        }
        return out;
    }

    testing::LogCapture log_;
    StopControl stop_;
};

TEST_F(TrafficStepTest, AnAircraftFromTheMailboxIsCreatedAssignedActivatedAndRemoved) {
    TrafficMailbox& mailbox = world_.mailbox;
    mailbox.setDecoder(this);
    mailbox.enable(true);
    std::vector<TrafficEntry> batch(1);
    batch[0].hexid = 0x4B1234;
    batch[0].callsign = "SWR12";
    mailbox.post(batch, TrafficBatchKind::live, 0, true);

    auto out = run(20);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].tick, 19u) << "the first creation slot";
    ASSERT_EQ(out[0].batch.creates.size(), 1u);
    EXPECT_EQ(out[0].batch.creates[0].callsign, "SWR12");
    EXPECT_EQ(out[0].batch.creates[0].hexid, 0x4B1234u);

    events_.post({7, 0x4B1234, 0, SimEventKind::liveAssigned});
    out = run(202);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_THAT(out[0].batch.dataRequests,
                ElementsAre(SimDataRequest{SimDataRequestKind::staticCgAndPitch, 7}));
    const SimCommand toggle{7, EVENT_ALL_LIGHTS_TOGGLE, 0};
    EXPECT_EQ(out[2].tick - out[1].tick, 50u);
    EXPECT_THAT(out[1].batch.commands, ElementsAre(toggle));
    EXPECT_THAT(out[2].batch.commands, ElementsAre(toggle));
    EXPECT_EQ(out[3].tick - out[0].tick, 200u) << "switched on 200 ticks after the assignment";
    EXPECT_THAT(out[3].batch.commands,
                ElementsAreArray(std::vector<SimCommand>{
                    {7, EVENT_ENGINE_AUTO_START, 0}, {7, EVENT_SPOILERS_SET, 0},
                    {7, EVENT_NAV_LIGHTS_SET, 1}, {7, EVENT_BEACON_LIGHTS_SET, 1},
                    {7, EVENT_LANDING_LIGHTS_SET, 1}, {7, EVENT_TAXI_LIGHTS_SET, 0},
                    {7, EVENT_STROBES_SET, 1}, {7, EVENT_LOGO_LIGHTS_SET, 1},
                    {7, EVENT_CABIN_LIGHTS_SET, 1}}));
    ASSERT_EQ(state_.liveAircraft.size(), 1u);
    EXPECT_EQ(state_.liveAircraft[0].simState, SimState::active);

    removeAircraftFromSim(state_, state_.liveAircraft[0], "the test removes it");
    out = run(10);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_THAT(out[0].batch.removals, ElementsAre(7u));
    events_.post({7, 0, 0, SimEventKind::objectRemoved});
    run(1);
    EXPECT_THAT(state_.liveAircraft, IsEmpty());
}

TEST_F(TrafficStepTest, ThreeLiveAndTwoStaticCreatesGoOutEvery200MsLiveFirst) {
    for (std::uint32_t hexid : {20001u, 20002u, 20003u}) {
        state_.liveCreateQueue.push_back({{}, "L", "", hexid});
    }
    for (std::uint32_t hexid : {11u, 12u}) {
        state_.staticCreateQueue.push_back({{}, "S", "", hexid});
    }
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sent; // tick, hexid
    for (const StepOutput& step : run(120)) {
        for (const SimCreateRequest& create : step.batch.creates) {
            sent.emplace_back(step.tick, create.hexid);
        }
    }
    EXPECT_THAT(sent, ElementsAreArray(std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                          {19, 20001}, {39, 20002}, {59, 20003}, {79, 11}, {99, 12}}));
}

// A create refused for want of room is no failed livery: the aircraft, live or static, waits
// for its create again, and nothing goes to the simulator until it has removed an object
// (anyone's: the drain sees an id it does not know).
TEST_F(TrafficStepTest, ACreateRefusedForWantOfRoomWaitsAndNothingGoesOutUntilAnObjectIsRemoved) {
    state_.liveAircraft.push_back(makeAircraft(30001, "FULL1"));
    state_.liveAircraft.push_back(makeAircraft(30002, "FULL2"));
    state_.liveCreateQueue.push_back({{}, "FULL2", "", 30002});
    StaticAircraft& parked = state_.staticAircraft.emplace_back();
    parked.base.hexid = 17;
    parked.base.callsign = "STAT17*";
    parked.simState = SimState::adding2sim;
    state_.staticCreateQueue.push_back({{}, "STAT18*", "", 18});
    events_.post({0, 30001, 0, SimEventKind::createRefused, 10000, 0});
    events_.post({0, 17, 0, SimEventKind::createRefused, 10001, 0});
    EXPECT_THAT(run(200), IsEmpty()) << "two seconds without a create";
    ASSERT_EQ(state_.liveAircraft.size(), 2u);
    EXPECT_EQ(state_.liveAircraft[0].simState, SimState::adding2sim);
    ASSERT_EQ(state_.staticAircraft.size(), 1u);
    EXPECT_THAT(log_.linesWith("could not be created"), IsEmpty());

    events_.post({4711, 0, 0, SimEventKind::objectRemoved});
    std::vector<std::uint32_t> sent;
    for (const StepOutput& step : run(100)) {
        for (const SimCreateRequest& create : step.batch.creates) {
            sent.push_back(create.hexid);
        }
    }
    // The live ones first, the refused one after the one that was waiting; the refused static
    // one before the static one that was waiting.
    EXPECT_THAT(sent, ElementsAre(30002u, 30001u, 17u, 18u));
}

TEST_F(TrafficStepTest, TheSimulatorsAnswersReachTheRecord) {
    struct Case {
        const char* what;
        SimState state;
        SimEvent event;
        std::size_t recordsLeft;
        std::vector<std::uint32_t> removals;
    };
    const std::vector<Case> cases{
        {"create failed", SimState::adding2sim, {0, 30001, 0, SimEventKind::createFailed}, 0, {}},
        {"removal confirmed", SimState::removingfromsim, {9, 0, 0, SimEventKind::objectRemoved}, 0,
         {}},
        {"respawn removed", SimState::liveryrespawn, {9, 0, 0, SimEventKind::objectRemoved}, 1, {}},
        // An object that is no AI object is taken back and the aircraft handled as refused.
        {"object id 2", SimState::adding2sim, {2, 30001, 0, SimEventKind::liveAssigned}, 0, {2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        lf_initTrafficState(state_);
        state_.liveAircraft.push_back(makeAircraft(30001, "A"));
        state_.liveAircraft[0].simState = c.state;
        state_.liveAircraft[0].objectId = c.event.kind == SimEventKind::objectRemoved ? 9 : 0;
        events_.post(c.event);
        run(1);
        ASSERT_EQ(state_.liveAircraft.size(), c.recordsLeft);
        EXPECT_EQ(std::vector<std::uint32_t>(state_.removalQueue.begin(), state_.removalQueue.end()),
                  c.removals);
        if (c.recordsLeft == 1) {
            EXPECT_EQ(state_.liveAircraft[0].simState, SimState::buffer);
            EXPECT_EQ(state_.liveAircraft[0].objectId, 0u);
        }
    }
}

TEST_F(TrafficStepTest, RemovalActsByStateAndWithdrawsTheRightCreate) {
    // Two aircraft with one callsign: removing the second withdraws its own request only.
    state_.liveAircraft.push_back(makeAircraft(40001, "DUP1"));
    state_.liveAircraft.push_back(makeAircraft(40002, "DUP1"));
    state_.liveCreateQueue.push_back({{}, "DUP1", "", 40001});
    state_.liveCreateQueue.push_back({{}, "DUP1", "", 40002});
    removeAircraftFromSim(state_, state_.liveAircraft[1], "the test removes it");
    ASSERT_EQ(state_.liveCreateQueue.size(), 1u);
    EXPECT_EQ(state_.liveCreateQueue[0].hexid, 40001u);
    lf_eraseWithdrawnAircraft(state_);
    ASSERT_EQ(state_.liveAircraft.size(), 1u);
    EXPECT_EQ(state_.liveAircraft[0].base.hexid, 40001u);

    // A respawning object already waits for its removal: it is not queued twice.
    LiveAircraft& respawning = state_.liveAircraft[0];
    respawning.simState = SimState::active;
    respawning.objectId = 12;
    liveryRespawn(state_, respawning);
    removeAircraftFromSim(state_, respawning, "the test removes it");
    removeAircraftFromSim(state_, respawning, "the test removes it");
    EXPECT_THAT(state_.removalQueue, ElementsAre(12u));
    EXPECT_EQ(respawning.simState, SimState::removingfromsim);
    EXPECT_THAT(log_.linesWith("duplicate remove blocked"), ElementsAre("DUP1  duplicate remove blocked"));
    // Each aircraft's removal names its reason once, however often it is asked for: one line
    // for the withdrawn create, one for the respawning object.
    const std::string removed = "                DUP1                  removed: the test removes it";
    EXPECT_THAT(log_.linesWith(" removed: "), ElementsAre(removed, removed));
}

TEST(TrafficExceptionTest, TwentyReportsARunTheLastSayingSo) {
    testing::LogCapture log;
    gf_resetTrafficExceptionReports();
    for (int i = 0; i < 25; ++i) {
        try {
            throw 42;
        } catch (...) {
            gf_reportTrafficException("f");
        }
    }
    const auto lines = log.linesWith("Traffic exception in f: non-standard exception");
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines.back(), "Traffic exception in f: non-standard exception (further traffic "
                            "exceptions will be suppressed)");
}

} // namespace
} // namespace skyloom

namespace skyloom {
namespace {

TEST(AircraftRecordTest, ModelListsMatchWholeCodes) {
    struct Case {
        const char* code;
        bool regional, lightTwin, lightSingle;
    };
    for (const Case& c : {Case{"E190", true, false, false}, Case{"BE58", false, true, false},
                          Case{"GA7", false, true, false}, Case{"GA8", false, false, true},
                          Case{"E19", false, false, false}, Case{"C172", false, false, true}}) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(gf_isRegionalModel(c.code), c.regional);
        EXPECT_EQ(gf_isLightTwinModel(c.code), c.lightTwin);
        EXPECT_EQ(gf_isLightSingleModel(c.code), c.lightSingle);
    }
}

} // namespace
} // namespace skyloom

namespace skyloom {
namespace {

TEST(AircraftRecordTest, TheBaseTakesTheReportAndTheCategorysConstants) {
    TrafficEntry head;
    head.callsign = "SWR12";
    head.registration = "HB-JCA";
    head.hexid = 0x4B1234;
    AircraftBase first;
    gf_initAircraftBase(first, head);
    EXPECT_EQ(first.callsign, "SWR12");
    EXPECT_EQ(first.registration, "HB-JCA");
    EXPECT_EQ(first.halfWingspanNm, 0.0) << "no dbase, no wingspan";
    EXPECT_DOUBLE_EQ(first.standFitRadiusNm, 0.009719222462203024);
    EXPECT_DOUBLE_EQ(first.wideStandFitRadiusNm, 1.25 * 0.009719222462203024);
    const CategoryHandling& handling = gf_categoryHandling(first.category);
    EXPECT_EQ(first.cgHeightFt, handling.cgHeightFt);
    const double rotationRad = handling.rotationPitchDeg * std::numbers::pi / 180.0;
    EXPECT_NEAR(first.rotationPitchRad, rotationRad, std::abs(rotationRad) * 0.025 + 1e-12);
}

// What waits for an aircraft goes with it: its delayed commands (also one known only by its
// object), its adding-stack entries, its arrival and its parked actions; others' stay.
TEST_F(TrafficStepTest, PurgingAnAircraftLeavesOnlyWhatWaitsForOthers) {
    state_.delayedCommands = {{26, 0x4b1801, 0, SimEventKind::liveAssigned, 0, 0},
                              {26, 0, 0, SimEventKind::staticAssigned, 0, 0},
                              {27, 0x4b1802, 0, SimEventKind::liveAssigned, 0, 0}};
    state_.addingStack = {0x4b1801, 0x4b1802, 0x4b1801};
    state_.arrivedAircraft = {0x4b1802, 0x4b1801};
    state_.parkedActions = {{0x4b1801, 10, ParkedAction::enginesOff},
                            {0x4b1802, 10, ParkedAction::parkedLights}};
    lf_purgePendingFor(state_, 0x4b1801, 26);
    ASSERT_EQ(state_.delayedCommands.size(), 1u);
    EXPECT_EQ(state_.delayedCommands[0].objectId, 27u);
    EXPECT_THAT(state_.addingStack, ::testing::ElementsAre(0x4b1802u));
    EXPECT_THAT(state_.arrivedAircraft, ::testing::ElementsAre(0x4b1802u));
    ASSERT_EQ(state_.parkedActions.size(), 1u);
    EXPECT_EQ(state_.parkedActions[0].hexid, 0x4b1802u);
}

} // namespace
} // namespace skyloom
