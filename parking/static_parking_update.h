// Setting static parking up afresh at the park airport and taking it down again:
// `lf_updateStaticParking` loads the park airport's airport file and plans static parking from
// it (the planning time is counted into the traffic tick); when the file cannot be loaded it
// shows why and stops static parking. `lf_stopStaticParking` saves what was learned about the
// loaded file's stands, brings the park options back, and empties everything that belongs to
// the park airport. Neither removes an aircraft. The operations of the neighbouring parts come
// through `StaticParkingUpdateSeams`, each named after the operation it stands for. Main worker
// thread only.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "foundation/clock.h"
#include "refdata/airport_file.h"
#include "traffic/static_aircraft.h"

namespace skyloom {

class ParkAirportEntry;
class WindowSink;

// What the park airport's static parking holds between an update and a stop.
struct StaticParkingSite {
    std::vector<Stand>& stands;
    std::vector<StaticParkRequest>& requests;
    ParkAirportEntry& parkAirport;
    std::atomic<std::uint32_t>& trafficTick;
    bool parkAirportReady = false; // set by the report of a loaded file
    bool handmade = false;
    std::uint32_t trafficWeek = 0;
};

struct StaticParkingUpdateSeams {
    // Loads the park airport's file (filling the stands, the stand-name map and the runways and
    // reporting the file); an error text when it cannot.
    std::function<std::variant<std::monostate, std::string>(StaticParkingSite& site)>
        lf_readParkedFile;
    std::function<void()> gf_showParkingInterval;
    std::function<void()> lf_planStaticParking;
    std::function<void()> gf_enableParkingControls;
    std::function<void(const std::vector<Stand>& stands, bool handmade)> gf_saveLearned;
    std::function<void()> gf_applyParkOptions;
    // The push buttons "Park" and "Flush" (false disables).
    std::function<void(bool enabled)> enableParkButton;
    std::function<void(bool enabled)> enableFlushButton;
    // Clears the reference altitude of the traffic road in use.
    std::function<void()> clearRoadReferenceAltitude;
    std::function<void()> clearRemovalList;
    std::function<void()> clearStandNameMap;
    std::function<void()> clearRunways;
    std::function<void()> gf_publishStandsSnapshot;
};

// Traffic ticks (10 ms) that a planning of `ms` milliseconds counts for: none below 5 ms, else
// rounded to the nearest tick (5 ms rounds up).
std::uint32_t gf_planningTicks(std::uint64_t ms) noexcept;

void lf_updateStaticParking(StaticParkingSite& site, const StaticParkingUpdateSeams& seams,
                            WindowSink& window, Clock& clock);
void lf_stopStaticParking(StaticParkingSite& site, const StaticParkingUpdateSeams& seams,
                          WindowSink& window);

} // namespace skyloom
