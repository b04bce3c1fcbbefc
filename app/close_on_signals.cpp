#include "app/close_on_signals.h"

#include <csignal>
#include <ctime>

#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"

namespace skyloom {
namespace {

// How often the watcher looks whether it is to end.
constexpr long kSignalPollNanoseconds = 200'000'000;

sigset_t lf_closeSignals() noexcept {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

void gf_blockCloseSignals() noexcept {
    const sigset_t set = lf_closeSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

CloseOnSignals::CloseOnSignals(winui::HWND window)
    : watcher_([this, window] { watch(window); }) {}

CloseOnSignals::~CloseOnSignals() {
    done_.store(true);
    watcher_.join();
}

void CloseOnSignals::watch(winui::HWND window) {
    const sigset_t set = lf_closeSignals();
    const timespec poll{0, kSignalPollNanoseconds};
    while (!done_.load()) {
        // Only a signal blocked everywhere waits here; one that is not is left to its default.
        if (sigtimedwait(&set, nullptr, &poll) > 0) {
            winui::PostMessageW(window, winui::WM_CLOSE, 0, 0);
        }
    }
}

} // namespace skyloom
