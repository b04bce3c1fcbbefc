// The facility data of one airport as the world holds it: the airport record and its runways
// (each with a threshold per end), starts, helipads and taxi parkings, in the units and codes
// of the simulator's facility fields (metres, degrees, the simulator's enumeration values),
// and how the world serves it: with or without the closing FACILITY_DATA_END, after a delay,
// and with some records of a kind held back while the airport's counts still include them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/simworld/facility_fields.h"

namespace skyloom::simworld {

struct FacilityThresholdSetup {
    double lengthMeters = 0;
    double widthMeters = 0;
    std::int32_t surface = 0;
    bool enabled = false;

    friend bool operator==(const FacilityThresholdSetup&, const FacilityThresholdSetup&) = default;
};

struct FacilityRunwaySetup {
    double latitudeDeg = 0; // centre
    double longitudeDeg = 0;
    double altitudeMeters = 0;
    double headingDeg = 0; // true, of the primary direction
    double lengthMeters = 0;
    double widthMeters = 0;
    double patternAltitudeMeters = 0;
    double slopeDeg = 0;
    double trueSlopeDeg = 0;
    std::int32_t surface = 0;
    std::int32_t primaryNumber = 0;     // 1 to 36, or 37 to 44 for N, NE, ... NW
    std::int32_t primaryDesignator = 0; // 0 none, 1 L, 2 R, 3 C, 4 W, 5 A, 6 B
    std::int32_t secondaryNumber = 0;
    std::int32_t secondaryDesignator = 0;
    FacilityThresholdSetup primaryThreshold;
    FacilityThresholdSetup secondaryThreshold;

    friend bool operator==(const FacilityRunwaySetup&, const FacilityRunwaySetup&) = default;
};

struct FacilityStartSetup {
    double latitudeDeg = 0;
    double longitudeDeg = 0;
    double altitudeMeters = 0;
    double headingDeg = 0;
    std::int32_t number = 0;
    std::int32_t designator = 0;
    std::int32_t type = 1; // 1 runway, 2 water, 3 helipad

    friend bool operator==(const FacilityStartSetup&, const FacilityStartSetup&) = default;
};

struct FacilityHelipadSetup {
    double latitudeDeg = 0;
    double longitudeDeg = 0;
    double altitudeMeters = 0;
    double headingDeg = 0;
    double lengthMeters = 0;
    double widthMeters = 0;
    std::int32_t surface = 0;
    std::int32_t type = 0; // 0 none, 1 H, 2 square, 3 circle, 4 medical

    friend bool operator==(const FacilityHelipadSetup&, const FacilityHelipadSetup&) = default;
};

struct FacilityTaxiParkingSetup {
    std::int32_t type = 0; // the simulator's parking type, 0 none to 15 gate extra
    std::int32_t taxiPointType = 0;
    std::int32_t name = 0;   // name code: 1 PARKING ... 10 GATE, 11 DOCK, 12 to 37 GATE_A to Z
    std::int32_t suffix = 0; // 0 none, 12 to 37 A to Z
    std::uint32_t number = 0;
    std::int32_t orientation = 0; // 0 forward, 1 reverse
    double headingDeg = 0;
    double radiusMeters = 0;
    double biasXMeters = 0; // east of the airport's reference position
    double biasZMeters = 0; // north of it
    std::int32_t airlineCount = 0;

    friend bool operator==(const FacilityTaxiParkingSetup&,
                           const FacilityTaxiParkingSetup&) = default;
};

// How the world answers a request for the airport.
struct FacilityServing {
    bool sendEnd = true;     // false: the reply never ends (the client times out)
    double delaySeconds = 0; // the reply arrives this long after the request
    // The last n records of each kind are not sent, though the airport's counts include them.
    std::array<std::uint32_t, kFacilityKindCount> withhold{};

    std::uint32_t withheld(FacilityKind kind) const {
        return withhold[static_cast<std::size_t>(kind)];
    }
    friend bool operator==(const FacilityServing&, const FacilityServing&) = default;
};

struct AirportFacilitySetup {
    std::string icao;   // the ident the requests name
    std::string region; // a request that names a region must name this one
    std::string name;   // sent in 32 characters (NAME) or 64 (NAME64)
    double latitudeDeg = 0;
    double longitudeDeg = 0;
    double altitudeMeters = 0;
    double magvarDeg = 0;
    std::vector<FacilityRunwaySetup> runways;
    std::vector<FacilityStartSetup> starts;
    std::vector<FacilityHelipadSetup> helipads;
    std::vector<FacilityTaxiParkingSetup> taxiParkings;
    FacilityServing serving;

    friend bool operator==(const AirportFacilitySetup&, const AirportFacilitySetup&) = default;
};

} // namespace skyloom::simworld
