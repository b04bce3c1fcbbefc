// The folder picker of the install-path check: the desktop's own dialog for choosing a
// folder, owned by the main window.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/winui/win_types.h"

namespace skyloom {

// Lets the user pick an existing folder, starting in `initialFolder` when it is not empty,
// with `title` (UTF-8: what to pick) as the dialog's title; no value when the user cancels or
// no picker can be shown.
std::optional<std::filesystem::path> gf_pickFolder(winui::HWND owner,
                                                   const std::filesystem::path& initialFolder,
                                                   std::string_view title);

} // namespace skyloom
