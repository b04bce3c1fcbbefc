// `AirportScanSetup`: everything one airport scan works with: the run's services and the
// window's controls, the simulator and the skip flag of the settings at entry, the folders it
// writes, and the program's functions it calls (weekly airports, publisher lists, installed
// package folders, airport-code tests, airport-file writer). The program's setup comes from
// gf_programScanSetup; tests build theirs over temporary folders and stand-ins.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "airportscan/airport_code.h"
#include "airportscan/publisher_lists.h"
#include "airportscan/scan_context.h"
#include "airportscan/scan_controls.h"
#include "airportscan/scan_transaction.h"
#include "airportscan/scan_walk.h"
#include "foundation/clock.h"
#include "runtime/run_services.h"

namespace skyloom {

struct AirportScanSetup {
    RunServices services;
    ScanControls& controls;
    bool msfs2020 = false;
    // SKIP_AIRPORT_SCAN of the settings snapshot current at entry.
    bool skipScan = false;
    // Holds my_simaddon, my_thirdparty and the transaction's marker and backups.
    std::filesystem::path airportsFolder;
    std::filesystem::path tbloFolder;
    std::filesystem::path scanLogFile;
    // The maker's address for tblo.zip.
    std::string supportEmailAddress;
    PublisherLists& publishers;
    std::function<bool()> refreshWeeklyAirports;
    std::function<void()> clearWeeklyAirports;
    std::function<bool(PublisherLists&, bool msfs2020)> readPublishers;
    InstallSubfolderLookup installSubfolder;
    AirportCodeTests codeTests;
    AirportFileWriter writeAirportFile;
    // Told of each step of the scan's transaction (tests end the process there).
    ScanStepHook onStep;
};

// The scan's airport-file writer: full files for `simulator` (kHeaderSimMsfs2020 or 2024)
// with the clock's time, each written without a sync of its own: the scan transaction's commit
// syncs them all at once.
AirportFileWriter gf_scanAirportFileWriter(int simulator, const Clock& clock);

// The program's setup: its folders, the settings snapshot's skip flag and simulator, the
// weekly airport list, the archives data set, the installation's package folders, the airports
// table and the airport-file writer (full files for the simulator of this run).
AirportScanSetup gf_programScanSetup(const RunServices& services, ScanControls& controls,
                                     std::string supportEmailAddress);

} // namespace skyloom
