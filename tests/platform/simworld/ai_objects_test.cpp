// The world's AI aircraft: creates from the livery catalogue answered after the set delay,
// unknown titles and the object cap refused for the create's packet, drifting until frozen,
// removals confirmed after their delay, the two faults (never assign, never confirm a
// removal), the per-object trace and client events, the on-ground flag of written positions,
// the trace file and the last AI report, and the world file's AI sections.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>

#include "foundation/manual_clock.h"
#include "platform/simworld/earth_math.h"
#include "platform/simworld/world_file.h"
#include "support/world_fixture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace skyloom::simworld::testing {
namespace {

using skyloom::testing::readText;
using skyloom::testing::TempDir;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

constexpr const char* kLivery = "Airbus A320 Neo Swiss";

class AiObjectsTest : public WorldTest {
protected:
    static WorldSetup setup() {
        WorldSetup s = gf_runningSetup();
        s.liveries = {{kLivery, "A20N", 7.2, 0.5}, {"Cessna 172 Skyhawk", "C172", 3.1, -2.0}};
        s.aiObjects.assignDelaySeconds = 0.25;
        s.aiObjects.removeDelaySeconds = 0.5;
        return s;
    }
    void startWith(WorldSetup s) {
        start(std::move(s));
        client_.emplace();
        SimConnect_SubscribeToSystemEvent(h(), 202, "ObjectAdded");
        SimConnect_SubscribeToSystemEvent(h(), 203, "ObjectRemoved");
        SimConnect_MapClientEventToSimEvent(h(), 214, "FREEZE_LATITUDE_LONGITUDE_SET");
        SimConnect_MapClientEventToSimEvent(h(), 215, "FREEZE_ALTITUDE_SET");
        SimConnect_MapClientEventToSimEvent(h(), 216, "FREEZE_ATTITUDE_SET");
        SimConnect_MapClientEventToSimEvent(h(), 207, "NAV_LIGHTS_SET");
        for (const char* name : {"Plane Latitude", "Plane Longitude", "Plane Altitude"}) {
            SimConnect_AddToDataDefinition(
                h(), 402, name, name == std::string("Plane Altitude") ? "feet" : "degree");
        }
        client_->dispatch();
    }
    HANDLE h() const { return client_->handle(); }
    // Creates and returns the packet of the create call.
    DWORD create(const char* title, DWORD requestId, DWORD onGround = 0) {
        SIMCONNECT_DATA_INITPOSITION position{47.0, 8.0, 3000, 1, 2, 90, onGround, 180};
        EXPECT_EQ(SimConnect_AICreateNonATCAircraft(h(), title, "HBJXA", position, requestId),
                  S_OK);
        return client_->lastPacket();
    }
    std::vector<SIMCONNECT_RECV_ASSIGNED_OBJECT_ID> assigned(const std::vector<Received>& m) {
        std::vector<SIMCONNECT_RECV_ASSIGNED_OBJECT_ID> out;
        for (const Received& r : gf_ofKind(m, SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID)) {
            out.push_back(r.as<SIMCONNECT_RECV_ASSIGNED_OBJECT_ID>());
        }
        return out;
    }
    std::vector<std::pair<DWORD, DWORD>> exceptions(const std::vector<Received>& m) {
        std::vector<std::pair<DWORD, DWORD>> out; // exception, send id
        for (const Received& r : gf_ofKind(m, SIMCONNECT_RECV_ID_EXCEPTION)) {
            const auto e = r.as<SIMCONNECT_RECV_EXCEPTION>();
            out.emplace_back(e.dwException, e.dwSendID);
        }
        return out;
    }
    std::vector<DWORD> addRemove(const std::vector<Received>& m, DWORD eventId) {
        std::vector<DWORD> ids;
        for (const Received& r : gf_ofKind(m, SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE)) {
            const auto e = r.as<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>();
            if (e.uEventID == eventId) {
                ids.push_back(e.dwData);
            }
        }
        return ids;
    }
    DWORD createAndAssign(const char* title = kLivery, DWORD requestId = 10000) {
        create(title, requestId);
        advance(0.25);
        const auto ids = assigned(client_->dispatch());
        EXPECT_THAT(ids, SizeIs(1));
        return ids.empty() ? 0 : ids[0].dwObjectID;
    }
    void write(DWORD objectId, double lat, double lon, double alt) {
        double data[3] = {lat, lon, alt};
        ASSERT_EQ(SimConnect_SetDataOnSimObject(h(), 402, objectId, 0, 0, sizeof data, data), S_OK);
    }
    // Removes the object, lets the removal go through and ends the world.
    void removeAndEnd(DWORD objectId) {
        SimConnect_AIRemoveObject(h(), objectId, 104);
        advance(0.5);
        client_->dispatch();
        world_->end();
    }
    std::optional<TestClient> client_;
};

TEST_F(AiObjectsTest, ACreateOfAnInstalledLiveryIsAnsweredAfterTheDelay) {
    startWith(setup());
    create("airbus a320 neo SWISS", 10000); // titles match without regard to case
    advance(0.2);
    EXPECT_THAT(assigned(client_->dispatch()), IsEmpty());
    EXPECT_EQ(world_->pendingAssignments(), 1u);
    advance(0.05);
    const auto messages = client_->dispatch();
    const auto ids = assigned(messages);
    ASSERT_THAT(ids, SizeIs(1));
    EXPECT_EQ(ids[0].dwRequestID, 10000u);
    EXPECT_EQ(ids[0].dwObjectID, 100u);
    EXPECT_THAT(addRemove(messages, 202), ElementsAre(100u));
    const auto object = world_->object(100);
    ASSERT_TRUE(object);
    EXPECT_EQ(object->title, kLivery);
    EXPECT_EQ(object->atcModel, "A20N");
    EXPECT_EQ(object->atcId, "HBJXA");
    EXPECT_DOUBLE_EQ(object->latitudeDeg, 47.0);
    EXPECT_DOUBLE_EQ(object->altitudeFeet, 3000);
    EXPECT_NEAR(object->headingTrueRad, std::numbers::pi / 2, 1e-12);
    EXPECT_NEAR(object->pitchRad, std::numbers::pi / 180, 1e-12);
    EXPECT_DOUBLE_EQ(object->trueAirspeedKnots, 180);
    EXPECT_DOUBLE_EQ(object->staticCgToGroundFeet, 7.2);
    EXPECT_NEAR(object->staticPitchRad, 0.5 * std::numbers::pi / 180, 1e-12);
    EXPECT_THAT(world_->aiObjectIds(), ElementsAre(100u));
    EXPECT_THAT(world_->journalLines(),
                Contains(HasSubstr("object 100 created for request 10000 (\"Airbus A320 Neo "
                                   "Swiss\")")));
}

TEST_F(AiObjectsTest, EachTitleBringsItsOwnCentreOfGravityAndPitchOnTheGround) {
    startWith(setup());
    create("Cessna 172 Skyhawk", 10001, 1);
    advance(0.25);
    client_->dispatch();
    const auto object = world_->object(100);
    ASSERT_TRUE(object);
    EXPECT_EQ(object->atcModel, "C172");
    EXPECT_TRUE(object->onGround);
    EXPECT_DOUBLE_EQ(object->altitudeFeet, object->groundAltitudeFeet);
    EXPECT_DOUBLE_EQ(object->staticCgToGroundFeet, 3.1);
    EXPECT_NEAR(object->staticPitchRad, -2.0 * std::numbers::pi / 180, 1e-12);
    // The static values as the program asks for them.
    SimConnect_AddToDataDefinition(h(), 405, "Static CG to Ground", "feet");
    SimConnect_AddToDataDefinition(h(), 405, "Static Pitch", "degrees");
    SimConnect_RequestDataOnSimObject(h(), 102, 405, 100, SIMCONNECT_PERIOD_ONCE);
    const auto data = gf_ofKind(client_->dispatch(), SIMCONNECT_RECV_ID_SIMOBJECT_DATA);
    ASSERT_THAT(data, SizeIs(1));
    EXPECT_DOUBLE_EQ(data[0].dataAt<double>(SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE), 3.1);
    EXPECT_NEAR(data[0].dataAt<double>(SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE + 8), -2.0,
                1e-12);
}

TEST_F(AiObjectsTest, AnUnknownTitleAndTheCapFailTheCreateForItsPacket) {
    WorldSetup s = setup();
    s.aiObjects.maxObjects = 2;
    startWith(s);
    const DWORD unknown = create("Boeing 747 Nowhere", 10000);
    const DWORD first = create(kLivery, 10001);
    const DWORD second = create(kLivery, 10002);
    const DWORD third = create(kLivery, 10003); // the cap counts creates still waiting
    auto messages = client_->dispatch();
    EXPECT_THAT(
        exceptions(messages),
        ElementsAre(std::pair<DWORD, DWORD>{SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, unknown},
                    std::pair<DWORD, DWORD>{SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS, third},
                    std::pair<DWORD, DWORD>{SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, third}));
    EXPECT_NE(first, second);
    advance(0.25);
    messages = client_->dispatch();
    ASSERT_THAT(assigned(messages), SizeIs(2));
    EXPECT_EQ(assigned(messages)[0].dwRequestID, 10001u);
    EXPECT_EQ(assigned(messages)[1].dwRequestID, 10002u);
    // A removal makes room again once it is done.
    SimConnect_AIRemoveObject(h(), 100, 104);
    create(kLivery, 10004);
    EXPECT_THAT(exceptions(client_->dispatch()), SizeIs(2));
    advance(0.5);
    client_->dispatch();
    create(kLivery, 10005);
    EXPECT_THAT(exceptions(client_->dispatch()), IsEmpty());
    // The creates refused for want of room (the unknown title is no such refusal).
    EXPECT_EQ(world_->refusedCreates(), 2u);

    // A world that sends a refusal's two exceptions the other way round.
    s.aiObjects.tooManyObjectsLast = true;
    startWith(s);
    create(kLivery, 10006);
    create(kLivery, 10007);
    const DWORD refused = create(kLivery, 10008);
    EXPECT_THAT(
        exceptions(client_->dispatch()),
        ElementsAre(std::pair<DWORD, DWORD>{SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, refused},
                    std::pair<DWORD, DWORD>{SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS, refused}));
    EXPECT_EQ(world_->refusedCreates(), 1u);
}

TEST_F(AiObjectsTest, AnObjectDriftsUntilItIsFrozenThenOnlyWritesMoveIt) {
    WorldSetup s = setup();
    s.aiObjects.driftKnots = 360;         // 0.1 NM a second
    s.aiObjects.driftFeetPerMinute = 600; // 10 ft a second
    s.aiObjects.driftDegreesPerSecond = 2;
    startWith(s);
    const DWORD id = createAndAssign();
    const ObjectState before = *world_->object(id);
    advance(1.0);
    const ObjectState drifted = *world_->object(id);
    // Heading 90: east, climbing, turning right.
    EXPECT_NEAR(drifted.latitudeDeg, before.latitudeDeg, 1e-4);
    EXPECT_NEAR(gf_earthDistanceNm(before.latitudeDeg, before.longitudeDeg, drifted.latitudeDeg,
                                   drifted.longitudeDeg),
                0.1, 0.002);
    EXPECT_NEAR(drifted.altitudeFeet - before.altitudeFeet, 10.0, 0.5);
    EXPECT_NEAR((drifted.headingTrueRad - before.headingTrueRad) * 180 / std::numbers::pi, 2.0,
                0.1);

    SimConnect_TransmitClientEvent(h(), id, 214, 1, 301, 0);
    SimConnect_TransmitClientEvent(h(), id, 215, 1, 301, 0);
    SimConnect_TransmitClientEvent(h(), id, 216, 1, 301, 0);
    advance(0.05);
    write(id, 47.5, 8.5, 4000);
    advance(1.0);
    const ObjectState frozen = *world_->object(id);
    EXPECT_EQ(frozen.latitudeDeg, 47.5);
    EXPECT_EQ(frozen.longitudeDeg, 8.5);
    EXPECT_EQ(frozen.altitudeFeet, 4000);
    // The trace: created, drifted on every frame until frozen, then the one write.
    const std::vector<TracePoint> trace = world_->trace(id);
    ASSERT_GE(trace.size(), 3u);
    EXPECT_EQ(trace.front().source, TraceSource::created);
    EXPECT_EQ(trace.back().source, TraceSource::written);
    const auto drifts = std::count_if(trace.begin(), trace.end(), [](const TracePoint& p) {
        return p.source == TraceSource::drifted;
    });
    EXPECT_EQ(drifts, 30); // the frames of 0.27 s to 1.23 s
    // Unfreezing one axis lets it drift again.
    SimConnect_TransmitClientEvent(h(), id, 215, 0, 301, 0);
    advance(1.0);
    EXPECT_NEAR(world_->object(id)->altitudeFeet, 4010, 0.5);
    EXPECT_EQ(world_->object(id)->latitudeDeg, 47.5);
}

TEST_F(AiObjectsTest, ClientEventsAndReleaseAreRecordedPerObject) {
    startWith(setup());
    const DWORD id = createAndAssign();
    SimConnect_AIReleaseControl(h(), id, 103);
    SimConnect_TransmitClientEvent(h(), id, 207, 1, 301, 0);
    advance(0.5);
    SimConnect_TransmitClientEvent(h(), id, 207, 0, 301, 0);
    const auto record = world_->aiObject(id);
    ASSERT_TRUE(record);
    EXPECT_TRUE(record->released);
    EXPECT_EQ(record->requestId, 10000u);
    const auto events = world_->clientEvents(id);
    ASSERT_THAT(events, SizeIs(2));
    EXPECT_EQ(events[0].event, "NAV_LIGHTS_SET");
    EXPECT_EQ(events[0].value, 1u);
    EXPECT_EQ(events[1].value, 0u);
    EXPECT_NEAR(events[1].seconds - events[0].seconds, 0.5, 1e-9);
}

TEST_F(AiObjectsTest, ARemovalIsConfirmedAfterItsDelayAndOnlyOnce) {
    startWith(setup());
    const DWORD id = createAndAssign();
    ASSERT_EQ(SimConnect_AIRemoveObject(h(), id, 104), S_OK);
    ASSERT_EQ(SimConnect_AIRemoveObject(h(), id, 104), S_OK); // being removed already
    advance(0.49);
    EXPECT_THAT(addRemove(client_->dispatch(), 203), IsEmpty());
    EXPECT_TRUE(world_->object(id));
    advance(0.01);
    const auto messages = client_->dispatch();
    EXPECT_THAT(addRemove(messages, 203), ElementsAre(id));
    EXPECT_THAT(exceptions(messages), IsEmpty());
    EXPECT_FALSE(world_->object(id));
    EXPECT_THAT(world_->aiObjectIds(), IsEmpty());
}

TEST_F(AiObjectsTest, TheFaultsLoseAnAssignmentAndARemovalConfirmation) {
    WorldSetup s = setup();
    FaultSetup neverAssign;
    neverAssign.kind = FaultKind::neverAssign;
    neverAssign.nth = 2;
    s.faults.push_back(neverAssign);
    FaultSetup neverConfirm;
    neverConfirm.kind = FaultKind::neverConfirmRemoval;
    s.faults.push_back(neverConfirm);
    startWith(s);
    create(kLivery, 10000);
    create(kLivery, 10001); // never answered
    create(kLivery, 10002);
    advance(1.0);
    const auto ids = assigned(client_->dispatch());
    ASSERT_THAT(ids, SizeIs(2));
    EXPECT_EQ(ids[0].dwRequestID, 10000u);
    EXPECT_EQ(ids[1].dwRequestID, 10002u);
    EXPECT_EQ(world_->pendingAssignments(), 0u);
    SimConnect_AIRemoveObject(h(), ids[0].dwObjectID, 104);
    SimConnect_AIRemoveObject(h(), ids[1].dwObjectID, 104);
    advance(1.0);
    // The first removal's word is lost; the object is gone all the same.
    EXPECT_THAT(addRemove(client_->dispatch(), 203), ElementsAre(ids[1].dwObjectID));
    EXPECT_THAT(world_->aiObjectIds(), IsEmpty());
    EXPECT_THAT(world_->journalLines(), Contains(HasSubstr("(fault neverAssign: never answered)")));
    EXPECT_THAT(world_->journalLines(),
                Contains(HasSubstr(fmt::format("object {} removed (fault neverConfirmRemoval",
                                               ids[0].dwObjectID))));
}

// A simulator that quits takes every AI object with it, the create still waiting too; nobody
// is told, and the trace shows each removed at the quit. After a launch the ids go on.
TEST_F(AiObjectsTest, AQuittingSimulatorTakesEveryCreatedObjectWithIt) {
    WorldSetup s = setup();
    for (const auto& [at, kind] :
         {std::pair{2.0, TimelineEventKind::quit}, std::pair{3.0, TimelineEventKind::launch}}) {
        TimelineEvent event;
        event.atSeconds = at;
        event.kind = kind;
        s.timeline.push_back(event);
    }
    startWith(s);
    const DWORD first = createAndAssign(kLivery, 10000);
    const DWORD second = createAndAssign(kLivery, 10001);
    advance(1.4);
    create(kLivery, 10002);                     // due at 2.15 s, after the quit
    SimConnect_AIRemoveObject(h(), first, 104); // due at 2.4 s
    const double quitAt = 2.0;
    advance(0.1);
    const auto messages = client_->dispatch();
    EXPECT_THAT(gf_ofKind(messages, SIMCONNECT_RECV_ID_QUIT), SizeIs(1));
    EXPECT_THAT(addRemove(messages, 203), IsEmpty());
    EXPECT_THAT(assigned(messages), IsEmpty());
    EXPECT_THAT(world_->aiObjectIds(), IsEmpty());
    EXPECT_EQ(world_->pendingAssignments(), 0u);
    for (const DWORD id : {first, second}) {
        EXPECT_FALSE(world_->object(id));
        const std::vector<TracePoint> trace = world_->trace(id);
        ASSERT_FALSE(trace.empty());
        EXPECT_EQ(trace.back().source, TraceSource::removed);
        EXPECT_DOUBLE_EQ(trace.back().seconds, quitAt);
    }
    EXPECT_THAT(world_->journalLines(),
                Contains(HasSubstr("2 AI objects and 1 create waiting go with the simulator")));

    advance(1.5);
    client_.emplace();
    const DWORD third = createAndAssign(kLivery, 10003);
    EXPECT_GT(third, second);
    EXPECT_THAT(world_->aiObjectIds(), ElementsAre(third));
}

TEST_F(AiObjectsTest, WritesToTheUserAircraftAreTracedAsIgnored) {
    startWith(setup());
    const DWORD id = createAndAssign();
    write(id, 47.1, 8.1, 3100);
    write(id, 47.1, 8.1, 3100); // the same place once more is no new point
    EXPECT_THAT(world_->trace(SIMCONNECT_OBJECT_ID_USER), IsEmpty());
    write(SIMCONNECT_OBJECT_ID_USER, 10, 10, 10);
    const auto user = world_->trace(SIMCONNECT_OBJECT_ID_USER);
    ASSERT_THAT(user, SizeIs(1));
    EXPECT_EQ(user[0].source, TraceSource::userWriteIgnored);
    EXPECT_EQ(user[0].latitudeDeg, 10);
    EXPECT_THAT(world_->trace(id), SizeIs(2)); // created and one write
    EXPECT_NE(world_->userAircraft().latitudeDeg, 10);
}

TEST_F(AiObjectsTest, TheTraceKeepsItsNewestPoints) {
    WorldSetup s = setup();
    s.aiObjects.tracePointsPerObject = 3;
    startWith(s);
    const DWORD id = createAndAssign();
    for (int i = 1; i <= 5; ++i) {
        write(id, 47.0 + i * 0.001, 8.0, 3000);
    }
    const auto trace = world_->trace(id);
    ASSERT_THAT(trace, SizeIs(3));
    EXPECT_DOUBLE_EQ(trace.front().latitudeDeg, 47.003);
    EXPECT_DOUBLE_EQ(trace.back().latitudeDeg, 47.005);
}

TEST_F(AiObjectsTest, AWrittenPositionIsOnTheGroundUpToTheCgHeightAndAHalfFoot) {
    startWith(setup());
    const DWORD id = createAndAssign(); // the livery's CG stands 7.2 ft above the ground
    const double ground = world_->userAircraft().groundAltitudeFeet;
    const std::vector<std::pair<double, bool>> cases = {
        {ground + 500, false}, {ground + 7.6, true}, {ground + 7.8, false},
        {ground - 3, true},    {ground + 7.2, true}, {ground + 40, false},
    };
    for (const auto& [altitude, onGround] : cases) {
        SCOPED_TRACE(altitude - ground);
        write(id, 47.0, 8.0, altitude);
        EXPECT_EQ(world_->object(id)->onGround, onGround);
    }
}

TEST_F(AiObjectsTest, TheTraceFileThinsPointsButKeepsEveryOnGroundChange) {
    const TempDir dir;
    WorldSetup s = setup();
    s.aiObjects.traceFile = (dir / "trace.txt").string();
    s.aiObjects.traceEverySeconds = 1;
    startWith(s);
    const double ground = world_->userAircraft().groundAltitudeFeet;
    const DWORD id = createAndAssign(); // at 0.25 s
    write(id, 47.001, 8.0, 3000);       // too soon after the created line
    advance(0.5);
    write(id, 47.002, 8.0, 2000); // still too soon
    advance(0.5);
    write(id, 47.003, 8.0, 1000); // a second after the last line
    advance(0.1);
    write(id, 47.004, 8.0, ground + 7); // touches down
    advance(0.1);
    write(id, 47.005, 8.0, ground + 7); // on the ground as before, too soon
    removeAndEnd(id);

    std::istringstream text(readText(dir / "trace.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    const std::string place = fmt::format(";{};{:.1f};90.0;1", "8.0000000", ground + 7);
    EXPECT_THAT(lines,
                ElementsAre(fmt::format("0.25;{};created;47.0000000;8.0000000;3000.0;90.0;0", id),
                            fmt::format("1.25;{};written;47.0030000;8.0000000;1000.0;90.0;0", id),
                            fmt::format("1.35;{};written;47.0040000{}", id, place),
                            fmt::format("1.95;{};removed;47.0050000{}", id, place)));
}

TEST(AiTraceFileTest, AnUnwritableTraceFileMakesTheWorldUnusable) {
    ManualClock clock;
    WorldSetup s = gf_runningSetup();
    s.aiObjects.traceFile = "/nonexistent-folder/trace.txt";
    try {
        World world(s, clock);
        ADD_FAILURE() << "accepted";
    } catch (const std::invalid_argument& e) {
        EXPECT_THAT(e.what(), HasSubstr("cannot write the trace file "
                                        "\"/nonexistent-folder/trace.txt\": No such file"));
    }
}

TEST_F(AiObjectsTest, TheWorldsEndWritesTheLastReportWithEveryObjectAndItsAtcId) {
    const TempDir dir;
    WorldSetup s = setup();
    s.aiObjects.reportFile = (dir / "report.txt").string();
    s.aiObjects.reportEverySeconds = 3600;
    startWith(s);
    const DWORD gone = createAndAssign(kLivery, 1);
    const DWORD stays = createAndAssign(kLivery, 2);
    removeAndEnd(gone);
    EXPECT_EQ(readText(dir / "report.txt"),
              fmt::format("{};{};0.25;1.00;0;0.000;47.000000;8.000000;3000;HBJXA\n"
                          "{};{};0.50;-1.00;0;0.000;47.000000;8.000000;3000;HBJXA\n",
                          gone, kLivery, stays, kLivery));
}

TEST(AiWorldFileTest, TheAiSectionsAreReadAndChecked) {
    const WorldSetup s = gf_parseWorldText(R"({
        "liveries": [ { "title": "Airbus A320 Neo Swiss", "atcModel": "A20N",
                        "staticCgToGroundFeet": 7.2, "staticPitchDegrees": 0.5 },
                      { "title": "Cessna 172" } ],
        "aiObjects": { "assignDelaySeconds": 0.3, "removeDelaySeconds": 0.2, "maxObjects": 50,
                       "tooManyObjectsLast": true, "firstObjectId": 500, "driftKnots": 10, "driftFeetPerMinute": -100,
                       "driftDegreesPerSecond": 1.5, "tracePointsPerObject": 20,
                       "traceFile": "trace.txt", "traceEverySeconds": 0 },
        "faults": [ { "kind": "neverAssign", "nth": 3 },
                    { "kind": "neverConfirmRemoval", "client": "Skyloom", "count": 2 } ]
    })",
                                           "ai.json");
    ASSERT_THAT(s.liveries, SizeIs(2));
    EXPECT_EQ(s.liveries[0].atcModel, "A20N");
    EXPECT_EQ(s.liveries[0].staticPitchDeg, 0.5);
    EXPECT_EQ(s.liveries[1].staticCgToGroundFeet, 0.0);
    EXPECT_EQ(s.aiObjects.assignDelaySeconds, 0.3);
    EXPECT_EQ(s.aiObjects.removeDelaySeconds, 0.2);
    EXPECT_EQ(s.aiObjects.maxObjects, 50u);
    EXPECT_TRUE(s.aiObjects.tooManyObjectsLast);
    EXPECT_EQ(s.aiObjects.firstObjectId, 500u);
    EXPECT_EQ(s.aiObjects.driftFeetPerMinute, -100);
    EXPECT_EQ(s.aiObjects.tracePointsPerObject, 20u);
    EXPECT_EQ(s.aiObjects.traceFile, "trace.txt");
    EXPECT_EQ(s.aiObjects.traceEverySeconds, 0);
    ASSERT_THAT(s.faults, SizeIs(2));
    EXPECT_EQ(s.faults[0].kind, FaultKind::neverAssign);
    EXPECT_EQ(s.faults[0].nth, 3u);
    EXPECT_EQ(s.faults[1].kind, FaultKind::neverConfirmRemoval);
    EXPECT_EQ(s.faults[1].client, "Skyloom");
    EXPECT_EQ(s.faults[1].count, 2u);

    const std::vector<std::pair<std::string, std::string>> bad = {
        {R"({"liveries": [ { "atcModel": "A20N" } ]})",
         "ai.json: /liveries/0: \"title\" is missing"},
        {R"({"liveries": [ { "title": "" } ]})",
         "ai.json: /liveries/0/title: a livery needs a title"},
        {R"({"liveries": [ { "title": "A" }, { "title": "a" } ]})",
         "ai.json: /liveries/1/title: \"a\" is given twice"},
        {R"({"liveries": [ { "title": "A", "tilte": "B" } ]})",
         "ai.json: /liveries/0/tilte: unknown key"},
        {R"({"aiObjects": { "assignDelaySeconds": -1 }})",
         "ai.json: /aiObjects/assignDelaySeconds: -1 is outside 0 to 3600"},
        {R"({"aiObjects": { "firstObjectId": 0 }})",
         "ai.json: /aiObjects/firstObjectId: 0 is outside 1 to 4294967295"},
        {R"({"aiObjects": { "maxObjects": 2.5 }})",
         "ai.json: /aiObjects/maxObjects: a whole number is expected here"},
        {R"({"aiObjects": { "traceFile": "" }})", "ai.json: /aiObjects/traceFile: names no file"},
        {R"({"aiObjects": { "traceEverySeconds": -1 }})",
         "ai.json: /aiObjects/traceEverySeconds: -1 is outside 0 to 3600"},
        {R"({"faults": [ { "kind": "neverAssign", "function": "SimConnect_Open" } ]})",
         "ai.json: /faults/0/function: not used by a neverAssign fault"},
    };
    for (const auto& [text, error] : bad) {
        SCOPED_TRACE(text);
        try {
            gf_parseWorldText(text, "ai.json");
            ADD_FAILURE() << "accepted";
        } catch (const WorldFileError& e) {
            EXPECT_EQ(std::string(e.what()), error);
        }
    }
}

TEST(AiWorldFileTest, NegativeDelaysCannotBeRun) {
    ManualClock clock;
    WorldSetup s;
    s.aiObjects.removeDelaySeconds = -0.1;
    EXPECT_THROW((World{s, clock}), std::invalid_argument);
}

} // namespace
} // namespace skyloom::simworld::testing
