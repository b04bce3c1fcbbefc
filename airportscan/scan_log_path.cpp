#include "airportscan/scan_log_path.h"

#include "config/program_paths.h"

namespace skyloom {

const std::filesystem::path& gf_scanLogPath() {
    static const std::filesystem::path path = gf_infoFolder() / "AirportsScanLog.txt";
    return path;
}

} // namespace skyloom
