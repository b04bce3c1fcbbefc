// Where windows are and how they show: position, size and z-order (SetWindowPos with
// HWND_TOPMOST and the other insert-after handles, MoveWindow), visibility and show states
// (minimised and maximised windows keep their normal rectangle, which GetWindowPlacement
// reports), window and client rectangles, and the conversion between client and screen
// coordinates. A top-level window that comes to lie on a monitor of another DPI receives
// WM_DPICHANGED with a suggested rectangle.
#pragma once

#include "platform/winui/win_types.h"

namespace skyloom::winui {

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
// Returns whether the window was visible before.
BOOL ShowWindow(HWND hwnd, int command);
BOOL IsWindowVisible(HWND hwnd); // the window and all its ancestors
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);

BOOL GetWindowRect(HWND hwnd, RECT* rect); // screen coordinates
BOOL GetClientRect(HWND hwnd, RECT* rect); // (0, 0, width, height)
BOOL ClientToScreen(HWND hwnd, POINT* point);
BOOL ScreenToClient(HWND hwnd, POINT* point);
// Converts points from one window's client coordinates to another's (null: the screen).
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);

// The normal rectangle is in workspace coordinates: relative to the work area of the
// window's monitor, as on Windows.
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement);

namespace detail {
// Compares a top-level window's DPI with its monitor's and sends WM_DPICHANGED on a change.
void followMonitorDpi(HWND hwnd);
} // namespace detail

} // namespace skyloom::winui
