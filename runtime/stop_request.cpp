#include "runtime/stop_request.h"

#include <string>

#include <fmt/format.h>

#include "foundation/log_file.h"

namespace skyloom {
namespace {

std::uint64_t lf_pack(StopReason reason, std::int32_t detail) noexcept {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(gf_stopReasonCode(reason)))
            << 32) |
           static_cast<std::uint32_t>(detail);
}

StopRequest lf_unpack(std::uint64_t packed) noexcept {
    StopRequest request;
    request.reason = static_cast<StopReason>(static_cast<std::int32_t>(packed >> 32));
    request.detail = static_cast<std::int32_t>(static_cast<std::uint32_t>(packed));
    return request;
}

} // namespace

bool StopControl::request(StopReason reason, std::int32_t detail) noexcept {
    bool counts = false;
    if (reason != StopReason::notYetSet && gf_stopReasonFromCode(gf_stopReasonCode(reason))) {
        std::uint64_t expected = 0;
        counts = packed_.compare_exchange_strong(expected, lf_pack(reason, detail));
    }
    // Marked after the request is in place: a loop that ends on the mark must find the
    // reason already set.
    if (reason == StopReason::userClosedSim) {
        markExitWanted();
    }
    return counts;
}

StopRequest StopControl::current() const noexcept {
    return lf_unpack(packed_.load());
}

bool StopControl::stopRequested() const noexcept {
    return packed_.load() != 0;
}

void StopControl::reset() noexcept {
    packed_.store(0);
    exitWanted_.store(false);
}

bool gf_requestStop(StopControl& control, StopReason reason, std::int32_t detail) noexcept {
    const bool counts = control.request(reason, detail);
    try {
        if (counts) {
            LogFile::writeImportant(fmt::format("Stop requested: {} ({}), detail {}",
                                                gf_stopReasonText(reason),
                                                gf_stopReasonCode(reason), detail));
        } else {
            const StopRequest first = control.current();
            std::string line = fmt::format("Stop request {} ({}) ignored",
                                           gf_stopReasonText(reason), gf_stopReasonCode(reason));
            if (first.reason != StopReason::notYetSet) {
                line += fmt::format(", {} came first", gf_stopReasonText(first.reason));
            }
            LogFile::write(line);
        }
    } catch (...) {
        // The request itself stands; only its log line is lost.
    }
    return counts;
}

} // namespace skyloom
