#include "app/user_data_requests.h"

#include "sim/sim_command_queue.h"
#include "sim/sim_link_state.h"

namespace skyloom {

bool UserDataRequests::queueForNewConnection(SimCommandQueue& queue) {
    const std::uint32_t connection = g_simConnectionCount.load();
    if (connection == askedConnection_ || !gf_isSimConnected()) {
        return false;
    }
    askedConnection_ = connection;
    // The position before the on-ground state: its reply is only taken with a known position.
    queue.push(SimDataRequest{SimDataRequestKind::userTitleAndModel, 0});
    queue.push(SimDataRequest{SimDataRequestKind::userPosition, 0});
    queue.push(SimDataRequest{SimDataRequestKind::userOnGround, 0});
    return true;
}

} // namespace skyloom
