// Opening and closing connections, the OPEN message, the "Sim" state on subscribing, and
// the rule that what a callback causes waits for a later dispatch.
#include <gmock/gmock.h>

#include "support/world_fixture.h"

namespace skyloom::simworld::testing {
namespace {

using ::testing::HasSubstr;

class ConnectionTest : public WorldTest {};

TEST_F(ConnectionTest, OpenFailsWithoutAnInstalledWorld) {
    HANDLE h = reinterpret_cast<HANDLE>(0x1234);
    EXPECT_EQ(SimConnect_Open(&h, "Skyloom", nullptr, 0, nullptr, 0), E_FAIL);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(SimConnect_Open(nullptr, "Skyloom", nullptr, 0, nullptr, 0), E_POINTER);
}

TEST_F(ConnectionTest, OpenRefusedTwiceThenAccepted) {
    WorldSetup setup;
    FaultSetup refuse;
    refuse.kind = FaultKind::refuseOpen;
    refuse.count = 2;
    setup.faults.push_back(refuse);
    World& world = start(setup);

    for (int attempt = 1; attempt <= 2; ++attempt) {
        TestClient refused;
        EXPECT_FALSE(refused.opened()) << "attempt " << attempt;
        EXPECT_EQ(refused.openResult(), E_FAIL);
        advance(0.1);
    }
    TestClient client;
    ASSERT_TRUE(client.opened());
    const auto messages = client.dispatch();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].id, SIMCONNECT_RECV_ID_OPEN);

    const auto lines = world.journalLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(
        lines[0],
        "    0.000 -- > SimConnect_Open(\"Skyloom\", config=0) = 0x80004005 (fault refuseOpen)");
    EXPECT_EQ(
        lines[1],
        "    0.100 -- > SimConnect_Open(\"Skyloom\", config=0) = 0x80004005 (fault refuseOpen)");
    EXPECT_EQ(lines[2], "    0.200 c1 > SimConnect_Open(\"Skyloom\", config=0) = S_OK #1");
    EXPECT_THAT(lines[3], HasSubstr("c1 < OPEN \"KittyHawk\""));
}

TEST_F(ConnectionTest, OpenRefusedUntilATime) {
    WorldSetup setup;
    FaultSetup refuse;
    refuse.kind = FaultKind::refuseOpen;
    refuse.untilSeconds = 5.0;
    refuse.result = static_cast<HRESULT>(0x80070002u);
    setup.faults.push_back(refuse);
    start(setup);

    advance(4.9);
    EXPECT_EQ(TestClient().openResult(), static_cast<HRESULT>(0x80070002u));
    advance(0.1);
    EXPECT_TRUE(TestClient().opened());
}

TEST_F(ConnectionTest, SimulatorStateDecidesWhetherOpenSucceeds) {
    struct Case {
        bool running;
        bool accepts;
        HRESULT expected;
    };
    for (const Case c :
         {Case{true, true, S_OK}, Case{false, true, E_FAIL}, Case{true, false, E_FAIL}}) {
        WorldSetup setup;
        setup.simulator.running = c.running;
        setup.simulator.acceptConnections = c.accepts;
        start(setup);
        EXPECT_EQ(TestClient().openResult(), c.expected) << c.running << c.accepts;
    }
}

TEST_F(ConnectionTest, OpenMessageCarriesTheIdentity) {
    WorldSetup setup;
    setup.simulator.applicationName = kMsfs2024Name;
    setup.simulator.applicationVersion = {12, 1, 282174, 5};
    setup.simulator.simConnectVersion = {12, 0, 1, 2};
    start(setup);
    TestClient client;
    const auto messages = client.dispatch();
    ASSERT_EQ(messages.size(), 1u);
    ASSERT_EQ(messages[0].size, sizeof(SIMCONNECT_RECV_OPEN));
    const auto open = messages[0].as<SIMCONNECT_RECV_OPEN>();
    EXPECT_EQ(open.size, sizeof(SIMCONNECT_RECV_OPEN));
    EXPECT_STREQ(open.szApplicationName, "SunRise");
    EXPECT_EQ(open.dwApplicationVersionMajor, 12u);
    EXPECT_EQ(open.dwApplicationVersionMinor, 1u);
    EXPECT_EQ(open.dwApplicationBuildMajor, 282174u);
    EXPECT_EQ(open.dwApplicationBuildMinor, 5u);
    EXPECT_EQ(open.libraryVersion[3], 2u);
}

TEST_F(ConnectionTest, SubscribingToSimAnswersTheCurrentState) {
    for (const bool running : {false, true}) {
        WorldSetup setup;
        setup.simulator.flightRunning = running;
        start(setup);
        TestClient client;
        client.dispatch();
        ASSERT_EQ(SimConnect_SubscribeToSystemEvent(client.handle(), 201, "Sim"), S_OK);
        const auto messages = client.dispatch();
        ASSERT_EQ(messages.size(), 1u) << running;
        const auto event = messages[0].as<SIMCONNECT_RECV_EVENT>();
        EXPECT_EQ(event.dwID, SIMCONNECT_RECV_ID_EVENT);
        EXPECT_EQ(event.uEventID, 201u);
        EXPECT_EQ(event.dwData, running ? 1u : 0u);
        EXPECT_EQ(event.groupId, SIMCONNECT_UNUSED);
    }
}

TEST_F(ConnectionTest, OtherSubscriptionsAnswerNothingAtOnce) {
    start(gf_runningSetup());
    TestClient client;
    client.dispatch();
    for (const char* name : {"ObjectAdded", "ObjectRemoved", "FlightLoaded", "Frame", "SimStart"}) {
        EXPECT_EQ(SimConnect_SubscribeToSystemEvent(client.handle(), 300, name), S_OK);
    }
    EXPECT_TRUE(client.dispatch().empty());
}

TEST_F(ConnectionTest, ClosedHandleIsRefused) {
    start(WorldSetup{});
    TestClient client;
    const HANDLE h = client.handle();
    EXPECT_EQ(client.close(), S_OK);
    EXPECT_EQ(SimConnect_CallDispatch(
                  h, [](SIMCONNECT_RECV*, DWORD, void*) {}, nullptr),
              E_HANDLE);
    EXPECT_EQ(SimConnect_SubscribeToSystemEvent(h, 1, "Sim"), E_HANDLE);
    EXPECT_EQ(SimConnect_Close(h), E_HANDLE);
    EXPECT_EQ(SimConnect_Close(nullptr), E_HANDLE);
    EXPECT_EQ(world_->connectionCount(), 0u);
}

TEST_F(ConnectionTest, OpenConnectionKeepsItsWorldAfterUninstall) {
    start(gf_runningSetup());
    TestClient client;
    installation_.reset();
    EXPECT_EQ(SimConnect_SubscribeToSystemEvent(client.handle(), 201, "Sim"), S_OK);
    EXPECT_EQ(client.dispatch().size(), 2u); // OPEN, Sim
    EXPECT_FALSE(TestClient().opened());
}

TEST_F(ConnectionTest, PacketIdsCountEverySentCall) {
    start(gf_runningSetup());
    TestClient client;
    EXPECT_EQ(client.lastPacket(), 1u); // the open
    SimConnect_SubscribeToSystemEvent(client.handle(), 1, "Sim");
    SimConnect_SubscribeToSystemEvent(client.handle(), 2, "Frame");
    EXPECT_EQ(client.lastPacket(), 3u);
    client.dispatch(); // dispatching sends nothing
    EXPECT_EQ(client.lastPacket(), 3u);
    TestClient other("PARKING_DATA_RDR");
    EXPECT_EQ(other.lastPacket(), 1u); // every connection counts on its own
}

struct CallbackContext {
    HANDLE handle = nullptr;
    int seen = 0;
    std::vector<DWORD> ids;
};

TEST_F(ConnectionTest, CallsFromACallbackAreAnsweredAtALaterDispatch) {
    start(gf_runningSetup());
    TestClient client;
    ASSERT_EQ(SimConnect_AddToDataDefinition(client.handle(), 9, "TITLE", nullptr,
                                             SIMCONNECT_DATATYPE_STRINGV),
              S_OK);
    CallbackContext context;
    context.handle = client.handle();
    const auto callback = [](SIMCONNECT_RECV* data, DWORD, void* raw) {
        auto& c = *static_cast<CallbackContext*>(raw);
        c.ids.push_back(data->dwID);
        if (data->dwID == SIMCONNECT_RECV_ID_OPEN) {
            SimConnect_RequestDataOnSimObject(c.handle, 5, 9, SIMCONNECT_OBJECT_ID_USER,
                                              SIMCONNECT_PERIOD_ONCE);
        }
    };
    ASSERT_EQ(SimConnect_CallDispatch(client.handle(), callback, &context), S_OK);
    EXPECT_EQ(context.ids, std::vector<DWORD>{SIMCONNECT_RECV_ID_OPEN});
    ASSERT_EQ(SimConnect_CallDispatch(client.handle(), callback, &context), S_OK);
    EXPECT_EQ(context.ids,
              (std::vector<DWORD>{SIMCONNECT_RECV_ID_OPEN, SIMCONNECT_RECV_ID_SIMOBJECT_DATA}));
}

} // namespace
} // namespace skyloom::simworld::testing
