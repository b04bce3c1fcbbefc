// `TrafficState`: everything the live traffic keeps between two traffic steps, as one object
// that the main worker owns and hands to the step (tests make their own): the live aircraft,
// the adding stack, the paced removal and create queues, the delayed simulator commands, the
// parked-aircraft action schedule and the pacing counters, with what it works with
// (`TrafficLinks`): the queues it talks to the simulator link through, the mailbox, the user
// aircraft, the run's services and the park airport that parking keeps.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "foundation/fnv_hash.h"
#include "sim/sim_command_records.h"
#include "sim/sim_event.h"
#include "traffic/decode/livery_memory.h"
#include "traffic/ground/runway_list.h"
#include "traffic/motion/motion_world.h"
#include "traffic/stands/static_aircraft.h"
#include "traffic/stands/static_aircraft_view.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom {

class AIPositionBatch;
class Clock;
class ParkAirportServices;
class SimCommandQueue;
class SimEventQueue;
class TrafficMailbox;
class UserAircraft;
struct RunServices;

// One aircraft kept out of the simulator until its reports are consistent again.
enum class QuarantineKind : std::uint8_t { groundTrack = 0, failedDeparture = 1 };
struct QuarantineEntry {
    double latitude = 0;  // degrees, of the newest report seen
    double longitude = 0; // degrees
    double time = 0;      // feed time stamp (s) of that report
    std::int32_t count = 0; // consecutive consistent ground samples so far
    QuarantineKind kind = QuarantineKind::groundTrack;
};
// hexid -> entry. It outlives a run: a restart does not let a jumping aircraft back in.
using QuarantineMap = std::unordered_map<std::uint32_t, QuarantineEntry>;


// Capacities reserved at the start.
inline constexpr std::size_t kLiveAircraftReserve = 512;
inline constexpr std::size_t kAddingStackReserve = 64;
inline constexpr std::size_t kDelayedCommandsReserve = 128;
inline constexpr std::size_t kArrivedAircraftReserve = 64;
inline constexpr std::size_t kParkedActionsReserve = 24;

// Pacing of the step, in traffic ticks (10 ms each).
inline constexpr std::uint32_t kRemovalEveryTicks = 10;
inline constexpr std::uint32_t kCreateEveryRemovalSlots = 2; // so every 20 ticks
inline constexpr std::uint32_t kDataRequestEveryTicks = 20;
inline constexpr std::uint32_t kUserAircraftEveryTicks = 20;
inline constexpr std::uint32_t kConflictCheckEveryTicks = 20;
// A delayed object assignment waits this many ticks before the aircraft is switched on.
inline constexpr std::uint32_t kActivationDelayTicks = 200;
// The user aircraft's ground check runs at most this high above the ground.
inline constexpr double kUserGroundCheckMaxHeightFt = 500.0;
// A removal the simulator never confirms gives up its record after this long (steady clock).
inline constexpr std::int64_t kRemovalConfirmTimeoutNs = 30'000'000'000;
// The early and late windows a ground-conflict removal leaves behind.
inline constexpr std::int32_t kConflictWindowTicks = 2700;
inline constexpr std::int32_t kConflictTakeoffLateWindowTicks = 4500;

// One entry of the parked-aircraft action schedule.
enum class ParkedAction : std::uint32_t { enginesOff = 0, arrivalLights = 1, parkedLights = 2 };
struct ParkedActionEntry {
    std::uint32_t hexid = 0;
    std::int32_t dueTick = 0;
    ParkedAction action = ParkedAction::enginesOff;
};

// The counters of the step's paced work, each counting up to its period.
struct TrafficPacing {
    std::uint32_t removal = 0;
    std::uint32_t create = 0;
    std::uint32_t dataRequest = 0;
    std::uint32_t userAircraft = 0;
    std::uint32_t conflict = 0;
};

// The settings the step reads.
struct TrafficOptions {
    bool collisionUserGround = true; // COLLISION_USER_GND
    std::uint32_t navLightsWhileParked = 0; // NAV_LIGHTS_WHILE_PARKED
    bool random = false;                    // RANDOM
};

struct TrafficState;

// What the traffic state works with, handed over when it is built: the simulator link's queues,
// the traffic tick, the mailbox the feed posts to, the user aircraft, the run's services
// (clock, stop request, window) and the park airport that parking keeps. All must outlive it.
struct TrafficLinks {
    SimCommandQueue& commands;
    SimEventQueue& events;
    AIPositionBatch& positions;
    std::atomic<std::uint32_t>& tick;
    TrafficMailbox& mailbox;
    UserAircraft& user;
    const RunServices& services;
    ParkAirportServices& parkAirport;
};

struct TrafficState {
    explicit TrafficState(const TrafficLinks& links);
    TrafficState(const TrafficState&) = delete;
    TrafficState& operator=(const TrafficState&) = delete;

    SimCommandQueue& commands;
    SimEventQueue& events;
    AIPositionBatch& positions;
    Clock& clock;
    std::atomic<std::uint32_t>& tick;
    TrafficMailbox& mailbox;
    UserAircraft& user;
    const RunServices& services;
    ParkAirportServices& parkAirport;
    TrafficOptions options;
    // The park airport's runways, read when parking loads its stands.
    RunwayList runways;
    // What the motion and the decoder read of the world (the runways above among it: none,
    // and no runway is ever identified).
    MotionWorld motionWorld;

    std::vector<LiveAircraft> liveAircraft;
    bool staticErasePending = false;
    std::vector<std::uint32_t> addingStack; // popped from the back
    std::deque<std::uint32_t> removalQueue; // object ids
    std::deque<SimCreateRequest> liveCreateQueue;
    std::deque<SimCreateRequest> staticCreateQueue;
    std::vector<SimEvent> delayedCommands; // value2 counts the ticks waited
    std::vector<ParkedActionEntry> parkedActions; // consumed from the back
    std::vector<std::uint32_t> arrivedAircraft;   // hexids
    // Key texts for which the livery choice found nothing.
    FnvStringSet noLiveryKeys;
    // Hexids whose log already says why they are not shown: each aircraft is named once.
    std::unordered_set<std::uint32_t> notShownExplained;
    // The program keeps one map for every run; a test's state uses its own.
    QuarantineMap* quarantine = &ownQuarantine;
    TrafficPacing pacing;
    // The simulator refused a create for want of room: no create goes to it until it removes an
    // object, and the refused aircraft wait in their queues meanwhile.
    bool simulatorFull = false;
    std::uint64_t parkedStaticCount = 0; // static objects assigned so far this run
    LiveryMemory liveryByHexid;
    // Callsigns of the ghost copies removed this run: they do not come back.
    std::vector<std::string> removedGhosts;
    // The live-vs-parked check: the assigned-static count it last saw and its call counter.
    std::uint64_t parkedCheckSeenCount = 0;
    std::uint32_t parkedCheckCalls = 0;

    QuarantineMap ownQuarantine;

    // Static parking: the placed static aircraft, the run's static hexid counter and the
    // parked-aircraft target (negative: no limit).
    std::vector<StaticAircraft> staticAircraft;
    std::uint32_t staticHexidCounter = 0;
    std::int32_t maxParked = -1;

    std::uint32_t currentTick() const noexcept { return tick.load(std::memory_order_relaxed); }
    // The live aircraft with the hexid, or with the object id; null when none.
    LiveAircraft* findByHexid(std::uint32_t hexid) noexcept;
    LiveAircraft* findByObjectId(std::uint32_t objectId) noexcept;
    // The static aircraft as the checks read them, in the order of the static list.
    std::vector<StaticAircraftView> staticViews() const;
    // The stand id text of log lines: "sid==0?" for 0, "sid==?" for an id of no stand.
    std::string standIdText(std::uint32_t standId) const;
};

// Empties every container and reserves the start capacities (start of the main worker).
void lf_initTrafficState(TrafficState& state);
// The restart's reset: empties the queues, the delayed commands and the schedule, the mailbox,
// the no-livery set, and destroys every live aircraft; the pacing counters start again. The
// quarantine stays.
void lf_resetTrafficState(TrafficState& state);

// Removes what still waits for the aircraft: its delayed commands (by hexid, or by object id
// with hexid 0), its adding-stack entries, its arrival and its parked actions.
void lf_purgePendingFor(TrafficState& state, std::uint32_t hexid, std::uint32_t objectId);

// Cleans the record up (cleanup step) and erases it by moving the last record into its place.
void lf_eraseLiveAircraft(TrafficState& state, std::size_t index);

} // namespace skyloom
