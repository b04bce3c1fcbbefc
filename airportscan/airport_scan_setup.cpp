#include "airportscan/airport_scan_setup.h"

#include <optional>

#include "config/msfs_installation.h"
#include "config/params_snapshot.h"
#include "config/program_paths.h"
#include "config/startup_choices.h"
#include "foundation/clock.h"
#include "foundation/file_header.h"
#include "parking/apf_writer.h"
#include "refdata/weekly_airports.h"

namespace skyloom {

AirportFileWriter gf_scanAirportFileWriter(int simulator, const Clock& clock) {
    return [simulator, &clock](const AirportFile& airport, const std::filesystem::path& target) {
        return gf_writeApf(airport, target, ApfMode::full, simulator, false, std::nullopt, clock,
                           os::SyncMode::deferred);
    };
}

AirportScanSetup gf_programScanSetup(const RunServices& services, ScanControls& controls,
                                     std::string supportEmailAddress) {
    const bool msfs2020 = gf_isMsfs2020();
    const auto snapshot = gf_paramsSnapshot();
    const int simulator = msfs2020 ? kHeaderSimMsfs2020 : kHeaderSimMsfs2024;
    Clock& clock = services.clock;
    return AirportScanSetup{
        .services = services,
        .controls = controls,
        .msfs2020 = msfs2020,
        .skipScan = snapshot && snapshot->SKIP_AIRPORT_SCAN,
        .airportsFolder = gf_airportsFolder(),
        .tbloFolder = gf_tbloFolder(),
        .scanLogFile = gf_scanLogPath(),
        .supportEmailAddress = std::move(supportEmailAddress),
        .publishers = gf_publisherLists(),
        .refreshWeeklyAirports = [] { return gf_refreshWeeklyTrafficAirports(); },
        .clearWeeklyAirports = [] { gf_clearWeeklyTrafficAirports(); },
        .readPublishers = [](PublisherLists& lists,
                             bool msfs) { return gf_readPublishers(lists, msfs); },
        .installSubfolder = [](std::string_view name) { return gf_installSubfolder(name); },
        .codeTests = gf_scanAirportCodeTests(),
        .writeAirportFile = gf_scanAirportFileWriter(simulator, clock),
        .onStep = {},
    };
}

} // namespace skyloom
