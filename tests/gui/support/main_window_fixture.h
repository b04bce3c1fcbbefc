// A fixture for the tests of the real main window: the program's window (MainWindow) with its
// own parameters kept in a temporary parameters.xml, a run that only notes what the window
// asked of it, fixed paint facts, and the working folder in the temporary folder (the window
// opens the log there on MSG_START). Recording helpers turn a paint into the lines of the
// recording context.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/user_aircraft.h"
#include "config/parameters.h"
#include "config/parameters_store.h"
#include "config/window_requests.h"
#include "gui/gui.h"
#include "gui/main_window.h"
#include "gui/paint_facts.h"
#include "platform/winui/win_types.h"
#include "tests/gui/support/gui_test_support.h"

namespace skyloom::testing {

// The colours of the painter's fills and texts.
inline constexpr winui::COLORREF kBlack = winui::RGB(0, 0, 0);
inline constexpr winui::COLORREF kWhite = winui::RGB(255, 255, 255);
inline constexpr winui::COLORREF kDarkGreen = winui::RGB(25, 150, 25);
inline constexpr winui::COLORREF kRed = winui::RGB(255, 0, 0);
inline constexpr winui::COLORREF kYellow = winui::RGB(255, 255, 0);

// Notes what the window asked of its run.
class NotingRun final : public MainWindowRun {
public:
    void joinRun() override { ++joins; }
    void startRun() override { ++starts; }
    void requestUserClose() override { ++userCloses; }
    void requestNewSettings(std::int32_t countdownSeconds) override {
        newSettingsCountdowns.push_back(countdownSeconds);
    }
    WindowRequests& requests() override { return requests_; }
    const UserAircraft& userAircraft() const override { return user; }
    int exitCode() const override { return code; }

    int joins = 0;
    int starts = 0;
    int userCloses = 0;
    // The countdown of each "NEW SETTINGS" asked for.
    std::vector<std::int32_t> newSettingsCountdowns;
    int code = 0;
    WindowRequests requests_;
    UserAircraft user;
};

class MainWindowTest : public GuiTest {
protected:
    MainWindowTest();
    void SetUp() override;
    void TearDown() override;

    // A single monitor of 1920 x 1080 (work area without a 40-pixel task bar) in 96-DPI
    // units, scaled to `dpi`, which also becomes the system DPI.
    static void useScreenAt(winui::UINT dpi);
    // Makes and shows the main window (initInstance) and handles what waits; null when it
    // could not be made.
    winui::HWND open(MainWindow::ControlsBuilder controls = {});
    // The lines the next full paint of the window records.
    std::vector<std::string> recordPaint();
    // The lines a window (a control) records when it is redrawn now.
    static std::vector<std::string> recordPaintOf(winui::HWND window);
    // The window (made without controls) in compact mode or not, told `updates`, painted.
    std::vector<std::string> paintAfter(bool compact, const std::vector<GuiUpdate>& updates);
    // The value parameters.xml holds for a parameter (no value when it holds none).
    std::optional<std::string> savedValue(const std::string& name) const;
    winui::SIZE clientSize() const;
    winui::RECT windowRect() const;

    ParametersStore store_;
    ParamsSnapshotCell cell_;
    ProgramParameters parameters_;
    NotingRun run_;
    Gui gui_;
    GuiPaintFacts facts_;
    std::unique_ptr<MainWindow> window_;

private:
    std::optional<std::string> previousWorkDir_;
};

// The line of the recording context for gf_textOut's text at layout (x, y).
std::string gf_recordedText(int x, int y, const std::string& text, winui::COLORREF colour,
                            bool bold = false);
// Fails the test for every part that some recorded line holds.
void gf_expectNoLineWith(const std::vector<std::string>& calls,
                         const std::vector<std::string>& parts);
// "FillRect(l,t,r,b) brush=#RRGGBB".
std::string gf_recordedFill(int left, int top, int right, int bottom, winui::COLORREF colour);
// "LineTo(x1,y1,x2,y2) pen=#RRGGBB/1".
std::string gf_recordedLine(int x1, int y1, int x2, int y2, winui::COLORREF colour);

} // namespace skyloom::testing
