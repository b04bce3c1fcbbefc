// Faults that must reach a connection: an exception after a call that sends no packet, timed
// faults that fall due before any connection is open (they wait for the first that opens),
// and a fault that could never reach one (an exception after SimConnect_Close), refused when
// the world is made.
#include <stdexcept>

#include <gmock/gmock.h>

#include "platform/simworld/world_file.h"
#include "support/world_fixture.h"

namespace skyloom::simworld::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

FaultSetup lf_exceptionAfter(const char* function, std::uint32_t nth) {
    FaultSetup f;
    f.kind = FaultKind::exception;
    f.function = function;
    f.nth = nth;
    f.exception = SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS;
    f.index = 1;
    return f;
}

FaultSetup lf_timed(FaultKind kind, double at) {
    FaultSetup f;
    f.kind = kind;
    f.atSeconds = at;
    return f;
}

std::vector<DWORD> lf_ids(const std::vector<Received>& messages) {
    std::vector<DWORD> ids;
    for (const Received& m : messages) {
        ids.push_back(m.id);
    }
    return ids;
}

class FaultDeliveryTest : public WorldTest {};

TEST_F(FaultDeliveryTest, AnExceptionAfterADispatchComesWithTheNextNamingTheLastPacket) {
    WorldSetup setup = gf_runningSetup();
    setup.faults = {lf_exceptionAfter("SimConnect_CallDispatch", 2)};
    start(setup);
    TestClient client;
    ASSERT_THAT(lf_ids(client.dispatch()), ElementsAre(SIMCONNECT_RECV_ID_OPEN));
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(client.handle(), 1, "SimStart"), S_OK);
    EXPECT_THAT(client.dispatch(), IsEmpty()); // the second dispatch: the fault's call
    EXPECT_EQ(client.lastDispatchResult(), S_OK);
    const auto messages = client.dispatch();
    ASSERT_THAT(lf_ids(messages), ElementsAre(SIMCONNECT_RECV_ID_EXCEPTION));
    const auto e = messages[0].as<SIMCONNECT_RECV_EXCEPTION>();
    EXPECT_EQ(e.dwException, SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS);
    EXPECT_EQ(e.dwSendID, 2u); // the subscription, the last packet sent
    EXPECT_EQ(e.dwIndex, 1u);
    EXPECT_THAT(client.dispatch(), IsEmpty());
}

TEST_F(FaultDeliveryTest, AnExceptionAfterGetLastSentPacketIdNamesThatPacket) {
    WorldSetup setup = gf_runningSetup();
    setup.faults = {lf_exceptionAfter("SimConnect_GetLastSentPacketID", 1)};
    start(setup);
    TestClient client;
    client.dispatch();
    SimConnect_SubscribeToSystemEvent(client.handle(), 1, "SimStart");
    EXPECT_EQ(client.lastPacket(), 2u);
    const auto exceptions = gf_ofKind(client.dispatch(), SIMCONNECT_RECV_ID_EXCEPTION);
    ASSERT_EQ(exceptions.size(), 1u);
    EXPECT_EQ(exceptions[0].as<SIMCONNECT_RECV_EXCEPTION>().dwSendID, 2u);
}

TEST_F(FaultDeliveryTest, AnExceptionAfterCloseIsRefusedWhereverTheFaultIsGiven) {
    WorldSetup setup;
    setup.faults = {lf_exceptionAfter("SimConnect_Close", 1)};
    try {
        World world(setup, clock_);
        FAIL() << "the world was made";
    } catch (const std::invalid_argument& e) {
        EXPECT_THAT(e.what(), HasSubstr("after SimConnect_Close has no connection to reach"));
    }
    World& world = start(WorldSetup{});
    EXPECT_THROW(world.addFault(lf_exceptionAfter("SimConnect_Close", 1)), std::invalid_argument);
    FaultSetup unknown = lf_exceptionAfter("SimConnect_Fly", 1);
    EXPECT_THROW(world.addFault(unknown), std::invalid_argument);
    try {
        gf_parseWorldText(R"({"faults": [{"kind": "exception", "function": "SimConnect_Close",
                                          "exception": 1}]})",
                          "w.json", ".");
        FAIL() << "the file was taken";
    } catch (const WorldFileError& e) {
        EXPECT_THAT(e.what(), HasSubstr("w.json: /faults/0/function: an exception after "
                                        "SimConnect_Close has no connection to reach"));
    }
    // The other calls that send no packet take the fault.
    EXPECT_NO_THROW(world.addFault(lf_exceptionAfter("SimConnect_CallDispatch", 1)));
}

TEST_F(FaultDeliveryTest, ABrokenPipeDueBeforeAnyConnectionBreaksTheFirstThatOpens) {
    WorldSetup setup = gf_runningSetup();
    FaultSetup broken;
    broken.kind = FaultKind::brokenPipe; // due at 0
    setup.faults = {broken};
    start(setup);
    advance(0.5);
    TestClient first;
    ASSERT_TRUE(first.opened());
    EXPECT_THAT(first.dispatch(), IsEmpty()); // the OPEN went with the pipe
    EXPECT_EQ(first.lastDispatchResult(), E_BROKEN_PIPE);
    TestClient second;
    EXPECT_THAT(lf_ids(second.dispatch()), ElementsAre(SIMCONNECT_RECV_ID_OPEN));
    EXPECT_EQ(second.lastDispatchResult(), S_OK);
    const auto lines = world_->journalLines();
    EXPECT_THAT(lines, Contains("    0.000 -- * fault brokenPipe waits for a connection"));
    EXPECT_THAT(lines, Contains("    0.500 c1 * fault brokenPipe of 0.000 s reaches the first "
                                "connection since"));
    EXPECT_THAT(lines, Contains("    0.500 c1 * fault brokenPipe: every call fails from now on"));
    EXPECT_THAT(lines, Contains(HasSubstr("c1 * dropped OPEN \"KittyHawk\"")));
}

TEST_F(FaultDeliveryTest, ATimedFaultForOneClientWaitsForThatClient) {
    WorldSetup setup = gf_runningSetup();
    FaultSetup broken = lf_timed(FaultKind::brokenPipe, 1);
    broken.client = "Skyloom";
    setup.faults = {broken};
    start(setup);
    TestClient facility("PARKING_DATA_RDR");
    advance(2);
    facility.dispatch();
    EXPECT_EQ(facility.lastDispatchResult(), S_OK); // not the fault's client
    TestClient client;
    client.dispatch();
    EXPECT_EQ(client.lastDispatchResult(), E_BROKEN_PIPE);
    EXPECT_THAT(world_->journalLines(),
                Contains("    1.000 -- * fault brokenPipe waits for a connection of \"Skyloom\""));
}

TEST_F(FaultDeliveryTest, AnExceptionAndAnUnknownMessageDueEarlierReachOnlyTheFirstConnection) {
    WorldSetup setup = gf_runningSetup();
    FaultSetup exception = lf_timed(FaultKind::exception, 0.5);
    exception.exception = SIMCONNECT_EXCEPTION_VERSION_MISMATCH;
    exception.sendId = 3;
    exception.index = 4;
    FaultSetup unknown = lf_timed(FaultKind::unknownMessage, 0.7);
    unknown.messageId = 77;
    setup.faults = {exception, unknown};
    start(setup);
    advance(1);
    TestClient first;
    const auto messages = first.dispatch();
    ASSERT_THAT(lf_ids(messages),
                ElementsAre(SIMCONNECT_RECV_ID_OPEN, SIMCONNECT_RECV_ID_EXCEPTION, 77u));
    const auto e = messages[1].as<SIMCONNECT_RECV_EXCEPTION>();
    EXPECT_EQ(e.dwException, SIMCONNECT_EXCEPTION_VERSION_MISMATCH);
    EXPECT_EQ(e.dwSendID, 3u);
    EXPECT_EQ(e.dwIndex, 4u);
    TestClient second;
    EXPECT_THAT(lf_ids(second.dispatch()), ElementsAre(SIMCONNECT_RECV_ID_OPEN));
}

TEST_F(FaultDeliveryTest, ATimedFaultWithAnOpenConnectionDoesNotWait) {
    WorldSetup setup = gf_runningSetup();
    setup.faults = {lf_timed(FaultKind::unknownMessage, 1)};
    start(setup);
    TestClient first;
    first.dispatch();
    advance(1);
    EXPECT_THAT(lf_ids(first.dispatch()), ElementsAre(99u));
    TestClient later;
    EXPECT_THAT(lf_ids(later.dispatch()), ElementsAre(SIMCONNECT_RECV_ID_OPEN));
    EXPECT_THAT(world_->journalLines(), ::testing::Not(Contains(HasSubstr("waits for"))));
}

} // namespace
} // namespace skyloom::simworld::testing
