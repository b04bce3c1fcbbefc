// Helpers for the airport-scan driver tests: controls that record what the scan does, an
// installed-packages tree of either simulator built from the real BGL and manifest files in
// ../shared, a scan setup over temporary folders, and a snapshot of the scan's folders.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "airportscan/airport_scan_setup.h"
#include "foundation/manual_clock.h"
#include "runtime/stop_request.h"
#include "tests/support/recording_window_sink.h"

namespace skyloom::testing {

class RecordingScanControls : public ScanControls {
public:
    void enableSkipScanCheckbox(bool enabled) override { skipEnabled.push_back(enabled); }
    void enableTbloButton(bool enabled) override { tbloEnabled.push_back(enabled); }
    void setTbloNoticePending(bool pending) override { pending_ = pending; }
    bool tbloNoticePending() const override { return pending_; }
    void showTbloNotice() override { ++noticesShown; }

    std::vector<bool> skipEnabled;
    std::vector<bool> tbloEnabled;
    int noticesShown = 0;

private:
    bool pending_ = false;
};

// The installed packages of one simulator under `packages`, with real files from ../shared:
// for MSFS 2020 Official (a stock airport QSKB, a stock airport LSZH that the archive holds)
// and Community (a publisher's QSKA with its manifest, KPHX with the real BGL and manifest of
// a public scenery, an aircraft package); for MSFS 2024 Community the same publisher packages,
// StreamedPackages (stock QSKB and LSZH, the publisher's streamed KSFO whose manifest lies in
// Official2024, non-airport packages) and Community2024 (a second publisher's EHAM). False
// when ../shared lacks the files.
bool gf_makeInstallation(const std::filesystem::path& packages, bool msfs2020);

// The archives document the tree's publishers need: publishers Orbx and FlyTampa, LSZH as an
// archived simaddon file.
std::string gf_installationArchives();

// A scan setup over `base`: airports, tblo and the scan log there, the tree at base/Packages,
// the archives of `archivesRoot` read from base/input, airports known and with weekly traffic
// as listed, airport files written by the real writer on the manual clock.
struct ScanSetupFixture {
    ScanSetupFixture(const std::filesystem::path& base, bool msfs2020,
                     std::set<std::string> airports);
    AirportScanSetup setup();

    std::filesystem::path base;
    bool msfs2020;
    std::set<std::string> airports;
    ManualClock clock{ManualClock::utcTime(2026, 1, 5, 12)};
    StopControl stop;
    RecordingWindowSink window;
    RecordingScanControls controls;
    PublisherLists publishers;
    bool weeklyAirportsReadable = true;
};

// Every file below base/airports/my_simaddon and my_thirdparty (relative path and content), and
// which of the two folders exist.
struct FolderSnapshot {
    std::map<std::string, std::string> files;
    std::set<std::string> folders;
    friend bool operator==(const FolderSnapshot&, const FolderSnapshot&) = default;
};
FolderSnapshot gf_snapshotScanFolders(const std::filesystem::path& airports);

} // namespace skyloom::testing
