// The user's RealTraffic credentials for the web API: RealTraffic.lic in the folder
// "InsideSystems" of the Roaming AppData, a JSON object whose "License" member holds the
// licence ("AAA-BBB-CCC-DDD") or an API token ("rt_..."). A value that starts with "rt_" is
// sent as a token, any other as a licence. The value itself never reaches the log: only its
// kind and its last characters do.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace skyloom {

inline constexpr std::string_view kRtLicenceFolderName = "InsideSystems";
inline constexpr std::string_view kRtLicenceFileName = "RealTraffic.lic";
// The member that holds the credential; "Token" is read when it is missing.
inline constexpr std::string_view kRtLicenceKey = "License";
inline constexpr std::string_view kRtTokenKey = "Token";
inline constexpr std::string_view kRtTokenPrefix = "rt_";
// The code of the UserRelatedException for credentials that cannot be used.
inline constexpr int kRtCredentialsErrorCode = 5;

enum class RtCredentialKind { licence, token };

struct RtCredentials {
    RtCredentialKind kind = RtCredentialKind::licence;
    std::string value;

    // The form field it is sent as: "license" or "token".
    std::string_view formField() const noexcept;
    // "licence ...-DDD" / "API token ...wxyz": enough to tell which one is in use.
    std::string logText() const;
};

// Roaming AppData / "InsideSystems" / "RealTraffic.lic"; empty when there is no Roaming
// AppData.
std::filesystem::path gf_rtLicencePath();

// The credentials in a text of RealTraffic.lic. The value is trimmed; a licence may hold only
// letters, digits and '-', a token also '_'. Throws UserRelatedException (code 5) naming what
// is wrong: no JSON object, no "License" (or "Token") text, an empty or malformed value.
RtCredentials gf_parseRtCredentials(std::string_view text);

// Reads and parses the file. Throws UserRelatedException (code 5) when it is missing or
// unreadable, naming the path, and as gf_parseRtCredentials does.
RtCredentials gf_readRtCredentials(const std::filesystem::path& file);

// The credentials of the user (gf_rtLicencePath), logged as "RealTraffic credentials: {}"
// with their log text. Throws as gf_readRtCredentials.
RtCredentials gf_findRtCredentials();

} // namespace skyloom
