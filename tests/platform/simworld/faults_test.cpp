// Every fault a world can inject, seen from a client.
#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>

#include <gmock/gmock.h>

#include "support/world_fixture.h"

namespace skyloom::simworld::testing {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

FaultSetup lf_fault(FaultKind kind) {
    FaultSetup f;
    f.kind = kind;
    return f;
}

class FaultsTest : public WorldTest {};

using Version = std::array<std::uint32_t, 4>;

Version lf_version(const Received& open) {
    const auto r = open.as<SIMCONNECT_RECV_OPEN>();
    return {r.dwApplicationVersionMajor, r.dwApplicationVersionMinor, r.dwApplicationBuildMajor,
            r.dwApplicationBuildMinor};
}

TEST_F(FaultsTest, WrongSimulatorForTheFirstConnectionOnlyWithTheClaimedVersion) {
    WorldSetup setup;
    FaultSetup wrong = lf_fault(FaultKind::wrongSimulator);
    wrong.count = 1;
    setup.faults = {wrong};
    start(setup);
    const std::pair<std::string, Version> expected[] = {{"SunRise", kMsfs2024Version},
                                                        {"KittyHawk", kMsfs2020Version}};
    for (const auto& [name, version] : expected) {
        TestClient client;
        const auto messages = client.dispatch();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].textAt(12, 256), name);
        EXPECT_EQ(lf_version(messages[0]), version);
    }
    EXPECT_THAT(world_->journalLines(),
                Contains(HasSubstr("(fault wrongSimulator: SunRise 12.1.20050.0)")));
}

TEST_F(FaultsTest, WrongSimulatorVersionsByName) {
    // The claimed simulator's version; a version the fault gives; the world's own for a name
    // of neither simulator.
    struct Case {
        std::string world;
        std::string claimed;
        std::optional<Version> given;
        std::string shown;
        Version version;
    };
    const Version own{9, 8, 7, 6};
    const Case cases[] = {
        {"SunRise", "", std::nullopt, "KittyHawk", kMsfs2020Version},
        {"KittyHawk", "SunRise", std::nullopt, "SunRise", kMsfs2024Version},
        {"KittyHawk", "SunRise", Version{12, 0, 1, 1}, "SunRise", {12, 0, 1, 1}},
        {"KittyHawk", "Prepar3D", std::nullopt, "Prepar3D", own},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        WorldSetup setup;
        setup.simulator.applicationName = c.world;
        setup.simulator.applicationVersion = own;
        FaultSetup wrong = lf_fault(FaultKind::wrongSimulator);
        wrong.count = 0;
        wrong.name = c.claimed;
        wrong.version = c.given;
        setup.faults = {wrong};
        start(setup);
        TestClient client;
        const auto messages = client.dispatch();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].textAt(12, 256), c.shown);
        EXPECT_EQ(lf_version(messages[0]), c.version);
    }
}

TEST_F(FaultsTest, UnknownNameMakesAKnownVariableUnknown) {
    WorldSetup setup = gf_runningSetup();
    FaultSetup unknown = lf_fault(FaultKind::unknownName);
    unknown.name = "GPS GROUND TRUE TRACK";
    setup.faults = {unknown};
    start(setup);
    TestClient client;
    client.dispatch();
    ASSERT_EQ(
        SimConnect_AddToDataDefinition(client.handle(), 403, "GPS Ground True Track", "degree"),
        S_OK);
    const DWORD packet = client.lastPacket();
    const auto exceptions = gf_ofKind(client.dispatch(), SIMCONNECT_RECV_ID_EXCEPTION);
    ASSERT_EQ(exceptions.size(), 1u);
    const auto e = exceptions[0].as<SIMCONNECT_RECV_EXCEPTION>();
    EXPECT_EQ(e.dwException, SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED);
    EXPECT_EQ(e.dwSendID, packet);
    EXPECT_EQ(e.dwIndex, 3u);
}

TEST_F(FaultsTest, QuitEndsEveryConnectionUntilTheSimulatorIsBack) {
    WorldSetup setup = gf_runningSetup();
    setup.timeline = {gf_timelineEvent(2, TimelineEventKind::quit),
                      gf_timelineEvent(10, TimelineEventKind::launch)};
    start(setup);
    TestClient client;
    TestClient facility("PARKING_DATA_RDR");
    client.dispatch();
    facility.dispatch();
    advance(2);
    for (TestClient* c : {&client, &facility}) {
        const auto messages = c->dispatch();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].id, SIMCONNECT_RECV_ID_QUIT);
        EXPECT_EQ(messages[0].size, sizeof(SIMCONNECT_RECV_QUIT));
        c->dispatch();
        EXPECT_EQ(c->lastDispatchResult(), E_BROKEN_PIPE);
        EXPECT_EQ(SimConnect_SubscribeToSystemEvent(c->handle(), 1, "Sim"), E_BROKEN_PIPE);
        EXPECT_EQ(c->close(), S_OK);
    }
    EXPECT_FALSE(world_->flightRunning());
    EXPECT_EQ(TestClient().openResult(), E_FAIL);
    advance(8);
    EXPECT_TRUE(TestClient().opened());
}

TEST_F(FaultsTest, BrokenPipeFailsDispatchAndEveryLaterCall) {
    WorldSetup setup = gf_runningSetup();
    setup.frames.rateHz = 10;
    FaultSetup broken = lf_fault(FaultKind::brokenPipe);
    broken.atSeconds = 1.0;
    broken.client = "Skyloom";
    setup.faults = {broken};
    start(setup);
    TestClient client;
    TestClient facility("PARKING_DATA_RDR");
    SimConnect_SubscribeToSystemEvent(client.handle(), 204, "Frame");
    client.dispatch();
    advance(0.5);
    EXPECT_EQ(gf_ofKind(client.dispatch(), SIMCONNECT_RECV_ID_EVENT_FRAME).size(), 5u);
    advance(0.75); // frames waiting from before the break are lost with the pipe
    EXPECT_TRUE(client.dispatch().empty());
    EXPECT_EQ(client.lastDispatchResult(), E_BROKEN_PIPE);
    // The frames of 0.6 to 0.9 s waited and are journaled as dropped; the pipe broke before
    // the frame of 1.0 s.
    const auto lines = world_->journalLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "    1.000 c1 * dropped EVENT_FRAME id=204 rate=10 speed=1 (pipe broken)"),
              4);
    DWORD packet = 0;
    EXPECT_EQ(SimConnect_GetLastSentPacketID(client.handle(), &packet), E_BROKEN_PIPE);
    EXPECT_EQ(SimConnect_AddToDataDefinition(client.handle(), 1, "TITLE", nullptr,
                                             SIMCONNECT_DATATYPE_STRINGV),
              E_BROKEN_PIPE);
    // The other client's pipe is whole.
    facility.dispatch();
    EXPECT_EQ(facility.lastDispatchResult(), S_OK);
    EXPECT_EQ(SimConnect_SubscribeToSystemEvent(facility.handle(), 1, "Sim"), S_OK);
    EXPECT_EQ(client.close(), S_OK);
    EXPECT_TRUE(TestClient().opened()); // a new connection works
}

TEST_F(FaultsTest, NthCallOfAFunctionFailsWithTheChosenResult) {
    WorldSetup setup = gf_runningSetup();
    FaultSetup fail = lf_fault(FaultKind::failCall);
    fail.function = "SimConnect_AddToDataDefinition";
    fail.nth = 3;
    fail.count = 2;
    fail.result = E_INVALIDARG;
    setup.faults = {fail};
    start(setup);
    TestClient client;
    std::vector<HRESULT> results;
    for (int i = 0; i < 6; ++i) {
        results.push_back(
            SimConnect_AddToDataDefinition(client.handle(), 1, "Plane Altitude", "feet"));
    }
    EXPECT_EQ(results, (std::vector<HRESULT>{S_OK, S_OK, E_INVALIDARG, E_INVALIDARG, S_OK, S_OK}));
    EXPECT_EQ(client.lastPacket(), 5u); // the open and four sent calls: failed calls send nothing
    EXPECT_EQ(SimConnect_SubscribeToSystemEvent(client.handle(), 1, "Sim"), S_OK);
}

TEST_F(FaultsTest, ExceptionAfterACallNamesItsPacket) {
    WorldSetup setup = gf_runningSetup();
    FaultSetup exception = lf_fault(FaultKind::exception);
    exception.function = "SimConnect_TransmitClientEvent";
    exception.nth = 2;
    exception.exception = SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS;
    exception.index = 2;
    setup.faults = {exception};
    start(setup);
    TestClient client;
    SimConnect_MapClientEventToSimEvent(client.handle(), 207, "NAV_LIGHTS_SET");
    client.dispatch();
    SimConnect_TransmitClientEvent(client.handle(), 0, 207, 1, 301, 0);
    EXPECT_TRUE(client.dispatch().empty());
    ASSERT_EQ(SimConnect_TransmitClientEvent(client.handle(), 0, 207, 1, 301, 0), S_OK);
    const DWORD packet = client.lastPacket();
    const auto messages = client.dispatch();
    ASSERT_EQ(messages.size(), 1u);
    const auto e = messages[0].as<SIMCONNECT_RECV_EXCEPTION>();
    EXPECT_EQ(e.dwException, SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS);
    EXPECT_EQ(e.dwSendID, packet);
    EXPECT_EQ(e.dwIndex, 2u);
}

TEST_F(FaultsTest, ExceptionAtATime) {
    WorldSetup setup = gf_runningSetup();
    FaultSetup exception = lf_fault(FaultKind::exception);
    exception.atSeconds = 3;
    exception.exception = SIMCONNECT_EXCEPTION_VERSION_MISMATCH;
    exception.sendId = 7;
    exception.index = 4;
    setup.faults = {exception};
    start(setup);
    TestClient client;
    client.dispatch();
    advance(2.9);
    EXPECT_TRUE(client.dispatch().empty());
    advance(0.1);
    const auto messages = client.dispatch();
    ASSERT_EQ(messages.size(), 1u);
    const auto e = messages[0].as<SIMCONNECT_RECV_EXCEPTION>();
    EXPECT_EQ(e.dwException, SIMCONNECT_EXCEPTION_VERSION_MISMATCH);
    EXPECT_EQ(e.dwSendID, 7u);
    EXPECT_EQ(e.dwIndex, 4u);
}

TEST_F(FaultsTest, TruncatedMessagesTellTheShorterSize) {
    WorldSetup setup = gf_runningSetup();
    FaultSetup cutOpen = lf_fault(FaultKind::truncateMessage);
    cutOpen.name = "OPEN";
    cutOpen.bytes = 100;
    FaultSetup cutData = lf_fault(FaultKind::truncateMessage);
    cutData.name = "SIMOBJECT_DATA";
    cutData.nth = 2;
    cutData.bytes = 50;
    setup.faults = {cutOpen, cutData};
    start(setup);
    TestClient client;
    const auto open = client.dispatch();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].size, 100u);
    EXPECT_EQ(open[0].as<SIMCONNECT_RECV>().size, 100u);
    SimConnect_AddToDataDefinition(client.handle(), 403, "Plane Latitude", "degree");
    SimConnect_AddToDataDefinition(client.handle(), 403, "Plane Longitude", "degree");
    SimConnect_AddToDataDefinition(client.handle(), 403, "Plane Altitude", "feet");
    std::vector<DWORD> sizes;
    for (int i = 0; i < 3; ++i) {
        SimConnect_RequestDataOnSimObject(client.handle(), 108, 403, 0, SIMCONNECT_PERIOD_ONCE);
        for (const Received& m : client.dispatch()) {
            sizes.push_back(m.size);
        }
    }
    EXPECT_EQ(sizes, (std::vector<DWORD>{64, 50, 64}));
    EXPECT_THAT(world_->journalLines(), Contains(HasSubstr("(cut from 64 to 50 bytes)")));
}

TEST_F(FaultsTest, UnknownMessageArrivesAtItsTime) {
    WorldSetup setup;
    FaultSetup unknown = lf_fault(FaultKind::unknownMessage);
    unknown.atSeconds = 1;
    unknown.messageId = 99;
    unknown.bytes = 16;
    setup.faults = {unknown};
    start(setup);
    TestClient client;
    client.dispatch();
    advance(1);
    const auto messages = client.dispatch();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].id, 99u);
    EXPECT_EQ(messages[0].size, 16u);
    EXPECT_EQ(messages[0].as<SIMCONNECT_RECV>().size, 16u);
}

TEST_F(FaultsTest, FaultsCanBeAddedWhileTheWorldRuns) {
    start(gf_runningSetup());
    TestClient client;
    FaultSetup fail = lf_fault(FaultKind::failCall);
    fail.function = "SimConnect_CallDispatch";
    world_->addFault(fail);
    client.dispatch();
    EXPECT_EQ(client.lastDispatchResult(), E_FAIL);
    EXPECT_EQ(client.dispatch().size(), 1u); // only the first dispatch failed; OPEN waited
}

} // namespace
} // namespace skyloom::simworld::testing
