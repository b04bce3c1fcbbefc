// `WindowSink`: all that the subsystems below the window may do to it. Any thread sends a
// `GuiUpdate`; the status and error lines have their own senders; the simulator link asks the
// window to switch the simulator choice and restart when the wrong simulator runs. The window
// (gui/) implements it; tests record what was sent (tests/support/recording_window_sink.h).
#pragma once

#include <string>
#include <utility>

#include "runtime/gui_update.h"

namespace skyloom {

class WindowSink {
public:
    virtual ~WindowSink() = default;

    // Any thread; never throws. An update that cannot be delivered is lost.
    virtual void enqueueUpdate(GuiUpdate update) noexcept = 0;
    // Clears the status line, or shows instead a notice that the window keeps pending.
    virtual void clearStatusText() noexcept = 0;
    // Asks the window to switch the simulator choice and restart (MSG_SWITCH_SIM).
    virtual void requestSimulatorSwitch() noexcept = 0;

    // The status line for 25 s; with `log` the text also goes to the log (kind 35). How long
    // it holds the line against the texts after it goes with its weight.
    void showStatusText(std::string text, bool log,
                        StatusWeight weight = StatusWeight::info) noexcept {
        enqueueUpdate(GuiUpdate::StatusText{std::move(text), log, weight});
    }
    // The error line (kind 36).
    void showErrorLine(std::string text) noexcept {
        enqueueUpdate(GuiUpdate::ErrorText{std::move(text)});
    }

protected:
    WindowSink() = default;
    WindowSink(const WindowSink&) = default;
    WindowSink& operator=(const WindowSink&) = default;
};

} // namespace skyloom
