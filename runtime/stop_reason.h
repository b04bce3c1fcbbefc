// `StopReason`: why the main worker thread stops, with the codes 0 to 10 that the log and the
// window show beside their texts. Four reasons restart the program after a countdown ("NEW
// FLIGHT", "NEW SETTINGS", "SIMCONNECT ERROR", "READER ERROR"); every other one ends it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace skyloom {

enum class StopReason : std::int32_t {
    notYetSet = 0,
    simWasClosed = 1,
    newFlight = 2,
    newSettings = 3,
    userClosedSim = 4,
    installPathMissing = 5,
    simConnectError = 6,
    readerError = 7,
    systemError = 8,
    newVersion = 9,
    trafficMailboxStalled = 10,
};

inline constexpr std::int32_t kStopReasonCount = 11;

// "NOT YET SET", "SIM WAS CLOSED", ... "TRAFFIC MAILBOX STALLED"; "UNKNOWN" for a value outside
// 0 to 10.
std::string_view gf_stopReasonText(StopReason reason) noexcept;

// The reason with that code; no value outside 0 to 10.
std::optional<StopReason> gf_stopReasonFromCode(std::int32_t code) noexcept;

constexpr std::int32_t gf_stopReasonCode(StopReason reason) noexcept {
    return static_cast<std::int32_t>(reason);
}

// True for the four reasons after which the program starts again.
bool gf_stopReasonRestarts(StopReason reason) noexcept;

} // namespace skyloom
