#include "gui/install_path_check.h"

#include <optional>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "config/msfs_installation.h"
#include "config/parameters.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "gui/folder_picker.h"
#include "gui/gui.h"
#include "gui/main_window.h"
#include "platform/winui/dialogs.h"
#include "runtime/stop_reason.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

void lf_messageBox(std::string_view text, winui::UINT icon) {
    gf_showMessageBox(text, winui::MB_OK | icon);
}

void lf_error(std::string_view text) {
    lf_messageBox(text, winui::MB_ICONERROR);
}

// The status line of each folder whose status could not be read: those of `folder` only, or
// (no folder) all but the siblings', which come with their warnings.
void lf_showAccessErrors(Gui& gui, const CommunityFolderCheck& check,
                         const std::optional<fs::path>& folder) {
    for (const FolderAccessError& error : check.accessErrors) {
        const bool sibling = !error.pickedFolder &&
                             error.path.parent_path() == check.packagesRoot &&
                             error.path.filename() != kCommunityFolderName;
        if (folder ? error.path == *folder : !sibling) {
            gui.showStatusText(gf_folderAccessErrorText(error), true, StatusWeight::warning);
        }
    }
}

void lf_warnMissingSibling(Gui& gui, const CommunityFolderCheck& check,
                           const std::string& sibling) {
    const fs::path path = check.packagesRoot / sibling;
    lf_showAccessErrors(gui, check, path);
    LogFile::write(gf_pathToUtf8(path));
    gui.showStatusText(fmt::format("Warning: No {} folder?", sibling), true, StatusWeight::warning);
    lf_messageBox(
        fmt::format("Warning: There is no {} folder parallel to the Community folder.", sibling),
        winui::MB_ICONWARNING);
}

} // namespace

bool gf_checkInstallPath(Gui& gui, ProgramParameters& parameters, SimChoice simulator,
                         const fs::path& folder) {
    const CommunityFolderCheck check = gf_checkCommunityFolder(folder, simulator);
    lf_showAccessErrors(gui, check, std::nullopt);
    switch (check.error) {
    case CommunityCheckError::accessFailed:
        lf_error("Error in accessing install path.");
        return false;
    case CommunityCheckError::notFound:
        gui.showStatusText(
            fmt::format("This install path does not exist: '{}'", gf_pathToUtf8(folder)), true);
        lf_error("This install path does not exist.");
        return false;
    case CommunityCheckError::notCommunity:
        lf_error("This path is not a valid Community folder.");
        return false;
    case CommunityCheckError::noPackagesRoot:
        lf_error("There is no root for the Community folder.");
        return false;
    case CommunityCheckError::none:
        break;
    }
    for (const std::string& sibling : check.missingSiblings) {
        lf_warnMissingSibling(gui, check, sibling);
    }
    gf_acceptCommunityFolder(parameters, simulator, check);
    gui.showStatusText(fmt::format("Okay: {}", gf_pathToUtf8(check.packagesRoot)), true);
    lf_messageBox("Okay!", winui::MB_OK);
    return true;
}

std::string gf_installPathPickerTitle(SimChoice simulator) {
    return fmt::format("Select the {} folder of {}", kCommunityFolderName,
                       gf_simChoiceText(simulator));
}

std::string gf_installPathMissingText(SimChoice simulator) {
    return fmt::format("{}: no {} folder of {} picked. Pick it at the next start, or choose "
                       "another simulator",
                       gf_stopReasonText(StopReason::installPathMissing), kCommunityFolderName,
                       gf_simChoiceText(simulator));
}

bool gf_pickInstallPath(Gui& gui, ProgramParameters& parameters, SimChoice simulator) {
    const fs::path saved = parameters.installPath(simulator == SimChoice::msfs2020).value();
    const std::optional<fs::path> picked =
        gf_pickFolder(gf_mainWindow(), saved, gf_installPathPickerTitle(simulator));
    if (!picked) {
        LogFile::write("No folder picked for the simulator's packages");
        return false;
    }
    return gf_checkInstallPath(gui, parameters, simulator, *picked);
}

} // namespace skyloom
