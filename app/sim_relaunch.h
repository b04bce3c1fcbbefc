// A simulator that quits takes every AI object with it, and the object ids of one connection
// mean nothing on the next. So when the simulator link connects again within a run (the
// simulator was started again, or its connection broke), the traffic starts over on the new
// connection as far as a restart of the run resets it: static parking stops (what was learned
// at the park airport is saved), every live and static aircraft record, queue and AI position
// of the previous connection is given up without a removal, the window's counts go to 0, and
// the facility connection of the previous simulator is closed.
// The feed goes on: live aircraft come back with its next reports, static ones when the next
// parking slot chooses the park airport again. Main worker thread.
#pragma once

#include <cstdint>

namespace skyloom {

struct ParkingContext;
struct TrafficState;

class SimRelaunch {
public:
    // `connection`: the simulator connection (g_simConnectionCount) the run's traffic began on.
    explicit SimRelaunch(std::uint32_t connection) noexcept : connection_(connection) {}

    // True once for each later connection, as soon as the simulator has named itself on it
    // (`connected`): a connection whose set-up failed never counts.
    bool takeNewConnection(std::uint32_t connection, bool connected) noexcept;

private:
    std::uint32_t connection_;
};

// Starts the traffic over on simulator connection `connection` (see above) and logs it.
void gf_startTrafficOver(TrafficState& traffic, ParkingContext& parking, std::uint32_t connection);

} // namespace skyloom
