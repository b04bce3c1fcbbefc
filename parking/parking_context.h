// `ParkingContext`: everything the park-airport choice, the loading of its stands and static
// parking's start and stop work with: the parking state, the park-airport list, the park
// airport entry, the parameters, the user aircraft, the run's services, and the steps that
// belong to other subsystems (the live traffic's static aircraft and plan, the feed's traffic
// maps and reference altitude, the runway headings, the window's parking controls), which
// app/ wires. An unset step does nothing. Main worker thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "foundation/icao_code.h"
#include "parking/park_options.h"

namespace skyloom {

class ParkAirportEntry;
class ParkAirportList;
class ParkingState;
class ProgramParameters;
struct StaticParkingState;
class UserAircraft;
struct RunServices;

struct ParkingSteps {
    // gf_clearTrafficMaps: the feed forgets what it sent for the old airport.
    std::function<void()> clearTrafficMaps;
    // gf_requestRtAppParkedTraffic: the RT App road asks for the parked traffic.
    std::function<void()> requestRtAppParkedTraffic;
    // Empties the static parking plan.
    std::function<void()> clearStaticPlan;
    // lf_removeAllStaticAndLiveAtAirport.
    std::function<void()> removeAllStaticAndLiveAtAirport;
    // lf_planStaticParking: plans the static parking of the loaded stands.
    std::function<void()> planStaticParking;
    // lf_adjustParking: plans the loaded stands again from the aircraft in the simulator after
    // a park option changed; the value RT_PARKTRAFFIC_ONLY was last switched to in this run.
    std::function<void(bool rtOnlySwitchedTo)> adjustParking;
    // lf_correctRunwayHeadings (park airport's code, the airport file's publisher text).
    std::function<void(const IcaoCode&, std::string_view)> correctRunwayHeadings;
    // gf_setRtApiReference or gf_setRtAppReference, for the road in use.
    std::function<void(std::optional<double> altitudeFt)> setFeedReference;
    // gf_showParkingInterval: the window's next-update minutes and the main loop's countdown.
    std::function<void()> showParkingInterval;
    // Empties the parking plan's removal list.
    std::function<void()> clearRemovalList;
    // Empties the park airport's runways, so that the next load reads them again.
    std::function<void()> clearRunways;
};

struct ParkingContext {
    ParkingState& state;
    ParkAirportList& list;
    ParkAirportEntry& entry;
    ProgramParameters& parameters;
    const UserAircraft& user;
    const RunServices& services;
    ParkingControlSteps controls;
    ParkingSteps steps;
    // The RT Direct road (else the RT App road).
    bool rtDirect = false;
    // kHeaderSimMsfs2020 or kHeaderSimMsfs2024, for the learned files written.
    int simulator = 0;
    // The traffic tick, advanced by the planning time; none: not counted.
    std::atomic<std::uint32_t>* trafficTick = nullptr;
    // The static parking plan's state, forgotten when static parking stops; none: no plan.
    StaticParkingState* staticParking = nullptr;
};

// Runs an optional step.
template <typename Step, typename... Args> void gf_runStep(const Step& step, Args&&... args) {
    if (step) {
        step(std::forward<Args>(args)...);
    }
}

} // namespace skyloom
