#include "platform/winui/window_geometry.h"

#include <algorithm>
#include <vector>

#include "platform/winui/backend.h"
#include "platform/winui/dpi.h"
#include "platform/winui/last_error.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/monitors.h"
#include "platform/winui/styles.h"
#include "platform/winui/window_registry.h"

namespace skyloom::winui {
namespace {

using detail::Window;

// Where Windows parks a minimised top-level window.
constexpr RECT kMinimisedRect{-32000, -32000, -32000 + 160, -32000 + 28};

thread_local bool t_inDpiChange = false;

void lf_notifyChanged(HWND hwnd) {
    if (auto backend = currentBackend()) {
        backend->windowChanged(hwnd);
    }
}

SIZE lf_clientSizeLocked(const Window& window) {
    const RECT client = detail::clientAreaLocked(window);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

LPARAM lf_sizeParam(SIZE size) {
    return MAKELPARAM(static_cast<WORD>(size.cx), static_cast<WORD>(size.cy));
}

// The client origin in the parent's client coordinates (screen for top-level windows).
LPARAM lf_moveParamLocked(const Window& window) {
    POINT origin = detail::clientOriginOnScreenLocked(window);
    if (const Window* parent = detail::findWindowLocked(window.parent)) {
        const POINT parentOrigin = detail::clientOriginOnScreenLocked(*parent);
        origin.x -= parentOrigin.x;
        origin.y -= parentOrigin.y;
    }
    return MAKELPARAM(static_cast<WORD>(origin.x), static_cast<WORD>(origin.y));
}

// The picture no longer fits: make a new one on the next paint and paint all of it.
void lf_resizedLocked(Window& window) {
    window.backing = Image();
    window.frameDirty = true;
    window.invalid.clear();
    detail::invalidateLocked(window, nullptr, true);
}

void lf_reorderLocked(Window& window, HWND insertAfter) {
    if (window.parent == nullptr) {
        if (insertAfter == HWND_TOPMOST) {
            window.exStyle |= WS_EX_TOPMOST;
            detail::raiseTopLevelLocked(window.handle, HWND_TOP);
        } else if (insertAfter == HWND_NOTOPMOST) {
            window.exStyle &= ~WS_EX_TOPMOST;
            detail::raiseTopLevelLocked(window.handle, HWND_TOP);
        } else {
            detail::raiseTopLevelLocked(window.handle, insertAfter);
        }
        return;
    }
    Window* parent = detail::findWindowLocked(window.parent);
    if (parent == nullptr) {
        return;
    }
    auto& siblings = parent->children;
    std::erase(siblings, window.handle);
    if (insertAfter == HWND_BOTTOM) {
        siblings.push_back(window.handle);
    } else if (auto it = std::find(siblings.begin(), siblings.end(), insertAfter);
               it != siblings.end()) {
        siblings.insert(it + 1, window.handle);
    } else {
        siblings.insert(siblings.begin(), window.handle);
    }
}

// Puts the tree's windows back on (or off) their threads' paint lists after a visibility
// change of `root`.
void lf_refreshTreeLocked(HWND root) {
    std::vector<HWND> tree;
    detail::collectTreeLocked(root, tree);
    for (HWND hwnd : tree) {
        if (Window* window = detail::findWindowLocked(hwnd)) {
            detail::refreshPaintPendingLocked(*window);
        }
    }
}

} // namespace

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
    WINDOWPOS position;
    {
        std::lock_guard lock(detail::windowsMutex());
        Window* window = detail::findWindowLocked(hwnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        position.hwnd = hwnd;
        position.hwndInsertAfter = insertAfter;
        position.flags = flags;
        const RECT current =
            window->showState == SW_SHOWMINIMIZED ? window->normalRect : window->rect;
        position.x = (flags & SWP_NOMOVE) != 0 ? current.left : x;
        position.y = (flags & SWP_NOMOVE) != 0 ? current.top : y;
        position.cx = (flags & SWP_NOSIZE) != 0 ? current.right - current.left : width;
        position.cy = (flags & SWP_NOSIZE) != 0 ? current.bottom - current.top : height;
    }
    SendMessageW(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&position));

    bool moved = false;
    bool sized = false;
    bool topLevel = false;
    SIZE clientSize;
    LPARAM moveParam = 0;
    WPARAM sizeKind = SIZE_RESTORED;
    {
        std::lock_guard lock(detail::windowsMutex());
        Window* window = detail::findWindowLocked(hwnd);
        if (window == nullptr) {
            return FALSE;
        }
        topLevel = window->parent == nullptr;
        const RECT target{position.x, position.y, position.x + std::max(position.cx, 0),
                          position.y + std::max(position.cy, 0)};
        if (window->showState == SW_SHOWMINIMIZED) {
            // A minimised window keeps its place; the move applies when it is restored.
            window->normalRect = target;
        } else {
            const RECT before = window->rect;
            moved = before.left != target.left || before.top != target.top;
            sized = before.right - before.left != target.right - target.left ||
                    before.bottom - before.top != target.bottom - target.top;
            window->rect = target;
            if (window->showState == SW_SHOWNORMAL) {
                window->normalRect = target;
            }
            if (sized) {
                lf_resizedLocked(*window);
            }
            sizeKind = window->showState == SW_SHOWMAXIMIZED ? SIZE_MAXIMIZED : SIZE_RESTORED;
        }
        if ((flags & SWP_NOZORDER) == 0) {
            lf_reorderLocked(*window, insertAfter);
        }
        clientSize = lf_clientSizeLocked(*window);
        moveParam = lf_moveParamLocked(*window);
    }
    SendMessageW(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position));
    if (sized) {
        SendMessageW(hwnd, WM_SIZE, sizeKind, lf_sizeParam(clientSize));
    }
    if (moved) {
        SendMessageW(hwnd, WM_MOVE, 0, moveParam);
    }
    if ((flags & SWP_SHOWWINDOW) != 0) {
        ShowWindow(hwnd, SW_SHOWNA);
    } else if ((flags & SWP_HIDEWINDOW) != 0) {
        ShowWindow(hwnd, SW_HIDE);
    }
    if (topLevel) {
        lf_notifyChanged(hwnd);
        if (moved || sized) {
            detail::followMonitorDpi(hwnd);
        }
    }
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL ShowWindow(HWND hwnd, int command) {
    bool wasVisible = false;
    bool nowVisible = false;
    bool sized = false;
    bool topLevel = false;
    SIZE clientSize;
    WPARAM sizeKind = SIZE_RESTORED;
    {
        std::lock_guard lock(detail::windowsMutex());
        Window* window = detail::findWindowLocked(hwnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        topLevel = window->parent == nullptr;
        wasVisible = (window->style & WS_VISIBLE) != 0;
        nowVisible = command != SW_HIDE;
        const int stateBefore = window->showState;
        if (topLevel) {
            switch (command) {
            case SW_SHOWNORMAL:
            case SW_RESTORE:
                if (window->showState != SW_SHOWNORMAL) {
                    window->showState = SW_SHOWNORMAL;
                    window->rect = window->normalRect;
                }
                break;
            case SW_MINIMIZE:
            case SW_SHOWMINIMIZED:
            case SW_SHOWMINNOACTIVE:
                if (window->showState == SW_SHOWNORMAL) {
                    window->normalRect = window->rect;
                }
                window->showState = SW_SHOWMINIMIZED;
                window->rect = kMinimisedRect;
                sizeKind = SIZE_MINIMIZED;
                break;
            case SW_SHOWMAXIMIZED: {
                if (window->showState == SW_SHOWNORMAL) {
                    window->normalRect = window->rect;
                }
                window->showState = SW_SHOWMAXIMIZED;
                MONITORINFO info;
                info.cbSize = sizeof info;
                GetMonitorInfoW(MonitorFromRect(&window->normalRect, MONITOR_DEFAULTTONEAREST),
                                &info);
                // The frame of a maximised window lies outside the work area.
                const detail::FrameInsets insets = detail::frameInsetsLocked(*window);
                window->rect =
                    RECT{info.rcWork.left - insets.left, info.rcWork.top,
                         info.rcWork.right + insets.right, info.rcWork.bottom + insets.bottom};
                sizeKind = SIZE_MAXIMIZED;
                break;
            }
            default:
                break;
            }
        }
        sized = stateBefore != window->showState;
        if (nowVisible) {
            window->style |= WS_VISIBLE;
        } else {
            window->style &= ~WS_VISIBLE;
        }
        if (sized) {
            lf_resizedLocked(*window);
        } else if (nowVisible && !wasVisible) {
            detail::invalidateLocked(*window, nullptr, true);
        }
        lf_refreshTreeLocked(hwnd);
        clientSize = lf_clientSizeLocked(*window);
    }
    if (wasVisible != nowVisible) {
        SendMessageW(hwnd, WM_SHOWWINDOW, nowVisible ? TRUE : FALSE, 0);
    }
    if (sized) {
        SendMessageW(hwnd, WM_SIZE, sizeKind, lf_sizeParam(clientSize));
    }
    if (topLevel) {
        lf_notifyChanged(hwnd);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(hwnd);
    return window != nullptr && detail::visibleLocked(*window) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(hwnd);
    return window != nullptr && window->showState == SW_SHOWMINIMIZED ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(hwnd);
    return window != nullptr && window->showState == SW_SHOWMAXIMIZED ? TRUE : FALSE;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(hwnd);
    if (window == nullptr || rect == nullptr) {
        SetLastError(window == nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *rect = detail::screenRectLocked(*window);
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(hwnd);
    if (window == nullptr || rect == nullptr) {
        SetLastError(window == nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const SIZE size = lf_clientSizeLocked(*window);
    *rect = RECT{0, 0, size.cx, size.cy};
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(hwnd);
    if (window == nullptr || point == nullptr) {
        return FALSE;
    }
    const POINT origin = detail::clientOriginOnScreenLocked(*window);
    point->x += origin.x;
    point->y += origin.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(hwnd);
    if (window == nullptr || point == nullptr) {
        return FALSE;
    }
    const POINT origin = detail::clientOriginOnScreenLocked(*window);
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
    POINT fromOrigin;
    POINT toOrigin;
    {
        std::lock_guard lock(detail::windowsMutex());
        const Window* source = detail::findWindowLocked(from);
        const Window* target = detail::findWindowLocked(to);
        if ((from != nullptr && source == nullptr) || (to != nullptr && target == nullptr)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        fromOrigin = source == nullptr ? POINT{} : detail::clientOriginOnScreenLocked(*source);
        toOrigin = target == nullptr ? POINT{} : detail::clientOriginOnScreenLocked(*target);
    }
    const int dx = fromOrigin.x - toOrigin.x;
    const int dy = fromOrigin.y - toOrigin.y;
    for (UINT i = 0; points != nullptr && i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    SetLastError(ERROR_SUCCESS);
    return static_cast<int>(MAKELPARAM(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement) {
    if (placement == nullptr || placement->length != sizeof(WINDOWPLACEMENT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RECT normal;
    DWORD exStyle = 0;
    bool topLevel = false;
    {
        std::lock_guard lock(detail::windowsMutex());
        const Window* window = detail::findWindowLocked(hwnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        placement->flags = 0;
        placement->showCmd = static_cast<UINT>(window->showState);
        placement->ptMinPosition = window->showState == SW_SHOWMINIMIZED
                                       ? POINT{kMinimisedRect.left, kMinimisedRect.top}
                                       : POINT{-1, -1};
        placement->ptMaxPosition = POINT{-1, -1};
        normal = window->showState == SW_SHOWNORMAL ? window->rect : window->normalRect;
        exStyle = window->exStyle;
        topLevel = window->parent == nullptr;
    }
    if (topLevel && (exStyle & WS_EX_TOOLWINDOW) == 0) {
        // Workspace coordinates: shifted by the space that task bars take at the monitor's
        // left and top.
        MONITORINFO info;
        info.cbSize = sizeof info;
        if (GetMonitorInfoW(MonitorFromRect(&normal, MONITOR_DEFAULTTONEAREST), &info)) {
            const int dx = info.rcWork.left - info.rcMonitor.left;
            const int dy = info.rcWork.top - info.rcMonitor.top;
            normal = RECT{normal.left - dx, normal.top - dy, normal.right - dx, normal.bottom - dy};
        }
    }
    placement->rcNormalPosition = normal;
    return TRUE;
}

namespace detail {

void followMonitorDpi(HWND hwnd) {
    if (t_inDpiChange) {
        return;
    }
    RECT rect;
    {
        std::lock_guard lock(windowsMutex());
        const Window* window = findWindowLocked(hwnd);
        if (window == nullptr || window->parent != nullptr ||
            window->showState == SW_SHOWMINIMIZED) {
            return;
        }
        rect = window->rect;
    }
    const UINT newDpi = dpiForScreenRect(rect);
    RECT suggested;
    {
        std::lock_guard lock(windowsMutex());
        Window* window = findWindowLocked(hwnd);
        if (window == nullptr || window->dpi == newDpi) {
            return;
        }
        const int oldDpi = static_cast<int>(window->dpi);
        std::vector<HWND> tree;
        collectTreeLocked(hwnd, tree);
        for (HWND member : tree) {
            if (Window* w = findWindowLocked(member)) {
                w->dpi = newDpi;
                w->frameDirty = true;
            }
        }
        const int dpi = static_cast<int>(newDpi);
        suggested =
            RECT{rect.left, rect.top, rect.left + MulDiv(rect.right - rect.left, dpi, oldDpi),
                 rect.top + MulDiv(rect.bottom - rect.top, dpi, oldDpi)};
    }
    t_inDpiChange = true;
    try {
        SendMessageW(hwnd, WM_DPICHANGED,
                     MAKEWPARAM(static_cast<WORD>(newDpi), static_cast<WORD>(newDpi)),
                     reinterpret_cast<LPARAM>(&suggested));
    } catch (...) {
        t_inDpiChange = false;
        throw;
    }
    t_inDpiChange = false;
}

} // namespace detail
} // namespace skyloom::winui
