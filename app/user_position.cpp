#include "app/user_position.h"

#include <mutex>

#include "foundation/geodesy.h"
#include "sim/user_aircraft_state.h"

namespace skyloom {
namespace {

std::mutex g_userPositionMutex;
UserPosition g_userPosition; // under g_userPositionMutex

} // namespace

std::atomic<bool> g_userGroundDataReceived{false};

void gf_setUserPosition(const Lalo& position, double altitudeFt) noexcept {
    const UserPosition published{position, altitudeFt, gf_isValidLalo(position)};
    std::lock_guard lock(g_userPositionMutex);
    g_userPosition = published;
}

void gf_setUserPosition(const UserAircraftState& state) noexcept {
    gf_setUserPosition(state.position(), state.altitude);
}

UserPosition gf_userPosition() noexcept {
    std::lock_guard lock(g_userPositionMutex);
    return g_userPosition;
}

void gf_clearUserPosition() noexcept {
    std::lock_guard lock(g_userPositionMutex);
    g_userPosition = UserPosition{};
}

} // namespace skyloom
