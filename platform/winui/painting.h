// Invalidation and painting. Invalid parts of a window merge into one region; WM_PAINT for it
// comes when its thread's queue is otherwise empty (or at once through UpdateWindow and
// RedrawWindow with RDW_UPDATENOW). BeginPaint hands out a device context clipped to the
// invalid region, first sending WM_ERASEBKGND when the invalidation asked for it, and
// validates the window; EndPaint ends the paint. Each window keeps its own picture, so
// painting a parent never paints over its children.
#pragma once

#include "platform/winui/win_types.h"

namespace skyloom::winui {

// rect null: the whole client area; hwnd null: every top-level window.
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
BOOL UpdateWindow(HWND hwnd);
// RDW_INVALIDATE, RDW_ERASE, RDW_VALIDATE, RDW_UPDATENOW, RDW_ERASENOW, RDW_ALLCHILDREN.
BOOL RedrawWindow(HWND hwnd, const RECT* rect, HANDLE region, UINT flags);

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);
// A context for the client area outside of WM_PAINT.
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);

} // namespace skyloom::winui
