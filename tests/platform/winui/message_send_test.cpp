// Sending across threads: the sender waits for the window's own thread, answers what is sent
// to itself meanwhile (so two threads sending to each other never deadlock), and gets the
// result or the exception of the procedure.
#include <atomic>
#include <barrier>
#include <chrono>
#include <cstdlib>
#include <future>
#include <stdexcept>
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
#include "tests/platform/winui/support/winui_test_support.h"

namespace skyloom::winui::testing {
namespace {

using ::testing::ElementsAre;

constexpr UINT kWork = WM_APP + 1;
constexpr UINT kQuit = WM_APP + 2;
constexpr UINT kBack = WM_APP + 3;

// A deadlock would hang the test binary; fail loudly instead. Never reached when it passes.
void lf_awaitOrAbort(std::future<void>& done, const char* what) {
    if (done.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
        ADD_FAILURE() << what << " did not finish: deadlock";
        std::_Exit(1);
    }
}

void lf_runLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

class MessageSendTest : public WinuiTest {};

TEST_F(MessageSendTest, SendFromWorkerReturnsOnlyAfterTheGuiThreadHandledIt) {
    Recorder recorder;
    std::mutex eventsMutex;
    std::vector<std::string> events;
    auto note = [&](std::string event) {
        std::lock_guard lock(eventsMutex);
        events.push_back(std::move(event));
    };
    const DWORD guiThread = GetCurrentThreadId();
    std::atomic<DWORD> handlerThread{0};
    std::atomic<bool> inSendDuringHandler{false};
    recorder.setHandler([&](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == kWork) {
            note("handler start");
            handlerThread = GetCurrentThreadId();
            inSendDuringHandler = InSendMessage() != FALSE;
            // Give an early-returning send every chance to be seen.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            note("handler end");
            return static_cast<LRESULT>(wParam * 2);
        }
        if (message == kQuit) {
            PostQuitMessage(0);
            return 0;
        }
        return std::nullopt;
    });
    HWND hwnd = createTopLevel(recorder);
    pumpWaitingMessages();

    LRESULT result = 0;
    std::thread worker([&] {
        result = SendMessageW(hwnd, kWork, 21, 0);
        note("send returned");
        PostMessageW(hwnd, kQuit, 0, 0);
    });
    lf_runLoop();
    worker.join();

    EXPECT_EQ(result, 42);
    EXPECT_EQ(handlerThread.load(), guiThread);
    EXPECT_TRUE(inSendDuringHandler.load());
    EXPECT_THAT(events, ElementsAre("handler start", "handler end", "send returned"));
}

TEST_F(MessageSendTest, SendOnTheOwnThreadCallsTheProcedureDirectly) {
    Recorder recorder;
    recorder.setHandler([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == kWork) {
            return InSendMessage() ? -1 : 5;
        }
        return std::nullopt;
    });
    HWND hwnd = createTopLevel(recorder);
    pumpWaitingMessages();
    // No queue is involved: even with every post failing the send goes through at once.
    setPostMessageFault(true);
    EXPECT_EQ(SendMessageW(hwnd, kWork, 0, 0), 5);
    EXPECT_EQ(recorder.count(kWork), 1u);
}

TEST_F(MessageSendTest, NoDeadlockWhenBothThreadsSendToEachOtherAtOnce) {
    Recorder guiRecorder;
    Recorder workerRecorder;
    std::barrier together(2);
    HWND workerWindow = nullptr;
    std::atomic<LRESULT> guiGot{0};
    guiRecorder.setHandler([&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == kWork) {
            // The GUI thread sends while the worker is sending to it.
            together.arrive_and_wait();
            guiGot = SendMessageW(workerWindow, kBack, 0, 0);
            PostQuitMessage(0);
            return 0;
        }
        if (message == kBack) {
            return 111;
        }
        return std::nullopt;
    });
    workerRecorder.setHandler([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        return message == kBack ? std::optional<LRESULT>(222) : std::nullopt;
    });
    HWND guiWindow = createTopLevel(guiRecorder);
    pumpWaitingMessages();

    std::promise<void> created;
    std::promise<void> finished;
    auto finishedFuture = finished.get_future();
    std::atomic<LRESULT> workerGot{0};
    std::thread worker([&] {
        workerWindow = CreateWindowExW(0, recordingClass(), u"worker", WS_POPUP, 0, 0, 10, 10,
                                       nullptr, nullptr, nullptr, &workerRecorder);
        created.set_value();
        together.arrive_and_wait();
        workerGot = SendMessageW(guiWindow, kBack, 0, 0);
        // Stay until the GUI thread's send is answered too (here or inside the send above):
        // a thread that ends answers the sends still waiting for it with 0.
        MSG msg;
        while (workerRecorder.count(kBack) == 0) {
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
            std::this_thread::yield();
        }
        finished.set_value();
    });
    created.get_future().wait();
    PostMessageW(guiWindow, kWork, 0, 0);
    lf_runLoop();
    lf_awaitOrAbort(finishedFuture, "the worker's send");
    worker.join();

    EXPECT_EQ(guiGot.load(), 222);
    EXPECT_EQ(workerGot.load(), 111);
}

TEST_F(MessageSendTest, ReceiverSendingBackToTheWaitingSenderIsAnswered) {
    Recorder guiRecorder;
    Recorder workerRecorder;
    HWND workerWindow = nullptr;
    guiRecorder.setHandler([&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == kWork) {
            // Nested: the worker is blocked sending this very message to us.
            return SendMessageW(workerWindow, kBack, 0, 0) + 1;
        }
        if (message == kQuit) {
            PostQuitMessage(0);
            return 0;
        }
        return std::nullopt;
    });
    workerRecorder.setHandler([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        return message == kBack ? std::optional<LRESULT>(40) : std::nullopt;
    });
    HWND guiWindow = createTopLevel(guiRecorder);
    pumpWaitingMessages();
    std::promise<void> finished;
    auto finishedFuture = finished.get_future();
    LRESULT result = 0;
    std::thread worker([&] {
        workerWindow = CreateWindowExW(0, recordingClass(), u"worker", WS_POPUP, 0, 0, 10, 10,
                                       nullptr, nullptr, nullptr, &workerRecorder);
        result = SendMessageW(guiWindow, kWork, 0, 0);
        PostMessageW(guiWindow, kQuit, 0, 0);
        finished.set_value();
    });
    lf_runLoop();
    lf_awaitOrAbort(finishedFuture, "the nested send");
    worker.join();
    EXPECT_EQ(result, 41);
}

TEST_F(MessageSendTest, ExceptionOfTheReceiverReachesTheSender) {
    Recorder recorder;
    recorder.setHandler([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == kWork) {
            throw std::runtime_error("handler failed");
        }
        if (message == kQuit) {
            PostQuitMessage(0);
            return 0;
        }
        return std::nullopt;
    });
    HWND hwnd = createTopLevel(recorder);
    pumpWaitingMessages();
    std::string caught;
    std::thread worker([&] {
        try {
            SendMessageW(hwnd, kWork, 0, 0);
        } catch (const std::runtime_error& error) {
            caught = error.what();
        }
        PostMessageW(hwnd, kQuit, 0, 0);
    });
    lf_runLoop();
    worker.join();
    EXPECT_EQ(caught, "handler failed");
}

TEST_F(MessageSendTest, SendToAGoneWindowReturnsZeroAndFails) {
    Recorder recorder;
    recorder.setHandler([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        return message == kWork ? std::optional<LRESULT>(9) : std::nullopt;
    });
    HWND hwnd = createTopLevel(recorder);
    ASSERT_EQ(SendMessageW(hwnd, kWork, 0, 0), 9);
    DestroyWindow(hwnd);
    SetLastError(0);
    EXPECT_EQ(SendMessageW(hwnd, kWork, 0, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(PostMessageW(hwnd, kWork, 0, 0));
}

TEST_F(MessageSendTest, WindowsOfAnEndedThreadAreGoneAndSendsToThemReturnAtOnce) {
    Recorder recorder;
    HWND orphan = nullptr;
    std::thread([&] {
        orphan = CreateWindowExW(0, recordingClass(), u"short-lived", WS_POPUP, 0, 0, 10, 10,
                                 nullptr, nullptr, nullptr, &recorder);
    }).join();
    ASSERT_NE(orphan, nullptr);
    EXPECT_FALSE(IsWindow(orphan));
    EXPECT_EQ(SendMessageW(orphan, kWork, 0, 0), 0);
}

} // namespace
} // namespace skyloom::winui::testing
