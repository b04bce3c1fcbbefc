#include "airportscan/package_scan.h"

#include <cstdint>
#include <exception>
#include <system_error>

#include <fmt/format.h>

#include "airportscan/archive_links.h"
#include "airportscan/generated_airport_file.h"
#include "airportscan/manifest_index.h"
#include "airportscan/publisher_detection.h"
#include "foundation/files.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/text_files.h"
#include "runtime/stop_request.h"
#include "sim/facility_connection.h"
#include "sim/facility_parking.h"

namespace skyloom {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kProblem = "===> ";
constexpr std::string_view kOfficial2024 = "Official2024";
constexpr std::string_view kStockManufacturer = "microsoft";
constexpr std::string_view kStockCreator = "asobo";

template <std::size_t N>
bool lf_containsAny(std::string_view text, const std::array<std::string_view, N>& patterns) {
    for (std::string_view pattern : patterns) {
        if (text.find(pattern) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

void lf_writeScanLog(const AirportScanContext& context) {
    gf_writeLinesToFile(context.scanLog, context.scanLogFile);
}

void lf_nextPackageEntry(fs::directory_iterator& it, const fs::path& root,
                         const AirportScanContext& context) {
    std::error_code ec;
    it.increment(ec);
    if (ec) {
        const std::string rootText = gf_pathToUtf8(root);
        LogFile::write(
            fmt::format("Directory iterator increment failed in '{}': {}", rootText, ec.message()));
        context.scanLog.push_back(fmt::format("{} directory iterator increment failed in '{}': {}",
                                              kProblem, rootText, ec.message()));
    }
}

// One package folder; the manifest index is made on the first package that needs it.
void lf_scanPackage(const fs::path& folder, const std::string& folderText,
                    const ScanWalkContext& walk, const std::optional<fs::path>& official2024,
                    std::optional<ManifestIndex>& manifests, std::size_t& stockCount) {
    const AirportScanContext& context = walk.scan;
    const bool stock = lf_containsAny(folderText, kStockAirportPatterns);
    const std::optional<IcaoCode> icao = gf_icaoFromPath(folderText, context.codeTests);
    if (!icao) {
        return;
    }
    context.scanLog.push_back("\n" + folderText);
    AirportFile airport;
    airport.icao = *icao;
    airport.sourcePath = folder;
    airport.bglPath = folderText;
    if (stock) {
        context.scanLog.push_back(fmt::format("airport has '{}' in directory path", *icao));
        if (++stockCount % kStockAirportCountStep == 0) {
            context.window.setSimaddonCount(stockCount);
        }
        airport.publisher = std::string(kSimaddonPublisher);
        airport.package =
            PackageManifest{{}, {}, std::string(kStockManufacturer), std::string(kStockCreator)};
        gf_readPackageFacilities(airport, context);
        return;
    }
    context.scanLog.push_back(fmt::format("airport has '{}' in folder path", *icao));
    const KnownPublisher publisher = gf_isKnownPublisher(context.publishers, folderText);
    if (publisher.status == PublisherLookup::found) {
        airport.publisher = publisher.name;
        context.scanLog.push_back(fmt::format("publisher '{}' found", publisher.name));
    }
    if (official2024) {
        if (!manifests) {
            manifests.emplace(*official2024);
        }
        airport.package = manifests->manifestOf(folder, context.scanLog);
    }
    if (airport.package) {
        context.scanLog.push_back(
            fmt::format("streamed package manifest found, version '{}'", airport.package->version));
    }
    gf_readPackageFacilities(airport, context);
}

} // namespace

void gf_scanStreamedPackages(const fs::path& root, const ScanWalkContext& walk) {
    const AirportScanContext& context = walk.scan;
    const std::string rootText = gf_pathToUtf8(root);
    const std::string banner = fmt::format("\nScan: {}", rootText);
    LogFile::write(banner);
    context.scanLog.push_back(banner);
    const std::optional<fs::path> official2024 = walk.installSubfolder(kOfficial2024);
    std::optional<ManifestIndex> manifests;
    std::size_t stockCount = 0;

    std::error_code ec;
    fs::directory_iterator it(root, ec);
    if (ec) {
        LogFile::write(
            fmt::format("Could not start directory scan in '{}': {}", rootText, ec.message()));
        context.scanLog.push_back(fmt::format("{} could not start directory scan in '{}': {}",
                                              kProblem, rootText, ec.message()));
        return;
    }
    for (; it != fs::directory_iterator(); lf_nextPackageEntry(it, root, context)) {
        std::error_code typeError;
        const bool folder = it->is_directory(typeError);
        if (typeError) {
            const std::string entryText = gf_pathToUtf8(it->path());
            LogFile::write(
                fmt::format("Could not test directory '{}': {}", entryText, typeError.message()));
            context.scanLog.push_back(fmt::format("{} could not test directory '{}': {}", kProblem,
                                                  entryText, typeError.message()));
        }
        if (!folder) {
            continue;
        }
        const std::string folderText = gf_pathToUtf8(it->path());
        if (lf_containsAny(folderText, kNonAirportPackagePatterns)) {
            continue;
        }
        if (!context.stop.keepRunning()) {
            break;
        }
        lf_scanPackage(it->path(), folderText, walk, official2024, manifests, stockCount);
        if (!context.stop.keepRunning()) {
            break;
        }
    }
    context.window.setSimaddonCount(gf_countFilesInDirectory(context.simaddonFolder));
    lf_writeScanLog(context);
}

void gf_readPackageFacilities(AirportFile& airport, const AirportScanContext& context) {
    if (gf_linkToArchive(airport, context)) {
        return;
    }
    const std::string code = airport.icao.text();
    try {
        std::int32_t helipads = 0;
        if (gf_readParkingFacilities(context.stop, code, airport, helipads)) {
            gf_writeGeneratedApf(airport, helipads, context);
            return;
        }
    } catch (const std::exception& e) {
        context.window.showStatusText(e.what(), true);
        context.scanLog.push_back(fmt::format(
            "Reading Facilities data for {} via SimConnect failed: {}", code, e.what()));
        gf_closeFacilityConnection();
        lf_writeScanLog(context);
        return;
    }
    const std::string line = fmt::format(
        "Reading Facilities data for {} via SimConnect failed, is MSFS connected?", code);
    LogFile::write(line);
    context.scanLog.push_back(line);
    lf_writeScanLog(context);
}

} // namespace skyloom
