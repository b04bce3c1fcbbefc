// The screens: a virtual desktop of monitors, each with its rectangle, work area (without
// the task bar) and DPI. By default one 1920 x 1080 monitor at 96 DPI whose work area leaves
// 40 pixels for a task bar at the bottom; tests and the on-screen backend describe others.
// Lookups follow Windows: the monitor that holds the largest part of a rectangle, else the
// nearest one, the primary one or none, as the flags ask.
#pragma once

#include <vector>

#include "platform/winui/win_types.h"

namespace skyloom::winui {

inline constexpr DWORD MONITOR_DEFAULTTONULL = 0;
inline constexpr DWORD MONITOR_DEFAULTTOPRIMARY = 1;
inline constexpr DWORD MONITOR_DEFAULTTONEAREST = 2;
inline constexpr DWORD MONITORINFOF_PRIMARY = 1;

HMONITOR MonitorFromRect(const RECT* rect, DWORD flags);
HMONITOR MonitorFromPoint(POINT point, DWORD flags);
HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags);
// Fills rcMonitor, rcWork and dwFlags; FALSE for an unknown monitor or a cbSize that is not
// sizeof(MONITORINFO).
BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info);

struct MonitorSetup {
    RECT area;
    RECT workArea;
    UINT dpi = 96;
};

// --- For tests and backends ---
// Replaces the monitors (the first is the primary one); an empty list restores the default.
// Handles of the old monitors stop working.
void setMonitors(const std::vector<MonitorSetup>& monitors);
std::vector<MonitorSetup> monitors();
// Changes one monitor's DPI; every top-level window on it gets WM_DPICHANGED.
void setMonitorDpi(std::size_t index, UINT dpi);
// The DPI of the monitor a screen rectangle lies on (nearest).
UINT dpiForScreenRect(const RECT& rect);

} // namespace skyloom::winui
