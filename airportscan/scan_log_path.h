// Where the airport scan writes its log lines: output/info/AirportsScanLog.txt.
#pragma once

#include <filesystem>

namespace skyloom {

// The path, built once on first use (the working folder is fixed for a run).
const std::filesystem::path& gf_scanLogPath();

} // namespace skyloom
