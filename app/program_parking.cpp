#include "app/program_parking.h"

#include "app/program_static_parking.h"

#include "config/parameters.h"
#include "config/startup_choices.h"
#include "feed/feed_identities.h"
#include "feed/rt_app_link.h"
#include "feed/rtapi_query_area.h"
#include "foundation/file_header.h"
#include "foundation/geodesy.h"
#include "gui/park_airport_links.h"
#include "gui/parking_controls.h"
#include "gui/parking_interval.h"
#include "parking/park_airport_choice.h"
#include "parking/park_airport_list.h"
#include "parking/park_airport_stands.h"
#include "parking/parking_state.h"
#include "parking/static_parking.h"
#include "parking/static_parking_state.h"
#include "refdata/park_airport.h"
#include "runtime/user_aircraft.h"
#include "traffic/step/traffic_tick.h"

namespace skyloom {

ParkingContext gf_programParkingContext(const UserAircraft& user, const RunServices& services) {
    ParkingContext context{gf_parkingState(), gf_parkAirportList(), gf_parkAirportEntry(),
                           gf_params(),       user,                 services, {}, {}};
    context.controls.applyRtParkTrafficOnly = [] { gf_applyRtParkTrafficOnly(); };
    context.controls.applyAutoPark = [] { gf_applyAutoPark(); };
    context.controls.applyParkingControlStates = [] { gf_applyParkingControlStates(); };
    context.controls.disableParkingControls = [] { gf_disableParkingControls(); };
    context.controls.enableParkingControls = [] { gf_enableParkingControls(); };
    context.controls.enableParkButton = [](bool on) { gf_params().parkButton.enable(on); };
    context.controls.enableFlushButton = [](bool on) { gf_params().flushButton.enable(on); };
    context.steps.showParkingInterval = [] { gf_showParkingInterval(); };
    context.trafficTick = &g_trafficTick;
    context.rtDirect = gf_isRtDirect();
    context.simulator = gf_isMsfs2020() ? kHeaderSimMsfs2020 : kHeaderSimMsfs2024;
    context.steps.requestRtAppParkedTraffic = [] { gf_requestRtAppParkedTraffic(); };
    context.steps.clearTrafficMaps = [] { gf_clearTrafficMaps(); };
    context.staticParking = &gf_staticParkingState();
    context.steps.clearStaticPlan = [] { gf_staticParkingState().plan.clear(); };
    context.steps.setFeedReference = [rtDirect = context.rtDirect](std::optional<double> ft) {
        rtDirect ? gf_setRtApiReference(ft) : gf_setRtAppReference(ft);
    };
    return context;
}

// A requested static-parking update is the whole step: the park airport is chosen, kept or left
// at the next one.
void gf_runParkingStep(ParkingContext& context) {
    if (context.state.parkingUpdateRequested) {
        if (context.entry.isSet()) {
            lf_updateStaticParking(context);
        } else {
            context.state.parkingUpdateRequested = false;
        }
        return;
    }
    const UserPosition user = context.user.position();
    if (!user.known) {
        return;
    }
    // A user descending without a destination brings the park airport ahead of it forward.
    const auto settings = context.parameters.settings();
    if (settings->DESTINATION.empty() && !context.user.onGround &&
        context.user.state().altitudeAboveGround < settings->AIRP_HEIGHT) {
        context.list.bringNearestToFront(user.position);
    }
    const AirportEntry park = context.entry.get();
    if (!park.icao.isSet() || !gf_isValidLalo(park.position())) {
        gf_updateParkAirport(context, user.position);
    } else {
        gf_checkParkAirportsReach(context, user.position);
    }
}

void gf_installParkAirportLinks(const RunServices& services) {
    ParkAirportLinks& links = gf_parkAirportLinks();
    links.readApfForStands = [services](const IcaoCode& airport) {
        ApfStandList list;
        auto read = gf_readApfForStands(airport, services);
        if (auto* failure = std::get_if<std::string>(&read)) {
            list.failure = std::move(*failure);
            return list;
        }
        list.read = true;
        std::uint32_t sid = 0;
        for (std::string& name : std::get<std::vector<std::string>>(read)) {
            list.stands.push_back({std::move(name), ++sid});
        }
        return list;
    };
    links.findParkAirportName = [](const IcaoCode& airport) {
        return gf_findParkAirportName(airport);
    };
    links.setParkAirportPosition = [](const IcaoCode& airport, const Lalo& position) {
        gf_setParkAirportPosition(airport, position);
    };
    links.reserveStand = [](const std::string& airport, const std::string& stand) {
        const std::optional<IcaoCode> code = IcaoCode::parse(airport);
        return code && gf_parkAirportList().reserveStand(*code, stand);
    };
}

} // namespace skyloom
