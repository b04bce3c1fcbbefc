// The runway read of the facility connection: the park airport's runways as the simulator
// knows them (centre, ends, true heading, length, width, numbers and designators, the START at
// each end and the displaced thresholds), asked for with definition 1002, waited for at most
// 10 s, checked for completeness and consistency, and returned whole or not at all. Also the
// runway-name text and the choice between a START altitude and the runway centre's. Every log
// line begins with "RUNWAY_HEADING: ".
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skyloom {

class StopControl;

inline constexpr std::chrono::seconds kRunwayReadTimeout{10};

// One START record (a take-off position) as the simulator gives it.
struct FacilityStart {
    std::uint32_t number = 0; // 1 to 36, 37 to 44 for N ... NW
    std::uint32_t designator = 0;
    double latitude = 0; // degrees
    double longitude = 0;
    double altitude = 0;    // feet
    double heading = 0;     // degrees true
    std::uint32_t type = 0; // 1: a runway start
};

// The START attached to one end of a runway.
struct FacilityRunwayStart {
    double latitude = 0;
    double longitude = 0;
    double altitude = 0; // feet
    double heading = 0;  // degrees true
    std::uint32_t type = 0;
    std::uint8_t present = 0;
};

// The displaced threshold of one end.
struct FacilityThreshold {
    double length = 0; // metres
    double width = 0;  // metres
    std::uint8_t enabled = 0;
};

struct FacilityRunway {
    double centreLatitude = 0; // degrees
    double centreLongitude = 0;
    // Half the length behind the centre against the primary heading: where the primary
    // direction begins.
    double primaryLatitude = 0;
    double primaryLongitude = 0;
    // Half the length ahead of the centre along the primary heading.
    double secondaryLatitude = 0;
    double secondaryLongitude = 0;
    double altitude = 0; // feet
    double heading = 0;  // degrees true, of the primary direction
    double length = 0;   // metres
    double width = 0;    // metres
    // Numbers 1 to 36, or 37 to 44 for N, NE, E, SE, S, SW, W, NW; designators 0 none, 1 L,
    // 2 R, 3 C, 4 W, 5 A, 6 B.
    std::uint32_t primaryNumber = 0;
    std::uint32_t primaryDesignator = 0;
    std::uint32_t secondaryNumber = 0;
    std::uint32_t secondaryDesignator = 0;
    FacilityRunwayStart primaryStart;
    FacilityRunwayStart secondaryStart;
    FacilityThreshold primaryThreshold;
    FacilityThreshold secondaryThreshold;
};

struct RunwayFacilities {
    double airportAltitude = 0; // feet
    std::vector<FacilityRunway> runways;
    std::uint8_t valid = 0;
};

// Reads the runways of the airport `icao` on the facility connection (opening it and adding
// definition 1002 when needed) and leaves the connection open. An invalid result, after one
// of the "RUNWAY_HEADING: " lines, when the connection, the definition, the request or the
// reply fails, the reply does not end within 10 s, or the runways are incomplete or
// inconsistent; a stop of the program gives an invalid result without a line.
RunwayFacilities gf_readRunwayFacilities(const StopControl& stop, std::string_view icao);

// "09L", "27", "N", "#45", "04(9)": the number as two digits (1 to 36) or compass letters (37
// to 44), else "#" and the number; then L, R, C, W, A or B for designators 1 to 6, nothing
// for 0, and "(n)" for any other.
std::string gf_runwayDesignatorText(std::uint32_t number, std::int32_t designator);

struct StartAltitude {
    double altitude = 0;     // feet
    bool fromCentre = false; // the runway centre's altitude was taken instead of the START's
};

// The altitude to place an aircraft at one end: this end's START altitude when it lies within
// 50 ft of the centre's, or when both ends lie more than 50 ft away on opposite sides of it (a
// sloped runway); else the centre's, marked as taken from the centre. Without a usable START
// altitude the centre's, unmarked; with no usable centre altitude the START's when usable.
StartAltitude gf_pickStartAltitude(double centre, std::optional<double> thisEnd,
                                   std::optional<double> otherEnd);

} // namespace skyloom
