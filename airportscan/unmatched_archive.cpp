#include "airportscan/unmatched_archive.h"

#include <system_error>

#include <fmt/format.h>

#include "airportscan/folder_zip.h"
#include "config/program_paths.h"
#include "foundation/files.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/text_files.h"
#include "parking/airport_store.h"
#include "runtime/window_sink.h"

namespace skyloom {
namespace fs = std::filesystem;
namespace {

std::string_view lf_plural(std::size_t count) {
    return count == 1 ? "" : "s";
}

} // namespace

void gf_sendScanFileCounts(const fs::path& simaddon, const fs::path& thirdparty,
                           WindowSink& window) {
    window.enqueueUpdate(GuiUpdate::SimaddonCount{gf_countFilesInDirectory(simaddon)});
    window.enqueueUpdate(GuiUpdate::ThirdpCount{gf_countFilesInDirectory(thirdparty)});
}

bool gf_scanAirportFolders(const std::vector<fs::path>& roots, const ScanBodyContext& body) {
    const AirportScanContext& scan = body.walk.scan;
    LogFile::write(
        fmt::format("The scan will search {} folder{}", roots.size(), lf_plural(roots.size())));
    std::error_code ec;
    fs::remove(scan.scanLogFile, ec);
    if (ec) {
        LogFile::write("problems with removing previous files (maybe still open?): " +
                       ec.message());
    }
    body.controls.setTbloNoticePending(false);
    scan.scanLog.reserve(kScanLogLinesReserved);

    gf_scanFolders(roots, body.walk);
    if (body.checkFolders) {
        body.checkFolders();
    }

    scan.scanLog.push_back("\nAirports scan finished!");
    // A scan log the disk refused is said to be missing, not reported as written.
    if (gf_writeLinesToFile(scan.scanLog, scan.scanLogFile)) {
        LogFile::write(gf_pathToUtf8(scan.scanLogFile) + " written");
    } else {
        LogFile::writeImportant(
            fmt::format("Could not write '{}'", gf_pathToUtf8(scan.scanLogFile)));
    }
    body.window.clearStatusText();
    scan.scanLog.clear();

    const std::size_t copied = gf_copyAirportFilesToTblo(scan.simaddonFolder, body, false);
    if (copied > 0) {
        LogFile::write(
            fmt::format("{} simaddon file{} copied to tblo folder", copied, copied > 1 ? "s" : ""));
    }
    gf_copyAirportFilesToTblo(scan.thirdpartyFolder, body, true);
    gf_zipTbloFolder(body);

    gf_sendScanFileCounts(scan.simaddonFolder, scan.thirdpartyFolder, body.window);
    return gf_countFilesInDirectory(scan.simaddonFolder) +
               gf_countFilesInDirectory(scan.thirdpartyFolder) !=
           0;
}

std::size_t gf_copyAirportFilesToTblo(const fs::path& folder, const ScanBodyContext& body,
                                      bool noteUnlearnable) {
    const AirportScanContext& scan = body.walk.scan;
    std::size_t copied = 0;
    for (const IcaoCode& icao : gf_listXMLFiles(folder)) {
        if (icao.text() == kNeverArchivedAirport) {
            continue;
        }
        if (!scan.codeTests.weeklyTraffic(icao)) {
            if (noteUnlearnable) {
                scan.scanLog.push_back(fmt::format(
                    "'{}' cannot be learned, no stock version with RT Traffic available", icao));
            }
            continue;
        }
        const fs::path source = folder / gf_apfXmlPath(icao);
        const fs::path target = body.tbloFolder / gf_apfXmlPath(icao);
        std::error_code ec;
        fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            // A copy that a full disk cut short must not go into the archive as the airport.
            std::error_code ignored;
            fs::remove(target, ignored);
            LogFile::writeImportant(fmt::format("'{}' failed to copy '{}': {}",
                                                gf_pathToUtf8(source), gf_pathToUtf8(target),
                                                ec.message()));
            continue;
        }
        ++copied;
        const fs::path link = folder / gf_apfTxtPath(icao);
        const bool linked = fs::exists(link, ec);
        if (ec) {
            LogFile::writeImportant(
                fmt::format("exists({}) failed: {}", gf_pathToUtf8(link), ec.message()));
        } else if (linked && !fs::remove(source, ec) && ec) {
            LogFile::writeImportant(
                fmt::format("remove({}) failed: {}", gf_pathToUtf8(source), ec.message()));
        }
    }
    return copied;
}

void gf_zipTbloFolder(const ScanBodyContext& body) {
    if (gf_countFilesInDirectory(body.tbloFolder) == 0) {
        body.controls.setTbloNoticePending(false);
        LogFile::write("All your simaddon and third party airports are recognised, no off line "
                       "learning needed.");
        return;
    }
    std::vector<fs::path> archived;
    if (!gf_zipFolder(body.tbloFolder, body.tbloFolder / kTbloZipFileName, &archived)) {
        // Nothing is offered for mailing: the airport files stay and the folder goes with the
        // scan's end.
        LogFile::writeImportant("Zippen TBLO folder failed");
        return;
    }
    for (const fs::path& file : archived) {
        std::error_code ec;
        if (gf_equalsIgnoringCase(gf_pathToUtf8(file.extension()), ".xml")) {
            fs::remove(file, ec);
        }
    }
    gf_writeFile(body.supportEmailAddress, body.tbloFolder / kEmailAddressFileName, true);
    body.controls.setTbloNoticePending(true);
    body.controls.enableTbloButton(true);
    body.controls.showTbloNotice();
    body.window.enqueueUpdate(GuiUpdate::Redraw{GuiRedrawFlags::options()});
}

} // namespace skyloom
