// The simulator link's shared values: written by the SimClient thread, read by the main loop
// and the window without a lock (a stale value is fine for every reader). The connection
// state, the published handle of the main connection, whether the shutdown cleanup runs,
// whether the user has just switched the simulator choice, and the user aircraft's object id.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "platform/simconnect/win_types.h"

namespace skyloom {

enum class SimConnectionState : std::uint8_t {
    notConnected = 0,
    connected = 1, // the simulator runs no flight
    running = 2,   // a flight runs
    requestError = 3,
};

// "not connected", "connected", "running", "request error".
std::string_view gf_simConnectionStateText(SimConnectionState state) noexcept;

extern std::atomic<SimConnectionState> g_simConnectionState;

// How many connections the SimClient has opened in this process: a reader that remembers the
// count tells a new connection from the one it already served, however quickly it reconnected.
extern std::atomic<std::uint32_t> g_simConnectionCount;

// True while the connection state is 1 or 2: the window shows the simulator as connected.
bool gf_isSimConnected() noexcept;

// The main connection's handle, published by the SimClient thread once it is open and set to
// nullptr whenever it is not; other code only tests it for nullptr.
HANDLE gf_simConnectHandle() noexcept;
void gf_publishSimConnectHandle(HANDLE handle) noexcept;

// Set by the window when the user changes the simulator choice; cleared by the SimClient after
// every OPEN that named the selected simulator. While it is set, a mismatch waits for the
// other simulator instead of asking the window to switch.
extern std::atomic<bool> g_simChoiceSwitched;

// Set by the shutdown cleanup, cleared at each new connection: frames do nothing meanwhile
// and newly assigned objects are removed at once.
extern std::atomic<bool> g_simShutdownInProgress;

// The user aircraft's object id as its position replies give it: AI position reports and
// position writes skip it, removals refuse it.
inline constexpr std::uint32_t kUserObjectIdAtStart = 2;
extern std::atomic<std::uint32_t> g_userObjectId;

} // namespace skyloom
