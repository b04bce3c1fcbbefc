// The program's parking: its parking state, park-airport list and park airport entry, the
// parameters, the window's parking controls and the feed's steps, wired into one
// `ParkingContext` for the main loop's parking step and the shutdown; and the parking step
// itself, which chooses, keeps or leaves the park airport and runs a requested static-parking
// update. Main worker thread.
#pragma once

#include "parking/parking_context.h"

namespace skyloom {

class UserAircraft;
struct RunServices;

// The program's parking context; `services` must outlive it.
ParkingContext gf_programParkingContext(const UserAircraft& user, const RunServices& services);

// One parking step of the main loop.
void gf_runParkingStep(ParkingContext& context);

// Fills the window's park-airport links (the stands of an airport's file, the reserved stand,
// the park airport's choice) from the parking code, reading airport files with `services`;
// before the window and the worker start.
void gf_installParkAirportLinks(const RunServices& services);

} // namespace skyloom
