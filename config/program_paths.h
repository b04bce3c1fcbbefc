// The program's folders and files. The working folder (the program's own folder, which holds
// docs, input, output, airports and tblo) and the settings folder in the user's Roaming
// AppData ("Skyloom", the folder of parameters.xml and of the flight-plan folder) come from
// platform/os, so that SKYLOOM_WORKDIR and SKYLOOM_APPDATA move them for tests and demos.
#pragma once

#include <filesystem>
#include <string_view>

namespace skyloom {

inline constexpr std::string_view kDocsFolderName = "docs";
inline constexpr std::string_view kInputFolderName = "input";
inline constexpr std::string_view kMyRegcodesFolderName = "my_regcodes";
inline constexpr std::string_view kOutputFolderName = "output";
inline constexpr std::string_view kInfoFolderName = "info";
inline constexpr std::string_view kErrorsFolderName = "errors";
inline constexpr std::string_view kAirportsFolderName = "airports";
inline constexpr std::string_view kTbloFolderName = "tblo";
// The first element of the relative paths of archived airport files; they name files on the
// maker's download area, not a local folder.
inline constexpr std::string_view kArchiveFolderName = "archive";
inline constexpr std::string_view kFlightPlanFolderName = "orig_dest";
inline constexpr std::string_view kAigRegcodesFileName = "AIG-regcodes.enc";
inline constexpr std::string_view kObjectIdListFileName = "ObjectIdList.txt";
inline constexpr std::string_view kTbloZipFileName = "tblo.zip";

// --- Working folder ---
std::filesystem::path gf_workingFolder();
std::filesystem::path gf_docsFolder();
std::filesystem::path gf_inputFolder();
std::filesystem::path gf_myRegcodesFolder();
std::filesystem::path gf_aigRegcodesPath();
std::filesystem::path gf_outputFolder();
std::filesystem::path gf_infoFolder();
std::filesystem::path gf_errorsFolder();
std::filesystem::path gf_objectIdListPath();
// LiveriesScanned_MSFS2020.xml or LiveriesScanned_MSFS2024.xml in the output folder.
std::filesystem::path gf_liveriesScannedFilePath(bool msfs2020);
std::filesystem::path gf_airportsFolder();
std::filesystem::path gf_tbloFolder();
std::filesystem::path gf_tbloZipPath();

// True when the working folder holds "docs": the program runs from its own folder.
bool gf_workingFolderHasDocs();

// Makes the data folders that the program writes into when they are missing: input and
// input/my_regcodes, output with info and errors, airports and tblo. Throws
// std::filesystem::filesystem_error when one cannot be made.
void gf_createDataFolders();

// --- Roaming AppData ---
// Roaming AppData / "Skyloom"; empty when Roaming AppData cannot be found.
std::filesystem::path gf_settingsFolder();
// The settings folder / "parameters.xml"; empty when there is no settings folder.
std::filesystem::path gf_parametersPath();
// The settings folder / "orig_dest", the folder of AI flight plans (in use only with MSFS 2020:
// gf_flightPlanFolder in sim/flight_plan_files.h).
std::filesystem::path gf_flightPlanFolderPath();
// Makes the settings folder when it is missing; false (with the reason) when it cannot.
bool gf_createSettingsFolder(std::string* reason = nullptr);
// Opens the folder of parameters.xml in the desktop's file manager, so that the user can edit
// the settings the window does not show; false when there is none or it cannot be opened.
bool gf_openParametersFolder();

} // namespace skyloom
