// Capturing windows: a parent's own pixels with its children over them (hidden children left
// out), the frame in a whole-window capture, an open combo-box list on top, and the PNG file
// read back with exact colours at chosen points.
#include <gtest/gtest.h>

#include "platform/winui/capture.h"
#include "platform/winui/gdi.h"
#include "platform/winui/input.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/monitors.h"
#include "platform/winui/painting.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "tests/platform/winui/support/winui_test_support.h"
#include "tests/support/temp_dir.h"

namespace skyloom::winui::testing {
namespace {

constexpr COLORREF kLightBlue = RGB(153, 204, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

// Paints the whole client area in one colour, given as the window's user data... the
// recorder's handler decides the colour per window.
Recorder::Handler lf_painter(HWND parent, HWND* child) {
    return [parent, child](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != WM_PAINT) {
            return std::nullopt;
        }
        PAINTSTRUCT paint;
        HDC hdc = BeginPaint(hwnd, &paint);
        RECT client;
        GetClientRect(hwnd, &client);
        HBRUSH brush = CreateSolidBrush(hwnd == parent   ? kLightBlue
                                        : hwnd == *child ? kRed
                                                         : RGB(0, 0, 0));
        FillRect(hdc, &client, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &paint);
        return 0;
    };
}

class CaptureTest : public WinuiTest {};

TEST_F(CaptureTest, ChildrenAreLaidOverTheirParentAndTheFileHasTheSameColours) {
    Recorder recorder;
    HWND child = nullptr;
    HWND parent = createTopLevel(recorder, WS_POPUP | WS_VISIBLE, RECT{50, 50, 250, 150});
    recorder.setHandler(lf_painter(parent, &child));
    child = createChild(recorder, parent, 1, RECT{20, 10, 60, 30});
    pumpWaitingMessages();

    const Image image = captureWindow(parent);
    ASSERT_EQ(image.width(), 200);
    ASSERT_EQ(image.height(), 100);
    EXPECT_EQ(image.pixel(0, 0), kLightBlue);
    EXPECT_EQ(image.pixel(20, 10), kRed);
    EXPECT_EQ(image.pixel(59, 29), kRed);
    EXPECT_EQ(image.pixel(60, 29), kLightBlue);
    EXPECT_EQ(image.pixel(59, 30), kLightBlue);

    skyloom::testing::TempDir folder;
    ASSERT_TRUE(captureWindowToPng(parent, folder / "capture.png"));
    const auto read = Image::readPng(folder / "capture.png");
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->pixel(20, 10), kRed);
    EXPECT_EQ(read->pixel(199, 99), kLightBlue);

    ShowWindow(child, SW_HIDE);
    pumpWaitingMessages();
    EXPECT_EQ(captureWindow(parent).pixel(20, 10), kLightBlue);

    EXPECT_FALSE(captureWindowToPng(parent, folder / "missing" / "capture.png"));
    DestroyWindow(parent);
    EXPECT_TRUE(captureWindow(parent).empty());
    EXPECT_FALSE(captureWindowToPng(parent, folder / "gone.png"));
    EXPECT_FALSE(Image::readPng(folder / "gone.png").has_value());
}

TEST_F(CaptureTest, AChildIsClippedToItsParentsClientArea) {
    Recorder recorder;
    HWND child = nullptr;
    HWND parent = createTopLevel(recorder, WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
    recorder.setHandler(lf_painter(parent, &child));
    child = createChild(recorder, parent, 1, RECT{80, 80, 150, 150});
    pumpWaitingMessages();
    const Image image = captureWindow(parent);
    EXPECT_EQ(image.pixel(99, 99), kRed);
    EXPECT_EQ(image.pixel(79, 99), kLightBlue);
}

TEST_F(CaptureTest, AWholeWindowCaptureHasTheFrameAroundTheClientArea) {
    Recorder recorder;
    HWND child = nullptr;
    HWND parent =
        createTopLevel(recorder, WS_CAPTION | WS_SYSMENU | WS_VISIBLE, RECT{0, 0, 206, 129});
    recorder.setHandler(lf_painter(parent, &child));
    InvalidateRect(parent, nullptr, TRUE);
    pumpWaitingMessages();
    const Image client = captureWindow(parent, CaptureArea::client);
    EXPECT_EQ(client.width(), 200);
    EXPECT_EQ(client.height(), 100);
    const Image whole = captureWindow(parent, CaptureArea::window);
    EXPECT_EQ(whole.width(), 206);
    EXPECT_EQ(whole.height(), 129);
    EXPECT_EQ(whole.pixel(3, 26), kLightBlue); // the client's first pixel
    EXPECT_EQ(whole.pixel(0, 0), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(whole.pixel(1, 60), RGB(255, 255, 255)); // frame face
}

TEST_F(CaptureTest, AnOpenComboListIsCapturedOnTopOfTheWindow) {
    Recorder recorder;
    HWND none = nullptr;
    HWND parent = createTopLevel(recorder, WS_POPUP | WS_VISIBLE, RECT{0, 0, 300, 300});
    recorder.setHandler(lf_painter(parent, &none));
    HWND combo = CreateWindowExW(0, u"ComboBox", u"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 20,
                                 20, 150, 200, parent, nullptr, nullptr, nullptr);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"one"));
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"two"));
    pumpWaitingMessages();
    RECT box;
    GetWindowRect(combo, &box);
    // Below the closed box: the parent.
    EXPECT_EQ(captureWindow(parent).pixel(140, box.bottom + 10), kLightBlue);

    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    pumpWaitingMessages();
    const Image open = captureWindow(parent);
    EXPECT_EQ(open.pixel(20, box.bottom), RGB(100, 100, 100)); // the list's border
    EXPECT_EQ(open.pixel(140, box.bottom + 10), GetSysColor(COLOR_WINDOW));
    // The window alone, for a backend that shows the list in a window of its own.
    EXPECT_EQ(captureWindow(parent, CaptureArea::client, CapturePopups::leaveOut)
                  .pixel(140, box.bottom + 10),
              kLightBlue);

    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    pumpWaitingMessages();
    EXPECT_EQ(captureWindow(parent).pixel(140, box.bottom + 10), kLightBlue);
}

TEST_F(CaptureTest, AtAHigherDpiTheCaptureHasTheWindowsPixelSize) {
    setMonitors({MonitorSetup{RECT{0, 0, 2880, 1620}, RECT{0, 0, 2880, 1560}, 144}});
    Recorder recorder;
    HWND none = nullptr;
    HWND parent = createTopLevel(recorder, WS_POPUP | WS_VISIBLE, RECT{0, 0, 1350, 1152});
    recorder.setHandler(lf_painter(parent, &none));
    InvalidateRect(parent, nullptr, TRUE);
    pumpWaitingMessages();
    const Image image = captureWindow(parent);
    EXPECT_EQ(image.width(), 1350);
    EXPECT_EQ(image.height(), 1152);
    EXPECT_EQ(image.pixel(1349, 1151), kLightBlue);
}

} // namespace
} // namespace skyloom::winui::testing
