// Without a window on screen the user sees neither the error line nor a message box: what
// they say is written to standard error as well, so that a run in a terminal tells why it
// stopped. The window still gets every text (the log keeps them as before).
#pragma once

#include <string_view>

namespace skyloom {

class Gui;

// Writes each error line that `gui` shows (unless the same text was just written there by
// gf_writeNoticeToStandardError), and the text of every message box the current window-system
// backend is asked for, to standard error. Call once, on the GUI thread, after
// the headless backend was installed and before the window is made.
void gf_echoNoticesToStandardError(Gui& gui);

// Writes one notice, a line of its own, to standard error.
void gf_writeNoticeToStandardError(std::string_view text) noexcept;

} // namespace skyloom
