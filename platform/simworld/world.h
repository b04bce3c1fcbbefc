// The simulator in the process: one world shared by every connection, driven by the injected
// clock. It holds the simulator's identity and state (started, flight running), the user
// aircraft on its track, the other objects, the timeline, the faults and the journal. Each
// SimConnect_* function has its twin here, called with the world's number of the connection.
// Before doing anything a call brings the world up to the clock's time: timeline events,
// frames, per-second data and timed faults that fell due are turned into messages, each at
// its own time. CallDispatch hands a connection the messages waiting then and calls the
// callback for each outside the world's lock, so callbacks may call the API (what they cause
// waits for a later dispatch). Every member may be called from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/clock.h"
#include "platform/simconnect/simconnect.h"
#include "platform/simworld/ai_traffic.h"
#include "platform/simworld/connection.h"
#include "platform/simworld/faults.h"
#include "platform/simworld/journal.h"
#include "platform/simworld/object_state.h"
#include "platform/simworld/user_track.h"
#include "platform/simworld/world_setup.h"

namespace skyloom::simworld {

// Requests by type reach at most this far, as in the simulator.
inline constexpr double kMaxRequestRadiusMeters = 200000.0;

class World {
public:
    // Throws std::invalid_argument for a description that cannot be run (duplicate object ids,
    // a frame rate not above 0, two waypoints at one time, ...).
    World(WorldSetup setup, Clock& clock);
    // Ends the world (end()).
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    HRESULT open(const char* name, DWORD configIndex, std::uint32_t& connection);
    HRESULT close(std::uint32_t connection);
    HRESULT callDispatch(std::uint32_t connection, DispatchProc dispatch, void* context);
    HRESULT subscribeToSystemEvent(std::uint32_t connection, DWORD eventId, const char* name);
    HRESULT addToDataDefinition(std::uint32_t connection, DWORD defineId, const char* datumName,
                                const char* unitsName, SIMCONNECT_DATATYPE type, float epsilon,
                                DWORD datumId);
    HRESULT requestDataOnSimObject(std::uint32_t connection, DWORD requestId, DWORD defineId,
                                   DWORD objectId, SIMCONNECT_PERIOD period, DWORD flags,
                                   DWORD origin, DWORD interval, DWORD limit);
    HRESULT requestDataOnSimObjectType(std::uint32_t connection, DWORD requestId, DWORD defineId,
                                       DWORD radiusMeters, SIMCONNECT_SIMOBJECT_TYPE type);
    HRESULT setDataOnSimObject(std::uint32_t connection, DWORD defineId, DWORD objectId,
                               DWORD flags, DWORD arrayCount, DWORD unitSize, const void* data);
    HRESULT mapClientEventToSimEvent(std::uint32_t connection, DWORD eventId, const char* name);
    HRESULT addClientEventToNotificationGroup(std::uint32_t connection, DWORD groupId,
                                              DWORD eventId, BOOL maskable);
    HRESULT setNotificationGroupPriority(std::uint32_t connection, DWORD groupId, DWORD priority);
    HRESULT transmitClientEvent(std::uint32_t connection, DWORD objectId, DWORD eventId, DWORD data,
                                DWORD groupId, DWORD flags);
    HRESULT aiCreateNonAtcAircraft(std::uint32_t connection, const char* containerTitle,
                                   const char* tailNumber,
                                   const SIMCONNECT_DATA_INITPOSITION& position, DWORD requestId);
    HRESULT aiReleaseControl(std::uint32_t connection, DWORD objectId, DWORD requestId);
    HRESULT aiRemoveObject(std::uint32_t connection, DWORD objectId, DWORD requestId);
    HRESULT aiSetAircraftFlightPlan(std::uint32_t connection, DWORD objectId, const char* path,
                                    DWORD requestId);
    HRESULT getLastSentPacketId(std::uint32_t connection, DWORD* packetId);
    HRESULT addToFacilityDefinition(std::uint32_t connection, DWORD defineId,
                                    const char* fieldName);
    HRESULT requestFacilityData(std::uint32_t connection, DWORD defineId, DWORD requestId,
                                const char* icao, const char* region);

    // The world ends (program shutdown): the last AI report is written and the trace file
    // flushed, so that they show every object as removed or still there. The world goes on
    // working; a later end writes them again.
    void end();

    // For tests and tools.
    std::vector<JournalEntry> journal() const;
    std::vector<std::string> journalLines() const;
    void clearJournal();
    // Throws std::invalid_argument for a fault that cannot be run (gf_faultSetupProblem).
    void addFault(FaultSetup fault);
    double secondsSinceStart() const;
    bool simulatorRunning();
    bool flightRunning();
    std::size_t connectionCount() const;
    ObjectState userAircraft();
    std::optional<ObjectState> object(DWORD objectId);
    const WorldSetup& setup() const { return setup_; }

    // The AI objects clients created (world_ai.cpp): their ids, control state, position trace
    // (every object's, the user's holding only ignored writes) and client events received.
    std::vector<DWORD> aiObjectIds();
    std::optional<AiObjectRecord> aiObject(DWORD objectId);
    std::vector<TracePoint> trace(DWORD objectId);
    std::vector<ObjectEventRecord> clientEvents(DWORD objectId);
    // Creates still waiting for their object id.
    std::size_t pendingAssignments();
    // Creates refused so far because the world held as many objects as it takes.
    std::size_t refusedCreates();

private:
    struct Call {
        Connection* connection = nullptr;
        std::uint32_t number = 0;
        std::string_view function;
        double now = 0;
        DWORD packet = 0;
        HRESULT failure = S_OK;
        std::string failureNote;
        std::vector<FaultSetup> exceptionsAfter;
        bool proceed() const { return connection != nullptr && failure == S_OK; }
    };

    // Under the lock: brings the world to the clock's time, finds the connection, applies the
    // faults of the call and, when it goes on, gives it its packet id.
    Call beginCall(std::uint32_t connection, std::string_view function, bool sendsPacket = true);
    // Journals the call and queues the exceptions faults attach to its packet.
    HRESULT finishCall(Call& call, const std::string& args, HRESULT result,
                       const std::string& note = {});
    // Queues the simulator's objection to the call's packet.
    void refuse(Call& call, DWORD exception, DWORD index, const std::string& reason);
    // Puts the message among the waiting ones by its due time, after those due at that time.
    void queue(Connection& connection, QueuedMessage message, double at);
    // Takes the waiting messages due after `dueAfter` (all by default) out of the queue and
    // journals each as dropped, for `why`.
    void dropWaiting(Connection& connection, double at, std::string_view why,
                     double dueAfter = -std::numeric_limits<double>::infinity());

    double nowSeconds() const;
    Clock::UtcTime zuluAt(double seconds) const;
    bool isUser(DWORD objectId) const;
    std::optional<ObjectState> objectAt(DWORD objectId, double seconds) const;
    void journalWorld(double seconds, std::uint32_t connection, std::string text);

    void advance(double now);
    void runTimelineEvent(const TimelineEvent& event);
    // A timed fault reaches the live connections it applies to; with none it waits for the
    // first that opens (waitingFaults_).
    void runTimedFault(const FaultSetup& fault, double at);
    void applyTimedFault(Connection& connection, const FaultSetup& fault, double at);
    void deliverWaitingFaults(Connection& connection, double at);
    static bool receivesFault(const Connection& connection, const FaultSetup& fault);
    void startFlight(double at);
    void stopFlight(double at);
    void produceFrame(double at);
    void answer(Connection& connection, const DataRequest& request, double at);
    void answerOrWait(Connection& connection, const DataRequest& request, double at);
    // AI objects (world_ai.cpp).
    void runAiDue(double at);
    void assignObject(const PendingAssignment& assignment);
    void finishRemoval(const PendingRemoval& removal);
    // The simulator quits: every AI object created by a client goes with it, creates and
    // removals under way too, and nobody is told.
    void dropAiObjects(double at);
    void moveUnfrozenObjects(double at);
    void onObjectWritten(DWORD objectId, ObjectState& written, double at);
    void onClientEvent(DWORD objectId, const std::string& event, DWORD data, double at);

    void notifyAll(std::string_view systemEvent, double at,
                   const std::function<QueuedMessage(DWORD eventId)>& make);

    mutable std::mutex mutex_;
    Clock& clock_;
    WorldSetup setup_;
    Clock::SteadyTime start_;
    Clock::UtcTime zuluStart_;
    UserTrack userTrack_;
    std::map<std::string, DWORD> userEventValues_;
    std::map<DWORD, ObjectState> objects_;
    std::vector<TimelineEvent> timeline_;
    std::size_t nextTimelineEvent_ = 0;
    FaultPlan faults_;
    std::vector<FaultSetup> waitingFaults_; // timed faults that fell due before a connection
    Journal journal_;
    std::map<std::uint32_t, Connection> connections_;
    std::uint32_t nextConnection_ = 1;
    bool simulatorRunning_ = true;
    bool flightRunning_ = false;
    double flightStartedAt_ = 0;
    std::uint64_t framesThisFlight_ = 0;
    double nextFrameAt() const;
    AiTraffic ai_;
};

} // namespace skyloom::simworld
