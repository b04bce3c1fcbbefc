// What the keys a user presses in an on-screen window become: typed characters with the case
// and layout already applied, the keys the controls act on as virtual keys, letters held with
// Ctrl as their control characters (as Windows types them), and nothing for other shortcuts.
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "platform/winui/gtk/key_translation.h"
#include "platform/winui/messages.h"

namespace skyloom::winui::gtk {
namespace {

struct KeyCase {
    const char* name;
    std::uint32_t keyval;
    char32_t unicode;
    bool control;
    bool alt;
    KeyInput::Kind kind;
    char32_t character;
    UINT virtualKey;
};

class KeyTranslationTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyTranslationTest, TheKeyBecomesWhatTheLayerExpects) {
    const KeyCase& c = GetParam();
    const KeyInput input = gf_translateKey(c.keyval, c.unicode, c.control, c.alt);
    EXPECT_EQ(input.kind, c.kind);
    EXPECT_EQ(input.character, c.character);
    EXPECT_EQ(input.virtualKey, c.virtualKey);
}

using K = KeyInput::Kind;

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyTranslationTest,
    ::testing::Values(
        KeyCase{"LowerCaseLetter", GDK_KEY_a, U'a', false, false, K::character, U'a', 0},
        KeyCase{"UpperCaseLetter", GDK_KEY_A, U'A', false, false, K::character, U'A', 0},
        KeyCase{"Digit", GDK_KEY_7, U'7', false, false, K::character, U'7', 0},
        KeyCase{"Umlaut", GDK_KEY_udiaeresis, U'\u00FC', false, false, K::character, U'\u00FC', 0},
        KeyCase{"Enter", GDK_KEY_Return, U'\r', false, false, K::virtualKey, 0, VK_RETURN},
        KeyCase{"KeypadEnter", GDK_KEY_KP_Enter, U'\r', false, false, K::virtualKey, 0, VK_RETURN},
        KeyCase{"Backspace", GDK_KEY_BackSpace, U'\b', false, false, K::virtualKey, 0, VK_BACK},
        KeyCase{"ShiftTab", GDK_KEY_ISO_Left_Tab, 0, false, false, K::virtualKey, 0, VK_TAB},
        KeyCase{"Space", GDK_KEY_space, U' ', false, false, K::virtualKey, 0, VK_SPACE},
        KeyCase{"Down", GDK_KEY_Down, 0, false, false, K::virtualKey, 0, VK_DOWN},
        KeyCase{"Delete", GDK_KEY_Delete, 0x7F, false, false, K::virtualKey, 0, VK_DELETE},
        KeyCase{"DropDownKey", GDK_KEY_F4, 0, false, false, K::virtualKey, 0, VK_F4},
        KeyCase{"OtherFunctionKey", GDK_KEY_F5, 0, false, false, K::none, 0, 0},
        KeyCase{"ShiftAlone", GDK_KEY_Shift_L, 0, false, false, K::none, 0, 0},
        KeyCase{"CtrlA", GDK_KEY_a, U'a', true, false, K::character, 1, 0},
        KeyCase{"CtrlShiftA", GDK_KEY_A, U'A', true, false, K::character, 1, 0},
        KeyCase{"CtrlC", GDK_KEY_c, U'c', true, false, K::character, 3, 0},
        KeyCase{"CtrlZ", GDK_KEY_z, U'z', true, false, K::character, 26, 0},
        KeyCase{"CtrlDigit", GDK_KEY_1, U'1', true, false, K::none, 0, 0},
        KeyCase{"CtrlEnter", GDK_KEY_Return, U'\r', true, false, K::none, 0, 0},
        KeyCase{"CtrlAltA", GDK_KEY_a, U'a', true, true, K::none, 0, 0},
        KeyCase{"AltA", GDK_KEY_a, U'a', false, true, K::none, 0, 0},
        KeyCase{"AltF4", GDK_KEY_F4, 0, false, true, K::none, 0, 0}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return info.param.name; });

} // namespace
} // namespace skyloom::winui::gtk
