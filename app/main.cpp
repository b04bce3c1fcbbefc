// The program's entry: one instance at a time, the window system on screen when a display is
// there (GTK) and without one otherwise, and the program's run on the main thread.
// "--headless" keeps the window off screen even where a display is; without a window on
// screen the error line and message boxes go to standard error as well, and so does a second
// instance's word that the program is already running.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/close_on_signals.h"
#include "app/headless_notices.h"
#include "app/process_entry.h"
#include "gui/gui.h"
#include "platform/winui/gtk/gtk_backend.h"
#include "platform/winui/headless/headless_backend.h"

int main(int argc, char* argv[]) {
    // Before any thread starts, so that only the watcher takes them.
    skyloom::gf_blockCloseSignals();
    const std::vector<std::string> arguments(argv, argv + argc);
    const bool headless = std::find(arguments.begin() + (arguments.empty() ? 0 : 1),
                                    arguments.end(), "--headless") != arguments.end();
    // A second instance never opens a window: without a display the terminal is its only
    // voice.
    const bool onScreen = !headless && skyloom::winui::gtk::gf_displayNamed();
    const auto notice = onScreen ? skyloom::SecondInstanceNotice::none
                                 : skyloom::SecondInstanceNotice::standardError;
    return skyloom::gf_runAsSingleInstance([&] {
        std::shared_ptr<skyloom::winui::gtk::GtkBackend> screen;
        if (!headless) {
            screen = skyloom::winui::gtk::installGtkBackend();
        }
        if (!screen) {
            skyloom::winui::headless::installHeadlessBackend();
            skyloom::gf_echoNoticesToStandardError(skyloom::gf_gui());
        }
        const int exitCode = skyloom::gf_runProgram(arguments);
        if (screen) {
            screen->stop();
        }
        return exitCode;
    }, notice);
}
