#include "parking/parking_state.h"

#include <cmath>
#include <utility>

#include "refdata/airports.h"

namespace skyloom {

ParkingState::ParkingState() : snapshot_(std::make_shared<const StandsSnapshot>()) {}

void ParkingState::replaceStands(std::vector<Stand> newStands) {
    stands = std::move(newStands);
    standNames.clear();
    standNames.reserve(stands.size());
    for (const Stand& stand : stands) {
        standNames.insert_or_assign(stand.id, stand.sid);
    }
}

void ParkingState::clear() {
    replaceStands({});
    qfReal = 0;
    qfSoft = 0;
    file = {};
    airportFileApplied = false;
    fileReadAgainAt.reset();
    fileReadsFailed = 0;
    fileFailedAirport = IcaoCode();
    maxParked = 0;
    recordedParkOptions = {};
    publishStandsSnapshot(IcaoCode());
}

void ParkingState::publishStandsSnapshot(const IcaoCode& icao) {
    auto snapshot = std::make_shared<StandsSnapshot>();
    snapshot->icao = icao;
    snapshot->stands.reserve(stands.size());
    for (const Stand& stand : stands) {
        snapshot->stands.push_back(StandPlace{stand.id, stand.position});
    }
    snapshot_.store(std::move(snapshot));
}

std::shared_ptr<const StandsSnapshot> ParkingState::standsSnapshot() const {
    return snapshot_.load();
}

ParkingState& gf_parkingState() {
    static ParkingState state;
    return state;
}

Stand* gf_standById(ParkingState& state, std::int32_t sid) {
    if (sid < 1 || static_cast<std::size_t>(sid) > state.stands.size()) {
        return nullptr;
    }
    Stand& stand = state.stands[static_cast<std::size_t>(sid) - 1];
    return stand.sid == sid ? &stand : nullptr;
}

const Stand* gf_standById(const ParkingState& state, std::int32_t sid) {
    return gf_standById(const_cast<ParkingState&>(state), sid);
}

const Stand* gf_findStandByName(const ParkingState& state, std::string_view name) {
    const auto found = state.standNames.find(name);
    return found == state.standNames.end() ? nullptr : gf_standById(state, found->second);
}

std::string gf_standIdText(const ParkingState& state, std::int32_t sid) {
    if (sid == 0) {
        return "sid==0?";
    }
    const Stand* stand = gf_standById(state, sid);
    return stand ? stand->id : "sid==?";
}

} // namespace skyloom
