// An exception that leaves the dispatch callback: the world journals it, passes it on, and
// the messages after it in that dispatch are lost (and journaled as dropped), as they would
// be with the real library. Messages are journaled as they are handed to the callback.
#include <stdexcept>

#include <gmock/gmock.h>

#include "support/world_fixture.h"

namespace skyloom::simworld::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

int g_calls = 0;

void CALLBACK lf_throwingCallback(SIMCONNECT_RECV*, DWORD, void*) {
    ++g_calls;
    throw std::runtime_error("handler failed");
}

class CallbackTest : public WorldTest {};

TEST_F(CallbackTest, AnExceptionOutOfTheCallbackIsJournaledAndPassedOn) {
    World& world = start(gf_runningSetup());
    TestClient client;
    ASSERT_TRUE(client.opened());
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(client.handle(), 1, "Sim"), S_OK);
    g_calls = 0;
    // OPEN and the "Sim" answer wait; the first one throws.
    EXPECT_THROW(SimConnect_CallDispatch(client.handle(), &lf_throwingCallback, nullptr),
                 std::runtime_error);
    EXPECT_EQ(g_calls, 1);
    // The OPEN was handed over; the "Sim" answer after it never was, and says so.
    const std::vector<std::string> lines = world.journalLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_THAT(std::vector<std::string>(lines.end() - 3, lines.end()),
                ElementsAre(HasSubstr("c1 < OPEN \"KittyHawk\""),
                            "    0.000 c1 * the dispatch callback let an exception out (OPEN)",
                            "    0.000 c1 * dropped EVENT Sim id=1 data=1 (the callback let an "
                            "exception out)"));
    EXPECT_THAT(lines, Not(Contains(HasSubstr("< EVENT"))));
    // The rest of that dispatch is gone; the world goes on.
    EXPECT_TRUE(client.dispatch().empty());
    EXPECT_EQ(client.lastDispatchResult(), S_OK);
}

// Subscribes to "SimStart" when it reads the OPEN.
void CALLBACK lf_subscribingCallback(SIMCONNECT_RECV* data, DWORD, void* context) {
    if (data->dwID == SIMCONNECT_RECV_ID_OPEN) {
        SimConnect_SubscribeToSystemEvent(*static_cast<HANDLE*>(context), 2, "SimStart");
    }
}

TEST_F(CallbackTest, ACallFromTheCallbackIsJournaledAfterTheMessageThatCausedIt) {
    World& world = start(gf_runningSetup());
    TestClient client;
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(client.handle(), 1, "Sim"), S_OK);
    HANDLE handle = client.handle();
    ASSERT_EQ(SimConnect_CallDispatch(handle, &lf_subscribingCallback, &handle), S_OK);
    const std::vector<std::string> lines = world.journalLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_THAT(lines[2], HasSubstr("c1 < OPEN"));
    EXPECT_EQ(lines[3],
              "    0.000 c1 > SimConnect_SubscribeToSystemEvent(2, \"SimStart\") = S_OK #3");
    EXPECT_EQ(lines[4], "    0.000 c1 < EVENT Sim id=1 data=1");
}

} // namespace
} // namespace skyloom::simworld::testing
