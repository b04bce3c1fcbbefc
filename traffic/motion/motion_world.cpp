#include "traffic/motion/motion_world.h"

#include "config/params_snapshot.h"
#include "feed/qnh.h"
#include "foundation/geodesy.h"
#include "refdata/park_airport.h"
#include "runtime/run_services.h"
#include "runtime/user_aircraft.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

void gf_refreshMotionWorld(TrafficState& state) {
    MotionWorld& world = state.motionWorld;
    world.runways = state.runways.runways();
    const AirportEntry park = gf_parkAirportEntry().get();
    world.parkAirport = {park.position(), static_cast<double>(park.altitudeFt), park.iata,
                         park.icao.isSet() && gf_isValidLalo(park.position())};
    const UserPosition user = state.user.position();
    world.userPosition = user.known ? user.position : Lalo{};
    const auto settings = gf_paramsSnapshot();
    world.rangeNm = settings->RANGE;
    world.maxHoldingMinutes = static_cast<std::int32_t>(settings->MAX_HOLDING_MINUTES);
    world.qnhHpa = gf_qnh();
}

void lf_correctRunwayHeadings(TrafficState& state, const IcaoCode& icao, std::string_view source) {
    state.runways.correctRunwayHeadings(icao, source, gf_parkAirportEntry().get(),
                                        state.services.stop);
    state.motionWorld.runways = state.runways.runways();
}

void gf_clearParkAirportRunways(TrafficState& state) {
    state.runways.stop();
    state.motionWorld.runways = state.runways.runways();
}

} // namespace skyloom
