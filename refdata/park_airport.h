// `ParkAirportEntry`: the airport chosen as the park airport, the one around which parked
// aircraft are placed, under its own reader-writer lock (exclusive to write, shared to read). A
// zero ICAO code means that none is chosen. Parking sets it when it chooses a park airport and
// clears it when static parking stops; the motion asks how high the park airport lies and
// whether an aircraft is near it.
#pragma once

#include <cstdint>
#include <optional>
#include <shared_mutex>

#include "foundation/lalo.h"
#include "refdata/airports.h"

namespace skyloom {

// gf_isNearParkAirport's reach.
inline constexpr double kNearParkAirportNM = 10.0;

class ParkAirportEntry {
public:
    // A copy of the entry, taken under the shared lock.
    AirportEntry get() const;
    void set(const AirportEntry& airport);
    // Sets every field to 0: no park airport.
    void clear();
    // The park-airport report puts the airport file's altitude in place of the table's.
    void setAltitude(std::int32_t altitudeFt);
    // True when an ICAO code is set.
    bool isSet() const;

private:
    mutable std::shared_mutex mutex_;
    AirportEntry entry_;
};

// The program's park airport entry.
ParkAirportEntry& gf_parkAirportEntry();

// The park airport's altitude in feet when a park airport is set and its position is valid.
std::optional<std::int32_t> gf_parkAirportAltitude();

// True when the position lies within 10 NM of the park airport (flat earth around the park
// airport, squared distance against 100 NM^2, wrapping at the antimeridian); false without a
// park airport or with an invalid position of it.
bool gf_isNearParkAirport(const Lalo& position);

} // namespace skyloom
