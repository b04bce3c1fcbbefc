// The states of the main window that window_capture shows: what the window was told (the
// window updates a run sends, and what parking shows its parking panel). What the window reads
// from the rest of the program when it paints (the connections, the settings, the reserved
// stand) the tool sets where the program keeps it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "parking/parking_window.h"
#include "runtime/gui_update.h"

namespace skyloom::tools::window_capture {

struct WindowState {
    bool compact = false;
    // Every counter and text filled: simulator and RealTraffic connected, a park airport with
    // its file loaded and static aircraft on its stands.
    bool counts = false;
    // The error line, when not empty.
    std::string error;
    // "Park" pushed (with static parking running): its status line and the parking controls
    // disabled while the update it asked for runs.
    bool parkPushed = false;
    // With the counts: the minutes to the next parking update once the countdown ran (0: the
    // whole interval, as the start-up shows it).
    std::int32_t nextUpdateMinutes = 0;
};

// The updates that bring a fresh window into the state, in the order a run sends them.
std::vector<GuiUpdate> gf_updatesFor(const WindowState& state);
// What parking shows the window's parking panel in the state.
StaticParkingShown gf_staticParkingFor(const WindowState& state);
// The airport whose stand the counts state reserves in the program's park-airport list.
inline constexpr const char* kCaptureAirport = "LOWW";
// The states of the full set, with the file names they are written under (without the DPI).
struct NamedState {
    std::string name;
    WindowState state;
};
std::vector<NamedState> gf_allStates();

} // namespace skyloom::tools::window_capture
