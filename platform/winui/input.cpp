#include "platform/winui/input.h"

#include "platform/winui/input_state.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/region.h"
#include "platform/winui/styles.h"
#include "platform/winui/window_geometry.h"
#include "platform/winui/window_registry.h"

namespace skyloom::winui {
namespace {

using detail::Window;

// The deepest visible child under the point; a disabled child stops the search at its
// parent. Null when the top-level window itself is disabled.
HWND lf_hitLocked(const Window& top, POINT screen) {
    if ((top.style & WS_DISABLED) != 0) {
        return nullptr;
    }
    const Window* current = &top;
    for (;;) {
        const Window* next = nullptr;
        for (HWND childHandle : current->children) {
            const Window* child = detail::findWindowLocked(childHandle);
            if (child != nullptr && (child->style & WS_VISIBLE) != 0 &&
                detail::rectContains(detail::screenRectLocked(*child), screen)) {
                next = child;
                break;
            }
        }
        if (next == nullptr || (next->style & WS_DISABLED) != 0) {
            return current->handle;
        }
        current = next;
    }
}

HWND lf_windowFromPointLocked(POINT screen, bool& disabled) {
    disabled = false;
    for (HWND topHandle : detail::topLevelWindowsLocked()) {
        const Window* top = detail::findWindowLocked(topHandle);
        if (top == nullptr || (top->style & WS_VISIBLE) == 0 ||
            top->showState == SW_SHOWMINIMIZED ||
            !detail::rectContains(detail::screenRectLocked(*top), screen)) {
            continue;
        }
        HWND hit = lf_hitLocked(*top, screen);
        disabled = hit == nullptr;
        return hit;
    }
    return nullptr;
}

LPARAM lf_clientPoint(HWND hwnd, POINT screen) {
    ScreenToClient(hwnd, &screen);
    return MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y));
}

} // namespace

HWND WindowFromPoint(POINT screenPoint) {
    std::lock_guard lock(detail::windowsMutex());
    bool disabled = false;
    return lf_windowFromPointLocked(screenPoint, disabled);
}

namespace {

// The window holding the capture, else the one under the point.
HWND lf_mouseTarget(POINT screenPoint) {
    const HWND capture = detail::captureWindow();
    return capture != nullptr ? capture : WindowFromPoint(screenPoint);
}

} // namespace

bool injectClick(POINT screenPoint) {
    const HWND target = lf_mouseTarget(screenPoint);
    if (target == nullptr) {
        return false;
    }
    const LPARAM at = lf_clientPoint(target, screenPoint);
    return PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at) &&
           PostMessageW(target, WM_LBUTTONUP, 0, at);
}

bool injectButtonDown(POINT screenPoint) {
    const HWND target = lf_mouseTarget(screenPoint);
    return target != nullptr &&
           PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, lf_clientPoint(target, screenPoint));
}

bool injectButtonUp(POINT screenPoint) {
    const HWND target = lf_mouseTarget(screenPoint);
    return target != nullptr &&
           PostMessageW(target, WM_LBUTTONUP, 0, lf_clientPoint(target, screenPoint));
}

bool injectMouseMove(POINT screenPoint, bool buttonHeld) {
    const HWND target = lf_mouseTarget(screenPoint);
    return target != nullptr && PostMessageW(target, WM_MOUSEMOVE, buttonHeld ? MK_LBUTTON : 0,
                                             lf_clientPoint(target, screenPoint));
}

bool injectClickInWindow(HWND hwnd, POINT clientPoint) {
    if (!ClientToScreen(hwnd, &clientPoint)) {
        return false;
    }
    return injectClick(clientPoint);
}

bool injectKey(UINT virtualKey) {
    HWND focus = detail::focusWindow();
    if (focus == nullptr) {
        return false;
    }
    constexpr LPARAM kPressed = 1;
    constexpr LPARAM kReleased = static_cast<LPARAM>(0xC0000001u);
    return PostMessageW(focus, WM_KEYDOWN, virtualKey, kPressed) &&
           PostMessageW(focus, WM_KEYUP, virtualKey, kReleased);
}

bool injectChar(char16_t character) {
    HWND focus = detail::focusWindow();
    return focus != nullptr && PostMessageW(focus, WM_CHAR, character, 1);
}

bool injectText(std::u16string_view text) {
    for (char16_t c : text) {
        if (!injectChar(c)) {
            return false;
        }
    }
    return true;
}

bool injectWheel(POINT screenPoint, int delta) {
    const HWND target = lf_mouseTarget(screenPoint);
    if (target == nullptr) {
        return false;
    }
    return PostMessageW(
        target, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<std::int16_t>(delta))),
        MAKELPARAM(static_cast<WORD>(screenPoint.x), static_cast<WORD>(screenPoint.y)));
}

} // namespace skyloom::winui
