#include "parking/parking_park_airport.h"

#include "foundation/geodesy.h"
#include "parking/park_airport_list.h"
#include "parking/parking_state.h"
#include "parking/real_stand_options.h"
#include "parking/stand_at_position.h"
#include "parking/stand_helpers.h"
#include "parking/static_parking_state.h"
#include "refdata/park_airport.h"
#include "runtime/current_day_slot.h"
#include "runtime/user_aircraft.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom {

ParkingParkAirport::ParkingParkAirport(ParkingState& state, ParkAirportList& list,
                                       ParkAirportEntry& entry, const UserAircraft& user,
                                       StaticParkingState& plan, WindowSink& window)
    : state_(state), list_(list), entry_(entry), user_(user), plan_(plan), window_(window) {}

std::span<const Stand> ParkingParkAirport::stands() const {
    return state_.stands;
}

const Stand* ParkingParkAirport::standById(std::int32_t sid) const {
    return gf_standById(static_cast<const ParkingState&>(state_), sid);
}

const Stand* ParkingParkAirport::standByName(std::string_view text) const {
    return gf_findStandByName(state_, text);
}

bool ParkingParkAirport::standsConflict(std::int32_t a, std::int32_t b) const {
    return gf_standsConflict(state_, a, b);
}

bool ParkingParkAirport::standFitsAircraft(const Stand& stand, AircraftCategory category,
                                           double halfWingspanNm) const {
    return gf_standFitsAircraft(stand, category, halfWingspanNm);
}

bool ParkingParkAirport::standHasMatchingFlightOption(const Stand& stand,
                                                      const AircraftBase& aircraft) const {
    return lf_standHasMatchingFlightOption(stand, aircraft.callsign, aircraft.key);
}

std::optional<std::string> ParkingParkAirport::currentParkAirportName() const {
    return list_.currentName();
}

std::optional<std::string> ParkingParkAirport::standAtUserPosition() const {
    const UserPosition at = user_.position();
    return gf_standAtPosition(state_.standsSnapshot(), at.known, at.position);
}

std::optional<Lalo> ParkingParkAirport::parkAirportPosition() const {
    const AirportEntry park = entry_.get();
    if (!park.icao.isSet() || !gf_isValidLalo(park.position())) {
        return std::nullopt;
    }
    return park.position();
}

bool ParkingParkAirport::airportFileApplied() const {
    return state_.airportFileApplied;
}

void ParkingParkAirport::addRealStandOption(LiveAircraft& aircraft, std::int32_t kind) {
    gf_addRealStandOption(state_, static_cast<std::int32_t>(aircraft.stand.standId), aircraft.base,
                          kind, gf_currentDaySlot(), window_);
}

std::vector<StaticParkRequest>& ParkingParkAirport::waitingParkRequests() {
    return plan_.plan;
}

} // namespace skyloom
