#include "feed/rtapi_credentials.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/user_related_exception.h"
#include "platform/os/known_folders.h"

namespace fs = std::filesystem;

namespace skyloom {

namespace {

// A licence file is a few dozen bytes; anything near this is no licence file.
constexpr std::uintmax_t kMaxLicenceFileBytes = 64 * 1024;

[[noreturn]] void lf_refuse(const std::string& text) {
    throw UserRelatedException(kRtCredentialsErrorCode, text);
}

char lf_upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool lf_isLicenceChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

// The member under `key`, compared without regard to letter case.
const nlohmann::json* lf_member(const nlohmann::json& object, std::string_view key) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string& name = it.key();
        if (name.size() != key.size()) {
            continue;
        }
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) {
            same = lf_upper(name[i]) == lf_upper(key[i]);
        }
        if (same) {
            return &it.value();
        }
    }
    return nullptr;
}

} // namespace

std::string_view RtCredentials::formField() const noexcept {
    return kind == RtCredentialKind::token ? "token" : "license";
}

std::string RtCredentials::logText() const {
    const std::size_t shown = value.size() > 8 ? 4 : 0;
    return fmt::format("{} ...{}", kind == RtCredentialKind::token ? "API token" : "licence",
                       value.substr(value.size() - shown));
}

fs::path gf_rtLicencePath() {
    const fs::path appData = os::roamingAppData();
    if (appData.empty()) {
        return {};
    }
    return appData / std::string(kRtLicenceFolderName) / std::string(kRtLicenceFileName);
}

RtCredentials gf_parseRtCredentials(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        lf_refuse(fmt::format("{} holds no JSON object", kRtLicenceFileName));
    }
    const nlohmann::json* member = lf_member(json, kRtLicenceKey);
    if (member == nullptr) {
        member = lf_member(json, kRtTokenKey);
    }
    if (member == nullptr || !member->is_string()) {
        lf_refuse(fmt::format("{} holds no \"{}\" text", kRtLicenceFileName, kRtLicenceKey));
    }
    RtCredentials credentials;
    credentials.value = gf_trim(member->get_ref<const std::string&>());
    if (credentials.value.empty()) {
        lf_refuse(fmt::format("The RealTraffic licence in {} is empty", kRtLicenceFileName));
    }
    const bool token = credentials.value.starts_with(kRtTokenPrefix);
    credentials.kind = token ? RtCredentialKind::token : RtCredentialKind::licence;
    for (const char c : credentials.value) {
        if (!lf_isLicenceChar(c) && !(token && c == '_')) {
            lf_refuse(fmt::format("The RealTraffic {} in {} holds a character that is not "
                                  "allowed: '{}'",
                                  token ? "API token" : "licence", kRtLicenceFileName, c));
        }
    }
    return credentials;
}

RtCredentials gf_readRtCredentials(const fs::path& file) {
    std::error_code ec;
    if (file.empty() || !fs::is_regular_file(file, ec)) {
        lf_refuse(
            fmt::format("The RealTraffic licence file was not found: '{}'", gf_pathToUtf8(file)));
    }
    const auto size = fs::file_size(file, ec);
    if (ec || size > kMaxLicenceFileBytes) {
        lf_refuse(
            fmt::format("The RealTraffic licence file cannot be read: '{}'", gf_pathToUtf8(file)));
    }
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        lf_refuse(
            fmt::format("The RealTraffic licence file cannot be read: '{}'", gf_pathToUtf8(file)));
    }
    return gf_parseRtCredentials(text);
}

RtCredentials gf_findRtCredentials() {
    RtCredentials credentials = gf_readRtCredentials(gf_rtLicencePath());
    LogFile::write(fmt::format("RealTraffic credentials: {}", credentials.logText()));
    return credentials;
}

} // namespace skyloom
