// The demo's window: a painted header band and options area (double-buffered through a
// memory context with the anisotropic mapping, as the main window paints) with one control of
// every kind, including an owner-drawn check box made by subclassing.
#pragma once

#include "platform/winui/win_types.h"

namespace skyloom::tools::winui_demo {

// Registers the window class once; false when that fails.
bool registerDemoClass();
// Creates and shows the window at the given DPI (the monitor is set to it first); null on
// failure.
winui::HWND createDemoWindow(winui::UINT dpi);

// Control ids, for the demo to address its controls.
inline constexpr int kOwnerDrawnCheckId = 101;
inline constexpr int kAutoCheckId = 102;
inline constexpr int kDisabledCheckId = 103;
inline constexpr int kApplyButtonId = 110;
inline constexpr int kDisabledButtonId = 111;
inline constexpr int kRangeComboId = 120;
inline constexpr int kListComboId = 121;
inline constexpr int kDisabledComboId = 122;
inline constexpr int kDestinationEditId = 130;
inline constexpr int kDisabledEditId = 131;

} // namespace skyloom::tools::winui_demo
