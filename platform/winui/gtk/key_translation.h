// What a key the user presses in a GTK window becomes in the layer: a printable character is
// typed as that character (WM_CHAR, with the case and layout GTK already applied); Enter,
// Backspace, Tab, Escape, space, the arrows, Home, End, Page Up and Down, Delete and F4 are
// pressed as their virtual keys (WM_KEYDOWN and WM_KEYUP, TranslateMessage adding the
// character of those that have one); anything else, and keys held with Ctrl or Alt, are not
// passed on.
#pragma once

#include <cstdint>

#include "platform/winui/win_types.h"

namespace skyloom::winui::gtk {

struct KeyInput {
    enum class Kind { none, character, virtualKey } kind = Kind::none;
    char32_t character = 0;
    UINT virtualKey = 0;
};

// `keyval` and `unicode` as GDK reports them (gdk_keyval_to_unicode), `withCommandModifier`
// when Ctrl or Alt is held.
KeyInput gf_translateKey(std::uint32_t keyval, char32_t unicode, bool withCommandModifier);

} // namespace skyloom::winui::gtk
