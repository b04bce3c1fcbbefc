// The park options at the park airport: republishing their parameters' values in the settings
// snapshot, recording the options in force once an airport file is applied there, and putting
// the recorded options back (saved, with their controls) when static parking stops. Main worker
// thread; the controls belong to the GUI thread and are reached by message or through
// `ParkingWindow`, which the window implements.
#pragma once

#include "config/params_snapshot.h"

namespace skyloom {

class ParkingWindow;
class ProgramParameters;

// Republishes parking_percentage, MAX_PARK_SEL, MAX_FIT, RT_PARKTRAFFIC_ONLY, AUTO_PARK, WEEK
// and PARK_SOFT from their parameters by compare-and-exchange; MAX_LIVE_SEL keeps the
// snapshot's value. Nothing when the parameters have no snapshot cell.
void gf_publishParkOptions(ProgramParameters& parameters);

// The park options of the current snapshot.
ParkOptions gf_takeParkOptions(const ProgramParameters& parameters);

// Puts each recorded option whose parameter differs back (clamped, saved, shown in its
// control), republishes, and brings the parking controls' enabled state in line. MAX_PARK_SEL
// and MAX_LIVE_SEL are not restored.
void gf_applyParkOptions(ProgramParameters& parameters, const ParkOptions& recorded,
                         ParkingWindow& controls);

} // namespace skyloom
