// AI objects against the simulated world: creates answered with an object id or refused for an
// unknown livery, live and static by hexid, request ids that never repeat, control taken from
// the simulator's AI, removals and their confirmations, answers that match nothing, refused
// calls, and the removal of every owned object at a stop.
#include <algorithm>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/text.h"
#include "sim/sim_ids.h"
#include "sim/sim_link_state.h"
#include "sim/sim_tables.h"
#include "tests/sim/support/link_fixture.h"

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class SimAiObjectsTest : public LinkTest {
protected:
    // Queues the creates and runs long enough for the world to answer them.
    std::vector<SimEvent> create(const std::vector<SimCreateRequest>& requests) {
        for (const SimCreateRequest& request : requests) {
            queue_.push(request);
        }
        run(0.2);
        return drainEvents();
    }
    std::uint32_t createOne(std::uint32_t hexid, const std::string& callsign) {
        const auto ids = assignedIds(create({createRequest(hexid, callsign)}));
        EXPECT_EQ(ids.size(), 1u);
        return ids.empty() ? 0 : ids.front();
    }
};

TEST_F(SimAiObjectsTest, ThreeCreatesOfWhichOneHasAnUnknownTitleGiveEventsZeroZeroAndFive) {
    connect();
    const std::uint32_t firstRequest = g_nextCreateRequestId.load();
    const std::vector<SimEvent> events =
        create({createRequest(0x4b1801, "SWR12"), createRequest(0x4ca7b2, "RYR4AB", "Nope"),
                createRequest(0x3c6443, "DLH9", kB738Livery)});

    std::vector<SimEventKind> kinds;
    for (const SimEvent& e : events) {
        kinds.push_back(e.kind);
    }
    EXPECT_THAT(kinds, UnorderedElementsAre(SimEventKind::liveAssigned, SimEventKind::liveAssigned,
                                            SimEventKind::createFailed));
    const auto failed = std::find_if(events.begin(), events.end(), [](const SimEvent& e) {
        return e.kind == SimEventKind::createFailed;
    });
    ASSERT_NE(failed, events.end());
    EXPECT_EQ(*failed, (SimEvent{0, 0x4ca7b2, 0, SimEventKind::createFailed,
                                 static_cast<double>(firstRequest + 1), 0}));
    const auto creates = journalCalls("SimConnect_AICreateNonATCAircraft");
    ASSERT_EQ(creates.size(), 3u);
    EXPECT_TRUE(logHas(fmt::format("CREATE_OBJECT_FAILED packetId:{} requestId:{} hexid:4ca7b2 "
                                   "callsign:RYR4AB",
                                   gf_packetOfCall(creates[1]), firstRequest + 1)));

    // The two objects: their hexids, callsigns as tail numbers, and each livery's model,
    // centre of gravity and pitch.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> hexids;
    for (const SimEvent& e : events) {
        if (e.kind == SimEventKind::liveAssigned) {
            hexids.emplace_back(e.value1, e.objectId);
            EXPECT_EQ(e.value2, 0u);
            EXPECT_EQ(e.x, 0.0);
        }
    }
    std::sort(hexids.begin(), hexids.end());
    ASSERT_EQ(hexids.size(), 2u);
    const auto swiss = world_->object(hexids[1].second);
    const auto lufthansa = world_->object(hexids[0].second);
    ASSERT_TRUE(swiss && lufthansa);
    EXPECT_EQ(swiss->atcId, "SWR12");
    EXPECT_EQ(swiss->title, kA320Livery);
    EXPECT_EQ(swiss->atcModel, "A20N");
    EXPECT_DOUBLE_EQ(swiss->staticCgToGroundFeet, 7.2);
    EXPECT_EQ(lufthansa->atcId, "DLH9");
    EXPECT_DOUBLE_EQ(lufthansa->staticCgToGroundFeet, 6.8);
    // Owned, with the callsigns for the diagnostic; nothing left pending.
    EXPECT_TRUE(link_.objects().owns(hexids[0].second));
    EXPECT_EQ(link_.objects().callsign(hexids[1].second), "SWR12");
    EXPECT_EQ(link_.objects().pendingCreateCount(), 0u);
    EXPECT_EQ(link_.objects().packetIndexCount(), 0u);
    // Request ids count on without a gap, the failed one included.
    EXPECT_EQ(g_nextCreateRequestId.load(), firstRequest + 3);
}

TEST_F(SimAiObjectsTest, AnAssignedObjectIsReleasedAndFrozenAndNothingElse) {
    connect();
    const std::uint32_t id = createOne(20001, "EZY12");
    const auto record = world_->aiObject(id);
    ASSERT_TRUE(record);
    EXPECT_TRUE(record->released);
    EXPECT_TRUE(record->freezeLatLon);
    EXPECT_TRUE(record->freezeAltitude);
    EXPECT_TRUE(record->freezeAttitude);
    std::vector<std::pair<std::string, DWORD>> events;
    for (const auto& e : world_->clientEvents(id)) {
        events.emplace_back(e.event, e.value);
    }
    EXPECT_THAT(events,
                ElementsAre(std::pair<std::string, DWORD>{"FREEZE_LATITUDE_LONGITUDE_SET", 1},
                            std::pair<std::string, DWORD>{"FREEZE_ALTITUDE_SET", 1},
                            std::pair<std::string, DWORD>{"FREEZE_ATTITUDE_SET", 1}));
    EXPECT_THAT(journalCalls("SimConnect_AIReleaseControl"),
                ElementsAre(HasSubstr(fmt::format("({}, 103)", id))));
}

TEST_F(SimAiObjectsTest, AHexidOfTenThousandIsStaticAndOneAboveIsLive) {
    connect();
    const std::vector<SimEvent> events =
        create({createRequest(10000, "STATIC*"), createRequest(10001, "LIVE1")});
    ASSERT_EQ(events.size(), 2u);
    for (const SimEvent& e : events) {
        EXPECT_EQ(e.kind,
                  e.value1 == 10000 ? SimEventKind::staticAssigned : SimEventKind::liveAssigned);
    }
}

TEST_F(SimAiObjectsTest, RequestIdsGoOnAcrossConnectionsAndRuns) {
    connect();
    const std::uint32_t first = g_nextCreateRequestId.load();
    EXPECT_GE(first, kFirstCreateRequestId);
    createOne(30001, "A1");
    // A new run of the same process: tables cleared, a new connection.
    client_.reset();
    gf_clearSimTables(link_);
    gf_resetSimTables(link_);
    client_.emplace(linkContext());
    ASSERT_EQ(client_->connect(), SimClient::ConnectResult::connected);
    createOne(30002, "A2");
    const auto calls = journalCalls("SimConnect_AICreateNonATCAircraft");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_THAT(calls[0], HasSubstr(fmt::format("}}, {}) = S_OK", first)));
    EXPECT_THAT(calls[1], HasSubstr(fmt::format("}}, {}) = S_OK", first + 1)));
}

// A simulator that holds as many objects as it takes refuses a create with TOO_MANY_OBJECTS and
// CREATE_OBJECT_FAILED for its packet, in either order (the parameter: TOO_MANY_OBJECTS last):
// one refusal for want of room (kind 6), not a failed livery (kind 5), which an unknown livery
// beside it still is. The status line says it once a connection, with the number of objects
// that are the program's: the simulator names no limit.
class FullSimulatorTest : public SimAiObjectsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FullSimulatorTest, ACreateRefusedForWantOfRoomIsNoFailedLiveryAndIsSaidOnceAConnection) {
    simworld::WorldSetup setup = aiSetup();
    setup.aiObjects.maxObjects = 2;
    setup.aiObjects.tooManyObjectsLast = GetParam();
    connect(setup);
    const std::uint32_t firstRequest = g_nextCreateRequestId.load();
    std::vector<SimEvent> events =
        create({createRequest(60006, "RYR6", "Nope"), createRequest(60001, "SWR1"),
                createRequest(60002, "SWR2", kB738Livery), createRequest(60003, "SWR3")});
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(assignedIds(events).size(), 2u);
    // Refused at once, before the two objects come; the livery failure a frame later.
    EXPECT_EQ(events.front(), (SimEvent{0, 60003, 0, SimEventKind::createRefused,
                                        static_cast<double>(firstRequest + 3), 0}));
    EXPECT_THAT(events, ::testing::Contains(SimEvent{0, 60006, 0, SimEventKind::createFailed,
                                                     static_cast<double>(firstRequest), 0})
                            .Times(1));
    // Each failure logged once: the livery's, not the refusal's.
    const auto failuresLogged = [this] {
        const std::vector<std::string> lines = logLines();
        return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.starts_with("CREATE_OBJECT_FAILED");
        });
    };
    const std::string said = "SimConnect: too many objects, 2 of them Skyloom's: no more are "
                             "created until one is removed";
    const auto creates = journalCalls("SimConnect_AICreateNonATCAircraft");
    ASSERT_EQ(creates.size(), 4u);
    EXPECT_TRUE(logHas(fmt::format("TOO_MANY_OBJECTS packetId:{} requestId:{} hexid:ea63 "
                                   "callsign:SWR3",
                                   gf_packetOfCall(creates[3]), firstRequest + 3)));
    EXPECT_EQ(failuresLogged(), 1);
    EXPECT_TRUE(logHas(fmt::format("CREATE_OBJECT_FAILED packetId:{} requestId:{} hexid:ea66 "
                                   "callsign:RYR6",
                                   gf_packetOfCall(creates[0]), firstRequest)));
    EXPECT_EQ(link_.objects().pendingCreateCount(), 0u);
    EXPECT_EQ(link_.objects().heldFailureCount(), 0u);

    // Refused again on the same connection: the event, no second status.
    events = create({createRequest(60004, "SWR4")});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, SimEventKind::createRefused);
    std::vector<std::string> texts = statusTexts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), said), 1);

    // A new connection says it again; the simulator still holds the two objects.
    client_.emplace(linkContext());
    ASSERT_EQ(client_->connect(), SimClient::ConnectResult::connected);
    events = create({createRequest(60005, "SWR5")});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, SimEventKind::createRefused);
    texts = statusTexts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(),
                         "SimConnect: too many objects, 0 of them Skyloom's: no more are created "
                         "until one is removed"),
              1);
    EXPECT_EQ(failuresLogged(), 1);
}

INSTANTIATE_TEST_SUITE_P(EitherOrder, FullSimulatorTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "TooManyObjectsLast" : "TooManyObjectsFirst";
                         });

TEST_F(SimAiObjectsTest, AnswersThatMatchNoPendingCreateAreLoggedAndDropped) {
    connect();
    link_.onAssignedObjectId(*client_, 4711, 0x99);
    link_.onCreateObjectFailed(*client_, 77);
    EXPECT_TRUE(logHas("ASSIGNED_OBJECT_ID: requestId:4711 oid:99 (no pending)"));
    EXPECT_TRUE(logHas("CREATE_OBJECT_FAILED packetId:77 (no pending request)"));
    EXPECT_THAT(drainEvents(), IsEmpty());
    EXPECT_TRUE(link_.objects().owned().empty());
    EXPECT_THAT(journalCalls("SimConnect_AIReleaseControl"), IsEmpty());
}

TEST_F(SimAiObjectsTest, AnAssignmentForAnIdFromThisConnectionIsMatchedOnlyOnce) {
    connect();
    queue_.push(createRequest(40001, "TWICE"));
    run(0.2);
    const auto events = drainEvents();
    ASSERT_EQ(events.size(), 1u);
    const auto calls = journalCalls("SimConnect_AICreateNonATCAircraft");
    ASSERT_EQ(calls.size(), 1u);
    const std::uint32_t requestId = g_nextCreateRequestId.load() - 1;
    // The same answer again: the create is no longer pending.
    link_.onAssignedObjectId(*client_, requestId, events[0].objectId);
    EXPECT_THAT(drainEvents(), IsEmpty());
    EXPECT_TRUE(logHas(fmt::format("ASSIGNED_OBJECT_ID: requestId:{} oid:{} (no pending)",
                                   requestId, gf_hexidText(events[0].objectId))));
}

TEST_F(SimAiObjectsTest, ARefusedCreateEndsTheRunAndDropsWhatFollows) {
    simworld::WorldSetup setup = aiSetup();
    simworld::FaultSetup fail;
    fail.kind = simworld::FaultKind::failCall;
    fail.function = "SimConnect_AICreateNonATCAircraft";
    setup.faults.push_back(fail);
    connect(setup);
    const std::uint32_t requestId = g_nextCreateRequestId.load();
    queue_.push(createRequest(50001, "BAW1"));
    queue_.push(createRequest(50002, "BAW2"));
    queue_.pushRemoval(123);
    run(0.05);
    EXPECT_EQ(logCount(fmt::format("==> ! create failed hr=0x80004005, requestId:{}, callsign:BAW1",
                                   requestId)),
              1u);
    EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::requestError);
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::simConnectError, 9}));
    EXPECT_EQ(journalCalls("SimConnect_AICreateNonATCAircraft").size(), 1u);
    EXPECT_THAT(journalCalls("SimConnect_AIRemoveObject"), IsEmpty());
    EXPECT_EQ(link_.objects().pendingCreateCount(), 0u);
    EXPECT_THAT(drainEvents(), IsEmpty());
    // From now on every frame empties the queue unexecuted.
    queue_.push(createRequest(50003, "BAW3"));
    run(0.05);
    EXPECT_EQ(queue_.waitingCount(), 0u);
    EXPECT_EQ(journalCalls("SimConnect_AICreateNonATCAircraft").size(), 1u);
}

TEST_F(SimAiObjectsTest, ACreateWhosePacketIdCannotBeReadEndsTheRun) {
    simworld::WorldSetup setup = aiSetup();
    simworld::FaultSetup fail;
    fail.kind = simworld::FaultKind::failCall;
    fail.function = "SimConnect_GetLastSentPacketID";
    setup.faults.push_back(fail);
    connect(setup);
    const std::uint32_t requestId = g_nextCreateRequestId.load();
    queue_.push(createRequest(50001, "BAW1"));
    run(0.2);
    EXPECT_EQ(
        logCount(fmt::format("==> ! cannot retrieve packetId for create requestId:{}", requestId)),
        1u);
    EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::requestError);
    EXPECT_EQ(link_.objects().pendingCreateCount(), 0u);
    // The simulator's answer no longer matches anything.
    EXPECT_TRUE(logHas(fmt::format("ASSIGNED_OBJECT_ID: requestId:{} oid:{} (no pending)",
                                   requestId, gf_hexidText(100))));
    EXPECT_THAT(drainEvents(), IsEmpty());
}

TEST_F(SimAiObjectsTest, ARemovalIsConfirmedByAnEventOfKindTwo) {
    connect();
    const std::uint32_t id = createOne(60001, "AFR7");
    gf_queueRemoveAIObject(queue_, batch_, id);
    run(0.04);
    EXPECT_FALSE(link_.objects().owns(id)); // no longer owned once the call went out
    EXPECT_TRUE(world_->object(id));        // the simulator takes its time
    EXPECT_THAT(drainEvents(), IsEmpty());
    run(0.1);
    EXPECT_FALSE(world_->object(id));
    EXPECT_THAT(drainEvents(), ElementsAre(SimEvent{id, 0, 0, SimEventKind::objectRemoved, 0, 0}));
}

TEST_F(SimAiObjectsTest, RemovingTheUsersObjectOnlyLogsOneLine) {
    connect();
    g_userObjectId.store(1);
    gf_queueRemoveAIObject(queue_, batch_, 1);
    run(0.05);
    EXPECT_EQ(logCount("==> SimConnect call to remove ac with objectid 1"), 1u);
    EXPECT_THAT(journalCalls("SimConnect_AIRemoveObject"), IsEmpty());
    EXPECT_NE(g_simConnectionState.load(), SimConnectionState::requestError);
    EXPECT_FALSE(stop_.stopRequested());
}

TEST_F(SimAiObjectsTest, ARefusedRemovalEndsTheRun) {
    simworld::WorldSetup setup = aiSetup();
    simworld::FaultSetup fail;
    fail.kind = simworld::FaultKind::failCall;
    fail.function = "SimConnect_AIRemoveObject";
    setup.faults.push_back(fail);
    connect(setup);
    const std::uint32_t id = createOne(60001, "AFR7");
    gf_queueRemoveAIObject(queue_, batch_, id);
    run(0.05);
    EXPECT_EQ(logCount(fmt::format("==> !SimConnect call to remove AI ac from sim failed, id {}?",
                                   gf_hexidText(id))),
              1u);
    EXPECT_EQ(g_simConnectionState.load(), SimConnectionState::requestError);
    EXPECT_TRUE(link_.objects().owns(id));
}

// --- The stop ---

TEST_F(SimAiObjectsTest, AStopRemovesEveryOwnedObjectAndLogsTheCounts) {
    startWorld(aiSetup());
    for (std::uint32_t i = 0; i < 3; ++i) {
        queue_.push(createRequest(70001 + i, fmt::format("KLM{}", i)));
    }
    // The program's own loop, stopped once the three objects are there.
    runClient(linkContext(), [&](SimClient&) { return link_.objects().owned().size() == 3; });

    EXPECT_THAT(world_->aiObjectIds(), IsEmpty());
    EXPECT_EQ(journalCalls("SimConnect_AIRemoveObject").size(), 3u);
    EXPECT_EQ(logCount("SimConnect shutdown cleanup: initially owned 3, remove requested 3, "
                       "confirmed 3, pending removals 0, pending creates 0"),
              1u);
    EXPECT_TRUE(link_.objects().owned().empty());
    EXPECT_EQ(world_->connectionCount(), 0u);
}

TEST_F(SimAiObjectsTest, AStopWaitsTwoSecondsForAnUnconfirmedRemoval) {
    simworld::WorldSetup setup = aiSetup();
    simworld::FaultSetup lost;
    lost.kind = simworld::FaultKind::neverConfirmRemoval;
    lost.nth = 2;
    setup.faults.push_back(lost);
    connect(setup);
    for (std::uint32_t i = 0; i < 3; ++i) {
        queue_.push(createRequest(70001 + i, fmt::format("KLM{}", i)));
    }
    run(0.2);
    ASSERT_EQ(link_.objects().owned().size(), 3u);
    const Clock::SteadyTime start = clock_.steadyNow();
    client_->shutdownCleanup();
    EXPECT_EQ(clock_.steadyNow() - start, std::chrono::seconds(2));
    EXPECT_EQ(logCount("SimConnect shutdown cleanup: initially owned 3, remove requested 3, "
                       "confirmed 2, pending removals 1, pending creates 0"),
              1u);
    // The simulator removed it all the same; only its word never came.
    EXPECT_THAT(world_->aiObjectIds(), IsEmpty());
    EXPECT_TRUE(link_.objects().owned().empty());
}

TEST_F(SimAiObjectsTest, AnObjectAssignedDuringTheStopIsRemovedAtOnceWithoutAnEvent) {
    simworld::WorldSetup setup = aiSetup();
    setup.aiObjects.assignDelaySeconds = 0.5;
    connect(setup);
    queue_.push(createRequest(80001, "OWNED"));
    run(0.6);
    ASSERT_EQ(assignedIds(drainEvents()).size(), 1u);
    queue_.push(createRequest(80002, "LATE"));
    run(0.1); // created, not yet answered
    ASSERT_EQ(link_.objects().pendingCreateCount(), 1u);
    client_->shutdownCleanup();
    EXPECT_EQ(logCount("SimConnect shutdown cleanup: initially owned 1, remove requested 2, "
                       "confirmed 2, pending removals 0, pending creates 0"),
              1u);
    EXPECT_THAT(world_->aiObjectIds(), IsEmpty());
    // Only the removals' events; no assignment reached the traffic step.
    for (const SimEvent& e : drainEvents()) {
        EXPECT_EQ(e.kind, SimEventKind::objectRemoved);
    }
}

TEST_F(SimAiObjectsTest, AStopWaitsForACreateThatIsNeverAnswered) {
    simworld::WorldSetup setup = aiSetup();
    simworld::FaultSetup silent;
    silent.kind = simworld::FaultKind::neverAssign;
    setup.faults.push_back(silent);
    connect(setup);
    queue_.push(createRequest(80001, "SILENT"));
    run(0.3);
    EXPECT_EQ(link_.objects().pendingCreateCount(), 1u);
    EXPECT_THAT(drainEvents(), IsEmpty());
    const Clock::SteadyTime start = clock_.steadyNow();
    client_->shutdownCleanup();
    EXPECT_EQ(clock_.steadyNow() - start, std::chrono::seconds(2));
    EXPECT_EQ(logCount("SimConnect shutdown cleanup: initially owned 0, remove requested 0, "
                       "confirmed 0, pending removals 0, pending creates 1"),
              1u);
    EXPECT_EQ(link_.objects().pendingCreateCount(), 0u);
}

TEST_F(SimAiObjectsTest, AStopLogsARemovalTheSimulatorRefuses) {
    simworld::WorldSetup setup = aiSetup();
    simworld::FaultSetup fail;
    fail.kind = simworld::FaultKind::failCall;
    fail.function = "SimConnect_AIRemoveObject";
    setup.faults.push_back(fail);
    connect(setup);
    const std::uint32_t first = createOne(90001, "ONE");
    const std::uint32_t second = createOne(90002, "TWO");
    client_->shutdownCleanup();
    // The first removal call fails; which object it was depends on the table's order.
    const auto lines = logLines();
    const bool firstFailed =
        std::count(lines.begin(), lines.end(),
                   fmt::format("==> SimConnect shutdown remove failed for object {}",
                               gf_hexidText(first))) == 1;
    const bool secondFailed =
        std::count(lines.begin(), lines.end(),
                   fmt::format("==> SimConnect shutdown remove failed for object {}",
                               gf_hexidText(second))) == 1;
    EXPECT_NE(firstFailed, secondFailed);
    EXPECT_EQ(logCount("SimConnect shutdown cleanup: initially owned 2, remove requested 1, "
                       "confirmed 1, pending removals 0, pending creates 0"),
              1u);
    // The stop goes on: it is no request error.
    EXPECT_NE(g_simConnectionState.load(), SimConnectionState::requestError);
}

} // namespace
} // namespace skyloom::testing
