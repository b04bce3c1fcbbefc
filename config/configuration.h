// The configuration's part of the start-up: read parameters.xml into the program's
// parameters, put saved install paths right, check the radius parameters, fix the start-up
// choices and publish the settings snapshot. The installation of the simulator is looked for
// afterwards (msfs_installation.h), once the window can ask the user.
#pragma once

#include <filesystem>

#include "config/parameters_store.h"
#include "config/startup_choices.h"

namespace skyloom {

class ProgramParameters;

struct ConfigurationStart {
    ParametersLoadReport load;
    StartupChoices choices;
    // The radius parameters had to be set back.
    bool radiiCorrected = false;
    // Install paths saved as a Community folder were turned into the packages root.
    int installPathsCorrected = 0;
};

// Installs what the foundation asks of the configuration before anything is logged: the
// simulator name of the log's first line. Call once at process start.
void gf_installConfigurationHooks();

// The start-up choices named by the parameters; a text that names no choice is set back to
// its default (and saved).
StartupChoices gf_validateStartupChoices(ProgramParameters& parameters);

// Loads `file` into the parameters through their store (the parameters' store must be set),
// then the steps above; publishes the snapshot into the parameters' cell. Does not fix the
// program's start-up choices.
ConfigurationStart gf_loadConfigurationInto(ProgramParameters& parameters,
                                            const std::filesystem::path& file);

// The program's start-up step: gf_loadConfigurationInto on gf_params() with
// gf_parametersPath(), then fixes the start-up choices of this run.
ConfigurationStart gf_loadConfiguration();

} // namespace skyloom
