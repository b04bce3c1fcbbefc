#include "platform/winui/gtk/key_translation.h"

#include <gdk/gdkkeysyms.h>

#include "platform/winui/messages.h"

namespace skyloom::winui::gtk {
namespace {

UINT lf_virtualKeyOf(std::uint32_t keyval) {
    switch (keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
        return VK_RETURN;
    case GDK_KEY_BackSpace:
        return VK_BACK;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
        return VK_TAB;
    case GDK_KEY_Escape:
        return VK_ESCAPE;
    case GDK_KEY_space:
        return VK_SPACE;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
        return VK_LEFT;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
        return VK_RIGHT;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
        return VK_UP;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
        return VK_DOWN;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home:
        return VK_HOME;
    case GDK_KEY_End:
    case GDK_KEY_KP_End:
        return VK_END;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up:
        return VK_PRIOR;
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down:
        return VK_NEXT;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete:
        return VK_DELETE;
    case GDK_KEY_F4:
        return VK_F4;
    default:
        return 0;
    }
}

} // namespace

KeyInput gf_translateKey(std::uint32_t keyval, char32_t unicode, bool withControl,
                         bool withAlt) {
    KeyInput input;
    if (withAlt) {
        return input;
    }
    if (withControl) {
        // As Windows types them: Ctrl+A is character 1 (select all in an edit box), ...,
        // Ctrl+Z character 26, whatever the shift state.
        if ((keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) ||
            (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z)) {
            input.kind = KeyInput::Kind::character;
            input.character = static_cast<char32_t>((keyval & 0x1F));
        }
        return input;
    }
    if (const UINT key = lf_virtualKeyOf(keyval); key != 0) {
        input.kind = KeyInput::Kind::virtualKey;
        input.virtualKey = key;
        return input;
    }
    // Control characters and DEL are keys, not text.
    if (unicode >= 0x20 && unicode != 0x7F) {
        input.kind = KeyInput::Kind::character;
        input.character = unicode;
    }
    return input;
}

} // namespace skyloom::winui::gtk
