#include "app/shutdown_plan.h"

#include <algorithm>

#include <fmt/format.h>

#include "foundation/version.h"

namespace skyloom {

ShutdownPlan gf_planShutdown(const StopRequest& request, bool exitWanted) noexcept {
    ShutdownPlan plan;
    if (!exitWanted && gf_stopReasonRestarts(request.reason)) {
        plan.restart = true;
        plan.countdown = std::max(std::chrono::seconds{request.detail}, kMinRestartCountdown);
        return plan;
    }
    // Both end the program with a reason on the error line that the user must act on.
    const bool readBeforeTheEnd = request.reason == StopReason::systemError ||
                                  request.reason == StopReason::installPathMissing;
    if (readBeforeTheEnd && !exitWanted) {
        plan.exitDelay = kSystemErrorExitDelay;
    }
    return plan;
}

std::string gf_restartCountdownText(std::int64_t secondsLeft) {
    return fmt::format("{} restarts in {} second{} ( or push Unblock to re-start )", kProgramName,
                       secondsLeft, secondsLeft == 1 ? "" : "s");
}

} // namespace skyloom
