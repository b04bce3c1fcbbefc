// The combo boxes: a new selection of a list of texts or of numbers. A text that equals the
// current one changes nothing; a number is clamped to its parameter's range.
#include <fmt/format.h>

#include "config/parameter_rules.h"
#include "config/parameters.h"
#include "config/startup_choices.h"
#include "config/window_requests.h"
#include "feed/rt_app_link.h"
#include "runtime/rt_status.h"
#include "foundation/log_file.h"
#include "foundation/version.h"
#include "gui/control_text.h"
#include "gui/gui.h"
#include "gui/main_window.h"
#include "gui/option_commands.h"
#include "gui/park_airport_links.h"
#include "gui/parking_interval.h"
#include "sim/sim_link_state.h"

namespace skyloom {

bool OptionCommands::handleChoice(winui::HWND window, winui::WPARAM wParam) {
    return handleTextChoice(window, wParam) || handleNumberChoice(window, wParam);
}

bool OptionCommands::handleTextChoice(winui::HWND window, winui::WPARAM wParam) {
    ProgramParameters& p = parameters_;
    const auto selected = [&](const OptionControl& control) {
        return gf_comboSelection(window, control.controlId(), wParam);
    };
    // Stores and saves the choice when it differs from the current one.
    const auto changed = [&](ChoiceParameter& choice, const std::string& text) {
        if (text == choice.value()) {
            return false;
        }
        choice.setValue(text);
        choice.publish();
        return true;
    };

    if (const auto selection = selected(p.SIM_CHOICE)) {
        if (changed(p.SIM_CHOICE, selection->text)) {
            g_simChoiceSwitched.store(true);
            gui_.showStatusText(fmt::format("Switching MSFS version in {}", kProgramName), true);
            run_.requestNewSettings(3);
        }
    } else if (const auto selection = selected(p.AI_PACKAGE_SELECTOR)) {
        if (changed(p.AI_PACKAGE_SELECTOR, selection->text)) {
            gui_.showStatusText(
                "If you want to make this choice effective, you must start a Scan for liveries",
                true);
        }
    } else if (const auto selection = selected(p.RT_CHOISE)) {
        if (changed(p.RT_CHOISE, selection->text)) {
            // Taken at the next start; until then the choice stays as made.
            p.RT_CHOISE.enable(false);
            if (!gf_isRtDirect() && g_rtConnected.load()) {
                gf_closeRtAppClient();
            }
            run_.requestNewSettings(0);
        }
    } else if (const auto selection = selected(p.QNH_UNIT)) {
        if (changed(p.QNH_UNIT, selection->text)) {
            gui_.enqueueUpdate(GuiUpdate::QnhUnit{selection->text == kQnhInHgText});
        }
    } else if (const auto selection = selected(p.AIRCRAFT_SELECTOR)) {
        if (selection->text != kSelectAircraftPrompt) {
            p.AIRCRAFT_SELECTOR.setCurrent(selection->text);
            p.blockButton.enable(true);
        }
    } else if (const auto selection = selected(p.STAND_SELECTOR)) {
        if (selection->text != kSelectStandPrompt) {
            p.STAND_SELECTOR.setCurrent(selection->text);
            const std::string airport = p.DESTINATION.value();
            gui_.showStatusText(
                fmt::format("selected stand '{}' at airport '{}'", selection->text, airport), true);
            const auto& reserveStand = gf_parkAirportLinks().reserveStand;
            if (!reserveStand || !reserveStand(airport, selection->text)) {
                LogFile::writeImportant(fmt::format("could not update stand {} in airport {}",
                                                    selection->text, airport));
            }
            gui_.redrawAirportPanel();
        }
    } else if (const auto selection = selected(p.ALL_AIR_GND_SELECTOR)) {
        p.ALL_AIR_GND_SELECTOR.setValue(selection->text);
        p.ALL_AIR_GND_SELECTOR.publish();
    } else {
        return false;
    }
    return true;
}

bool OptionCommands::handleNumberChoice(winui::HWND window, winui::WPARAM wParam) {
    ProgramParameters& p = parameters_;
    WindowRequests& requests = run_.requests();
    const bool rtDirect = gf_isRtDirect();
    for (IntListParameter* list :
         {&p.MATCHING_DEPTH, &p.TCAS_FL, &p.parking_percentage, &p.HOLDING_THRESHOLD_METERS,
          &p.MAX_HOLDING_MINUTES, &p.AIRP_RANGE, &p.AIRP_HEIGHT, &p.RANGE,
          &p.PARKING_INTERVAL_MINUTES, &p.MAX_PARK_SEL, &p.MAX_LIVE_SEL, &p.TIME_SHIFT_DAYS,
          &p.TIME_SHIFT_HOURS, &p.TIME_SHIFT_MINS}) {
        const bool timeShift =
            list == &p.TIME_SHIFT_DAYS || list == &p.TIME_SHIFT_HOURS || list == &p.TIME_SHIFT_MINS;
        // The time shift is asked of the web API only.
        if (timeShift && !rtDirect) {
            continue;
        }
        const auto selection = gf_comboSelection(window, list->controlId(), wParam);
        if (!selection) {
            continue;
        }
        const std::int32_t before = list->value();
        list->setValue(list->valueAt(selection->index));
        if (list == &p.RANGE) {
            gf_setRange(p, p.RANGE.value());
            return true;
        }
        list->publish();
        if (list == &p.MATCHING_DEPTH && list->value() > before) {
            requests.matchingDepthRaised.store(true, std::memory_order_release);
        } else if (list == &p.PARKING_INTERVAL_MINUTES) {
            gf_showParkingInterval(gui_, *p.settings());
        } else if (list == &p.MAX_PARK_SEL) {
            requests.maxParkChanged.store(true, std::memory_order_release);
        } else if (list == &p.MAX_LIVE_SEL) {
            requests.maxLiveChanged.store(true, std::memory_order_release);
        } else if (timeShift) {
            p.setButton.enable(true);
        }
        return true;
    }
    if (const auto selection = gf_comboSelection(window, p.MAX_FIT_FL.controlId(), wParam)) {
        gf_setMaxFitFl(p, p.MAX_FIT_FL.valueAt(selection->index));
        p.MAX_FIT.setValue(gf_hoursToMaxFitIndex(p.MAX_FIT_FL.value()));
        p.MAX_FIT.publish();
        return true;
    }
    return false;
}

} // namespace skyloom
