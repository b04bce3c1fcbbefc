#include "tests/platform/winui/support/winui_test_support.h"

#include <algorithm>
#include <atomic>

#include "platform/winui/dpi.h"
#include "platform/winui/last_error.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/monitors.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_class.h"

namespace skyloom::winui::testing {

void Recorder::setHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

std::optional<LRESULT> Recorder::handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(RecordedMessage{hwnd, message, wParam, lParam, GetCurrentThreadId()});
        handler = handler_;
    }
    return handler ? handler(hwnd, message, wParam, lParam) : std::nullopt;
}

std::vector<RecordedMessage> Recorder::messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<UINT> Recorder::messagesAmong(const std::vector<UINT>& wanted) const {
    std::vector<UINT> result;
    for (const auto& m : messages()) {
        if (std::find(wanted.begin(), wanted.end(), m.message) != wanted.end()) {
            result.push_back(m.message);
        }
    }
    return result;
}

std::size_t Recorder::count(UINT message) const {
    const auto all = messages();
    return static_cast<std::size_t>(std::count_if(
        all.begin(), all.end(), [&](const RecordedMessage& m) { return m.message == message; }));
}

void Recorder::clear() {
    std::lock_guard lock(mutex_);
    messages_.clear();
}

LRESULT recordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* recorder = reinterpret_cast<Recorder*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (recorder != nullptr) {
        if (auto answer = recorder->handle(hwnd, message, wParam, lParam)) {
            return *answer;
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void WinuiTest::SetUp() {
    backend_ = headless::installHeadlessBackend();
    setMonitors({});
    setSystemDpi(96);
    setPostMessageLimit(10000);
    setPostMessageFault(false);
}

void WinuiTest::TearDown() {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
        if (!IsWindow(*it)) {
            continue;
        }
        // The recorders of the test body are gone by now: let the windows go unrecorded.
        SetWindowLongPtrW(*it, GWLP_USERDATA, 0);
        EnumChildWindows(
            *it,
            [](HWND child, LPARAM) -> BOOL {
                if (GetWindowLongPtrW(child, GWLP_WNDPROC) ==
                    reinterpret_cast<LONG_PTR>(&recordingProc)) {
                    SetWindowLongPtrW(child, GWLP_USERDATA, 0);
                }
                return TRUE;
            },
            0);
        DestroyWindow(*it);
    }
    // Leave nothing for the next test: drain this thread's queue, a quit request included.
    pumpWaitingMessages();
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    if (!className_.empty()) {
        UnregisterClassW(className_.c_str(), nullptr);
    }
    setMonitors({});
    setSystemDpi(96);
    setPostMessageLimit(10000);
    setPostMessageFault(false);
    setBackend(nullptr);
}

const char16_t* WinuiTest::recordingClass() {
    if (className_.empty()) {
        static std::atomic<int> counter{0};
        const std::string name = "WinuiTestClass" + std::to_string(counter++);
        className_.assign(name.begin(), name.end());
        WNDCLASSEXW windowClass;
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &recordingProc;
        windowClass.hbrBackground = static_cast<HBRUSH>(nullptr);
        windowClass.lpszClassName = className_.c_str();
        EXPECT_NE(RegisterClassExW(&windowClass), 0);
    }
    return className_.c_str();
}

HWND WinuiTest::createTopLevel(Recorder& recorder, DWORD style, RECT rect) {
    HWND hwnd = CreateWindowExW(0, recordingClass(), u"test", style, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                nullptr, &recorder);
    windows_.push_back(hwnd);
    return hwnd;
}

HWND WinuiTest::createChild(Recorder& recorder, HWND parent, int id, RECT rect) {
    HWND hwnd =
        CreateWindowExW(0, recordingClass(), u"child", WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                        rect.right - rect.left, rect.bottom - rect.top, parent,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, &recorder);
    return hwnd;
}

} // namespace skyloom::winui::testing
