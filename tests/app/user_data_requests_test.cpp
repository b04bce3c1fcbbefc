#include "app/user_data_requests.h"

#include <gtest/gtest.h>

#include "sim/sim_command_queue.h"
#include "sim/sim_link_state.h"

namespace skyloom {
namespace {

using State = SimConnectionState;

// Each connection is asked once, as soon as the simulator has named itself on it; a refused
// request (state 3) or no connection asks nothing.
TEST(UserDataRequestsTest, EachConnectionIsAskedOnceWhenTheSimulatorIsThere) {
    struct Step {
        State state;
        std::uint32_t connection;
        bool asks;
    };
    const Step steps[] = {{State::notConnected, 1, false}, {State::connected, 1, true},
                          {State::running, 1, false},      {State::notConnected, 2, false},
                          {State::running, 3, true},       {State::requestError, 4, false}};
    SimCommandQueue queue;
    UserDataRequests requests;
    for (const Step& step : steps) {
        g_simConnectionState.store(step.state);
        g_simConnectionCount.store(step.connection);
        EXPECT_EQ(requests.queueForNewConnection(queue), step.asks) << step.connection;
    }
    g_simConnectionState.store(State::notConnected);
    SimCommandBatch batch;
    queue.takeAll(batch);
    using Kind = SimDataRequestKind;
    const SimDataRequest asked[] = {
        {Kind::userTitleAndModel, 0}, {Kind::userPosition, 0}, {Kind::userOnGround, 0}};
    ASSERT_EQ(batch.dataRequests.size(), 6u);
    for (std::size_t i = 0; i < batch.dataRequests.size(); ++i) {
        EXPECT_EQ(batch.dataRequests[i], asked[i % 3]) << i;
    }
}

} // namespace
} // namespace skyloom
