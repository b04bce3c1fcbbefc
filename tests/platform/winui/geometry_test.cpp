// Window and client rectangles, moving, sizing and z-order, show states with the normal
// rectangle of a minimised or maximised window, and the monitors with their work areas.
#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/winui/dpi.h"
#include "platform/winui/input.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/monitors.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "tests/platform/winui/support/winui_test_support.h"

namespace skyloom::winui::testing {
namespace {

using ::testing::ElementsAre;

constexpr DWORD kMainStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

class GeometryTest : public WinuiTest {};

TEST_F(GeometryTest, ClientAreaIsTheWindowWithoutItsFrame) {
    Recorder recorder;
    HWND hwnd = createTopLevel(recorder, kMainStyle | WS_VISIBLE, RECT{400, 20, 1306, 817});
    RECT window;
    RECT client;
    ASSERT_TRUE(GetWindowRect(hwnd, &window));
    ASSERT_TRUE(GetClientRect(hwnd, &client));
    EXPECT_EQ(window, (RECT{400, 20, 1306, 817}));
    // A fixed frame of 3 pixels and a 23-pixel caption at 96 DPI.
    EXPECT_EQ(client, (RECT{0, 0, 900, 768}));
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    EXPECT_EQ(origin, (POINT{403, 46}));

    HWND child = createChild(recorder, hwnd, 7, RECT{10, 20, 60, 40});
    RECT childRect;
    GetWindowRect(child, &childRect);
    EXPECT_EQ(childRect, (RECT{413, 66, 463, 86}));
    POINT inChild{1, 2};
    EXPECT_NE(MapWindowPoints(child, hwnd, &inChild, 1), 0);
    EXPECT_EQ(inChild, (POINT{11, 22}));
    POINT screen{413, 66};
    ScreenToClient(child, &screen);
    EXPECT_EQ(screen, (POINT{0, 0}));
}

TEST_F(GeometryTest, AdjustWindowRectGrowsTheClientByTheFrameAtEachDpi) {
    struct Case {
        UINT dpi;
        RECT expected;
    };
    // 3 * dpi / 96 and 23 * dpi / 96, halves rounded away from zero.
    for (const Case& c : {Case{96, RECT{-3, -26, 903, 771}}, Case{120, RECT{-4, -33, 904, 772}},
                          Case{144, RECT{-5, -40, 905, 773}}, Case{192, RECT{-6, -52, 906, 774}}}) {
        RECT rect{0, 0, 900, 768};
        ASSERT_TRUE(AdjustWindowRectExForDpi(&rect, kMainStyle, FALSE, 0, c.dpi));
        EXPECT_EQ(rect, c.expected) << c.dpi;
    }
    RECT rect{0, 0, 10, 10};
    EXPECT_FALSE(AdjustWindowRectExForDpi(&rect, kMainStyle, FALSE, 0, 0));
    EXPECT_FALSE(AdjustWindowRectExForDpi(nullptr, kMainStyle, FALSE, 0, 96));
}

TEST_F(GeometryTest, SetWindowPosMovesAndSizesAsAskedAndTellsTheWindow) {
    Recorder recorder;
    HWND hwnd = createTopLevel(recorder, WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 50});
    recorder.clear();
    ASSERT_TRUE(SetWindowPos(hwnd, nullptr, 30, 40, 999, 999, SWP_NOSIZE | SWP_NOZORDER));
    RECT rect;
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect, (RECT{30, 40, 130, 90}));
    EXPECT_THAT(
        recorder.messagesAmong({WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_SIZE, WM_MOVE}),
        ElementsAre(WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE));

    recorder.clear();
    ASSERT_TRUE(SetWindowPos(hwnd, nullptr, 0, 0, 200, 80, SWP_NOMOVE | SWP_NOZORDER));
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect, (RECT{30, 40, 230, 120}));
    const auto messages = recorder.messages();
    auto size = std::find_if(messages.begin(), messages.end(),
                             [](const RecordedMessage& m) { return m.message == WM_SIZE; });
    ASSERT_NE(size, messages.end());
    EXPECT_EQ(LOWORD(size->lParam), 200);
    EXPECT_EQ(HIWORD(size->lParam), 80);
    EXPECT_EQ(recorder.count(WM_MOVE), 0u);
}

TEST_F(GeometryTest, TopmostIsAStyleAndAPlaceInTheZOrder) {
    Recorder recorder;
    HWND first = createTopLevel(recorder, WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
    HWND second = createTopLevel(recorder, WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
    // The newer window is on top where they overlap.
    EXPECT_EQ(WindowFromPoint(POINT{50, 50}), second);

    ASSERT_TRUE(SetWindowPos(first, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_NE(GetWindowLongPtrW(first, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(WindowFromPoint(POINT{50, 50}), first);
    // Raising a normal window does not put it above a topmost one.
    SetWindowPos(second, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(WindowFromPoint(POINT{50, 50}), first);

    ASSERT_TRUE(SetWindowPos(first, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_EQ(GetWindowLongPtrW(first, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    SetWindowPos(second, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(WindowFromPoint(POINT{50, 50}), second);
}

TEST_F(GeometryTest, MinimisedAndMaximisedWindowsKeepTheirNormalRectangle) {
    Recorder recorder;
    HWND hwnd = createTopLevel(recorder, kMainStyle | WS_VISIBLE, RECT{400, 20, 1306, 814});
    ShowWindow(hwnd, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(hwnd));
    RECT rect;
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.left, -32000); // where Windows parks minimised windows
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client, (RECT{0, 0, 0, 0}));

    WINDOWPLACEMENT placement;
    placement.length = sizeof placement;
    ASSERT_TRUE(GetWindowPlacement(hwnd, &placement));
    EXPECT_EQ(placement.showCmd, static_cast<UINT>(SW_SHOWMINIMIZED));
    EXPECT_EQ(placement.rcNormalPosition, (RECT{400, 20, 1306, 814}));

    ShowWindow(hwnd, SW_SHOWMAXIMIZED);
    EXPECT_TRUE(IsZoomed(hwnd));
    GetWindowPlacement(hwnd, &placement);
    EXPECT_EQ(placement.showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));
    EXPECT_EQ(placement.rcNormalPosition, (RECT{400, 20, 1306, 814}));
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 1920); // the work area's width

    ShowWindow(hwnd, SW_RESTORE);
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect, (RECT{400, 20, 1306, 814}));
    GetWindowPlacement(hwnd, &placement);
    EXPECT_EQ(placement.showCmd, static_cast<UINT>(SW_SHOWNORMAL));

    placement.length = 0;
    EXPECT_FALSE(GetWindowPlacement(hwnd, &placement));
}

TEST_F(GeometryTest, PlacementIsInWorkspaceCoordinates) {
    // A task bar along the top: the work area starts 40 pixels down.
    setMonitors({MonitorSetup{RECT{0, 0, 1920, 1080}, RECT{0, 40, 1920, 1080}, 96}});
    Recorder recorder;
    HWND hwnd = createTopLevel(recorder, kMainStyle | WS_VISIBLE, RECT{400, 100, 600, 300});
    WINDOWPLACEMENT placement;
    placement.length = sizeof placement;
    ASSERT_TRUE(GetWindowPlacement(hwnd, &placement));
    EXPECT_EQ(placement.rcNormalPosition, (RECT{400, 60, 600, 260}));
}

TEST_F(GeometryTest, VisibilityIncludesTheAncestors) {
    Recorder recorder;
    HWND parent = createTopLevel(recorder, WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
    HWND child = createChild(recorder, parent, 1, RECT{0, 0, 10, 10});
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_TRUE(ShowWindow(parent, SW_HIDE)); // it was visible
    EXPECT_FALSE(IsWindowVisible(child));
    EXPECT_NE(GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE, 0);
    EXPECT_FALSE(ShowWindow(parent, SW_SHOW)); // it was hidden
    EXPECT_TRUE(IsWindowVisible(child));
}

TEST_F(GeometryTest, MonitorsAreFoundByLargestShareThenByDistance) {
    setMonitors({MonitorSetup{RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040}, 96},
                 MonitorSetup{RECT{1920, 0, 3840, 1080}, RECT{1920, 0, 3840, 1080}, 144}});
    MONITORINFO info;
    info.cbSize = sizeof info;

    const RECT mostlyRight{1800, 100, 2200, 300};
    HMONITOR right = MonitorFromRect(&mostlyRight, MONITOR_DEFAULTTONULL);
    ASSERT_TRUE(GetMonitorInfoW(right, &info));
    EXPECT_EQ(info.rcMonitor.left, 1920);
    EXPECT_EQ(info.dwFlags, 0u);

    const RECT offScreen{5000, 5000, 5100, 5100};
    EXPECT_EQ(MonitorFromRect(&offScreen, MONITOR_DEFAULTTONULL), nullptr);
    EXPECT_EQ(MonitorFromRect(&offScreen, MONITOR_DEFAULTTONEAREST), right);
    HMONITOR primary = MonitorFromRect(&offScreen, MONITOR_DEFAULTTOPRIMARY);
    ASSERT_TRUE(GetMonitorInfoW(primary, &info));
    EXPECT_EQ(info.dwFlags, MONITORINFOF_PRIMARY);
    EXPECT_EQ(info.rcWork, (RECT{0, 0, 1920, 1040}));

    EXPECT_EQ(dpiForScreenRect(mostlyRight), 144u);
    info.cbSize = 0;
    EXPECT_FALSE(GetMonitorInfoW(primary, &info));
    // A handle of monitors that were replaced no longer works.
    setMonitors({});
    info.cbSize = sizeof info;
    EXPECT_FALSE(GetMonitorInfoW(right, &info));
}

} // namespace
} // namespace skyloom::winui::testing
