#include "refdata/download_area.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "refdata/download.h"

namespace skyloom {

namespace {

struct BaseSlot {
    std::mutex mutex;
    std::string base;
};

BaseSlot& lf_base() {
    static BaseSlot slot;
    return slot;
}

std::atomic<bool> g_maintenance{false};

std::string lf_withSlash(std::string_view base) {
    std::string text(base);
    if (!text.empty() && text.back() != '/') {
        text += '/';
    }
    return text;
}

} // namespace

std::string gf_downloadAreaBase() {
    {
        auto& slot = lf_base();
        std::lock_guard lock(slot.mutex);
        if (!slot.base.empty()) {
            return slot.base;
        }
    }
    const char* environment = std::getenv(kDownloadBaseEnvironment);
    return environment != nullptr ? lf_withSlash(environment) : std::string();
}

void gf_setDownloadAreaBase(std::string_view base) {
    auto& slot = lf_base();
    std::lock_guard lock(slot.mutex);
    slot.base = lf_withSlash(base);
}

std::string gf_downloadAreaUrl(std::string_view relativePath) {
    const auto base = gf_downloadAreaBase();
    if (base.empty()) {
        return {};
    }
    std::string path(relativePath);
    for (auto& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    while (!path.empty() && path.front() == '/') {
        path.erase(path.begin());
    }
    return base + path;
}

bool gf_isDownloadAreaInMaintenance() noexcept {
    return g_maintenance.load();
}

void gf_setDownloadAreaMaintenance(bool inMaintenance) noexcept {
    g_maintenance.store(inMaintenance);
}

bool gf_downloadFromArea(CURL* curl, const StopControl& stop, std::string_view relativePath,
                         const std::filesystem::path& target, bool binary) {
    if (gf_isDownloadAreaInMaintenance()) {
        LogFile::writeImportant(
            fmt::format("{} not downloaded: {}", relativePath, kMaintenanceText));
        return false;
    }
    const auto url = gf_downloadAreaUrl(relativePath);
    if (url.empty()) {
        LogFile::writeImportant(
            fmt::format("{} not downloaded: {}", relativePath, kNoDownloadAreaText));
        return false;
    }
    return gf_downloadToFile(curl, stop, url, target, binary);
}

DownloadOutcome gf_fetchFromArea(CURL* curl, const StopControl& stop, std::string_view relativePath,
                                 const std::filesystem::path& target, bool binary) {
    if (gf_isDownloadAreaInMaintenance()) {
        return {std::string(kMaintenanceText)};
    }
    const auto url = gf_downloadAreaUrl(relativePath);
    if (url.empty()) {
        return {std::string(kNoDownloadAreaText), true};
    }
    return gf_fetchToFile(curl, stop, url, target, binary);
}

} // namespace skyloom
