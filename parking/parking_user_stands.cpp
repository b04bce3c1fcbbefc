#include "parking/parking_user_stands.h"

#include "parking/park_airport_list.h"
#include "parking/parking_state.h"

namespace skyloom {

std::optional<std::string> ParkingUserStands::standAtPosition(const Lalo& position) const {
    return gf_standAtPosition(*state_.standsSnapshot(), position);
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
