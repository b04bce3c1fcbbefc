#include "parking/static_parking.h"

#include "config/parameters.h"
#include "parking/learned_airport_file.h"
#include "parking/park_airport_stands.h"
#include "parking/parking_context.h"
#include "parking/parking_state.h"
#include "parking/static_parking_state.h"
#include "refdata/park_airport.h"
#include "runtime/run_services.h"
#include "runtime/window_sink.h"

namespace skyloom {

void gf_saveLearnedOfParkAirport(ParkingContext& context) {
    const auto settings = context.parameters.settings();
    gf_saveLearned(context.state, context.state.stands, context.state.file.handmadeOverruled,
                   {context.entry, *settings, context.simulator, context.services.clock});
}

void lf_updateStaticParking(ParkingContext& context) {
    context.state.parkingUpdateRequested = false;
    // The reload replaces the stand table: what was learned since the last load is saved
    // first, or it would be lost with the old table.
    gf_saveLearnedOfParkAirport(context);
    const ParkedFileOutcome outcome = lf_readParkedFile(context);
    if (outcome.ok) {
        gf_runStep(context.steps.planStaticParking);
        return;
    }
    gf_runStep(context.controls.applyParkingControlStates);
    context.services.window.showStatusText(outcome.text, false);
    lf_stopStaticParking(context);
}

void lf_stopStaticParking(ParkingContext& context) {
    if (context.state.airportFileApplied) {
        gf_saveLearnedOfParkAirport(context);
        gf_applyParkOptions(context.parameters, context.state.recordedParkOptions,
                            context.controls);
    }
    context.state.airportFileApplied = false;
    // The plan, its removals and stayers name stands of the airport that is left.
    if (context.staticParking != nullptr) {
        gf_clearStaticParkingState(*context.staticParking);
    }
    context.entry.clear();
    context.services.window.enqueueUpdate(GuiUpdate::ParkAirport{IcaoCode()});
    context.state.clear();
}

} // namespace skyloom
