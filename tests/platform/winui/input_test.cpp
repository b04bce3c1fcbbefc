// Input as an on-screen backend passes it on, one event at a time: the button pressed and
// released and the pointer moved, each posted to the window under the screen point (or to the
// one holding the capture) in its client coordinates; and a top-level window that the user
// moved on screen, followed by the layer without messages.
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/winui/backend.h"
#include "platform/winui/input.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "platform/winui/window_state.h"
#include "tests/platform/winui/support/winui_test_support.h"

namespace skyloom::winui::testing {
namespace {

using ::testing::ElementsAre;

class InputTest : public WinuiTest {};

struct MouseEvent {
    UINT message;
    WPARAM buttons;
    int x;
    int y;
    friend bool operator==(const MouseEvent&, const MouseEvent&) = default;
};

std::vector<MouseEvent> lf_mouseEvents(const Recorder& recorder, HWND hwnd) {
    std::vector<MouseEvent> events;
    for (const RecordedMessage& m : recorder.messages()) {
        if (m.hwnd == hwnd && (m.message == WM_LBUTTONDOWN || m.message == WM_LBUTTONUP ||
                               m.message == WM_MOUSEMOVE)) {
            events.push_back(MouseEvent{m.message, m.wParam,
                                        static_cast<std::int16_t>(LOWORD(m.lParam)),
                                        static_cast<std::int16_t>(HIWORD(m.lParam))});
        }
    }
    return events;
}

TEST_F(InputTest, PressMoveAndReleaseReachTheWindowUnderThePointOrTheCapture) {
    Recorder recorder;
    HWND top = createTopLevel(recorder, WS_POPUP | WS_VISIBLE, RECT{100, 100, 400, 300});
    HWND child = createChild(recorder, top, 7, RECT{10, 10, 110, 60});
    pumpWaitingMessages();
    recorder.clear();

    EXPECT_TRUE(injectButtonDown(POINT{120, 120}));
    EXPECT_TRUE(injectMouseMove(POINT{125, 122}, true));
    EXPECT_TRUE(injectButtonUp(POINT{300, 250}));
    pumpWaitingMessages();
    EXPECT_THAT(lf_mouseEvents(recorder, child),
                ElementsAre(MouseEvent{WM_LBUTTONDOWN, MK_LBUTTON, 10, 10},
                            MouseEvent{WM_MOUSEMOVE, MK_LBUTTON, 15, 12}));
    EXPECT_THAT(lf_mouseEvents(recorder, top), ElementsAre(MouseEvent{WM_LBUTTONUP, 0, 200, 150}));

    // While the child holds the capture, the release outside it is the child's.
    recorder.clear();
    SetCapture(child);
    EXPECT_TRUE(injectMouseMove(POINT{300, 250}, false));
    EXPECT_TRUE(injectButtonUp(POINT{300, 250}));
    ReleaseCapture();
    pumpWaitingMessages();
    EXPECT_THAT(
        lf_mouseEvents(recorder, child),
        ElementsAre(MouseEvent{WM_MOUSEMOVE, 0, 190, 140}, MouseEvent{WM_LBUTTONUP, 0, 190, 140}));

    // Nowhere: nothing takes it.
    EXPECT_FALSE(injectButtonDown(POINT{5000, 5000}));
}

TEST_F(InputTest, AWindowMovedOnScreenKeepsItsSizeAndHearsNothing) {
    Recorder recorder;
    HWND top = createTopLevel(recorder, WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 100, 500, 400});
    HWND child = createChild(recorder, top, 7, RECT{10, 10, 110, 60});
    pumpWaitingMessages();
    recorder.clear();
    RECT before;
    GetWindowRect(top, &before);

    EXPECT_TRUE(noteWindowMovedOnScreen(top, POINT{700, 650}));
    POINT origin{0, 0};
    ClientToScreen(top, &origin);
    EXPECT_EQ(origin.x, 700);
    EXPECT_EQ(origin.y, 650);
    RECT after;
    GetWindowRect(top, &after);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
    WINDOWPLACEMENT placement;
    placement.length = sizeof placement;
    ASSERT_TRUE(GetWindowPlacement(top, &placement));
    EXPECT_EQ(placement.rcNormalPosition.left, after.left); // the work area starts at 0, 0
    pumpWaitingMessages();
    EXPECT_TRUE(recorder.messages().empty());
    // Only top-level windows are moved this way.
    EXPECT_FALSE(noteWindowMovedOnScreen(child, POINT{0, 0}));
    EXPECT_FALSE(noteWindowMovedOnScreen(nullptr, POINT{0, 0}));
}

} // namespace
} // namespace skyloom::winui::testing
