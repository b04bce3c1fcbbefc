#include "sim/user_aircraft_stand.h"

#include "runtime/user_aircraft.h"

namespace skyloom {

std::optional<std::string> gf_rememberUserStand(const UserAircraft& user,
                                                UserStandServices& stands) {
    if (!user.onGround.load()) {
        return std::nullopt;
    }
    const UserAircraftState state = user.state();
    if (!(state.groundVelocity <= kUserParkedMaxKnots)) {
        return std::nullopt;
    }
    std::optional<std::string> stand = stands.standAtPosition(state.position());
    if (!stand) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> key = stands.parkAirportKey();
    if (!key || !stands.setParkAirportName(*key, *stand)) {
        return std::nullopt;
    }
    return stand;
}

} // namespace skyloom
