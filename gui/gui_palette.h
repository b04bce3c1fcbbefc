// The colours of the main window's texts and fills, as RGB. The fills are the `Gui`'s brushes;
// the texts are drawn in these colours.
#pragma once

#include "platform/winui/win_types.h"

namespace skyloom {

inline constexpr winui::COLORREF kTextGreen = winui::RGB(50, 210, 50);
inline constexpr winui::COLORREF kTextYellow = winui::RGB(255, 255, 0);
inline constexpr winui::COLORREF kTextRed = winui::RGB(255, 0, 0);
inline constexpr winui::COLORREF kTextWhite = winui::RGB(255, 255, 255);
inline constexpr winui::COLORREF kTextBlack = winui::RGB(0, 0, 0);
inline constexpr winui::COLORREF kTextGrey = winui::RGB(160, 160, 160);

// The options area; also the background of the static and edit controls.
inline constexpr winui::COLORREF kOptionsBlue = winui::RGB(153, 204, 255);

} // namespace skyloom
