// The report files of a livery scan: seven text files in output/info and output/errors that
// tell the user which aircraft.cfg files and [fltsim.N] sections gave no livery and why, which
// model codes were fixed and which titles were left out on purpose. Each scan first empties
// both folders, so the files always describe the latest scan; a run that skips the scan keeps
// the old ones. The summary of the reports goes to the log.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/fnv_hash.h"
#include "liveries/livery_scan_state.h"

namespace skyloom {

// The report files, by their entry in gf_liveryReportFileNames.
enum class LiveryReportFile : std::size_t {
    noFltsimSection = 0,         // output/info/AircraftCfgWithNoFltsimSection.txt
    dontUseLiveries = 1,         // output/info/DontUseLiveries.txt
    invalidAirlineCodes = 2,     // output/errors/InvalidAirlineCodes.txt
    invalidAircraftCodes = 3,    // output/errors/InvalidAircraftCodes.txt
    fixes = 4,                   // output/errors/Fixes.txt
    invalidAircraftCfgFiles = 5, // output/errors/InvalidAircraftCfgFiles.txt
    incompleteSections = 6,      // output/errors/IncompleFltsimSections.txt
};

inline constexpr std::size_t kLiveryReportFileCount = 7;

using LiveryReportFileNames = std::array<std::filesystem::path, kLiveryReportFileCount>;

// The seven report paths under the given output folder.
LiveryReportFileNames gf_liveryReportFileNames(const std::filesystem::path& outputFolder);
// The same under the program's output folder (taken afresh on each call, so that a working
// folder set by the environment is followed).
LiveryReportFileNames gf_liveryReportFileNames();
// One entry of the table.
const std::filesystem::path& gf_reportPath(const LiveryReportFileNames& names,
                                           LiveryReportFile file) noexcept;

// Replaces the file with the lines, each followed by "\n", written as they are (binary);
// false when the file cannot be opened or the writing fails. The file's folder must exist.
bool gf_writeReportLines(const std::vector<std::string>& lines, const std::filesystem::path& path);
// The same for a set of titles, in the set's own order.
bool gf_writeReportLines(const FnvStringSet& titles, const std::filesystem::path& path);

// Creates the file's folders, then writes the lines. A folder that cannot be made is logged
// ("Error creating directories {}: {}") and nothing is written; a failed write is logged
// ("Error writing file {}: {}"). Never stops the scan.
void gf_writeReportFile(const std::vector<std::string>& lines, const std::filesystem::path& path);

// The end of a scan's reports: the error lists (invalid airline codes, invalid model codes,
// fixes, invalid aircraft.cfg files, incomplete sections) are sorted, written and counted in
// the log ("\nNo errors" when all are empty), then the list of files without sections.
// The fixes keep the order they were made in; equal adjacent incomplete-section lines are
// written once. The lists are sorted in place.
void gf_reportLiveryScanErrors(LiveryScanReports& reports, const LiveryReportFileNames& names);

} // namespace skyloom
