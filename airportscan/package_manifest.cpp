#include "airportscan/package_manifest.h"

#include <array>
#include <exception>
#include <system_error>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "foundation/text.h"
#include "foundation/text_files.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kManifestLinesReserved = 4096;

// The text under the key; empty when the key is missing or its value is no text (noted).
std::string lf_manifestText(const nlohmann::json& manifest, const char* key,
                            const std::string& fileText, std::vector<std::string>& scanLog) {
    const auto found = manifest.find(key);
    if (found == manifest.end()) {
        return {};
    }
    if (!found->is_string()) {
        scanLog.push_back(
            fmt::format("manifest '{}': \"{}\" is not a text, taken as empty", fileText, key));
        return {};
    }
    return found->get<std::string>();
}

bool lf_holdsAnyText(const nlohmann::json& manifest) {
    constexpr std::array kKeys{"package_version", "version", "title", "manufacturer", "creator"};
    for (const char* key : kKeys) {
        const auto found = manifest.find(key);
        if (found != manifest.end() && found->is_string()) {
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<PackageManifest> gf_parseManifest(const fs::path& file,
                                                std::vector<std::string>& scanLog) {
    const std::string fileText = gf_pathToUtf8(file);
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(file, ec);
    if (!ec && size > kManifestMaxBytes) {
        scanLog.push_back(fmt::format("Ignoring manifest larger than {} bytes: '{}'",
                                      kManifestMaxBytes, fileText));
        return std::nullopt;
    }
    const LinesFileResult read = LinesFile::readLines(file, kManifestLinesReserved);
    if (!read.ok || read.lines.empty()) {
        return std::nullopt;
    }
    std::string text;
    for (const std::string& line : read.lines) {
        text += line;
    }
    const nlohmann::json manifest = nlohmann::json::parse(text, nullptr, false);
    if (manifest.is_discarded()) {
        scanLog.push_back(fmt::format("Ignoring manifest that is not JSON: '{}'", fileText));
        return std::nullopt;
    }
    if (!manifest.is_object()) {
        scanLog.push_back(
            fmt::format("Ignoring manifest that is not a JSON object: '{}'", fileText));
        return std::nullopt;
    }
    if (!lf_holdsAnyText(manifest)) {
        scanLog.push_back(fmt::format(
            "Ignoring manifest without title, version, manufacturer or creator: '{}'", fileText));
        return std::nullopt;
    }
    PackageManifest result;
    result.version = lf_manifestText(manifest, "package_version", fileText, scanLog);
    if (result.version.empty()) {
        result.version = lf_manifestText(manifest, "version", fileText, scanLog);
    }
    result.title = lf_manifestText(manifest, "title", fileText, scanLog);
    result.manufacturer = lf_manifestText(manifest, "manufacturer", fileText, scanLog);
    result.creator = lf_manifestText(manifest, "creator", fileText, scanLog);
    return result;
}

std::optional<PackageManifest> gf_searchManifest(const fs::path& path,
                                                 std::vector<std::string>& scanLog) {
    try {
        fs::path folder = path.parent_path();
        for (std::size_t i = 0; i < kManifestSearchFolders && !folder.empty(); ++i) {
            const fs::path file = folder / kManifestFileName;
            std::error_code ec;
            if (fs::is_regular_file(file, ec)) {
                return gf_parseManifest(file, scanLog);
            }
            fs::path parent = folder.parent_path();
            if (parent == folder) {
                break;
            }
            folder = std::move(parent);
        }
    } catch (const std::exception& e) {
        scanLog.push_back(fmt::format("Exception in gf_searchManifest for '{}': {}",
                                      gf_pathToUtf8(path), e.what()));
    }
    return std::nullopt;
}

} // namespace skyloom
