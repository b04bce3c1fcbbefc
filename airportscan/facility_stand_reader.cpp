#include "airportscan/facility_stand_reader.h"

#include <cstdint>
#include <exception>

#include <fmt/format.h>

#include "airportscan/archive_links.h"
#include "airportscan/generated_airport_file.h"
#include "airportscan/publisher_detection.h"
#include "foundation/files.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/text_files.h"
#include "sim/facility_connection.h"
#include "sim/facility_parking.h"

namespace skyloom {
namespace {

enum class FacilityRead { written, notWritten, notDelivered };

// Asks the simulator for the airport's stands and writes them; an exception is noted and
// closes the facility connection.
FacilityRead lf_readAndWrite(AirportFile& airport, const AirportScanContext& context) {
    const std::string code = airport.icao.text();
    try {
        std::int32_t helipads = 0;
        if (!gf_readParkingFacilities(context.stop, code, airport, helipads)) {
            return FacilityRead::notDelivered;
        }
        if (!gf_writeGeneratedApf(airport, helipads, context)) {
            return FacilityRead::notWritten;
        }
        return FacilityRead::written;
    } catch (const std::exception& e) {
        context.scanLog.push_back(
            fmt::format("Reading Facilites data for {} via SimConnect failed: {}", code, e.what()));
        gf_closeFacilityConnection();
        return FacilityRead::notDelivered;
    }
}

} // namespace

bool gf_readFacilities(const std::filesystem::path& bglFile, const AirportScanContext& context) {
    context.scanLog.push_back(fmt::format("\nFac: {}", gf_pathToUtf8(bglFile)));
    AirportFile airport;
    airport.sourcePath = bglFile;
    airport.bglPath = gf_pathToUtf8(bglFile);
    airport.package = gf_searchManifest(bglFile, context.scanLog);
    const std::optional<IcaoCode> code =
        gf_airportCodeOfPackage(airport, context.codeTests, context.scanLog);
    if (!code) {
        return false;
    }
    airport.icao = *code;
    if (gf_linkToArchive(airport, context)) {
        context.window.setSimaddonCount(gf_countFilesInDirectory(context.simaddonFolder));
        context.window.setThirdpartyCount(gf_countFilesInDirectory(context.thirdpartyFolder));
        return true;
    }
    if (airport.package && !gf_hasAcceptedPublisher(*airport.package, context.publishers)) {
        return false;
    }
    switch (lf_readAndWrite(airport, context)) {
    case FacilityRead::written:
        context.window.setThirdpartyCount(gf_countFilesInDirectory(context.thirdpartyFolder));
        return true;
    case FacilityRead::notWritten:
        return false;
    case FacilityRead::notDelivered:
        break;
    }
    const std::string line =
        fmt::format("Reading Facilites data for {} via SimConnect failed, is MSFS connected?",
                    airport.icao);
    LogFile::write(line);
    context.scanLog.push_back(line);
    gf_writeLinesToFile(context.scanLog, context.scanLogFile);
    return false;
}

} // namespace skyloom
