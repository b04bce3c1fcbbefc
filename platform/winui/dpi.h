// DPI arithmetic and queries. MulDiv rounds as Windows does: the exact quotient, halves away
// from zero, -1 when the divisor is 0 or the result does not fit 32 bits. The layer behaves
// as a per-monitor aware (v2) process whatever awareness is asked for: a window's DPI is its
// monitor's, the system DPI is the primary monitor's at start (tests may set it), and
// AdjustWindowRectExForDpi grows a client rectangle by the frame of a style at a DPI.
#pragma once

#include "platform/winui/win_types.h"

namespace skyloom::winui {

int MulDiv(int number, int numerator, int denominator);

UINT GetDpiForSystem();
UINT GetDpiForWindow(HWND hwnd); // 0 for a handle that is no window

inline const DPI_AWARENESS_CONTEXT DPI_AWARENESS_CONTEXT_UNAWARE =
    reinterpret_cast<DPI_AWARENESS_CONTEXT>(static_cast<std::intptr_t>(-1));
inline const DPI_AWARENESS_CONTEXT DPI_AWARENESS_CONTEXT_SYSTEM_AWARE =
    reinterpret_cast<DPI_AWARENESS_CONTEXT>(static_cast<std::intptr_t>(-2));
inline const DPI_AWARENESS_CONTEXT DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE =
    reinterpret_cast<DPI_AWARENESS_CONTEXT>(static_cast<std::intptr_t>(-3));
inline const DPI_AWARENESS_CONTEXT DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 =
    reinterpret_cast<DPI_AWARENESS_CONTEXT>(static_cast<std::intptr_t>(-4));

// The first call succeeds; later calls fail with ERROR_ACCESS_DENIED, as once the awareness
// is set it cannot change.
BOOL SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT context);

// Grows a client rectangle to the window rectangle of a window with these styles.
BOOL AdjustWindowRectExForDpi(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi);
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle);

int GetSystemMetricsForDpi(int index, UINT dpi);
int GetSystemMetrics(int index);

// --- For tests ---
void setSystemDpi(UINT dpi);
// Forgets the awareness set, so that a test can set it again.
void resetDpiAwareness();

} // namespace skyloom::winui
