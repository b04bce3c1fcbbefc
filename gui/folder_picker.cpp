#include "gui/folder_picker.h"

#include "platform/winui/dialogs.h"

namespace skyloom {

std::optional<std::filesystem::path> gf_pickFolder(winui::HWND owner,
                                                   const std::filesystem::path& initialFolder) {
    return winui::showFolderPicker(owner, initialFolder);
}

} // namespace skyloom
