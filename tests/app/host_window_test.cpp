#include "app/host_window.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "app/main_loop.h"
#include "app/main_worker.h"
#include "app/process_entry.h"
#include "foundation/log_file.h"
#include "config/parameters.h"
#include "gui/gui_messages.h"
#include "platform/winui/last_error.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_state.h"
#include "platform/winui/window_class.h"
#include "tests/app/support/app_test_support.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

using ::testing::Contains;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

class HostWindowTest : public testing::AppTest {
protected:
    // A run that restarts without end would keep the test waiting: the third restart closes
    // the window.
    void endAfterTwoRestarts() {
        onApplied_ = [this](const GuiUpdate& update) {
            if (update.kind() == GuiUpdateKind::reset && ++resets_ > 2) {
                ADD_FAILURE() << "restarts without end";
                stop_.markExitWanted();
            }
        };
    }

    std::size_t resets_ = 0;

    void TearDown() override {
        gf_setProcessExitCode(0);
        gf_setProductionJob(false);
        gf_takeNotesForLog();
        AppTest::TearDown();
    }
};

constexpr const char16_t* kOtherClass = u"SkyloomAppTestOther";
constexpr winui::LRESULT kOtherAnswer = 42;
std::atomic<winui::DWORD> g_otherAnsweredOn{0};

// Another window of the GUI thread, as a dialog or a control of the main window would be.
winui::LRESULT lf_otherWindowProc(winui::HWND hwnd, winui::UINT message, winui::WPARAM wParam,
                                  winui::LPARAM lParam) {
    if (message == winui::WM_USER) {
        g_otherAnsweredOn.store(winui::GetCurrentThreadId());
        return kOtherAnswer;
    }
    return winui::DefWindowProcW(hwnd, message, wParam, lParam);
}

// The whole hand-shake on real threads: the window starts a run, the run asks for a restart,
// the window starts the second run, the user closes the window, and the program ends with
// the process exit code once the second run has cleaned up.
TEST_F(HostWindowTest, ARestartStartsASecondRunAndClosingTheWindowEndsTheProgram) {
    std::atomic<int> runs{0};
    MainRunContext run = context();
    run.cycleObserver = [&](MainLoop& loop) {
        if (loop.counters().cycles == 1) {
            ++runs;
        }
        if (loop.counters().cycles == 10) {
            if (runs.load() == 1) {
                stop_.request(StopReason::newSettings, 0);
            } else {
                winui::PostMessageW(gui_.window(), winui::WM_CLOSE, 0, 0);
            }
        }
    };
    endAfterTwoRestarts();
    MainWorker worker;
    gf_setProcessExitCode(7);
    // What the process entry could not write before the log was open.
    gf_noteForLog("entry note");
    int exitCode = 0;
    // The program starts without an open log; the fixture's stands for the program before.
    LogFile::writeImportant("the program before");
    LogFile::close();
    {
        HostWindow window(run, worker);
        const std::vector<std::string> arguments = {"skyloom", "--Production"};
        exitCode = gf_runMainWindow(window, arguments);
        // The window stays until MSG_EXIT: closing it only asked for the stop.
        EXPECT_NE(winui::IsWindow(window.window()), winui::FALSE);
    }

    EXPECT_EQ(exitCode, 7);
    EXPECT_TRUE(gf_productionJob());
    EXPECT_TRUE(fs::is_directory(roamingFolder() / "Skyloom"));
    EXPECT_EQ(runs.load(), 2);
    EXPECT_EQ(resets_, 1u);
    ASSERT_TRUE(worker.lastEnd());
    EXPECT_EQ(worker.lastEnd()->request, (StopRequest{StopReason::userClosedSim, 0}));
    EXPECT_FALSE(worker.lastEnd()->restart);
    EXPECT_THAT(statusTexts(), Contains(HasSubstr(" close window button clicked, closing "
                                                  "Skyloom ...")));
    // MSG_EXIT writes the date and time last, flushed: the program ends right after it.
    EXPECT_THAT(testing::readTextFile(workFolder() / "Log.txt"), EndsWith("Z\n"));
    // The program's start kept the log before it as Log0.txt; the restart went on in the run's
    // log, after a first line of its own.
    EXPECT_THAT(testing::readTextFile(workFolder() / "Log0.txt"),
                HasSubstr("==> the program before\n"));
    const std::string log = logText();
    EXPECT_THAT(log, Not(HasSubstr("the program before")));
    const std::size_t firstLineEnd = log.find('\n');
    const std::size_t secondStart =
        log.rfind('\n', log.find(" Skyloom version ", firstLineEnd)) + 1;
    ASSERT_GT(secondStart, firstLineEnd);
    const std::string firstRun = log.substr(0, secondStart);
    const std::string secondRun = log.substr(secondStart);
    EXPECT_THAT(firstRun, HasSubstr("==> entry note\n"));
    EXPECT_THAT(secondRun, Not(HasSubstr("entry note")));
    EXPECT_THAT(firstRun, HasSubstr("Closing down after NEW SETTINGS (3), detail 0\n"));
    EXPECT_THAT(firstRun, HasSubstr("Restart phase: reinitializing traffic state\n"));
    EXPECT_THAT(secondRun, Not(HasSubstr("NEW SETTINGS")));
    EXPECT_THAT(secondRun, HasSubstr("Closing down after USER CLOSED SIM (4), detail 0\n"));
}

// A port that nothing uses now, of a UDP or TCP socket.
std::uint16_t lf_freePort(int type) {
    const int fd = ::socket(AF_INET, type, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    std::uint16_t port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return port;
}

// The traffic source chosen in the window takes effect at the next start: its combo box is
// closed from the choice until that start, and open again from it on, so that a source that
// cannot connect can be changed back from the window.
TEST_F(HostWindowTest, AChangedTrafficSourceIsClosedUntilTheStartThatTakesIt) {
    // The second run is on the App road: its ports are free ones, not the App's own.
    const std::uint16_t traffic = lf_freePort(SOCK_DGRAM);
    std::uint16_t weather = lf_freePort(SOCK_DGRAM);
    while (weather == traffic) {
        weather = lf_freePort(SOCK_DGRAM);
    }
    const testing::EnvOverride appPorts("SKYLOOM_APP_UDP_PORTS",
                                        std::to_string(traffic) + "," + std::to_string(weather));
    const std::uint16_t server = lf_freePort(SOCK_STREAM);
    ASSERT_TRUE(traffic != 0 && weather != 0 && server != 0);

    std::atomic<int> runs{0};
    // Whether the combo box was enabled: at the start of each run, after the choice.
    std::vector<bool> enabled;
    std::mutex enabledMutex;
    const auto note = [&](winui::HWND combo) {
        const std::lock_guard lock(enabledMutex);
        enabled.push_back(winui::IsWindowEnabled(combo) != winui::FALSE);
    };
    MainRunContext run = context();
    run.cycleObserver = [&](MainLoop& loop) {
        ProgramParameters& p = gf_params();
        const winui::HWND combo = p.RT_CHOISE.window();
        if (loop.counters().cycles == 1) {
            ++runs;
            note(combo);
        }
        if (loop.counters().cycles != 10) {
            return;
        }
        if (runs.load() == 1) {
            p.PORT_NUMBER.setValue(server);
            // The user picks the other source, as the combo box's list tells the window.
            const auto index = winui::SendMessageW(
                combo, winui::CB_FINDSTRINGEXACT, static_cast<winui::WPARAM>(-1),
                reinterpret_cast<winui::LPARAM>(u"RT App"));
            winui::SendMessageW(combo, winui::CB_SETCURSEL, static_cast<winui::WPARAM>(index), 0);
            winui::SendMessageW(gui_.window(), winui::WM_COMMAND,
                                winui::MAKEWPARAM(static_cast<winui::WORD>(p.RT_CHOISE.controlId()),
                                                  winui::CBN_SELCHANGE),
                                reinterpret_cast<winui::LPARAM>(combo));
            note(combo);
        } else {
            winui::PostMessageW(gui_.window(), winui::WM_CLOSE, 0, 0);
        }
    };
    endAfterTwoRestarts();
    MainWorker worker;
    {
        HostWindow window(run, worker);
        const std::vector<std::string> arguments = {"skyloom"};
        gf_runMainWindow(window, arguments);
    }
    EXPECT_EQ(runs.load(), 2);
    EXPECT_EQ(enabled, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(gf_params().RT_CHOISE.value(), "RT App");
    EXPECT_THAT(logText(), HasSubstr("Closing down after NEW SETTINGS (3), detail 0\n"));
}

TEST_F(HostWindowTest, ADestroyedWindowEndsTheLoopAndTheRunIsStoppedAndJoined) {
    MainRunContext run = context();
    std::atomic<bool> destroyed{false};
    run.cycleObserver = [&](MainLoop& loop) {
        if (loop.counters().cycles == 10 && !destroyed.exchange(true)) {
            // A window that goes without MSG_EXIT (the system took it down).
            winui::PostMessageW(gui_.window(), winui::WM_DESTROY, 0, 0);
        }
    };
    MainWorker worker;
    gf_setProcessExitCode(7);
    HostWindow window(run, worker);
    EXPECT_EQ(window.run(), 0);
    worker.stopAndJoin();
    EXPECT_FALSE(worker.joinable());
    ASSERT_TRUE(worker.lastEnd());
    EXPECT_TRUE(worker.lastEnd()->startedUp);
}

} // namespace
} // namespace skyloom

namespace skyloom {
namespace {

// The run sends to a window of the GUI thread just when that thread, its message loop ended,
// stops and joins it: the window's end must keep answering, or both wait for ever.
TEST_F(HostWindowTest, AWindowThatGoesAnswersWhatTheRunSendsWhileItJoinsIt) {
    winui::WNDCLASSEXW otherClass;
    otherClass.cbSize = sizeof(otherClass);
    otherClass.lpfnWndProc = &lf_otherWindowProc;
    otherClass.lpszClassName = kOtherClass;
    ASSERT_NE(winui::RegisterClassExW(&otherClass), 0);
    const winui::HWND other =
        winui::CreateWindowExW(0, kOtherClass, u"other", winui::WS_CAPTION, 0, 0, 100, 100, nullptr,
                               nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    g_otherAnsweredOn.store(0);

    MainRunContext run = context();
    std::atomic<winui::LRESULT> answer{0};
    std::atomic<bool> stopSeen{false};
    run.cycleObserver = [&](MainLoop& loop) {
        if (loop.counters().cycles == 10) {
            // The system takes the window down: its loop ends and the window goes.
            winui::PostMessageW(gui_.window(), winui::WM_DESTROY, 0, 0);
            // Wait for the window's stop (bounded only so that a fault cannot hang the suite).
            for (int i = 0; i < 100000 && loop.keepRunning(); ++i) {
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            }
            stopSeen.store(!loop.keepRunning());
            answer.store(winui::SendMessageW(other, winui::WM_USER, 0, 0));
        }
    };
    MainWorker worker;
    {
        HostWindow window(run, worker);
        EXPECT_EQ(window.run(), 0);
    }
    EXPECT_FALSE(worker.joinable());
    EXPECT_TRUE(stopSeen.load());
    EXPECT_EQ(answer.load(), kOtherAnswer);
    EXPECT_EQ(g_otherAnsweredOn.load(), winui::GetCurrentThreadId());
    ASSERT_TRUE(worker.lastEnd());
    EXPECT_FALSE(worker.lastEnd()->restart);

    winui::DestroyWindow(other);
    winui::UnregisterClassW(kOtherClass, nullptr);
}

class ProcessEntryWindowTest : public HostWindowTest {
protected:
    int runMainWindow(HostWindow& window) {
        const std::vector<std::string> arguments = {"skyloom", "--production"};
        return gf_runMainWindow(window, arguments);
    }
};

TEST_F(ProcessEntryWindowTest, ARefusedWindowClassEndsTheProgramWithZeroBeforeAnythingElse) {
    // Another holder of the class name.
    winui::WNDCLASSEXW taken;
    taken.cbSize = sizeof(taken);
    taken.lpfnWndProc = &winui::DefWindowProcW;
    taken.lpszClassName = u"Skyloom";
    ASSERT_NE(winui::RegisterClassExW(&taken), 0);
    MainWorker worker;
    {
        HostWindow window(context(), worker);
        EXPECT_EQ(runMainWindow(window), 0);
        EXPECT_EQ(window.window(), nullptr);
    }
    winui::UnregisterClassW(u"Skyloom", nullptr);
    EXPECT_THAT(logText(), HasSubstr("\nFailed to register window class\n"));
    EXPECT_FALSE(fs::exists(roamingFolder() / "Skyloom"));
    EXPECT_FALSE(gf_productionJob());
    EXPECT_FALSE(worker.lastEnd());
}

TEST_F(ProcessEntryWindowTest, ASettingsFolderThatCannotBeMadeEndsTheProgramWithZero) {
    // A file where the Roaming AppData folder should be.
    testing::writeTextFile(roamingFolder(), "not a folder");
    MainWorker worker;
    {
        HostWindow window(context(), worker);
        EXPECT_EQ(runMainWindow(window), 0);
        EXPECT_EQ(window.window(), nullptr);
    }
    EXPECT_THAT(logText(), HasSubstr("\nFailed to create directory: '" +
                                     (roamingFolder() / "Skyloom").string() + "': "));
    EXPECT_FALSE(gf_productionJob());
    EXPECT_FALSE(worker.lastEnd());
    // The class went with the window object: the next start can register it again.
    HostWindow next(context(), worker);
    EXPECT_TRUE(next.registerClass());
}

TEST_F(ProcessEntryWindowTest, AWindowThatCannotBeMadeLogsInitInstanceFailedAndEndsWithZero) {
    MainWorker worker;
    {
        HostWindow window(context(), worker, [](winui::HWND) { return false; });
        EXPECT_EQ(runMainWindow(window), 0);
        EXPECT_EQ(window.window(), nullptr);
    }
    EXPECT_THAT(logText(), HasSubstr("\n==> initInstance failed\n"));
    // The window that never was leaves no quit behind for the thread's next message loop.
    winui::MSG waiting;
    const bool quitWaits =
        winui::PeekMessageW(&waiting, nullptr, 0, 0, winui::PM_REMOVE) != winui::FALSE &&
        waiting.message == winui::WM_QUIT;
    EXPECT_FALSE(quitWaits);
    EXPECT_TRUE(fs::is_directory(roamingFolder() / "Skyloom"));
    EXPECT_FALSE(gf_productionJob());
    EXPECT_FALSE(worker.lastEnd());
}

} // namespace
} // namespace skyloom
