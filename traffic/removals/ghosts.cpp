#include "traffic/removals/ghosts.h"

#include <string>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/step/traffic_exception.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

void lf_removeGhostWithUnderscoreIfPresent(TrafficState& state, std::string_view callsign) {
    try {
        const std::string ghost = fmt::format("{}_", callsign);
        for (LiveAircraft& aircraft : state.liveAircraft) {
            if (aircraft.base.callsign != ghost || gf_isBeingRemoved(aircraft)) {
                continue;
            }
            if (aircraft.phase.phase == FlightPhase::parked) {
                LogFile::write(fmt::format("{:14}: {:8} is a ghost and will be removed, continue "
                                           "with {}",
                                           state.standIdText(aircraft.stand.standId), ghost,
                                           callsign));
            } else {
                LogFile::write(fmt::format("          {:8} is a ghost and will be removed, "
                                           "continue with {}",
                                           ghost, callsign));
            }
            state.removedGhosts.push_back(ghost);
            removeAircraftFromSim(state, aircraft,
                                  fmt::format("a ghost of {}, which is shown", callsign));
            return;
        }
    } catch (...) {
        gf_reportTrafficException("lf_removeGhostWithUnderscoreIfPresent");
    }
}

bool lf_ghostHasLiveFlight(const TrafficState& state, std::string_view callsign) {
    if (callsign.empty()) {
        return false;
    }
    const std::string_view flight = callsign.substr(0, callsign.size() - 1);
    for (const LiveAircraft& aircraft : state.liveAircraft) {
        if (aircraft.base.callsign == flight && !gf_isBeingRemoved(aircraft)) {
            return true;
        }
    }
    return false;
}

} // namespace skyloom
