// The default window procedure, procedure chaining and the window longs.
#include <cstring>

#include "platform/winui/backend.h"
#include "platform/winui/gdi.h"
#include "platform/winui/last_error.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/painting.h"
#include "platform/winui/styles.h"
#include "platform/winui/wide_text.h"
#include "platform/winui/window.h"
#include "platform/winui/window_class.h"
#include "platform/winui/window_geometry.h"
#include "platform/winui/window_registry.h"

namespace skyloom::winui {
namespace {

using detail::Window;

LRESULT lf_setText(HWND hwnd, LPCWSTR text) {
    bool topLevel = false;
    {
        std::lock_guard lock(detail::windowsMutex());
        Window* window = detail::findWindowLocked(hwnd);
        if (window == nullptr) {
            return FALSE;
        }
        window->text = wideString(text);
        window->frameDirty = true;
        topLevel = window->parent == nullptr;
    }
    if (topLevel) {
        if (auto backend = currentBackend()) {
            backend->windowChanged(hwnd);
        }
    }
    return TRUE;
}

std::u16string lf_text(HWND hwnd) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(hwnd);
    return window == nullptr ? std::u16string() : window->text;
}

LRESULT lf_eraseBackground(HWND hwnd, HDC hdc) {
    HBRUSH brush = nullptr;
    {
        std::lock_guard lock(detail::windowsMutex());
        const Window* window = detail::findWindowLocked(hwnd);
        if (window == nullptr) {
            return 0;
        }
        brush = window->windowClass->record.hbrBackground;
    }
    if (brush == nullptr) {
        return 0;
    }
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(hdc, &client, brush);
    return 1;
}

LRESULT lf_controlColour(HDC hdc, int textColour, int backColour) {
    SetTextColor(hdc, GetSysColor(textColour));
    SetBkColor(hdc, GetSysColor(backColour));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(backColour));
}

} // namespace

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        lf_setText(hwnd, create == nullptr ? nullptr : create->lpszName);
        return TRUE;
    }
    case WM_SETTEXT:
        return lf_setText(hwnd, reinterpret_cast<LPCWSTR>(lParam));
    case WM_GETTEXT:
        return static_cast<LRESULT>(
            copyToBuffer(lf_text(hwnd), reinterpret_cast<LPWSTR>(lParam), wParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(lf_text(hwnd).size());
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return lf_eraseBackground(hwnd, reinterpret_cast<HDC>(wParam));
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(hwnd, &paint);
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return lf_controlColour(reinterpret_cast<HDC>(wParam), COLOR_WINDOWTEXT, COLOR_3DFACE);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return lf_controlColour(reinterpret_cast<HDC>(wParam), COLOR_WINDOWTEXT, COLOR_WINDOW);
    case WM_MOUSEWHEEL: {
        // An unhandled wheel turn goes on to the parent.
        HWND parent =
            (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) != 0 ? GetParent(hwnd) : nullptr;
        return parent == nullptr ? 0 : SendMessageW(parent, message, wParam, lParam);
    }
    default:
        return 0;
    }
}

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return proc == nullptr ? 0 : proc(hwnd, message, wParam, lParam);
}

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (index) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(window->proc);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(window->instance);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(window->parent != nullptr ? window->parent
                                                                    : window->owner);
    case GWLP_ID:
        return static_cast<LONG_PTR>(window->id);
    case GWL_STYLE:
        return static_cast<LONG_PTR>(window->style);
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(window->exStyle);
    case GWLP_USERDATA:
        return window->userData;
    default:
        break;
    }
    if (index < 0 ||
        static_cast<std::size_t>(index) + sizeof(LONG_PTR) > window->extraBytes.size()) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    LONG_PTR value = 0;
    std::memcpy(&value, window->extraBytes.data() + index, sizeof value);
    return value;
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
    std::lock_guard lock(detail::windowsMutex());
    Window* window = detail::findWindowLocked(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    SetLastError(ERROR_SUCCESS);
    LONG_PTR previous = 0;
    switch (index) {
    case GWLP_WNDPROC:
        if (value == 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        previous = reinterpret_cast<LONG_PTR>(window->proc);
        window->proc = reinterpret_cast<WNDPROC>(value);
        return previous;
    case GWLP_HINSTANCE:
        previous = reinterpret_cast<LONG_PTR>(window->instance);
        window->instance = reinterpret_cast<HINSTANCE>(value);
        return previous;
    case GWLP_ID:
        previous = static_cast<LONG_PTR>(window->id);
        window->id = static_cast<UINT_PTR>(value);
        return previous;
    case GWL_STYLE:
        previous = static_cast<LONG_PTR>(window->style);
        window->style = static_cast<DWORD>(value);
        window->frameDirty = true;
        detail::refreshPaintPendingLocked(*window);
        return previous;
    case GWL_EXSTYLE:
        previous = static_cast<LONG_PTR>(window->exStyle);
        window->exStyle = static_cast<DWORD>(value);
        window->frameDirty = true;
        return previous;
    case GWLP_USERDATA:
        previous = window->userData;
        window->userData = value;
        return previous;
    case GWLP_HWNDPARENT:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    default:
        break;
    }
    if (index < 0 ||
        static_cast<std::size_t>(index) + sizeof(LONG_PTR) > window->extraBytes.size()) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    std::memcpy(&previous, window->extraBytes.data() + index, sizeof previous);
    std::memcpy(window->extraBytes.data() + index, &value, sizeof value);
    return previous;
}

} // namespace skyloom::winui
