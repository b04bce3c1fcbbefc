#include "parking/parking_adjustments.h"

#include <algorithm>
#include <set>
#include <string>
#include <utility>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "foundation/program_clock.h"
#include "parking/parking_state.h"
#include "parking/parking_window.h"
#include "parking/stand_helpers.h"
#include "parking/stand_search.h"
#include "parking/stand_search_checks.h"
#include "parking/static_parking_plan.h"
#include "runtime/window_sink.h"
#include "traffic/stands/static_traffic.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

void lf_listUnkeptStatics(const StaticParkingRun& run, StaticParkingState& state) {
    for (const StaticAircraft& aircraft : run.statics) {
        if (!aircraft.kept) {
            lf_listRemoval(state, aircraft, aircraft.standId);
        }
    }
}

// What a plan entry's aircraft will show, without its "*"; empty when it has no callsign.
std::string lf_shownCallsign(const ParkingPlanEntry& entry) {
    if (entry.callsign.empty() && entry.callsign2.empty()) {
        return {};
    }
    return std::string(gf_withoutTrailingStar(lf_determineStaticCallsign(entry)));
}

} // namespace

void lf_listRemoval(StaticParkingState& state, const StaticAircraft& aircraft, std::int32_t sid) {
    const bool listed =
        std::any_of(state.removals.begin(), state.removals.end(),
                    [&](const RemovalEntry& r) { return r.callsign == aircraft.base.callsign; });
    if (!listed) {
        state.removals.push_back({aircraft.base.callsign, sid});
    }
}

void lf_removeRemovals(const StaticParkingRun& run, StaticParkingState& state) {
    for (const RemovalEntry& removal : state.removals) {
        const auto found =
            std::find_if(run.statics.begin(), run.statics.end(),
                         [&](const StaticAircraft& a) { return a.standId == removal.sid; });
        if (found == run.statics.end() ||
            (found->simState != SimState::active && found->simState != SimState::removingfromsim)) {
            continue;
        }
        LogFile::write(fmt::format("{:14}: {:8} static parked removed, no longer within your specs",
                                   gf_standIdText(run.parking, removal.sid), found->base.callsign));
        removeAircraftFromSim(run.traffic, *found);
    }
    state.removals.clear();
}

void lf_planTurnarounds(const StaticParkingRun& run, StaticParkingState& state,
                        std::int32_t weekday) {
    for (const StaticAircraft& aircraft : run.statics) {
        const AircraftBase& base = aircraft.base;
        if (aircraft.source == 0 || !aircraft.kept || base.thirdText.empty() ||
            gf_withoutTrailingStar(base.callsign) != gf_withoutTrailingStar(base.displayCallsign)) {
            continue;
        }
        const Stand* stand = gf_standById(run.parking, aircraft.standId);
        if (stand == nullptr) {
            continue;
        }
        const std::string_view callsign = gf_withoutTrailingStar(base.callsign);
        const bool scheduled =
            std::any_of(stand->options.begin(), stand->options.end(), [&](const FlightOption& o) {
                return gf_isOptionAvailable(o) && static_cast<std::int32_t>(o.day) == weekday &&
                       o.callsign == callsign && o.key == base.key;
            });
        if (!scheduled) {
            continue;
        }
        ParkingPlanEntry entry;
        entry.source = 1;
        entry.standId = stand->sid;
        entry.age = static_cast<std::uint32_t>(
            gf_staticParkedAge(aircraft.parkedDay, aircraft.parkedSlot, run.now));
        entry.key = base.key;
        entry.callsign = base.displayCallsign;
        entry.callsign2 = base.thirdText;
        entry.registration = base.registration;
        entry.preferFirst = 0;
        state.plan.push_back(std::move(entry));
        state.removals.push_back({base.callsign, stand->sid});
    }
}

void lf_dropUnchangedReplacements(StaticParkingState& state) {
    std::set<std::pair<std::int32_t, std::string>> unchanged;
    for (const RemovalEntry& removal : state.removals) {
        const std::string callsign(gf_withoutTrailingStar(removal.callsign));
        const bool replanned =
            std::any_of(state.plan.begin(), state.plan.end(), [&](const ParkingPlanEntry& e) {
                return e.standId == removal.sid && !callsign.empty() &&
                       lf_shownCallsign(e) == callsign;
            });
        if (replanned) {
            unchanged.emplace(removal.sid, callsign);
        }
    }
    std::erase_if(state.removals, [&](const RemovalEntry& r) {
        return unchanged.contains({r.sid, std::string(gf_withoutTrailingStar(r.callsign))});
    });
    std::erase_if(state.plan, [&](const ParkingPlanEntry& e) {
        return unchanged.contains({e.standId, lf_shownCallsign(e)});
    });
    std::stable_partition(state.removals.begin(), state.removals.end(), [&](const RemovalEntry& r) {
        return std::any_of(state.plan.begin(), state.plan.end(),
                           [&](const ParkingPlanEntry& e) { return e.standId == r.sid; });
    });
}

void lf_adjustParking(const StaticParkingRun& run, StaticParkingState& state,
                      bool rtOnlySwitchedTo) {
    const std::int32_t weekday = gf_unpackDaySlot(lf_logPlanTime(run)).weekday;
    const ParamsSnapshot& s = run.settings;
    lf_clearRtParkedTraffic(run, state);
    run.window.enqueueUpdate(GuiUpdate::StaticFitHidden{false});
    state.removals.clear();
    state.stayers.clear();
    state.plan.clear();
    for (Stand& stand : run.stands) {
        stand.inUse = false;
        stand.excluded = false;
        std::uint32_t seq = 0;
        for (FlightOption& option : stand.options) {
            option.seq = ++seq;
            option.inUseThisRun.set = false;
        }
    }
    for (StaticAircraft& aircraft : run.statics) {
        aircraft.kept = false;
    }
    lf_reserveKnownStands(run);
    if (rtOnlySwitchedTo) {
        for (const StaticAircraft& aircraft : run.statics) {
            if (aircraft.simState == SimState::active && aircraft.source != 0) {
                lf_listRemoval(state, aircraft, aircraft.standId);
            }
        }
    }
    const std::int32_t wanted = lf_wantedParkedCount(run);
    state.wanted = wanted;
    lf_collectLiveStayers(run.traffic, state.stayers);
    const auto stayerCount = static_cast<std::int32_t>(state.stayers.size());
    if (s.RT_PARKTRAFFIC_ONLY == 0 && stayerCount > wanted) {
        run.window.showStatusText(
            fmt::format("Parking adjustments: {} more live ac than wanted", stayerCount - wanted),
            true);
        lf_removeNOldestLiveParked(run.traffic, stayerCount - wanted);
        state.stayers.clear();
        lf_collectLiveStayers(run.traffic, state.stayers);
    }
    for (const LiveStayer& stayer : state.stayers) {
        gf_reserveStand(run.parking, stayer.standId, wanted);
    }
    lf_processParkedTraffic(run, state, wanted);

    if (s.RT_PARKTRAFFIC_ONLY == 0) {
        if (lf_countStandsInUse(run.stands) < wanted) {
            lf_runStandSearches(run, state, wanted);
        }
        lf_listUnkeptStatics(run, state);
        lf_planTurnarounds(run, state, weekday);
        lf_dropUnchangedReplacements(state);
        lf_sortPlanByAge(state);
        LogFile::write("");
        run.window.showStatusText(
            fmt::format("Parking adjustments: {} to be removed, {} to be added\n",
                        state.removals.size(), state.plan.size()),
            true);
        lf_removeRemovals(run, state);
        LogFile::flush();
        return;
    }
    if (!rtOnlySwitchedTo) {
        lf_listUnkeptStatics(run, state);
    }
    run.window.showStatusText(fmt::format("RT Parking changes: {} to be removed, {} to be added",
                                          state.removals.size(), state.plan.size()),
                              true);
    lf_removeRemovals(run, state);
}

} // namespace skyloom
