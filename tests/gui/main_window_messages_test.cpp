// The main window's hand-shake with the program's runs and its other messages: MSG_START,
// MSG_EXIT with the saved position, the close button, the system taking the window down, the
// simulator switch, updates queued before the window existed, and the colours it gives the
// static and edit controls.
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/option_parameters.h"
#include "config/startup_choices.h"
#include "foundation/log_file.h"
#include "gui/gui_messages.h"
#include "platform/winui/gdi.h"
#include "platform/winui/gdi_objects.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/recording_dc.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "tests/gui/support/main_window_fixture.h"

namespace skyloom::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::MatchesRegex;
using U = GuiUpdate;

// The exit code of a WM_QUIT that waits for this thread, or -1 when none waits.
int lf_quitCode() {
    winui::MSG message;
    while (winui::PeekMessageW(&message, nullptr, 0, 0, winui::PM_REMOVE) != winui::FALSE) {
        if (message.message == winui::WM_QUIT) {
            return static_cast<int>(message.wParam);
        }
    }
    return -1;
}

TEST_F(MainWindowTest, StartJoinsTheEndedRunOpensTheLogAfreshAndStartsTheNext) {
    const winui::HWND window = open([](winui::HWND) { return true; });
    ASSERT_NE(window, nullptr);
    // What the program before this one wrote.
    LogFile::writeImportant("the program before");
    LogFile::close();
    winui::PostMessageW(window, MSG_START, 0, 0);
    pump();
    EXPECT_EQ(run_.joins, 1);
    EXPECT_EQ(run_.starts, 1);
    // That log is now Log0.txt; Log.txt begins again.
    EXPECT_TRUE(std::filesystem::exists(dir_ / "Log0.txt"));
    EXPECT_TRUE(logLines().empty());

    // A restart goes on in the same log.
    LogFile::writeImportant("the first run ends");
    winui::PostMessageW(window, MSG_START, 0, 0);
    pump();
    EXPECT_EQ(run_.joins, 2);
    EXPECT_EQ(run_.starts, 2);
    const std::vector<std::string> lines = logLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "==> the first run ends");
    EXPECT_THAT(lines[1], MatchesRegex(".* Skyloom version .* for .*"));
}

TEST_F(MainWindowTest, ExitSavesThePositionWritesTheTimeAndQuitsWithTheRunsExitCode) {
    const winui::HWND window = open([](winui::HWND) { return true; });
    ASSERT_NE(window, nullptr);
    winui::SetWindowPos(window, nullptr, 123, 45, 0, 0, winui::SWP_NOSIZE | winui::SWP_NOZORDER);
    run_.code = 7;
    winui::PostMessageW(window, MSG_EXIT, 0, 0);
    winui::MSG message;
    ASSERT_NE(winui::GetMessageW(&message, nullptr, 0, 0), 0);
    winui::DispatchMessageW(&message);

    EXPECT_EQ(run_.joins, 1);
    EXPECT_EQ(savedValue("MAIN_WINDOW_X"), "123");
    EXPECT_EQ(savedValue("MAIN_WINDOW_Y"), "45");
    EXPECT_EQ(lf_quitCode(), 7);
    const std::vector<std::string> lines = logLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_THAT(lines.back(), EndsWith("Z"));
    // The window stays, but takes no more updates.
    EXPECT_NE(winui::IsWindow(window), winui::FALSE);
    gui_.enqueueUpdate(U::StatusText{"too late", false});
    EXPECT_EQ(gui_.state().statusLine, "");
}

TEST_F(MainWindowTest, AMaximisedWindowSavesItsRestoredPositionAtExit) {
    const winui::HWND window = open([](winui::HWND) { return true; });
    ASSERT_NE(window, nullptr);
    winui::SetWindowPos(window, nullptr, 300, 200, 0, 0, winui::SWP_NOSIZE | winui::SWP_NOZORDER);
    winui::ShowWindow(window, winui::SW_MAXIMIZE);
    winui::PostMessageW(window, MSG_EXIT, 0, 0);
    pump();
    EXPECT_EQ(savedValue("MAIN_WINDOW_X"), "300");
    EXPECT_EQ(savedValue("MAIN_WINDOW_Y"), "200");
    EXPECT_EQ(lf_quitCode(), 0);
}

TEST_F(MainWindowTest, ClosingOnlyAsksTheRunToStopAndSaysSo) {
    const winui::HWND window = open([](winui::HWND) { return true; });
    ASSERT_NE(window, nullptr);
    winui::PostMessageW(window, winui::WM_CLOSE, 0, 0);
    pump();
    EXPECT_NE(winui::IsWindow(window), winui::FALSE);
    EXPECT_EQ(run_.userCloses, 1);
    EXPECT_THAT(gui_.state().statusLine,
                MatchesRegex("[0-9]{2}:[0-9]{2}:[0-9]{2} close window button clicked, closing "
                             "Skyloom \\.\\.\\."));
    EXPECT_EQ(lf_quitCode(), -1);
}

TEST_F(MainWindowTest, AWindowTheSystemTakesDownStopsUpdatesAndQuitsWithZero) {
    const winui::HWND window = open([](winui::HWND) { return true; });
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(gf_mainWindow(), window);
    winui::DestroyWindow(window);
    EXPECT_EQ(gf_mainWindow(), nullptr);
    std::thread([this] { gui_.showStatusText("from a worker", false); }).join();
    EXPECT_EQ(gui_.queuedUpdateCount(), 0u);
    EXPECT_EQ(lf_quitCode(), 0);
}

TEST_F(MainWindowTest, AWindowWhoseControlsCannotBeMadeIsNotMadeAndLeavesNoQuit) {
    EXPECT_EQ(open([](winui::HWND) { return false; }), nullptr);
    EXPECT_EQ(gf_mainWindow(), nullptr);
    EXPECT_EQ(lf_quitCode(), -1);
}

TEST_F(MainWindowTest, TheSimulatorSwitchChoosesTheOtherSimulatorAndAsksForARestart) {
    const winui::HWND window = open();
    ASSERT_NE(window, nullptr);
    const std::string other(gf_isMsfs2020() ? kSimChoiceMsfs2024Text : kSimChoiceMsfs2020Text);
    winui::PostMessageW(window, MSG_SWITCH_SIM, 0, 0);
    pump();
    EXPECT_EQ(parameters_.SIM_CHOICE.value(), other);
    EXPECT_EQ(savedValue("SIM_CHOICE"), other);
    EXPECT_EQ(winui::SendMessageW(parameters_.SIM_CHOICE.window(), winui::CB_GETCURSEL, 0, 0),
              static_cast<winui::LRESULT>(*parameters_.SIM_CHOICE.indexOf(other)));
    EXPECT_EQ(gui_.state().statusLine, "Switching MSFS version in Skyloom");
    EXPECT_THAT(logLines(), Contains("Switching MSFS version in Skyloom"));
    EXPECT_THAT(run_.newSettingsCountdowns, ElementsAre(0));

    // The run's own simulator decides the other one: a second switch in the same run keeps it.
    winui::PostMessageW(window, MSG_SWITCH_SIM, 0, 0);
    pump();
    EXPECT_EQ(parameters_.SIM_CHOICE.value(), other);
    EXPECT_THAT(run_.newSettingsCountdowns, ElementsAre(0, 0));
}

TEST_F(MainWindowTest, UpdatesSentBeforeTheWindowExistedAreShownOnceItDoes) {
    std::thread([this] {
        gui_.setSimaddonCount(5);
        gui_.showStatusText("scan done", false);
    }).join();
    EXPECT_EQ(gui_.queuedUpdateCount(), 2u);
    ASSERT_NE(open([](winui::HWND) { return true; }), nullptr);
    EXPECT_EQ(gui_.queuedUpdateCount(), 0u);
    EXPECT_EQ(gui_.state().simaddonCount, 5u);
    EXPECT_EQ(gui_.state().statusLine, "scan done");
}

TEST_F(MainWindowTest, StaticAndEditControlsAreGivenTheOptionsAreasBlueBehindTheirText) {
    const winui::HWND window = open([](winui::HWND) { return true; });
    ASSERT_NE(window, nullptr);
    auto log = std::make_shared<winui::RecordingLog>();
    const winui::HDC dc = winui::createRecordingDc(log, winui::SIZE{10, 10});
    for (const winui::UINT message : {winui::WM_CTLCOLORSTATIC, winui::WM_CTLCOLOREDIT}) {
        winui::SetBkMode(dc, winui::TRANSPARENT);
        const winui::LRESULT brush =
            winui::SendMessageW(window, message, reinterpret_cast<winui::WPARAM>(dc), 0);
        EXPECT_EQ(reinterpret_cast<winui::HGDIOBJ>(brush), winui::GetStockObject(winui::DC_BRUSH));
        EXPECT_EQ(winui::GetBkMode(dc), winui::OPAQUE);
        EXPECT_EQ(winui::GetBkColor(dc), static_cast<winui::COLORREF>(0xFFCC99));
    }
    winui::DeleteDC(dc);
}

} // namespace
} // namespace skyloom::testing
