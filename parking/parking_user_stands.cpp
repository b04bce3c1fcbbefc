#include "parking/parking_user_stands.h"

#include "parking/park_airport_list.h"
#include "parking/parking_state.h"
#include "parking/stand_at_position.h"

namespace skyloom {

std::optional<std::string> ParkingUserStands::standAtPosition(const Lalo& position) const {
    // Asked with the user aircraft's reported position, which is therefore known.
    return gf_standAtPosition(state_.standsSnapshot(), true, position);
}

std::optional<std::uint64_t> ParkingUserStands::parkAirportKey() const {
    const std::optional<ParkAirport> front = list_.front();
    return front ? std::optional<std::uint64_t>(front->code.value()) : std::nullopt;
}

bool ParkingUserStands::setParkAirportName(std::uint64_t key, std::string_view name) {
    const std::optional<IcaoCode> code = IcaoCode::fromValue(static_cast<std::uint32_t>(key));
    return code && list_.setName(*code, name);
}

} // namespace skyloom
