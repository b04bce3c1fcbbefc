#include "sim/sim_tables.h"

#include "sim/sim_client_work.h"
#include "sim/sim_link_state.h"
#include "sim/user_aircraft_replies.h"

namespace skyloom {

void gf_resetSimTables(SimClientWork& work) {
    work.resetTables();
    g_simConnectionState.store(SimConnectionState::notConnected);
}

void gf_resetSimTables() {
    gf_resetSimTables(gf_simClientWork());
}

void gf_clearSimTables(SimClientWork& work) {
    work.clearTables();
    gf_resetUserReplyMemory();
    g_userObjectId.store(kUserObjectIdAtStart);
    g_simConnectionState.store(SimConnectionState::notConnected);
}

void gf_clearSimTables() {
    gf_clearSimTables(gf_simClientWork());
}

} // namespace skyloom
