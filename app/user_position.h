// The user aircraft as the application core publishes it to the threads that place traffic
// around the user: its latest position with its altitude, written by the simulator link on
// every position reply and read by the livery choice and the runway-heading correction; and
// the flag by which the simulator link tells the main loop that the once-a-second on-ground
// reply has arrived, which starts the loop's user-data step.
#pragma once

#include <atomic>

#include "foundation/lalo.h"

namespace skyloom {

struct UserAircraftState;

struct UserPosition {
    Lalo position;
    double altitudeFt = 0.0;
    // True when the published position is a valid one (gf_isValidLalo): inside [-90, 90] and
    // [-180, 180] and not 0,0, which the simulator reports before the user aircraft is placed.
    // False before the first publication and after a clear.
    bool known = false;

    friend bool operator==(const UserPosition&, const UserPosition&) = default;
};

// Publishes the latest position and altitude (feet).
void gf_setUserPosition(const Lalo& position, double altitudeFt) noexcept;
// Publishes the position and altitude of the simulator link's user aircraft state.
void gf_setUserPosition(const UserAircraftState& state) noexcept;
// A copy of what was published last.
UserPosition gf_userPosition() noexcept;
// Forgets the published position (the traffic-state reset before a restart).
void gf_clearUserPosition() noexcept;

// Set by each on-ground reply of the user aircraft; taken by the main cycle.
extern std::atomic<bool> g_userGroundDataReceived;

} // namespace skyloom
