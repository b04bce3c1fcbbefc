// `OwnedObjectTable`: the SimClient's bookkeeping of the AI objects it creates and removes.
// The simulator answers a create later, with the new object id under the create's request id
// or with an exception that names only the packet of the create call; the pending creates
// (by request id) and the packet-id index tie both answers back to the aircraft. The table
// also holds the objects owned on this connection, their callsigns for the diagnostic line,
// and, during the shutdown cleanup, the removals still to be confirmed and the counts.
//
// Only the SimClient thread touches it (the main worker empties it while no SimClient runs).
// Create request ids come from one counter for the whole process, from 10000 on and never
// reset, so that they never meet the fixed request ids and never repeat after a restart.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace skyloom {

struct PendingCreate {
    std::uint32_t hexid = 0;
    bool live = false;          // the hexid is above 10000
    std::uint32_t packetId = 0; // 0 until known
    std::string callsign;
    std::string liveryTitle;
};

// A create the simulator answered with CREATE_OBJECT_FAILED, taken out of the pending creates.
struct HeldCreateFailure {
    std::uint32_t packetId = 0;
    std::uint32_t requestId = 0;
    PendingCreate create;
    bool seenByAFrame = false;
};

// The next create's request id.
extern std::atomic<std::uint32_t> g_nextCreateRequestId;
// Takes a request id for a create attempt.
std::uint32_t gf_takeCreateRequestId() noexcept;

class OwnedObjectTable {
public:
    OwnedObjectTable();

    // --- Creates ---
    void addPendingCreate(std::uint32_t requestId, PendingCreate create);
    void erasePendingCreate(std::uint32_t requestId);
    // Stores the create call's packet id and indexes it.
    void setPacketId(std::uint32_t requestId, std::uint32_t packetId);
    // The create answered by an object id: taken out of the pending creates and the index.
    std::optional<PendingCreate> takeAssigned(std::uint32_t requestId);
    // The request id indexed under a failed create's packet id, taken out of the index.
    std::optional<std::uint32_t> takeRequestIdOfPacket(std::uint32_t packetId);
    // The pending create of a request id, taken out.
    std::optional<PendingCreate> takePendingCreate(std::uint32_t requestId);
    const PendingCreate* pendingCreate(std::uint32_t requestId) const;
    std::size_t pendingCreateCount() const noexcept { return pendingCreates_.size(); }
    std::size_t packetIndexCount() const noexcept { return packetIndex_.size(); }
    // The simulator refuses a create for want of room with two exceptions for its packet,
    // TOO_MANY_OBJECTS and CREATE_OBJECT_FAILED, in either order: one refusal.
    // TOO_MANY_OBJECTS came first: its packet is kept until the CREATE_OBJECT_FAILED of the
    // same refusal.
    void noteRefusedForRoom(std::uint32_t packetId);
    // True when the packet's create was refused for want of room (and forgets it).
    bool takeRefusedForRoom(std::uint32_t packetId);
    // CREATE_OBJECT_FAILED came alone: the failure is held until a whole frame has passed
    // without a TOO_MANY_OBJECTS for its packet.
    void holdFailedCreate(HeldCreateFailure failure);
    // The failure held for the packet, taken out (its TOO_MANY_OBJECTS came after it).
    std::optional<HeldCreateFailure> takeHeldFailure(std::uint32_t packetId);
    // Called at each frame: takes out the failures held since before the previous frame
    // (failures, not refusals for want of room) and marks the others as seen by a frame.
    std::vector<HeldCreateFailure> takeFailuresHeldAFrame();
    std::size_t heldFailureCount() const noexcept { return heldFailures_.size(); }

    // --- Owned objects ---
    void addOwned(std::uint32_t objectId, const std::string& callsign);
    void eraseOwned(std::uint32_t objectId);
    bool owns(std::uint32_t objectId) const { return owned_.contains(objectId); }
    const std::unordered_set<std::uint32_t>& owned() const noexcept { return owned_; }
    // The callsign given at the object's assignment; kept after its removal.
    std::optional<std::string> callsign(std::uint32_t objectId) const;

    // --- Removals of the shutdown cleanup ---
    void addPendingRemoval(std::uint32_t objectId);
    void erasePendingRemoval(std::uint32_t objectId);
    // True when the object was waiting for its confirmation (and now is not).
    bool confirmRemoval(std::uint32_t objectId);
    std::size_t pendingRemovalCount() const noexcept { return pendingRemovals_.size(); }
    // Starts the counts of a shutdown cleanup: no pending removals, counters at zero.
    void startShutdownCounts();
    void countRemoveRequested() noexcept { ++removeRequested_; }
    std::size_t removeRequested() const noexcept { return removeRequested_; }
    std::size_t confirmed() const noexcept { return confirmed_; }

    // A new connection: owned objects, callsigns, pending removals, pending creates and the
    // packet-id index emptied.
    void forgetConnection();
    // The end of the shutdown cleanup: the same but the callsigns.
    void forgetAfterShutdown();
    // After the SimClient was joined: pending creates, packet-id index and callsigns emptied.
    void clearAfterRun();

private:
    std::unordered_set<std::uint32_t> owned_;
    std::unordered_map<std::uint32_t, std::string> callsigns_;
    std::unordered_set<std::uint32_t> pendingRemovals_;
    std::unordered_map<std::uint32_t, PendingCreate> pendingCreates_;
    std::unordered_map<std::uint32_t, std::uint32_t> packetIndex_;
    std::unordered_set<std::uint32_t> refusedForRoom_;
    std::vector<HeldCreateFailure> heldFailures_; // few: each is decided within two frames
    std::size_t removeRequested_ = 0;
    std::size_t confirmed_ = 0;
};

} // namespace skyloom
