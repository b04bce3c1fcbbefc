// The livery scan at start-up: which folders are scanned for installed AI liveries, the scan
// itself (liveries/livery_folder_walk.h), and what the user is told of its result. In automatic
// mode (LIG_AUTOMATIC) the folders are the AI traffic packages of the simulator's Community
// folder in the user's package order (AI_PACKAGE_SELECTOR), followed by a user-aitraffic
// folder; in manual mode the folders named by lfolder0 to lfolder9. A scan that succeeds
// shows the number of liveries found; one that cannot go on throws what the user must be told
// (a UserRelatedException with its code, or a std::runtime_error), after logging it as
// "Liveries scan failed: {}". A stop request ends it quietly ("Liveries scan cancelled"). The
// previous scanned-liveries file survives every failure.
//
// Runs on the main worker thread; takes no lock.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "liveries/livery_folder_walk.h"
#include "liveries/livery_record.h"
#include "liveries/livery_scan_state.h"

namespace skyloom {

class WindowSink;
class OptionControl;

// The codes of the UserRelatedExceptions a scan throws.
inline constexpr int kNoLiveryFolderParameterSet = 48;
inline constexpr int kNoAIPackageFound = 148;
inline constexpr int kLiveryFolderParameterMissing = 243;
inline constexpr int kNoLiveryInPackages = 553;
inline constexpr int kNoLiveryInFolders = 554;

// One lfolder parameter: its name and its value (UTF-8).
struct LiveryFolderParameter {
    std::string name;
    std::string value;
};

// What a scan reads of the settings and of the simulator's installation.
struct LiveryScanSettings {
    bool automatic = true;  // LIG_AUTOMATIC
    bool prioritize = true; // LIG_PRIORITIZE
    // The index of the AI_PACKAGE_SELECTOR choice; no value when the text is none of them.
    std::optional<std::size_t> packageChoice;
    // lfolder0 to lfolder9, in this order.
    std::vector<LiveryFolderParameter> folderParameters;
    // The simulator's Community folder when it exists.
    std::optional<std::filesystem::path> communityFolder;
    bool msfs2020 = false;
};

// The program's settings: the snapshot's LIG_AUTOMATIC, LIG_PRIORITIZE and AI_PACKAGE_SELECTOR,
// the lfolder parameters, the Community folder of this run's simulator.
LiveryScanSettings gf_liveryScanSettings();

// What a scan reports to and works on.
struct LiveryScanServices {
    WindowSink& window;
    // False once the program is stopping.
    std::function<bool()> keepRunning{};
    // The AI_PACKAGE_SELECTOR combo box and the SKIP_LIVERIES_SCAN check box: both are disabled
    // while the scan runs; the check box is enabled again when the scan returns, the combo box
    // when the scan ends, whichever way, if it was an automatic one.
    const OptionControl* packageSelector = nullptr;
    const OptionControl* skipScanBox = nullptr;
    // Opens the folder of parameters.xml for the user (manual mode without any lfolder).
    std::function<void()> openParametersFolder{};
    LiveryScanState* scan = nullptr;
    std::vector<LiveryRecord>* records = nullptr;
};

// The program's services with the given window and stop test: the controls of gf_params(),
// the folder of parameters.xml opened in the shell, gf_liveryScanState(), gf_liveryScanList().
LiveryScanServices gf_programLiveryScanServices(WindowSink& window,
                                                std::function<bool()> keepRunning);

// True unless SKIP_LIVERIES_SCAN is set and the scanned-liveries file exists: without the file
// the scan runs all the same.
bool gf_liveriesScanNeeded(bool skipLiveriesScan, const std::filesystem::path& scannedFile);
// The same for this run: the snapshot's SKIP_LIVERIES_SCAN and this simulator's file.
bool gf_liveriesScanNeeded();

// The folders of an automatic scan: the package order of the choice (a choice without value
// throws std::runtime_error "AI_PACKAGE_SELECTOR not set"), one folder per kind found in the
// Community folder, then the first user-aitraffic folder.
std::vector<std::filesystem::path> gf_findAIPackages(const LiveryScanSettings& settings,
                                                     const std::filesystem::path& communityFolder);

// The folders of a manual scan: the non-empty lfolder values in order. The first value that
// does not exist (or whose status cannot be read) is logged ("{}: '{}' does not exist") and
// throws UserRelatedException 243.
std::vector<std::filesystem::path>
gf_checkLiveryFolderParameters(const std::vector<LiveryFolderParameter>& parameters);

// One whole scan, with its result for the window (the livery count) and its failures for the
// user; see the file's comment. The scan's working data is released on every way out. The
// program's scan: gf_liveryScanSettings() with gf_programLiveryScanServices().
void gf_scanLiveries(const LiveryScanSettings& settings, const LiveryScanServices& services);

} // namespace skyloom
