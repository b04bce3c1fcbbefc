#include "tests/support/traffic_test_world.h"

#include <utility>

namespace skyloom::testing {

Stand gf_testStand(std::int32_t sid, std::string id, const Lalo& at, double headingRad,
                   double radiusMetres, StandType type) {
    Stand stand = gf_makeStand(std::move(id), {}, at, headingRad, radiusMetres, type, false,
                               false, false);
    stand.sid = sid;
    return stand;
}

TrafficTestWorld::TrafficTestWorld(Clock& clock, std::atomic<std::uint32_t>& tickCounter)
    : tick(tickCounter), services{clock, stop, window}, mailbox(clock, stop, tickCounter),
      parkAirport(parking, parkAirports, parkEntry, user, plan, window) {}

TrafficLinks TrafficTestWorld::links(SimCommandQueue& commands, SimEventQueue& events,
                                     AIPositionBatch& positions) {
    return TrafficLinks{commands, events, positions, tick, mailbox, user, services, parkAirport};
}

void TrafficTestWorld::setStands(std::vector<Stand> stands) {
    parking.replaceStands(std::move(stands));
    parking.airportFileApplied = true;
}

} // namespace skyloom::testing
