#include "platform/winui/dpi.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <mutex>

#include "platform/winui/last_error.h"
#include "platform/winui/monitors.h"
#include "platform/winui/styles.h"
#include "platform/winui/window_registry.h"

namespace skyloom::winui {
namespace {

std::atomic<UINT> g_systemDpi{96};
std::atomic<bool> g_awarenessSet{false};

constexpr int kMenuHeight = 19;
constexpr int kScrollBarWidth = 17;

} // namespace

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) {
        return -1;
    }
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    const bool negative = (product < 0) != (denominator < 0);
    const std::uint64_t magnitude = static_cast<std::uint64_t>(std::llabs(product));
    const std::uint64_t divisor = static_cast<std::uint64_t>(std::llabs(denominator));
    // Halves away from zero: add half the divisor to the magnitude before dividing.
    const std::uint64_t rounded = (magnitude + divisor / 2) / divisor;
    if (rounded > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) {
        // -2^31 is representable, but Windows reports every overflow as -1.
        return -1;
    }
    const auto value = static_cast<int>(rounded);
    return negative ? -value : value;
}

UINT GetDpiForSystem() {
    return g_systemDpi.load();
}

UINT GetDpiForWindow(HWND hwnd) {
    std::lock_guard lock(detail::windowsMutex());
    const detail::Window* window = detail::findWindowLocked(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return window->dpi;
}

BOOL SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT context) {
    if (context != DPI_AWARENESS_CONTEXT_UNAWARE && context != DPI_AWARENESS_CONTEXT_SYSTEM_AWARE &&
        context != DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE &&
        context != DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (g_awarenessSet.exchange(true)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

BOOL AdjustWindowRectExForDpi(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi) {
    if (rect == nullptr || dpi == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const bool child = (style & WS_CHILD) != 0;
    const detail::FrameInsets insets = detail::frameInsetsFor(style, exStyle, dpi, child);
    rect->left -= insets.left;
    rect->top -= insets.top;
    rect->right += insets.right;
    rect->bottom += insets.bottom;
    if (menu && !child) {
        rect->top -= MulDiv(kMenuHeight, static_cast<int>(dpi), 96);
    }
    return TRUE;
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle) {
    return AdjustWindowRectExForDpi(rect, style, menu, exStyle, GetDpiForSystem());
}

int GetSystemMetricsForDpi(int index, UINT dpi) {
    const int d = static_cast<int>(dpi);
    switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
        MONITORINFO info;
        info.cbSize = sizeof info;
        GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
        return index == SM_CXSCREEN ? info.rcMonitor.right - info.rcMonitor.left
                                    : info.rcMonitor.bottom - info.rcMonitor.top;
    }
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
        return MulDiv(kScrollBarWidth, d, 96);
    case SM_CYCAPTION:
        return MulDiv(23, d, 96);
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXFIXEDFRAME:
    case SM_CYFIXEDFRAME:
        return MulDiv(3, d, 96);
    case SM_CXSIZEFRAME:
    case SM_CYSIZEFRAME:
        return MulDiv(4, d, 96);
    case SM_CXEDGE:
    case SM_CYEDGE:
        return MulDiv(2, d, 96);
    case SM_CXPADDEDBORDER:
        return MulDiv(4, d, 96);
    default:
        return 0;
    }
}

int GetSystemMetrics(int index) {
    return GetSystemMetricsForDpi(index, GetDpiForSystem());
}

void setSystemDpi(UINT dpi) {
    g_systemDpi.store(dpi == 0 ? 96 : dpi);
}

void resetDpiAwareness() {
    g_awarenessSet.store(false);
}

} // namespace skyloom::winui
