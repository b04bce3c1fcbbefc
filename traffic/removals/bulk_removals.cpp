#include "traffic/removals/bulk_removals.h"

#include <array>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "config/window_requests.h"
#include "foundation/log_file.h"
#include "refdata/code_table.h"
#include "refdata/airport_file.h"
#include "traffic/stands/park_airport_services.h"
#include "traffic/stands/static_traffic.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/step/traffic_exception.h"
#include "traffic/step/traffic_state.h"
#include "traffic/step/traffic_step.h"

namespace skyloom {

namespace {

bool lf_atAirport(FlightPhase phase) {
    switch (phase) {
    case FlightPhase::pushing_back:
    case FlightPhase::pushed_back:
    case FlightPhase::taxi:
    case FlightPhase::takeoff_roll:
    case FlightPhase::landing_roll:
    case FlightPhase::parked:
        return true;
    default:
        return false;
    }
}

void lf_removeLive(TrafficState& state, LiveAircraft& aircraft, std::string_view caller,
                   std::string_view reason) {
    try {
        removeAircraftFromSim(state, aircraft, reason);
    } catch (...) {
        gf_reportTrafficException(caller);
    }
}

std::string lf_categoryLine(std::string_view callsign, std::string_view modelCode,
                            AircraftCategory category) {
    return fmt::format("{} {} removed because '{}' no longer included category", callsign,
                       modelCode, gf_categoryName(category));
}

// Removes the static aircraft the filter names: active ones with their log line, queued ones
// by withdrawing their create request; then the compaction of the withdrawn ones.
template <typename Filter, typename Line>
void lf_removeStatics(TrafficState& state, std::string_view caller, Filter wanted, Line line) {
    const std::vector<StaticAircraftView> views = state.staticViews();
    bool withdrawn = false;
    for (std::size_t i = 0; i < views.size(); ++i) {
        const StaticAircraftView& view = views[i];
        if (!wanted(view)) {
            continue;
        }
        try {
            if (view.simState == SimState::active) {
                LogFile::write(line(view));
                gf_removeStaticAircraftAt(state, i, caller);
            } else if (view.simState == SimState::adding2sim && !view.removalRequested) {
                gf_removeStaticAircraftAt(state, i, caller);
                withdrawn = true;
            }
        } catch (...) {
            gf_reportTrafficException(caller);
        }
    }
    if (withdrawn) {
        lf_eraseWithdrawnStatics(state);
    }
}

} // namespace

void gf_removeAllStatic(TrafficState& state) {
    lf_removeStatics(
        state, "gf_removeAllStatic", [](const StaticAircraftView&) { return true; },
        [&state](const StaticAircraftView& view) {
            return fmt::format("{:14}: {:8} removed", state.standIdText(view.standId),
                               view.callsign);
        });
}

void lf_removeAllStaticAndLiveAtAirport(TrafficState& state) {
    gf_removeAllStatic(state);
    for (LiveAircraft& aircraft : state.liveAircraft) {
        if (!lf_atAirport(aircraft.phase.phase)) {
            continue;
        }
        LiveStand& stand = aircraft.stand;
        stand.latitude = 0;
        stand.longitude = 0;
        stand.headingRad = 0;
        stand.standId = 0;
        stand.cargo = 0;
        stand.atGate = 0;
        if (aircraft.simState == SimState::active ||
            (aircraft.simState == SimState::adding2sim && aircraft.removal.removalRequested == 0)) {
            lf_removeLive(state, aircraft, "lf_removeAllStaticAndLiveAtAirport",
                          "the park airport's aircraft leave");
        }
    }
    lf_eraseWithdrawnAircraft(state);
}

void gf_removeLiveAircraftCategory(TrafficState& state, AircraftCategory category) {
    for (LiveAircraft& aircraft : state.liveAircraft) {
        if (aircraft.base.category != category || gf_isBeingRemoved(aircraft)) {
            continue;
        }
        LogFile::write(lf_categoryLine(aircraft.base.callsign,
                                       gf_modelCode(aircraft.base.key.model), category));
        lf_removeLive(state, aircraft, "gf_removeLiveAircraftCategory",
                      "its category is no longer included");
    }
    lf_eraseMarkedAircraft(state);
}

void gf_removeStaticAircraftCategory(TrafficState& state) {
    lf_removeStatics(
        state, "gf_removeStaticAircraftCategory",
        [](const StaticAircraftView& view) {
            return view.category == AircraftCategory::Rotorcraft && !view.removalRequested &&
                   view.simState != SimState::removingfromsim;
        },
        [](const StaticAircraftView& view) {
            return lf_categoryLine(view.callsign, view.modelCode, AircraftCategory::Rotorcraft);
        });
    try {
        lf_dropRotorcraftParkRequests(state);
    } catch (...) {
        gf_reportTrafficException("gf_removeStaticAircraftCategory");
    }
}

void gf_clearUserDestGate(TrafficState& state, std::string_view standText) {
    const Stand* stand = standText.empty() ? nullptr : state.parkAirport.standByName(standText);
    const std::uint32_t standId = stand != nullptr ? static_cast<std::uint32_t>(stand->sid) : 0;
    if (standId == 0) {
        return;
    }
    try {
        const std::vector<StaticAircraftView> views = state.staticViews();
        for (std::size_t i = 0; i < views.size(); ++i) {
            if (views[i].simState == SimState::active && views[i].standId == standId) {
                gf_removeStaticAircraftAt(state, i, "gf_clearUserDestGate");
                return;
            }
        }
        for (LiveAircraft& aircraft : state.liveAircraft) {
            if (aircraft.simState == SimState::active && aircraft.stand.standId == standId &&
                aircraft.phase.phase == FlightPhase::parked) {
                removeAircraftFromSim(state, aircraft, "parked on the user's stand");
                return;
            }
        }
    } catch (...) {
        gf_reportTrafficException("gf_clearUserDestGate");
    }
}

void gf_handleCategoryRemovals(TrafficState& state, WindowRequests& requests) {
    const std::array<std::pair<std::atomic<bool>*, AircraftCategory>, 4> switches{{
        {&requests.twoPropsRemoved, AircraftCategory::TwoProps},
        {&requests.lightAircraftRemoved, AircraftCategory::Light},
        {&requests.helicoptersRemoved, AircraftCategory::Rotorcraft},
        {&requests.highPerfRemoved, AircraftCategory::HighPerf},
    }};
    for (const auto& [flag, category] : switches) {
        if (!flag->exchange(false)) {
            continue;
        }
        gf_removeLiveAircraftCategory(state, category);
        if (category == AircraftCategory::Rotorcraft) {
            gf_removeStaticAircraftCategory(state);
        }
    }
}

} // namespace skyloom
