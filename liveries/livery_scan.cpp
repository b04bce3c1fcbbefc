#include "liveries/livery_scan.h"

#include <exception>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <utility>

#include <fmt/format.h>

#include "config/ai_package_orders.h"
#include "config/msfs_installation.h"
#include "config/option_control.h"
#include "config/parameters.h"
#include "config/params_snapshot.h"
#include "config/program_paths.h"
#include "config/startup_choices.h"
#include "foundation/files.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/user_related_exception.h"
#include "foundation/version.h"
#include "foundation/write_failure.h"
#include "liveries/ai_packages.h"
#include "liveries/liveries_scanned_file.h"
#include "runtime/gui_update.h"
#include "runtime/stop_request.h"
#include "runtime/window_sink.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

constexpr std::string_view kScanningStatus = "Scanning for liveries ...";

fs::path lf_pathFromUtf8(std::string_view text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

void lf_enable(const OptionControl* control, bool enabled) {
    if (control != nullptr) {
        control->enable(enabled);
    }
}

// Releases the scan's working data and tells the window and the log that the scan is over,
// whichever way it ended. The package choice, disabled while the scan ran, is open again
// exactly when the scan is automatic.
void lf_endLiveriesScan(const LiveryScanServices& services, bool automatic) noexcept {
    try {
        if (services.scan != nullptr) {
            services.scan->clear();
        }
        lf_enable(services.packageSelector, automatic);
        services.window.clearStatusText();
        services.window.enqueueUpdate(GuiUpdate::Redraw{GuiRedrawFlags::counters()});
        LogFile::writeNow("\n++++++++++++++++++++++++ liveries scan ends "
                          "++++++++++++++++++++++++++++++++\n");
    } catch (...) {
        // The end of a scan must not hide why it ended.
    }
}

class EndOfScan {
public:
    EndOfScan(const LiveryScanServices& services, bool automatic)
        : services_(services), automatic_(automatic) {}
    ~EndOfScan() { lf_endLiveriesScan(services_, automatic_); }
    EndOfScan(const EndOfScan&) = delete;
    EndOfScan& operator=(const EndOfScan&) = delete;

private:
    const LiveryScanServices& services_;
    bool automatic_;
};

LiveryScanResult lf_runLiveriesScan(const LiveryScanServices& services,
                                    const std::vector<fs::path>& folders, bool prioritize,
                                    bool automatic) {
    LiveryWalkContext walk{*services.scan, *services.records, services.keepRunning};
    const LiveryScanResult result = gf_scanLiveryFolders(walk, folders, prioritize);
    switch (result) {
    case LiveryScanResult::written:
        services.window.enqueueUpdate(GuiUpdate::LiveriesCount{services.records->size()});
        services.window.enqueueUpdate(GuiUpdate::Redraw{GuiRedrawFlags::options()});
        return result;
    case LiveryScanResult::noLiveries:
        if (automatic) {
            throw UserRelatedException(kNoLiveryInPackages,
                                       "Automatic scan has not found any liveries in your "
                                       "packages, choose a different selection, or go to Manual "
                                       "mode");
        }
        throw UserRelatedException(kNoLiveryInFolders, "no liveries found");
    case LiveryScanResult::cancelled:
    case LiveryScanResult::notWritten:
        break;
    }
    return result;
}

// Steps 3 to 9 of a scan: everything whose failure the user is told of.
void lf_scan(const LiveryScanSettings& settings, const LiveryScanServices& services) {
    const bool prioritize = settings.prioritize;
    const bool automatic = settings.automatic;
    lf_enable(services.packageSelector, false);
    lf_enable(services.skipScanBox, false);
    services.window.showStatusText(std::string(kScanningStatus), false);
    LogFile::writeNow(fmt::format("\n++++++++++++++++++++++++ liveries scan {} starts "
                                  "++++++++++++++++++++++++++++++++",
                                  automatic ? "automatic" : "manual"));

    std::vector<fs::path> folders;
    if (automatic) {
        if (settings.communityFolder) {
            folders = gf_findAIPackages(settings, *settings.communityFolder);
        }
    } else {
        folders = gf_checkLiveryFolderParameters(settings.folderParameters);
    }

    if (!folders.empty()) {
        const LiveryScanResult result =
            lf_runLiveriesScan(services, folders, prioritize, automatic);
        lf_enable(services.skipScanBox, true);
        switch (result) {
        case LiveryScanResult::cancelled:
            LogFile::write("Liveries scan cancelled");
            return;
        case LiveryScanResult::notWritten:
            throw WriteFailure(fmt::format("the new {} could not be committed safely",
                                           gf_pathToUtf8(gf_liveriesScannedPath())));
        case LiveryScanResult::written:
        case LiveryScanResult::noLiveries:
            return;
        }
        return;
    }
    if (!automatic) {
        if (services.openParametersFolder) {
            services.openParametersFolder();
        }
        throw UserRelatedException(
            kNoLiveryFolderParameterSet,
            fmt::format("Exit {} first!   Then set one or more lfolder parameters to your liveries",
                        kProgramName));
    }
    throw UserRelatedException(kNoAIPackageFound,
                               "Automatic scan has not found any AI packages, choose a different "
                               "selection, or switch to Manual mode");
}

} // namespace

LiveryScanSettings gf_liveryScanSettings() {
    const std::shared_ptr<const ParamsSnapshot> snapshot = gf_paramsSnapshot();
    LiveryScanSettings settings;
    settings.automatic = snapshot->LIG_AUTOMATIC;
    settings.prioritize = snapshot->LIG_PRIORITIZE;
    settings.packageChoice = snapshot->AI_PACKAGE_SELECTOR;
    for (const StringParameter& folder : gf_params().lfolder) {
        settings.folderParameters.push_back({folder.name(), folder.value()});
    }
    settings.msfs2020 = gf_isMsfs2020();
    settings.communityFolder = gf_installSubfolder(kCommunityFolderName);
    return settings;
}

LiveryScanServices gf_programLiveryScanServices(WindowSink& window,
                                                std::function<bool()> keepRunning) {
    LiveryScanServices services{window};
    services.keepRunning = std::move(keepRunning);
    services.packageSelector = &gf_params().AI_PACKAGE_SELECTOR;
    services.skipScanBox = &gf_params().SKIP_LIVERIES_SCAN;
    services.openParametersFolder = [] { gf_openParametersFolder(); };
    services.scan = &gf_liveryScanState();
    services.records = &gf_liveryScanList();
    return services;
}

bool gf_liveriesScanNeeded(bool skipLiveriesScan, const fs::path& scannedFile) {
    if (!skipLiveriesScan) {
        return true;
    }
    std::error_code ec;
    return !fs::exists(scannedFile, ec);
}

bool gf_liveriesScanNeeded() {
    return gf_liveriesScanNeeded(gf_paramsSnapshot()->SKIP_LIVERIES_SCAN, gf_liveriesScannedPath());
}

std::vector<fs::path> gf_findAIPackages(const LiveryScanSettings& settings,
                                        const fs::path& communityFolder) {
    const std::optional<std::vector<std::uint8_t>> order =
        settings.packageChoice ? gf_aiPackageOrderAt(*settings.packageChoice) : std::nullopt;
    if (!order) {
        throw std::runtime_error(fmt::format("{} not set", "AI_PACKAGE_SELECTOR"));
    }
    std::vector<fs::path> folders;
    folders.reserve(kMaxPackageRank);
    gf_scanAIPackageFolders(communityFolder, *order, settings.msfs2020, folders);
    gf_scanUserAITraffic(communityFolder, folders);
    return folders;
}

std::vector<fs::path>
gf_checkLiveryFolderParameters(const std::vector<LiveryFolderParameter>& parameters) {
    std::vector<fs::path> folders;
    folders.reserve(kMaxPackageRank);
    for (const LiveryFolderParameter& parameter : parameters) {
        if (parameter.value.empty()) {
            continue;
        }
        const fs::path folder = lf_pathFromUtf8(parameter.value);
        std::error_code ec;
        const fs::file_status status = fs::status(folder, ec);
        if (ec || !fs::exists(status)) {
            LogFile::writeImportant(
                fmt::format("{}: '{}' does not exist", parameter.name, parameter.value));
            throw UserRelatedException(
                kLiveryFolderParameterMissing,
                fmt::format("the path pointed to by parameter '{}' does not exist, see Log.txt!",
                            parameter.name));
        }
        folders.push_back(folder);
    }
    return folders;
}

void gf_scanLiveries(const LiveryScanSettings& settings, const LiveryScanServices& services) {
    if (services.scan == nullptr || services.records == nullptr) {
        throw std::invalid_argument("a livery scan needs its working data and its scan list");
    }
    services.scan->prepare();
    const EndOfScan end(services, settings.automatic);
    try {
        lf_scan(settings, services);
    } catch (const std::exception& e) {
        LogFile::writeImportant(fmt::format("Liveries scan failed: {}", e.what()));
        throw;
    }
}

} // namespace skyloom
