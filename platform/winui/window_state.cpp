#include "platform/winui/window_state.h"

#include <mutex>

#include "platform/winui/input_state.h"
#include "platform/winui/last_error.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_registry.h"

namespace skyloom::winui {
namespace {

std::mutex g_inputMutex;
HWND g_focus = nullptr;
HWND g_capture = nullptr;

} // namespace

namespace detail {

HWND focusWindow() {
    std::lock_guard lock(g_inputMutex);
    return g_focus;
}

HWND captureWindow() {
    std::lock_guard lock(g_inputMutex);
    return g_capture;
}

void forgetInputState(HWND hwnd) {
    std::lock_guard lock(g_inputMutex);
    if (g_focus == hwnd) {
        g_focus = nullptr;
    }
    if (g_capture == hwnd) {
        g_capture = nullptr;
    }
}

} // namespace detail

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    bool wasDisabled = false;
    {
        std::lock_guard lock(detail::windowsMutex());
        detail::Window* window = detail::findWindowLocked(hwnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        wasDisabled = (window->style & WS_DISABLED) != 0;
        if (enable) {
            window->style &= ~WS_DISABLED;
        } else {
            window->style |= WS_DISABLED;
        }
    }
    if (wasDisabled == !enable) {
        return wasDisabled ? TRUE : FALSE;
    }
    if (!enable && detail::focusWindow() == hwnd) {
        SetFocus(nullptr);
    }
    SendMessageW(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
    std::lock_guard lock(detail::windowsMutex());
    const detail::Window* window = detail::findWindowLocked(hwnd);
    return window != nullptr && (window->style & WS_DISABLED) == 0 ? TRUE : FALSE;
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0 ? TRUE : FALSE;
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) {
        return 0;
    }
    buffer[0] = u'\0';
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(SendMessageW(hwnd, WM_GETTEXT, static_cast<WPARAM>(capacity),
                                         reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND hwnd) {
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

HWND SetFocus(HWND hwnd) {
    if (hwnd != nullptr && (!IsWindow(hwnd) || !IsWindowEnabled(hwnd))) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    HWND previous = nullptr;
    {
        std::lock_guard lock(g_inputMutex);
        previous = g_focus;
        if (previous == hwnd) {
            return previous;
        }
        g_focus = hwnd;
    }
    if (previous != nullptr) {
        SendMessageW(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    }
    if (hwnd != nullptr) {
        SendMessageW(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    }
    return previous;
}

HWND GetFocus() {
    HWND focus = detail::focusWindow();
    if (focus == nullptr) {
        return nullptr;
    }
    std::lock_guard lock(detail::windowsMutex());
    const detail::Window* window = detail::findWindowLocked(focus);
    return window != nullptr && window->threadId == GetCurrentThreadId() ? focus : nullptr;
}

HWND SetCapture(HWND hwnd) {
    if (hwnd != nullptr && !IsWindow(hwnd)) {
        return nullptr;
    }
    HWND previous = nullptr;
    {
        std::lock_guard lock(g_inputMutex);
        previous = g_capture;
        g_capture = hwnd;
    }
    if (previous != nullptr && previous != hwnd) {
        SendMessageW(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    }
    return previous;
}

BOOL ReleaseCapture() {
    HWND previous = nullptr;
    {
        std::lock_guard lock(g_inputMutex);
        previous = g_capture;
        g_capture = nullptr;
    }
    if (previous != nullptr) {
        SendMessageW(previous, WM_CAPTURECHANGED, 0, 0);
    }
    return TRUE;
}

HWND GetCapture() {
    return detail::captureWindow();
}

LRESULT SendDlgItemMessageW(HWND parent, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND item = GetDlgItem(parent, id);
    return item == nullptr ? 0 : SendMessageW(item, message, wParam, lParam);
}

BOOL CheckDlgButton(HWND parent, int id, UINT check) {
    HWND item = GetDlgItem(parent, id);
    if (item == nullptr) {
        return FALSE;
    }
    SendMessageW(item, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND parent, int id) {
    return static_cast<UINT>(SendDlgItemMessageW(parent, id, BM_GETCHECK, 0, 0));
}

BOOL SetDlgItemTextW(HWND parent, int id, LPCWSTR text) {
    HWND item = GetDlgItem(parent, id);
    return item == nullptr ? FALSE : SetWindowTextW(item, text);
}

UINT GetDlgItemTextW(HWND parent, int id, LPWSTR buffer, int capacity) {
    HWND item = GetDlgItem(parent, id);
    if (item == nullptr) {
        if (buffer != nullptr && capacity > 0) {
            buffer[0] = u'\0';
        }
        return 0;
    }
    return static_cast<UINT>(GetWindowTextW(item, buffer, capacity));
}

} // namespace skyloom::winui
