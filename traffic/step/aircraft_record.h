// The records of the aircraft the live traffic shows: `AircraftBase`, the part every live and
// static aircraft shares, and `LiveAircraft`, one aircraft of the feed in the simulator; the
// two state enumerations `SimState` and `FlightPhase` with their texts; and the per-category
// handling constants (`CategoryHandling`) with the model lists that refine them.
#pragma once

#include <chrono>
#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "feed/traffic_entry.h"
#include "foundation/iata_code.h"
#include "foundation/lalo.h"
#include "refdata/aircraft_category.h"
#include "refdata/livery_key.h"
#include "traffic/motion/motion_step.h"

namespace skyloom {

enum class SimState : std::uint32_t {
    buffer = 0,          // record exists, no simulator object requested
    adding2sim = 1,      // create requested, object not yet assigned
    active = 2,          // simulator object assigned, moved every tick
    liveryrespawn = 3,   // object being removed to come back with another livery
    removingfromsim = 4,     // removal requested, waiting for the confirmation
};

enum class FlightPhase : std::uint32_t {
    pushing_back = 0,
    pushed_back = 1,
    taxi = 2,
    takeoff_roll = 3,
    takeoff = 4,
    flying = 5,
    landing = 6,
    landing_roll = 7,
    parking = 8,
    parked = 9,
    birth = 10,
};

// "buffer", "adding2sim", ...; "?" outside the enumeration.
std::string_view gf_simStateText(SimState state) noexcept;
// "pushing_back", ..., "birth"; "?" outside the enumeration.
std::string_view gf_flightPhaseText(FlightPhase phase) noexcept;

// The handling constants of one category.
struct CategoryHandling {
    double cgHeightFt = 0;
    double rotationPitchDeg = 0;     // before the per-aircraft variation; negative is nose up
    double initialClimbPitchDeg = 0; // before the per-aircraft variation
    double headingRateRadPerTick = 0;
    std::int32_t flareTicks = 0;
    std::int32_t touchDownTicks = 0;
    std::int32_t rotationTicks = 0;
    std::int32_t climbPitchTicks = 0;
    double maxClimbStepFtPerTick = 0;
    double pushbackSpeedKt = 0;
    double referenceSpeedKt = 0; // of the motion; Rotorcraft 0
};

// The category's constants; a value outside the enumeration gets Large's.
const CategoryHandling& gf_categoryHandling(AircraftCategory category) noexcept;

// Membership of the three model lists, by whole model code.
bool gf_isRegionalModel(std::string_view modelCode) noexcept;
bool gf_isLightTwinModel(std::string_view modelCode) noexcept;
bool gf_isLightSingleModel(std::string_view modelCode) noexcept;

struct AircraftBase {
    LiveryKey key;
    IataCode origin;
    IataCode destination;
    std::uint8_t reserved = 0;
    std::string callsign;
    std::string displayCallsign;
    std::string thirdText;
    std::string registration;
    double halfWingspanNm = 0;
    double conflictRadiusNm = 0;
    double standFitRadiusNm = 0;
    double wideStandFitRadiusNm = 0;
    double cgHeightFt = 0;
    std::uint8_t cgReported = 0;
    double groundPitchRad = 0;
    double rotationPitchRad = 0;
    double initialClimbPitchRad = 0;
    double headingRateRadPerTick = 0;
    double workingHeadingRateRadPerTick = 0;
    double maxClimbStepFtPerTick = 0;
    double pushbackSpeedKt = 0;
    std::uint32_t hexid = 0;
    AircraftCategory category = AircraftCategory::Large;
    std::string_view liveryTitle; // a view into the livery tables
    std::int32_t flareTicks = 0;
    std::int32_t touchDownTicks = 0;
    std::int32_t rotationTicks = 0;
    std::int32_t climbPitchTicks = 0;
    std::uint8_t jet = 0;
    std::uint8_t regional = 0;
    std::uint8_t lightTwin = 0;
    std::uint8_t lightSingle = 0;
    std::uint8_t fsltlLivery = 0;
    std::uint8_t tcasCoverage = 0;
};

// The assigned stand and the time slot in which the aircraft was created or parked.
struct LiveStand {
    double latitude = 0;
    double longitude = 0;
    double headingRad = 0;
    std::uint64_t daySlot = 0;
    std::uint32_t spare = 0;
    std::uint32_t standId = 0; // 1-based, 0 for none
    std::uint8_t cargo = 0;
    std::uint8_t atGate = 0;
};

// What the live traffic last sent the simulator for the object.
struct SentPosition {
    double latitude = 0;
    double longitude = 0;
    double pitchRad = 0;
    double bankRad = 0;
    double headingRad = 0;
    double altitudeFt = 0;
    double verticalSpeedFpm = 0;
    double trueAirspeedKt = 0;
};

// The removal bookkeeping.
struct RemovalFlags {
    std::uint8_t constructed = 1;
    // The create request had left the create queue when removal was asked: the removal waits
    // for the object's assignment.
    std::uint8_t removalRequested = 0;
    // Set when the spawn gate or the spawn drops the aircraft.
    std::uint8_t eraseBySpawn = 0;
    // Erase after cleanup at the next sweep.
    std::uint8_t eraseAfterCleanup = 0;
    // The pending create request was withdrawn: erase at the end of the running removal loop.
    std::uint8_t eraseNow = 0;
};

// The phase and the history the phase changes keep.
struct PhaseState {
    FlightPhase phase = FlightPhase::birth;
    FlightPhase previous = FlightPhase::birth;
    FlightPhase beforePrevious = FlightPhase::birth;
    std::uint32_t changeTick = 0;
};

// The motion and sample-check values whose defaults differ from zero.
struct MotionState {
    std::int32_t extrapolationCounter = 0;
    std::int32_t earlyWindowTicks = 900;
    std::int32_t lateWindowTicks = 900;
    std::int32_t rotationCounter = 1;
    std::int32_t holdingSinceTick = 0;
    std::int32_t stepTicks = 1;
    double heightAboveGroundFt = 2500.0;
    double rotationBudget = 900.0;
    double curveStartLatitude = std::numeric_limits<double>::quiet_NaN();
    double curveStartLongitude = std::numeric_limits<double>::quiet_NaN();
    // The seconds between the time stamps of the two newest reports that joined the stream:
    // how often the feed reports the aircraft (not a number before its second).
    double reportIntervalSeconds = std::numeric_limits<double>::quiet_NaN();
    // The ground's altitude (ft) under the aircraft, as the simulator last reported it (not a
    // number before its first report).
    double groundAltitudeFt = std::numeric_limits<double>::quiet_NaN();
    std::uint8_t onGround = 0;
    std::uint8_t landed = 0;
    // The park airport is the destination and not the origin.
    std::uint8_t arrival = 0;
    // Collided with the user aircraft at a spawn attempt.
    std::uint8_t userCollision = 0;
};

// The touch-down values: NaN until the aircraft touches down.
struct TouchDown {
    double altitudeFt = std::numeric_limits<double>::quiet_NaN();
    double verticalSpeedFpm = std::numeric_limits<double>::quiet_NaN();
    std::uint8_t seen = 0;
    // The height (ft) the simulator's ground reports found the aircraft at when it touched
    // down, with its pitch then: the altitude settles from it as the nose comes down.
    double heightFt = std::numeric_limits<double>::quiet_NaN();
    double pitchRad = std::numeric_limits<double>::quiet_NaN();
    std::uint8_t heightSet = 0;
    std::uint8_t unusableReportSeen = 0;
};

// The heading and sample bytes a livery respawn keeps for the new object.
struct RespawnState {
    double headingRad = 0;
    std::uint8_t pending = 0;
    std::uint8_t airborne = 0;
    std::uint8_t bankValid = 0;
    std::uint8_t headingValid = 0;
};

struct ParamsSnapshot;

// Bizjet, Large and Heavy always; Light, TwoProps, HighPerf and Rotorcraft as the settings
// LIGHT_AIRCRAFT, TWO_PROPS, HIGH_PERF_AIRCRAFT and HELICOPTERS say; nothing else.
bool gf_isCategoryIncluded(AircraftCategory category, const ParamsSnapshot& settings) noexcept;

// The seconds between the reports of two stream samples, by their feed time stamps; not a
// number where either is a sample the motion made up where no report put the aircraft (its
// stamp not a number: an extrapolated one); between their arrival ticks in a stream made by
// hand, whose samples carry no stamps.
inline double gf_secondsBetweenReports(const TrafficSample& from,
                                       const TrafficSample& to) noexcept {
    if (from.reportTime == 0 && to.reportTime == 0) {
        return static_cast<double>(to.time - from.time) / 100.0;
    }
    return to.reportTime - from.reportTime;
}

// What the stands keep watching of a live aircraft: whether it was seen at its stand, when it
// parked there (steady clock, renewed by each sample at the stand), and the last position a
// stand was searched for with whether that search found one.
struct StandWatch {
    std::chrono::steady_clock::time_point parkedAt{};
    double searchLatitude = 0;
    double searchLongitude = 0;
    std::uint8_t seenAtStand = 0;
    std::uint8_t searchTried = 0;
    std::uint8_t searched = 0; // a search position is stored
};

// What the new-sample checks keep: the departure marks read by the ground motion, the
// distances of the samples at the stand (NM; nearest below 0 until the first), the push-back
// candidate, the push-back and away references, and the take-off and short-stay marks.
struct SampleWatch {
    double nearestNm = -1;
    double farthestNm = 0;
    double candidateNm = 0;
    Lalo pushbackReference;
    Lalo awayReference;
    std::int32_t outwardSteps = 0;
    std::int32_t awayCount = 0;
    std::uint8_t candidateAttitude[3] = {0, 0, 0};
    std::uint8_t pushbackRequest = 0;
    std::uint8_t noseOut = 0;
    std::uint8_t pushbackCandidate = 0;
    std::uint8_t hasPushbackReference = 0;
    std::uint8_t away = 0;
    std::uint8_t takeoffInProgress = 0;
    std::uint8_t shortStay = 0;
    // Reports refused while the aircraft extrapolated: they lay behind it, out of reach of its
    // last report taken (the removal at the end of the extrapolation says so).
    std::int32_t behindWhileExtrapolating = 0;
};

// Fills the common part from the first traffic report: the report's key, route and texts, the
// model's half wingspan and category from the reference data, and the category's handling
// constants, the two pitches varied per aircraft.
void gf_initAircraftBase(AircraftBase& out, const TrafficEntry& head);
// The radius within which a stand fits the aircraft, and the wider one of a stand whose flight
// option names it, from its half wingspan.
void gf_setStandFitRadii(AircraftBase& base) noexcept;

struct LiveAircraft {
    // Copies the base and starts the stream with the first report's sample.
    LiveAircraft(const TrafficSample& first, AircraftBase base, double timestamp,
                 std::uint64_t daySlot);
    LiveAircraft(LiveAircraft&&) noexcept = default;
    LiveAircraft& operator=(LiveAircraft&&) noexcept = default;
    LiveAircraft(const LiveAircraft&) = delete;
    LiveAircraft& operator=(const LiveAircraft&) = delete;

    AircraftBase base;
    std::uint32_t objectId = 0;
    LiveStand stand;
    SimState simState = SimState::buffer;
    std::int32_t throttleIndex = 5; // none sent
    std::int32_t flapsIndex = 4;    // none sent
    RemovalFlags removal;
    SentPosition sent;
    std::deque<TrafficSample> stream; // oldest first
    double lastSampleTime = 0;
    // The newest report decoded for the aircraft, taken or thinned out (its time stamp NaN
    // before the first): a jump is measured from it.
    Lalo lastReport;
    double lastReportTime = std::numeric_limits<double>::quiet_NaN();
    // The tick at which the newest report of the feed for the aircraft falls due by its time
    // stamp, whatever became of it (taken, thinned out, a repeat left out): when its reports
    // run out is reckoned from it, not from the samples' ticks, which the motion times later
    // where the aircraft is late.
    std::int32_t newestReportDueTick = 0;
    // The newest report that joined the stream, where it was reported (the motion may move
    // its sample later), its time stamp, track and ground speed: a report behind it is judged
    // from there.
    Lalo takenReport;
    double takenReportTime = std::numeric_limits<double>::quiet_NaN();
    double takenReportTrackDeg = std::numeric_limits<double>::quiet_NaN();
    double takenReportSpeedKt = std::numeric_limits<double>::quiet_NaN();
    PhaseState phase;
    MotionState motion;
    MotionStep step; // the motion between samples
    std::uint8_t groundConflict = 0;
    std::string motionText;
    std::string pendingCallsign;
    std::uint32_t pendingCallsignCount = 0;
    // A changed route "{orig}>{dest}" waiting for its confirmation, and its count.
    std::string pendingRoute;
    std::uint32_t pendingRouteCount = 0;
    TouchDown touchDown;
    RespawnState respawn;
    // Steady time (ns) at which the removal went to the simulator; 0 before.
    std::int64_t removalSentNs = 0;
    // Where the live-vs-parked check last looked at the aircraft; 0,0 = never.
    double parkedCheckLatitude = 0;
    double parkedCheckLongitude = 0;
    StandWatch standWatch;
    SampleWatch sampleWatch;
    // The main loop has matched the aircraft against the park airport's real stand options.
    std::uint8_t realOptionsMatched = 0;
};

} // namespace skyloom
