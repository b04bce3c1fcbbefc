// The "COMBOBOX" class as a drop-down list (CBS_DROPDOWNLIST). The box is as high as one
// line of its font; the height it is created or sized with is the room for its open list,
// which pops up below it (above when the work area ends) and scrolls when the items do not
// fit. Selecting by message (CB_SETCURSEL, CB_SELECTSTRING) tells nobody; a selection made by
// the user (click in the list, arrow keys, typing a first letter, the wheel) sends
// CBN_SELCHANGE to the parent, after CBN_SELENDOK and CBN_CLOSEUP when it closed the list.
#include <algorithm>
#include <cwctype>
#include <utility>

#include "platform/winui/controls/builtin_classes.h"
#include "platform/winui/controls/combobox_state.h"
#include "platform/winui/controls/control_support.h"
#include "platform/winui/messages.h"
#include "platform/winui/monitors.h"
#include "platform/winui/painting.h"
#include "platform/winui/styles.h"
#include "platform/winui/wide_text.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "platform/winui/window_state.h"

namespace skyloom::winui::detail {
namespace {

constexpr int kWheelRows = 3;

char16_t lf_fold(char16_t c) {
    return c < 0x80 ? static_cast<char16_t>(std::towlower(c)) : c;
}

bool lf_startsWith(const std::u16string& text, std::u16string_view prefix) {
    if (prefix.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (lf_fold(text[i]) != lf_fold(prefix[i])) {
            return false;
        }
    }
    return true;
}

// The first item after `start` (wrapping; -1 searches from the beginning) that matches.
int lf_find(const ComboState& state, WPARAM start, std::u16string_view text, bool exact) {
    const int count = static_cast<int>(state.items.size());
    const int from = static_cast<int>(static_cast<LONG_PTR>(start));
    for (int n = 1; n <= count; ++n) {
        const int index = ((from < 0 ? -1 : from) + n) % count;
        const auto& item = state.items[static_cast<std::size_t>(index)].text;
        if (lf_startsWith(item, text) && (!exact || item.size() == text.size())) {
            return index;
        }
    }
    return static_cast<int>(CB_ERR);
}

bool lf_valid(const ComboState& state, WPARAM index) {
    return index < state.items.size();
}

void lf_redrawList(const ComboState& state) {
    if (state.list != nullptr) {
        InvalidateRect(state.list, nullptr, FALSE);
    }
}

void lf_resizeBox(HWND combo, ComboState& state) {
    RECT rect;
    GetWindowRect(combo, &rect);
    state.sizingSelf = true;
    SetWindowPos(combo, nullptr, 0, 0, rect.right - rect.left,
                 comboGeometry(combo, state).boxHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    state.sizingSelf = false;
}

RECT lf_listRect(HWND combo, const ComboState& state) {
    const ComboGeometry g = comboGeometry(combo, state);
    RECT box;
    GetWindowRect(combo, &box);
    RECT list{box.left, box.bottom, box.right, box.bottom + g.listHeight};
    MONITORINFO info;
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromRect(&box, MONITOR_DEFAULTTONEAREST), &info) &&
        list.bottom > info.rcWork.bottom && box.top - g.listHeight >= info.rcWork.top) {
        list = RECT{box.left, box.top - g.listHeight, box.right, box.top};
    }
    return list;
}

void lf_dropDown(HWND combo, const std::shared_ptr<ComboState>& state) {
    if (state->dropped) {
        return;
    }
    notifyParent(combo, CBN_DROPDOWN);
    state->dropped = true;
    state->highlight = state->selection;
    const ComboGeometry g = comboGeometry(combo, *state);
    state->top = topForRow(*state, g, state->highlight);
    const RECT where = lf_listRect(combo, *state);
    state->list = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, u"ComboLBox", u"", WS_POPUP,
                                  where.left, where.top, where.right - where.left,
                                  where.bottom - where.top, combo, nullptr, nullptr, nullptr);
    if (state->list != nullptr) {
        setControlState(state->list, state);
        ShowWindow(state->list, SW_SHOWNA);
    }
    SetCapture(combo);
    InvalidateRect(combo, nullptr, FALSE);
}

// Closes the open list; with `commit` the marked row becomes the selection.
void lf_closeUp(HWND combo, ComboState& state, bool commit) {
    if (!state.dropped) {
        return;
    }
    state.dropped = false;
    HWND list = std::exchange(state.list, nullptr);
    if (list != nullptr) {
        DestroyWindow(list);
    }
    if (GetCapture() == combo) {
        ReleaseCapture();
    }
    const int before = state.selection;
    if (commit && state.highlight >= 0) {
        state.selection = state.highlight;
    }
    InvalidateRect(combo, nullptr, FALSE);
    notifyParent(combo, commit ? CBN_SELENDOK : CBN_SELENDCANCEL);
    notifyParent(combo, CBN_CLOSEUP);
    if (state.selection != before) {
        notifyParent(combo, CBN_SELCHANGE);
    }
}

// A selection made by the user on the closed box.
void lf_selectByUser(HWND combo, ComboState& state, int index) {
    const int count = static_cast<int>(state.items.size());
    if (count == 0) {
        return;
    }
    index = std::clamp(index, 0, count - 1);
    if (index == state.selection) {
        return;
    }
    state.selection = index;
    InvalidateRect(combo, nullptr, FALSE);
    notifyParent(combo, CBN_SELCHANGE);
}

void lf_markRow(HWND combo, ComboState& state, int index) {
    const int count = static_cast<int>(state.items.size());
    if (count == 0) {
        return;
    }
    state.highlight = std::clamp(index, 0, count - 1);
    state.top = topForRow(state, comboGeometry(combo, state), state.highlight);
    lf_redrawList(state);
}

void lf_scroll(HWND combo, ComboState& state, int rows) {
    const ComboGeometry g = comboGeometry(combo, state);
    state.top = std::clamp(state.top + rows, 0, maxTop(state, g));
    lf_redrawList(state);
}

// A click while the list is open, at a point of the box's client area.
void lf_clickWhileDropped(HWND combo, ComboState& state, POINT at) {
    if (state.list == nullptr) {
        lf_closeUp(combo, state, false);
        return;
    }
    POINT inList = at;
    MapWindowPoints(combo, state.list, &inList, 1);
    RECT list;
    GetClientRect(state.list, &list);
    if (inList.x < 0 || inList.y < 0 || inList.x >= list.right || inList.y >= list.bottom) {
        lf_closeUp(combo, state, false);
        return;
    }
    const ComboGeometry g = comboGeometry(combo, state);
    if (g.scrollWidth > 0 && inList.x >= list.right - 1 - g.scrollWidth) {
        const int arrow = g.scrollWidth;
        if (inList.y < 1 + arrow) {
            lf_scroll(combo, state, -1);
        } else if (inList.y >= list.bottom - 1 - arrow) {
            lf_scroll(combo, state, 1);
        } else {
            // Above or below the thumb: a page; compared with the middle of the track.
            lf_scroll(combo, state, inList.y < list.bottom / 2 ? -g.rows : g.rows);
        }
        return;
    }
    const int row = (inList.y - 1) / std::max(g.itemHeight, 1);
    const int index = state.top + row;
    if (inList.y >= 1 && row < g.rows && index < static_cast<int>(state.items.size())) {
        state.highlight = index;
        lf_closeUp(combo, state, true);
    }
}

LRESULT lf_keyDown(HWND combo, ComboState& state, WPARAM key) {
    const ComboGeometry g = comboGeometry(combo, state);
    const int current = state.dropped ? state.highlight : state.selection;
    const int last = static_cast<int>(state.items.size()) - 1;
    int target = current;
    switch (key) {
    case VK_DOWN:
    case VK_RIGHT:
        target = current + 1;
        break;
    case VK_UP:
    case VK_LEFT:
        target = std::max(current - 1, 0);
        break;
    case VK_HOME:
        target = 0;
        break;
    case VK_END:
        target = last;
        break;
    case VK_NEXT:
        target = current + std::max(g.rows - 1, 1);
        break;
    case VK_PRIOR:
        target = std::max(current - std::max(g.rows - 1, 1), 0);
        break;
    case VK_F4:
        if (state.dropped) {
            lf_closeUp(combo, state, true);
        } else {
            auto shared = stateOf<ComboState>(combo);
            lf_dropDown(combo, shared);
        }
        return 0;
    case VK_RETURN:
    case VK_ESCAPE:
        lf_closeUp(combo, state, key == VK_RETURN);
        return 0;
    default:
        return 0;
    }
    if (state.dropped) {
        lf_markRow(combo, state, target);
    } else {
        lf_selectByUser(combo, state, target);
    }
    return 0;
}

LRESULT lf_character(HWND combo, ComboState& state, char16_t character) {
    if (character < u' ' || state.items.empty()) {
        return 0;
    }
    const int current = state.dropped ? state.highlight : state.selection;
    const int found =
        lf_find(state, static_cast<WPARAM>(current), std::u16string_view(&character, 1), false);
    if (found == static_cast<int>(CB_ERR)) {
        return 0;
    }
    if (state.dropped) {
        lf_markRow(combo, state, found);
    } else {
        lf_selectByUser(combo, state, found);
    }
    return 0;
}

LRESULT lf_insert(HWND combo, ComboState& state, int index, LPCWSTR text) {
    const int count = static_cast<int>(state.items.size());
    if (index > count) {
        return CB_ERR;
    }
    ComboItem item{wideString(text), 0};
    if (index < 0) {
        index = count;
        if ((GetWindowLongPtrW(combo, GWL_STYLE) & CBS_SORT) != 0) {
            auto before = [&](const ComboItem& other) {
                std::u16string a = other.text;
                std::u16string b = item.text;
                for (auto& c : a)
                    c = lf_fold(c);
                for (auto& c : b)
                    c = lf_fold(c);
                return a <= b;
            };
            index =
                static_cast<int>(std::find_if_not(state.items.begin(), state.items.end(), before) -
                                 state.items.begin());
        }
    }
    state.items.insert(state.items.begin() + index, std::move(item));
    if (state.selection >= index) {
        ++state.selection;
    }
    InvalidateRect(combo, nullptr, FALSE);
    lf_redrawList(state);
    return index;
}

LRESULT lf_message(HWND combo, const std::shared_ptr<ComboState>& shared, UINT message,
                   WPARAM wParam, LPARAM lParam) {
    ComboState& state = *shared;
    const int count = static_cast<int>(state.items.size());
    switch (message) {
    case CB_ADDSTRING:
        return lf_insert(combo, state, -1, reinterpret_cast<LPCWSTR>(lParam));
    case CB_INSERTSTRING:
        return lf_insert(combo, state, static_cast<int>(static_cast<LONG_PTR>(wParam)),
                         reinterpret_cast<LPCWSTR>(lParam));
    case CB_DELETESTRING: {
        if (!lf_valid(state, wParam)) {
            return CB_ERR;
        }
        const int index = static_cast<int>(wParam);
        state.items.erase(state.items.begin() + index);
        if (state.selection == index) {
            state.selection = -1;
        } else if (state.selection > index) {
            --state.selection;
        }
        InvalidateRect(combo, nullptr, FALSE);
        return static_cast<LRESULT>(state.items.size());
    }
    case CB_RESETCONTENT:
        state.items.clear();
        state.selection = -1;
        state.highlight = -1;
        state.top = 0;
        InvalidateRect(combo, nullptr, FALSE);
        lf_redrawList(state);
        return CB_OKAY;
    case CB_GETCOUNT:
        return count;
    case CB_GETCURSEL:
        return state.selection < 0 ? CB_ERR : state.selection;
    case CB_SETCURSEL: {
        const bool valid = lf_valid(state, wParam);
        state.selection = valid ? static_cast<int>(wParam) : -1;
        if (state.dropped) {
            lf_markRow(combo, state, state.selection);
        }
        InvalidateRect(combo, nullptr, FALSE);
        return valid ? state.selection : CB_ERR;
    }
    case CB_GETLBTEXT: {
        if (!lf_valid(state, wParam)) {
            return CB_ERR;
        }
        const auto& text = state.items[wParam].text;
        if (auto* buffer = reinterpret_cast<LPWSTR>(lParam)) {
            copyToBuffer(text, buffer, text.size() + 1);
        }
        return static_cast<LRESULT>(text.size());
    }
    case CB_GETLBTEXTLEN:
        return lf_valid(state, wParam) ? static_cast<LRESULT>(state.items[wParam].text.size())
                                       : CB_ERR;
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
        return lf_find(state, wParam, wideString(reinterpret_cast<LPCWSTR>(lParam)),
                       message == CB_FINDSTRINGEXACT);
    case CB_SELECTSTRING: {
        const int found =
            lf_find(state, wParam, wideString(reinterpret_cast<LPCWSTR>(lParam)), false);
        if (found != static_cast<int>(CB_ERR)) {
            state.selection = found;
            InvalidateRect(combo, nullptr, FALSE);
        }
        return found;
    }
    case CB_GETITEMDATA:
        return lf_valid(state, wParam) ? state.items[wParam].data : CB_ERR;
    case CB_SETITEMDATA:
        if (!lf_valid(state, wParam)) {
            return CB_ERR;
        }
        state.items[wParam].data = lParam;
        return CB_OKAY;
    case CB_SHOWDROPDOWN:
        if (wParam) {
            lf_dropDown(combo, shared);
        } else {
            lf_closeUp(combo, state, false);
        }
        return TRUE;
    case CB_GETDROPPEDSTATE:
        return state.dropped ? TRUE : FALSE;
    case CB_GETITEMHEIGHT:
        return comboGeometry(combo, state).itemHeight;
    case CB_GETTOPINDEX:
        return state.top;
    case CB_SETTOPINDEX:
        if (!lf_valid(state, wParam)) {
            return CB_ERR;
        }
        state.top = std::min(static_cast<int>(wParam), maxTop(state, comboGeometry(combo, state)));
        lf_redrawList(state);
        return CB_OKAY;
    case CB_GETDROPPEDCONTROLRECT: {
        auto* rect = reinterpret_cast<RECT*>(lParam);
        if (rect == nullptr) {
            return CB_ERR;
        }
        GetWindowRect(combo, rect);
        rect->bottom = rect->top + state.dropHeight;
        return TRUE;
    }
    default:
        return DefWindowProcW(combo, message, wParam, lParam);
    }
}

} // namespace

LRESULT comboBoxProc(HWND combo, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto state = std::make_shared<ComboState>();
        state->combo = combo;
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        state->dropHeight = create == nullptr ? 0 : create->cy;
        setControlState(combo, state);
        return DefWindowProcW(combo, message, wParam, lParam);
    }
    auto shared = stateOf<ComboState>(combo);
    if (!shared) {
        return DefWindowProcW(combo, message, wParam, lParam);
    }
    ComboState& state = *shared;
    switch (message) {
    case WM_CREATE:
        lf_resizeBox(combo, state);
        return 0;
    case WM_NCDESTROY:
        setControlState(combo, nullptr);
        return 0;
    case WM_DESTROY:
        lf_closeUp(combo, state, false);
        return 0;
    case WM_WINDOWPOSCHANGING: {
        auto* position = reinterpret_cast<WINDOWPOS*>(lParam);
        if (position != nullptr && (position->flags & SWP_NOSIZE) == 0) {
            if (!state.sizingSelf) {
                state.dropHeight = position->cy;
            }
            position->cy = comboGeometry(combo, state).boxHeight;
        }
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC hdc = BeginPaint(combo, &paint);
        paintComboBox(combo, hdc, state);
        EndPaint(combo, &paint);
        return 0;
    }
    case WM_SETFONT:
        state.font = reinterpret_cast<HFONT>(wParam);
        lf_resizeBox(combo, state);
        if (lParam != 0) {
            InvalidateRect(combo, nullptr, TRUE);
        }
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(state.font);
    case WM_GETTEXT: {
        const std::u16string text =
            state.selection >= 0 ? state.items[static_cast<std::size_t>(state.selection)].text
                                 : std::u16string();
        return static_cast<LRESULT>(copyToBuffer(text, reinterpret_cast<LPWSTR>(lParam), wParam));
    }
    case WM_GETTEXTLENGTH:
        return state.selection >= 0
                   ? static_cast<LRESULT>(
                         state.items[static_cast<std::size_t>(state.selection)].text.size())
                   : 0;
    case WM_SETTEXT: {
        const int found = lf_find(state, static_cast<WPARAM>(-1),
                                  wideString(reinterpret_cast<LPCWSTR>(lParam)), true);
        if (found == static_cast<int>(CB_ERR)) {
            return CB_ERR;
        }
        state.selection = found;
        InvalidateRect(combo, nullptr, FALSE);
        return TRUE;
    }
    case WM_ENABLE:
        if (!wParam) {
            lf_closeUp(combo, state, false);
        }
        InvalidateRect(combo, nullptr, FALSE);
        return 0;
    case WM_SETFOCUS:
        state.focused = true;
        InvalidateRect(combo, nullptr, FALSE);
        notifyParent(combo, CBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        lf_closeUp(combo, state, false);
        state.focused = false;
        InvalidateRect(combo, nullptr, FALSE);
        notifyParent(combo, CBN_KILLFOCUS);
        return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != combo) {
            lf_closeUp(combo, state, false);
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (!isEnabled(combo)) {
            return 0;
        }
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (state.dropped) {
            lf_clickWhileDropped(combo, state, at);
        } else {
            SetFocus(combo);
            lf_dropDown(combo, shared);
        }
        return 0;
    }
    case WM_LBUTTONUP:
        return 0;
    case WM_MOUSEWHEEL: {
        const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
        if (state.dropped) {
            lf_scroll(combo, state, -notches * kWheelRows);
        } else if (state.focused && notches != 0) {
            lf_selectByUser(combo, state, std::max(state.selection, 0) - notches);
        }
        return 0;
    }
    case WM_KEYDOWN:
        return isEnabled(combo) ? lf_keyDown(combo, state, wParam) : 0;
    case WM_CHAR:
        return isEnabled(combo) ? lf_character(combo, state, static_cast<char16_t>(wParam)) : 0;
    default:
        return lf_message(combo, shared, message, wParam, lParam);
    }
}

} // namespace skyloom::winui::detail
