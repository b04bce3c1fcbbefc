// What the built-in controls share: their look (the colours of a default Windows 10 theme),
// sizes scaled to the control's DPI, the font to draw with, notifications to the parent, and
// access to a control's state kept with its window.
#pragma once

#include <memory>
#include <string>

#include "platform/winui/gdi_objects.h"
#include "platform/winui/win_types.h"
#include "platform/winui/window_registry.h"

namespace skyloom::winui::detail {

struct ControlColours {
    static constexpr COLORREF face = RGB(225, 225, 225);
    static constexpr COLORREF border = RGB(173, 173, 173);
    static constexpr COLORREF pressedFace = RGB(204, 228, 247);
    static constexpr COLORREF pressedBorder = RGB(0, 84, 153);
    static constexpr COLORREF focusBorder = RGB(0, 120, 215);
    static constexpr COLORREF disabledFace = RGB(204, 204, 204);
    static constexpr COLORREF disabledBorder = RGB(191, 191, 191);
    static constexpr COLORREF disabledText = RGB(131, 131, 131);
    static constexpr COLORREF boxBorder = RGB(51, 51, 51);
    static constexpr COLORREF glyph = RGB(96, 96, 96);
    static constexpr COLORREF listBorder = RGB(100, 100, 100);
    static constexpr COLORREF scrollTrack = RGB(240, 240, 240);
    static constexpr COLORREF scrollThumb = RGB(205, 205, 205);
    static constexpr COLORREF editBorder = RGB(122, 122, 122);
};

// A length given at 96 DPI, at the control's DPI.
int scaledForWindow(HWND hwnd, int length96);
// The font a control draws with: the one set by WM_SETFONT, else the default GUI font.
HFONT fontOrDefault(HFONT font);
LOGFONTW logFontOf(HFONT font);
// Height of a line of text in the font, in the control's pixels.
int lineHeightOf(HFONT font);
// Sends WM_COMMAND with the control's id and a notification code to its parent.
void notifyParent(HWND hwnd, WORD code);
bool isEnabled(HWND hwnd);
std::u16string windowText(HWND hwnd);

template <class State> std::shared_ptr<State> stateOf(HWND hwnd) {
    return std::static_pointer_cast<State>(controlStateOf(hwnd));
}

} // namespace skyloom::winui::detail
