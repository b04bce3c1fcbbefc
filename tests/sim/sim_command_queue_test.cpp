// The command queue on its own and as a frame executes it: the pushers' records, the swap
// that keeps the capacities, the order of execution, FLAPS_SET framed by control releases,
// flight plans only with MSFS 2020, each data request's call, reverse thrust, and a refused
// request in the middle of a frame dropping the rest.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/log_file.h"
#include "sim/sim_ids.h"
#include "sim/sim_link_state.h"
#include "tests/sim/support/link_fixture.h"

namespace skyloom::testing {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using ::testing::StartsWith;

TEST(SimCommandQueueTest, TheLightsGoInAsSevenEventsInTheirOrder) {
    SimCommandQueue queue;
    gf_setLights(queue, 77, LightValues{1, 2, 3, 4, 5, 6, 7});
    SimCommandBatch batch;
    queue.takeAll(batch);
    EXPECT_THAT(batch.commands, ElementsAre(SimCommand{77, EVENT_NAV_LIGHTS_SET, 1},
                                            SimCommand{77, EVENT_BEACON_LIGHTS_SET, 2},
                                            SimCommand{77, EVENT_LANDING_LIGHTS_SET, 3},
                                            SimCommand{77, EVENT_TAXI_LIGHTS_SET, 4},
                                            SimCommand{77, EVENT_STROBES_SET, 5},
                                            SimCommand{77, EVENT_LOGO_LIGHTS_SET, 6},
                                            SimCommand{77, EVENT_CABIN_LIGHTS_SET, 7}));
    EXPECT_EQ(batch.size(), 7u);
}

TEST(SimCommandQueueTest, TheProgramsPushersFillTheProgramsQueue) {
    SimCommandQueue& queue = gf_simCommandQueue();
    queue.clear();
    gf_setNavLights(5, 1);
    gf_setCabinLights(5, 0);
    gf_engineAutoStart(6);
    gf_engineAutoShutdown(6);
    gf_queueReverseThrust(7, true, false);
    gf_queueSimDataRequest({SimDataRequestKind::staticCgAndPitch, 8});
    gf_queueFlightPlan({9, "orig_dest/9.pln"});
    gf_queueCreateAIAircraft(gf_createRequest(10001, "SWR1"));
    gf_queueRemoveAIObject(10);
    SimCommandBatch batch;
    queue.takeAll(batch);
    EXPECT_THAT(batch.commands, ElementsAre(SimCommand{5, EVENT_NAV_LIGHTS_SET, 1},
                                            SimCommand{5, EVENT_CABIN_LIGHTS_SET, 0},
                                            SimCommand{6, EVENT_ENGINE_AUTO_START, 0},
                                            SimCommand{6, EVENT_ENGINE_AUTO_SHUTDOWN, 0}));
    EXPECT_THAT(batch.reverseThrust, ElementsAre(ReverseThrustCommand{7, 1, 0}));
    EXPECT_THAT(batch.dataRequests,
                ElementsAre(SimDataRequest{SimDataRequestKind::staticCgAndPitch, 8}));
    EXPECT_THAT(batch.flightPlans, ElementsAre(SimFlightPlanRequest{9, "orig_dest/9.pln"}));
    ASSERT_THAT(batch.creates, SizeIs(1));
    EXPECT_EQ(batch.creates[0].callsign, "SWR1");
    EXPECT_THAT(batch.removals, ElementsAre(10u));
    EXPECT_EQ(queue.waitingCount(), 0u);
}

TEST(SimCommandQueueTest, TheSwapHandsTheCapacitiesBackAndForth) {
    SimCommandQueue queue;
    queue.reserve();
    SimCommandBatch taken;
    taken.reserve();
    for (int round = 0; round < 3; ++round) {
        queue.push(SimCommand{1, EVENT_GEAR_SET, 1});
        queue.pushRemoval(2);
        queue.takeAll(taken);
        // What was pushed arrives; what was taken before is gone.
        EXPECT_EQ(taken.size(), 2u);
        EXPECT_GE(taken.commands.capacity(), kSimCommandReserve);
        EXPECT_GE(taken.creates.capacity(), kSimCreateReserve);
        EXPECT_GE(taken.removals.capacity(), kSimRemovalReserve);
        EXPECT_GE(taken.dataRequests.capacity(), kSimDataRequestReserve);
        EXPECT_GE(taken.reverseThrust.capacity(), kSimReverseThrustReserve);
        EXPECT_GE(taken.flightPlans.capacity(), kSimFlightPlanReserve);
    }
    // The queue holds the emptied vectors with their capacities: pushes do not reallocate.
    SimCommandBatch again;
    queue.takeAll(again);
    EXPECT_TRUE(again.empty());
    EXPECT_GE(again.commands.capacity(), kSimCommandReserve);
}

TEST(SimCommandQueueTest, HexidsAboveTenThousandAreLive) {
    EXPECT_FALSE(gf_isLiveHexid(0));
    EXPECT_FALSE(gf_isLiveHexid(9999));
    EXPECT_FALSE(gf_isLiveHexid(10000));
    EXPECT_TRUE(gf_isLiveHexid(10001));
    EXPECT_TRUE(gf_isLiveHexid(0xFFFFFFFF));
}

class SimFrameCommandsTest : public LinkTest {
protected:
    std::uint32_t createObject(std::uint32_t hexid = 20001) {
        queue_.push(createRequest(hexid, "SWR12"));
        run(0.2);
        const auto ids = assignedIds(drainEvents());
        EXPECT_THAT(ids, SizeIs(1));
        world_->clearJournal();
        return ids.empty() ? 0 : ids.front();
    }
    // The API calls of the journal, in order, without the dispatches.
    std::vector<std::string> calls() const {
        std::vector<std::string> out;
        for (const simworld::JournalEntry& e : world_->journal()) {
            if (e.kind == simworld::JournalKind::call &&
                !e.text.starts_with("SimConnect_CallDispatch")) {
                out.push_back(e.text);
            }
        }
        return out;
    }
    static simworld::FaultSetup failCall(const std::string& function, std::uint32_t nth = 1) {
        simworld::FaultSetup fault;
        fault.kind = simworld::FaultKind::failCall;
        fault.function = function;
        fault.nth = nth;
        return fault;
    }
};

TEST_F(SimFrameCommandsTest, AFrameExecutesTheQueuesInTheirOrder) {
    connect();
    const std::uint32_t id = createObject();
    const std::filesystem::path plan = dir_ / "plan.pln";
    std::ofstream(plan) << "<SimBase.Document/>";
    // Pushed in the opposite order.
    queue_.push(ReverseThrustCommand{id, 1, 1});
    queue_.pushRemoval(id);
    queue_.push(createRequest(20002, "SWR13"));
    queue_.push(SimFlightPlanRequest{id, plan});
    queue_.push(SimCommand{id, EVENT_GEAR_SET, 1});
    queue_.push(SimDataRequest{SimDataRequestKind::userPosition, 0});
    run(0.04);
    EXPECT_THAT(calls(),
                ElementsAre(StartsWith("SimConnect_RequestDataOnSimObject(108, 403, 0, ONCE"),
                            StartsWith(fmt::format("SimConnect_TransmitClientEvent({}, 219, 1, "
                                                   "301, 0)",
                                                   id)),
                            StartsWith(fmt::format("SimConnect_AISetAircraftFlightPlan({}, \"{}\"",
                                                   id, plan.string())),
                            StartsWith("SimConnect_AICreateNonATCAircraft(\"Airbus A320 Neo "
                                       "Swiss\", \"SWR13\""),
                            StartsWith("SimConnect_GetLastSentPacketID"),
                            StartsWith(fmt::format("SimConnect_AIRemoveObject({}, 104)", id)),
                            StartsWith(fmt::format("SimConnect_SetDataOnSimObject(401, {}", id))));
}

TEST_F(SimFrameCommandsTest, FlapsAreFramedByTwoControlReleasesUnlessTheTransmitFails) {
    simworld::WorldSetup setup = aiSetup();
    // The assignment's three freezes are transmits 1 to 3; the first FLAPS_SET is the 4th.
    setup.faults.push_back(failCall("SimConnect_TransmitClientEvent", 5));
    connect(setup);
    const std::uint32_t id = createObject();
    queue_.push(SimCommand{id, EVENT_FLAPS_SET, 8192});
    queue_.push(SimCommand{id, EVENT_FLAPS_SET, 16383});
    queue_.push(SimCommand{id, EVENT_SPOILERS_SET, 0});
    run(0.04);
    const std::string release = fmt::format("SimConnect_AIReleaseControl({}, 103)", id);
    EXPECT_THAT(
        calls(),
        ElementsAre(
            StartsWith(release),
            StartsWith(fmt::format("SimConnect_TransmitClientEvent({}, 217, 8192", id)),
            StartsWith(release), StartsWith(release),
            AllOf(StartsWith(fmt::format("SimConnect_TransmitClientEvent({}, 217, 16383", id)),
                  HasSubstr("fault failCall")),
            StartsWith(fmt::format("SimConnect_TransmitClientEvent({}, 218, 0", id))));
    // A failed transmit is not reported.
    EXPECT_NE(g_simConnectionState.load(), SimConnectionState::requestError);
}

TEST_F(SimFrameCommandsTest, WithMsfs2024TheFlightPlansAreDroppedUnexecuted) {
    simworld::WorldSetup setup = aiSetup();
    setup.simulator.applicationName = simworld::kMsfs2024Name;
    startWorld(setup);
    SimClientContext context = linkContext();
    context.msfs2020 = false;
    client_.emplace(context);
    ASSERT_EQ(client_->connect(), SimClient::ConnectResult::connected);
    client_->dispatchPass();
    const std::uint32_t id = createObject();
    queue_.push(SimFlightPlanRequest{id, dir_ / "plan.pln"});
    queue_.push(SimCommand{id, EVENT_GEAR_SET, 0});
    run(0.04);
    EXPECT_THAT(journalCalls("SimConnect_AISetAircraftFlightPlan"), IsEmpty());
    EXPECT_THAT(journalCalls("SimConnect_TransmitClientEvent"), SizeIs(1));
    EXPECT_EQ(queue_.waitingCount(), 0u);
}

struct DataRequestCase {
    SimDataRequest request;
    std::vector<std::string> calls;
    std::string failureLine;
};

TEST_F(SimFrameCommandsTest, EachDataRequestMakesItsCallsAndARefusalItsLogLine) {
    const std::vector<DataRequestCase> cases = {
        {{SimDataRequestKind::aiInRange, 0},
         {"SimConnect_RequestDataOnSimObjectType(101, 404, 37040, 2) = S_OK"},
         "==> SimConnect request ac within range fails"},
        {{SimDataRequestKind::userTitleAndModel, 0},
         {"SimConnect_RequestDataOnSimObject(105, 407, 0, ONCE, 0, 0, 0, 0) = S_OK",
          "SimConnect_RequestDataOnSimObject(106, 408, 0, ONCE, 0, 0, 0, 0) = S_OK"},
         "==> SimConnect request user ac title fails"},
        {{SimDataRequestKind::userOnGround, 0},
         {"SimConnect_RequestDataOnSimObject(107, 409, 0, SECOND, 0, 0, 0, 0) = S_OK"},
         "==> SimConnect request ac gnd/air fails"},
        {{SimDataRequestKind::userPosition, 0},
         {"SimConnect_RequestDataOnSimObject(108, 403, 0, ONCE, 0, 0, 0, 0) = S_OK"},
         "==> SimConnect request user ac position fails"},
        {{SimDataRequestKind::staticCgAndPitch, 0}, {}, "==> SimConnect request StaticCG fails"},
    };
    for (const DataRequestCase& c : cases) {
        SCOPED_TRACE(gf_simDataRequestKindText(c.request.kind));
        for (const bool refused : {false, true}) {
            simworld::WorldSetup setup = aiSetup();
            if (refused) {
                setup.faults.push_back(failCall(c.request.kind == SimDataRequestKind::aiInRange
                                                    ? "SimConnect_RequestDataOnSimObjectType"
                                                    : "SimConnect_RequestDataOnSimObject"));
            }
            connect(setup);
            LogFile::openIn(dir_.path());
            stop_.reset();
            SimDataRequest request = c.request;
            std::vector<std::string> expected = c.calls;
            if (request.kind == SimDataRequestKind::staticCgAndPitch) {
                request.objectId = createObject();
                expected = {fmt::format("SimConnect_RequestDataOnSimObject(102, 405, {}, ONCE, "
                                        "0, 0, 0, 0) = S_OK",
                                        request.objectId)};
            }
            queue_.push(request);
            queue_.push(SimCommand{0, EVENT_GEAR_SET, 1});
            run(0.04);
            std::vector<std::string> made;
            for (const std::string& call : calls()) {
                if (call.starts_with("SimConnect_RequestData")) {
                    made.push_back(call.substr(0, call.rfind(" #")));
                }
            }
            if (!refused) {
                EXPECT_EQ(made, expected);
                EXPECT_FALSE(stop_.stopRequested());
                EXPECT_THAT(journalCalls("SimConnect_TransmitClientEvent"), SizeIs(1));
            } else {
                EXPECT_EQ(logCount(c.failureLine), 1u);
                EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::requestError);
                EXPECT_EQ(stop_.current(), (StopRequest{StopReason::simConnectError, 9}));
                // Nothing after the refused request is executed.
                EXPECT_THAT(journalCalls("SimConnect_TransmitClientEvent"), IsEmpty());
                EXPECT_EQ(made.size(), expected.size());
            }
            client_.reset();
            installation_.reset();
        }
    }
}

TEST_F(SimFrameCommandsTest, TheRadiusIsReadAtEachRequest) {
    connect();
    queue_.push(SimDataRequest{SimDataRequestKind::aiInRange, 0});
    run(0.04);
    radiusMetres_ = 92600;
    queue_.push(SimDataRequest{SimDataRequestKind::aiInRange, 0});
    run(0.04);
    EXPECT_THAT(journalCalls("SimConnect_RequestDataOnSimObjectType"),
                ElementsAre(HasSubstr("(101, 404, 37040, 2)"), HasSubstr("(101, 404, 92600, 2)")));
}

TEST_F(SimFrameCommandsTest, ARefusedRequestInTheMiddleOfAFrameDropsEverythingAfterIt) {
    simworld::WorldSetup setup = aiSetup();
    setup.faults.push_back(failCall("SimConnect_RequestDataOnSimObject", 2));
    connect(setup);
    world_->clearJournal();
    queue_.push(SimDataRequest{SimDataRequestKind::userPosition, 0});
    queue_.push(SimDataRequest{SimDataRequestKind::userOnGround, 0}); // refused
    queue_.push(SimDataRequest{SimDataRequestKind::userPosition, 0});
    queue_.push(SimCommand{0, EVENT_GEAR_SET, 1});
    queue_.push(createRequest(20001, "SWR1"));
    queue_.pushRemoval(300);
    queue_.push(ReverseThrustCommand{300, 1, 0});
    run(0.04);
    EXPECT_THAT(calls(), ElementsAre(StartsWith("SimConnect_RequestDataOnSimObject(108"),
                                     AllOf(StartsWith("SimConnect_RequestDataOnSimObject(107"),
                                           HasSubstr("fault failCall"))));
    EXPECT_EQ(logCount("==> SimConnect request ac gnd/air fails"), 1u);
    EXPECT_THAT(statusTexts(), Contains("SimConnect request error"));
    EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::requestError);
    EXPECT_EQ(link_.objects().pendingCreateCount(), 0u);
    EXPECT_EQ(queue_.waitingCount(), 0u);
}

struct ReverseCase {
    std::uint8_t active;
    std::uint8_t reverse;
    double spoilers;
    double throttle;
};

TEST_F(SimFrameCommandsTest, ReverseThrustWritesSpoilersAndThrottles) {
    connect();
    const std::uint32_t id = createObject();
    for (const ReverseCase& c : std::vector<ReverseCase>{
             {1, 1, 100, -100}, {1, 0, 100, 100}, {0, 1, 0, 0}, {0, 0, 0, 0}}) {
        SCOPED_TRACE(fmt::format("active {} reverse {}", c.active, c.reverse));
        queue_.push(ReverseThrustCommand{id, c.active, c.reverse});
        run(0.04);
        const auto object = world_->object(id);
        ASSERT_TRUE(object);
        EXPECT_EQ(object->spoilersHandlePercent, c.spoilers);
        EXPECT_EQ(object->throttleLeverPercent[0], c.throttle);
        EXPECT_EQ(object->throttleLeverPercent[1], c.throttle);
    }
    EXPECT_THAT(journalCalls("SimConnect_SetDataOnSimObject(401"), SizeIs(4));
}

} // namespace
} // namespace skyloom::testing
