// The user aircraft and the stands of the park airport: the stand the user stands on is shown
// in the window, and remembered for the park airport when a flight ends, so that parking keeps
// that stand free for the user next time. The stand look-up and the park airport's name belong
// to parking, which implements `UserStandServices`; until it runs, the program hands the
// simulator link `NoUserStands`, on which the user stands on no stand.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/lalo.h"

namespace skyloom {

class UserAircraft;

class UserStandServices {
public:
    virtual ~UserStandServices() = default;
    // The name of the park airport's stand at the position, or none.
    virtual std::optional<std::string> standAtPosition(const Lalo& position) const = 0;
    // The key of the current park airport, taken under the park-airport mutex; none without
    // a park airport.
    virtual std::optional<std::uint64_t> parkAirportKey() const = 0;
    // Records the name as the user's stand of the front park airport when its key is `key`
    // (under the park-airport mutex); false when another airport is in front.
    virtual bool setParkAirportName(std::uint64_t key, std::string_view name) = 0;
};

// No park airport and no stands.
class NoUserStands final : public UserStandServices {
public:
    std::optional<std::string> standAtPosition(const Lalo&) const override { return std::nullopt; }
    std::optional<std::uint64_t> parkAirportKey() const override { return std::nullopt; }
    bool setParkAirportName(std::uint64_t, std::string_view) override { return false; }
};

// Ground speed up to which the user aircraft counts as parked.
inline constexpr double kUserParkedMaxKnots = 2.0;

// When the user aircraft stands on the ground at no more than 2 kt on a stand, records that
// stand's name for the current park airport. Runs on FlightLoaded, on a new flight file and
// when the SimClient thread ends. Returns the name it recorded.
std::optional<std::string> gf_rememberUserStand(const UserAircraft& user,
                                                UserStandServices& stands);

} // namespace skyloom
