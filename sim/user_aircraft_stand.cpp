#include "sim/user_aircraft_stand.h"

#include <memory>
#include <mutex>
#include <utility>

#include "sim/user_aircraft_state.h"

namespace skyloom {
namespace {

std::mutex g_servicesMutex;
std::shared_ptr<const UserStandServices> g_services; // under g_servicesMutex

std::shared_ptr<const UserStandServices> lf_services() {
    const std::lock_guard lock(g_servicesMutex);
    return g_services;
}

} // namespace

void gf_setUserStandServices(UserStandServices services) {
    auto shared = std::make_shared<const UserStandServices>(std::move(services));
    const std::lock_guard lock(g_servicesMutex);
    g_services = std::move(shared);
}

std::optional<std::string> gf_userStandAt(const Lalo& position) {
    const auto services = lf_services();
    if (!services || !services->standAtPosition) {
        return std::nullopt;
    }
    return services->standAtPosition(position);
}

std::optional<std::string> gf_rememberUserStand() {
    if (!g_userAcOnGround.load()) {
        return std::nullopt;
    }
    const UserAircraftState state = gf_userAircraftState();
    if (!(state.groundVelocity <= kUserParkedMaxKnots)) {
        return std::nullopt;
    }
    const auto services = lf_services();
    if (!services || !services->standAtPosition || !services->parkAirportKey ||
        !services->setParkAirportName) {
        return std::nullopt;
    }
    std::optional<std::string> stand = services->standAtPosition(state.position());
    if (!stand) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> key = services->parkAirportKey();
    if (!key || !services->setParkAirportName(*key, *stand)) {
        return std::nullopt;
    }
    return stand;
}

} // namespace skyloom
