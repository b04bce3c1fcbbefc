// The program's own run services, built here and nowhere else: its stop request, its user
// aircraft and the `RunServices` bundle of its clock, stop request and window. The start-up
// hands them down to every subsystem; nothing below app/ reaches for them.
#pragma once

#include "runtime/run_services.h"

namespace skyloom {

class StopControl;
class UserAircraft;

// The program's stop request.
StopControl& gf_stopControl();
// True while the program's run is to go on.
bool gf_keepRunning() noexcept;
// "NEW FLIGHT" with a 60 s countdown on the program's stop request.
void gf_requestNewFlightRestart() noexcept;

// The program's user aircraft.
UserAircraft& gf_userAircraft();

// The program's clock (gf_clock), stop request and window (gf_gui).
RunServices gf_runServices();

} // namespace skyloom
