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

std::optional<PackageManifest> lf_tryManifestCandidates(const std::vector<fs::path>& candidates,
                                                        const fs::path& folder,
                                                        std::vector<std::string>& scanLog) {
    for (const fs::path& candidate : candidates) {
        const fs::path file = folder / candidate / kManifestFileName;
        std::error_code ec;
        if (fs::is_regular_file(file, ec)) {
            return gf_parseManifest(file, scanLog);
        }
    }
    return std::nullopt;
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

std::optional<PackageManifest> gf_readManifestOfFolder(const fs::path& packagePath,
                                                       const fs::path& root,
                                                       std::vector<std::string>& scanLog) {
    const fs::path name = packagePath.filename();
    if (name.empty() || root.empty()) {
        return std::nullopt;
    }
    std::vector<fs::path> candidates;
    const fs::path::string_type& native = name.native();
    const fs::path::string_type prefix = fs::path(kStreamedPackagePrefix).native();
    if (native.size() > prefix.size() && native.starts_with(prefix)) {
        candidates.emplace_back(native.substr(prefix.size()));
    }
    candidates.push_back(name);
    if (auto manifest = lf_tryManifestCandidates(candidates, root, scanLog)) {
        return manifest;
    }
    std::error_code ec;
    fs::directory_iterator it(root, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_directory(typeError)) {
            continue;
        }
        if (auto manifest = lf_tryManifestCandidates(candidates, it->path(), scanLog)) {
            return manifest;
        }
    }
    return std::nullopt;
}

} // namespace skyloom
