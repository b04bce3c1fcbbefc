// What applied updates do to the window itself: compact mode hides the option controls and
// shrinks the window to its bands, "stay on top" and "minimise" reach the window, and only
// the changed bands are invalidated, in device pixels at the window's DPI.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gui/gui.h"
#include "gui/gui_layout.h"
#include "platform/winui/dpi.h"
#include "platform/winui/monitors.h"
#include "platform/winui/painting.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "tests/gui/support/gui_test_support.h"

namespace skyloom::testing {
namespace {

using U = GuiUpdate;

class GuiWindowEffectsTest : public GuiTest {
protected:
    // The update region after the invalidation, as one bounding rectangle; empty when none.
    winui::RECT invalidated(winui::HWND window) {
        winui::RECT rect{};
        if (winui::GetUpdateRect(window, &rect, winui::FALSE) == winui::FALSE) {
            return winui::RECT{};
        }
        return rect;
    }
    int clientHeight(winui::HWND window) {
        winui::RECT client{};
        winui::GetClientRect(window, &client);
        return client.bottom - client.top;
    }

    Gui gui_;
};

TEST_F(GuiWindowEffectsTest, CompactHidesEveryOptionWindowAndExpandShowsThemAgain) {
    const winui::HWND window = createMainWindow(gui_);
    const winui::HWND first = createChild(window, 32785);
    const winui::HWND gone = createChild(window, 32786);
    const winui::HWND last = createChild(window, 32787);
    gui_.addOptionWindow(first);
    gui_.addOptionWindow(gone);
    gui_.addOptionWindow(last);
    winui::DestroyWindow(gone); // a control that is no longer a window is passed over

    gui_.enqueueUpdate(U::SetCompact{true});
    EXPECT_TRUE(gui_.state().compact);
    EXPECT_EQ(winui::IsWindowVisible(first), winui::FALSE);
    EXPECT_EQ(winui::IsWindowVisible(last), winui::FALSE);

    gui_.enqueueUpdate(U::ToggleCompact{});
    EXPECT_FALSE(gui_.state().compact);
    EXPECT_NE(winui::IsWindowVisible(first), winui::FALSE);
    EXPECT_NE(winui::IsWindowVisible(last), winui::FALSE);
}

TEST_F(GuiWindowEffectsTest, CompactWindowIsAsHighAsItsBandsAndGrowsWithAParkAirport) {
    const winui::HWND window = createMainWindow(gui_);
    EXPECT_EQ(clientHeight(window), 768);

    gui_.enqueueUpdate(U::SetCompact{true});
    EXPECT_EQ(clientHeight(window), 128);

    gui_.enqueueUpdate(U::ParkAirport{IcaoCode("LOWW")});
    EXPECT_EQ(clientHeight(window), 224);

    gui_.enqueueUpdate(U::SetCompact{false});
    EXPECT_EQ(clientHeight(window), 768);
}

TEST_F(GuiWindowEffectsTest, StayOnTopAndMinimiseReachTheWindow) {
    const winui::HWND window = createMainWindow(gui_);
    gui_.enqueueUpdate(U::StayOnTop{true});
    EXPECT_NE(winui::GetWindowLongPtrW(window, winui::GWL_EXSTYLE) & winui::WS_EX_TOPMOST, 0);
    gui_.enqueueUpdate(U::StayOnTop{false});
    EXPECT_EQ(winui::GetWindowLongPtrW(window, winui::GWL_EXSTYLE) & winui::WS_EX_TOPMOST, 0);

    gui_.enqueueUpdate(U::Minimise{});
    EXPECT_NE(winui::IsIconic(window), winui::FALSE);
}

TEST_F(GuiWindowEffectsTest, OnlyTheChangedBandsAreInvalidated) {
    const winui::HWND window = createMainWindow(gui_);
    pump();

    gui_.invalidateParts(GuiRedrawFlags::counters());
    EXPECT_EQ(invalidated(window), (winui::RECT{0, 32, 900, 96}));
    pump();

    gui_.invalidateParts(GuiRedrawFlags::airportPanel());
    EXPECT_EQ(invalidated(window), (winui::RECT{0, 640, 900, 736}));
    pump();

    gui_.invalidateParts(GuiRedrawFlags::none());
    EXPECT_EQ(invalidated(window), winui::RECT{});
}

TEST_F(GuiWindowEffectsTest, CompactWithoutParkAirportHasNoPanelToRepaint) {
    const winui::HWND window = createMainWindow(gui_);
    gui_.enqueueUpdate(U::SetCompact{true});
    pump();

    gui_.invalidateParts(GuiRedrawFlags::airportPanel());
    EXPECT_EQ(invalidated(window), winui::RECT{});

    gui_.invalidateParts(GuiRedrawFlags::bottomLine());
    EXPECT_EQ(invalidated(window), (winui::RECT{0, 96, 900, 128}));
}

TEST_F(GuiWindowEffectsTest, BandsScaleWithTheWindowsDpi) {
    winui::setSystemDpi(144);
    winui::setMonitors({winui::MonitorSetup{{0, 0, 2880, 1620}, {0, 0, 2880, 1560}, 144}});
    const winui::HWND window = createMainWindow(gui_);
    ASSERT_EQ(gui_.dpi(), 144u);
    gui_.enqueueUpdate(U::SetCompact{false}); // sizes the window for its DPI
    pump();
    EXPECT_EQ(clientHeight(window), 1152);

    gui_.invalidateParts(GuiRedrawFlags::bottomLine());
    EXPECT_EQ(invalidated(window), (winui::RECT{0, 1104, 1350, 1152}));
}

} // namespace
} // namespace skyloom::testing
