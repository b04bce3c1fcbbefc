// The user aircraft as the application core publishes it to the threads that place traffic
// around the user: its latest position with its altitude, written by the simulator link on
// every position reply and read by the livery choice and the runway-heading correction; and
// the flag by which the simulator link tells the main loop that the once-a-second on-ground
// reply has arrived, which starts the loop's user-data step.
#pragma once

#include <atomic>

#include "foundation/lalo.h"

namespace skyloom {

struct UserPosition {
    Lalo position;
    double altitudeFt = 0.0;
    // False until a position away from 0,0 has been published (and after a clear).
    bool known = false;

    friend bool operator==(const UserPosition&, const UserPosition&) = default;
};

// A position counts as known when its latitude or its longitude differs from 0 by more than
// 0.0001 degrees: the simulator reports 0,0 before the user aircraft is placed.
bool gf_isKnownUserPosition(const Lalo& position) noexcept;

// Publishes the latest position and altitude (feet).
void gf_setUserPosition(const Lalo& position, double altitudeFt) noexcept;
// A copy of what was published last.
UserPosition gf_userPosition() noexcept;
// Forgets the published position (the traffic-state reset before a restart).
void gf_clearUserPosition() noexcept;

// Set by each on-ground reply of the user aircraft; taken by the main cycle.
extern std::atomic<bool> g_userGroundDataReceived;

} // namespace skyloom
