#include "config/configuration.h"

#include <fmt/format.h>

#include "config/msfs_installation.h"
#include "config/parameter_rules.h"
#include "config/parameters.h"
#include "config/program_paths.h"
#include "foundation/log_file.h"
#include "foundation/text.h"

namespace skyloom {

void gf_installConfigurationHooks() {
    LogFile::setTargetNameProvider(&gf_simulatorNameForLog);
}

StartupChoices gf_validateStartupChoices(ProgramParameters& parameters) {
    StartupChoices choices;
    if (const auto simulator = gf_simChoiceFromText(parameters.SIM_CHOICE.value())) {
        choices.simulator = *simulator;
    } else {
        LogFile::writeImportant(
            fmt::format("{} '{}' is not valid, '{}' is used", parameters.SIM_CHOICE.name(),
                        parameters.SIM_CHOICE.value(), parameters.SIM_CHOICE.defaultValue()));
        parameters.SIM_CHOICE.setValue(parameters.SIM_CHOICE.defaultValue());
        choices.simulator = gf_simChoiceFromText(parameters.SIM_CHOICE.value()).value();
    }
    if (const auto source = gf_trafficSourceFromText(parameters.RT_CHOISE.value())) {
        choices.source = *source;
    } else {
        LogFile::writeImportant(
            fmt::format("{} '{}' is not valid, '{}' is used", parameters.RT_CHOISE.name(),
                        parameters.RT_CHOISE.value(), parameters.RT_CHOISE.defaultValue()));
        parameters.RT_CHOISE.setValue(parameters.RT_CHOISE.defaultValue());
        choices.source = gf_trafficSourceFromText(parameters.RT_CHOISE.value()).value();
    }
    return choices;
}

ConfigurationStart gf_loadConfigurationInto(ProgramParameters& parameters,
                                            const std::filesystem::path& file) {
    ConfigurationStart start;
    if (parameters.store() != nullptr) {
        const std::vector<Parameter*> kept = parameters.persisted();
        start.load = parameters.store()->load(file, kept);
    }
    for (PathParameter* install :
         {&parameters.MSFS_INSTALL_PATH, &parameters.MSFS_2024_INSTALL_PATH}) {
        const std::filesystem::path saved = install->value();
        const std::filesystem::path root = gf_packagesRootOf(saved);
        // Normalised, so that a root saved with a trailing separator is not taken for a
        // Community folder.
        if (!saved.empty() && !gf_sameFolderPath(root, saved)) {
            LogFile::write(fmt::format("{}: '{}' is a Community folder, its packages folder '{}' "
                                       "is kept instead",
                                       install->name(), gf_pathToUtf8(saved), gf_pathToUtf8(root)));
            install->setValue(root);
            ++start.installPathsCorrected;
        }
    }
    start.radiiCorrected = gf_checkRadiusParameters(parameters);
    start.choices = gf_validateStartupChoices(parameters);
    gf_syncMaxFitFl(parameters);
    parameters.publishAll();
    // The window's controls were made with the defaults, before the file was read.
    for (const OptionControl* control : parameters.controls()) {
        control->showValue();
    }
    return start;
}

ConfigurationStart gf_loadConfiguration() {
    ProgramParameters& parameters = gf_params();
    const ConfigurationStart start = gf_loadConfigurationInto(parameters, gf_parametersPath());
    gf_setStartupChoices(start.choices);
    return start;
}

} // namespace skyloom
