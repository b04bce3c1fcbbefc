// What the static parking plan works on and keeps: `StaticParkingState`, the parking plan
// (the `StaticParkRequest`s handed to the traffic step), the removal list, the feed identity
// sets taken over from the reader, the live stayers, the search direction and the wanted
// count; `StaticParkingRun`, the inputs of one plan or adjustment. The plan calls the parking
// code's own stand helpers, the live traffic and the feed directly, and reaches the window
// through `ParkingWindow`. Everything here belongs to the main worker thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "config/params_snapshot.h"
#include "feed/feed_identities.h"
#include "feed/traffic_entry.h"
#include "parking/parking_window.h"
#include "refdata/airport_file.h"
#include "traffic/stands/static_aircraft.h"

namespace skyloom {

class ParkedTrafficList;
class ParkingState;
struct TrafficState;
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

struct StaticParkingState {
    std::vector<ParkingPlanEntry> plan; // taken from the back by the traffic step
    std::vector<RemovalEntry> removals;
    FeedCallsignSet feedCallsigns;
    FeedHexidSet feedHexids;
    std::vector<LiveStayer> stayers;
    bool generating = false;     // a plan started; the main cycle re-enables the controls
    bool nextScanForward = true; // for the run: flipped by every stand scan
    std::int32_t wanted = 0;
    // What the window's parking panel was last shown; it outlives a stop, so that the next
    // change is compared with what the panel really shows.
    StaticParkingShown shown;
};

// Forgets what a plan left behind when static parking stops: the plan, the removals, the feed
// sets and the live stayers (their stand ids name stands of the airport that was left).
void gf_clearStaticParkingState(StaticParkingState& state);

// What static parking is doing now, as the panel shows it.
StaticParkingShown gf_staticParkingShown(const ParkingState& parking,
                                         const StaticParkingState& state);
// Shows it on the window's parking panel when it differs from what the panel was last shown.
void gf_showStaticParking(const ParkingState& parking, StaticParkingState& state,
                          ParkingWindow& window);

// The inputs of one plan or adjustment: the parking state with the park airport's stand table,
// the live traffic's state with its static and live aircraft, the settings, the qf_soft of the
// loaded airport file, the current DaySlot, the window's parking panel and the window.
struct StaticParkingRun {
    ParkingState& parking;
    std::vector<Stand>& stands; // the parking state's stand table
    TrafficState& traffic;
    std::vector<StaticAircraft>& statics; // the traffic's
    std::span<const LiveAircraft> live;   // the traffic's
    const ParamsSnapshot& settings;
    std::int32_t qfSoft = 0;
    std::uint64_t now = 0;
    ParkingWindow& controls;
    WindowSink& window;
    // The reader's identity sets to take over, and its completed parked list for the
    // placement by age; null when the road has none.
    FeedIdentities* feedIdentities = nullptr;
    ParkedTrafficList* parkedList = nullptr;
};

// A run over the parking state, traffic state and window given, with their current contents.
StaticParkingRun gf_makeStaticParkingRun(ParkingState& parking, TrafficState& traffic,
                                         const ParamsSnapshot& settings, std::uint64_t now,
                                         ParkingWindow& controls, WindowSink& window);

} // namespace skyloom
