#include "platform/winui/input.h"

#include <cstdlib>
#include <mutex>
#include <optional>

#include "platform/winui/input_state.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/region.h"
#include "platform/winui/styles.h"
#include "platform/winui/window_class.h"
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

// The press before, which the next one may complete to a double click.
struct LastPress {
    bool timed = false; // a press without its source's time starts no double click
    HWND window = nullptr;
    POINT at;
    DWORD time = 0;
    bool secondOfDouble = false;
};

std::mutex g_pressMutex;
LastPress g_lastPress; // under g_pressMutex

// Half the double-click rectangle (SM_CXDOUBLECLK and SM_CYDOUBLECLK are 4 pixels).
constexpr LONG kDoubleClickReach = 2;

bool lf_takesDoubleClicks(HWND hwnd) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(hwnd);
    return window != nullptr && window->windowClass != nullptr &&
           (window->windowClass->record.style & CS_DBLCLKS) != 0;
}

// The message of a press at `time` on `target`: the second press of a double click (on the
// window of the first, within the double-click time and rectangle; the press after a double
// click starts a new one) is WM_LBUTTONDBLCLK for a class with CS_DBLCLKS.
UINT lf_pressMessage(HWND target, POINT screenPoint, std::optional<DWORD> time) {
    bool second = false;
    {
        std::lock_guard lock(g_pressMutex);
        const LastPress& last = g_lastPress;
        second = time && last.timed && !last.secondOfDouble && last.window == target &&
                 *time - last.time <= GetDoubleClickTime() &&
                 std::abs(screenPoint.x - last.at.x) <= kDoubleClickReach &&
                 std::abs(screenPoint.y - last.at.y) <= kDoubleClickReach;
        g_lastPress = LastPress{time.has_value(), target, screenPoint, time.value_or(0), second};
    }
    return second && lf_takesDoubleClicks(target) ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
}

bool lf_post(HWND target, UINT message, WPARAM wParam, LPARAM lParam, std::optional<DWORD> time) {
    return time ? detail::postMessageAt(target, message, wParam, lParam, *time) != FALSE
                : PostMessageW(target, message, wParam, lParam) != FALSE;
}

bool lf_buttonDown(POINT screenPoint, std::optional<DWORD> time) {
    const HWND target = lf_mouseTarget(screenPoint);
    if (target == nullptr) {
        return false;
    }
    const UINT message = lf_pressMessage(target, screenPoint, time);
    return lf_post(target, message, MK_LBUTTON, lf_clientPoint(target, screenPoint), time);
}

bool lf_buttonUp(POINT screenPoint, std::optional<DWORD> time) {
    const HWND target = lf_mouseTarget(screenPoint);
    return target != nullptr &&
           lf_post(target, WM_LBUTTONUP, 0, lf_clientPoint(target, screenPoint), time);
}

} // namespace

bool injectClick(POINT screenPoint) {
    return lf_buttonDown(screenPoint, std::nullopt) && lf_buttonUp(screenPoint, std::nullopt);
}

bool injectClick(POINT screenPoint, DWORD time) {
    return lf_buttonDown(screenPoint, time) && lf_buttonUp(screenPoint, time);
}

bool injectButtonDown(POINT screenPoint) {
    return lf_buttonDown(screenPoint, std::nullopt);
}

bool injectButtonDown(POINT screenPoint, DWORD time) {
    return lf_buttonDown(screenPoint, time);
}

bool injectButtonUp(POINT screenPoint) {
    return lf_buttonUp(screenPoint, std::nullopt);
}

bool injectButtonUp(POINT screenPoint, DWORD time) {
    return lf_buttonUp(screenPoint, time);
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

bool injectClickInWindow(HWND hwnd, POINT clientPoint, DWORD time) {
    if (!ClientToScreen(hwnd, &clientPoint)) {
        return false;
    }
    return injectClick(clientPoint, time);
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
