// The walk over the scan roots: the package folders of the chosen simulator that the airport
// scan looks into, the dispatch of each root to its walker, and the recursive walk of an
// ordinary root that hands every BGL file with an airport section to the facility stand reader
// and, when that does not succeed, to the BGL stand reader. Streamed-package roots go to the
// package scan (airportscan/package_scan.h).
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "airportscan/scan_context.h"
#include "foundation/clock.h"

namespace skyloom {

// The sub-folder of the simulator's installed-packages folder of that name, when it exists
// (gf_installSubfolder for the program).
using InstallSubfolderLookup =
    std::function<std::optional<std::filesystem::path>(std::string_view name)>;

struct ScanWalkContext {
    const AirportScanContext& scan;
    // Times slow BGL files.
    const Clock& clock;
    InstallSubfolderLookup installSubfolder;
};

// A folder whose path holds this many characters or more is not entered.
inline constexpr std::size_t kMaxWalkPathChars = 250;

// Appends the roots of the simulator that exist: "Official", "Community" for MSFS 2020;
// "Community", "StreamedPackages", "Official2024", "Community2024" for MSFS 2024.
void gf_scanRootFolders(std::vector<std::filesystem::path>& roots, bool msfs2020,
                        const InstallSubfolderLookup& installSubfolder);

// Scans every root in order: a missing root or one that is not a folder is reported in the
// status line and skipped; a root whose path holds "StreamedPackages" goes to the package scan,
// any other to the recursive walk.
void gf_scanFolders(const std::vector<std::filesystem::path>& roots, const ScanWalkContext& walk);

// The recursive walk of one ordinary root, notes in the scan log.
void gf_scanRoot(const std::filesystem::path& root, const ScanWalkContext& walk);

// True for a folder the walk must not enter: a path of 250 characters or more, or one whose
// lower-cased text holds a word of aircraft, tutorial, mission or library packages.
bool gf_skipPackageFolder(const std::filesystem::path& path);

} // namespace skyloom
