#include "gui/folder_picker.h"

#include <exception>
#include <string>

#include "foundation/utf.h"
#include "platform/winui/dialogs.h"

namespace skyloom {

std::optional<std::filesystem::path> gf_pickFolder(winui::HWND owner,
                                                   const std::filesystem::path& initialFolder,
                                                   std::string_view title) {
    std::u16string wideTitle;
    try {
        wideTitle = utf8_to_wide(title);
    } catch (const std::exception&) {
        // Not UTF-8: the picker keeps a title of its own.
    }
    return winui::showFolderPicker(owner, initialFolder, wideTitle);
}

} // namespace skyloom
