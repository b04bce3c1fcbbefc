#include "gui/parking_controls.h"

#include <initializer_list>

#include <fmt/format.h>

#include "config/parameters.h"
#include "config/window_requests.h"
#include "foundation/version.h"
#include "gui/gui.h"
#include "gui/parking_interval.h"

namespace skyloom {
namespace {

void lf_enableParkingControls(ProgramParameters& p, bool enabled) {
    for (const OptionControl* control : std::initializer_list<const OptionControl*>{
             &p.parking_percentage, &p.AUTO_PARK, &p.WEEK, &p.PARK_SOFT, &p.MAX_FIT_FL,
             &p.MAX_PARK_SEL, &p.MAX_LIVE_SEL, &p.flushButton, &p.PARKING_INTERVAL_MINUTES,
             &p.parkButton, &p.RT_PARKTRAFFIC_ONLY}) {
        control->enable(enabled);
    }
}

// The maximum fit is the own plan's limit unless the airport's file decides it (auto park);
// with RealTraffic's parked traffic alone it limits how long those may stay.
bool lf_maxFitApplies(const ProgramParameters& p) {
    return p.RT_PARKTRAFFIC_ONLY.value() || !p.AUTO_PARK.value();
}

} // namespace

void gf_disableParkingControls(Gui& gui, ProgramParameters& parameters) {
    lf_enableParkingControls(parameters, false);
    gui.redrawOptions();
}

void gf_disableParkingControls() {
    gf_disableParkingControls(gf_gui(), gf_params());
}

void gf_enableParkingControls(Gui& gui, ProgramParameters& parameters, WindowRequests& requests) {
    requests.parkingGenerating.store(false);
    lf_enableParkingControls(parameters, true);
    gf_applyParkingControlStates(gui, parameters);
    gui.enqueueUpdate(
        GuiUpdate::NextParkingUpdate{parameters.settings()->PARKING_INTERVAL_MINUTES});
    gui.redrawOptions();
    gui.clearStatusText();
}

void gf_enableParkingControls() {
    gf_enableParkingControls(gf_gui(), gf_params(), gf_windowRequests());
}

void gf_applyRtParkTrafficOnly(Gui& gui, ProgramParameters& p) {
    const bool ownPlan = !p.RT_PARKTRAFFIC_ONLY.value();
    for (const OptionControl* control : std::initializer_list<const OptionControl*>{
             &p.parking_percentage, &p.AUTO_PARK, &p.WEEK, &p.PARK_SOFT}) {
        control->enable(ownPlan);
    }
    p.MAX_FIT_FL.enable(lf_maxFitApplies(p));
    gui.redrawOptions();
}

void gf_applyRtParkTrafficOnly() {
    gf_applyRtParkTrafficOnly(gf_gui(), gf_params());
}

void gf_applyAutoPark(Gui& gui, ProgramParameters& p) {
    p.MAX_FIT_FL.enable(lf_maxFitApplies(p));
    // Neither applies with RealTraffic's parked traffic alone, whatever auto park says.
    const bool ownChoice = !p.AUTO_PARK.value() && !p.RT_PARKTRAFFIC_ONLY.value();
    p.WEEK.enable(ownChoice);
    p.PARK_SOFT.enable(ownChoice);
    gui.redrawOptions();
}

void gf_applyAutoPark() {
    gf_applyAutoPark(gf_gui(), gf_params());
}

void gf_applyParkingControlStates(Gui& gui, ProgramParameters& parameters) {
    gf_applyRtParkTrafficOnly(gui, parameters);
    gf_applyAutoPark(gui, parameters);
}

void gf_applyParkingControlStates() {
    gf_applyParkingControlStates(gf_gui(), gf_params());
}

void gf_requestStaticParkingUpdate(Gui& gui, ProgramParameters& parameters,
                                   WindowRequests& requests) {
    gui.showStatusText(fmt::format("{} will update static parking soon ...", kProgramName), false);
    gf_disableParkingControls(gui, parameters);
    requests.staticParkingUpdates.fetch_add(1);
}

} // namespace skyloom
