// Where the chosen simulator keeps its packages. The simulator's UserCfg.opt names the
// packages root with the line `InstalledPackagesPath "<folder>"`; that root holds Community
// and Official (MSFS 2020), or Community, Community2024, Official2024 and StreamedPackages
// (MSFS 2024). UserCfg.opt lies in one of two standard places per simulator: the Microsoft
// Store build keeps it under Local AppData in the app's package folder, the Steam build under
// Roaming AppData. The install-path parameters (MSFS_INSTALL_PATH, MSFS_2024_INSTALL_PATH)
// hold the packages root; a Community folder picked by the user is stored as its parent.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/startup_choices.h"

namespace skyloom {

class ProgramParameters;

inline constexpr std::string_view kUserCfgFileName = "UserCfg.opt";
inline constexpr std::string_view kInstalledPackagesPathKey = "InstalledPackagesPath";
inline constexpr std::string_view kCommunityFolderName = "Community";

// One standard place of UserCfg.opt.
struct UserCfgCandidate {
    std::filesystem::path file;
    // "Microsoft Store" or "Steam", for the log.
    std::string_view variant;
};

// The standard places of the simulator's UserCfg.opt, in the order they are tried: the
// Microsoft Store build (Local AppData) first, then the Steam build (Roaming AppData). An
// AppData root that cannot be found gives no candidate.
std::vector<UserCfgCandidate> gf_userCfgCandidates(SimChoice simulator);

// The outcome of reading one UserCfg.opt.
struct UserCfgReading {
    std::optional<std::filesystem::path> packagesRoot;
    // Why there is none: the file is missing or unreadable, or names no packages path.
    std::string problem;
};

// The folder that UserCfg.opt names on its `InstalledPackagesPath` line (the key compared
// without regard to case; the value between double quotes, or the rest of the line when it
// is not quoted). The folder itself is not checked here.
UserCfgReading gf_readInstalledPackagesPath(const std::filesystem::path& userCfg);

// The outcome of looking for the simulator's installation.
struct InstallationSearch {
    // The packages root, an existing folder; no value when none was found.
    std::optional<std::filesystem::path> packagesRoot;
    // The UserCfg.opt that named it.
    std::filesystem::path userCfg;
    // One line per place tried that did not give a root, for the log.
    std::vector<std::string> notes;
};

// Tries the standard places in order and takes the first UserCfg.opt whose packages path is
// an existing folder.
InstallationSearch gf_findMsfsInstallation(SimChoice simulator);

// The packages root that a stored install path stands for: a path whose last name is
// "Community" (any letter case) is taken as the Community folder and gives its parent; any
// other path is the root itself. Install paths saved as the Community folder are read this
// way.
std::filesystem::path gf_packagesRootOf(const std::filesystem::path& installPath);

// True when the two paths name the same folder once normalised: "." and doubled separators
// dropped, and a trailing separator ignored ("/a/Packages/" is "/a/Packages").
bool gf_sameFolderPath(const std::filesystem::path& a, const std::filesystem::path& b);

// The sub-folder of the chosen simulator's packages root (its install-path parameter) when
// it exists as a folder; no value otherwise or while the root is not known.
std::optional<std::filesystem::path> gf_installSubfolder(std::string_view name);
// The same with the parameters and the simulator given.
std::optional<std::filesystem::path> gf_installSubfolderOf(const ProgramParameters& parameters,
                                                           bool msfs2020, std::string_view name);

// The check of a folder that the user picked as the simulator's Community folder.
enum class CommunityCheckError {
    none,
    accessFailed,   // the picked folder's status could not be read
    notFound,       // the folder does not exist
    notCommunity,   // neither named "Community" nor holding a folder "Community"
    noPackagesRoot, // it has no parent, or the parent holds no folder named exactly "Community"
};

// A folder whose status could not be read during the check.
struct FolderAccessError {
    // The system's error value and message.
    int code = 0;
    std::string message;
    std::filesystem::path path;
    // The folder is the picked one (its own text), not one looked for beside it.
    bool pickedFolder = false;

    friend bool operator==(const FolderAccessError&, const FolderAccessError&) = default;
};

// The status line of an access error: "Error {} accessing install path '{}': {}" for the
// picked folder, "Error {} accessing '{}': {}" for the others (code, path, message).
std::string gf_folderAccessErrorText(const FolderAccessError& error);

struct CommunityFolderCheck {
    CommunityCheckError error = CommunityCheckError::none;
    // The folders whose status could not be read, in the order they were tried: the picked
    // folder (error accessFailed), its parent's "Community" (error noPackagesRoot) or a
    // sibling (which then also counts as missing). The window shows each before the result.
    std::vector<FolderAccessError> accessErrors;
    // The packages root when accepted: the Community folder's parent, or the picked folder
    // itself when it is the packages folder.
    std::filesystem::path packagesRoot;
    bool pickedPackagesFolder = false;
    // Folders expected beside Community that are missing: "Official" (MSFS 2020),
    // "StreamedPackages" and "Community2024" (MSFS 2024). They are warnings only.
    std::vector<std::string> missingSiblings;

    bool accepted() const noexcept { return error == CommunityCheckError::none; }
};

// Checks a folder picked as the simulator's Community folder: it must exist and be named
// "Community" (any letter case), and then its parent, the packages root, must hold a folder
// named exactly "Community" (so that the later scans find it: on a system whose names are
// case-sensitive a picked "community" has no root). A folder of another name that holds
// "Community" is the packages folder itself and is taken as the root. The sibling folders of
// the simulator are looked for beside Community.
CommunityFolderCheck gf_checkCommunityFolder(const std::filesystem::path& folder,
                                             SimChoice simulator);

// The start-up step that finds the installation of the chosen simulator and keeps it in the
// simulator's install-path parameter (saved when it changes). UserCfg.opt is read first;
// when it gives no root, a saved install path that still exists is kept (a saved Community
// folder is turned into its root). No value when neither gives a root: the user must pick
// the Community folder (gf_checkCommunityFolder, then gf_acceptCommunityFolder).
std::optional<std::filesystem::path> gf_locateMsfsInstallation(ProgramParameters& parameters,
                                                               SimChoice simulator);

// Stores the packages root of an accepted Community folder check in the simulator's
// install-path parameter and saves it; false when the check was not accepted.
bool gf_acceptCommunityFolder(ProgramParameters& parameters, SimChoice simulator,
                              const CommunityFolderCheck& check);

} // namespace skyloom
