// simprobe's airport mode: reads one airport's stands and runways through the program's own
// facility readers (sim/facility_parking.h, sim/facility_runways.h) against the installed
// world and prints them, then what the readers logged.
#pragma once

#include <string>
#include <vector>

#include "foundation/manual_clock.h"

namespace skyloom::simprobe {

// The lines to print; the world must be installed and run on `clock`.
std::vector<std::string> gf_airportReport(ManualClock& clock, const std::string& icao);

} // namespace skyloom::simprobe
