// `SimClientWork`: what the SimClient thread does beyond keeping its connection. The client
// owns the connection, the dispatch and the events of the simulator; it hands on the frame
// work (AI positions and the command queue), the bookkeeping of the AI objects it creates and
// removes, the user aircraft's data replies, the user's stand, and the removal of its own
// objects when it stops. The program's work is gf_simClientWork(); tests give a SimClient
// their own.
//
// Every member but the two table calls runs on the SimClient thread, inside its dispatch or
// its shutdown cleanup, so the work's tables need no lock. The base class handles the user
// aircraft's replies and stand (sim/user_aircraft_replies.h) and otherwise does nothing: a
// client with it keeps its connection and reports the simulator's events, and owns no objects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/simconnect/simconnect_recv.h"
#include "sim/ai_position.h"

namespace skyloom {

class SimClient;

// The last AI position written to the simulator, for the diagnostic line after a failure.
struct PositionUpdateReport {
    std::optional<std::string> callsign; // none when the object has no callsign entry
    std::uint32_t objectId = 0;
    AIPosition position;
    std::int32_t result = 0;
};

// What the shutdown cleanup logs.
struct ShutdownRemovalCounts {
    std::size_t initiallyOwned = 0;
    std::size_t removeRequested = 0;
    std::size_t confirmed = 0;
    std::size_t pendingRemovals = 0;
    std::size_t pendingCreates = 0;

    friend bool operator==(const ShutdownRemovalCounts&, const ShutdownRemovalCounts&) = default;
};

class SimClientWork {
public:
    virtual ~SimClientWork();

    // --- Main worker, while no SimClient runs ---
    // Before the SimClient starts: queues and batches reserved and empty.
    virtual void resetTables() {}
    // After the SimClient was joined: every table and the user aircraft's data emptied.
    virtual void clearTables() {}

    // --- SimClient thread ---
    // A new connection is open: the object tables of the previous one, and (after an earlier
    // connection of the run) the commands and positions still queued for its objects, no
    // longer mean anything.
    virtual void forgetConnection() {}
    // A frame while connected and not shutting down: send the AI positions, then execute the
    // command queue.
    virtual void doFrameWork(SimClient& client);
    // A SIMOBJECT_DATA reply to one of the user aircraft's requests (105 to 108).
    virtual void onUserAircraftData(SimClient& client,
                                    const SIMCONNECT_RECV_SIMOBJECT_DATA& message,
                                    std::size_t size);
    virtual void onAssignedObjectId(SimClient& client, DWORD requestId, DWORD objectId);
    // CREATE_OBJECT_FAILED; the packet id is the create call's.
    virtual void onCreateObjectFailed(SimClient& client, DWORD packetId);
    // TOO_MANY_OBJECTS: the simulator holds as many objects as it takes and refused the create
    // of that packet (its CREATE_OBJECT_FAILED follows).
    virtual void onTooManyObjects(SimClient& client, DWORD packetId);
    // ObjectRemoved for an aircraft, before its event is posted.
    virtual void onObjectRemoved(SimClient& client, DWORD objectId);
    // Records the stand the user aircraft stands on for the park airport (a new flight, a new
    // flight file, the end of the thread).
    virtual void rememberUserStand(SimClient& client);
    virtual std::optional<PositionUpdateReport> lastPositionUpdate() const { return std::nullopt; }

    // The shutdown cleanup: `startShutdownRemoval` empties the queues and the position batch
    // and asks the simulator to remove every owned object; the client then dispatches while
    // `shutdownRemovalPending` (at most 2 s), logs the counts and calls `endShutdownRemoval`,
    // which empties the tables.
    virtual void startShutdownRemoval(SimClient& client);
    virtual bool shutdownRemovalPending() const { return false; }
    virtual ShutdownRemovalCounts shutdownRemovalCounts() const { return {}; }
    virtual void endShutdownRemoval() {}
};

// The program's work (a `SimLinkWork`, sim/sim_link_work.h).
SimClientWork& gf_simClientWork();

} // namespace skyloom
