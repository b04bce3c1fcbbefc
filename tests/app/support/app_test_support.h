// Helpers for the application-core tests: a fixture that gives each test a program folder
// with "docs" and the data sets "dbase" and "airports" in "input", AppData roots and a
// simulator installation in a temporary folder, a manual
// clock installed as the program's clock, its own window (`Gui`), stop request and window
// requests, a window on the test thread that records what the worker posts to it, and
// readers of what the window was sent and what the log holds.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "app/main_loop.h"
#include "app/main_run_context.h"
#include "app/window_requests.h"
#include "foundation/manual_clock.h"
#include "gui/gui.h"
#include "platform/winui/headless/headless_backend.h"
#include "platform/winui/win_types.h"
#include "runtime/gui_update.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "sim/user_aircraft_stand.h"
#include "tests/support/temp_dir.h"
#include "tools/rtapi_standin/rtapi_standin.h"

namespace skyloom::testing {

// Sets (or, given no value, removes) an environment variable and restores it afterwards.
class EnvOverride {
public:
    EnvOverride(const char* name, const std::optional<std::filesystem::path>& value);
    ~EnvOverride();
    EnvOverride(const EnvOverride&) = delete;
    EnvOverride& operator=(const EnvOverride&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// The folders of the program started as a child process, all below `dir` and handed over
// through the environment: the runtime folder (the instance lock, made here), the working
// folder (made here, without "docs") and the two AppData roots.
class ProgramFolders {
public:
    explicit ProgramFolders(const std::filesystem::path& dir);

private:
    EnvOverride runtime_;
    EnvOverride work_;
    EnvOverride roaming_;
    EnvOverride local_;
};

class AppTest : public ::testing::Test {
protected:
    AppTest();
    void SetUp() override;
    void TearDown() override;

    // The context of a run with this test's clock, window, stop request and requests.
    MainRunContext context();

    // Makes the test thread the GUI thread of `gui_` and gives it a window that records
    // the messages it receives (MSG_GUI_UPDATE is drained).
    void createRecordingWindow();
    // Handles the messages waiting for the test thread; returns the private messages
    // (MSG_START, MSG_EXIT) among them, in order.
    std::vector<winui::UINT> pumpPosted();
    // Whether the window, painted now into a recording device context, draws `text` (a whole
    // text of one drawing call). Makes the recording window first when there is none.
    bool windowPaints(std::string_view text);

    // The updates the window applied, in order.
    std::vector<GuiUpdate> appliedUpdates() const { return applied_; }
    // The texts of the applied status-text updates.
    std::vector<std::string> statusTexts() const;
    std::size_t appliedCount(GuiUpdateKind kind) const;

    // The log's text (flushed first).
    std::string logText() const;

    // The folders the run uses.
    std::filesystem::path workFolder() const { return dir_ / "work"; }
    std::filesystem::path roamingFolder() const { return dir_ / "roaming"; }
    std::filesystem::path packagesRoot() const { return dir_ / "msfs"; }
    std::filesystem::path inputFolder() const { return workFolder() / "input"; }
    std::filesystem::path parametersFile() const;

    // Called with each update after it was recorded (on the GUI thread).
    std::function<void(const GuiUpdate&)> onApplied_;

    ManualClock clock_;
    TempDir dir_;
    Gui gui_;
    StopControl stop_;
    WindowRequests requests_;
    UserAircraft user_;
    NoUserStands stands_;
    std::shared_ptr<winui::headless::HeadlessBackend> backend_;

private:
    EnvOverride workDir_;
    EnvOverride roaming_;
    EnvOverride local_;
    EnvOverride runtime_;
    // The RealTraffic web API of the default road (RT Direct): a stand-in that knows the
    // licence the test's RealTraffic.lic holds.
    tools::RtApiStandIn rtApi_{std::filesystem::path(), &clock_};
    EnvOverride rtApiUrl_{"SKYLOOM_RTAPI_URL", rtApi_.baseUrl()};
    std::vector<GuiUpdate> applied_;
    std::vector<winui::UINT> posted_;
    winui::HWND window_ = nullptr;
};

// A cycle observer that raises `request` once the loop has run `cycles` cycles.
std::function<void(MainLoop&)> stopAfterCycles(StopControl& stop, std::uint64_t cycles,
                                               StopRequest request);

// The text of a plain data set: the data-file header of this program, `dataset` with name and
// version, then `body` (XML elements).
std::string dataSetText(std::string_view name, std::string_view version, std::string_view body);
// A dbase that knows the models `models` (comma-separated) and the airline "DLH".
std::string dbaseText(std::string_view version, std::string_view models);
// An airports table with Frankfurt (EDDF) alone.
std::string airportsText(std::string_view version);

void writeTextFile(const std::filesystem::path& path, const std::string& text);
std::string readTextFile(const std::filesystem::path& path);

} // namespace skyloom::testing
