// Window classes, creation and destruction, stale handles, subclass chains, the window
// longs, texts and the walk through children.
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/winui/last_error.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_class.h"
#include "platform/winui/window_geometry.h"
#include "platform/winui/window_state.h"
#include "tests/platform/winui/support/winui_test_support.h"

namespace skyloom::winui::testing {
namespace {

using ::testing::ElementsAre;

constexpr UINT kPing = WM_APP + 20;

class WindowTest : public WinuiTest {};

TEST_F(WindowTest, CreationSendsItsMessagesInOrderWithTheCreateParameters) {
    Recorder recorder;
    const char16_t* seenName = nullptr;
    recorder.setHandler([&](HWND, UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (message == WM_CREATE) {
            seenName = reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpszName;
        }
        return std::nullopt;
    });
    HWND hwnd = createTopLevel(recorder, WS_POPUP | WS_VISIBLE, RECT{10, 20, 110, 70});
    ASSERT_NE(hwnd, nullptr);
    EXPECT_THAT(recorder.messagesAmong({WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}),
                ElementsAre(WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW));
    EXPECT_EQ(std::u16string(seenName), u"test");
    char16_t text[16];
    EXPECT_EQ(GetWindowTextW(hwnd, text, 16), 4);
    EXPECT_EQ(std::u16string(text), u"test");
}

TEST_F(WindowTest, CreateRefusedByTheProcedureLeavesNoWindow) {
    Recorder recorder;
    HWND created = nullptr;
    recorder.setHandler([&](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == WM_CREATE) {
            created = hwnd;
            return -1;
        }
        return std::nullopt;
    });
    EXPECT_EQ(createTopLevel(recorder), nullptr);
    ASSERT_NE(created, nullptr);
    EXPECT_FALSE(IsWindow(created));
    EXPECT_EQ(recorder.count(WM_DESTROY), 1u);
    EXPECT_EQ(recorder.count(WM_NCDESTROY), 1u);
}

TEST_F(WindowTest, ClassesAreFoundWithoutRegardToCaseAndRegisteredOnce) {
    const char16_t* name = recordingClass();
    std::u16string lower(name);
    for (auto& c : lower) {
        c = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
    }
    WNDCLASSEXW again;
    again.cbSize = sizeof again;
    again.lpfnWndProc = &recordingProc;
    again.lpszClassName = lower.c_str();
    SetLastError(0);
    EXPECT_EQ(RegisterClassExW(&again), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);

    Recorder recorder;
    HWND hwnd = CreateWindowExW(0, lower.c_str(), u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, &recorder);
    ASSERT_NE(hwnd, nullptr);
    SetLastError(0);
    EXPECT_FALSE(UnregisterClassW(name, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
    DestroyWindow(hwnd);

    SetLastError(0);
    EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
    WNDCLASSEXW bad;
    bad.cbSize = sizeof bad - 1;
    bad.lpfnWndProc = &recordingProc;
    bad.lpszClassName = u"Bad";
    EXPECT_EQ(RegisterClassExW(&bad), 0);
}

TEST_F(WindowTest, AChildNeedsAParent) {
    SetLastError(0);
    EXPECT_EQ(CreateWindowExW(0, recordingClass(), u"", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), ERROR_TLW_WITH_WSCHILD);
}

TEST_F(WindowTest, DestroyReachesParentsFirstThenFreesChildrenFirst) {
    Recorder recorder;
    HWND parent = createTopLevel(recorder);
    HWND child = createChild(recorder, parent, 1, RECT{0, 0, 10, 10});
    HWND grandchild = createChild(recorder, child, 2, RECT{0, 0, 5, 5});
    recorder.clear();
    ASSERT_TRUE(DestroyWindow(parent));
    std::vector<std::pair<UINT, HWND>> order;
    for (const auto& m : recorder.messages()) {
        if (m.message == WM_DESTROY || m.message == WM_NCDESTROY) {
            order.emplace_back(m.message, m.hwnd);
        }
    }
    EXPECT_THAT(order,
                ElementsAre(std::pair{WM_DESTROY, parent}, std::pair{WM_DESTROY, child},
                            std::pair{WM_DESTROY, grandchild}, std::pair{WM_NCDESTROY, grandchild},
                            std::pair{WM_NCDESTROY, child}, std::pair{WM_NCDESTROY, parent}));
    for (HWND gone : {parent, child, grandchild}) {
        EXPECT_FALSE(IsWindow(gone));
    }
}

TEST_F(WindowTest, AStaleHandleIsNoWindowAndEveryCallFails) {
    Recorder recorder;
    HWND parent = createTopLevel(recorder);
    createChild(recorder, parent, 5, RECT{0, 0, 10, 10});
    DestroyWindow(parent);
    RECT rect;
    SetLastError(0);
    EXPECT_FALSE(GetWindowRect(parent, &rect));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(SetWindowTextW(parent, u"x"));
    EXPECT_EQ(GetDlgItem(parent, 5), nullptr);
    EXPECT_FALSE(EnableWindow(parent, FALSE));
    EXPECT_EQ(GetWindowLongPtrW(parent, GWLP_USERDATA), 0);
    EXPECT_FALSE(DestroyWindow(parent));
}

TEST_F(WindowTest, OnlyTheCreatingThreadMayDestroyAWindow) {
    Recorder recorder;
    HWND hwnd = createTopLevel(recorder);
    BOOL destroyed = TRUE;
    DWORD error = 0;
    std::thread([&] {
        destroyed = DestroyWindow(hwnd);
        error = GetLastError();
    }).join();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(error, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(IsWindow(hwnd));
}

// A subclass chain: each procedure notes the message and forwards to the one it replaced.
std::vector<std::string> g_trace;
WNDPROC g_beforeFirst = nullptr;
WNDPROC g_beforeSecond = nullptr;

LRESULT lf_firstSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kPing) {
        g_trace.push_back("first");
    }
    return CallWindowProcW(g_beforeFirst, hwnd, message, wParam, lParam);
}

LRESULT lf_secondSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kPing) {
        g_trace.push_back("second");
        if (wParam == 13) {
            return 99; // swallowed: the older procedures never see it
        }
    }
    return CallWindowProcW(g_beforeSecond, hwnd, message, wParam, lParam);
}

TEST_F(WindowTest, ASubclassChainSeesAndForwardsMessages) {
    Recorder recorder;
    recorder.setHandler([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == kPing) {
            g_trace.push_back("original");
            return 7;
        }
        return std::nullopt;
    });
    HWND hwnd = createTopLevel(recorder);
    g_trace.clear();
    g_beforeFirst = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&lf_firstSubclass)));
    g_beforeSecond = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&lf_secondSubclass)));
    EXPECT_EQ(g_beforeFirst, &recordingProc);
    EXPECT_EQ(g_beforeSecond, &lf_firstSubclass);
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_WNDPROC),
              reinterpret_cast<LONG_PTR>(&lf_secondSubclass));

    EXPECT_EQ(SendMessageW(hwnd, kPing, 0, 0), 7);
    EXPECT_THAT(g_trace, ElementsAre("second", "first", "original"));

    g_trace.clear();
    EXPECT_EQ(SendMessageW(hwnd, kPing, 13, 0), 99);
    EXPECT_THAT(g_trace, ElementsAre("second"));

    // Posted messages go through the chain as well.
    g_trace.clear();
    PostMessageW(hwnd, kPing, 0, 0);
    pumpWaitingMessages();
    EXPECT_THAT(g_trace, ElementsAre("second", "first", "original"));
}

TEST_F(WindowTest, ChildrenAreFoundByIdAndWalkedInCreationOrder) {
    Recorder recorder;
    HWND parent = createTopLevel(recorder);
    HWND a = createChild(recorder, parent, 10, RECT{0, 0, 10, 10});
    HWND a1 = createChild(recorder, a, 11, RECT{0, 0, 5, 5});
    HWND b = createChild(recorder, parent, 20, RECT{20, 0, 30, 10});
    HWND c = createChild(recorder, parent, 30, RECT{40, 0, 50, 10});

    EXPECT_EQ(GetDlgItem(parent, 20), b);
    EXPECT_EQ(GetDlgItem(parent, 11), nullptr); // grandchildren are not direct children
    EXPECT_EQ(GetDlgCtrlID(c), 30);
    EXPECT_EQ(GetParent(a1), a);
    EXPECT_TRUE(IsChild(parent, a1));
    EXPECT_FALSE(IsChild(b, a1));

    EXPECT_EQ(GetWindow(parent, GW_CHILD), a);
    EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
    EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), c);
    EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(GetWindow(c, GW_HWNDPREV), b);

    std::vector<HWND> visited;
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM out) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(out)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&visited));
    EXPECT_THAT(visited, ElementsAre(a, a1, b, c));

    visited.clear();
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM out) -> BOOL {
            auto* list = reinterpret_cast<std::vector<HWND>*>(out);
            list->push_back(hwnd);
            return list->size() < 2 ? TRUE : FALSE;
        },
        reinterpret_cast<LPARAM>(&visited));
    EXPECT_THAT(visited, ElementsAre(a, a1));
}

TEST_F(WindowTest, WindowLongsHoldUserDataIdStylesAndExtraBytes) {
    WNDCLASSEXW windowClass;
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &DefWindowProcW;
    windowClass.cbWndExtra = 2 * sizeof(LONG_PTR);
    windowClass.lpszClassName = u"WindowTestExtraBytes";
    ASSERT_NE(RegisterClassExW(&windowClass), 0);
    HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, u"WindowTestExtraBytes", u"", WS_POPUP, 0, 0, 10,
                                10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);

    EXPECT_EQ(SetWindowLongPtrW(hwnd, GWLP_USERDATA, 1234), 0);
    EXPECT_EQ(SetWindowLongPtrW(hwnd, GWLP_USERDATA, 5678), 1234);
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_USERDATA), 5678);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)) & WS_POPUP, WS_POPUP);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)), WS_EX_TOOLWINDOW);

    SetWindowLongPtrW(hwnd, sizeof(LONG_PTR), -77);
    EXPECT_EQ(GetWindowLongPtrW(hwnd, sizeof(LONG_PTR)), -77);
    EXPECT_EQ(GetWindowLongPtrW(hwnd, 0), 0);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrW(hwnd, 2 * sizeof(LONG_PTR)), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);
    DestroyWindow(hwnd);
    EXPECT_TRUE(UnregisterClassW(u"WindowTestExtraBytes", nullptr));
}

TEST_F(WindowTest, TextIsCutToTheBufferAndCountedWithoutTheZero) {
    Recorder recorder;
    HWND hwnd = createTopLevel(recorder);
    ASSERT_TRUE(SetWindowTextW(hwnd, u"Skyloom"));
    EXPECT_EQ(GetWindowTextLengthW(hwnd), 7);
    char16_t buffer[4] = {u'x', u'x', u'x', u'x'};
    EXPECT_EQ(GetWindowTextW(hwnd, buffer, 4), 3);
    EXPECT_EQ(std::u16string(buffer), u"Sky");
    EXPECT_EQ(GetWindowTextW(hwnd, buffer, 0), 0);
    ASSERT_TRUE(SetWindowTextW(hwnd, nullptr));
    EXPECT_EQ(GetWindowTextLengthW(hwnd), 0);
}

TEST_F(WindowTest, EnableStateChangesSendWmEnableOnlyOnAChange) {
    Recorder recorder;
    HWND hwnd = createTopLevel(recorder);
    recorder.clear();
    EXPECT_FALSE(EnableWindow(hwnd, FALSE)); // was enabled
    EXPECT_FALSE(IsWindowEnabled(hwnd));
    EXPECT_TRUE(EnableWindow(hwnd, FALSE)); // was disabled already
    EXPECT_TRUE(EnableWindow(hwnd, TRUE));
    EXPECT_TRUE(IsWindowEnabled(hwnd));
    EXPECT_EQ(recorder.count(WM_ENABLE), 2u);
}

} // namespace
} // namespace skyloom::winui::testing
