// An exception that leaves the dispatch callback: the world journals it, passes it on, and
// the messages after it in that dispatch are lost, as they would be with the real library.
#include <stdexcept>

#include <gmock/gmock.h>

#include "support/world_fixture.h"

namespace skyloom::simworld::testing {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

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
    EXPECT_THAT(world.journalLines(),
                Contains(HasSubstr("c1 * the dispatch callback let an exception out (OPEN)")));
    // The rest of that dispatch is gone; the world goes on.
    EXPECT_TRUE(client.dispatch().empty());
    EXPECT_EQ(client.lastDispatchResult(), S_OK);
}

} // namespace
} // namespace skyloom::simworld::testing
