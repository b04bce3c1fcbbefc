// Opening a folder or file in the desktop's file manager or viewer (xdg-open).
#pragma once

#include <filesystem>

namespace skyloom::os {

// Starts the desktop's opener for an existing folder or file and does not wait for it.
// False when the path does not exist or the opener cannot be started.
bool shellOpen(const std::filesystem::path& path);

} // namespace skyloom::os
