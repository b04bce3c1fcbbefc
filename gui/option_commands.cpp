// The dispatch of the window's commands and the push buttons.
#include "gui/option_commands.h"

#include <exception>

#include <fmt/format.h>

#include "config/parameters.h"
#include "config/params_snapshot.h"
#include "config/program_paths.h"
#include "config/startup_choices.h"
#include "config/window_requests.h"
#include "feed/rt_app_link.h"
#include "foundation/files.h"
#include "foundation/log_file.h"
#include "foundation/version.h"
#include "gui/block_commands.h"
#include "gui/gui.h"
#include "gui/main_window.h"
#include "gui/parking_controls.h"
#include "gui/parking_interval.h"
#include "gui/tblo_notice.h"
#include "gui/time_shift.h"
#include "platform/winui/dialogs.h"
#include "platform/winui/messages.h"

namespace skyloom {

bool OptionCommands::handle(winui::HWND window, winui::WPARAM wParam) {
    bool handled = false;
    try {
        const int id = winui::LOWORD(wParam);
        handled = handleButton(id) || handleCheckbox(window, id) || handleChoice(window, wParam);
    } catch (const std::exception& error) {
        LogFile::writeImportant(fmt::format("{} exception {}", "lf_HandleWMCOMMAND", error.what()));
        return false;
    }
    if (handled) {
        gui_.redrawOptions();
    }
    return handled;
}

void OptionCommands::showOrClear(bool show, std::string text, bool log) {
    if (show) {
        gui_.showStatusText(std::move(text), log);
    } else {
        gui_.clearStatusText();
    }
}

bool OptionCommands::handleButton(int id) {
    ProgramParameters& p = parameters_;
    WindowRequests& requests = run_.requests();
    if (id == p.blockButton.controlId()) {
        const std::string aircraft = p.AIRCRAFT_SELECTOR.current();
        if (aircraft.empty() || aircraft == kSelectAircraftPrompt) {
            gui_.showStatusText("Nothing to block ...", true);
        } else {
            lf_blockAircraft(p, gui_, requests);
        }
    } else if (id == p.aircraftButton.controlId()) {
        requests.aircraftList.store(true, std::memory_order_release);
        p.aircraftButton.enable(false);
    } else if (id == p.unblockButton.controlId()) {
        requests.unblockPushed.store(true, std::memory_order_release);
        if (p.BLOCK_AIRCRAFT.empty()) {
            gui_.showStatusText("Nothing to unblock...", true);
        } else {
            lf_unblockAircraft(p, gui_);
        }
    } else if (id == p.flushButton.controlId()) {
        gui_.showStatusText("All static parked aircraft will be removed ...", false);
        requests.flush.store(true, std::memory_order_release);
        p.flushButton.enable(false);
    } else if (id == p.setButton.controlId()) {
        const TimeShiftLinks links{p, gui_, [this] { run_.requestNewSettings(0); }};
        gf_setTimeShift(links, gf_timeShiftMinutesOf(*p.settings()), false, true);
        p.setButton.enable(false);
    } else if (id == p.tbloButton.controlId()) {
        onTbloPushed();
    } else if (id == p.parkButton.controlId()) {
        onParkPushed();
    } else {
        return false;
    }
    return true;
}

void OptionCommands::onTbloPushed() {
    parameters_.tbloButton.enable(false);
    gf_setTbloNoticePending(false);
    if (!gf_openFolder(gf_tbloZipPath())) {
        gf_showMessageBox("Could not open File Explorer at tblo.zip.",
                          winui::MB_OK | winui::MB_ICONWARNING);
    }
}

void OptionCommands::onParkPushed() {
    // Without static parking at a park airport there is nothing to update.
    if (!gui_.staticParking().active) {
        return;
    }
    if (!gf_isRtDirect()) {
        gf_requestRtAppParkedTraffic();
    }
    gf_requestStaticParkingUpdate(gui_, parameters_, run_.requests());
    gf_showParkingInterval(gui_, *parameters_.settings());
}

} // namespace skyloom
