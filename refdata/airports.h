// The airports table: every airport the program knows (ICAO and IATA codes, position,
// altitude), read from the data set "airports" (docs/data-sets.md) at start-up, sorted by ICAO
// code and kept under its own reader-writer lock. Look-ups by code are binary searches under the
// shared lock; the closest airport to a position is found on a flat earth that wraps at the
// antimeridian. When several airports lie close to the position, parking decides which airport
// file has the nearest stand; it hands that reader over with gf_setClosestStandReader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "foundation/iata_code.h"
#include "foundation/icao_code.h"
#include "foundation/lalo.h"

namespace skyloom {

inline constexpr std::string_view kAirportsDataSetName = "airports";
// gf_findClosestAirport looks this far from the position.
inline constexpr double kClosestAirportReachNM = 5.0;

struct AirportEntry {
    IcaoCode icao;
    IataCode iata;
    double lat = 0.0;
    double lon = 0.0;
    std::int32_t altitudeFt = 0;

    Lalo position() const { return Lalo{lat, lon}; }

    friend bool operator==(const AirportEntry&, const AirportEntry&) = default;
};

// The squared distance in NM^2 between two positions on a flat earth around `from`: 60 NM per
// degree of latitude, 60 x cos(from's latitude) NM per degree of longitude, the longitude
// difference taken the short way round (so 179.9 and -179.9 lie 0.2 degrees apart).
double gf_flatDistanceSquaredNM(const Lalo& from, const Lalo& to) noexcept;

// Replaces the table: sorts the entries by ICAO code and keeps the first of equal codes.
// Returns the number of entries dropped as duplicates.
std::size_t gf_setAirports(std::vector<AirportEntry> entries);

// Reads the data set "airports" of the folder (the input folder without argument) into the
// table and logs what it holds. Entries with an invalid code or position are skipped and
// counted. Throws std::runtime_error when the file is missing or unusable; the table then
// stays as it was.
void gf_readAirports();
void gf_readAirports(const std::filesystem::path& folder);

std::size_t gf_airportCount();

// The entry of the code, or no value (binary search under the shared lock).
std::optional<AirportEntry> gf_findAirportById(const IcaoCode& icao);
// True when the code is in the table.
bool gf_airportKnown(const IcaoCode& icao);

// Calls `visit` with the whole table (sorted by ICAO code) under the shared lock; `visit` must
// not call back into the table's writers.
void gf_withAirports(const std::function<void(const std::vector<AirportEntry>&)>& visit);

// The nearest stand of an airport's file to a position: its id text and distance in NM.
struct ClosestStand {
    std::string standId;
    double distanceNM = 0.0;
};
// Gives an airport's stand nearest to a position, or an error text (gf_readDestApfForClosestStand
// of parking).
using ClosestStandReader =
    std::function<std::variant<ClosestStand, std::string>(const IcaoCode&, const Lalo&)>;
// Parking hands its reader over; an empty function withdraws it.
void gf_setClosestStandReader(ClosestStandReader reader);

// The airport closest to the position among those within 5 NM (flat distance), or no value.
// When several lie within 5 NM and a stand reader is handed over, it is asked for each of them,
// and the airport whose file has the stand nearest to the position wins; when that is not the
// airport with the closest centre, "Airport {} has the closest center, but stand {} at {} is
// closer ({:.0f} meters)" is logged. Airports whose file gives no stand are passed over; when
// none gives one, the closest centre wins. An invalid position (gf_isValidLalo) finds nothing.
std::optional<AirportEntry> gf_findClosestAirport(const Lalo& position);
// The airport whose centre lies closest to the position among those within 5 NM (flat
// distance), without asking for stands, or no value.
std::optional<AirportEntry> gf_findClosestAirportCentre(const Lalo& position);

} // namespace skyloom
