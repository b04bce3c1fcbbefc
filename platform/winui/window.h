// Windows: creation and destruction, window procedures and their chaining (subclassing
// replaces a window's procedure; the new one forwards to the old with CallWindowProcW), the
// default procedure, the window longs (procedure, user data, id, styles, extra bytes), and
// the walk through parents, children and siblings. Behaviour follows Windows: WM_NCCREATE
// and WM_CREATE may refuse a window, WM_DESTROY reaches a parent before its children,
// children are enumerated in z-order (creation order) with their descendants, and a handle
// whose window is gone is no window (IsWindow FALSE, calls fail with
// ERROR_INVALID_WINDOW_HANDLE).
#pragma once

#include "platform/winui/win_types.h"

namespace skyloom::winui {

// Top-level windows take screen coordinates, child windows (WS_CHILD) their parent's client
// coordinates. A child's `menu` is its control id: reinterpret_cast<HMENU>(UINT_PTR{id}).
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param);
// Only the creating thread may destroy a window (else ERROR_ACCESS_DENIED).
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index);
// Returns the previous value (0 with an error set on failure).
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value);

HWND GetParent(HWND hwnd); // the parent of a child window, the owner of a pop-up
BOOL IsChild(HWND parent, HWND hwnd);
HWND GetWindow(HWND hwnd, UINT relation);
HWND GetDlgItem(HWND parent, int id); // direct children only
int GetDlgCtrlID(HWND hwnd);
// Every descendant, depth first in z-order; stops when the callback returns FALSE.
BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM lParam);
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId);

} // namespace skyloom::winui
