// The private window messages of the main window. All are posted, never sent: MSG_START
// starts the main worker thread, MSG_EXIT ends the program after the worker's cleanup,
// MSG_GUI_UPDATE wakes the GUI thread to drain the window-update queue, and MSG_SWITCH_SIM
// asks the window to switch the simulator choice and restart.
#pragma once

#include "platform/winui/messages.h"
#include "platform/winui/win_types.h"

namespace skyloom {

inline constexpr winui::UINT MSG_START = 0x8001;
inline constexpr winui::UINT MSG_EXIT = 0x8002;
inline constexpr winui::UINT MSG_GUI_UPDATE = 0x8003;
inline constexpr winui::UINT MSG_SWITCH_SIM = 0x8064;

static_assert(MSG_START == winui::WM_APP + 1 && MSG_EXIT == winui::WM_APP + 2 &&
              MSG_GUI_UPDATE == winui::WM_APP + 3 && MSG_SWITCH_SIM == winui::WM_APP + 100);

} // namespace skyloom
