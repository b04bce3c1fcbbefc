#include "config/msfs_installation.h"

#include <algorithm>
#include <system_error>

#include <fmt/format.h>

#include "config/parameters.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/text_files.h"
#include "platform/os/known_folders.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

// The Microsoft Store builds keep their files under Local AppData in the app's package
// folder; the Steam builds under Roaming AppData in a folder named after the simulator.
constexpr std::string_view kStorePackage2020 = "Microsoft.FlightSimulator_8wekyb3d8bbwe";
constexpr std::string_view kStorePackage2024 = "Microsoft.Limitless_8wekyb3d8bbwe";
constexpr std::string_view kSteamFolder2020 = "Microsoft Flight Simulator";
constexpr std::string_view kSteamFolder2024 = "Microsoft Flight Simulator 2024";

bool lf_isCommunityName(const fs::path& path) {
    return gf_equalsIgnoringCase(gf_pathToUtf8(path.filename()), kCommunityFolderName);
}

fs::path lf_pathFromUtf8(std::string_view text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

// A path without a trailing separator, so that filename() and parent_path() name folders.
fs::path lf_withoutTrailingSeparator(const fs::path& path) {
    fs::path cleaned = path;
    while (!cleaned.has_filename() && cleaned.has_relative_path()) {
        cleaned = cleaned.parent_path();
    }
    return cleaned;
}

bool lf_isFolder(const fs::path& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error);
}

} // namespace

std::vector<UserCfgCandidate> gf_userCfgCandidates(SimChoice simulator) {
    const bool is2020 = simulator == SimChoice::msfs2020;
    std::vector<UserCfgCandidate> candidates;
    if (const fs::path local = os::localAppData(); !local.empty()) {
        candidates.push_back(
            {local / "Packages" / (is2020 ? kStorePackage2020 : kStorePackage2024) / "LocalCache" /
                 kUserCfgFileName,
             "Microsoft Store"});
    }
    if (const fs::path roaming = os::roamingAppData(); !roaming.empty()) {
        candidates.push_back(
            {roaming / (is2020 ? kSteamFolder2020 : kSteamFolder2024) / kUserCfgFileName, "Steam"});
    }
    return candidates;
}

UserCfgReading gf_readInstalledPackagesPath(const fs::path& userCfg) {
    UserCfgReading reading;
    std::error_code error;
    const bool exists = fs::exists(userCfg, error);
    if (error) {
        reading.problem =
            fmt::format("'{}' cannot be checked: {}", gf_pathToUtf8(userCfg), error.message());
        return reading;
    }
    if (!exists) {
        reading.problem = fmt::format("'{}' does not exist", gf_pathToUtf8(userCfg));
        return reading;
    }
    const LinesFileResult file = LinesFile::readLines(userCfg, 256);
    if (!file.ok) {
        reading.problem =
            fmt::format("'{}' cannot be read ({})", gf_pathToUtf8(userCfg), file.reason);
        return reading;
    }
    for (const std::string& line : file.lines) {
        const std::string text = gf_trim(line);
        if (text.size() < kInstalledPackagesPathKey.size() ||
            !gf_equalsIgnoringCase(text.substr(0, kInstalledPackagesPathKey.size()),
                                   kInstalledPackagesPathKey)) {
            continue;
        }
        // The key must stand alone: "InstalledPackagesPathX" is another key.
        if (text.size() > kInstalledPackagesPathKey.size()) {
            const char next = text[kInstalledPackagesPathKey.size()];
            if (next != ' ' && next != '\t' && next != '"') {
                continue;
            }
        }
        const std::string rest =
            gf_trim(std::string_view(text).substr(kInstalledPackagesPathKey.size()));
        const std::string value = gf_trim(gf_quotedText(rest));
        if (value.empty()) {
            reading.problem = fmt::format("'{}' names an empty {}", gf_pathToUtf8(userCfg),
                                          kInstalledPackagesPathKey);
            return reading;
        }
        reading.packagesRoot = lf_withoutTrailingSeparator(lf_pathFromUtf8(value));
        return reading;
    }
    reading.problem =
        fmt::format("'{}' has no {} line", gf_pathToUtf8(userCfg), kInstalledPackagesPathKey);
    return reading;
}

InstallationSearch gf_findMsfsInstallation(SimChoice simulator) {
    InstallationSearch search;
    const std::vector<UserCfgCandidate> candidates = gf_userCfgCandidates(simulator);
    if (candidates.empty()) {
        search.notes.push_back("no AppData folder is known, so no UserCfg.opt can be found");
    }
    for (const UserCfgCandidate& candidate : candidates) {
        const UserCfgReading reading = gf_readInstalledPackagesPath(candidate.file);
        if (!reading.packagesRoot) {
            search.notes.push_back(fmt::format("{}: {}", candidate.variant, reading.problem));
            continue;
        }
        if (!lf_isFolder(*reading.packagesRoot)) {
            search.notes.push_back(fmt::format(
                "{}: packages folder '{}' named by '{}' does not exist", candidate.variant,
                gf_pathToUtf8(*reading.packagesRoot), gf_pathToUtf8(candidate.file)));
            continue;
        }
        search.packagesRoot = reading.packagesRoot;
        search.userCfg = candidate.file;
        break;
    }
    return search;
}

bool gf_sameFolderPath(const fs::path& a, const fs::path& b) {
    return lf_withoutTrailingSeparator(a.lexically_normal()) ==
           lf_withoutTrailingSeparator(b.lexically_normal());
}

fs::path gf_packagesRootOf(const fs::path& installPath) {
    const fs::path cleaned = lf_withoutTrailingSeparator(installPath);
    if (lf_isCommunityName(cleaned) && cleaned.has_parent_path()) {
        return cleaned.parent_path();
    }
    return cleaned;
}

std::optional<fs::path> gf_installSubfolderOf(const ProgramParameters& parameters, bool msfs2020,
                                              std::string_view name) {
    const PathParameter& install =
        msfs2020 ? parameters.MSFS_INSTALL_PATH : parameters.MSFS_2024_INSTALL_PATH;
    const fs::path root = install.value();
    if (root.empty()) {
        return std::nullopt;
    }
    fs::path folder = gf_packagesRootOf(root) / lf_pathFromUtf8(name);
    if (!lf_isFolder(folder)) {
        return std::nullopt;
    }
    return folder;
}

std::optional<fs::path> gf_installSubfolder(std::string_view name) {
    return gf_installSubfolderOf(gf_params(), gf_isMsfs2020(), name);
}

std::string gf_folderAccessErrorText(const FolderAccessError& error) {
    return error.pickedFolder ? fmt::format("Error {} accessing install path '{}': {}", error.code,
                                            gf_pathToUtf8(error.path), error.message)
                              : fmt::format("Error {} accessing '{}': {}", error.code,
                                            gf_pathToUtf8(error.path), error.message);
}

CommunityFolderCheck gf_checkCommunityFolder(const fs::path& picked, SimChoice simulator) {
    CommunityFolderCheck check;
    // Whether the folder exists; a failing test is recorded and counts as missing.
    const auto folderExists = [&check](const fs::path& folder, bool pickedFolder) {
        std::error_code error;
        // A missing folder is a known status too; only a failing test leaves it unknown.
        const fs::file_status status = fs::status(folder, error);
        if (!fs::status_known(status)) {
            check.accessErrors.push_back({error.value(), error.message(), folder, pickedFolder});
            return std::optional<bool>();
        }
        return std::optional<bool>(fs::is_directory(status));
    };

    const fs::path folder = lf_withoutTrailingSeparator(picked);
    const std::optional<bool> exists = folderExists(folder, true);
    if (!exists) {
        check.error = CommunityCheckError::accessFailed;
        return check;
    }
    if (!*exists) {
        check.error = CommunityCheckError::notFound;
        return check;
    }
    fs::path root;
    if (lf_isCommunityName(folder)) {
        // The parent is the packages root, and the scans look in root/"Community" by that
        // exact name; a bare relative "Community" has no parent.
        root = folder.parent_path();
        if (root.empty() || root == folder ||
            folderExists(root / kCommunityFolderName, false) != true) {
            check.error = CommunityCheckError::noPackagesRoot;
            return check;
        }
    } else if (folderExists(folder / kCommunityFolderName, false) == true) {
        // The packages folder itself, the folder the scans start from.
        root = folder;
        check.pickedPackagesFolder = true;
    } else {
        check.error = CommunityCheckError::notCommunity;
        return check;
    }
    const std::vector<std::string_view> siblings =
        simulator == SimChoice::msfs2020
            ? std::vector<std::string_view>{"Official"}
            : std::vector<std::string_view>{"StreamedPackages", "Community2024"};
    for (std::string_view sibling : siblings) {
        if (folderExists(root / sibling, false) != true) {
            check.missingSiblings.emplace_back(sibling);
        }
    }
    check.packagesRoot = root;
    return check;
}

std::optional<fs::path> gf_locateMsfsInstallation(ProgramParameters& parameters,
                                                  SimChoice simulator) {
    PathParameter& install = parameters.installPath(simulator == SimChoice::msfs2020);
    const InstallationSearch search = gf_findMsfsInstallation(simulator);
    if (search.packagesRoot) {
        if (!gf_sameFolderPath(install.value(), *search.packagesRoot)) {
            install.setValue(*search.packagesRoot);
        }
        LogFile::write(fmt::format("{} packages folder: '{}' (from '{}')",
                                   gf_simChoiceText(simulator), gf_pathToUtf8(*search.packagesRoot),
                                   gf_pathToUtf8(search.userCfg)));
        return search.packagesRoot;
    }
    for (const std::string& note : search.notes) {
        LogFile::write(note);
    }
    const fs::path saved = install.value();
    if (!saved.empty()) {
        const fs::path root = gf_packagesRootOf(saved);
        if (lf_isFolder(root)) {
            if (!gf_sameFolderPath(root, saved)) {
                install.setValue(root);
            }
            LogFile::write(fmt::format("{} packages folder: '{}' (saved in {})",
                                       gf_simChoiceText(simulator), gf_pathToUtf8(root),
                                       install.name()));
            return root;
        }
    }
    LogFile::writeImportant(
        fmt::format("The packages folder of {} was not found", gf_simChoiceText(simulator)));
    return std::nullopt;
}

bool gf_acceptCommunityFolder(ProgramParameters& parameters, SimChoice simulator,
                              const CommunityFolderCheck& check) {
    if (!check.accepted()) {
        return false;
    }
    parameters.installPath(simulator == SimChoice::msfs2020).setValue(check.packagesRoot);
    return true;
}

} // namespace skyloom
