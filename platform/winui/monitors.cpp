#include "platform/winui/monitors.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <mutex>

#include "platform/winui/handles.h"
#include "platform/winui/last_error.h"
#include "platform/winui/region.h"
#include "platform/winui/styles.h"
#include "platform/winui/window_geometry.h"
#include "platform/winui/window_registry.h"

namespace skyloom::winui {
namespace {

struct Desktop {
    std::vector<MonitorSetup> monitors;
    std::vector<detail::HandleId> ids;
};

std::mutex g_desktopMutex;

std::vector<MonitorSetup> lf_defaultMonitors() {
    return {MonitorSetup{RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040}, 96}};
}

Desktop& lf_desktop() {
    static Desktop desktop = [] {
        Desktop d;
        d.monitors = lf_defaultMonitors();
        d.ids.push_back(detail::nextHandleId());
        return d;
    }();
    return desktop;
}

std::int64_t lf_area(const RECT& r) {
    return detail::isEmptyRect(r)
               ? 0
               : static_cast<std::int64_t>(r.right - r.left) * (r.bottom - r.top);
}

// Squared distance between two rectangles (0 when they touch or overlap).
std::int64_t lf_distance(const RECT& a, const RECT& b) {
    const std::int64_t dx = std::max<std::int64_t>({0, b.left - a.right, a.left - b.right});
    const std::int64_t dy = std::max<std::int64_t>({0, b.top - a.bottom, a.top - b.bottom});
    return dx * dx + dy * dy;
}

// Index of the monitor for a rectangle, or -1.
int lf_monitorIndexLocked(const RECT& rect, DWORD flags) {
    const Desktop& desktop = lf_desktop();
    int best = -1;
    std::int64_t bestArea = 0;
    for (std::size_t i = 0; i < desktop.monitors.size(); ++i) {
        const std::int64_t area = lf_area(detail::intersectRects(rect, desktop.monitors[i].area));
        if (area > bestArea) {
            bestArea = area;
            best = static_cast<int>(i);
        }
    }
    if (best >= 0) {
        return best;
    }
    // A point (an empty rectangle) lies on a monitor when the monitor holds it.
    for (std::size_t i = 0; i < desktop.monitors.size(); ++i) {
        if (detail::rectContains(desktop.monitors[i].area, POINT{rect.left, rect.top})) {
            return static_cast<int>(i);
        }
    }
    if (flags == MONITOR_DEFAULTTOPRIMARY) {
        return 0;
    }
    if (flags == MONITOR_DEFAULTTONEAREST) {
        std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
        for (std::size_t i = 0; i < desktop.monitors.size(); ++i) {
            const std::int64_t d = lf_distance(rect, desktop.monitors[i].area);
            if (d < bestDistance) {
                bestDistance = d;
                best = static_cast<int>(i);
            }
        }
        return best;
    }
    return -1;
}

HMONITOR lf_handleLocked(int index) {
    return index < 0
               ? nullptr
               : detail::toHandle<HMONITOR>(lf_desktop().ids[static_cast<std::size_t>(index)]);
}

} // namespace

HMONITOR MonitorFromRect(const RECT* rect, DWORD flags) {
    if (rect == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard lock(g_desktopMutex);
    return lf_handleLocked(lf_monitorIndexLocked(*rect, flags));
}

HMONITOR MonitorFromPoint(POINT point, DWORD flags) {
    const RECT rect{point.x, point.y, point.x, point.y};
    return MonitorFromRect(&rect, flags);
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
    RECT rect;
    if (!GetWindowRect(hwnd, &rect)) {
        return flags == MONITOR_DEFAULTTONULL ? nullptr : MonitorFromPoint(POINT{0, 0}, flags);
    }
    return MonitorFromRect(&rect, flags);
}

BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info) {
    if (info == nullptr || info->cbSize != sizeof(MONITORINFO)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(g_desktopMutex);
    const Desktop& desktop = lf_desktop();
    const auto id = detail::toId(monitor);
    for (std::size_t i = 0; i < desktop.ids.size(); ++i) {
        if (desktop.ids[i] == id) {
            info->rcMonitor = desktop.monitors[i].area;
            info->rcWork = desktop.monitors[i].workArea;
            info->dwFlags = i == 0 ? MONITORINFOF_PRIMARY : 0;
            return TRUE;
        }
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

void setMonitors(const std::vector<MonitorSetup>& setups) {
    std::lock_guard lock(g_desktopMutex);
    Desktop& desktop = lf_desktop();
    desktop.monitors = setups.empty() ? lf_defaultMonitors() : setups;
    desktop.ids.clear();
    for (std::size_t i = 0; i < desktop.monitors.size(); ++i) {
        desktop.ids.push_back(detail::nextHandleId());
    }
}

std::vector<MonitorSetup> monitors() {
    std::lock_guard lock(g_desktopMutex);
    return lf_desktop().monitors;
}

void setMonitorDpi(std::size_t index, UINT dpi) {
    {
        std::lock_guard lock(g_desktopMutex);
        Desktop& desktop = lf_desktop();
        if (index >= desktop.monitors.size() || dpi == 0) {
            return;
        }
        desktop.monitors[index].dpi = dpi;
    }
    std::vector<HWND> tops;
    {
        std::lock_guard lock(detail::windowsMutex());
        tops = detail::topLevelWindowsLocked();
    }
    for (HWND hwnd : tops) {
        detail::followMonitorDpi(hwnd);
    }
}

UINT dpiForScreenRect(const RECT& rect) {
    std::lock_guard lock(g_desktopMutex);
    const int index = lf_monitorIndexLocked(rect, MONITOR_DEFAULTTONEAREST);
    return index < 0 ? 96 : lf_desktop().monitors[static_cast<std::size_t>(index)].dpi;
}

} // namespace skyloom::winui
