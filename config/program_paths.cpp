#include "config/program_paths.h"

#include <system_error>

#include "foundation/files.h"
#include "foundation/version.h"
#include "platform/os/known_folders.h"

namespace fs = std::filesystem;

namespace skyloom {

fs::path gf_workingFolder() {
    return os::workingFolder();
}

fs::path gf_docsFolder() {
    return gf_workingFolder() / kDocsFolderName;
}

fs::path gf_inputFolder() {
    return gf_workingFolder() / kInputFolderName;
}

fs::path gf_myRegcodesFolder() {
    return gf_inputFolder() / kMyRegcodesFolderName;
}

fs::path gf_aigRegcodesPath() {
    return gf_inputFolder() / kAigRegcodesFileName;
}

fs::path gf_outputFolder() {
    return gf_workingFolder() / kOutputFolderName;
}

fs::path gf_infoFolder() {
    return gf_outputFolder() / kInfoFolderName;
}

fs::path gf_errorsFolder() {
    return gf_outputFolder() / kErrorsFolderName;
}

fs::path gf_objectIdListPath() {
    return gf_infoFolder() / kObjectIdListFileName;
}

fs::path gf_liveriesScannedFilePath(bool msfs2020) {
    return gf_outputFolder() /
           (msfs2020 ? "LiveriesScanned_MSFS2020.xml" : "LiveriesScanned_MSFS2024.xml");
}

fs::path gf_airportsFolder() {
    return gf_workingFolder() / kAirportsFolderName;
}

fs::path gf_tbloFolder() {
    return gf_workingFolder() / kTbloFolderName;
}

fs::path gf_tbloZipPath() {
    return gf_tbloFolder() / kTbloZipFileName;
}

bool gf_workingFolderHasDocs() {
    std::error_code error;
    return fs::is_directory(gf_docsFolder(), error);
}

void gf_createDataFolders() {
    for (const fs::path& folder : {gf_myRegcodesFolder(), gf_infoFolder(), gf_errorsFolder(),
                                   gf_airportsFolder(), gf_tbloFolder()}) {
        fs::create_directories(folder);
    }
}

fs::path gf_settingsFolder() {
    const fs::path roaming = gf_appDataPath();
    if (roaming.empty()) {
        return {};
    }
    return roaming / kProgramName;
}

fs::path gf_parametersPath() {
    const fs::path folder = gf_settingsFolder();
    return folder.empty() ? fs::path{} : folder / "parameters.xml";
}

fs::path gf_flightPlanFolderPath() {
    const fs::path folder = gf_settingsFolder();
    return folder.empty() ? fs::path{} : folder / kFlightPlanFolderName;
}

bool gf_createSettingsFolder(std::string* reason) {
    const fs::path folder = gf_settingsFolder();
    if (folder.empty()) {
        if (reason != nullptr) {
            *reason = "the AppData folder is not known";
        }
        return false;
    }
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        if (reason != nullptr) {
            *reason = error.message();
        }
        return false;
    }
    return true;
}

bool gf_openParametersFolder() {
    const std::filesystem::path folder = gf_settingsFolder();
    return !folder.empty() && gf_openFolder(folder);
}

} // namespace skyloom
