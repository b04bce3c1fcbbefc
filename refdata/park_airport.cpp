#include "refdata/park_airport.h"

#include <mutex>

#include "foundation/geodesy.h"

namespace skyloom {

AirportEntry ParkAirportEntry::get() const {
    std::shared_lock lock(mutex_);
    return entry_;
}

void ParkAirportEntry::set(const AirportEntry& airport) {
    std::unique_lock lock(mutex_);
    entry_ = airport;
}

void ParkAirportEntry::clear() {
    std::unique_lock lock(mutex_);
    entry_ = AirportEntry{};
}

void ParkAirportEntry::setAltitude(std::int32_t altitudeFt) {
    std::unique_lock lock(mutex_);
    entry_.altitudeFt = altitudeFt;
}

bool ParkAirportEntry::isSet() const {
    std::shared_lock lock(mutex_);
    return entry_.icao.isSet();
}

ParkAirportEntry& gf_parkAirportEntry() {
    static ParkAirportEntry entry;
    return entry;
}

std::optional<std::int32_t> gf_parkAirportAltitude() {
    const auto airport = gf_parkAirportEntry().get();
    if (!airport.icao.isSet() || !gf_isValidLalo(airport.position())) {
        return std::nullopt;
    }
    return airport.altitudeFt;
}

bool gf_isNearParkAirport(const Lalo& position) {
    const auto airport = gf_parkAirportEntry().get();
    if (!airport.icao.isSet() || !gf_isValidLalo(airport.position())) {
        return false;
    }
    return gf_flatDistanceSquaredNM(airport.position(), position) <=
           kNearParkAirportNM * kNearParkAirportNM;
}

} // namespace skyloom
