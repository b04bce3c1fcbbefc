#include "airportscan/scan_bgl_steps.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "airportscan/archive_links.h"
#include "airportscan/generated_airport_file.h"
#include "airportscan/package_manifest.h"
#include "airportscan/publisher_detection.h"
#include "foundation/files.h"

namespace skyloom {

bool ScanBglSteps::airportKnown(const IcaoCode& icao) {
    return context_.codeTests.known(icao);
}

bool ScanBglSteps::weeklyTraffic(const IcaoCode& icao) {
    return context_.codeTests.weeklyTraffic(icao);
}

std::optional<AirportPackage> ScanBglSteps::searchManifest(const std::filesystem::path& bgl) {
    return gf_searchManifest(bgl, context_.scanLog);
}

bool ScanBglSteps::linkToArchive(AirportFile& airport) {
    return gf_linkToArchive(airport, context_);
}

bool ScanBglSteps::hasAcceptedPublisher(const AirportPackage& package) {
    return gf_hasAcceptedPublisher(package, context_.publishers);
}

void ScanBglSteps::writeGeneratedApf(AirportFile& airport, std::size_t helipads) {
    gf_writeGeneratedApf(airport,
                         static_cast<std::int32_t>(std::min<std::size_t>(
                             helipads, std::numeric_limits<std::int32_t>::max())),
                         context_);
}

void ScanBglSteps::showSimaddonCount() {
    context_.window.setSimaddonCount(gf_countFilesInDirectory(context_.simaddonFolder));
}

void ScanBglSteps::showThirdpartyCount() {
    context_.window.setThirdpartyCount(gf_countFilesInDirectory(context_.thirdpartyFolder));
}

} // namespace skyloom
