// The walk through parents, children, siblings and owners.
#include <algorithm>
#include <vector>

#include <unistd.h>

#include "platform/winui/last_error.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_registry.h"

namespace skyloom::winui {
namespace {

using detail::Window;

// The window's siblings in z-order (the top-level windows for a top-level window).
std::vector<HWND> lf_siblingsLocked(const Window& window) {
    if (const Window* parent = detail::findWindowLocked(window.parent)) {
        return parent->children;
    }
    return detail::topLevelWindowsLocked();
}

} // namespace

HWND GetParent(HWND hwnd) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return window->parent != nullptr ? window->parent : window->owner;
}

BOOL IsChild(HWND parent, HWND hwnd) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(hwnd);
    while (window != nullptr && window->parent != nullptr) {
        if (window->parent == parent) {
            return TRUE;
        }
        window = detail::findWindowLocked(window->parent);
    }
    return FALSE;
}

HWND GetWindow(HWND hwnd, UINT relation) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    switch (relation) {
    case GW_CHILD:
        return window->children.empty() ? nullptr : window->children.front();
    case GW_OWNER:
        return window->owner;
    case GW_HWNDFIRST:
    case GW_HWNDLAST: {
        const auto siblings = lf_siblingsLocked(*window);
        if (siblings.empty()) {
            return nullptr;
        }
        return relation == GW_HWNDFIRST ? siblings.front() : siblings.back();
    }
    case GW_HWNDNEXT:
    case GW_HWNDPREV: {
        const auto siblings = lf_siblingsLocked(*window);
        auto it = std::find(siblings.begin(), siblings.end(), hwnd);
        if (it == siblings.end()) {
            return nullptr;
        }
        if (relation == GW_HWNDNEXT) {
            return it + 1 == siblings.end() ? nullptr : *(it + 1);
        }
        return it == siblings.begin() ? nullptr : *(it - 1);
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

HWND GetDlgItem(HWND parent, int id) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(parent);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    for (HWND child : window->children) {
        const Window* c = detail::findWindowLocked(child);
        if (c != nullptr && static_cast<int>(c->id) == id) {
            return child;
        }
    }
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(hwnd);
    if (window == nullptr || window->parent == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(window->id);
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM lParam) {
    if (callback == nullptr) {
        return FALSE;
    }
    std::vector<HWND> windows;
    {
        std::lock_guard lock(detail::windowsMutex());
        if (parent == nullptr) {
            windows = detail::topLevelWindowsLocked();
        } else {
            const Window* window = detail::findWindowLocked(parent);
            if (window == nullptr) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return FALSE;
            }
            for (HWND child : window->children) {
                detail::collectTreeLocked(child, windows);
            }
        }
    }
    // The list is taken first, so the callback may create or destroy windows; those gone by
    // their turn are skipped.
    for (HWND hwnd : windows) {
        if (!IsWindow(hwnd)) {
            continue;
        }
        if (!callback(hwnd, lParam)) {
            break;
        }
    }
    return TRUE;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (processId != nullptr) {
        *processId = static_cast<DWORD>(::getpid());
    }
    return window->threadId;
}

} // namespace skyloom::winui
