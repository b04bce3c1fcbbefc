// The "BUTTON" class: push buttons (BS_PUSHBUTTON, BS_DEFPUSHBUTTON) and check boxes. A plain
// check box (BS_CHECKBOX) never changes its own state: a click only tells the parent
// (BN_CLICKED), whose handler checks or unchecks it with BM_SETCHECK. BS_AUTOCHECKBOX toggles
// itself before telling. A click counts when the button is released over the control that
// was pressed, by mouse or with the space bar.
#include <algorithm>

#include "platform/winui/controls/builtin_classes.h"
#include "platform/winui/controls/control_support.h"
#include "platform/winui/gdi.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/painting.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "platform/winui/window_state.h"

namespace skyloom::winui::detail {
namespace {

struct ButtonState {
    UINT check = BST_UNCHECKED;
    bool pushed = false;
    bool pushedByKey = false;
    bool focused = false;
    HFONT font = nullptr;
};

DWORD lf_kind(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)) & BS_TYPEMASK;
}

bool lf_isCheckBox(HWND hwnd) {
    const DWORD kind = lf_kind(hwnd);
    return kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX;
}

void lf_click(HWND hwnd, ButtonState& state) {
    if (lf_kind(hwnd) == BS_AUTOCHECKBOX) {
        state.check = state.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        InvalidateRect(hwnd, nullptr, FALSE);
    }
    notifyParent(hwnd, BN_CLICKED);
}

void lf_paintPushButton(HWND hwnd, HDC hdc, const ButtonState& state) {
    HWND parent = GetParent(hwnd);
    if (parent != nullptr) {
        SendMessageW(parent, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(hdc),
                     reinterpret_cast<LPARAM>(hwnd));
    }
    RECT client;
    GetClientRect(hwnd, &client);
    const bool enabled = isEnabled(hwnd);
    COLORREF face = ControlColours::face;
    COLORREF border = ControlColours::border;
    COLORREF text = GetSysColor(COLOR_BTNTEXT);
    if (!enabled) {
        face = ControlColours::disabledFace;
        border = ControlColours::disabledBorder;
        text = ControlColours::disabledText;
    } else if (state.pushed) {
        face = ControlColours::pressedFace;
        border = ControlColours::pressedBorder;
    } else if (state.focused || lf_kind(hwnd) == BS_DEFPUSHBUTTON) {
        border = ControlColours::focusBorder;
    }
    HBRUSH faceBrush = CreateSolidBrush(face);
    HBRUSH borderBrush = CreateSolidBrush(border);
    FillRect(hdc, &client, faceBrush);
    FrameRect(hdc, &client, borderBrush);
    DeleteObject(faceBrush);
    DeleteObject(borderBrush);

    const std::u16string caption = windowText(hwnd);
    HGDIOBJ oldFont = SelectObject(hdc, fontOrDefault(state.font));
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, text);
    RECT area = client;
    DrawTextW(hdc, caption.c_str(), static_cast<int>(caption.size()), &area,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(hdc, oldFont);
}

void lf_paintCheckBox(HWND hwnd, HDC hdc, const ButtonState& state) {
    RECT client;
    GetClientRect(hwnd, &client);
    HWND parent = GetParent(hwnd);
    SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
    const auto background =
        parent == nullptr ? 0
                          : SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc),
                                         reinterpret_cast<LPARAM>(hwnd));
    FillRect(hdc, &client,
             background != 0 ? reinterpret_cast<HBRUSH>(background)
                             : GetSysColorBrush(COLOR_3DFACE));

    const bool enabled = isEnabled(hwnd);
    const int size = std::min<int>(scaledForWindow(hwnd, 13), client.bottom);
    const int top = (client.bottom - size) / 2;
    HPEN pen = CreatePen(PS_SOLID, 1,
                         enabled ? ControlColours::boxBorder : ControlColours::disabledBorder);
    HBRUSH fill = CreateSolidBrush(enabled ? RGB(255, 255, 255) : RGB(240, 240, 240));
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    HGDIOBJ oldBrush = SelectObject(hdc, fill);
    Rectangle(hdc, 0, top, size, top + size);
    if (state.check != BST_UNCHECKED) {
        HPEN tick = CreatePen(PS_SOLID, std::max(1, scaledForWindow(hwnd, 2)),
                              enabled ? RGB(0, 0, 0) : ControlColours::disabledText);
        SelectObject(hdc, tick);
        const POINT points[] = {{size / 5, top + size / 2},
                                {2 * size / 5, top + 3 * size / 4},
                                {4 * size / 5, top + size / 4}};
        Polyline(hdc, points, 3);
        SelectObject(hdc, pen);
        DeleteObject(tick);
    }
    SelectObject(hdc, oldPen);
    SelectObject(hdc, oldBrush);
    DeleteObject(pen);
    DeleteObject(fill);

    const std::u16string caption = windowText(hwnd);
    if (!caption.empty()) {
        HGDIOBJ oldFont = SelectObject(hdc, fontOrDefault(state.font));
        SetBkMode(hdc, TRANSPARENT);
        if (!enabled) {
            SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
        }
        RECT area{size + scaledForWindow(hwnd, 4), 0, client.right, client.bottom};
        DrawTextW(hdc, caption.c_str(), static_cast<int>(caption.size()), &area,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        SelectObject(hdc, oldFont);
    }
}

} // namespace

LRESULT buttonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        setControlState(hwnd, std::make_shared<ButtonState>());
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    auto state = stateOf<ButtonState>(hwnd);
    if (!state) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    switch (message) {
    case WM_NCDESTROY:
        setControlState(hwnd, nullptr);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC hdc = BeginPaint(hwnd, &paint);
        if (lf_isCheckBox(hwnd)) {
            lf_paintCheckBox(hwnd, hdc, *state);
        } else {
            lf_paintPushButton(hwnd, hdc, *state);
        }
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_SETFONT:
        state->font = reinterpret_cast<HFONT>(wParam);
        if (lParam != 0) {
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(state->font);
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return result;
    }
    case WM_ENABLE:
        if (!wParam && state->pushed) {
            state->pushed = false;
            ReleaseCapture();
        }
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case BM_GETCHECK:
        return lf_isCheckBox(hwnd) ? state->check : BST_UNCHECKED;
    case BM_SETCHECK: {
        const UINT check = wParam == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
        if (lf_isCheckBox(hwnd) && check != state->check) {
            state->check = check;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    }
    case BM_GETSTATE:
        return state->check | (state->pushed ? BST_PUSHED : 0) | (state->focused ? BST_FOCUS : 0);
    case BM_SETSTATE:
        state->pushed = wParam != 0;
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case BM_CLICK:
        if (isEnabled(hwnd)) {
            lf_click(hwnd, *state);
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (isEnabled(hwnd)) {
            SetFocus(hwnd);
            SetCapture(hwnd);
            state->pushed = true;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    case WM_LBUTTONUP: {
        if (GetCapture() != hwnd) {
            return 0;
        }
        const bool wasPushed = state->pushed;
        state->pushed = false;
        ReleaseCapture();
        InvalidateRect(hwnd, nullptr, FALSE);
        RECT client;
        GetClientRect(hwnd, &client);
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (wasPushed && at.x >= 0 && at.y >= 0 && at.x < client.right && at.y < client.bottom) {
            lf_click(hwnd, *state);
        }
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != hwnd && state->pushed && !state->pushedByKey) {
            state->pushed = false;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE && isEnabled(hwnd)) {
            state->pushed = true;
            state->pushedByKey = true;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE && state->pushedByKey) {
            state->pushed = false;
            state->pushedByKey = false;
            InvalidateRect(hwnd, nullptr, FALSE);
            lf_click(hwnd, *state);
        }
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        state->focused = message == WM_SETFOCUS;
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace skyloom::winui::detail
