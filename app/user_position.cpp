#include "app/user_position.h"

#include <cmath>
#include <mutex>

namespace skyloom {
namespace {

constexpr double kKnownPositionEpsilonDeg = 0.0001;

std::mutex g_userPositionMutex;
UserPosition g_userPosition; // under g_userPositionMutex

} // namespace

std::atomic<bool> g_userGroundDataReceived{false};

bool gf_isKnownUserPosition(const Lalo& position) noexcept {
    return std::abs(position.lat) > kKnownPositionEpsilonDeg ||
           std::abs(position.lon) > kKnownPositionEpsilonDeg;
}

void gf_setUserPosition(const Lalo& position, double altitudeFt) noexcept {
    const UserPosition published{position, altitudeFt, gf_isKnownUserPosition(position)};
    std::lock_guard lock(g_userPositionMutex);
    g_userPosition = published;
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
