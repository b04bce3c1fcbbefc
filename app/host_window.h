// The program's main window hosting the main worker: the window (gui/main_window.h) starts a
// run on MSG_START, ends the program on MSG_EXIT and turns its close button into the stop
// reason "USER CLOSED SIM"; this side of it starts and joins the worker's runs and raises the
// stop requests. Tests drive it with their own context. Whenever it joins a run (on MSG_START,
// MSG_EXIT and when it goes) it keeps answering the messages sent to its thread, so a run that
// sends to a window of this thread still ends.
#pragma once

#include <functional>

#include "runtime/user_aircraft.h"
#include "app/main_run_context.h"
#include "gui/main_window.h"
#include "platform/winui/win_types.h"

namespace skyloom {

class MainWorker;

class HostWindow final : private MainWindowRun {
public:
    // Makes what the window holds (its controls) while the window is created; false when that
    // fails, and the window is then not made. By default the option controls of the program's
    // parameters.
    using ContentBuilder = MainWindow::ControlsBuilder;

    // The context's window (`gui`) becomes this window's `Gui`.
    HostWindow(MainRunContext context, MainWorker& worker, ContentBuilder contentBuilder = {});
    // Destroys the window and stops and joins a run that still goes.
    ~HostWindow() override;
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    // The application title from the program's resources; false when it is missing.
    bool loadTitle() { return window_.loadTitle(); }
    // Registers the window class, once. False when the window system refuses it (the reason
    // in GetLastError).
    bool registerClass() { return window_.registerClass(); }
    // Creates the window on the calling thread, which becomes the GUI thread, registering the
    // class when needed. Null when the window cannot be made.
    winui::HWND create() { return window_.create(); }
    // create() when needed, posts MSG_START and runs the message loop until it quits; returns
    // the exit code the quit carried (0 when the window cannot be made or the loop fails).
    int run() { return window_.run(); }

    winui::HWND window() const noexcept { return window_.window(); }

private:
    // MainWindowRun
    void joinRun() override;
    void startRun() override;
    void requestUserClose() override;
    void requestNewSettings(std::int32_t countdownSeconds) override;
    WindowRequests& requests() override;
    const UserAircraft& userAircraft() const override;
    int exitCode() const override;

    MainRunContext context_;
    MainWorker& worker_;
    MainWindow window_;
};

} // namespace skyloom
