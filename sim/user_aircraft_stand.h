// The user aircraft and the stands of the park airport: the stand the user stands on is shown
// in the window, and remembered for the park airport when a flight ends, so that parking keeps
// that stand free for the user next time. The stand look-up and the park airport's name belong
// to parking, which hands them over here (gf_setUserStandServices); until it does, the user
// stands on no stand.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/lalo.h"

namespace skyloom {

struct UserStandServices {
    // The name of the park airport's stand at the position, or none.
    std::function<std::optional<std::string>(const Lalo&)> standAtPosition;
    // The key of the current park airport, taken under the park-airport mutex; none without
    // a park airport.
    std::function<std::optional<std::uint64_t>()> parkAirportKey;
    // Records the name as the user's stand of the front park airport when its key is `key`
    // (under the park-airport mutex); false when another airport is in front.
    std::function<bool(std::uint64_t key, std::string_view name)> setParkAirportName;
};

// Installs the services (empty members: none); any thread, before the SimClient starts.
void gf_setUserStandServices(UserStandServices services);

// The name of the stand at the position; none without a stand there or without the services.
std::optional<std::string> gf_userStandAt(const Lalo& position);

// Ground speed up to which the user aircraft counts as parked.
inline constexpr double kUserParkedMaxKnots = 2.0;

// When the user aircraft stands on the ground at no more than 2 kt on a stand, records that
// stand's name for the current park airport. Runs on FlightLoaded, on a new flight file and
// when the SimClient thread ends. Returns the name it recorded.
std::optional<std::string> gf_rememberUserStand();

} // namespace skyloom
