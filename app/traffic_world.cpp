#include "app/traffic_world.h"

#include "config/params_snapshot.h"
#include "feed/qnh.h"
#include "foundation/geodesy.h"
#include "foundation/random.h"
#include "refdata/park_airport.h"
#include "runtime/user_aircraft.h"
#include "traffic/step/aircraft_record.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

ProgramTrafficWorld::ProgramTrafficWorld(TrafficState& traffic, const UserAircraft& user,
                                         const StopControl& stop)
    : traffic_(traffic), user_(user), stop_(stop) {
    MotionWorld& world = traffic_.motionWorld;
    world.categoryIncluded = [](AircraftCategory category) {
        return gf_isCategoryIncluded(category, *gf_paramsSnapshot());
    };
    world.randomIndex = [](std::uint32_t n) {
        return static_cast<std::uint32_t>(gf_randomIndex(n));
    };
    refresh();
}

void ProgramTrafficWorld::correctRunwayHeadings(const IcaoCode& icao, std::string_view source) {
    runways_.correctRunwayHeadings(icao, source, gf_parkAirportEntry().get(), stop_);
    refresh();
}

void ProgramTrafficWorld::refresh() {
    MotionWorld& world = traffic_.motionWorld;
    world.runways = runways_.runways();
    const AirportEntry park = gf_parkAirportEntry().get();
    world.parkAirport = {park.position(), static_cast<double>(park.altitudeFt), park.iata,
                         park.icao.isSet() && gf_isValidLalo(park.position())};
    const UserPosition user = user_.position();
    world.userPosition = user.known ? user.position : Lalo{};
    const auto settings = gf_paramsSnapshot();
    world.rangeNm = settings->RANGE;
    world.maxHoldingMinutes = static_cast<std::int32_t>(settings->MAX_HOLDING_MINUTES);
    world.qnhHpa = gf_qnh();
}

} // namespace skyloom
