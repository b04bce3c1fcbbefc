// What the per-airport steps of the airport scan (archive links, generated airport files, the
// facility stand reader) work with: the publisher lists, the scan log, the window, the
// airport-file writer, the tests an airport code must pass and the folders they write into.
// The scan driver builds one per scan; tests build their own.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "airportscan/airport_code.h"
#include "airportscan/publisher_lists.h"
#include "airportscan/scan_window.h"
#include "parking/airport_store.h"
#include "refdata/airport_file.h"

namespace skyloom {

inline constexpr std::string_view kScanLogFileName = "AirportsScanLog.txt";

// Writes an airport as a full airport file (all stands with their geometry, no flight
// options, not handmade, without park options, for the simulator of this run) at the path;
// true when the file was written and is in place.
using AirportFileWriter =
    std::function<bool(const AirportFile& airport, const std::filesystem::path& target)>;

class StopControl;

struct AirportScanContext {
    // Ends the facility reads' waits when the run stops.
    const StopControl& stop;
    const PublisherLists& publishers;
    // The scan's notes, written to the scan log file.
    std::vector<std::string>& scanLog;
    ScanWindow& window;
    AirportFileWriter writeAirportFile;
    AirportCodeTests codeTests;
    // airports/my_simaddon and airports/my_thirdparty.
    std::filesystem::path simaddonFolder;
    std::filesystem::path thirdpartyFolder;
    // output/info/AirportsScanLog.txt
    std::filesystem::path scanLogFile;
};

// The working folder's output/info/AirportsScanLog.txt.
std::filesystem::path gf_scanLogPath();

} // namespace skyloom
