// `LoadedAirportFile`: what reading one airport file gives (parking/airport_file_reader.h):
// the file's parameters, its stands numbered 1..n with their exclusions, the learned file
// merged into them, and where the bytes came from (`StandSource`).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "refdata/airport_file.h"
#include "parking/park_option_overrides.h"

namespace skyloom {

enum class StandSource : std::uint32_t {
    requestedFile = 0,  // the requested file itself
    downloadedCopy = 1, // a copy downloaded for this read
    cache = 2,          // park_airport.xml
};

struct LoadedAirportFile {
    std::string airportName;            // parameter airport_name, empty when absent
    std::string publisher;              // parameter publisher, empty when absent
    std::int32_t altitude = 0;          // feet, parameter altitude (required)
    std::optional<std::string> version; // parameter version, absent when the file has none
    // Parameters Qf_real and Qf_soft (a missing one is 0), or recomputed after a learned merge.
    std::int32_t qfReal = 0;
    std::int32_t qfSoft = 0;
    std::vector<Stand> stands; // sids 1..n in order, with their exclusions
    std::filesystem::path requestedPath;
    std::filesystem::path loadedPath;  // the file actually read
    std::filesystem::path learnedPath; // the learned file merged; empty when none
    // Where what is learned at this airport is saved: the learned path formed from the
    // requested path and the publisher, as the read looked for it; empty when there is none.
    std::filesystem::path learnedSavePath;
    std::uint32_t rtTrafficWeek = 0;   // parameter RT_traffic_week, 0 when absent
    StandSource source = StandSource::requestedFile;
    bool learnedMerged = false;
    // The merged learned file was handmade and its stands replaced the file's.
    bool handmadeOverruled = false;
    // What the learned file sets; all absent when none was merged.
    ParkOptionOverrides parkOptionOverrides;
};

} // namespace skyloom
