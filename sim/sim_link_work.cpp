// The tables of the program's SimClient work around a run and a connection, the diagnostic of
// the last position write, and the removal of every owned object at a stop.
#include "sim/sim_link_work.h"

#include <cstdint>
#include <vector>

#include <fmt/format.h>

#include "config/params_snapshot.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "sim/sim_client.h"
#include "sim/sim_ids.h"
#include "sim/sim_link_state.h"

namespace skyloom {

SimLinkWork::SimLinkWork(SimCommandQueue& queue, AIPositionBatch& batch)
    : radiusMetres([] { return gf_paramsSnapshot()->rangeMetres; }), queue_(queue), batch_(batch) {
    taken_.reserve(kAIPositionBuckets);
    histories_.reserve(kAIPositionBuckets);
    executing_.reserve();
}

SimLinkWork::SimLinkWork() : SimLinkWork(gf_simCommandQueue(), gf_aiPositionBatch()) {}

void SimLinkWork::resetTables() {
    connectedBefore_ = false;
    queue_.reserve();
    executing_.reserve();
    batch_.reserve();
    taken_.reserve(kAIPositionBuckets);
    histories_.reserve(kAIPositionBuckets);
    batch_.empty();
}

void SimLinkWork::clearTables() {
    connectedBefore_ = false;
    batch_.empty();
    taken_.clear();
    histories_.clear();
    queue_.clear();
    executing_.clear();
    objects_.clearAfterRun();
    diagnostic_ = {};
}

void SimLinkWork::forgetConnection() {
    objects_.forgetConnection();
    tooManyObjectsSaid_ = false;
    // Object ids belong to one connection: a history kept across a reconnect, a position or a
    // command queued for the previous connection would go on writing to, or removing, ids the
    // simulator may give to other objects. (Before the first connection of a run nothing of
    // another connection can wait.)
    histories_.clear();
    if (connectedBefore_) {
        queue_.clear();
        executing_.clear();
        batch_.emptyPending();
    }
    connectedBefore_ = true;
    diagnostic_ = {};
}

void SimLinkWork::doFrameWork(SimClient& client) {
    postHeldFailures(client);
    sendPositionBatch(client);
    processSimCommandQueue(client);
}

std::optional<PositionUpdateReport> SimLinkWork::lastPositionUpdate() const {
    if (!diagnostic_.valid) {
        return std::nullopt;
    }
    return PositionUpdateReport{objects_.callsign(diagnostic_.objectId), diagnostic_.objectId,
                                diagnostic_.position, diagnostic_.result};
}

const AIPositionHistory* SimLinkWork::history(std::uint32_t objectId) const {
    const auto it = histories_.find(objectId);
    return it == histories_.end() ? nullptr : &it->second;
}

void SimLinkWork::removeAtShutdown(SimClient& client, std::uint32_t objectId, bool newlyAssigned) {
    objects_.addPendingRemoval(objectId);
    if (SimConnect_AIRemoveObject(client.handle(), objectId, AI_REMOVE_OBJECT) < 0) {
        objects_.erasePendingRemoval(objectId);
        LogFile::writeImportant(fmt::format("SimConnect shutdown remove failed for {}object {}",
                                            newlyAssigned ? "newly assigned " : "",
                                            gf_hexidText(objectId)));
        return;
    }
    objects_.countRemoveRequested();
}

void SimLinkWork::startShutdownRemoval(SimClient& client) {
    objects_.startShutdownCounts();
    queue_.clear();
    batch_.emptyPending();
    const std::vector<std::uint32_t> owned(objects_.owned().begin(), objects_.owned().end());
    initiallyOwned_ = owned.size();
    for (const std::uint32_t objectId : owned) {
        removeAtShutdown(client, objectId, false);
    }
}

bool SimLinkWork::shutdownRemovalPending() const {
    return objects_.pendingRemovalCount() > 0 || objects_.pendingCreateCount() > 0;
}

ShutdownRemovalCounts SimLinkWork::shutdownRemovalCounts() const {
    return ShutdownRemovalCounts{initiallyOwned_, objects_.removeRequested(), objects_.confirmed(),
                                 objects_.pendingRemovalCount(), objects_.pendingCreateCount()};
}

void SimLinkWork::endShutdownRemoval() {
    queue_.clear();
    objects_.forgetAfterShutdown();
}

SimClientWork& gf_simClientWork() {
    static SimLinkWork work;
    return work;
}

} // namespace skyloom
