#include "platform/winui/painting.h"

#include <vector>

#include "platform/winui/backend.h"
#include "platform/winui/cairo_dc.h"
#include "platform/winui/device_context.h"
#include "platform/winui/dpi.h"
#include "platform/winui/frame_painter.h"
#include "platform/winui/gdi_objects.h"
#include "platform/winui/last_error.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/recording_dc.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_class.h"
#include "platform/winui/window_registry.h"

namespace skyloom::winui {
namespace {

using detail::Window;

// Everything needed to hand out a context for a window, taken under the windows mutex.
struct PaintTarget {
    Image picture;
    POINT clientOrigin;
    SIZE clientSize;
    UINT dpi = 96;
    std::shared_ptr<RecordingLog> recorder;
    bool paintFrame = false;
    detail::FrameLook look;
};

// The colour a new picture starts with: the class background, else the window colour.
COLORREF lf_backgroundLocked(const Window& window) {
    HBRUSH brush = window.windowClass->record.hbrBackground;
    auto object = brush == nullptr ? nullptr : detail::findGdiObject(brush);
    return object && !object->hollow ? object->color : GetSysColor(COLOR_WINDOW);
}

PaintTarget lf_targetLocked(Window& window) {
    PaintTarget target;
    const RECT client = detail::clientAreaLocked(window);
    target.clientOrigin = POINT{client.left, client.top};
    target.clientSize = SIZE{client.right - client.left, client.bottom - client.top};
    target.dpi = window.dpi;
    target.recorder = window.recordPaint;
    if (target.recorder) {
        return target;
    }
    const int width = window.rect.right - window.rect.left;
    const int height = window.rect.bottom - window.rect.top;
    if (window.backing.empty() || window.backing.width() != std::max(width, 1) ||
        window.backing.height() != std::max(height, 1)) {
        window.backing = Image(width, height, lf_backgroundLocked(window));
        window.frameDirty = true;
    }
    target.picture = window.backing;
    target.paintFrame = window.frameDirty;
    window.frameDirty = false;
    target.look.style = window.style;
    target.look.exStyle = window.exStyle;
    target.look.child = (window.style & WS_CHILD) != 0;
    target.look.dpi = window.dpi;
    target.look.title = window.text;
    return target;
}

HDC lf_contextFor(const PaintTarget& target, const detail::Region* clip) {
    if (target.recorder) {
        return detail::addDeviceContext(
            detail::makeRecordingDc(target.recorder, target.clientSize, target.dpi, false));
    }
    if (target.paintFrame) {
        detail::paintFrame(target.picture, target.look);
    }
    return detail::addDeviceContext(std::make_shared<detail::CairoDc>(
        target.picture, target.clientOrigin, target.clientSize, clip, target.dpi));
}

void lf_notifyPainted(HWND hwnd) {
    auto backend = currentBackend();
    if (!backend) {
        return;
    }
    HWND root = nullptr;
    {
        std::lock_guard lock(detail::windowsMutex());
        root = detail::rootLocked(hwnd);
    }
    if (root != nullptr) {
        backend->windowPainted(root);
    }
}

bool lf_invalidate(HWND hwnd, const RECT* rect, bool erase) {
    std::lock_guard lock(detail::windowsMutex());
    if (hwnd == nullptr) {
        for (HWND top : detail::topLevelWindowsLocked()) {
            if (Window* window = detail::findWindowLocked(top)) {
                detail::invalidateLocked(*window, nullptr, erase);
            }
        }
        return true;
    }
    Window* window = detail::findWindowLocked(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    detail::invalidateLocked(*window, rect, erase);
    return true;
}

std::vector<HWND> lf_treeOf(HWND hwnd, bool withChildren) {
    std::vector<HWND> tree;
    if (!withChildren) {
        tree.push_back(hwnd);
        return tree;
    }
    std::lock_guard lock(detail::windowsMutex());
    detail::collectTreeLocked(hwnd, tree);
    return tree;
}

} // namespace

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    return lf_invalidate(hwnd, rect, erase != FALSE) ? TRUE : FALSE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
    std::lock_guard lock(detail::windowsMutex());
    Window* window = detail::findWindowLocked(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (rect == nullptr) {
        window->invalid.clear();
        window->eraseBackground = false;
    } else {
        window->invalid.subtract(*rect);
    }
    detail::refreshPaintPendingLocked(*window);
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL /*erase*/) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (rect != nullptr) {
        *rect = window->invalid.bounds();
    }
    return window->invalid.empty() ? FALSE : TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
    bool needsPaint = false;
    {
        std::lock_guard lock(detail::windowsMutex());
        const Window* window = detail::findWindowLocked(hwnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        needsPaint = !window->invalid.empty() && detail::visibleLocked(*window);
    }
    if (needsPaint) {
        SendMessageW(hwnd, WM_PAINT, 0, 0);
    }
    return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HANDLE /*region*/, UINT flags) {
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const auto tree = lf_treeOf(hwnd, (flags & RDW_ALLCHILDREN) != 0);
    for (HWND member : tree) {
        const RECT* area = member == hwnd ? rect : nullptr;
        if ((flags & RDW_INVALIDATE) != 0) {
            lf_invalidate(member, area, (flags & RDW_ERASE) != 0);
        } else if ((flags & RDW_VALIDATE) != 0) {
            ValidateRect(member, area);
        }
    }
    if ((flags & (RDW_UPDATENOW | RDW_ERASENOW)) != 0) {
        for (HWND member : tree) {
            UpdateWindow(member);
        }
    }
    return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    if (paint == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    PaintTarget target;
    detail::Region clip;
    bool erase = false;
    {
        std::lock_guard lock(detail::windowsMutex());
        Window* window = detail::findWindowLocked(hwnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (window->threadId != GetCurrentThreadId()) {
            SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
            return nullptr;
        }
        clip = window->invalid;
        erase = window->eraseBackground;
        window->invalid.clear();
        window->eraseBackground = false;
        detail::refreshPaintPendingLocked(*window);
        target = lf_targetLocked(*window);
    }
    const HDC hdc = lf_contextFor(target, &clip);
    *paint = PAINTSTRUCT{};
    paint->hdc = hdc;
    paint->rcPaint = clip.bounds();
    paint->fErase = erase ? TRUE : FALSE;
    if (erase) {
        // fErase stays TRUE when the background was not erased.
        const LRESULT erased = SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
        paint->fErase = erased == 0 ? TRUE : FALSE;
    }
    return hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
    if (paint == nullptr) {
        return FALSE;
    }
    detail::removeDeviceContext(paint->hdc);
    lf_notifyPainted(hwnd);
    return TRUE;
}

HDC GetDC(HWND hwnd) {
    if (hwnd == nullptr) {
        // A context of the screen, for measuring and for compatible objects.
        return detail::addDeviceContext(std::make_shared<detail::CairoDc>(
            Image(1, 1), POINT{}, SIZE{1, 1}, nullptr, GetDpiForSystem()));
    }
    PaintTarget target;
    {
        std::lock_guard lock(detail::windowsMutex());
        Window* window = detail::findWindowLocked(hwnd);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        target = lf_targetLocked(*window);
    }
    return lf_contextFor(target, nullptr);
}

int ReleaseDC(HWND hwnd, HDC hdc) {
    if (!detail::removeDeviceContext(hdc)) {
        return 0;
    }
    if (hwnd != nullptr) {
        lf_notifyPainted(hwnd);
    }
    return 1;
}

} // namespace skyloom::winui
