// What the main loop asks the simulator about the user aircraft on each new connection, once
// the simulator has named itself (connected or running): the title and the model, the
// position, and the on-ground state, which the simulator then sends every second and which
// drives the loop's user-data step. The traffic step refreshes the position while a flight
// runs; this asks once so that the first on-ground reply finds the position known.
#pragma once

#include <cstdint>

namespace skyloom {

class SimCommandQueue;

class UserDataRequests {
public:
    // Queues the three requests when the link is connected on a connection not asked yet.
    // True when it queued them.
    bool queueForNewConnection(SimCommandQueue& queue);

private:
    // The connection count (g_simConnectionCount) last asked; none is 0.
    std::uint32_t askedConnection_ = 0;
};

} // namespace skyloom
