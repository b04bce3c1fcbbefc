// `ManifestIndex`: where the manifests of the installed packages of one package root (the
// Official2024 folder) lie, listed once per scan, so that the package scan finds the manifest
// of each of thousands of streamed packages by its folder name without listing the root again
// for each: root/<name>/manifest.json, a name "fs24-x" tried as "x" first, else the same names
// in each folder directly inside the root, in listing order. A manifest that cannot be used
// counts as none in its folder. An empty name or root gives none.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "airportscan/package_manifest.h"

namespace skyloom {

class ManifestIndex {
public:
    // Lists the root and each folder directly inside it (unreadable entries passed over).
    explicit ManifestIndex(const std::filesystem::path& root);

    // The manifest of the package folder's name, read (and noted in `scanLog`) at each call.
    std::optional<PackageManifest> manifestOf(const std::filesystem::path& packagePath,
                                              std::vector<std::string>& scanLog) const;

private:
    // For each package name that has a manifest: the positions in `folders_` (root first,
    // then its folders in listing order) of the folders that hold it, ascending.
    std::unordered_map<std::filesystem::path::string_type, std::vector<std::size_t>> names_;
    std::vector<std::filesystem::path> folders_;
};

} // namespace skyloom
