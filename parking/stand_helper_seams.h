// The parking code's own stand and option helpers as the static parking plan's seams: one
// filling for the program and for every test of the plan, so that both run the same helpers.
// The stand table the plan passes must be the parking state's own (`state.stands`).
#pragma once

#include "parking/static_parking_state.h"

namespace skyloom {

class ParkingState;
class WindowSink;

// Sets gf_standById, gf_reserveStand, gf_standsConflict, lf_sameAircraftKey,
// gf_setParkedAircraftTarget (showing the target in `window`), gf_blockUserStandForStatic,
// lf_findStandByWord and gf_standIdText over `state`, which must outlive the seams.
void gf_fillStandHelperSeams(ParkingSeams& seams, ParkingState& state, WindowSink& window);

} // namespace skyloom
