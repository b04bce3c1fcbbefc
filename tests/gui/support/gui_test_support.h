// Helpers for the main-window tests: a fixture with a manual clock, a log in a temporary
// folder and the headless window system; a test main window whose procedure drains the
// update queue, counts paints and stops updates when it is destroyed; and printers that make
// failed comparisons of window state readable.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/manual_clock.h"
#include "gui/gui.h"
#include "gui/gui_state.h"
#include "platform/winui/headless/headless_backend.h"
#include "platform/winui/win_types.h"
#include "runtime/gui_redraw_flags.h"
#include "runtime/gui_update.h"
#include "tests/support/temp_dir.h"

namespace skyloom {

void PrintTo(const GuiRedrawFlags& flags, std::ostream* os);
void PrintTo(const GuiState& state, std::ostream* os);
void PrintTo(const GuiUpdate& update, std::ostream* os);

namespace testing {

// What the test window's procedure saw.
struct TestWindowJournal {
    std::size_t guiUpdateMessages = 0;  // MSG_GUI_UPDATE handled
    std::vector<GuiRedrawFlags> drains; // what each drain returned
    std::size_t paints = 0;
    std::vector<winui::RECT> paintRects; // rcPaint of each WM_PAINT
    std::size_t destroys = 0;
};

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the calling thread the GUI thread and creates the main window of `gui` (expanded
    // size, at the system DPI) as the window start-up does, short of posting what was queued
    // before. The window's procedure hands MSG_GUI_UPDATE to gui.drainUpdateQueue() and
    // WM_DESTROY to gui.stopUpdates().
    winui::HWND createMainWindow(Gui& gui);
    // A child window of `parent` (for option windows).
    winui::HWND createChild(winui::HWND parent, int id);

    // Handles every message waiting for this thread, paints included.
    std::size_t pump();

    // The lines of Log.txt after the first (the header line), flushed first.
    std::vector<std::string> logLines() const;

    ManualClock clock_;
    TempDir dir_;
    std::shared_ptr<winui::headless::HeadlessBackend> backend_;
    TestWindowJournal journal_;

private:
    std::vector<winui::HWND> windows_;
    std::u16string className_;
};

// Wall-clock-free wait for worker threads: runs `work` on `threads` threads started at once
// and joins them.
void runOnThreads(std::size_t threads, const std::function<void(std::size_t)>& work);

} // namespace testing
} // namespace skyloom
