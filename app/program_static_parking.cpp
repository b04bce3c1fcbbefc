#include "app/program_static_parking.h"

#include "config/parameters.h"
#include "feed/feed_fields.h"
#include "feed/feed_identities.h"
#include "feed/parked_traffic.h"
#include "gui/parking_controls.h"
#include "parking/park_airport_list.h"
#include "parking/parking_context.h"
#include "parking/parking_state.h"
#include "parking/stand_helper_seams.h"
#include "parking/static_parking_plan.h"
#include "runtime/current_day_slot.h"
#include "runtime/run_services.h"
#include "runtime/user_aircraft.h"
#include "traffic/bulk_removals.h"
#include "traffic/traffic_state.h"

namespace skyloom {

namespace {

// A parked report as the first report of an aircraft: the common part is filled the way a
// live aircraft's is.
void lf_initBaseFromParked(AircraftBase& base, const ParkedEntry& parked) {
    TrafficEntry head;
    head.key = LiveryKey{parked.airlineId, 0, parked.modelId, 0, 0};
    head.callsign = parked.callsign;
    head.registration = parked.registration;
    head.hexid = parked.hexid;
    gf_initAircraftBase(base, head);
}

} // namespace

StaticParkingState& gf_staticParkingState() {
    static StaticParkingState state;
    return state;
}

ParkingSeams gf_programParkingSeams(const ParkingContext& context) {
    ParkingSeams seams;
    gf_fillStandHelperSeams(seams, context.state, context.services.window);
    seams.gf_currentParkAirportName = [&list = context.list] { return list.currentName(); };
    seams.gf_standAtUserPosition = [&state = context.state,
                                    &user = context.user]() -> std::optional<std::string> {
        const UserPosition at = user.position();
        if (!at.known) {
            return std::nullopt;
        }
        return gf_standAtPosition(*state.standsSnapshot(), at.position);
    };
    seams.gf_isCategoryIncluded = [&parameters = context.parameters](AircraftCategory category) {
        return gf_isCategoryIncluded(category, *parameters.settings());
    };
    seams.gf_isValidIcao = [](const std::string& callsign) {
        return gf_airlineFromCallsign(callsign);
    };
    seams.gf_initAircraftBase = lf_initBaseFromParked;
    seams.gf_processParkedTraffic = [](std::int32_t wanted) {
        return gf_processParkedTraffic(wanted);
    };
    seams.gf_disableParkingControls = [] { gf_disableParkingControls(); };
    seams.gf_enableParkingControls = [] { gf_enableParkingControls(); };
    return seams;
}

void gf_wireStaticParking(ParkingContext& context, TrafficState& traffic) {
    ParkingState& parking = context.state;
    StaticParkingState* plan = context.staticParking;
    ProgramParameters& parameters = context.parameters;
    WindowSink& window = context.services.window;
    const TrafficSource road = context.rtDirect ? TrafficSource::rtDirect : TrafficSource::rtApp;
    const ParkingSeams seams = gf_programParkingSeams(context);
    context.steps.planStaticParking = [&parking, plan, &parameters, &window, road, &traffic,
                                       seams] {
        if (plan == nullptr) {
            return;
        }
        const auto settings = parameters.settings();
        const ModelFacts models = gf_dbaseModelFacts();
        const StaticParkingRun run{parking.stands,       traffic.staticAircraft,
                                   traffic.liveAircraft, *settings,
                                   parking.qfSoft,       gf_currentDaySlot(),
                                   seams,                models,
                                   window,               &gf_feedIdentities(road),
                                   &gf_parkedTraffic(road)};
        lf_planStaticParking(run, *plan);
    };
    context.steps.removeAllStaticAndLiveAtAirport = [&traffic] {
        lf_removeAllStaticAndLiveAtAirport(traffic);
    };
}

void gf_enableParkingControlsWhenPlanned(const ParkingContext& context) {
    StaticParkingState* plan = context.staticParking;
    if (plan != nullptr && plan->generating && plan->plan.empty()) {
        plan->generating = false;
        gf_enableParkingControls();
    }
}

} // namespace skyloom
