// CreateWindowExW, DestroyWindow and IsWindow.
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/winui/backend.h"
#include "platform/winui/input_state.h"
#include "platform/winui/last_error.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/monitors.h"
#include "platform/winui/styles.h"
#include "platform/winui/thread_queue.h"
#include "platform/winui/wide_text.h"
#include "platform/winui/window.h"
#include "platform/winui/window_class.h"
#include "platform/winui/window_geometry.h"
#include "platform/winui/window_registry.h"

namespace skyloom::winui {
namespace {

using detail::Window;

constexpr int kDefaultX = 100;
constexpr int kDefaultY = 100;
constexpr int kDefaultWidth = 800;
constexpr int kDefaultHeight = 600;

void lf_notifyChanged(HWND hwnd) {
    if (auto backend = currentBackend()) {
        backend->windowChanged(hwnd);
    }
}

// Pop-ups owned by any window of the list, with their own pop-ups.
std::vector<HWND> lf_ownedPopupsLocked(const std::vector<HWND>& owners) {
    std::vector<HWND> popups;
    for (HWND top : detail::topLevelWindowsLocked()) {
        const Window* window = detail::findWindowLocked(top);
        if (window != nullptr && window->owner != nullptr &&
            std::find(owners.begin(), owners.end(), window->owner) != owners.end()) {
            popups.push_back(top);
        }
    }
    return popups;
}

} // namespace

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
    auto windowClass = detail::findClass(wideString(className));
    if (!windowClass) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    const bool child = (style & WS_CHILD) != 0;
    auto window = std::make_unique<Window>();
    window->windowClass = windowClass;
    window->proc = windowClass->record.lpfnWndProc;
    window->style = style & ~WS_VISIBLE;
    window->exStyle = exStyle;
    window->instance = instance;
    window->extraBytes.assign(static_cast<std::size_t>(windowClass->record.cbWndExtra), 0);
    window->queue = detail::currentQueue();
    window->threadId = GetCurrentThreadId();
    if (child) {
        window->id = reinterpret_cast<UINT_PTR>(menu);
        if (x == CW_USEDEFAULT) {
            x = y = 0;
        }
        if (width == CW_USEDEFAULT) {
            width = height = 0;
        }
    } else {
        if (x == CW_USEDEFAULT) {
            x = kDefaultX;
            y = kDefaultY;
        }
        if (width == CW_USEDEFAULT) {
            width = kDefaultWidth;
            height = kDefaultHeight;
        }
    }
    window->rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
    window->normalRect = window->rect;
    // A top-level window starts at the DPI of the monitor it is created on, a child at its
    // parent's.
    window->dpi = child ? 96 : dpiForScreenRect(window->rect);
    HWND hwnd = nullptr;
    {
        std::lock_guard lock(detail::windowsMutex());
        Window* parentWindow = detail::findWindowLocked(parent);
        if (child && parentWindow == nullptr) {
            SetLastError(ERROR_TLW_WITH_WSCHILD);
            return nullptr;
        }
        if (child) {
            window->parent = parent;
            window->dpi = parentWindow->dpi;
        } else {
            window->owner = parentWindow == nullptr ? nullptr : parent;
        }
        Window& added = detail::addWindowLocked(std::move(window));
        ++windowClass->windowCount;
        hwnd = added.handle;
    }

    CREATESTRUCTW create;
    create.lpCreateParams = param;
    create.hInstance = instance;
    create.hMenu = menu;
    create.hwndParent = parent;
    create.cx = width;
    create.cy = height;
    create.x = x;
    create.y = y;
    create.style = static_cast<LONG>(style);
    create.lpszName = windowName;
    create.lpszClass = className;
    create.dwExStyle = exStyle;
    const auto createParam = reinterpret_cast<LPARAM>(&create);
    if (!SendMessageW(hwnd, WM_NCCREATE, 0, createParam)) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (SendMessageW(hwnd, WM_CREATE, 0, createParam) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (!IsWindow(hwnd)) {
        return nullptr;
    }
    RECT client;
    GetClientRect(hwnd, &client);
    SendMessageW(hwnd, WM_SIZE, SIZE_RESTORED,
                 MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
    POINT origin{0, 0};
    MapWindowPoints(hwnd, child ? parent : nullptr, &origin, 1);
    SendMessageW(hwnd, WM_MOVE, 0,
                 MAKELPARAM(static_cast<WORD>(origin.x), static_cast<WORD>(origin.y)));
    if ((style & WS_VISIBLE) != 0) {
        ShowWindow(hwnd, SW_SHOW);
    }
    if (!child) {
        lf_notifyChanged(hwnd);
    }
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd) {
    std::vector<HWND> tree;
    std::vector<HWND> popups;
    bool topLevel = false;
    {
        std::lock_guard lock(detail::windowsMutex());
        Window* window = detail::findWindowLocked(hwnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (window->threadId != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (window->destroying) {
            return TRUE;
        }
        detail::collectTreeLocked(hwnd, tree);
        for (HWND member : tree) {
            if (Window* w = detail::findWindowLocked(member)) {
                w->destroying = true;
            }
        }
        popups = lf_ownedPopupsLocked(tree);
        topLevel = window->parent == nullptr;
        // Gone from sight at once: a destroyed window is never painted again.
        window->style &= ~WS_VISIBLE;
        for (HWND member : tree) {
            if (Window* w = detail::findWindowLocked(member)) {
                detail::refreshPaintPendingLocked(*w);
            }
        }
    }
    for (HWND popup : popups) {
        DestroyWindow(popup);
    }
    for (HWND member : tree) {
        detail::forgetInputState(member);
    }
    for (HWND member : tree) {
        SendMessageW(member, WM_DESTROY, 0, 0);
    }
    for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
        SendMessageW(*it, WM_NCDESTROY, 0, 0);
    }
    {
        std::lock_guard lock(detail::windowsMutex());
        for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
            if (Window* w = detail::findWindowLocked(*it)) {
                --w->windowClass->windowCount;
                detail::removeWindowLocked(*it);
            }
        }
    }
    if (topLevel) {
        if (auto backend = currentBackend()) {
            backend->windowDestroyed(hwnd);
        }
    }
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    std::lock_guard lock(detail::windowsMutex());
    return detail::findWindowLocked(hwnd) != nullptr ? TRUE : FALSE;
}

} // namespace skyloom::winui
