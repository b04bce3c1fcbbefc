// The package scan: the walker of a StreamedPackages root of MSFS 2024. It judges each package
// folder by its path alone (no descent): known non-airport packages are passed over, the
// airport's code is found in the path, the package is classified as one of the simulator
// maker's own airports or another publisher's (with its manifest from the Official2024
// folder), and the airport is linked to an archived airport file or read from the simulator's
// facility data into a generated one.
#pragma once

#include <array>
#include <filesystem>
#include <string_view>

#include "airportscan/scan_walk.h"
#include "refdata/airport_file.h"

namespace skyloom {

// Package folders whose path holds one of these (case-sensitive) hold no airport.
inline constexpr std::array<std::string_view, 40> kNonAirportPackagePatterns = {
    "fs20-",
    "-landingchallenge-",
    "-cabin-services",
    "-credits-override",
    "-devmode-streamed",
    "-livingworld",
    "-fa18e-character",
    "-jetways",
    "-material-lib",
    "-palettelib",
    "-procedural-hangar-",
    "-eventtriggers",
    "-event-rescuechallenge",
    "-discovery-",
    "-challenges-",
    "-aircraft-",
    "-ships-",
    "-certification-",
    "-training-",
    "-activities-",
    "-passiveaircraft-",
    "-trainings-",
    "-fs-base-",
    "-runway-lights",
    "-travelbook-",
    "-simobjects-",
    "-airrace-",
    "-procedural-",
    "-palette-",
    "-spotlight-",
    "-modellib-",
    "-texturelib",
    "-textlib",
    "-scenery-",
    "-surface-",
    "-vfx-",
    "-coverage-",
    "-point-of-interest",
    "-proceduralgeneration",
    "-simattachmentlib-"};

// Packages whose path holds one of these are the simulator maker's own airports.
inline constexpr std::array<std::string_view, 3> kStockAirportPatterns = {
    "asobo-airport", "microsoft-airport", "microsoft-eddk"};

// The window's simaddon count is sent after every this many stock airports.
inline constexpr std::size_t kStockAirportCountStep = 10;

// Scans the package folders of one StreamedPackages root.
void gf_scanStreamedPackages(const std::filesystem::path& root, const ScanWalkContext& walk);

// Links the airport to its archived airport file, or reads its stands from the simulator's
// facility data and writes its generated airport file; a failed read is noted and the scan log
// file rewritten.
void gf_readPackageFacilities(AirportFile& airport, const AirportScanContext& context);

} // namespace skyloom
