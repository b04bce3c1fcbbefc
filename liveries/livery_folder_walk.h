// The livery folder walk: given the folders a livery scan is to read, in priority order, it
// walks each one for aircraft.cfg files, turns their [fltsim.N] sections into livery records
// (the scan list), drops the liveries of lower-priority packages that duplicate a livery key,
// sorts the list, writes the scanned-liveries file and then the scan's reports (output/info,
// output/errors) in place of those of the scan before. Each folder gets a package rank from its
// place in the list: 1 for the first existing folder, one more for each next, never above 10.
//
// Runs on the main worker thread inside the livery scan; it polls the stop request before each
// folder and between aircraft.cfg files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "liveries/livery_record.h"
#include "liveries/livery_scan_state.h"

namespace skyloom {

// The outcome of a walk; the numbers are those the scan driver reports.
enum class LiveryScanResult : int {
    written = 0,    // the scanned-liveries file was replaced
    cancelled = 1,  // the program is stopping
    noLiveries = 2, // no folder gave a livery; the old file stays
    notWritten = 3, // the file could not be written or committed; the old file stays
};

// Directories whose path below the scanned folder holds one of these (case-sensitive) are not
// entered: airport, scenery and add-on aircraft folders hold aircraft.cfg files that are no AI
// liveries, and "_CVT_" marks converted copies.
inline constexpr std::string_view kSkippedLiveryFolderMarks[] = {
    "airport",   "lvfr",     "mkstudios", "simwings", "fsdreamteam",
    "navigraph", "flytampa", "inibuilds", "_CVT_"};
// A directory whose path as UTF-8 has this many bytes or more is not entered.
inline constexpr std::size_t kMaxWalkedFolderPathBytes = 250;

// What a walk works on: the scan's working data, the scan list it fills and the stop request
// it obeys (the run's stop request in the program).
struct LiveryWalkContext {
    LiveryScanState& scan;
    std::vector<LiveryRecord>& records;
    std::function<bool()> keepRunning;
};

// The whole walk, in this order: the scan list emptied (room for 30000 records); the don't-use
// titles loaded; each folder walked (missing or non-folder entries logged and passed over;
// empty paths ignored); with more than one folder, the lower-priority duplicates dropped when
// `prioritize` is set and the total logged; the list sorted and equal records dropped; the
// scanned-liveries file of this run's simulator written; only then every file in output/info
// and output/errors removed and the reports written. A walk that ends before its file is in
// place (stopped, no livery, the file not written) leaves those folders as they were.
// Exceptions of the don't-use step and of emptying the report folders reach the caller.
LiveryScanResult gf_scanLiveryFolders(LiveryWalkContext& context,
                                      const std::vector<std::filesystem::path>& folders,
                                      bool prioritize);

// True when the walk of `scanned` does not enter the directory `folder` found in it: a skip mark
// in the part of its path below `scanned` (a path outside `scanned` is tested whole), or a whole
// path of 250 UTF-8 bytes or more.
bool gf_isSkippedLiveryFolder(const std::filesystem::path& scanned,
                              const std::filesystem::path& folder);

// True for a file named "aircraft.cfg" in ASCII letters of any case.
bool gf_isAircraftCfgName(const std::filesystem::path& file);

// Walks one folder recursively and appends the records of its aircraft.cfg files, in walk
// order, to the scan list: files whose path names an IVAO MTL package are read as such, all
// others as ordinary files. A folder that cannot be walked is logged ("Could not start liveries
// search in {}, cause: {}"); an error while walking ends the walk of that folder.
void gf_searchLiveriesinFolder(LiveryWalkContext& context, std::uint32_t rank,
                               const std::filesystem::path& folder);

// The records of one ordinary aircraft.cfg: its charset detected, its lines read, its section
// numbers checked, its model settled, its sections read. A file that cannot be read or used
// gives none (logged where the user needs to know); so does a file whose reading throws
// ("! Exception in lf_searchLiveriesinFile {}: {}").
std::vector<LiveryRecord> gf_searchLiveriesinFile(LiveryScanState& scan, std::uint32_t rank,
                                                  const std::filesystem::path& path);

// Cuts an ordinary aircraft.cfg's lines into [fltsim.N] sections and gives their records in
// section order. `folder` is the folder that holds the file.
std::vector<LiveryRecord> gf_procesFltSimSections(LiveryScanState& scan, std::uint32_t rank,
                                                  const std::vector<std::string>& lines,
                                                  std::string_view model,
                                                  const std::filesystem::path& path,
                                                  const std::filesystem::path& folder);

// Removes, keeping the order of the rest, every record whose package rank is greater than the
// lowest rank among the records of its airline, operator, model and cargo (the further key
// byte takes no part). Records of one key with the same best rank all stay. Returns the number
// removed.
std::size_t gf_prioritizeLiveries(std::vector<LiveryRecord>& records);

// The program's scan list: the records of the latest scan (main worker thread only).
std::vector<LiveryRecord>& gf_liveryScanList();

} // namespace skyloom
