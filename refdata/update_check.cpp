#include "refdata/update_check.h"

#include <mutex>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "config/program_paths.h"
#include "foundation/files.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/version.h"
#include "refdata/data_set.h"
#include "refdata/download.h"
#include "refdata/download_area.h"
#include "runtime/stop_request.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace skyloom {

namespace {

// The download area reports maintenance.
class MaintenanceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// versions.json is not what the program expects.
class ReplyError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct VersionTextSlot {
    std::mutex mutex;
    std::optional<std::string> newer;
};

VersionTextSlot& lf_versionText() {
    static VersionTextSlot slot;
    return slot;
}

[[noreturn]] void lf_throwMaintenance(std::string_view message) {
    gf_setDownloadAreaMaintenance(true);
    throw MaintenanceError(message.empty() ? std::string(kMaintenanceText)
                                           : fmt::format("{} {}", kMaintenanceText, message));
}

std::string lf_text(const json& object, const char* key, bool required) {
    const auto it = object.find(key);
    if (it == object.end() || it->is_null()) {
        if (required) {
            throw ReplyError(fmt::format("'{}' missing", key));
        }
        return {};
    }
    if (!it->is_string()) {
        throw ReplyError(fmt::format("'{}' is not a text", key));
    }
    return it->get<std::string>();
}

DottedVersion lf_version(const json& object, std::string_view owner) {
    const auto text = lf_text(object, "version", true);
    const auto version = gf_parseDottedVersion(text);
    if (!version) {
        throw ReplyError(fmt::format("{}: invalid version '{}'", owner, text));
    }
    return *version;
}

// A data set's file name must name a file of the input folder, nothing else.
bool lf_isSafeDataSetFileName(std::string_view name) {
    if (name.empty() || name.front() == '.') {
        return false;
    }
    for (const char c : name) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!plain) {
            return false;
        }
    }
    const auto extension = fs::path(name).extension();
    return extension == kDataSetEncryptedExtension || extension == kDataSetPlainExtension;
}

void lf_checkProgram(const json& program, UpdateCheckResult& result) {
    const auto remote = lf_version(program, "program");
    const auto own = gf_programVersion();
    const DottedVersion current{{own.major, own.minor, own.patch}, {}, 0};
    if (remote > current) {
        const auto text = lf_text(program, "version", true);
        result.newProgramVersion = text;
        {
            auto& slot = lf_versionText();
            std::lock_guard lock(slot.mutex);
            slot.newer = text;
        }
        LogFile::writeImportant(fmt::format("{} {} is available (this is {})", kProgramName, text,
                                            gf_programVersionText()));
    }
}

// Downloads one newer data set next to the old one, checks it and puts it in place.
bool lf_updateDataSet(CURL* curl, const StopControl& stop, const fs::path& inputFolder,
                      const std::string& file, const DottedVersion& version,
                      const std::string& versionText, const std::string& path) {
    const fs::path name(file);
    const auto stem = name.stem().string();
    const auto extension = name.extension().string();
    const auto staging = inputFolder / (stem + ".update" + extension);
    TempFileGuard guard(staging);
    if (!gf_downloadFromArea(curl, stop, path, staging, extension == kDataSetEncryptedExtension)) {
        return false;
    }
    try {
        const auto set = gf_loadDataSet(staging, stem);
        if (*gf_parseDottedVersion(set->version) != version) {
            throw std::runtime_error(
                fmt::format("holds version {} instead of the announced one", set->version));
        }
    } catch (const std::exception& e) {
        LogFile::writeImportant(
            fmt::format("Data set {} from the download area refused: {}", file, e.what()));
        return false;
    }
    if (!gf_moveFile(staging, inputFolder / name)) {
        return false;
    }
    LogFile::writeImportant(fmt::format("Data set {} updated to version {}", file, versionText));
    // An older encrypted form would be read in place of a new plain one.
    if (extension == kDataSetPlainExtension) {
        const auto shadow = inputFolder / (stem + std::string(kDataSetEncryptedExtension));
        std::error_code ec;
        if (fs::remove(shadow, ec)) {
            LogFile::write(fmt::format("{} removed: {} replaces it", gf_pathToUtf8(shadow), file));
        }
    }
    return true;
}

void lf_checkDataSets(CURL* curl, const StopControl& stop, const fs::path& inputFolder,
                      const json& dataSets, UpdateCheckResult& result) {
    if (!dataSets.is_array()) {
        throw ReplyError("'datasets' is not a list");
    }
    for (const auto& entry : dataSets) {
        if (!stop.keepRunning()) {
            result.status = UpdateCheckStatus::stopped;
            return;
        }
        // A faulty entry costs only its own data set.
        try {
            if (!entry.is_object()) {
                throw ReplyError("an entry of 'datasets' is not an object");
            }
            const auto file = lf_text(entry, "file", true);
            if (!lf_isSafeDataSetFileName(file)) {
                throw ReplyError(fmt::format("data set file name '{}' refused", file));
            }
            const auto remote = lf_version(entry, file);
            const auto versionText = lf_text(entry, "version", true);
            auto path = lf_text(entry, "path", false);
            if (path.empty()) {
                path = std::string(kDefaultDataSetFolder) + file;
            }
            const auto stem = fs::path(file).stem().string();
            const auto local = gf_localDataSetVersion(inputFolder, stem);
            if (local && !(remote > *local)) {
                continue;
            }
            if (lf_updateDataSet(curl, stop, inputFolder, file, remote, versionText, path)) {
                result.updated.push_back(file);
            } else {
                result.failed.push_back(file);
            }
        } catch (const ReplyError& e) {
            LogFile::writeImportant(fmt::format("{}: {}", kVersionsFileName, e.what()));
        }
    }
}

} // namespace

std::string_view gf_updateCheckStatusText(UpdateCheckStatus status) noexcept {
    switch (status) {
    case UpdateCheckStatus::skipped:
        return "skipped";
    case UpdateCheckStatus::stopped:
        return "stopped";
    case UpdateCheckStatus::unreachable:
        return "unreachable";
    case UpdateCheckStatus::invalidReply:
        return "invalid reply";
    case UpdateCheckStatus::maintenance:
        return "maintenance";
    case UpdateCheckStatus::done:
        return "done";
    }
    return "?";
}

UpdateCheckResult gf_checkForUpdates(const StopControl& stop) {
    if (gf_downloadAreaBase().empty()) {
        return gf_checkForUpdates(nullptr, gf_inputFolder(), stop);
    }
    const auto handle = gf_newCurlHandle();
    return gf_checkForUpdates(handle.get(), gf_inputFolder(), stop);
}

UpdateCheckResult gf_checkForUpdates(CURL* curl, const fs::path& inputFolder,
                                     const StopControl& stop) {
    UpdateCheckResult result;
    {
        auto& slot = lf_versionText();
        std::lock_guard lock(slot.mutex);
        slot.newer.reset();
    }
    const auto url = gf_downloadAreaUrl(kVersionsFileName);
    if (url.empty()) {
        LogFile::write("Update check skipped: no download area is configured");
        return result;
    }
    if (!stop.keepRunning()) {
        result.status = UpdateCheckStatus::stopped;
        return result;
    }
    const auto text = gf_downloadToText(curl, stop, url, kVersionsMaxBytes);
    if (!text) {
        result.status =
            stop.keepRunning() ? UpdateCheckStatus::unreachable : UpdateCheckStatus::stopped;
        return result;
    }
    try {
        const auto versions = json::parse(*text);
        if (!versions.is_object()) {
            throw ReplyError("not a JSON object");
        }
        const auto maintenance = versions.find("maintenance");
        if (maintenance != versions.end() && !maintenance->is_boolean()) {
            throw ReplyError("'maintenance' is not true or false");
        }
        if (maintenance != versions.end() && maintenance->get<bool>()) {
            lf_throwMaintenance(lf_text(versions, "message", false));
        }
        gf_setDownloadAreaMaintenance(false);
        result.status = UpdateCheckStatus::done;
        if (const auto program = versions.find("program"); program != versions.end()) {
            if (!program->is_object()) {
                throw ReplyError("'program' is not an object");
            }
            lf_checkProgram(*program, result);
        }
        if (const auto dataSets = versions.find("datasets"); dataSets != versions.end()) {
            lf_checkDataSets(curl, stop, inputFolder, *dataSets, result);
        }
    } catch (const MaintenanceError& e) {
        LogFile::writeImportant(e.what());
        result.status = UpdateCheckStatus::maintenance;
    } catch (const json::exception& e) {
        LogFile::writeImportant(fmt::format("{} is not valid JSON: {}", url, e.what()));
        result.status = UpdateCheckStatus::invalidReply;
    } catch (const ReplyError& e) {
        LogFile::writeImportant(fmt::format("{} not usable: {}", url, e.what()));
        result.status = UpdateCheckStatus::invalidReply;
    }
    return result;
}

std::string gf_windowVersionText() {
    auto& slot = lf_versionText();
    std::lock_guard lock(slot.mutex);
    if (slot.newer) {
        return fmt::format("{} ({} available)", gf_programVersionText(), *slot.newer);
    }
    return gf_programVersionText();
}

} // namespace skyloom
