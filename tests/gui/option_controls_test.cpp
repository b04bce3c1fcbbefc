// The owner-drawn option check boxes as they paint themselves (enabled or not, checked or not,
// at 96 and 144 DPI), their refusal to toggle on their own, and the window's fonts and text
// drawing.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gui/gui_text.h"
#include "gui/option_controls.h"
#include "platform/winui/gdi.h"
#include "platform/winui/gdi_objects.h"
#include "platform/winui/input.h"
#include "platform/winui/messages.h"
#include "platform/winui/painting.h"
#include "platform/winui/recording_dc.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_state.h"
#include "tests/gui/support/main_window_fixture.h"

namespace skyloom::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

struct BoxCase {
    winui::UINT dpi;
    bool enabled;
    bool checked;
    std::vector<std::string> expected;
};

class CheckboxPaintTest : public MainWindowTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(CheckboxPaintTest, TheBoxPaintsItsFrameFillAndTick) {
    const BoxCase& c = GetParam();
    useScreenAt(c.dpi);
    const winui::HWND window = open();
    ASSERT_NE(window, nullptr);
    const winui::HWND box = parameters_.WEEK.window();
    ASSERT_NE(box, nullptr);
    winui::CheckDlgButton(window, parameters_.WEEK.controlId(),
                          c.checked ? winui::BST_CHECKED : winui::BST_UNCHECKED);
    winui::EnableWindow(box, c.enabled ? winui::TRUE : winui::FALSE);
    pump();

    const std::vector<std::string> calls = recordPaintOf(box);
    ASSERT_EQ(calls.size(), c.expected.size());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_THAT(calls[i], StartsWith(c.expected[i]));
    }
}

INSTANTIATE_TEST_SUITE_P(
    States, CheckboxPaintTest,
    ::testing::Values(BoxCase{96,
                              true,
                              false,
                              {"FillRect(0,0,14,14) brush=#99CCFF",
                               "Rectangle(0,0,14,14) pen=#606060/0 brush=#FFFFFF"}},
                      BoxCase{96,
                              true,
                              true,
                              {"FillRect(0,0,14,14) brush=#99CCFF",
                               "Rectangle(0,0,14,14) pen=#606060/0 brush=#FFFFFF",
                               "Polyline(2,7 5,10 11,3) pen=#000000/2"}},
                      BoxCase{96,
                              false,
                              true,
                              {"FillRect(0,0,14,14) brush=#99CCFF",
                               "Rectangle(0,0,14,14) pen=#A0A0A0/0 brush=#F0F0F0",
                               "Polyline(2,7 5,10 11,3) pen=#808080/2"}},
                      BoxCase{144,
                              true,
                              true,
                              {"FillRect(0,0,21,21) brush=#99CCFF",
                               "Rectangle(0,0,21,21) pen=#606060/0 brush=#FFFFFF",
                               "Polyline(4,10 8,15 16,5) pen=#000000/3"}},
                      BoxCase{144,
                              false,
                              false,
                              {"FillRect(0,0,21,21) brush=#99CCFF",
                               "Rectangle(0,0,21,21) pen=#A0A0A0/0 brush=#F0F0F0"}}));

TEST_F(MainWindowTest, ACheckBoxDoesNotToggleItselfButTellsItsWindow) {
    std::vector<winui::WPARAM> commands;
    const winui::HWND window = open();
    ASSERT_NE(window, nullptr);
    window_->setCommandHandler([&](winui::HWND, winui::WPARAM wParam) {
        commands.push_back(wParam);
        return true;
    });
    const bool before = parameters_.WEEK.value();
    winui::injectClickInWindow(parameters_.WEEK.window(), winui::POINT{5, 5});
    pump();
    EXPECT_EQ(winui::IsDlgButtonChecked(window, parameters_.WEEK.controlId()),
              before ? winui::BST_CHECKED : winui::BST_UNCHECKED);
    EXPECT_THAT(commands,
                ElementsAre(winui::MAKEWPARAM(parameters_.WEEK.controlId(), winui::BN_CLICKED)));
}

TEST(GuiFontTest, TheFontsAreSegoeUiOfTwelvePointsAtTheirDpi) {
    struct Case {
        bool bold;
        winui::UINT dpi;
        int height;
        int weight;
    };
    for (const Case c : {Case{false, 96, -16, 400}, Case{true, 96, -16, 700},
                         Case{false, 144, -24, 400}, Case{false, 120, -20, 400}}) {
        const winui::HFONT font = gf_createGuiFont(c.bold, c.dpi);
        ASSERT_NE(font, nullptr);
        winui::LOGFONTW logFont;
        ASSERT_GT(winui::GetObjectW(font, sizeof logFont, &logFont), 0);
        EXPECT_EQ(logFont.lfHeight, c.height);
        EXPECT_EQ(logFont.lfWeight, c.weight);
        EXPECT_EQ(std::u16string(logFont.lfFaceName), u"Segoe UI");
        EXPECT_EQ(logFont.lfItalic, 0);
        winui::DeleteObject(font);
    }
}

TEST_F(MainWindowTest, TextThatIsNotUtf8IsLoggedNotDrawnAndTheContextIsLeftAsItWas) {
    ASSERT_NE(open([](winui::HWND) { return true; }), nullptr);
    auto log = std::make_shared<winui::RecordingLog>();
    const winui::HDC dc = winui::createRecordingDc(log, winui::SIZE{900, 768});
    winui::SetTextColor(dc, winui::RGB(1, 2, 3));
    winui::SetBkMode(dc, winui::OPAQUE);

    gf_textOut(gui_, "bad \xC0 byte", dc, 10, 20, winui::RGB(255, 0, 0), true);
    EXPECT_THAT(log->calls(), IsEmpty());
    EXPECT_THAT(logLines(),
                Contains(StartsWith("TextOut utf8 to wide failed for 'bad \xC0 byte': ")));
    EXPECT_EQ(winui::GetTextColor(dc), winui::RGB(1, 2, 3));
    EXPECT_EQ(winui::GetBkMode(dc), winui::OPAQUE);

    gf_textOut(gui_, "good", dc, 10, 20, winui::RGB(255, 0, 0), true);
    EXPECT_THAT(log->calls(),
                ElementsAre(HasSubstr("TextOutW(10,17) \"good\" font=\"Segoe UI\"/-16/700")));
    EXPECT_EQ(winui::GetCurrentObject(dc, winui::OBJ_FONT) == gui_.boldFont(), false);
    winui::DeleteDC(dc);
}

} // namespace
} // namespace skyloom::testing
