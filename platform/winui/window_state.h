// The state a user sees on a window: enabled or disabled, its text, keyboard focus and mouse
// capture, and the dialog-style helpers that address a child by id (check buttons, item
// texts, item messages). Changes made from another thread reach the window's thread as sent
// messages (WM_ENABLE, WM_SETTEXT, ...), as on Windows.
#pragma once

#include "platform/winui/win_types.h"

namespace skyloom::winui {

// Returns whether the window was disabled before.
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
// Copies at most capacity - 1 characters and a terminating zero; returns the count copied.
int GetWindowTextW(HWND hwnd, LPWSTR buffer, int capacity);
int GetWindowTextLengthW(HWND hwnd);

// Focus belongs to one window of the desktop; GetFocus answers it only on the window's own
// thread. Setting focus sends WM_KILLFOCUS to the old and WM_SETFOCUS to the new window.
HWND SetFocus(HWND hwnd);
HWND GetFocus();
// While a window holds the capture, every injected mouse message goes to it.
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

BOOL CheckDlgButton(HWND parent, int id, UINT check);
UINT IsDlgButtonChecked(HWND parent, int id);
LRESULT SendDlgItemMessageW(HWND parent, int id, UINT message, WPARAM wParam, LPARAM lParam);
BOOL SetDlgItemTextW(HWND parent, int id, LPCWSTR text);
UINT GetDlgItemTextW(HWND parent, int id, LPWSTR buffer, int capacity);

} // namespace skyloom::winui
