#include "platform/os/known_folders.h"

#include <cstdlib>
#include <system_error>

namespace skyloom::os {

namespace {

std::filesystem::path lf_environmentPath(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return {};
    }
    return value;
}

std::filesystem::path lf_homeRelative(const char* relative) {
    const auto home = lf_environmentPath("HOME");
    if (home.empty()) {
        return {};
    }
    return home / relative;
}

} // namespace

std::filesystem::path workingFolder() {
    auto p = lf_environmentPath("SKYLOOM_WORKDIR");
    if (!p.empty()) {
        return p;
    }
    std::error_code ec;
    p = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path(".") : p;
}

std::filesystem::path roamingAppData() {
    for (const char* name : {"SKYLOOM_APPDATA", "XDG_CONFIG_HOME"}) {
        auto p = lf_environmentPath(name);
        if (!p.empty()) {
            return p;
        }
    }
    return lf_homeRelative(".config");
}

std::filesystem::path localAppData() {
    for (const char* name : {"SKYLOOM_LOCALAPPDATA", "XDG_DATA_HOME"}) {
        auto p = lf_environmentPath(name);
        if (!p.empty()) {
            return p;
        }
    }
    return lf_homeRelative(".local/share");
}

} // namespace skyloom::os
