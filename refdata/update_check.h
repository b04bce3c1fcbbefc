// The update check: at each start the program fetches versions.json from the maker's download
// area (docs/data-sets.md gives its format) and learns whether the area is in maintenance,
// whether a newer program version exists, and which reference data sets are newer than the
// ones in the input folder. Newer data sets are downloaded, checked like any data set read and
// only then put in place of the old ones, so a bad download never costs a good file. The check
// never stops the program: every failure is logged and the program goes on with what it has.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <curl/curl.h>

namespace skyloom {

class StopControl;

inline constexpr std::string_view kVersionsFileName = "versions.json";
// versions.json larger than this is refused.
inline constexpr std::size_t kVersionsMaxBytes = 1024 * 1024;
// A data set without "path" in versions.json lies here, followed by its file name.
inline constexpr std::string_view kDefaultDataSetFolder = "downloads/data/";

enum class UpdateCheckStatus {
    // No download area is configured.
    skipped,
    // The program began to stop before the check ended.
    stopped,
    // versions.json could not be downloaded.
    unreachable,
    // versions.json is not what the program expects.
    invalidReply,
    // The download area is in maintenance: nothing was downloaded, the maintenance flag is set.
    maintenance,
    // The check ran to its end (some data sets may have failed; see `failed`).
    done,
};

std::string_view gf_updateCheckStatusText(UpdateCheckStatus status) noexcept;

struct UpdateCheckResult {
    UpdateCheckStatus status = UpdateCheckStatus::skipped;
    // The newer program version that versions.json announces.
    std::optional<std::string> newProgramVersion;
    // File names of the data sets replaced by newer ones.
    std::vector<std::string> updated;
    // File names of the data sets that are newer on the area but could not be put in place.
    std::vector<std::string> failed;
};

// Runs the check against the configured download area into the input folder, with a handle of
// default limits, until `stop` ends the run.
UpdateCheckResult gf_checkForUpdates(const StopControl& stop);
// The same with the caller's handle and folder.
UpdateCheckResult gf_checkForUpdates(CURL* curl, const std::filesystem::path& inputFolder,
                                     const StopControl& stop);

// The version text of the window's header: the program's version, followed by
// " ({} available)" with the newer version once a check found one.
std::string gf_windowVersionText();

} // namespace skyloom
