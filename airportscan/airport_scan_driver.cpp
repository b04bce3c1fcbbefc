#include "airportscan/airport_scan_driver.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "airportscan/unmatched_archive.h"
#include "foundation/files.h"
#include "foundation/log_file.h"
#include "runtime/stop_request.h"
#include "runtime/window_sink.h"
#include "sim/facility_connection.h"

namespace skyloom {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kFailedStatus =
    "Airport scan failed; Skyloom will continue with the previous airport data";

// The scan's window as the run's window sink sees it.
class SinkScanWindow : public ScanWindow {
public:
    explicit SinkScanWindow(WindowSink& sink) : sink_(sink) {}
    void showStatusText(std::string text, bool log) override {
        sink_.showStatusText(std::move(text), log);
    }
    void setSimaddonCount(std::uint64_t count) override {
        sink_.enqueueUpdate(GuiUpdate::SimaddonCount{count});
    }
    void setThirdpartyCount(std::uint64_t count) override {
        sink_.enqueueUpdate(GuiUpdate::ThirdpCount{count});
    }

private:
    WindowSink& sink_;
};

struct ScanRun {
    AirportScanSetup& setup;
    std::vector<std::string> scanLog;
    SinkScanWindow window;
    // The airport files the scan wrote, checked before the commit.
    std::vector<fs::path> written;
};

void lf_sendFileCounts(AirportScanSetup& setup) {
    const auto folders = gf_scanFoldersOf(setup.airportsFolder);
    gf_sendScanFileCounts(folders[0], folders[1], setup.services.window);
}

void lf_showLogged(AirportScanSetup& setup, std::string_view text) {
    setup.services.window.showStatusText(std::string(text), true);
}

// The end step of every scan that got past the skip test.
void lf_airportScanEnds(ScanRun& run, bool succeeded) {
    AirportScanSetup& setup = run.setup;
    run.scanLog.clear();
    if (!succeeded) {
        std::error_code ec;
        fs::remove_all(setup.tbloFolder, ec);
        setup.controls.setTbloNoticePending(false);
        setup.controls.enableTbloButton(false);
        setup.controls.enableSkipScanCheckbox(true);
    }
    gf_closeFacilityConnection();
    if (setup.clearWeeklyAirports) {
        setup.clearWeeklyAirports();
    }
    setup.publishers.clear();
    lf_sendFileCounts(setup);
    setup.controls.enableSkipScanCheckbox(true);
    LogFile::writeNow(
        "-------------------------- airports scan ends -------------------------------\n");
}

// Empties the tblo folder, or makes it.
void lf_prepareTbloFolder(AirportScanSetup& setup) {
    if (fs::exists(setup.tbloFolder)) {
        gf_removeFilesFromDirectory(setup.tbloFolder);
        setup.controls.enableTbloButton(false);
        setup.controls.setTbloNoticePending(false);
    } else {
        fs::create_directory(setup.tbloFolder);
    }
}

bool lf_runScanAndWarn(ScanRun& run, ScanTransaction& transaction,
                       const std::vector<fs::path>& roots) {
    AirportScanSetup& setup = run.setup;
    const auto folders = gf_scanFoldersOf(setup.airportsFolder);
    // The scan's writes are remembered, so that none can go missing unnoticed before the commit.
    AirportFileWriter writeAndRemember = [&run, &setup](const AirportFile& airport,
                                                        const fs::path& target) {
        if (!setup.writeAirportFile(airport, target)) {
            return false;
        }
        run.written.push_back(target);
        if (setup.onStep) {
            setup.onStep(ScanStep::airportWritten);
        }
        return true;
    };
    AirportScanContext context{setup.services.stop,
                               setup.publishers,
                               run.scanLog,
                               run.window,
                               std::move(writeAndRemember),
                               setup.codeTests,
                               folders[0],
                               folders[1],
                               setup.scanLogFile};
    const ScanWalkContext walk{context, setup.services.clock, setup.installSubfolder};
    const ScanBodyContext body{
        walk,
        setup.services.window,
        setup.controls,
        setup.tbloFolder,
        setup.supportEmailAddress,
        [&run, &transaction] { gf_checkScanFolders(transaction, run.written); }};
    const bool found = gf_scanAirportFolders(roots, body);
    if (!found) {
        lf_showLogged(setup, "Warning: Scan has not found any add-on airports");
    }
    setup.services.window.enqueueUpdate(GuiUpdate::Redraw{GuiRedrawFlags::options()});
    return found;
}

// Phases 4 to 14: false when the scan ended without committing.
bool lf_scanAndCommit(ScanRun& run) {
    AirportScanSetup& setup = run.setup;
    setup.services.window.showStatusText(std::string(kScanningStatus), false);
    LogFile::write(fmt::format(
        "\n++++++++++++++++++++++++ airports scan {}starts +++++++++++++++++++++++++++++",
        "automatic "));
    setup.services.window.enqueueUpdate(GuiUpdate::SimaddonCount{0});
    setup.services.window.enqueueUpdate(GuiUpdate::ThirdpCount{0});

    if (!setup.refreshWeeklyAirports()) {
        lf_showLogged(setup,
                      "Reading RT weekly airports failed; keeping previous airport scan data");
        return false;
    }
    if (!setup.readPublishers(setup.publishers, setup.msfs2020)) {
        lf_showLogged(setup, "Reading archives failed; keeping previous airport scan data");
        return false;
    }
    std::vector<fs::path> roots;
    roots.reserve(10);
    gf_scanRootFolders(roots, setup.msfs2020, setup.installSubfolder);

    ScanTransaction transaction(setup.airportsFolder, setup.onStep);
    gf_beginScanTransaction(transaction);
    lf_prepareTbloFolder(setup);
    if (!lf_runScanAndWarn(run, transaction, roots)) {
        lf_showLogged(setup,
                      "Airport scan produced no add-on data; keeping previous airport scan data");
        gf_rollbackScanTransaction(transaction);
        return false;
    }
    // A scan cut short by the stop of the run found only part of the airports: its folders
    // would replace complete ones with a part.
    if (!setup.services.stop.keepRunning()) {
        lf_showLogged(setup, "Airport scan stopped; keeping previous airport scan data");
        gf_rollbackScanTransaction(transaction);
        return false;
    }
    if (setup.onStep) {
        setup.onStep(ScanStep::scanFinished);
    }
    if (!setup.controls.tbloNoticePending()) {
        fs::remove_all(setup.tbloFolder);
    }
    setup.services.window.enqueueUpdate(GuiUpdate::Redraw{GuiRedrawFlags::counters()});
    gf_commitScanTransaction(transaction);
    return true;
}

} // namespace

void gf_runAirportScan(AirportScanSetup& setup) noexcept {
    try {
        if (!gf_recoverInterruptedScan(setup.airportsFolder, setup.onStep)) {
            LogFile::writeImportant(
                "Airport scan skipped: recovery of a previously interrupted scan failed");
            lf_showLogged(
                setup, "Airport scan skipped; previous airport data could not be recovered safely");
            return;
        }
        if (setup.skipScan) {
            LogFile::write("Airport scan skipped because SKIP_AIRPORT_SCAN=true");
            lf_showLogged(setup, "Airport scan suppressed by parameter SKIP_AIRPORT_SCAN");
            lf_sendFileCounts(setup);
            return;
        }
    } catch (const std::exception& e) {
        LogFile::writeNoThrow(fmt::format("Airport scan not started: {}", e.what()));
        return;
    } catch (...) {
        return;
    }

    setup.controls.enableSkipScanCheckbox(false);
    ScanRun run{setup, {}, SinkScanWindow(setup.services.window), {}};
    bool succeeded = false;
    std::optional<std::string> failure;
    try {
        succeeded = lf_scanAndCommit(run);
    } catch (const std::exception& e) {
        failure =
            fmt::format("Airport scan failed; previous airport scan data restored: {}", e.what());
    } catch (...) {
        failure = "Airport scan failed with an unknown error; previous airport scan data restored";
    }
    if (failure) {
        try {
            LogFile::writeImportant(*failure);
        } catch (...) {
            // The status line below still tells the user.
        }
        lf_showLogged(setup, kFailedStatus);
    }
    try {
        lf_airportScanEnds(run, succeeded);
    } catch (...) {
        // The end step's failures change nothing of the airport data.
    }
}

} // namespace skyloom
