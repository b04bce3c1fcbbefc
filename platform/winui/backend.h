// The seam between the window system and what shows it. The common part of the layer keeps
// windows, queues and pictures; a backend answers the dialogs, opens files in the shell and
// hears about top-level windows so that it can show them. The headless backend answers from
// a script and shows nothing; an on-screen backend mirrors each top-level window in a real
// one and feeds the user's input back through input.h. Calls come on the thread that made
// the request (dialogs) or that owns the window (notifications).
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/winui/win_types.h"

namespace skyloom::winui {

struct MessageBoxRequest {
    HWND owner = nullptr;
    std::u16string text;
    std::u16string caption;
    UINT type = 0;
};

struct FolderPickerRequest {
    HWND owner = nullptr;
    std::filesystem::path initialFolder;
    // What to pick, as the dialog's title; empty: a title of the backend's own.
    std::u16string title;
};

class Backend {
public:
    virtual ~Backend() = default;

    // Blocks until answered; returns IDOK, IDYES, ... (see dialogs.h).
    virtual int messageBox(const MessageBoxRequest& request) = 0;
    virtual std::optional<std::filesystem::path> pickFolder(const FolderPickerRequest& request) = 0;
    virtual bool shellOpen(const std::filesystem::path& path) = 0;

    // A top-level window appeared, moved, changed size, visibility or title.
    virtual void windowChanged(HWND /*topLevel*/) {}
    // Painting changed what a top-level window (or one of its children) shows.
    virtual void windowPainted(HWND /*topLevel*/) {}
    virtual void windowDestroyed(HWND /*topLevel*/) {}
};

// --- For backends ---
// The user moved a top-level window on screen, so that its client area's top-left corner now
// lies at `clientOrigin`: the layer's rectangle follows, keeping its size, without messages
// and without telling the backend again (it shows the window there already). FALSE for a
// handle that is no top-level window.
BOOL noteWindowMovedOnScreen(HWND topLevel, POINT clientOrigin);

// Installs the backend for the whole process (null removes it; dialogs then fail).
void setBackend(std::shared_ptr<Backend> backend);
std::shared_ptr<Backend> currentBackend();

} // namespace skyloom::winui
