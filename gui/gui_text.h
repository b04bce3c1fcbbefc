// Text on the main window: the "Segoe UI" 12-point fonts the `Gui` paints and sizes its
// controls with, and gf_textOut, which draws one UTF-8 text in the painter's way.
#pragma once

#include <string>
#include <string_view>

#include "platform/winui/win_types.h"

namespace skyloom {

class Gui;

inline constexpr int kGuiFontPoints = 12;

// "Segoe UI", 12 points at `dpi` (height -MulDiv(12, dpi, 72)), weight 700 when bold else 400,
// every other field zero. Null when the font cannot be made.
winui::HFONT gf_createGuiFont(bool bold, winui::UINT dpi);

// Draws `text` at (x, y - 3) in `colour` with a transparent background, in the gui's bold or
// normal text font (when it has one). The context's font, background mode and text colour
// are restored. A text that is not UTF-8 is logged ("TextOut utf8 to wide failed for '{}':
// {}") and not drawn; nothing escapes.
void gf_textOut(const Gui& gui, std::string_view text, winui::HDC dc, int x, int y,
                winui::COLORREF colour, bool bold) noexcept;

// A text as the one line of the status or error line shows it: line breaks (CR, LF) at its
// ends are dropped and every run of them inside becomes one space. Senders may end a text
// with a line break for the log's sake.
std::string gf_oneLine(std::string_view text);

} // namespace skyloom
