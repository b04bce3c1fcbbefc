// The states of the main window that window_capture shows: what the window was told (the
// window updates a run sends, and what parking shows its parking panel) and what it reads from
// the rest of the program (the paint facts: the connections, and the reserved stand as the
// program's park-airport list keeps it).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gui/paint_facts.h"
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
};

// The updates that bring a fresh window into the state, in the order a run sends them.
std::vector<GuiUpdate> gf_updatesFor(const WindowState& state);
// What parking shows the window's parking panel in the state.
StaticParkingShown gf_staticParkingFor(const WindowState& state);
// The airport whose stand the counts state reserves in the program's park-airport list.
inline constexpr const char* kCaptureAirport = "LOWW";
// The facts the window paints beside its own state.
GuiPaintFacts gf_factsFor(const WindowState& state, std::shared_ptr<const ParamsSnapshot> settings);

// The states of the full set, with the file names they are written under (without the DPI).
struct NamedState {
    std::string name;
    WindowState state;
};
std::vector<NamedState> gf_allStates();

} // namespace skyloom::tools::window_capture
