#include "sim/sim_client_work.h"

namespace skyloom {

SimClientWork::~SimClientWork() = default;

void SimClientWork::doFrameWork(SimClient&) {}

void SimClientWork::onUserAircraftData(SimClient&, const SIMCONNECT_RECV_SIMOBJECT_DATA&,
                                       std::size_t) {}

void SimClientWork::onAssignedObjectId(SimClient&, DWORD, DWORD) {}

void SimClientWork::onCreateObjectFailed(SimClient&, DWORD) {}

void SimClientWork::onObjectRemoved(SimClient&, DWORD) {}

void SimClientWork::startShutdownRemoval(SimClient&) {}

SimClientWork& gf_simClientWork() {
    static SimClientWork work;
    return work;
}

} // namespace skyloom
