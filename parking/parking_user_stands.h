// What the simulator link asks of parking about the user aircraft's stand: the park airport's
// stand at a position (from the published stands snapshot) and the user's stand remembered
// with the front park airport (the park-airport list). Any thread.
#pragma once

#include "sim/user_aircraft_stand.h"

namespace skyloom {

class ParkAirportList;
class ParkingState;

class ParkingUserStands final : public UserStandServices {
public:
    ParkingUserStands(const ParkingState& state, ParkAirportList& list) : state_(state), list_(list) {}

    std::optional<std::string> standAtPosition(const Lalo& position) const override;
    // The front park airport's ICAO code value.
    std::optional<std::uint64_t> parkAirportKey() const override;
    bool setParkAirportName(std::uint64_t key, std::string_view name) override;

private:
    const ParkingState& state_;
    ParkAirportList& list_;
};

} // namespace skyloom
