// DPI arithmetic (MulDiv rounds halves away from zero), the DPI of the system and of windows,
// and WM_DPICHANGED when a window comes onto a monitor of another DPI.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/winui/dpi.h"
#include "platform/winui/last_error.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/monitors.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "tests/platform/winui/support/winui_test_support.h"

namespace skyloom::winui::testing {
namespace {

struct MulDivCase {
    int number;
    int numerator;
    int denominator;
    int expected;
};

class MulDivTest : public ::testing::TestWithParam<MulDivCase> {};

TEST_P(MulDivTest, RoundsAsWindowsDoes) {
    const MulDivCase& c = GetParam();
    EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.expected)
        << c.number << " * " << c.numerator << " / " << c.denominator;
}

INSTANTIATE_TEST_SUITE_P(
    ScalingFrom96Dpi, MulDivTest,
    ::testing::Values(
        // 96 DPI: unchanged.
        MulDivCase{900, 96, 96, 900}, MulDivCase{-7, 96, 96, -7},
        // 120 DPI: x 1.25; 2 -> 2.5 and 6 -> 7.5 round up, -2 -> -2.5 rounds down.
        MulDivCase{2, 120, 96, 3}, MulDivCase{6, 120, 96, 8}, MulDivCase{-2, 120, 96, -3},
        MulDivCase{3, 120, 96, 4}, MulDivCase{5, 120, 96, 6}, MulDivCase{900, 120, 96, 1125},
        // 144 DPI: x 1.5; every odd number lands on a half.
        MulDivCase{1, 144, 96, 2}, MulDivCase{-1, 144, 96, -2}, MulDivCase{3, 144, 96, 5},
        MulDivCase{23, 144, 96, 35}, MulDivCase{-23, 144, 96, -35}, MulDivCase{768, 144, 96, 1152},
        // 192 DPI: x 2, never a fraction.
        MulDivCase{7, 192, 96, 14}, MulDivCase{-7, 192, 96, -14},
        // Font heights: -MulDiv(12, dpi, 72).
        MulDivCase{12, 96, 72, 16}, MulDivCase{12, 120, 72, 20}, MulDivCase{12, 144, 72, 24},
        MulDivCase{12, 192, 72, 32}, MulDivCase{9, 120, 72, 15},
        // Back from a DPI: 5 at 144 DPI is 3.33 at 96.
        MulDivCase{5, 96, 144, 3}, MulDivCase{-5, 96, 144, -3}, MulDivCase{3, 96, 144, 2},
        // A negative divisor turns the sign; halves still go away from zero.
        MulDivCase{3, 1, -2, -2}, MulDivCase{-3, 1, -2, 2},
        // No divisor, or a result beyond 32 bits: -1.
        MulDivCase{5, 3, 0, -1}, MulDivCase{2000000000, 4, 2, -1},
        // The product may exceed 32 bits as long as the quotient fits.
        MulDivCase{2000000000, 3, 4, 1500000000}));

class DpiTest : public WinuiTest {
protected:
    void SetUp() override {
        WinuiTest::SetUp();
        setMonitors({MonitorSetup{RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040}, 96},
                     MonitorSetup{RECT{1920, 0, 3840, 1080}, RECT{1920, 0, 3840, 1080}, 144}});
    }
};

TEST_F(DpiTest, SystemDpiCanBeSetForTests) {
    EXPECT_EQ(GetDpiForSystem(), 96u);
    setSystemDpi(144);
    EXPECT_EQ(GetDpiForSystem(), 144u);
    RECT rect{0, 0, 100, 100};
    AdjustWindowRectEx(&rect, WS_CAPTION, FALSE, 0);
    EXPECT_EQ(rect.top, -40); // the frame at the system DPI
}

TEST_F(DpiTest, AwarenessIsSetOnce) {
    resetDpiAwareness();
    EXPECT_TRUE(SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2));
    SetLastError(0);
    EXPECT_FALSE(SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    resetDpiAwareness();
}

TEST_F(DpiTest, WindowsTakeTheirMonitorsDpiAndChildrenTheirParents) {
    Recorder recorder;
    HWND left = createTopLevel(recorder, WS_POPUP | WS_VISIBLE, RECT{100, 100, 300, 200});
    HWND right = createTopLevel(recorder, WS_POPUP | WS_VISIBLE, RECT{2000, 100, 2200, 200});
    HWND child = createChild(recorder, right, 1, RECT{0, 0, 10, 10});
    EXPECT_EQ(GetDpiForWindow(left), 96u);
    EXPECT_EQ(GetDpiForWindow(right), 144u);
    EXPECT_EQ(GetDpiForWindow(child), 144u);
    DestroyWindow(left);
    EXPECT_EQ(GetDpiForWindow(left), 0u);
}

TEST_F(DpiTest, MovingOntoAnotherDpiSendsDpiChangedWithASuggestedRectangle) {
    Recorder recorder;
    RECT suggested{};
    WPARAM dpis = 0;
    recorder.setHandler(
        [&](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
            if (message == WM_DPICHANGED) {
                dpis = wParam;
                suggested = *reinterpret_cast<const RECT*>(lParam);
                return 0;
            }
            return std::nullopt;
        });
    HWND hwnd = createTopLevel(recorder, WS_POPUP | WS_VISIBLE, RECT{100, 100, 300, 200});
    HWND child = createChild(recorder, hwnd, 1, RECT{0, 0, 10, 10});

    // Most of the window still on the 96 DPI monitor: nothing changes.
    SetWindowPos(hwnd, nullptr, 1800, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(recorder.count(WM_DPICHANGED), 0u);

    SetWindowPos(hwnd, nullptr, 2000, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_EQ(recorder.count(WM_DPICHANGED), 1u);
    EXPECT_EQ(LOWORD(dpis), 144);
    EXPECT_EQ(HIWORD(dpis), 144);
    EXPECT_EQ(suggested, (RECT{2000, 100, 2300, 250}));
    EXPECT_EQ(GetDpiForWindow(hwnd), 144u);
    EXPECT_EQ(GetDpiForWindow(child), 144u);

    // The monitor's own DPI changes (the user sets another scale).
    setMonitorDpi(1, 192);
    EXPECT_EQ(recorder.count(WM_DPICHANGED), 2u);
    EXPECT_EQ(LOWORD(dpis), 192);
    EXPECT_EQ(GetDpiForWindow(hwnd), 192u);
}

} // namespace
} // namespace skyloom::winui::testing
