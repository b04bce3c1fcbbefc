// The user aircraft as the RealTraffic App hears of it: the simulator link's user aircraft
// state (position, altitude, pitch, bank, true heading, ground speed) and, while the simulator
// link holds a valid one, the simulator's UTC time for Qs123. This is where the App road's
// position lines come from in the program (RtAppLinkSettings::position).
#pragma once

#include <cstdint>
#include <optional>

#include "feed/rt_app_lines.h"

namespace skyloom {

class UserAircraft;
struct UserAircraftState;

// The report of one user aircraft state. The simulator's attitude is turned into the
// report's: the simulator's pitch is negative with the nose up and its bank positive with the
// left wing down; the report's pitch is positive nose up and its bank positive with the right
// wing down. `simUtcSeconds` (Unix seconds) becomes the simulator time in milliseconds.
AppPositionReport gf_appPositionReport(const UserAircraftState& state,
                                       std::optional<std::int64_t> simUtcSeconds) noexcept;

// The report of the user aircraft now, with the simulator's UTC time while its simUtcValid is
// set (the licence is professional and the simulator's clock is sane); no value while the
// aircraft's position is unknown (the simulator reports 0, 0 until it is placed).
std::optional<AppPositionReport> gf_userAircraftAppPosition(const UserAircraft& user);

} // namespace skyloom
