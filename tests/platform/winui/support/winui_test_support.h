// Helpers for the window-system tests: a fixture that installs the headless backend and
// restores the layer's process-wide settings (monitors, system DPI, post limits) around each
// test, a window class per test, and a window procedure that writes down every message and
// lets the test choose answers.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/winui/headless/headless_backend.h"
#include "platform/winui/styles.h"
#include "platform/winui/win_types.h"

namespace skyloom::winui::testing {

struct RecordedMessage {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD threadId = 0;
};

// The state behind recordingProc: messages seen, and an optional handler that answers some
// of them (no value: the default procedure answers).
class Recorder {
public:
    using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

    void setHandler(Handler handler);
    std::optional<LRESULT> handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    std::vector<RecordedMessage> messages() const;
    // The numbers of the messages seen that are among `wanted`, in order.
    std::vector<UINT> messagesAmong(const std::vector<UINT>& wanted) const;
    std::size_t count(UINT message) const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<RecordedMessage> messages_;
    Handler handler_;
};

// A window procedure that records into the Recorder passed as the creation parameter.
LRESULT recordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

class WinuiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A class registered for this test only, whose procedure is recordingProc.
    const char16_t* recordingClass();
    // A top-level window of the recording class (destroyed at the end of the test).
    HWND createTopLevel(Recorder& recorder, DWORD style = WS_VISIBLE | WS_OVERLAPPEDWINDOW,
                        RECT rect = RECT{100, 100, 500, 400});
    HWND createChild(Recorder& recorder, HWND parent, int id, RECT rect);

    std::shared_ptr<headless::HeadlessBackend> backend_;

private:
    std::u16string className_;
    std::vector<HWND> windows_;
};

} // namespace skyloom::winui::testing
