// The body of one airport scan and what it leaves behind: the walk over the scan roots with
// its scan log (AirportsScanLog.txt), and the unmatched-airport archive: the airport files the
// scan had to generate for add-on airports with RealTraffic traffic are copied into the tblo
// folder and zipped into tblo.zip, which the user is asked to mail to the maker.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "airportscan/scan_controls.h"
#include "airportscan/scan_walk.h"

namespace skyloom {

class WindowSink;

inline constexpr std::string_view kEmailAddressFileName = "email address.txt";
// An airport never sent for learning.
inline constexpr std::string_view kNeverArchivedAirport = "VHHX";
inline constexpr std::size_t kScanLogLinesReserved = 2048;

struct ScanBodyContext {
    const ScanWalkContext& walk;
    WindowSink& window;
    ScanControls& controls;
    std::filesystem::path tbloFolder;
    std::string supportEmailAddress;
    // Run after the walk, before anything is taken out of the scan's folders; throws when the
    // folders cannot be trusted.
    std::function<void()> checkFolders;
};

// Sends the numbers of files in my_simaddon and my_thirdparty to the window (update kinds 15
// and 16); a folder that does not exist counts 0.
void gf_sendScanFileCounts(const std::filesystem::path& simaddon,
                           const std::filesystem::path& thirdparty, WindowSink& window);

// The scan body over the roots; true when my_simaddon and my_thirdparty together hold at least
// one file afterwards.
bool gf_scanAirportFolders(const std::vector<std::filesystem::path>& roots,
                           const ScanBodyContext& body);

// Copies the ".xml" airport files of the folder with weekly RealTraffic traffic into the tblo
// folder ("VHHX" never); one that is also linked to an archived file (<ICAO>.txt beside it) is
// then removed from the folder. Returns the number copied.
std::size_t gf_copyAirportFilesToTblo(const std::filesystem::path& folder,
                                      const ScanBodyContext& body, bool noteUnlearnable);

// Makes tblo.zip of the tblo folder's files. Only when the archive is complete are the airport
// files that went into it removed, the e-mail address file written and the notice raised; a
// folder without files, or a failed archive, raises no notice.
void gf_zipTbloFolder(const ScanBodyContext& body);

} // namespace skyloom
