#include "airportscan/scan_context.h"

#include "config/program_paths.h"

namespace skyloom {

std::filesystem::path gf_scanLogPath() {
    return gf_infoFolder() / kScanLogFileName;
}

std::filesystem::path gf_mySimaddonFolder() {
    return gf_airportsFolder() / kMySimaddonFolderName;
}

std::filesystem::path gf_myThirdpartyFolder() {
    return gf_airportsFolder() / kMyThirdpartyFolderName;
}

} // namespace skyloom
