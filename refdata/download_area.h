// The maker's download area: the base address under which the update check finds versions.json
// and the data sets, and parking the archived airport files; and the maintenance flag, set when
// the update check finds the area in maintenance, while which nothing is fetched from it.
// The base address comes from the environment (SKYLOOM_DOWNLOAD_BASE) or from
// gf_setDownloadAreaBase; without one the program works offline.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include <curl/curl.h>

#include "refdata/download.h"

namespace skyloom {

class StopControl;

inline constexpr const char* kDownloadBaseEnvironment = "SKYLOOM_DOWNLOAD_BASE";
inline constexpr std::string_view kMaintenanceText =
    "Web server temporarily unavailable due to maintenance.";

// The base address, ending with '/'; empty when none is configured.
std::string gf_downloadAreaBase();
// Sets the base address ('/' appended when missing); an empty text goes back to the
// environment's.
void gf_setDownloadAreaBase(std::string_view base);

// The base address followed by the relative path (backslashes turned into slashes, a leading
// '/' dropped); empty when no base address is configured.
std::string gf_downloadAreaUrl(std::string_view relativePath);

// The maintenance flag (program-wide, any thread).
bool gf_isDownloadAreaInMaintenance() noexcept;
void gf_setDownloadAreaMaintenance(bool inMaintenance) noexcept;

// Downloads a file of the download area with gf_downloadToFile. False without a request, and
// logged, while the maintenance flag is set or when no base address is configured.
bool gf_downloadFromArea(CURL* curl, const StopControl& stop, std::string_view relativePath,
                         const std::filesystem::path& target, bool binary);
// The same download, nothing logged on failure (gf_fetchToFile). Without a download area the
// file is not there; in maintenance it is not had for now.
DownloadOutcome gf_fetchFromArea(CURL* curl, const StopControl& stop, std::string_view relativePath,
                                 const std::filesystem::path& target, bool binary);
// "no download area is configured": why a file of the area is not there without one.
inline constexpr std::string_view kNoDownloadAreaText = "no download area is configured";

} // namespace skyloom
