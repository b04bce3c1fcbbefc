// The check of the folder that the user picks when the start-up did not find the simulator's
// installation: the Community folder (whose parent, the packages folder, is kept) or the
// packages folder itself. Every step tells the user in a message box owned by the main window
// and titled "Skyloom", and on the status line (logged): why a folder is refused, which folder
// expected beside Community is missing (a warning only), and which folder was kept.
#pragma once

#include <filesystem>
#include <string>

#include "config/startup_choices.h"

namespace skyloom {

class Gui;
class ProgramParameters;

// Checks `folder` for `simulator`; when it is accepted, stores its packages folder in the
// simulator's install-path parameter and saves it. True when accepted.
bool gf_checkInstallPath(Gui& gui, ProgramParameters& parameters, SimChoice simulator,
                         const std::filesystem::path& folder);

// The start-up step: lets the user pick the folder (starting at the saved install path) and
// checks it. False when the user cancels or the folder is refused.
bool gf_pickInstallPath(Gui& gui, ProgramParameters& parameters, SimChoice simulator);

// What the picker asks for: "Select the Community folder of {simulator}".
std::string gf_installPathPickerTitle(SimChoice simulator);
// The error line when no folder was had: the stop reason ("INSTALL PATH MISSING"), what is
// missing, and what the user can do about it.
std::string gf_installPathMissingText(SimChoice simulator);

} // namespace skyloom
