#include "app/sim_relaunch.h"

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "parking/parking_context.h"
#include "parking/parking_state.h"
#include "parking/static_parking.h"
#include "refdata/park_airport.h"
#include "sim/ai_position_batch.h"
#include "sim/facility_connection.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

bool SimRelaunch::takeNewConnection(std::uint32_t connection, bool connected) noexcept {
    if (!connected || connection == connection_) {
        return false;
    }
    connection_ = connection;
    return true;
}

void gf_startTrafficOver(TrafficState& traffic, ParkingContext& parking, std::uint32_t connection) {
    LogFile::write(fmt::format("Simulator connection {}: the traffic starts over, {} live and {} "
                               "static aircraft of the previous connection are gone",
                               connection, traffic.liveAircraft.size(),
                               traffic.staticAircraft.size()));
    if (parking.state.airportFileApplied || parking.entry.isSet()) {
        lf_stopStaticParking(parking);
    }
    lf_resetTrafficState(traffic);
    gf_emptyAIPositionBatch();
    // The facility connection talked to the simulator of before as well: the next stand or
    // runway read opens one to the simulator of now.
    gf_closeFacilityConnection();
}

} // namespace skyloom
