// What the world keeps about the AI aircraft that clients create: the livery catalogue, the
// creates waiting for their object id and the removals waiting for their confirmation, each
// created object's control state (released, the three freezes), and for every
// object a trace of its positions and a record of the client events it received, for tests.
// The world holds it under its own lock; the simulator-like behaviour is in world_ai.cpp.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/simconnect/win_types.h"
#include "platform/simworld/ai_object_setup.h"
#include "platform/simworld/object_state.h"
#include "platform/simworld/trace_file.h"

namespace skyloom::simworld {

enum class TraceSource {
    created,          // the object appeared
    written,          // a client wrote its position (SetDataOnSimObject)
    drifted,          // the simulator moved it on a frame (not frozen)
    userWriteIgnored, // a client wrote to the user aircraft (taken and ignored)
    removed,          // the object went (its last position)
};

std::string_view gf_traceSourceName(TraceSource source);

struct TracePoint {
    double seconds = 0;
    TraceSource source = TraceSource::written;
    double latitudeDeg = 0;
    double longitudeDeg = 0;
    double altitudeFeet = 0;
    double pitchRad = 0;
    double bankRad = 0;
    double headingTrueRad = 0;
};

struct ObjectEventRecord {
    double seconds = 0;
    std::string event; // the simulator event's name
    DWORD value = 0;
};

// A created object's control state.
struct AiObjectRecord {
    std::uint32_t connection = 0; // the connection that created it
    DWORD requestId = 0;
    std::string livery;
    bool released = false; // AIReleaseControl
    bool freezeLatLon = false;
    bool freezeAltitude = false;
    bool freezeAttitude = false;
    double movedAt = 0; // the simulator moved it up to this time
};

// What the world's AI report says of one object: its livery and ATC id, when it came and
// went, and how far its written positions took it; and when its last trace file line was.
struct AiObjectTally {
    std::string livery;
    std::string atcId;
    double createdAt = 0;
    double removedAt = -1; // -1 while it is there
    std::size_t writes = 0;
    double pathNm = 0;
    double lastLatitudeDeg = 0;
    double lastLongitudeDeg = 0;
    double lastAltitudeFeet = 0;
    double tracedAt = 0;
    bool tracedOnGround = false;
};

struct PendingAssignment {
    double dueSeconds = 0;
    std::uint32_t connection = 0;
    DWORD requestId = 0;
    ObjectState state;
    std::string livery;
};

struct PendingRemoval {
    double dueSeconds = 0;
    DWORD objectId = 0;
    bool confirm = true;
};

class AiTraffic {
public:
    // Throws std::invalid_argument when the setup's trace file cannot be written.
    AiTraffic(AiObjectsSetup setup, std::vector<LiverySetup> liveries);

    const AiObjectsSetup& setup() const noexcept { return setup_; }
    // The livery of that title (compared without regard to case), or nullptr.
    const LiverySetup* livery(std::string_view title) const;
    // Created objects and creates waiting for their id.
    std::size_t count() const noexcept { return records.size() + assignments.size(); }
    // When the next assignment or removal falls due.
    std::optional<double> nextDue() const;
    // True while a removal of the object waits for its time.
    bool removalPending(DWORD objectId) const;

    // Rewrites the report file (when the setup names one) and flushes the trace file once
    // their time has come.
    void reportWhenDue(double seconds);
    // The world ends: the last report and what the trace file still holds are written.
    void end();
    // Why the trace file stopped taking lines, once; empty while it takes them.
    std::string takeTraceFailure() { return traceFile_.takeFailure(); }
    // Appends to the object's trace, keeping the newest points, tallies it and writes its line
    // to the trace file when one is due.
    void trace(DWORD objectId, const ObjectState& state, double seconds, TraceSource source);

    std::map<DWORD, AiObjectRecord> records;
    std::vector<PendingAssignment> assignments;
    std::vector<PendingRemoval> removals;
    std::map<DWORD, std::deque<TracePoint>> traces;
    std::map<DWORD, std::vector<ObjectEventRecord>> events;
    std::map<DWORD, AiObjectTally> tallies;
    std::uint32_t nextObjectId = 0;
    // Creates refused because the world held `maxObjects` already.
    std::size_t refusedForRoom = 0;

private:
    void writeReport() const;
    void traceLine(AiObjectTally& tally, DWORD objectId, const ObjectState& state, double seconds,
                   TraceSource source);

    AiObjectsSetup setup_;
    std::vector<LiverySetup> liveries_;
    double nextReport_ = 0;
    TraceFile traceFile_;
};

} // namespace skyloom::simworld
