// The program's resources: its title string (missing until registered, cut to the caller's
// buffer), its icon and the standard cursor.
#include <string>

#include <gtest/gtest.h>

#include "platform/winui/resources.h"

namespace skyloom::winui {
namespace {

TEST(ResourcesTest, StringsAreFoundByNumberAndCutToTheBuffer) {
    char16_t buffer[100] = {u'x'};
    EXPECT_EQ(LoadStringW(GetModuleHandleW(nullptr), 4711, buffer, 100), 0);
    EXPECT_EQ(buffer[0], u'\0');
    registerStringResource(4711, u"Skyloom");
    EXPECT_EQ(LoadStringW(GetModuleHandleW(nullptr), 4711, buffer, 100), 7);
    EXPECT_EQ(std::u16string(buffer), u"Skyloom");
    char16_t small[4];
    EXPECT_EQ(LoadStringW(nullptr, 4711, small, 4), 3);
    EXPECT_EQ(std::u16string(small), u"Sky");
}

TEST(ResourcesTest, IconsExistOnceRegisteredAndTheArrowAlways) {
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(4712)), nullptr);
    registerIconResource(4712);
    HICON icon = LoadIconW(nullptr, MAKEINTRESOURCEW(4712));
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(4712)), icon); // the same handle each time
    EXPECT_NE(LoadCursorW(nullptr, IDC_ARROW), nullptr);
    EXPECT_EQ(GetModuleHandleW(nullptr), GetModuleHandleW(u"other"));
}

} // namespace
} // namespace skyloom::winui
