#include "sim/sim_link_state.h"

namespace skyloom {
namespace {

std::atomic<HANDLE> l_hsimconnect{nullptr};

} // namespace

std::atomic<SimConnectionState> g_simConnectionState{SimConnectionState::notConnected};
std::atomic<std::uint32_t> g_simConnectionCount{0};
std::atomic<bool> g_simChoiceSwitched{false};
std::atomic<bool> g_simShutdownInProgress{false};
std::atomic<std::uint32_t> g_userObjectId{kUserObjectIdAtStart};

std::string_view gf_simConnectionStateText(SimConnectionState state) noexcept {
    switch (state) {
    case SimConnectionState::notConnected:
        return "not connected";
    case SimConnectionState::connected:
        return "connected";
    case SimConnectionState::running:
        return "running";
    case SimConnectionState::requestError:
        return "request error";
    }
    return "unknown";
}

bool gf_isSimConnected() noexcept {
    const SimConnectionState state = g_simConnectionState.load();
    return state == SimConnectionState::connected || state == SimConnectionState::running;
}

HANDLE gf_simConnectHandle() noexcept {
    return l_hsimconnect.load();
}

void gf_publishSimConnectHandle(HANDLE handle) noexcept {
    l_hsimconnect.store(handle);
}

} // namespace skyloom
