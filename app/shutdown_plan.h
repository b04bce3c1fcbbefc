// What follows the main worker's cleanup: a restart after a countdown shown in the window, for
// the four reasons that restart, or the end of the program, after a pause of 25 s for "SYSTEM
// ERROR" and "INSTALL PATH MISSING" so that the user can read on the error line what went
// wrong. A user who closed the window gets the end whatever the reason.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "runtime/stop_request.h"

namespace skyloom {

inline constexpr std::chrono::seconds kSystemErrorExitDelay{25};
// The shortest countdown before a restart: a detail of 0 ("NEW SETTINGS" 0) would restart
// with nothing shown, and the user could neither see why the window went blank nor push
// "Unblock" or close the window in time.
inline constexpr std::chrono::seconds kMinRestartCountdown{3};

struct ShutdownPlan {
    bool restart = false;
    // Before a restart: the countdown shown in the window (the request's detail, at least
    // kMinRestartCountdown).
    std::chrono::seconds countdown{0};
    // Before the end: the pause after "SYSTEM ERROR" and "INSTALL PATH MISSING".
    std::chrono::seconds exitDelay{0};

    friend bool operator==(const ShutdownPlan&, const ShutdownPlan&) = default;
};

ShutdownPlan gf_planShutdown(const StopRequest& request, bool exitWanted) noexcept;

// The countdown's status line: "{program} restarts in {n} second{s} ( or push Unblock to
// re-start )".
std::string gf_restartCountdownText(std::int64_t secondsLeft);

} // namespace skyloom
