#include "traffic/removals/record_cleanup.h"

#include <chrono>
#include <exception>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/log_file.h"
#include "sim/flight_plan_files.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

std::int64_t lf_steadyNs(const TrafficState& state) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               state.clock.steadyNow().time_since_epoch())
        .count();
}

} // namespace

void lf_cleanupLiveAircraft(TrafficState& state, LiveAircraft& aircraft) {
    constexpr const char* kName = "lf_cleanupLiveAircraft";
    if (aircraft.objectId != 0) {
        try {
            gf_removeFlightPlan(aircraft.objectId);
        } catch (const std::exception& e) {
            LogFile::write(fmt::format("{}: removing flight plan for {} failed: {}", kName,
                                       aircraft.base.callsign, e.what()));
        } catch (...) {
            LogFile::write(fmt::format("{}: removing flight plan for {} failed with an unknown "
                                       "exception",
                                       kName, aircraft.base.callsign));
        }
    }
    lf_purgePendingFor(state, aircraft.base.hexid, aircraft.objectId);
    state.liveryByHexid.forget(aircraft.base.hexid);
}

void lf_noteRemovalSent(TrafficState& state, unsigned objectId) {
    // A respawn's removal counts too: the aircraft may be removed for good before the
    // simulator confirms it, and its record must not wait for that confirmation for ever.
    if (LiveAircraft* aircraft = state.findByObjectId(objectId);
        aircraft != nullptr && (aircraft->simState == SimState::removingfromsim ||
                                aircraft->simState == SimState::liveryrespawn)) {
        aircraft->removalSentNs = lf_steadyNs(state);
    }
}

void lf_expireUnconfirmedRemovals(TrafficState& state) {
    const std::int64_t now = lf_steadyNs(state);
    auto& live = state.liveAircraft;
    for (std::size_t i = live.size(); i-- > 0;) {
        const LiveAircraft& aircraft = live[i];
        if (aircraft.simState != SimState::removingfromsim || aircraft.removalSentNs == 0 ||
            now - aircraft.removalSentNs < kRemovalConfirmTimeoutNs) {
            continue;
        }
        LogFile::write(fmt::format("{} removal of objectid {} not confirmed, record dropped",
                                   gf_aircraftLogText(aircraft.base), aircraft.objectId));
        lf_eraseLiveAircraft(state, i);
    }
}

} // namespace skyloom
