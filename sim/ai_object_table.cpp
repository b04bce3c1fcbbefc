#include "sim/ai_object_table.h"

#include <algorithm>
#include <utility>

#include "sim/sim_ids.h"

namespace skyloom {

std::atomic<std::uint32_t> g_nextCreateRequestId{kFirstCreateRequestId};

std::uint32_t gf_takeCreateRequestId() noexcept {
    return g_nextCreateRequestId.fetch_add(1);
}

OwnedObjectTable::OwnedObjectTable() {
    owned_.max_load_factor(1.0F);
    callsigns_.max_load_factor(1.0F);
    pendingRemovals_.max_load_factor(1.0F);
    pendingCreates_.max_load_factor(1.0F);
    packetIndex_.max_load_factor(1.0F);
}

void OwnedObjectTable::addPendingCreate(std::uint32_t requestId, PendingCreate create) {
    pendingCreates_.insert_or_assign(requestId, std::move(create));
}

void OwnedObjectTable::erasePendingCreate(std::uint32_t requestId) {
    pendingCreates_.erase(requestId);
}

void OwnedObjectTable::setPacketId(std::uint32_t requestId, std::uint32_t packetId) {
    if (const auto it = pendingCreates_.find(requestId); it != pendingCreates_.end()) {
        it->second.packetId = packetId;
        packetIndex_.insert_or_assign(packetId, requestId);
    }
}

std::optional<PendingCreate> OwnedObjectTable::takeAssigned(std::uint32_t requestId) {
    std::optional<PendingCreate> create = takePendingCreate(requestId);
    if (create && create->packetId != 0) {
        packetIndex_.erase(create->packetId);
    }
    return create;
}

std::optional<std::uint32_t> OwnedObjectTable::takeRequestIdOfPacket(std::uint32_t packetId) {
    const auto it = packetIndex_.find(packetId);
    if (it == packetIndex_.end()) {
        return std::nullopt;
    }
    const std::uint32_t requestId = it->second;
    packetIndex_.erase(it);
    return requestId;
}

std::optional<PendingCreate> OwnedObjectTable::takePendingCreate(std::uint32_t requestId) {
    const auto it = pendingCreates_.find(requestId);
    if (it == pendingCreates_.end()) {
        return std::nullopt;
    }
    PendingCreate create = std::move(it->second);
    pendingCreates_.erase(it);
    return create;
}

const PendingCreate* OwnedObjectTable::pendingCreate(std::uint32_t requestId) const {
    const auto it = pendingCreates_.find(requestId);
    return it == pendingCreates_.end() ? nullptr : &it->second;
}

void OwnedObjectTable::noteRefusedForRoom(std::uint32_t packetId) {
    refusedForRoom_.insert(packetId);
}

bool OwnedObjectTable::takeRefusedForRoom(std::uint32_t packetId) {
    return refusedForRoom_.erase(packetId) != 0;
}

void OwnedObjectTable::holdFailedCreate(HeldCreateFailure failure) {
    failure.seenByAFrame = false;
    heldFailures_.push_back(std::move(failure));
}

std::optional<HeldCreateFailure> OwnedObjectTable::takeHeldFailure(std::uint32_t packetId) {
    const auto it =
        std::find_if(heldFailures_.begin(), heldFailures_.end(),
                     [packetId](const HeldCreateFailure& f) { return f.packetId == packetId; });
    if (it == heldFailures_.end()) {
        return std::nullopt;
    }
    HeldCreateFailure failure = std::move(*it);
    heldFailures_.erase(it);
    return failure;
}

std::vector<HeldCreateFailure> OwnedObjectTable::takeFailuresHeldAFrame() {
    if (heldFailures_.empty()) {
        return {};
    }
    std::vector<HeldCreateFailure> decided;
    std::vector<HeldCreateFailure> held;
    for (HeldCreateFailure& failure : heldFailures_) {
        if (failure.seenByAFrame) {
            decided.push_back(std::move(failure));
        } else {
            failure.seenByAFrame = true;
            held.push_back(std::move(failure));
        }
    }
    heldFailures_ = std::move(held);
    return decided;
}

void OwnedObjectTable::addOwned(std::uint32_t objectId, const std::string& callsign) {
    owned_.insert(objectId);
    callsigns_.insert_or_assign(objectId, callsign);
}

void OwnedObjectTable::eraseOwned(std::uint32_t objectId) {
    owned_.erase(objectId);
}

std::optional<std::string> OwnedObjectTable::callsign(std::uint32_t objectId) const {
    if (const auto it = callsigns_.find(objectId); it != callsigns_.end()) {
        return it->second;
    }
    return std::nullopt;
}

void OwnedObjectTable::addPendingRemoval(std::uint32_t objectId) {
    pendingRemovals_.insert(objectId);
}

void OwnedObjectTable::erasePendingRemoval(std::uint32_t objectId) {
    pendingRemovals_.erase(objectId);
}

bool OwnedObjectTable::confirmRemoval(std::uint32_t objectId) {
    if (pendingRemovals_.erase(objectId) == 0) {
        return false;
    }
    ++confirmed_;
    return true;
}

void OwnedObjectTable::startShutdownCounts() {
    pendingRemovals_.clear();
    removeRequested_ = 0;
    confirmed_ = 0;
}

void OwnedObjectTable::forgetConnection() {
    forgetAfterShutdown();
    callsigns_.clear();
}

void OwnedObjectTable::forgetAfterShutdown() {
    owned_.clear();
    pendingRemovals_.clear();
    pendingCreates_.clear();
    packetIndex_.clear();
    refusedForRoom_.clear();
    heldFailures_.clear();
}

void OwnedObjectTable::clearAfterRun() {
    pendingCreates_.clear();
    packetIndex_.clear();
    refusedForRoom_.clear();
    heldFailures_.clear();
    callsigns_.clear();
}

} // namespace skyloom
