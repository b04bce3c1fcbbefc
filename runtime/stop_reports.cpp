#include "runtime/stop_reports.h"

#include <string>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "foundation/time_text.h"
#include "foundation/version.h"
#include "runtime/stop_request.h"
#include "runtime/window_sink.h"

namespace skyloom {
namespace {

// Restarting after a reader failure, or ending after a system error, waits this long.
constexpr std::int32_t kReaderFailureDetail = 15;

// The text is built where it can throw; a report that cannot build its text still stops.
template <class MakeText>
void lf_showLogged(WindowSink& window, const MakeText& makeText) noexcept {
    try {
        window.showStatusText(makeText(), true);
    } catch (...) {
    }
}

} // namespace

// The line goes to the log directly, not through the status line's log flag: an error line
// (the SimClient's own, shown just before) or a window that stopped taking updates would drop
// it from the log as well.
void gf_simNoLongerConnected(WindowSink& window, StopControl& stop) noexcept {
    if (!stop.keepRunning()) {
        return;
    }
    try {
        const std::string text =
            fmt::format("{} Flight Simulator no longer connected, {} will stop ...", gf_timeText(),
                        kProgramName);
        LogFile::write(text);
        window.showStatusText(text, false);
    } catch (...) {
        // The stop below matters more than its text.
    }
    gf_requestStop(stop, StopReason::simWasClosed, 0);
}

void gf_showRtApiError(WindowSink& window, StopControl& stop, std::string_view name, bool isReader,
                       long httpStatus) noexcept {
    lf_showLogged(window, [&] {
        if (httpStatus == kRtLicenceExpiredStatus) {
            return std::string("Your RealTraffic license has expired (error 402). Check your "
                               "license and API token.");
        }
        return fmt::format("The {} has stopped with an error", name);
    });
    gf_requestStop(stop, isReader ? StopReason::readerError : StopReason::systemError,
                   kReaderFailureDetail);
}

void gf_readerStoppedWithError(WindowSink& window, StopControl& stop, std::string_view name,
                               std::string_view text) noexcept {
    lf_showLogged(window,
                  [&] { return fmt::format("The {} has stopped with error: {}", name, text); });
    gf_requestStop(stop, StopReason::readerError, kReaderFailureDetail);
}

} // namespace skyloom
