#include "app/stop_reports.h"

#include <string>

#include <fmt/format.h>

#include "app/stop_request.h"
#include "foundation/log_file.h"
#include "foundation/time_text.h"
#include "foundation/version.h"
#include "gui/gui.h"

namespace skyloom {
namespace {

// Restarting after a reader failure, or ending after a system error, waits this long.
constexpr std::int32_t kReaderFailureDetail = 15;

// The text is built where it can throw; a report that cannot build its text still stops.
template <class MakeText> void lf_showLogged(Gui& gui, const MakeText& makeText) noexcept {
    try {
        gui.showStatusText(makeText(), true);
    } catch (...) {
    }
}

} // namespace

// The line goes to the log directly, not through the status line's log flag: an error line
// (the SimClient's own, shown just before) or a window that stopped taking updates would drop
// it from the log as well.
void gf_simNoLongerConnected(Gui& gui, StopControl& stop) noexcept {
    if (!stop.keepRunning()) {
        return;
    }
    try {
        const std::string text =
            fmt::format("{} Flight Simulator no longer connected, {} will stop ...", gf_timeText(),
                        kProgramName);
        LogFile::write(text);
        gui.showStatusText(text, false);
    } catch (...) {
        // The stop below matters more than its text.
    }
    gf_requestStop(stop, StopReason::simWasClosed, 0);
}

void gf_simNoLongerConnected() noexcept {
    gf_simNoLongerConnected(gf_gui(), gf_stopControl());
}

void gf_showRtApiError(Gui& gui, StopControl& stop, std::string_view name, bool isReader,
                       long httpStatus) noexcept {
    lf_showLogged(gui, [&] {
        if (httpStatus == kRtLicenceExpiredStatus) {
            return std::string("Your RealTraffic license has expired (error 402). Check your "
                               "license and API token.");
        }
        return fmt::format("The {} has stopped with an error", name);
    });
    gf_requestStop(stop, isReader ? StopReason::readerError : StopReason::systemError,
                   kReaderFailureDetail);
}

void gf_showRtApiError(std::string_view name, bool isReader, long httpStatus) noexcept {
    gf_showRtApiError(gf_gui(), gf_stopControl(), name, isReader, httpStatus);
}

void gf_readerStoppedWithError(Gui& gui, StopControl& stop, std::string_view name,
                               std::string_view text) noexcept {
    lf_showLogged(gui,
                  [&] { return fmt::format("The {} has stopped with error: {}", name, text); });
    gf_requestStop(stop, StopReason::readerError, kReaderFailureDetail);
}

void gf_readerStoppedWithError(std::string_view name, std::string_view text) noexcept {
    gf_readerStoppedWithError(gf_gui(), gf_stopControl(), name, text);
}

} // namespace skyloom
