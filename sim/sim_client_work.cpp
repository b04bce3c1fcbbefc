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
    const SimClientContext& context = client.context();
    gf_onUserAircraftData(message, size,
                          {context.user, context.stands, context.run.window, context.run.stop});
}

void SimClientWork::rememberUserStand(SimClient& client) {
    gf_rememberUserStand(client.context().user, client.context().stands);
}

void SimClientWork::onAssignedObjectId(SimClient&, DWORD, DWORD) {}

void SimClientWork::onCreateObjectFailed(SimClient&, DWORD) {}

void SimClientWork::onTooManyObjects(SimClient&, DWORD) {}

void SimClientWork::onObjectRemoved(SimClient&, DWORD) {}

void SimClientWork::startShutdownRemoval(SimClient&) {}

} // namespace skyloom
