#include "airportscan/scan_context.h"

#include "config/program_paths.h"

namespace skyloom {

std::filesystem::path gf_scanLogPath() {
    return gf_infoFolder() / kScanLogFileName;
}

} // namespace skyloom
