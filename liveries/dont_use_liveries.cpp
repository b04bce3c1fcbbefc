#include "liveries/dont_use_liveries.h"

#include <system_error>

#include <fmt/format.h>

#include "config/program_paths.h"
#include "foundation/files.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "liveries/livery_scan_reports.h"
#include "liveries/regcode_readers.h"

namespace fs = std::filesystem;

namespace skyloom {

bool gf_loadDontUseLiveries(LiveryScanState& scan, const fs::path& aigRegcodesFile,
                            const fs::path& myRegcodesFolder) {
    scan.dontUseTitles.clear();
    std::error_code ec;
    const bool exists = fs::exists(aigRegcodesFile, ec);
    if (ec) {
        throw fs::filesystem_error("exists", aigRegcodesFile, ec);
    }
    if (!exists) {
        // The processing of the registration codes that follows every start says that the file
        // is missing; the scan only counts what it found.
        LogFile::write(fmt::format("{:5} don't use liveries", 0));
        return false;
    }
    gf_readDontUseTitlesFile(aigRegcodesFile, scan.dontUseTitles);
    if (gf_countFilesInDirectory(myRegcodesFolder) > 0) {
        gf_readDontUseTitlesFolder(myRegcodesFolder, scan.dontUseTitles);
    }
    LogFile::write(fmt::format("{:5} don't use liveries", scan.dontUseTitles.size()));
    return true;
}

bool gf_loadDontUseLiveries(LiveryScanState& scan) {
    return gf_loadDontUseLiveries(scan, gf_aigRegcodesPath(), gf_myRegcodesFolder());
}

void gf_writeDontUseLiveries(const LiveryScanState& scan, const fs::path& report) {
    if (!gf_writeReportLines(scan.dontUseTitles, report)) {
        LogFile::write(fmt::format("Error writing file {}: {}", gf_pathToUtf8(report),
                                   "the file could not be written"));
    }
}

} // namespace skyloom
