#include "app/program_parking.h"

#include <optional>

#include "config/parameters.h"
#include "foundation/clock.h"
#include "foundation/geodesy.h"
#include "gui/park_airport_links.h"
#include "parking/park_airport_choice.h"
#include "parking/park_airport_list.h"
#include "parking/park_airport_stands.h"
#include "parking/parking_state.h"
#include "parking/static_parking.h"
#include "refdata/park_airport.h"
#include "runtime/run_services.h"
#include "runtime/user_aircraft.h"

namespace skyloom {

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
    // A park airport whose file could not be downloaded for a passing reason (a network blip)
    // is read again once the download may be tried again.
    const std::optional<Clock::SteadyTime> readAgainAt = context.state.fileReadAgainAt;
    if (readAgainAt && context.entry.isSet() &&
        context.services.clock.steadyNow() >= *readAgainAt) {
        context.state.fileReadAgainAt.reset();
        lf_updateStaticParking(context);
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
