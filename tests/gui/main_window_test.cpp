// The main window's start-up and layout-bound behaviour: the saved position kept on screen,
// the option controls made in their places and scaled for the window's DPI, the compact
// switch, and a DPI change.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/option_parameters.h"
#include "gui/gui_layout.h"
#include "platform/winui/dpi.h"
#include "platform/winui/input.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/monitors.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "platform/winui/window_state.h"
#include "tests/gui/support/main_window_fixture.h"

namespace skyloom::testing {
namespace {

using U = GuiUpdate;

winui::SIZE lf_windowSize() {
    return gf_windowSizeForClient(768, 96);
}

// --- Start-up position ---

struct PlacementCase {
    const char* name;
    winui::RECT workArea; // the only monitor's work area (its area ends 40 pixels lower)
    int savedX;
    int savedY;
    int expectedX; // with the window's outer width w and height h (see below)
    int expectedY;
};

class MainWindowPlacementTest : public MainWindowTest,
                                public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(MainWindowPlacementTest, TheWindowOpensAtItsSavedPlaceWithAtLeast48PixelsOnScreen) {
    const PlacementCase& c = GetParam();
    winui::RECT area = c.workArea;
    area.bottom += 40;
    winui::setMonitors({winui::MonitorSetup{area, c.workArea, 96}});
    parameters_.MAIN_WINDOW_X.setValue(c.savedX);
    parameters_.MAIN_WINDOW_Y.setValue(c.savedY);

    ASSERT_NE(open([](winui::HWND) { return true; }), nullptr);
    const winui::RECT rect = windowRect();
    EXPECT_EQ(rect.left, c.expectedX);
    EXPECT_EQ(rect.top, c.expectedY);
    EXPECT_EQ(rect.right - rect.left, lf_windowSize().cx);
    // A corrected place is the saved one from now on.
    EXPECT_EQ(parameters_.MAIN_WINDOW_X.value(), c.expectedX);
    EXPECT_EQ(parameters_.MAIN_WINDOW_Y.value(), c.expectedY);
    EXPECT_EQ(savedValue("MAIN_WINDOW_X"), std::to_string(c.expectedX));
    EXPECT_EQ(savedValue("MAIN_WINDOW_Y"), std::to_string(c.expectedY));
    EXPECT_NE(winui::IsWindowVisible(window_->window()), winui::FALSE);
}

const int kW = lf_windowSize().cx;

INSTANTIATE_TEST_SUITE_P(
    Places, MainWindowPlacementTest,
    ::testing::Values(
        PlacementCase{"OnScreen", {0, 0, 1920, 1040}, 100, 50, 100, 50},
        // Clamped at exit because the window was off the virtual screen: the default, on
        // screen.
        PlacementCase{"AtTheEndOfTheRange", {0, 0, 1920, 1040}, 30000, 20, 400, 20},
        PlacementCase{"TenPixelsLeftOnTheLeft", {0, 0, 1920, 1040}, 10 - kW, 20, 48 - kW, 20},
        PlacementCase{"BeyondTheRightEdge", {0, 0, 1920, 1040}, 1900, 20, 1872, 20},
        PlacementCase{"BelowTheBottom", {0, 0, 1920, 1040}, 100, 1030, 100, 992},
        PlacementCase{"WiderAndHigherThanTheWorkArea", {0, 0, 800, 600}, 300, 200, 0, 0},
        PlacementCase{"OnASecondScreenToTheLeft", {-1280, 0, 0, 984}, -1000, 100, -1000, 100}),
    [](const ::testing::TestParamInfo<PlacementCase>& info) { return info.param.name; });

TEST_F(MainWindowTest,
       AParametersFileThatIsNotXmlIsKeptAsGenerationZeroAndTheWindowUsesTheDefault) {
    parameters_.MAIN_WINDOW_X.setValue(100);
    std::ofstream(dir_ / "parameters.xml", std::ios::binary | std::ios::trunc)
        << "<root><parameters>";
    ASSERT_NE(open([](winui::HWND) { return true; }), nullptr);
    EXPECT_EQ(windowRect().left, 400);
    EXPECT_EQ(windowRect().top, 20);
    EXPECT_TRUE(std::filesystem::exists(dir_ / "parameters0.xml"));
}

// --- The option controls ---

class MainWindowControlsTest : public MainWindowTest,
                               public ::testing::WithParamInterface<winui::UINT> {};

TEST_P(MainWindowControlsTest, EveryOptionControlIsMadeInItsPlaceScaledForTheDpi) {
    const winui::UINT dpi = GetParam();
    const int scale = static_cast<int>(dpi);
    useScreenAt(dpi);
    const winui::HWND window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(gui_.optionWindows().size(), parameters_.controls().size());
    for (const OptionControl* control : parameters_.controls()) {
        const winui::HWND child = control->window();
        ASSERT_NE(child, nullptr) << control->controlId();
        EXPECT_EQ(winui::GetParent(child), window);
        EXPECT_EQ(winui::GetDlgCtrlID(child), control->controlId());
        winui::RECT place{};
        winui::GetWindowRect(child, &place);
        winui::MapWindowPoints(nullptr, window, reinterpret_cast<winui::POINT*>(&place), 2);
        EXPECT_EQ(place.left, winui::MulDiv(control->layout().controlX, scale, 96))
            << control->controlId();
        EXPECT_EQ(place.top, winui::MulDiv(control->layout().controlY(), scale, 96))
            << control->controlId();
    }
    // Check boxes and buttons keep their size in units.
    winui::RECT box{};
    winui::GetWindowRect(parameters_.RANDOM.window(), &box);
    EXPECT_EQ(box.right - box.left, winui::MulDiv(14, scale, 96));
    EXPECT_EQ(box.bottom - box.top, winui::MulDiv(14, scale, 96));
    winui::RECT button{};
    winui::GetWindowRect(parameters_.parkButton.window(), &button);
    EXPECT_EQ(button.right - button.left, winui::MulDiv(80, scale, 96));
    EXPECT_EQ(button.bottom - button.top, winui::MulDiv(26, scale, 96));
    // Each control shows its parameter; the destination waits to be enabled.
    EXPECT_EQ(winui::IsDlgButtonChecked(window, parameters_.RANDOM.controlId()),
              parameters_.RANDOM.value() ? winui::BST_CHECKED : winui::BST_UNCHECKED);
    EXPECT_EQ(winui::SendMessageW(parameters_.RANGE.window(), winui::CB_GETCOUNT, 0, 0),
              static_cast<winui::LRESULT>(parameters_.RANGE.values().size()));
    EXPECT_EQ(winui::IsWindowEnabled(parameters_.DESTINATION.window()), winui::FALSE);
    // Every control speaks with the font of the window's DPI.
    EXPECT_EQ(reinterpret_cast<winui::HFONT>(
                  winui::SendMessageW(parameters_.parkButton.window(), winui::WM_GETFONT, 0, 0)),
              gui_.controlFont());
}

INSTANTIATE_TEST_SUITE_P(At96And144Dpi, MainWindowControlsTest, ::testing::Values(96U, 144U));

TEST_F(MainWindowTest, ASavedCompactModeOpensTheWindowCompactWithItsControlsHidden) {
    parameters_.COLLAPSED.setValue(true);
    ASSERT_NE(open(), nullptr);
    EXPECT_TRUE(gui_.state().compact);
    EXPECT_EQ(clientSize().cy, 128);
    EXPECT_EQ(winui::IsWindowVisible(parameters_.RANGE.window()), winui::FALSE);
}

// --- The compact switch ---

class MainWindowCompactSwitchTest : public MainWindowTest,
                                    public ::testing::WithParamInterface<winui::UINT> {};

TEST_P(MainWindowCompactSwitchTest, AClickOnTheSwitchTogglesTheModeAndSavesIt) {
    const int scale = static_cast<int>(GetParam());
    useScreenAt(GetParam());
    const winui::HWND window = open();
    ASSERT_NE(window, nullptr);
    const auto clickSwitch = [&] {
        const winui::RECT hot = gui_.compactHotRect();
        winui::injectClickInWindow(
            window, winui::POINT{(hot.left + hot.right) / 2, (hot.top + hot.bottom) / 2});
        pump();
    };

    // A click beside the switch does nothing.
    winui::injectClickInWindow(window, winui::POINT{winui::MulDiv(700, scale, 96), 5});
    pump();
    EXPECT_FALSE(gui_.state().compact);

    clickSwitch();
    EXPECT_TRUE(gui_.state().compact);
    EXPECT_EQ(clientSize().cx, winui::MulDiv(900, scale, 96));
    EXPECT_EQ(clientSize().cy, winui::MulDiv(128, scale, 96));
    EXPECT_EQ(winui::IsWindowVisible(parameters_.RANDOM.window()), winui::FALSE);
    EXPECT_TRUE(parameters_.COLLAPSED.value());
    EXPECT_EQ(savedValue("COLLAPSED"), "true");

    clickSwitch();
    EXPECT_FALSE(gui_.state().compact);
    EXPECT_EQ(clientSize().cy, winui::MulDiv(768, scale, 96));
    EXPECT_EQ(savedValue("COLLAPSED"), "false");
}

INSTANTIATE_TEST_SUITE_P(At96And144Dpi, MainWindowCompactSwitchTest, ::testing::Values(96U, 144U));

// --- DPI change ---

TEST_F(MainWindowTest, ADpiChangeScalesTheWindowItsControlsAndTheirFont) {
    const winui::HWND window = open();
    ASSERT_NE(window, nullptr);
    const winui::HFONT before = gui_.controlFont();
    const winui::SIZE clientBefore = clientSize();

    // Changes that name no DPI or no place are passed over.
    winui::RECT suggested{10, 20, 1400, 1300};
    winui::SendMessageW(window, winui::WM_DPICHANGED, winui::MAKEWPARAM(0, 0),
                        reinterpret_cast<winui::LPARAM>(&suggested));
    winui::SendMessageW(window, winui::WM_DPICHANGED, winui::MAKEWPARAM(144, 144), 0);
    EXPECT_EQ(clientSize().cx, clientBefore.cx);
    EXPECT_EQ(gui_.dpi(), 96u);
    EXPECT_EQ(gui_.controlFont(), before);

    // The monitor the window is on turns to 144 DPI.
    const winui::RECT before96 = windowRect();
    winui::setMonitorDpi(0, 144);
    pump();
    EXPECT_EQ(gui_.dpi(), 144u);
    EXPECT_EQ(clientSize().cx, 1350);
    EXPECT_EQ(clientSize().cy, 1152);
    EXPECT_EQ(windowRect().left, before96.left);
    EXPECT_EQ(windowRect().top, before96.top);
    EXPECT_NE(gui_.controlFont(), before);
    EXPECT_EQ(reinterpret_cast<winui::HFONT>(
                  winui::SendMessageW(parameters_.RANGE.window(), winui::WM_GETFONT, 0, 0)),
              gui_.controlFont());
    winui::RECT box{};
    winui::GetWindowRect(parameters_.RANDOM.window(), &box);
    EXPECT_EQ(box.right - box.left, 21);
    winui::RECT place{};
    winui::GetWindowRect(parameters_.RANDOM.window(), &place);
    winui::MapWindowPoints(nullptr, window, reinterpret_cast<winui::POINT*>(&place), 2);
    EXPECT_EQ(place.left, winui::MulDiv(parameters_.RANDOM.layout().controlX, 144, 96));

    // Compact at 144 DPI: the compact height, scaled.
    gui_.enqueueUpdate(U::SetCompact{true});
    EXPECT_EQ(clientSize().cy, 192);
}

} // namespace
} // namespace skyloom::testing
