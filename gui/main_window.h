// The program's main window on the GUI thread: its class, its start-up at the saved position
// (per-monitor DPI aware, kept on screen, fonts and controls made for the window's DPI), the
// message loop, and its window procedure (main_window_proc.cpp), which paints through the
// `Gui`, drains the window updates, turns the compact switch and the close button into their
// effects, follows DPI changes, and starts and ends the runs of the main worker.
//
// What a run is belongs to the program (app/): the window reaches it only through
// `MainWindowRun`. Its hand-shake with the window:
// - MSG_START: the window joins the run that ended, opens the log afresh (the previous log
//   becomes Log0.txt) and starts the next run;
// - MSG_EXIT: the window joins the run, saves its position, writes the date and time to the
//   log, stops the window updates and quits the message loop with the run's exit code;
// - the close button (WM_CLOSE) only asks the run to stop ("USER CLOSED SIM"): the window
//   stays until MSG_EXIT;
// - MSG_SWITCH_SIM switches the simulator choice and asks the run to restart ("NEW
//   SETTINGS");
// - WM_COMMAND from a control goes to the option commands (gui/option_commands.h), which
//   raise the run's requests and ask it to restart when a start-up setting changed;
// - Enter in the destination edit box applies the destination (gui/destination.h);
// - WM_DESTROY (the system took the window down) stops the window updates and quits with 0.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "gui/destination.h"
#include "gui/option_commands.h"
#include "platform/winui/win_types.h"

namespace skyloom {

class Gui;
class ProgramParameters;
class WindowRequests;

// What the main window asks of the program's runs.
class UserAircraft;

class MainWindowRun {
public:
    virtual ~MainWindowRun() = default;
    // Waits until the current run (if any) has ended, answering what it sends to the GUI
    // thread meanwhile.
    virtual void joinRun() = 0;
    // Starts the next run; the log has just been opened afresh.
    virtual void startRun() = 0;
    // The user closed the window: stop reason "USER CLOSED SIM".
    virtual void requestUserClose() = 0;
    // A setting that shapes the start-up changed (the simulator or the traffic source, the
    // time shift): stop reason "NEW SETTINGS" with the countdown in seconds before the
    // program restarts.
    virtual void requestNewSettings(std::int32_t countdownSeconds) = 0;
    // The requests the window raises for the run's worker.
    virtual WindowRequests& requests() = 0;
    // The user aircraft of the run (the automatic traffic radius follows its height).
    virtual const UserAircraft& userAircraft() const = 0;
    // The code the process ends with once MSG_EXIT has come.
    virtual int exitCode() const = 0;
};

// The string resource of the application title (window class name and window title) and the
// icon resource of the window.
inline constexpr winui::UINT kTitleResourceId = 101;
inline constexpr winui::UINT kIconResourceId = 100;
inline constexpr int kTitleCapacity = 100;
// The position the window opens at without a saved one.
inline constexpr int kDefaultWindowX = 400;
inline constexpr int kDefaultWindowY = 20;

// Binds the program's title ("Skyloom") and icon to their resource numbers, as the program's
// resource script does on Windows.
void gf_registerProgramResources();

// The main window while it exists (set on WM_CREATE), else null: the parent of message boxes
// and the window whose controls the text helpers find by id.
winui::HWND gf_mainWindow() noexcept;

// A message box owned by the main window and titled "Skyloom" (text in UTF-8; `type` the
// buttons and icon); the answer, or 0 when it cannot be shown.
int gf_showMessageBox(std::string_view text, winui::UINT type);

class MainWindow {
public:
    // Makes the option controls while the window is created; false refuses the window.
    using ControlsBuilder = std::function<bool(winui::HWND)>;
    // WM_COMMAND from a control; true when it was handled. By default the option commands.
    using CommandHandler = std::function<bool(winui::HWND, winui::WPARAM)>;

    // `gui` becomes the window's `Gui`; `parameters` give the saved position, the compact
    // flag, the simulator choice and the option controls (made by gf_createControls unless
    // `controls` is given).
    MainWindow(Gui& gui, ProgramParameters& parameters, MainWindowRun& run,
               ControlsBuilder controls = {});
    // Destroys the window and unregisters the class.
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // The parameters.xml the saved position is read from before the parameters store is
    // loaded (gf_parametersPath() by default).
    void setParametersFile(std::filesystem::path file) { parametersFile_ = std::move(file); }
    void setCommandHandler(CommandHandler handler) { commandHandler_ = std::move(handler); }

    // The application title from its string resource; false when there is none.
    bool loadTitle();
    // Registers the window class (named by the title), once. False when the window system
    // refuses it (the reason in GetLastError).
    bool registerClass();
    // initInstance: makes the calling thread the GUI thread and brings up the window at the
    // saved position, sized and its controls scaled for its DPI, kept on screen, shown.
    // Updates queued before are posted. Null when the fonts or the window cannot be made.
    winui::HWND create();
    // create() when needed, posts MSG_START and runs the message loop until it quits;
    // returns the exit code the quit carried (0 when the window cannot be made or the loop
    // fails).
    int run();
    // Destroys the window (no quit is left behind for the thread's next message loop).
    void destroy();

    winui::HWND window() const noexcept { return window_; }
    Gui& gui() noexcept { return gui_; }
    OptionCommands& commands() noexcept { return commands_; }

private:
    static winui::LRESULT windowProc(winui::HWND window, winui::UINT message, winui::WPARAM wParam,
                                     winui::LPARAM lParam);
    std::optional<winui::LRESULT> handle(winui::HWND window, winui::UINT message,
                                         winui::WPARAM wParam, winui::LPARAM lParam);
    // The handlers of main_window_proc.cpp.
    winui::LRESULT onCreate(winui::HWND window);
    void onPaint(winui::HWND window);
    winui::LRESULT onControlColour(winui::HDC dc);
    void onLeftButtonDown(winui::HWND window, winui::LPARAM lParam);
    void onDpiChanged(winui::HWND window, winui::WPARAM wParam, winui::LPARAM lParam);
    void onClose();
    void onDestroy(winui::HWND window);
    void onStart();
    void onExit(winui::HWND window);
    void onSwitchSimulator();
    // Makes the control font for `dpi` and gives it to every child; false when it cannot be
    // made (the old font stays).
    bool applyControlFont(winui::HWND window, winui::UINT dpi);
    // The layout height the window's mode needs: 768 expanded, 224 or 128 compact.
    int layoutHeight() const;
    void quit(int exitCode);

    Gui& gui_;
    ProgramParameters& parameters_;
    MainWindowRun& run_;
    ControlsBuilder controls_;
    CommandHandler commandHandler_;
    OptionCommands commands_;
    DestinationEdit destination_;
    std::filesystem::path parametersFile_;
    std::u16string title_ = u"Skyloom";
    winui::HWND window_ = nullptr;
    bool classRegistered_ = false;
    bool quitPosted_ = false;
};

} // namespace skyloom
