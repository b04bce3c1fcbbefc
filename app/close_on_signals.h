// SIGINT and SIGTERM as the main window's close: the run then ends in its orderly shutdown
// ("USER CLOSED SIM") with the log flushed and the flight-plan folder removed, instead of the
// process dying where it stands. The signals are blocked in every thread (gf_blockCloseSignals
// before any thread starts) and taken by a watcher thread that posts WM_CLOSE to the window.
#pragma once

#include <atomic>
#include <thread>

#include "platform/winui/win_types.h"

namespace skyloom {

// Blocks SIGINT and SIGTERM in the calling thread and in every thread it starts later.
void gf_blockCloseSignals() noexcept;

class CloseOnSignals {
public:
    explicit CloseOnSignals(winui::HWND window);
    ~CloseOnSignals();
    CloseOnSignals(const CloseOnSignals&) = delete;
    CloseOnSignals& operator=(const CloseOnSignals&) = delete;

private:
    void watch(winui::HWND window);

    std::atomic<bool> done_{false};
    std::thread watcher_;
};

} // namespace skyloom
