#include "traffic/step/traffic_exception.h"

#include <atomic>
#include <exception>
#include <string>

#include <fmt/format.h>

#include "foundation/log_file.h"

namespace skyloom {

namespace {

std::atomic<std::uint32_t> g_reportCount{0};

std::string lf_currentExceptionText() {
    const std::exception_ptr current = std::current_exception();
    if (!current) {
        return "unknown exception";
    }
    try {
        std::rethrow_exception(current);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "non-standard exception";
    }
}

} // namespace

void gf_reportTrafficException(std::string_view functionName) noexcept {
    const std::uint32_t n = g_reportCount.fetch_add(1);
    if (n >= kTrafficExceptionReports) {
        return;
    }
    try {
        LogFile::write(fmt::format(
            "Traffic exception in {}: {}{}", functionName, lf_currentExceptionText(),
            n + 1 == kTrafficExceptionReports ? " (further traffic exceptions will be suppressed)"
                                              : ""));
    } catch (...) {
        // A report that cannot be written ends silently.
    }
}

void gf_resetTrafficExceptionReports() noexcept { g_reportCount.store(0); }

} // namespace skyloom
