#include "sim/sim_client_work.h"

#include "sim/sim_client.h"
#include "sim/user_aircraft_replies.h"
#include "sim/user_aircraft_stand.h"

namespace skyloom {

SimClientWork::~SimClientWork() = default;

void SimClientWork::doFrameWork(SimClient&) {}

void SimClientWork::onUserAircraftData(SimClient& client,
                                       const SIMCONNECT_RECV_SIMOBJECT_DATA& message,
                                       std::size_t size) {
    gf_onUserAircraftData(message, size, client.gui(), *client.context().stop);
}

void SimClientWork::rememberUserStand() {
    gf_rememberUserStand();
}

void SimClientWork::onAssignedObjectId(SimClient&, DWORD, DWORD) {}

void SimClientWork::onCreateObjectFailed(SimClient&, DWORD) {}

void SimClientWork::onObjectRemoved(SimClient&, DWORD) {}

void SimClientWork::startShutdownRemoval(SimClient&) {}

} // namespace skyloom
