#include "parking/airport_fetch.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>

#include <fmt/format.h>

#include "config/program_paths.h"
#include "config/startup_choices.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "parking/archive_path.h"
#include "refdata/download.h"
#include "refdata/download_area.h"
#include "runtime/run_services.h"
#include "runtime/stop_request.h"

namespace skyloom {

namespace fs = std::filesystem;

namespace {

std::atomic<std::uint64_t> g_fetchCounter{0};

// The archived files whose download failed in this run, by the address asked (the area path
// where no download area is configured), with the error their reads give. Any thread: the
// main worker reads the park airport's file, the window's thread a destination's stands.
struct FailedDownloads {
    std::mutex mutex;
    std::map<std::string, std::string, std::less<>> errors;
};

FailedDownloads& lf_failedDownloads() {
    static FailedDownloads failed;
    return failed;
}

// The archived path as sent: elements joined by '/', backslashes turned into slashes.
std::string lf_genericText(const fs::path& archived) {
    std::string text = archived.string();
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

bool lf_hasUnsafeElement(std::string_view text) {
    for (const std::string& element : gf_split(text, '/')) {
        if (element.empty() || element == "." || element == "..") {
            return true;
        }
    }
    return false;
}

std::string lf_areaPath(const fs::path& archived) {
    return std::string(gf_isMsfs2020() ? "downloads/MSFS/" : "downloads/MSFS2024/") +
           lf_genericText(archived);
}

// What a failed download is remembered by: the address asked, so that another download area
// (or none) asks afresh.
std::string lf_askedAddress(const fs::path& archived) {
    const std::string areaPath = lf_areaPath(archived);
    std::string url = gf_downloadAreaUrl(areaPath);
    return url.empty() ? areaPath : url;
}

// The airport an archived path names, for the user: its ICAO code, else the file name.
std::string lf_airportOf(const fs::path& archived) {
    if (const std::optional<ArchivePathInfo> info = gf_parseArchivePath(archived)) {
        return info->icao.text();
    }
    return gf_pathToUtf8(archived.filename());
}

} // namespace

bool gf_isSafeArchivePath(const fs::path& archived) {
    const std::string written = lf_genericText(archived);
    std::string decoded = gf_percentDecode(written);
    std::replace(decoded.begin(), decoded.end(), '\\', '/');
    return !lf_hasUnsafeElement(written) && !lf_hasUnsafeElement(decoded);
}

AirportFileLocation gf_airportFilePath(const fs::path& path, bool parkAirport,
                                       const RunServices& services) {
    if (gf_isDownloadAreaInMaintenance()) {
        return AirportFileLocation{std::string(kMaintenanceText), {}, false, false};
    }
    if (path.empty() || *path.begin() != kArchiveFolderName) {
        return {};
    }
    if (!gf_isSafeArchivePath(path)) {
        const std::string error = fmt::format(
            "refused to fetch '{}': the path has an empty, '.' or '..' element", gf_pathToUtf8(path));
        LogFile::writeImportant(error);
        return AirportFileLocation{error, {}, false, false, true};
    }
    const std::string asked = lf_askedAddress(path);
    {
        FailedDownloads& failed = lf_failedDownloads();
        std::lock_guard lock(failed.mutex);
        if (const auto known = failed.errors.find(asked); known != failed.errors.end()) {
            return AirportFileLocation{known->second, {}, false, false, true};
        }
    }
    const bool encrypted = gf_equalsIgnoringCase(path.extension().string(), ".enc");
    const std::string suffix = fmt::format(".{}.{}", ::getpid(), g_fetchCounter.fetch_add(1));
    const char* name = parkAirport ? "park_airport" : "airport";
    const fs::path target = gf_airportsFolder() / (encrypted ? fmt::format("{}{}.enc", name, suffix)
                                                             : fmt::format("{}{}.xml", name, suffix));
    std::string error = gf_downloadAirportFile(path, target, encrypted, services);
    if (!error.empty()) {
        // A run that is stopping cut the download short: the file is not known to be missing.
        if (services.stop.keepRunning()) {
            FailedDownloads& failed = lf_failedDownloads();
            std::lock_guard lock(failed.mutex);
            failed.errors.emplace(asked, error);
        }
        return AirportFileLocation{std::move(error), {}, false, false, true};
    }
    return AirportFileLocation{{}, target, true, encrypted};
}

std::string gf_downloadAirportFile(const fs::path& archived, const fs::path& target,
                                   bool encrypted, const RunServices& services) {
    const std::string areaPath = lf_areaPath(archived);
    bool downloaded = false;
    try {
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        const CurlEasyHandle curl = gf_newCurlHandle();
        downloaded = gf_downloadFromArea(curl.get(), services.stop, areaPath, target, encrypted);
    } catch (const std::exception& e) {
        LogFile::writeImportant(fmt::format("gf_downloadAirportFile: {}", e.what()));
    }
    if (downloaded) {
        return {};
    }
    std::error_code ignored;
    fs::remove(target, ignored);
    return fmt::format("failed to download the airport file of {}", lf_airportOf(archived));
}

void gf_forgetFailedAirportDownloads() {
    FailedDownloads& failed = lf_failedDownloads();
    std::lock_guard lock(failed.mutex);
    failed.errors.clear();
}

} // namespace skyloom
