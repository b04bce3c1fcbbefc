#include "gui/startup_controls.h"

#include "config/parameters.h"
#include "gui/block_commands.h"
#include "gui/gui.h"
#include "gui/parking_controls.h"
#include "gui/time_shift.h"
#include "gui/traffic_range.h"

namespace skyloom {

void gf_applyStartupControls(Gui& gui, ProgramParameters& parameters, const UserAircraft& user,
                             bool rtDirect) {
    gf_showSavedBlock(parameters);
    gf_applyRange(parameters, user);
    gf_applyParkingControlStates(gui, parameters);
    // The livery scan closes the package choice while it runs and opens it again after an
    // automatic scan.
    parameters.AI_PACKAGE_SELECTOR.enable(parameters.LIG_AUTOMATIC.value());
    // A change of the traffic source closes its choice until the start that takes it: this
    // one. A source that cannot connect must be changeable again from the window.
    parameters.RT_CHOISE.enable(true);
    gf_applyTimeShiftControls(parameters, gui, rtDirect);
}

} // namespace skyloom
