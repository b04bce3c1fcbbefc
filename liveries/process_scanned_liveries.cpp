#include "liveries/process_scanned_liveries.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

#include "config/parameters.h"
#include "config/program_paths.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "liveries/category_report.h"
#include "liveries/installed_liveries.h"
#include "liveries/liveries_scanned_file.h"
#include "liveries/livery_tables.h"
#include "liveries/offline_regcodes.h"
#include "refdata/similar_models.h"
#include "runtime/window_sink.h"

namespace skyloom {

void gf_processScannedLiveries(WindowSink& window, ProgramParameters& parameters) {
    LiveryTables& tables = gf_liveryTables();
    LogFile::write("\n+++++ processing scanned liveries +++++");
    tables.clear();
    // Only the clash report of an earlier start goes: the scan's own reports in the same
    // folder describe the scanned liveries still in use and stay until the next scan.
    std::error_code error;
    std::filesystem::remove(gf_errorsFolder() / kInlineRegcodesFileName, error);

    if (!gf_readLiveriesScanned()) {
        throw std::runtime_error(fmt::format("{} could not be read completely",
                                             gf_pathToUtf8(gf_liveriesScannedPath())));
    }
    const auto& records = gf_installedLiveries();
    window.enqueueUpdate(GuiUpdate::LiveriesCount{records.size()});

    gf_checkLiveryIndexes(tables, records);
    gf_fillLiveryTitleIndex(tables);
    gf_buildAirlineModelLiveries(tables);
    gf_checkInlineRegcodes(tables, records);
    gf_processOfflineRegcodes(tables);
    LogFile::write(fmt::format("{:5} registration codes", tables.regcodeLiveryMap.size()));
    gf_createModelSorted(tables);
    LogFile::write(
        fmt::format("{:5} airlines, {} pax aircraft models and {} cargo aircraft models",
                    tables.airlineLiveryIndex.size(),
                    tables.modelLiveries[static_cast<std::size_t>(LiveryKind::passenger)].size(),
                    tables.modelLiveries[static_cast<std::size_t>(LiveryKind::cargo)].size()));

    gf_setInstalledLiveries(&tables);
    gf_createSimilarModelDefs();
    LogFile::write(" ");

    for (const AircraftCategory category : kCategoryReportOrder) {
        gf_reportCategory(tables, parameters, category);
    }
    gf_reportGenericLiveries(tables);
    window.enqueueUpdate(GuiUpdate::Redraw{GuiRedrawFlags::counters()});

    // The tables hold their own copies of the titles.
    gf_replaceInstalledLiveries({});
    LogFile::write("----- end of processing scanned liveries ------\n");
}

} // namespace skyloom
