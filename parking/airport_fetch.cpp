#include "parking/airport_fetch.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
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
#include "runtime/window_sink.h"

namespace skyloom {

namespace fs = std::filesystem;

namespace {

std::atomic<std::uint64_t> g_fetchCounter{0};

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
        return AirportFileLocation{error, {}, false, false};
    }
    const bool encrypted = gf_equalsIgnoringCase(path.extension().string(), ".enc");
    const std::string suffix = fmt::format(".{}.{}", ::getpid(), g_fetchCounter.fetch_add(1));
    const char* name = parkAirport ? "park_airport" : "airport";
    const fs::path target = gf_airportsFolder() / (encrypted ? fmt::format("{}{}.enc", name, suffix)
                                                             : fmt::format("{}{}.xml", name, suffix));
    std::string error = gf_downloadAirportFile(path, target, encrypted, services);
    if (!error.empty()) {
        return AirportFileLocation{std::move(error), {}, false, false};
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
    std::string url = gf_downloadAreaUrl(areaPath);
    std::string error = fmt::format("failed to download: '{}'", url.empty() ? areaPath : url);
    services.window.showStatusText(error, true);
    return error;
}

} // namespace skyloom
