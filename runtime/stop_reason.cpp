#include "runtime/stop_reason.h"

#include <array>

namespace skyloom {
namespace {

constexpr std::array<std::string_view, kStopReasonCount> kTexts = {
    "NOT YET SET",
    "SIM WAS CLOSED",
    "NEW FLIGHT",
    "NEW SETTINGS",
    "USER CLOSED SIM",
    "INSTALL PATH MISSING",
    "SIMCONNECT ERROR",
    "READER ERROR",
    "SYSTEM ERROR",
    "NEW VERSION",
    "TRAFFIC MAILBOX STALLED",
};

} // namespace

std::string_view gf_stopReasonText(StopReason reason) noexcept {
    const std::int32_t code = gf_stopReasonCode(reason);
    if (code < 0 || code >= kStopReasonCount) {
        return "UNKNOWN";
    }
    return kTexts[static_cast<std::size_t>(code)];
}

std::optional<StopReason> gf_stopReasonFromCode(std::int32_t code) noexcept {
    if (code < 0 || code >= kStopReasonCount) {
        return std::nullopt;
    }
    return static_cast<StopReason>(code);
}

bool gf_stopReasonRestarts(StopReason reason) noexcept {
    switch (reason) {
    case StopReason::newFlight:
    case StopReason::newSettings:
    case StopReason::simConnectError:
    case StopReason::readerError:
        return true;
    default:
        return false;
    }
}

} // namespace skyloom
