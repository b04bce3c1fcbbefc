// Writing data to objects, client events on objects, and the AI calls on the objects of the
// world file: release, remove (with its ObjectRemoved event), flight plans and creates.
#include <fstream>
#include <numbers>

#include <gmock/gmock.h>

#include "support/world_fixture.h"
#include "tests/support/temp_dir.h"

namespace skyloom::simworld::testing {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

class ObjectsTest : public WorldTest {
protected:
    void SetUp() override {
        WorldSetup setup = gf_runningSetup();
        WorldObjectSetup parked;
        parked.objectId = 300;
        parked.title = "Boeing 737-800 Asobo";
        parked.atcId = "DABCD";
        parked.latitudeDeg = 47.001;
        parked.longitudeDeg = 0.001;
        setup.objects.push_back(parked);
        start(setup);
        client_.emplace();
        client_->dispatch();
    }
    HANDLE h() const { return client_->handle(); }
    std::vector<SIMCONNECT_RECV_EXCEPTION> exceptions() {
        std::vector<SIMCONNECT_RECV_EXCEPTION> out;
        for (const Received& m : gf_ofKind(client_->dispatch(), SIMCONNECT_RECV_ID_EXCEPTION)) {
            out.push_back(m.as<SIMCONNECT_RECV_EXCEPTION>());
        }
        return out;
    }
    std::optional<TestClient> client_;
};

TEST_F(ObjectsTest, SetDataMovesAnObjectAndReadsBack) {
    SimConnect_AddToDataDefinition(h(), 402, "Plane Latitude", "degree");
    SimConnect_AddToDataDefinition(h(), 402, "Plane Longitude", "degree");
    SimConnect_AddToDataDefinition(h(), 402, "Plane Heading degrees true", "radian");
    SimConnect_AddToDataDefinition(h(), 402, "Plane Altitude", "meters");
    const double values[] = {47.5, -122.25, std::numbers::pi / 2, 100.0};
    ASSERT_EQ(SimConnect_SetDataOnSimObject(h(), 402, 300, 0, 0, sizeof values,
                                            const_cast<double*>(values)),
              S_OK);
    EXPECT_TRUE(exceptions().empty());
    const auto object = world_->object(300);
    ASSERT_TRUE(object);
    EXPECT_DOUBLE_EQ(object->latitudeDeg, 47.5);
    EXPECT_DOUBLE_EQ(object->longitudeDeg, -122.25);
    EXPECT_DOUBLE_EQ(object->headingTrueRad, std::numbers::pi / 2);
    EXPECT_NEAR(object->altitudeFeet, 328.084, 0.001);

    SimConnect_RequestDataOnSimObject(h(), 9, 402, 300, SIMCONNECT_PERIOD_ONCE);
    const auto data = gf_ofKind(client_->dispatch(), SIMCONNECT_RECV_ID_SIMOBJECT_DATA);
    ASSERT_EQ(data.size(), 1u);
    EXPECT_DOUBLE_EQ(data[0].dataAt<double>(SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE + 24),
                     100.0);
}

TEST_F(ObjectsTest, SetDataRefusals) {
    SimConnect_AddToDataDefinition(h(), 401, "SPOILERS HANDLE POSITION", "percent");
    SimConnect_AddToDataDefinition(h(), 405, "Static CG to Ground", "feet");
    client_->dispatch();
    double three[3] = {100, 100, 100};
    double one[1] = {5};
    struct Case {
        DWORD define;
        DWORD object;
        DWORD size;
        double* data;
        DWORD exception;
        DWORD index;
    };
    const Case cases[] = {
        {401, 300, sizeof three, three, SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE, 6},
        {405, 300, sizeof one, one, SIMCONNECT_EXCEPTION_DATA_ERROR, 7},
        {499, 300, sizeof one, one, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2},
        {401, 301, sizeof one, one, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 3},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(SimConnect_SetDataOnSimObject(h(), c.define, c.object, 0, 0, c.size, c.data),
                  S_OK);
        const DWORD packet = client_->lastPacket();
        const auto found = exceptions();
        ASSERT_EQ(found.size(), 1u) << c.define;
        EXPECT_EQ(found[0].dwException, c.exception);
        EXPECT_EQ(found[0].dwIndex, c.index);
        EXPECT_EQ(found[0].dwSendID, packet);
    }
    EXPECT_DOUBLE_EQ(world_->object(300)->spoilersHandlePercent, 0.0); // nothing was written
    EXPECT_EQ(SimConnect_SetDataOnSimObject(h(), 401, 300, 0, 0, 8, nullptr), E_POINTER);
    // The user aircraft follows its track; a write is taken and ignored.
    EXPECT_EQ(
        SimConnect_SetDataOnSimObject(h(), 401, SIMCONNECT_OBJECT_ID_USER, 0, 0, sizeof one, one),
        S_OK);
    EXPECT_TRUE(exceptions().empty());
    EXPECT_THAT(world_->journalLines(),
                Contains(HasSubstr("ignored: the user aircraft follows its track")));
}

TEST_F(ObjectsTest, ClientEventsReachTheirObject) {
    SimConnect_MapClientEventToSimEvent(h(), 207, "NAV_LIGHTS_SET");
    ASSERT_EQ(SimConnect_TransmitClientEvent(h(), 300, 207, 1, 301, 0), S_OK);
    ASSERT_EQ(SimConnect_TransmitClientEvent(h(), SIMCONNECT_OBJECT_ID_USER, 207, 0, 301, 0), S_OK);
    EXPECT_TRUE(exceptions().empty());
    EXPECT_EQ(world_->object(300)->lastEventValues.at("NAV_LIGHTS_SET"), 1u);
    EXPECT_EQ(world_->userAircraft().lastEventValues.at("NAV_LIGHTS_SET"), 0u);
}

TEST_F(ObjectsTest, RemovingAnObjectAnnouncesIt) {
    SimConnect_SubscribeToSystemEvent(h(), 203, "ObjectRemoved");
    TestClient other("Other");
    SimConnect_SubscribeToSystemEvent(other.handle(), 77, "ObjectRemoved");
    other.dispatch();
    ASSERT_EQ(SimConnect_AIReleaseControl(h(), 300, 103), S_OK);
    ASSERT_EQ(SimConnect_AIRemoveObject(h(), 300, 104), S_OK);
    for (TestClient* client : {&*client_, &other}) {
        const auto events =
            gf_ofKind(client->dispatch(), SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE);
        ASSERT_EQ(events.size(), 1u);
        const auto event = events[0].as<SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE>();
        EXPECT_EQ(event.dwData, 300u);
        EXPECT_EQ(event.eObjType, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
        EXPECT_EQ(event.uEventID, client == &other ? 77u : 203u);
    }
    EXPECT_FALSE(world_->object(300));
    ASSERT_EQ(SimConnect_AIRemoveObject(h(), 300, 104), S_OK);
    const auto again = exceptions();
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].dwException, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID);
}

TEST_F(ObjectsTest, TheUserAircraftIsNoAiObject) {
    for (const auto& call : std::vector<std::function<HRESULT()>>{
             [&] { return SimConnect_AIRemoveObject(h(), SIMCONNECT_OBJECT_ID_USER, 104); },
             [&] { return SimConnect_AIReleaseControl(h(), 1, 103); },
             [&] { return SimConnect_AISetAircraftFlightPlan(h(), 1, "x.pln", 109); }}) {
        ASSERT_EQ(call(), S_OK);
        const auto found = exceptions();
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].dwException, SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE);
    }
    EXPECT_TRUE(world_->object(1));
}

TEST_F(ObjectsTest, FlightPlanFileMustExist) {
    skyloom::testing::TempDir dir;
    const auto plan = dir / "300.pln";
    std::ofstream(plan) << "<SimBase.Document/>";
    ASSERT_EQ(SimConnect_AISetAircraftFlightPlan(h(), 300, plan.string().c_str(), 109), S_OK);
    EXPECT_TRUE(exceptions().empty());
    const auto missing = (dir / "301.pln").string();
    ASSERT_EQ(SimConnect_AISetAircraftFlightPlan(h(), 300, missing.c_str(), 109), S_OK);
    const DWORD packet = client_->lastPacket();
    const auto found = exceptions();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].dwException, SIMCONNECT_EXCEPTION_LOAD_FLIGHTPLAN_FAILED);
    EXPECT_EQ(found[0].dwSendID, packet);
}

TEST_F(ObjectsTest, CreateOfAnUnknownTitleFailsForItsPacket) {
    SIMCONNECT_DATA_INITPOSITION position{47.0, 8.0, 1400, 0, 0, 90, 1, 0};
    ASSERT_EQ(SimConnect_AICreateNonATCAircraft(h(), "No Such Livery", "SWR12", position, 10000),
              S_OK);
    DWORD packet = 0;
    ASSERT_EQ(SimConnect_GetLastSentPacketID(h(), &packet), S_OK);
    const auto messages = client_->dispatch();
    ASSERT_EQ(messages.size(), 1u);
    const auto exception = messages[0].as<SIMCONNECT_RECV_EXCEPTION>();
    EXPECT_EQ(exception.dwException, SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED);
    EXPECT_EQ(exception.dwSendID, packet);
    EXPECT_TRUE(gf_ofKind(messages, SIMCONNECT_RECV_ID_ASSIGNED_OBJECT_ID).empty());
    EXPECT_EQ(SimConnect_GetLastSentPacketID(h(), nullptr), E_POINTER);
}

} // namespace
} // namespace skyloom::simworld::testing
