// The parking controls of the main window as a group: disabled while a static-parking update
// runs and enabled again when it has finished, and kept consistent with the park options
// (with "RT parked only" the parked traffic comes from RealTraffic alone, so the options of
// the own parking plan do not apply; with "auto park" the airport's file decides the week and
// soft options and the maximum fit). The worker calls these too: they touch the controls only
// by enabling them and show everything else through window updates.
#pragma once

namespace skyloom {

class Gui;
class ProgramParameters;
class WindowRequests;

// Disables the eleven parking controls (the park options, "max live", the update interval,
// "Park" and "Flush").
void gf_disableParkingControls(Gui& gui, ProgramParameters& parameters);
void gf_disableParkingControls();

// Clears the mark of a static-parking update in progress, enables the parking controls as the
// park options allow, shows the minutes to the next update and clears the status line (or
// shows the unmatched-airport notice while it is pending).
void gf_enableParkingControls(Gui& gui, ProgramParameters& parameters, WindowRequests& requests);
void gf_enableParkingControls();

// The park options that apply only to the own parking plan are enabled exactly when
// RT_PARKTRAFFIC_ONLY is off; MAX_FIT_FL as for gf_applyAutoPark.
void gf_applyRtParkTrafficOnly(Gui& gui, ProgramParameters& parameters);
void gf_applyRtParkTrafficOnly();
// WEEK and PARK_SOFT are enabled exactly when AUTO_PARK and RT_PARKTRAFFIC_ONLY are off;
// MAX_FIT_FL when AUTO_PARK is off or RT_PARKTRAFFIC_ONLY is on.
void gf_applyAutoPark(Gui& gui, ProgramParameters& parameters);
void gf_applyAutoPark();
// Both of the above.
void gf_applyParkingControlStates(Gui& gui, ProgramParameters& parameters);
void gf_applyParkingControlStates();

// "Park": "Skyloom will update static parking soon ...", the parking controls disabled, and
// one more static-parking update asked of the worker.
void gf_requestStaticParkingUpdate(Gui& gui, ProgramParameters& parameters,
                                   WindowRequests& requests);

} // namespace skyloom
