// `TrafficState`: everything the live traffic keeps between two traffic steps, as one object
// that the main worker owns and hands to the step (tests make their own): the live aircraft,
// the adding stack, the paced removal and create queues, the delayed simulator commands, the
// parked-aircraft action schedule and the pacing counters, with the queues it talks to the
// simulator link through. `TrafficSteps` holds the work of the step that other parts of the
// live traffic provide (per-tick update, cleanup, static aircraft, ground handling); where one
// is empty the step leaves that work out.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/fnv_hash.h"

#include "sim/sim_command_records.h"
#include "sim/sim_event.h"
#include "foundation/lalo.h"
#include "traffic/step/aircraft_record.h"
#include "traffic/motion/motion_world.h"
#include "traffic/stands/static_aircraft.h"
#include "traffic/decode/livery_memory.h"
#include "traffic/stands/static_aircraft_view.h"
#include "traffic/stands/static_aircraft.h"

namespace skyloom {

class AIPositionBatch;
class Clock;
class SimCommandQueue;
class SimEventQueue;
class TrafficMailbox;
class UserAircraft;
struct RunServices;
struct GroundCheckAircraft;
struct LiveryAircraft;
struct Stand;

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

// What a recorded stand use says: the aircraft arrived, left the stand, or is gone.
inline constexpr std::int32_t kStandUseArrived = 0;
inline constexpr std::int32_t kStandUseLeft = 2;
inline constexpr std::int32_t kStandUseGone = 3;

// The work other parts of the live traffic hand to the step; each may be empty.
struct TrafficSteps {
    // The per-tick update of one live aircraft; true when it wants a sweep of erased records.
    std::function<bool(TrafficState&, LiveAircraft&)> updateLiveAc;
    // Releases what a live record holds (stand, pending entries) before it is erased.
    std::function<void(TrafficState&, LiveAircraft&)> cleanupLiveAircraft;
    // Reports the aircraft's livery as one the simulator could not create.
    std::function<void(TrafficState&, const AircraftBase&)> reportLiveryCreationFailure;
    // An assigned aircraft whose newest sample is on the ground goes to the ground handling.
    std::function<void(TrafficState&, LiveAircraft&)> handleGroundTraffic;
    // The flight-plan hand-over of a newly assigned aircraft.
    std::function<void(TrafficState&, LiveAircraft&)> flightPlanHandOver;
    // An AI position report (touch-down check, altitude correction) for a live aircraft.
    std::function<void(TrafficState&, LiveAircraft&, const SimEvent&)> aiPositionReport;
    // The stand id text of log lines.
    std::function<std::string(std::uint32_t standId)> standIdText;

    // --- Motion, sample checks and phase changes ---
    // Advances the motion when the oldest sample is due.
    std::function<void(TrafficState&, LiveAircraft&)> nextPosMain;
    // Moves the aircraft by one tick.
    std::function<void(TrafficState&, LiveAircraft&)> moveOneTick;
    // Turns a standing aircraft toward its pending heading target.
    std::function<void(TrafficState&, LiveAircraft&)> steerHeading;
    // The standing and line-up tracker.
    std::function<void(TrafficState&, LiveAircraft&)> trackLineUp;
    // A taxiing aircraft starts its take-off roll.
    std::function<void(TrafficState&, LiveAircraft&)> startTakeoffRoll;

    // --- Stands, ghosts, collisions and the livery memory ---
    // True when a live aircraft with the callsign (the ghost's without its "_") is not being
    // removed; the removal of the ghost copy of a callsign.
    std::function<bool(TrafficState&, std::string_view callsign)> ghostHasLiveFlight;
    std::function<void(TrafficState&, std::string_view callsign)>
        removeGhostWithUnderscoreIfPresent;
    // The user-collision tests of a spawn: on the ground, and in the air (`onGround`: the
    // sample taken as standing on the ground).
    std::function<bool(TrafficState&, LiveAircraft&, const TrafficSample&)> userGroundCollision;
    std::function<bool(TrafficState&, LiveAircraft&, const TrafficSample&, bool onGround)>
        userAirCollision;
    // The livery a hexid was created with: recalled, remembered, forgotten.
    std::function<std::string_view(TrafficState&, std::uint32_t hexid)> recalledLivery;
    std::function<void(TrafficState&, std::uint32_t hexid, std::string_view title)>
        rememberLivery;
    std::function<void(TrafficState&, std::uint32_t hexid)> forgetLivery;

    // --- Static aircraft ---
    // A live aircraft parks on the stand: the static parking no longer plans it, and an active
    // static aircraft on it is removed (its callsign returned).
    std::function<void(TrafficState&, std::uint32_t standId)> dropStaticParkRequestsForStand;
    std::function<std::optional<std::string>(TrafficState&, std::uint32_t standId)>
        removeStaticOnStand;
    // Erases the static records marked for erasure (the static-erase-pending sweep).
    std::function<void(TrafficState&)> eraseMarkedStatics;
    // Places waiting static aircraft (a creation slot that no live request used).
    std::function<void(TrafficState&)> parkStaticAircraft;
    // Switches a static aircraft on when its delayed assignment expires.
    std::function<void(TrafficState&, const SimEvent&)> handleDelayedStaticCommand;
    // Erases the static aircraft with the object id; false when there is none.
    std::function<bool(TrafficState&, std::uint32_t objectId)> eraseStaticByObject;
    // A static create failed: report its livery and erase it.
    std::function<void(TrafficState&, std::uint32_t hexid)> staticCreateFailed;
    // The static aircraft for the user's ground check, and the removal of the one it names.
    std::function<std::vector<GroundCheckAircraft>(TrafficState&)> staticGroundCheckAircraft;
    std::function<void(TrafficState&, std::size_t index)> removeStaticAircraft;
    // What the collision checks and the bulk removals read of each static aircraft, in the
    // order of the static list (the index is the one removeStaticAircraft takes).
    std::function<std::vector<StaticAircraftView>(TrafficState&)> staticAircraftViews;
    // Erases, keeping the order of the others, the static records whose create request was
    // withdrawn (erase-now flag), each after its pending entries are purged.
    std::function<void(TrafficState&)> eraseWithdrawnStatics;
    // Drops the waiting static-parking requests of Rotorcraft models.
    std::function<void(TrafficState&)> dropRotorcraftParkRequests;
    // gf_countStaticAircraft: the static aircraft active or being removed.
    std::function<std::uint64_t(TrafficState&)> countStaticAircraft;

    // --- Pending work of other steps ---
    // lf_purgePendingFor: drops the aircraft's entries from the delayed commands, the adding
    // stack, the arrived list and the parked-action schedule.
    std::function<void(TrafficState&, std::uint32_t hexid, std::uint32_t objectId)>
        purgePendingFor;
    // gf_standByName: the stand id of a stand id text (0 for none).
    std::function<std::uint32_t(std::string_view text)> standByName;

    // --- Stands and the park airport (the stand helpers of parking) ---
    std::function<const Stand*(std::int32_t sid)> gf_standById;
    std::function<bool(std::int32_t sidA, std::int32_t sidB)> gf_standsConflict;
    std::function<bool(const Stand& stand, AircraftCategory category, double halfWingspanNm)>
        gf_standFitsAircraft;
    std::function<bool(const Stand& stand, const AircraftBase& base)>
        lf_standHasMatchingFlightOption;
    std::function<std::optional<std::string>()> gf_currentParkAirportName;
    // The id text of the stand under the user aircraft (gf_standAtPosition); none off a stand.
    std::function<std::optional<std::string>()> gf_standAtUserPosition;
    // The park airport's position; none without a park airport or with an invalid position.
    std::function<std::optional<Lalo>()> gf_parkAirportPosition;
    std::function<bool(AircraftCategory category)> gf_isCategoryIncluded;
    // The livery of a static aircraft (gf_matchStaticLivery unless a test sets another).
    std::function<bool(LiveryAircraft& aircraft, const Stand& stand)> gf_matchStaticLivery;
    // Records a use of a stand by a live aircraft (gf_addRealStandOption, a kStandUse kind).
    std::function<void(TrafficState&, LiveAircraft&, std::int32_t kind)>
        gf_addRealStandOption;
    // The drive of a live aircraft to its stand position.
    std::function<void(TrafficState&, LiveAircraft&, const Lalo& standPosition)> drive2Stand;

    // --- The world around the traffic ---
    // The user's size-and-speed term (NM) of the user aircraft's ground check; without it the
    // check does not run.
    std::function<double(TrafficState&)> userGroundTermNm;
    // Sends the user position to the RealTraffic App (its road only).
    std::function<void()> sendPositionToApp;
    // gf_removeBlockedAc: removes the live aircraft that the settings' block names (the main
    // loop's user-data step).
    std::function<void(TrafficState&)> removeBlockedAc;
};

struct TrafficState {
    TrafficState(SimCommandQueue& commandQueue, SimEventQueue& eventQueue,
                 AIPositionBatch& positionBatch, Clock& steadyClock,
                 std::atomic<std::uint32_t>& trafficTick);
    TrafficState(const TrafficState&) = delete;
    TrafficState& operator=(const TrafficState&) = delete;

    SimCommandQueue& commands;
    SimEventQueue& events;
    AIPositionBatch& positions;
    Clock& clock;
    std::atomic<std::uint32_t>& tick;
    TrafficMailbox* mailbox = nullptr;   // none: the step takes no traffic
    UserAircraft* user = nullptr; // none: no user-aircraft task
    RunServices* services = nullptr; // none: no window lines, the run counts as going on
    TrafficSteps steps;
    TrafficOptions options;
    // What the motion and the decoder read of the world (the park airport's runways among it:
    // none, and no runway is ever identified).
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
    // The program keeps one map for every run; a test's state uses its own.
    QuarantineMap* quarantine = &ownQuarantine;
    TrafficPacing pacing;
    std::uint64_t parkedStaticCount = 0; // static objects assigned so far this run
    LiveryMemory liveryByHexid;
    // Callsigns of the ghost copies removed this run: they do not come back.
    std::vector<std::string> removedGhosts;
    // The live-vs-parked check: the assigned-static count it last saw and its call counter.
    std::uint64_t parkedCheckSeenCount = 0;
    std::uint32_t parkedCheckCalls = 0;

    QuarantineMap ownQuarantine;

    // Static parking: the placed static aircraft, the plan's waiting requests (taken from the
    // back; none: no static parking), the park airport's stands (none: no stands), the run's
    // static hexid counter and the parked-aircraft target (negative: no limit).
    std::vector<StaticAircraft> staticAircraft;
    std::vector<StaticParkRequest>* staticRequests = nullptr;
    const std::vector<Stand>* stands = nullptr;
    std::uint32_t staticHexidCounter = 0;
    std::int32_t maxParked = -1;

    std::uint32_t currentTick() const noexcept { return tick.load(std::memory_order_relaxed); }
    // The live aircraft with the hexid, or with the object id; null when none.
    LiveAircraft* findByHexid(std::uint32_t hexid) noexcept;
    LiveAircraft* findByObjectId(std::uint32_t objectId) noexcept;
    // The static aircraft as the checks read them; none without both static seams.
    std::vector<StaticAircraftView> staticViews();
    // The stand id text of log lines (the number itself without the stands' own text).
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
