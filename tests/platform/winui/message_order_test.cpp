// The order in which a thread receives what is posted and sent to it, the posting limits,
// the quit request, key translation and the synthesis of WM_PAINT.
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/winui/last_error.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/painting.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "tests/platform/winui/support/winui_test_support.h"

namespace skyloom::winui::testing {
namespace {

using ::testing::ElementsAre;

constexpr UINT kNumbered = WM_APP + 10;
constexpr UINT kOther = WM_APP + 11;

class MessageOrderTest : public WinuiTest {};

TEST_F(MessageOrderTest, PostsAndSendsFromAWorkerAreHandledInTheOrderTheyWereMade) {
    Recorder recorder;
    std::vector<WPARAM> handled;
    recorder.setHandler([&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == kNumbered) {
            handled.push_back(wParam);
            if (wParam == 6) {
                PostQuitMessage(0);
            }
            return 0;
        }
        return std::nullopt;
    });
    HWND hwnd = createTopLevel(recorder);
    pumpWaitingMessages();
    const DWORD guiThread = GetCurrentThreadId();

    std::thread worker([&] {
        PostMessageW(hwnd, kNumbered, 1, 0);
        PostMessageW(hwnd, kNumbered, 2, 0);
        SendMessageW(hwnd, kNumbered, 3, 0);
        PostMessageW(hwnd, kNumbered, 4, 0);
        SendMessageW(hwnd, kNumbered, 5, 0);
        PostMessageW(hwnd, kNumbered, 6, 0);
    });
    // Start reading only when the send waits behind the two posts, so that a send that
    // jumped the line would show.
    while (waitingMessageCount(guiThread) < 3) {
        std::this_thread::yield();
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageW(&msg);
    }
    worker.join();
    EXPECT_THAT(handled, ElementsAre(1u, 2u, 3u, 4u, 5u, 6u));
}

TEST_F(MessageOrderTest, PostFailsWhenTheQueueIsFullOrTheFaultIsOn) {
    Recorder recorder;
    HWND hwnd = createTopLevel(recorder);
    pumpWaitingMessages();
    setPostMessageLimit(3);
    EXPECT_TRUE(PostMessageW(hwnd, kNumbered, 1, 0));
    EXPECT_TRUE(PostMessageW(hwnd, kNumbered, 2, 0));
    EXPECT_TRUE(PostMessageW(hwnd, kNumbered, 3, 0));
    SetLastError(0);
    EXPECT_FALSE(PostMessageW(hwnd, kNumbered, 4, 0));
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_QUOTA);
    // A refused post is lost, nothing else: the three that got in arrive, and once one is
    // read there is room again.
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 1u);
    EXPECT_TRUE(PostMessageW(hwnd, kNumbered, 5, 0));
    pumpWaitingMessages();
    EXPECT_EQ(recorder.count(kNumbered), 3u); // 2, 3 and 5 dispatched by the pump

    setPostMessageFault(true);
    EXPECT_FALSE(PostMessageW(hwnd, kNumbered, 6, 0));
    EXPECT_FALSE(PostMessageW(nullptr, kNumbered, 7, 0));
    EXPECT_FALSE(PostThreadMessageW(GetCurrentThreadId(), kNumbered, 8, 0));
    setPostMessageFault(false);
    EXPECT_TRUE(PostMessageW(hwnd, kNumbered, 9, 0));
}

TEST_F(MessageOrderTest, PostToAWindowThatIsGoneFails) {
    Recorder recorder;
    HWND hwnd = createTopLevel(recorder);
    DestroyWindow(hwnd);
    SetLastError(0);
    EXPECT_FALSE(PostMessageW(hwnd, kNumbered, 1, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(MessageOrderTest, PaintComesOnlyWhenTheQueueIsEmptyAndMergesInvalidations) {
    Recorder recorder;
    std::vector<RECT> painted;
    recorder.setHandler([&](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_PAINT) {
            PAINTSTRUCT paint;
            BeginPaint(hwnd, &paint);
            painted.push_back(paint.rcPaint);
            EndPaint(hwnd, &paint);
            return 0;
        }
        return std::nullopt;
    });
    HWND hwnd = createTopLevel(recorder, WS_POPUP | WS_VISIBLE, RECT{0, 0, 200, 100});
    pumpWaitingMessages();
    painted.clear();
    recorder.clear();

    const RECT first{10, 10, 20, 20};
    const RECT second{50, 30, 60, 40};
    InvalidateRect(hwnd, &first, FALSE);
    PostMessageW(hwnd, kNumbered, 1, 0);
    InvalidateRect(hwnd, &second, FALSE);
    PostMessageW(hwnd, kOther, 2, 0);

    std::vector<UINT> order;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        order.push_back(msg.message);
        DispatchMessageW(&msg);
    }
    EXPECT_THAT(order, ElementsAre(kNumbered, kOther, WM_PAINT));
    ASSERT_EQ(painted.size(), 1u);
    EXPECT_EQ(painted[0], (RECT{10, 10, 60, 40}));
    EXPECT_EQ(recorder.count(WM_ERASEBKGND), 0u);
}

TEST_F(MessageOrderTest, EraseIsAskedOnceWhenAnyMergedInvalidationAskedForIt) {
    Recorder recorder;
    HWND hwnd = createTopLevel(recorder, WS_POPUP | WS_VISIBLE, RECT{0, 0, 200, 100});
    pumpWaitingMessages();
    recorder.clear();
    const RECT first{0, 0, 5, 5};
    const RECT second{5, 5, 9, 9};
    InvalidateRect(hwnd, &first, FALSE);
    InvalidateRect(hwnd, &second, TRUE);
    pumpWaitingMessages();
    EXPECT_EQ(recorder.count(WM_PAINT), 1u);
    EXPECT_EQ(recorder.count(WM_ERASEBKGND), 1u);
}

TEST_F(MessageOrderTest, HiddenWindowsAreNotPaintedUntilShownAndParentsPaintFirst) {
    Recorder recorder;
    HWND parent = createTopLevel(recorder, WS_POPUP, RECT{0, 0, 200, 100});
    HWND child = createChild(recorder, parent, 1, RECT{10, 10, 50, 50});
    pumpWaitingMessages();
    EXPECT_EQ(recorder.count(WM_PAINT), 0u);

    ShowWindow(parent, SW_SHOW);
    recorder.clear();
    pumpWaitingMessages();
    std::vector<HWND> paintedWindows;
    for (const auto& m : recorder.messages()) {
        if (m.message == WM_PAINT) {
            paintedWindows.push_back(m.hwnd);
        }
    }
    EXPECT_THAT(paintedWindows, ElementsAre(parent, child));
}

TEST_F(MessageOrderTest, QuitComesAfterThePostedMessagesWithItsExitCode) {
    Recorder recorder;
    HWND hwnd = createTopLevel(recorder);
    pumpWaitingMessages();
    PostQuitMessage(7);
    PostMessageW(hwnd, kNumbered, 1, 0);
    MSG msg;
    ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, kNumbered);
    EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(MessageOrderTest, TranslatedCharacterIsReadBeforeLaterMessages) {
    Recorder recorder;
    HWND hwnd = createTopLevel(recorder);
    pumpWaitingMessages();
    PostMessageW(hwnd, WM_KEYDOWN, 'A', 1);
    PostMessageW(hwnd, kNumbered, 1, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(TranslateMessage(&msg));
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_CHAR);
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(u'a'));
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, kNumbered);

    PostMessageW(hwnd, WM_KEYDOWN, VK_LEFT, 1);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(TranslateMessage(&msg)); // an arrow key stands for no character
}

TEST_F(MessageOrderTest, FiltersLeaveOtherMessagesWaitingAndAnInvalidWindowIsAnError) {
    Recorder recorder;
    HWND first = createTopLevel(recorder);
    HWND second = createTopLevel(recorder);
    pumpWaitingMessages();
    PostMessageW(first, kNumbered, 1, 0);
    PostMessageW(second, kNumbered, 2, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, second, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 2u);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, kNumbered, kNumbered, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 1u);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 1u);

    DestroyWindow(second);
    EXPECT_EQ(GetMessageW(&msg, second, 0, 0), -1);
}

} // namespace
} // namespace skyloom::winui::testing
