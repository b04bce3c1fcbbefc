// Which window has the keyboard focus and which holds the mouse capture: one of each for the
// whole desktop, as the user has one keyboard and one mouse.
#pragma once

#include "platform/winui/win_types.h"

namespace skyloom::winui::detail {

HWND focusWindow();
HWND captureWindow();
// A window that goes loses focus and capture without messages.
void forgetInputState(HWND hwnd);

} // namespace skyloom::winui::detail
