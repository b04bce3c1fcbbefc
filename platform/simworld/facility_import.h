// Facility data of a real airport built from public data, for fixtures of the world: the
// reference position, elevation and name from an OurAirports airports.csv, the runways from
// its runways.csv (a START at each end, displaced thresholds as the end's threshold), and the
// taxi parkings from a FlightGear ground-net parking file, placed by their offsets from the
// reference position as the simulator gives them. The files are read where they lie; nothing
// is copied.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string_view>

#include "foundation/lalo.h"
#include "platform/simworld/facility_setup.h"

namespace skyloom::simworld {

class FacilityImportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct FacilityImportSources {
    std::filesystem::path airportsCsv;
    std::filesystem::path runwaysCsv;
    std::filesystem::path parkingXml; // empty: no taxi parkings
};

// Throws FacilityImportError when a file cannot be read, lacks a column the import needs, or
// holds no airport with this ident.
AirportFacilitySetup gf_importAirportFacilities(std::string_view icao,
                                                const FacilityImportSources& sources);

// A FlightGear coordinate, "N47 27.209" or "W122 22.851", in degrees; throws
// FacilityImportError for any other text.
double gf_flightGearCoordinate(std::string_view text);

// The offsets east (x) and north (z) in metres that bring the reference position to
// `position` when applied as the facility reader applies them: first east or west along a
// great circle, then north or south.
struct ParkingBias {
    double xMeters = 0;
    double zMeters = 0;
};
ParkingBias gf_parkingBias(const Lalo& reference, const Lalo& position);

} // namespace skyloom::simworld
