// A bare top-level window that carries the main worker's hand-shake with the window: it starts
// a run on MSG_START, ends the program on MSG_EXIT, drains the window updates, and turns its
// close button into the stop reason "USER CLOSED SIM" instead of going at once. It holds no
// controls and paints nothing of its own; the program entry runs it as its main window, and
// tests drive it with their own context. Messages it handles:
// - MSG_START: joins the previous run, opens the log afresh (the previous one becomes
//   Log0.txt), writes the lines the process entry noted for it and starts a run;
// - MSG_EXIT: joins the run, writes the date and time to the log, stops the window updates and
//   quits the message loop with the process exit code;
// - MSG_GUI_UPDATE: applies the queued window updates;
// - WM_CLOSE: shows "{hh:mm:ss} close window button clicked, closing Skyloom ..." and raises
//   "USER CLOSED SIM"; the window stays until MSG_EXIT;
// - WM_DESTROY: stops the window updates and, unless a quit is under way, quits with 0.
// Whenever it joins a run (on MSG_START, MSG_EXIT and when it goes) it keeps answering the
// messages sent to its thread, so a run that sends to a window of this thread still ends.
#pragma once

#include <functional>
#include <optional>

#include "app/main_run_context.h"
#include "platform/winui/win_types.h"

namespace skyloom {

class MainWorker;

class HostWindow {
public:
    // Makes what the window holds (its controls) while the window is created; false when that
    // fails, and the window is then not made.
    using ContentBuilder = std::function<bool(winui::HWND)>;

    // The context's window (`gui`) becomes this window's `Gui`.
    HostWindow(MainRunContext context, MainWorker& worker, ContentBuilder contentBuilder = {});
    // Destroys the window and stops and joins a run that still goes.
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    // Registers the window class, once. False when the window system refuses it (the reason
    // in GetLastError).
    bool registerClass();
    // Creates the window on the calling thread, which becomes the GUI thread, registering the
    // class when needed. Null when the window cannot be made (the reason in GetLastError).
    winui::HWND create();
    // create() when needed, posts MSG_START and runs the message loop until it quits; returns
    // the exit code the quit carried (0 when the window cannot be made or the loop fails).
    int run();

    winui::HWND window() const noexcept { return window_; }

private:
    static winui::LRESULT windowProc(winui::HWND window, winui::UINT message, winui::WPARAM wParam,
                                     winui::LPARAM lParam);
    std::optional<winui::LRESULT> handle(winui::HWND window, winui::UINT message,
                                         winui::WPARAM wParam, winui::LPARAM lParam);
    void quit(int exitCode);

    MainRunContext context_;
    MainWorker& worker_;
    ContentBuilder contentBuilder_;
    winui::HWND window_ = nullptr;
    bool classRegistered_ = false;
    bool quitPosted_ = false;
};

} // namespace skyloom
