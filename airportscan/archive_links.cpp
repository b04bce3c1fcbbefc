#include "airportscan/archive_links.h"

#include <fmt/format.h>

#include "airportscan/publisher_detection.h"
#include "airportscan/publisher_section.h"
#include "config/program_paths.h"
#include "foundation/text.h"
#include "foundation/text_files.h"

namespace skyloom {
namespace {

constexpr std::string_view kArchiveExtension = ".enc";
constexpr std::string_view kLinkFileExtension = ".txt";

std::string lf_publisherFolder(std::string_view publisher) {
    std::string folder;
    for (const char c : publisher) {
        if (c == ' ') {
            folder += "%20";
        } else {
            folder += c;
        }
    }
    return folder;
}

// Writes <ICAO>.txt with the archive path into the folder and notes the link. The scan
// transaction's commit syncs the file with all others the scan wrote.
bool lf_writeLinkFile(const AirportScanContext& context, const std::filesystem::path& folder,
                      const IcaoCode& icao, const std::string& archivePath,
                      std::string_view kindText) {
    const std::filesystem::path link = folder / (icao.text() + std::string(kLinkFileExtension));
    if (!gf_writeFile(archivePath, link, true, FileKind::saved, os::SyncMode::deferred)) {
        context.scanLog.push_back(
            fmt::format("===> Writing {} did not succeed", gf_pathToUtf8(link)));
        return false;
    }
    context.scanLog.push_back(fmt::format("{} airport {} linked to {}\n", kindText, icao,
                                          archivePath));
    return true;
}

} // namespace

ArchivePath gf_simaddonArchivePath(const AirportScanContext& context, const IcaoCode& icao) {
    ArchivePath result;
    result.path = fmt::format("{}/{}/{}{}", kArchiveFolderName, kSimaddonPublisher, icao,
                              kArchiveExtension);
    result.found = context.publishers.simaddons.contains(icao.text());
    if (!result.found) {
        context.scanLog.push_back(fmt::format("{} does not exist as simaddon", icao));
    }
    return result;
}

ArchivePath gf_thirdPartyArchivePath(const AirportScanContext& context,
                                     const AirportFile& airport) {
    const std::string directory = fmt::format("{}/thirdparty/{}/", kArchiveFolderName,
                                              lf_publisherFolder(airport.publisher));
    const std::string version = airport.package ? airport.package->version : std::string();
    const std::string icao = airport.icao.text();
    const PublisherSectionLookup lookup =
        gf_findPublisherSection(context.publishers, airport.publisher, icao, version);
    bool found = false;
    switch (lookup.status) {
    case PublisherSectionStatus::found:
        found = true;
        break;
    case PublisherSectionStatus::foundHigherPresent: {
        std::string warning =
            fmt::format("Warning: {} {} version {} is used; higher version {} is present in the "
                        "archive",
                        airport.publisher, icao, version, lookup.higherVersion);
        context.scanLog.push_back(warning);
        context.window.showStatusText(std::move(warning), true);
        found = true;
        break;
    }
    case PublisherSectionStatus::notFoundHigherPresent: {
        std::string warning = fmt::format(
            "Warning: {} {} version {} is not in the archive; higher version {} is present. The "
            "airport is sent to TBLO",
            airport.publisher, icao, version, lookup.higherVersion);
        context.scanLog.push_back(warning);
        context.window.showStatusText(std::move(warning), true);
        [[fallthrough]];
    }
    case PublisherSectionStatus::notFound:
        context.scanLog.push_back(
            fmt::format("thirdparty {} {}{} does not exist", airport.publisher, icao,
                        version.empty() ? std::string() : fmt::format(" version {}", version)));
        break;
    }
    ArchivePath result;
    result.found = found;
    if (found) {
        result.path = directory + lookup.file + std::string(kArchiveExtension);
    }
    return result;
}

bool gf_linkToArchive(AirportFile& airport, const AirportScanContext& context) {
    if (airport.publisher.empty()) {
        gf_classifyPackage(airport, context.publishers, context.scanLog);
        if (airport.publisher.empty()) {
            return false;
        }
    }
    if (airport.publisher == kSimaddonPublisher) {
        const ArchivePath archive = gf_simaddonArchivePath(context, airport.icao);
        return archive.found && lf_writeLinkFile(context, context.simaddonFolder, airport.icao,
                                                 archive.path, kSimaddonPublisher);
    }
    const ArchivePath archive = gf_thirdPartyArchivePath(context, airport);
    return archive.found && lf_writeLinkFile(context, context.thirdpartyFolder, airport.icao,
                                             archive.path, "thirdparty");
}

} // namespace skyloom
