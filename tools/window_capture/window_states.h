// The states of the main window that window_capture shows: what the window was told (the
// window updates) and what it reads from the rest of the program (the paint facts).
#pragma once

#include <string>
#include <vector>

#include "runtime/gui_update.h"
#include "gui/paint_facts.h"

namespace skyloom::tools::window_capture {

struct WindowState {
    bool compact = false;
    // Every counter and text filled: simulator and RealTraffic connected, a park airport with
    // its file loaded and static aircraft on its stands.
    bool counts = false;
    // The error line, when not empty.
    std::string error;
};

// The updates that bring a fresh window into the state, in the order a run sends them.
std::vector<GuiUpdate> gf_updatesFor(const WindowState& state);
// The facts the window paints beside its own state.
GuiPaintFacts gf_factsFor(const WindowState& state, std::shared_ptr<const ParamsSnapshot> settings);

// The states of the full set, with the file names they are written under (without the DPI).
struct NamedState {
    std::string name;
    WindowState state;
};
std::vector<NamedState> gf_allStates();

} // namespace skyloom::tools::window_capture
