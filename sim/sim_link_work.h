// `SimLinkWork`: the program's frame work and AI object bookkeeping on the SimClient thread.
//
// On every frame it first posts the create failures held since the frame before (below), then
// smooths and sends the AI positions (the batch taken without waiting, a history per object,
// each object shown 20 ms behind real time), then swaps out the command queue and executes it
// in the order data requests, client events, flight plans, creates, removals, reverse thrust;
// a request the simulator refuses ends the run, and what was not executed yet is dropped; a
// request that finds the simulator gone is its quit, not a refusal, and ends only the frame.
//
// It creates AI aircraft and ties the simulator's later answers back to them (an object id under
// the request id, or a failure naming the create's packet), takes control of each new object
// from the simulator's AI and freezes it, removes objects, counts the confirmations, and tells
// the traffic step through the SimEventQueue: kind 0 or 1 for an assigned object, 5 for a
// failed create, 6 for a create refused for want of room (kind 2, a removal, is posted by the
// client itself). The simulator refuses a create for want of room with TOO_MANY_OBJECTS and
// CREATE_OBJECT_FAILED, in either order: a failure alone is held for a whole frame before it
// counts as failed, in case the other half of a refusal follows. A simulator that holds as many
// objects as it takes is said once a connection on the status line. At a stop it removes every
// object it still owns.
//
// The user aircraft's replies and the user's stand are not handled here (the base class's
// members stay).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>

#include "sim/ai_object_table.h"
#include "sim/ai_position_batch.h"
#include "sim/ai_position_history.h"
#include "sim/sim_client_work.h"
#include "sim/sim_command_queue.h"

namespace skyloom {

class SimLinkWork : public SimClientWork {
public:
    // The queue and the batch must outlive the work.
    SimLinkWork(SimCommandQueue& queue, AIPositionBatch& batch);
    // The program's queue and batch.
    SimLinkWork();

    // The radius of the request for aircraft in range, in metres, read at each request; the
    // program's reads the settings snapshot.
    std::function<std::uint32_t()> radiusMetres;

    void resetTables() override;
    void clearTables() override;
    void forgetConnection() override;
    void doFrameWork(SimClient& client) override;
    void onAssignedObjectId(SimClient& client, DWORD requestId, DWORD objectId) override;
    void onCreateObjectFailed(SimClient& client, DWORD packetId) override;
    void onTooManyObjects(SimClient& client, DWORD packetId) override;
    void onObjectRemoved(SimClient& client, DWORD objectId) override;
    std::optional<PositionUpdateReport> lastPositionUpdate() const override;
    void startShutdownRemoval(SimClient& client) override;
    bool shutdownRemovalPending() const override;
    ShutdownRemovalCounts shutdownRemovalCounts() const override;
    void endShutdownRemoval() override;

    // --- The steps of a frame ---
    // Takes what the traffic step committed (when the batch is free), adds it to the
    // histories and writes each object's smoothed position (never the user's).
    void sendPositionBatch(SimClient& client);
    // Swaps out the command queue and executes it; with the connection state 3 only empties
    // the queue.
    void processSimCommandQueue(SimClient& client);
    void requestSimData(SimClient& client, const SimDataRequest& request);
    void createAIAircraft(SimClient& client, const SimCreateRequest& request);
    void removeAIObject(SimClient& client, std::uint32_t objectId);
    // Posts the creates that failed a whole frame ago without a TOO_MANY_OBJECTS as failed.
    void postHeldFailures(SimClient& client);

    // --- For tests ---
    const OwnedObjectTable& objects() const noexcept { return objects_; }
    const AIPositionHistory* history(std::uint32_t objectId) const;
    std::size_t historyCount() const noexcept { return histories_.size(); }

private:
    struct Diagnostic {
        bool valid = false;
        std::uint32_t objectId = 0;
        AIPosition position;
        std::int32_t result = 0;
    };

    void executeCommand(SimClient& client, const SimCommand& command);
    void executeFlightPlan(SimClient& client, const SimFlightPlanRequest& request);
    void executeReverseThrust(SimClient& client, const ReverseThrustCommand& command);
    void removeAtShutdown(SimClient& client, std::uint32_t objectId, bool newlyAssigned);

    SimCommandQueue& queue_;
    AIPositionBatch& batch_;
    AIPositionMap taken_;
    std::unordered_map<std::uint32_t, AIPositionHistory> histories_;
    std::uint64_t seenEpoch_ = 0;
    SimCommandBatch executing_;
    OwnedObjectTable objects_;
    Diagnostic diagnostic_;
    std::size_t initiallyOwned_ = 0;
    // A connection was open since the tables were last reset or cleared (a run's start).
    bool connectedBefore_ = false;
    // The status line said on this connection that the simulator takes no more objects.
    bool tooManyObjectsSaid_ = false;
};

} // namespace skyloom
