// Helpers of the parking tests: stands and flight options built in a line, airport files
// written in the full form at a fixed time, a registration table published for one test, a
// large airport of generated stands, and real stand layouts converted at test time from
// FlightGear ground nets in ../shared (never copied into the project).
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/manual_clock.h"
#include "refdata/airport_file.h"
#include "parking/apf_writer.h"

namespace skyloom::testing {

// A stand in the units of an airport file: heading in degrees, radius in metres.
Stand standAt(std::string id, double lat, double lon, double headingDeg, double radiusMetres,
              StandType type);
// An option of a stand as the reader gives it (origin 1).
FlightOption optionOf(std::string_view airline, std::string_view model, std::string reg,
                      std::uint32_t day, unsigned firstSlot, unsigned lastSlot, std::uint32_t seq);

// An airport with its parameters set (EHAM, AMS, Schiphol's position, altitude -11 ft,
// publisher "Big Pub" with a package) and no stands.
AirportFile airportNamed(std::string_view icao);
// `count` stands on a grid 100 m apart, gates and ramps in turn, every third with two options.
AirportFile gridAirport(std::size_t count);

// gf_writeApf at a fixed clock time for MSFS 2024.
bool writeApf(const AirportFile& airport, const std::filesystem::path& target,
              ApfMode mode = ApfMode::full, bool handmade = false,
              const std::optional<ParkOptions>& parkOptions = std::nullopt);

// Publishes a dbase that knows these registrations ("<r g=... a=... m=.../>" elements) for
// the object's lifetime; the empty dbase comes back afterwards.
class PublishedRegistrations {
public:
    explicit PublishedRegistrations(std::string_view registrationElements);
    ~PublishedRegistrations();
    PublishedRegistrations(const PublishedRegistrations&) = delete;
    PublishedRegistrations& operator=(const PublishedRegistrations&) = delete;
};

// The stands of a FlightGear parking file: the id is name and number (made unique by the
// element's index where the file repeats one), position and heading as the file gives them,
// the radius in metres, the type from the FlightGear kind and the radius.
std::vector<Stand> flightGearStands(const std::filesystem::path& parkingXml);

} // namespace skyloom::testing
