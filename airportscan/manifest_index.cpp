#include "airportscan/manifest_index.h"

#include <algorithm>
#include <system_error>

namespace skyloom {
namespace fs = std::filesystem;
namespace {

// The entries of the folder that are folders holding a manifest.json.
void lf_indexFolder(const fs::path& folder, std::size_t position,
                    std::unordered_map<fs::path::string_type, std::vector<std::size_t>>& names,
                    std::vector<fs::path>* subfolders) {
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_directory(typeError)) {
            continue;
        }
        if (subfolders != nullptr) {
            subfolders->push_back(it->path());
        }
        std::error_code fileError;
        if (fs::is_regular_file(it->path() / kManifestFileName, fileError)) {
            names[it->path().filename().native()].push_back(position);
        }
    }
}

} // namespace

ManifestIndex::ManifestIndex(const fs::path& root) {
    if (root.empty()) {
        return;
    }
    folders_.push_back(root);
    std::vector<fs::path> subfolders;
    lf_indexFolder(root, 0, names_, &subfolders);
    for (fs::path& folder : subfolders) {
        folders_.push_back(std::move(folder));
        lf_indexFolder(folders_.back(), folders_.size() - 1, names_, nullptr);
    }
}

std::optional<PackageManifest> ManifestIndex::manifestOf(const fs::path& packagePath,
                                                         std::vector<std::string>& scanLog) const {
    const fs::path::string_type name = packagePath.filename().native();
    if (name.empty() || folders_.empty()) {
        return std::nullopt;
    }
    std::vector<fs::path::string_type> candidates;
    const fs::path::string_type prefix = fs::path(kStreamedPackagePrefix).native();
    if (name.size() > prefix.size() && name.starts_with(prefix)) {
        candidates.push_back(name.substr(prefix.size()));
    }
    candidates.push_back(name);

    std::vector<std::size_t> positions;
    for (const auto& candidate : candidates) {
        if (const auto found = names_.find(candidate); found != names_.end()) {
            positions.insert(positions.end(), found->second.begin(), found->second.end());
        }
    }
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    // Folder by folder, the names in the order tried; a manifest that cannot be used counts as
    // none there.
    for (std::size_t position : positions) {
        for (const auto& candidate : candidates) {
            const auto found = names_.find(candidate);
            if (found == names_.end() ||
                !std::binary_search(found->second.begin(), found->second.end(), position)) {
                continue;
            }
            const fs::path file = folders_[position] / candidate / kManifestFileName;
            if (auto manifest = gf_parseManifest(file, scanLog)) {
                return manifest;
            }
            break;
        }
    }
    return std::nullopt;
}

} // namespace skyloom
