// The state of the RealTraffic link that other subsystems read without a lock: whether the
// user's licence is professional and whether RealTraffic is connected. Either road sets them:
// the App road from the App's version reply and its TCP connection, the web API road from its
// authentication.
#pragma once

#include <atomic>

namespace skyloom {

// The user's RealTraffic licence is professional; the simulator's UTC time is worked out and
// sent only while it is set.
extern std::atomic<bool> g_rtProfessional;
// The App is connected (RT App), or the web API session is authenticated (RT Direct).
extern std::atomic<bool> g_rtConnected;

} // namespace skyloom
