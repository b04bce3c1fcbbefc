// How a drop-down combo box and its pop-up list look, and the pop-up list's own procedure.
#include <algorithm>

#include "platform/winui/controls/builtin_classes.h"
#include "platform/winui/controls/combobox_state.h"
#include "platform/winui/controls/control_support.h"
#include "platform/winui/dpi.h"
#include "platform/winui/gdi.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/painting.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"

namespace skyloom::winui::detail {
namespace {

void lf_fill(HDC hdc, const RECT& rect, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(hdc, &rect, brush);
    DeleteObject(brush);
}

void lf_frame(HDC hdc, const RECT& rect, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    FrameRect(hdc, &rect, brush);
    DeleteObject(brush);
}

// A chevron pointing down (or up) centred at (cx, cy), `half` pixels to each side.
void lf_chevron(HDC hdc, int cx, int cy, int half, bool down, COLORREF color) {
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HGDIOBJ old = SelectObject(hdc, pen);
    const int rise = down ? half / 2 : -(half / 2);
    const POINT points[] = {
        {cx - half, cy - rise}, {cx, cy + rise}, {cx + half + 1, cy - rise - (down ? 1 : -1)}};
    Polyline(hdc, points, 3);
    SelectObject(hdc, old);
    DeleteObject(pen);
}

void lf_text(HDC hdc, const std::u16string& text, RECT area, COLORREF color) {
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, color);
    DrawTextW(hdc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

} // namespace

ComboGeometry comboGeometry(HWND combo, const ComboState& state) {
    ComboGeometry g;
    const int dpi = static_cast<int>(GetDpiForWindow(combo) == 0 ? 96 : GetDpiForWindow(combo));
    g.itemHeight = lineHeightOf(state.font) + MulDiv(2, dpi, 96);
    g.boxHeight = g.itemHeight + MulDiv(6, dpi, 96);
    const int count = static_cast<int>(state.items.size());
    g.rows = std::max(1, (state.dropHeight - g.boxHeight) / std::max(g.itemHeight, 1));
    g.rows = std::max(1, std::min(g.rows, count));
    g.listHeight = g.rows * g.itemHeight + 2;
    g.arrowWidth = GetSystemMetricsForDpi(SM_CXVSCROLL, static_cast<UINT>(dpi));
    g.scrollWidth = count > g.rows ? g.arrowWidth : 0;
    return g;
}

int maxTop(const ComboState& state, const ComboGeometry& geometry) {
    return std::max(0, static_cast<int>(state.items.size()) - geometry.rows);
}

int topForRow(const ComboState& state, const ComboGeometry& geometry, int row) {
    int top = state.top;
    if (row >= 0) {
        if (row < top) {
            top = row;
        } else if (row >= top + geometry.rows) {
            top = row - geometry.rows + 1;
        }
    }
    return std::clamp(top, 0, maxTop(state, geometry));
}

void paintComboBox(HWND combo, HDC hdc, const ComboState& state) {
    RECT client;
    GetClientRect(combo, &client);
    const ComboGeometry g = comboGeometry(combo, state);
    const bool enabled = isEnabled(combo);
    COLORREF face = ControlColours::face;
    COLORREF border = ControlColours::border;
    COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    if (!enabled) {
        face = ControlColours::disabledFace;
        border = ControlColours::disabledBorder;
        text = ControlColours::disabledText;
    } else if (state.dropped) {
        face = ControlColours::pressedFace;
        border = ControlColours::pressedBorder;
    } else if (state.focused) {
        border = ControlColours::focusBorder;
    }
    lf_fill(hdc, client, face);
    lf_frame(hdc, client, border);

    const int inset = scaledForWindow(combo, 2);
    RECT textArea{client.left + inset, client.top + inset, client.right - g.arrowWidth,
                  client.bottom - inset};
    if (enabled && state.focused && !state.dropped) {
        lf_fill(hdc, textArea, GetSysColor(COLOR_HIGHLIGHT));
        text = GetSysColor(COLOR_HIGHLIGHTTEXT);
    }
    if (state.selection >= 0 && state.selection < static_cast<int>(state.items.size())) {
        HGDIOBJ oldFont = SelectObject(hdc, fontOrDefault(state.font));
        RECT area = textArea;
        area.left += scaledForWindow(combo, 2);
        lf_text(hdc, state.items[static_cast<std::size_t>(state.selection)].text, area, text);
        SelectObject(hdc, oldFont);
    }
    lf_chevron(hdc, client.right - g.arrowWidth / 2 - 1, client.bottom / 2,
               scaledForWindow(combo, 4), true,
               enabled ? ControlColours::glyph : ControlColours::disabledText);
}

void paintComboList(HWND list, HDC hdc, const ComboState& state) {
    RECT client;
    GetClientRect(list, &client);
    const ComboGeometry g = comboGeometry(state.combo, state);
    // The box's parent chooses the list's colours, as it does on Windows.
    HWND owner = GetParent(state.combo);
    SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
    const LRESULT brush =
        owner == nullptr ? 0
                         : SendMessageW(owner, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(hdc),
                                        reinterpret_cast<LPARAM>(list));
    FillRect(hdc, &client,
             brush != 0 ? reinterpret_cast<HBRUSH>(brush) : GetSysColorBrush(COLOR_WINDOW));
    const COLORREF textColour = GetTextColor(hdc);
    lf_frame(hdc, client, ControlColours::listBorder);

    HGDIOBJ oldFont = SelectObject(hdc, fontOrDefault(state.font));
    const int right = client.right - 1 - g.scrollWidth;
    const int count = static_cast<int>(state.items.size());
    for (int row = 0; row < g.rows && state.top + row < count; ++row) {
        const int index = state.top + row;
        RECT line{1, 1 + row * g.itemHeight, right, 1 + (row + 1) * g.itemHeight};
        COLORREF colour = textColour;
        if (index == state.highlight) {
            lf_fill(hdc, line, GetSysColor(COLOR_HIGHLIGHT));
            colour = GetSysColor(COLOR_HIGHLIGHTTEXT);
        }
        line.left += scaledForWindow(state.combo, 3);
        lf_text(hdc, state.items[static_cast<std::size_t>(index)].text, line, colour);
    }
    SelectObject(hdc, oldFont);

    if (g.scrollWidth > 0) {
        const RECT track{right, 1, client.right - 1, client.bottom - 1};
        lf_fill(hdc, track, ControlColours::scrollTrack);
        const int arrow = g.scrollWidth;
        const int trackTop = track.top + arrow;
        const int trackLength = std::max(0, track.bottom - arrow - trackTop);
        const int thumbLength = std::max(arrow / 2, trackLength * g.rows / std::max(count, 1));
        const int range = std::max(1, maxTop(state, g));
        const int thumbTop = trackTop + (trackLength - thumbLength) * state.top / range;
        lf_fill(hdc, RECT{right + 2, thumbTop, track.right - 2, thumbTop + thumbLength},
                ControlColours::scrollThumb);
        const int cx = right + arrow / 2;
        const int half = scaledForWindow(state.combo, 3);
        lf_chevron(hdc, cx, track.top + arrow / 2, half, false, ControlColours::glyph);
        lf_chevron(hdc, cx, track.bottom - arrow / 2, half, true, ControlColours::glyph);
    }
}

LRESULT comboListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC hdc = BeginPaint(list, &paint);
        if (auto state = stateOf<ComboState>(list)) {
            paintComboList(list, hdc, *state);
        }
        EndPaint(list, &paint);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEWHEEL: {
        // Normally the box holds the capture and gets these itself; pass strays on.
        auto state = stateOf<ComboState>(list);
        if (!state) {
            return 0;
        }
        if (message != WM_MOUSEWHEEL) {
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            MapWindowPoints(list, state->combo, &at, 1);
            lParam = MAKELPARAM(static_cast<WORD>(at.x), static_cast<WORD>(at.y));
        }
        return SendMessageW(state->combo, message, wParam, lParam);
    }
    case WM_NCDESTROY:
        setControlState(list, nullptr);
        return 0;
    default:
        return DefWindowProcW(list, message, wParam, lParam);
    }
}

} // namespace skyloom::winui::detail
