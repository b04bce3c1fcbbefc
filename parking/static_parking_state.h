// What the static parking plan works on and keeps: `StaticParkingState`, the parking plan
// (the `StaticParkRequest`s handed to the traffic step), the removal list, the feed identity
// sets taken over from the reader, the live stayers, the search direction and the wanted
// count; `ParkingSeams`, the operations of the neighbouring parts that the plan calls (stand
// and option helpers, the park airport, the live traffic, the window's parking controls);
// `StaticParkingRun`, the inputs of one plan or adjustment. Everything here belongs to the
// main worker thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "config/params_snapshot.h"
#include "feed/feed_identities.h"
#include "feed/traffic_entry.h"
#include "refdata/airport_file.h"
#include "traffic/stands/static_aircraft.h"

namespace skyloom {

class ParkedTrafficList;
class WindowSink;

using ParkingPlanEntry = StaticParkRequest;

// One static aircraft to remove: the callsign it shows and its stand.
struct RemovalEntry {
    std::string callsign;
    std::int32_t sid = 0;

    friend bool operator==(const RemovalEntry&, const RemovalEntry&) = default;
};

// The counts of one search kind.
struct SearchCounters {
    std::int32_t rtPlaced = 0;
    std::int32_t kept = 0;
    std::int32_t airportFilePlaced = 0;
};

// The neighbouring parts' operations, each named after the operation it stands for. The
// stand table is passed where the operation works on it. A plan runs once all but the live
// traffic's stand search, stayers and removals are set (gf_missingParkingSeams); an adjustment
// needs those too (gf_missingAdjustmentSeams).
struct ParkingSeams {
    // Stand and option helpers.
    // The stand with that sid, or null when the sid names no stand of the table.
    std::function<Stand*(std::vector<Stand>& stands, std::int32_t sid)> gf_standById;
    std::function<bool(std::vector<Stand>& stands, std::int32_t sid, std::int32_t wanted)>
        gf_reserveStand;
    std::function<bool(const std::vector<Stand>& stands, std::int32_t a, std::int32_t b)>
        gf_standsConflict;
    std::function<bool(const StaticAircraft& aircraft, const FlightOption& option)>
        lf_sameAircraftKey;
    std::function<std::int32_t(std::int32_t percentage, std::int32_t maxParked)>
        gf_setParkedAircraftTarget;
    std::function<void(std::vector<Stand>& stands, const std::string& name,
                       const std::string& label)>
        gf_blockUserStandForStatic;
    std::function<std::int32_t(std::span<const Stand> stands, const std::string& text,
                               const Lalo& position)>
        lf_findStandByWord;
    // The park airport.
    std::function<std::optional<std::string>()> gf_currentParkAirportName;
    // The name of the stand at the user aircraft's position (gf_standAtPosition); none when
    // the user is not at a stand or the position is not known.
    std::function<std::optional<std::string>()> gf_standAtUserPosition;
    std::function<std::string(std::int32_t sid)> gf_standIdText;
    // The live traffic.
    std::function<bool(AircraftCategory category)> gf_isCategoryIncluded;
    std::function<std::optional<std::string>(const std::string& callsign)> gf_isValidIcao;
    std::function<void(AircraftBase& base, const ParkedEntry& entry)> gf_initAircraftBase;
    // The nearest suitable stand for the aircraft at the position, with the fallback to a
    // near stand with a matching flight option allowed; its sid, or none. Unset: a RealTraffic
    // parked aircraft goes only on the stand it names.
    std::function<std::optional<std::int32_t>(const std::vector<Stand>& stands,
                                              const AircraftBase& base, const Lalo& position)>
        gf_findNearest;
    std::function<void(std::vector<LiveStayer>& stayers)> lf_collectLiveStayers;
    std::function<void(std::int32_t count)> lf_removeNOldestLiveParked;
    std::function<void(StaticAircraft& aircraft)> removeAircraftFromSim;
    // The feed's parked-traffic processing on the road in use (gf_processParkedTraffic): it
    // calls the installed placement with RT_PARKTRAFFIC_ONLY on, which the plan installs for
    // the call.
    std::function<bool(std::int32_t wanted)> gf_processParkedTraffic;
    // The window's parking controls.
    std::function<void()> gf_disableParkingControls;
    std::function<void()> gf_enableParkingControls;
};

// The names of the seams that are not set; empty when the plan can run.
std::vector<std::string> gf_missingParkingSeams(const ParkingSeams& seams);
// The same for an adjustment, which also keeps live stayers and removes aircraft.
std::vector<std::string> gf_missingAdjustmentSeams(const ParkingSeams& seams);

// The model facts the plan reads; by default from the dbase (gf_modelCategory, gf_wingspan).
struct ModelFacts {
    std::function<AircraftCategory(std::uint16_t modelId)> category;
    std::function<double(std::uint16_t modelId)> halfWingspanNm; // 0 when unknown
};
ModelFacts gf_dbaseModelFacts();

struct StaticParkingState {
    std::vector<ParkingPlanEntry> plan; // taken from the back by the traffic step
    std::vector<RemovalEntry> removals;
    FeedCallsignSet feedCallsigns;
    FeedHexidSet feedHexids;
    std::vector<LiveStayer> stayers;
    bool generating = false;     // a plan started; the main cycle re-enables the controls
    bool nextScanForward = true; // for the run: flipped by every stand scan
    std::int32_t wanted = 0;
};

// Forgets what a plan left behind when static parking stops: the plan, the removals, the feed
// sets and the live stayers (their stand ids name stands of the airport that was left).
void gf_clearStaticParkingState(StaticParkingState& state);

// The inputs of one plan or adjustment.
struct StaticParkingRun {
    std::vector<Stand>& stands; // the park airport's stand table
    std::vector<StaticAircraft>& statics;
    std::span<const LiveAircraft> live;
    const ParamsSnapshot& settings;
    std::int32_t qfSoft = 0; // of the loaded airport file
    std::uint64_t now = 0;   // the current DaySlot
    const ParkingSeams& seams;
    const ModelFacts& models;
    WindowSink& window;
    // The reader's identity sets to take over, and its completed parked list for the
    // placement by age; null when the road has none.
    FeedIdentities* feedIdentities = nullptr;
    ParkedTrafficList* parkedList = nullptr;
};

} // namespace skyloom
