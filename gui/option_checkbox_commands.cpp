// The check boxes: a click toggles the box (it never toggles itself), stores, saves and
// republishes its parameter, and then does what the setting needs beyond that (nothing more
// for FLIGHT_MESSAGES, WEEK, PARK_SOFT and the two scan switches).
#include <atomic>

#include <fmt/format.h>

#include "config/parameters.h"
#include "config/program_paths.h"
#include "config/startup_choices.h"
#include "config/window_requests.h"
#include "foundation/text.h"
#include "foundation/version.h"
#include "gui/gui.h"
#include "gui/main_window.h"
#include "gui/option_commands.h"
#include "gui/parking_controls.h"
#include "gui/traffic_range.h"

namespace skyloom {
namespace {

// A category switched off: its aircraft are to go.
std::atomic<bool>* lf_removalFlag(const ProgramParameters& p, WindowRequests& requests, int id) {
    if (id == p.TWO_PROPS.controlId()) {
        return &requests.twoPropsRemoved;
    }
    if (id == p.LIGHT_AIRCRAFT.controlId()) {
        return &requests.lightAircraftRemoved;
    }
    if (id == p.HELICOPTERS.controlId()) {
        return &requests.helicoptersRemoved;
    }
    if (id == p.HIGH_PERF_AIRCRAFT.controlId()) {
        return &requests.highPerfRemoved;
    }
    return nullptr;
}

} // namespace

bool OptionCommands::handleCheckbox(winui::HWND window, int id) {
    ProgramParameters& p = parameters_;
    CheckboxParameter* box = p.findCheckbox(id);
    if (box == nullptr) {
        return false;
    }
    // The road decides whether these apply at all: the simulator's time is followed and kept
    // only with the web API, the Aerowinx mode is one of the App.
    const bool rtDirect = gf_isRtDirect();
    if (((box == &p.SIM_TIME || box == &p.KEEP_SIM_TIME_PAR) && !rtDirect) ||
        (box == &p.AEROWINX && rtDirect)) {
        return false;
    }
    box->onClicked(window, id);
    const bool on = box->value();

    if (box == &p.LIG_AUTOMATIC) {
        showOrClear(!on, "The liveries defined by your lfolder parameters will be scanned", false);
        p.AI_PACKAGE_SELECTOR.enable(on);
    } else if (box == &p.LIG_PRIORITIZE) {
        showOrClear(on,
                    "Liveries, for airl+model, in lower lfolders that are already available will "
                    "be skipped",
                    false);
    } else if (box == &p.COLLISION_LIVE_PARKED_GND) {
        showOrClear(!on,
                    "Be aware, live aircraft may collide with (run through) static parked on the "
                    "ground",
                    false);
    } else if (box == &p.COLLISION_USER_GND) {
        showOrClear(!on,
                    "Be aware, user aircraft may collide with (run through) live aircraft and "
                    "static parked on the ground",
                    false);
    } else if (box == &p.COLLISION_USER_AIR) {
        showOrClear(!on,
                    "Be aware, user aircraft may collide with (run through) live aircraft in the "
                    "air",
                    false);
    } else if (box == &p.RT_PARKTRAFFIC_ONLY) {
        gf_applyRtParkTrafficOnly(gui_, p);
        run_.requests().noteParkTrafficOnlyChange(on);
    } else if (box == &p.AUTO_PARK) {
        gf_applyAutoPark(gui_, p);
    } else if (box == &p.RANDOM) {
        showOrClear(!on,
                    "Be aware: no randomness in matching or parking! (This mode is meant for multi "
                    "Sims)",
                    true);
    } else if (box == &p.ALWAYS_ON_TOP) {
        showOrClear(on, fmt::format("{}'s window will remain visible", kProgramName), false);
        gui_.enqueueUpdate(GuiUpdate::StayOnTop{on});
    } else if (box == &p.GUID_CHANGES) {
        showOrClear(!on,
                    "Be aware, no more livery updates: you miss correct data for Learn, "
                    "LittleNavMap, etc!",
                    false);
    } else if (box == &p.SIM_TIME) {
        onSimTimeSwitched();
    } else if (box == &p.AEROWINX) {
        showOrClear(
            on,
            fmt::format("Note: This mode is for Aerowinx PSX users only, please re-start {}",
                        kProgramName),
            false);
    } else if (box == &p.NAV_LIGHTS_WHILE_PARKED) {
        run_.requests().navLightsWhileParked.store(on, std::memory_order_release);
    } else if (std::atomic<bool>* removal = lf_removalFlag(p, run_.requests(), id)) {
        if (!on) {
            removal->store(true, std::memory_order_release);
        }
    } else if (box == &p.AUTO_RANGE) {
        gf_applyRange(p, run_.userAircraft());
    } else if (box == &p.OBJECTID_LIST) {
        showOrClear(on,
                    fmt::format("Every minute info about all active live aircraft is written to "
                                "the file {}",
                                gf_pathToUtf8(gf_objectIdListPath())),
                    true);
    }
    return true;
}

// Following the simulator's time replaces the chosen shift: the three shift values go to 0
// and the web API is asked afresh after a restart.
void OptionCommands::onSimTimeSwitched() {
    ProgramParameters& p = parameters_;
    for (IntListParameter* shift : {&p.TIME_SHIFT_DAYS, &p.TIME_SHIFT_HOURS, &p.TIME_SHIFT_MINS}) {
        shift->setValue(0);
        shift->selectCurrent();
        p.applySettings(*shift);
    }
    p.setButton.enable(false);
    run_.requestNewSettings(0);
}

} // namespace skyloom
