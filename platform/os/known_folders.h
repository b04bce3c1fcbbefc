// Where the program keeps its files: the working folder (the program's own folder, which
// holds docs/, input/, output/ and airports/) and the two per-user data roots that Windows
// calls Roaming and Local AppData. Each can be set by the environment so that tests and demos
// run in a folder of their own: SKYLOOM_WORKDIR, SKYLOOM_APPDATA, SKYLOOM_LOCALAPPDATA.
#pragma once

#include <filesystem>

namespace skyloom::os {

// SKYLOOM_WORKDIR, else the process's current folder.
std::filesystem::path workingFolder();

// SKYLOOM_APPDATA, else $XDG_CONFIG_HOME, else ~/.config; empty when none can be found.
std::filesystem::path roamingAppData();

// SKYLOOM_LOCALAPPDATA, else $XDG_DATA_HOME, else ~/.local/share; empty when none can be found.
std::filesystem::path localAppData();

} // namespace skyloom::os
