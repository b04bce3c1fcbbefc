// Input as a user makes it, for tests and for the on-screen backend: clicks at a point,
// key presses, typed characters and wheel turns. Each is posted to the window that would
// receive it on Windows: a click to the window holding the mouse capture, else to the
// topmost visible window under the point (a disabled child passes it to its parent; a
// disabled top-level window drops it); keys and characters to the window with the focus.
// The receiving thread handles them in its message loop (pumpWaitingMessages in tests).
#pragma once

#include <string_view>

#include "platform/winui/win_types.h"

namespace skyloom::winui {

// The window that a click at this screen point goes to (ignoring the capture); null when
// none.
HWND WindowFromPoint(POINT screenPoint);

// Left button pressed and released at a screen point. False when no window takes it.
// With the time of the click (milliseconds of its source's clock, as an X server stamps its
// events), the messages carry that time (GetMessageTime) and clicks can make a double click:
// a press on the window of the press before, within GetDoubleClickTime() of it and within 2
// pixels of it, is the second click of a double click, which a window whose class has
// CS_DBLCLKS receives as WM_LBUTTONDBLCLK; the press after a double click starts a new one.
// Without a time a click is stamped with the tick count and never ends a double click.
bool injectClick(POINT screenPoint);
bool injectClick(POINT screenPoint, DWORD time);
// The left button pressed, or released, at a screen point; the mouse moved to a screen point
// (WM_MOUSEMOVE, with MK_LBUTTON while the button is held). For a backend that hears each of
// them apart. False when no window takes it.
bool injectButtonDown(POINT screenPoint);
bool injectButtonDown(POINT screenPoint, DWORD time);
bool injectButtonUp(POINT screenPoint);
bool injectButtonUp(POINT screenPoint, DWORD time);
bool injectMouseMove(POINT screenPoint, bool buttonHeld);
// The same at a point of a window's client area.
bool injectClickInWindow(HWND hwnd, POINT clientPoint);
bool injectClickInWindow(HWND hwnd, POINT clientPoint, DWORD time);
// A key pressed and released (WM_KEYDOWN, WM_KEYUP); TranslateMessage turns character keys
// into WM_CHAR.
bool injectKey(UINT virtualKey);
// One typed character (WM_CHAR).
bool injectChar(char16_t character);
bool injectText(std::u16string_view text);
// A wheel turn at a screen point; delta in WHEEL_DELTA steps (positive: away from the user).
bool injectWheel(POINT screenPoint, int delta);

} // namespace skyloom::winui
