#include "parking/airport_fetch.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include <fmt/format.h>

#include "config/program_paths.h"
#include "config/startup_choices.h"
#include "foundation/clock.h"
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

// A download that failed for a passing reason is tried again after this long, twice as long
// after each further failure of the same file, at most the longest.
constexpr std::chrono::seconds kFirstRetryAfter{30};
constexpr std::chrono::seconds kLongestRetryAfter{600};

// What the run knows of an archived file it could not have.
struct FailedDownload {
    std::string error;     // what its reads give
    bool notThere = false; // the area has no such file (or there is no area): for the run
    int failures = 0;      // passing failures in a row
    Clock::SteadyTime retryAt{};
};

// The archived files whose download failed in this run, by the address asked (the area path
// where no download area is configured), and the run of passing failures the downloads are
// going through, which the log tells when it begins and when it ends. The run ends when each
// file that failed in it has answered (its download came, or the area said it has no such
// file): another file's answer says nothing of the file still failing. Any thread: the main
// worker reads the park airport's file, the window's thread a destination's stands.
struct FailedDownloads {
    std::mutex mutex;
    std::map<std::string, FailedDownload, std::less<>> files;
    std::size_t failedInARow = 0;
    std::string lastProblem;
};

FailedDownloads& lf_failedDownloads() {
    static FailedDownloads failed;
    return failed;
}

std::chrono::seconds lf_retryAfter(int failures) {
    std::chrono::seconds wait = kFirstRetryAfter;
    for (int i = 1; i < failures && wait < kLongestRetryAfter; ++i) {
        wait *= 2;
    }
    return std::min(wait, kLongestRetryAfter);
}

// A run of passing failures ends (the files that failed answered, or the run's traffic is
// built again): the log says how many there were. The caller holds the mutex.
void lf_endFailureRun(FailedDownloads& failed, std::string_view how, std::string_view inARow) {
    if (failed.failedInARow == 0) {
        return;
    }
    LogFile::writeImportant(fmt::format(
        "Airport file downloads {} {} failed download{}{} (the "
        "last: {})",
        how, failed.failedInARow, failed.failedInARow == 1 ? "" : "s", inARow, failed.lastProblem));
    failed.failedInARow = 0;
    failed.lastProblem.clear();
}

// A file whose download failed for a passing reason answered: the run of failures ends with
// the last such file. The caller holds the mutex.
void lf_fileAnswered(FailedDownloads& failed, int failuresOfTheFile) {
    if (failuresOfTheFile == 0) {
        return;
    }
    const bool anotherFails =
        std::any_of(failed.files.begin(), failed.files.end(),
                    [](const auto& known) { return known.second.failures > 0; });
    if (!anotherFails) {
        lf_endFailureRun(failed, "answered again after", "");
    }
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
    FailedDownloads& failed = lf_failedDownloads();
    {
        std::lock_guard lock(failed.mutex);
        if (const auto known = failed.files.find(asked); known != failed.files.end()) {
            const FailedDownload& file = known->second;
            if (file.notThere) {
                return AirportFileLocation{file.error, {}, false, false, true};
            }
            if (services.clock.steadyNow() < file.retryAt) {
                return AirportFileLocation{file.error, {}, false, false, true, file.retryAt};
            }
        }
    }
    const bool encrypted = gf_equalsIgnoringCase(path.extension().string(), ".enc");
    const std::string suffix = fmt::format(".{}.{}", ::getpid(), g_fetchCounter.fetch_add(1));
    const char* name = parkAirport ? "park_airport" : "airport";
    const fs::path target = gf_airportsFolder() / (encrypted ? fmt::format("{}{}.enc", name, suffix)
                                                             : fmt::format("{}{}.xml", name, suffix));
    const DownloadOutcome outcome = gf_downloadAirportFile(path, target, encrypted, services);
    std::lock_guard lock(failed.mutex);
    if (outcome.ok()) {
        const auto known = failed.files.find(asked);
        const int failures = known == failed.files.end() ? 0 : known->second.failures;
        if (known != failed.files.end()) {
            failed.files.erase(known);
        }
        lf_fileAnswered(failed, failures);
        return AirportFileLocation{{}, target, true, encrypted};
    }
    std::string error =
        fmt::format("failed to download the airport file of {}", lf_airportOf(path));
    // A run that is stopping cut the download short: the file is not known to be missing.
    if (!services.stop.keepRunning()) {
        return AirportFileLocation{std::move(error), {}, false, false, true};
    }
    FailedDownload& file = failed.files[asked];
    file.error = error;
    if (outcome.notThere) {
        // Most airports have no archived file: asked for once in a run, said once.
        file.notThere = true;
        const int failures = std::exchange(file.failures, 0);
        if (outcome.failure == kNoDownloadAreaText) {
            LogFile::writeImportant(
                fmt::format("{} not downloaded: {}", lf_areaPath(path), outcome.failure));
        } else {
            gf_logDownloadFailure(asked, outcome.failure);
            lf_fileAnswered(failed, failures);
        }
        return AirportFileLocation{std::move(error), {}, false, false, true};
    }
    // A refused connection, a time-out, a 5xx reply, a full disk: it may pass, so the file is
    // asked for again after a while, longer after each failure. A run of such failures is
    // logged when it begins and when it ends.
    ++file.failures;
    const std::chrono::seconds wait = lf_retryAfter(file.failures);
    file.retryAt = services.clock.steadyNow() + wait;
    if (failed.failedInARow == 0) {
        gf_logDownloadFailure(
            asked, fmt::format("{} (asked for again in {} s)", outcome.failure, wait.count()));
    }
    ++failed.failedInARow;
    failed.lastProblem = outcome.failure;
    return AirportFileLocation{std::move(error), {}, false, false, true, file.retryAt};
}

DownloadOutcome gf_downloadAirportFile(const fs::path& archived, const fs::path& target,
                                       bool encrypted, const RunServices& services) {
    const std::string areaPath = lf_areaPath(archived);
    DownloadOutcome outcome;
    try {
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        const CurlEasyHandle curl = gf_newCurlHandle();
        outcome = gf_fetchFromArea(curl.get(), services.stop, areaPath, target, encrypted);
    } catch (const std::exception& e) {
        outcome.failure = fmt::format("gf_downloadAirportFile: {}", e.what());
    }
    if (!outcome.ok()) {
        std::error_code ignored;
        fs::remove(target, ignored);
    }
    return outcome;
}

void gf_forgetFailedAirportDownloads() {
    FailedDownloads& failed = lf_failedDownloads();
    std::lock_guard lock(failed.mutex);
    lf_endFailureRun(failed, "stopped after", " in a row");
    failed.files.clear();
}

} // namespace skyloom
