// The option controls as every start leaves them, before the livery scan: the saved block, range,
// park options and livery scan mode, and the traffic road, enable or disable them; the traffic
// source's choice, closed by a change until the next start, opens again. The program's
// start-up and window_capture both go through it, so that a capture shows the controls the
// program shows. Worker thread at start-up (or the GUI thread of a window without a run).
#pragma once

namespace skyloom {

class Gui;
class ProgramParameters;
class UserAircraft;

void gf_applyStartupControls(Gui& gui, ProgramParameters& parameters, const UserAircraft& user,
                             bool rtDirect);

} // namespace skyloom
