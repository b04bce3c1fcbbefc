// The on-screen backend of the window system: every visible top-level window of the layer is
// shown in a GTK 3 window of its own, drawn with the layer's own picture of it, copied there
// after every paint (GTK widgets are never the controls); an open pop-up (a combo-box list)
// shows in a pop-up window over its owner. The user's mouse, keys, focus, moves and close
// button come back as the layer's input and messages (screen_window.h). Message boxes and the
// folder picker are GTK dialogs; opening a file goes to the desktop's opener. The screens GTK
// reports become the layer's monitors, their scale its DPI.
//
// GTK runs on a thread of its own; the layer's notifications hand their work to it without
// waiting. Only a dialog waits for the user, and the waiting thread keeps answering the
// messages sent to it meanwhile.
#pragma once

#include <memory>

#include "platform/winui/backend.h"

namespace skyloom::winui::gtk {

class GtkThread;
struct ScreenWindows;

class GtkBackend final : public Backend {
public:
    GtkBackend();
    // Stops GTK (its windows go).
    ~GtkBackend() override;

    // Starts GTK on its thread; false when it cannot open the display.
    bool start();
    // Closes every GTK window and ends the GTK thread; later notifications are ignored and
    // dialogs answer as if cancelled.
    void stop();

    int messageBox(const MessageBoxRequest& request) override;
    std::optional<std::filesystem::path> pickFolder(const FolderPickerRequest& request) override;
    bool shellOpen(const std::filesystem::path& path) override;
    void windowChanged(HWND topLevel) override;
    void windowPainted(HWND topLevel) override;
    void windowDestroyed(HWND topLevel) override;

private:
    std::unique_ptr<GtkThread> thread_;
    // The GTK windows, touched only on the GTK thread (shared with the work handed to it).
    std::shared_ptr<ScreenWindows> windows_;
};

// True when the environment names a display ($DISPLAY or $WAYLAND_DISPLAY not empty).
bool gf_displayNamed();

// Starts the on-screen backend and installs it for the process; null, with nothing
// installed, when no display is named or GTK cannot open it.
std::shared_ptr<GtkBackend> installGtkBackend();

} // namespace skyloom::winui::gtk
