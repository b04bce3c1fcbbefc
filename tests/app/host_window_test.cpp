#include "app/host_window.h"

#include <atomic>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/main_loop.h"
#include "app/main_worker.h"
#include "app/process_entry.h"
#include "gui/gui_messages.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/window.h"
#include "tests/app/support/app_test_support.h"

namespace skyloom {
namespace {

using ::testing::Contains;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

class HostWindowTest : public testing::AppTest {
protected:
    void TearDown() override {
        gf_setProcessExitCode(0);
        AppTest::TearDown();
    }
};

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
    // A run that restarts without end would keep this test waiting: the third restart
    // closes the window.
    std::size_t resets = 0;
    onApplied_ = [&](const GuiUpdate& update) {
        if (update.kind() == GuiUpdateKind::reset && ++resets > 2) {
            ADD_FAILURE() << "restarts without end";
            stop_.markExitWanted();
        }
    };
    MainWorker worker;
    gf_setProcessExitCode(7);
    int exitCode = 0;
    {
        HostWindow window(run, worker);
        exitCode = window.run();
        // The window stays until MSG_EXIT: closing it only asked for the stop.
        EXPECT_NE(winui::IsWindow(window.window()), winui::FALSE);
    }

    EXPECT_EQ(exitCode, 7);
    EXPECT_EQ(runs.load(), 2);
    EXPECT_EQ(resets, 1u);
    ASSERT_TRUE(worker.lastEnd());
    EXPECT_EQ(worker.lastEnd()->request, (StopRequest{StopReason::userClosedSim, 0}));
    EXPECT_FALSE(worker.lastEnd()->restart);
    EXPECT_THAT(statusTexts(), Contains(HasSubstr(" close window button clicked, closing "
                                                  "Skyloom ...")));
    // Each start opened the log afresh: the first run's log is kept as Log0.txt.
    const std::string firstRun = testing::readTextFile(workFolder() / "Log0.txt");
    const std::string secondRun = logText();
    EXPECT_THAT(firstRun, HasSubstr("Closing down after NEW SETTINGS (3), detail 0\n"));
    EXPECT_THAT(firstRun, HasSubstr("Restart phase: reinitializing traffic state\n"));
    EXPECT_THAT(secondRun, Not(HasSubstr("NEW SETTINGS")));
    EXPECT_THAT(secondRun, HasSubstr("Closing down after USER CLOSED SIM (4), detail 0\n"));
    // MSG_EXIT writes the date and time last.
    EXPECT_THAT(secondRun, EndsWith("Z\n"));
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
