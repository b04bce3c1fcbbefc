// The records of one airport's stands as the scan and the facility reader build them: `Stand`,
// one parking position or helipad, and `AirportFile`, the image of one airport file with its
// position, name, altitude, codes, source and stands. Plain value types that own what they hold.
// Inside, positions are degrees, headings radians and radii nautical miles.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "foundation/iata_code.h"
#include "foundation/icao_code.h"
#include "foundation/lalo.h"
#include "refdata/stand_type.h"

namespace skyloom {

// Metres to nautical miles (1 / 1852) for stand radii.
inline constexpr double kStandNMPerMetre = 0.0005399568034557236;

struct Stand {
    std::string id;                       // unique within its airport, never empty once named
    std::vector<std::int32_t> exclusions; // sids of the stands whose circles overlap this one
    Lalo position;                        // degrees
    double heading = 0;                   // radians
    double radius = 0;                    // NM
    std::int32_t sid = 0;                 // 1-based place in the airport's list; 0 until numbered
    StandType type = StandType::NONE;
    bool manual = false;   // created by hand in a learned file
    bool inUse = false;    // planning: taken for a static aircraft
    bool excluded = false; // planning: an overlapping stand is taken, or the user's
    bool cargo = false;
    bool ramp = false;
    bool heli = false; // helipad

    friend bool operator==(const Stand&, const Stand&) = default;
};

// The package an airport's scenery came in, from its manifest.
struct AirportPackage {
    std::string title;
    std::string version;
    std::string manufacturer;
    std::string creator;

    friend bool operator==(const AirportPackage&, const AirportPackage&) = default;
};

struct AirportFile {
    IcaoCode icao;
    IataCode iata;
    double latitude = 0;
    double longitude = 0;
    std::string airportName;
    std::int32_t altitude = 0; // feet
    std::int32_t qfReal = 0;
    std::int32_t qfSoft = 0;
    std::filesystem::path sourcePath; // the scenery source the scan read
    std::string bglPath;
    std::string publisher;
    std::optional<AirportPackage> package;
    std::vector<Stand> stands;
};

} // namespace skyloom
