// What a key the user presses in a GTK window becomes in the layer: a printable character is
// typed as that character (WM_CHAR, with the case and layout GTK already applied); Enter,
// Backspace, Tab, Escape, space, the arrows, Home, End, Page Up and Down, Delete and F4 are
// pressed as their virtual keys (WM_KEYDOWN and WM_KEYUP, TranslateMessage adding the
// character of those that have one); a letter held with Ctrl is typed as its control character,
// as on Windows (Ctrl+A is 1, which selects the whole text of an edit box); anything else, and
// keys held with Alt, are not passed on.
#pragma once

#include <cstdint>

#include "platform/winui/win_types.h"

namespace skyloom::winui::gtk {

struct KeyInput {
    enum class Kind { none, character, virtualKey } kind = Kind::none;
    char32_t character = 0;
    UINT virtualKey = 0;
};

// `keyval` and `unicode` as GDK reports them (gdk_keyval_to_unicode), and whether Ctrl and Alt
// are held.
KeyInput gf_translateKey(std::uint32_t keyval, char32_t unicode, bool withControl, bool withAlt);

} // namespace skyloom::winui::gtk
