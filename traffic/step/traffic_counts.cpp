#include "traffic/step/traffic_counts.h"

#include <algorithm>

#include "runtime/current_day_slot.h"
#include "runtime/run_services.h"
#include "runtime/window_sink.h"
#include "traffic/stands/static_traffic.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

TrafficCounts gf_trafficCounts(TrafficState& state) {
    TrafficCounts counts;
    counts.live = state.liveAircraft.size();
    counts.liveParked = static_cast<std::uint64_t>(std::count_if(
        state.liveAircraft.begin(), state.liveAircraft.end(), [](const LiveAircraft& a) {
            return a.simState == SimState::active && a.phase.phase == FlightPhase::parked;
        }));
    counts.statics = static_cast<std::uint64_t>(
        gf_countStaticAircraft(state, gf_currentDaySlot(), nullptr, false));
    return counts;
}

void gf_postTrafficCounts(TrafficState& state) {
    const TrafficCounts counts = gf_trafficCounts(state);
    state.services.window.enqueueUpdate(GuiUpdate::LiveAircraftCount{counts.live});
    state.services.window.enqueueUpdate(GuiUpdate::ParkedCounts{counts.liveParked, counts.statics});
}

} // namespace skyloom
