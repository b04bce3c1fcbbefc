#include "app/program_traffic.h"

#include "app/main_run_context.h"
#include "app/program_mailbox.h"
#include "foundation/file_header.h"
#include "config/parameters.h"
#include "config/startup_choices.h"
#include "gui/gui.h"
#include "parking/airport_fetch.h"
#include "parking/park_airport_list.h"
#include "parking/parking_state.h"
#include "parking/static_parking.h"
#include "parking/static_parking_state.h"
#include "refdata/park_airport.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "traffic/removals/bulk_removals.h"
#include "traffic/step/traffic_tick.h"

namespace skyloom {

QuarantineMap& gf_programQuarantine() {
    static QuarantineMap quarantine;
    return quarantine;
}

StaticParkingState& gf_staticParkingState() {
    static StaticParkingState state;
    return state;
}

ProgramTraffic::ProgramTraffic(const MainRunContext& context)
    : services_(context.services()),
      parkingWindow_(context.gui, gf_params(), context.requests),
      parkAirport_(gf_parkingState(), gf_parkAirportList(), gf_parkAirportEntry(), context.user,
                   gf_staticParkingState(), services_.window),
      traffic_(TrafficLinks{gf_simCommandQueue(), gf_simEventQueue(), gf_aiPositionBatch(),
                            g_trafficTick, gf_trafficMailbox(), context.user, services_,
                            parkAirport_}),
      parking_{gf_parkingState(),       gf_parkAirportList(), gf_parkAirportEntry(),
               gf_params(),             context.user,         services_,
               parkingWindow_,          traffic_,             gf_staticParkingState(),
               gf_isRtDirect(),         gf_isMsfs2020() ? kHeaderSimMsfs2020 : kHeaderSimMsfs2024} {
    lf_initTrafficState(traffic_);
    traffic_.quarantine = &gf_programQuarantine();
    // Each run asks the download area again for the airport files the last one could not have.
    gf_forgetFailedAirportDownloads();
}

ProgramTraffic::~ProgramTraffic() {
    // Downloads that are still failing when the run ends are said to have stopped.
    gf_forgetFailedAirportDownloads();
}

void ProgramTraffic::leaveParkAirport() {
    if (parking_.entry.isSet()) {
        parking_.staticParking.plan.clear();
        lf_removeAllStaticAndLiveAtAirport(traffic_);
    }
    if (parking_.state.airportFileApplied || parking_.entry.isSet()) {
        lf_stopStaticParking(parking_);
    }
}

} // namespace skyloom
