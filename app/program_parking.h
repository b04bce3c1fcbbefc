// The program's parking step, which chooses, keeps or leaves the park airport and runs a
// requested static-parking update (the context is the run's, app/program_traffic.h); and the
// window's park-airport links. Main worker thread.
#pragma once

#include "parking/parking_context.h"

namespace skyloom {

struct RunServices;

// One parking step of the main loop.
void gf_runParkingStep(ParkingContext& context);

// Fills the window's park-airport links (the stands of an airport's file, the reserved stand,
// the park airport's choice) from the parking code, reading airport files with `services`;
// before the window and the worker start.
void gf_installParkAirportLinks(const RunServices& services);

} // namespace skyloom
