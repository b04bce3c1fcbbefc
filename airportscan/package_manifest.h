// Package manifests: the manifest.json that every simulator package carries, read for its
// title, version, manufacturer and creator (a streamed package's lies in the Official2024
// folder: airportscan/manifest_index.h finds it by the package's folder name). The airport scan reads the manifest of an airport
// package to learn the package version (which selects the archived airport file), to find the
// airport's code in its title, and to decide its publisher. A manifest that cannot be used
// counts as no manifest; why is noted in the scan log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/airport_file.h"

namespace skyloom {

// The four texts of a manifest that the scan keeps; an `AirportFile` carries one as `package`.
using PackageManifest = AirportPackage;

inline constexpr std::string_view kManifestFileName = "manifest.json";
// A manifest larger than this is not read.
inline constexpr std::uintmax_t kManifestMaxBytes = 4194304;
// The upward search for a manifest looks into at most this many folders.
inline constexpr std::size_t kManifestSearchFolders = 12;
// A package folder of MSFS 2024 named with this prefix is looked for without it first.
inline constexpr std::string_view kStreamedPackagePrefix = "fs24-";

// Reads one manifest.json: a JSON object whose "title", "manufacturer" and "creator" are
// texts, and whose version is "package_version", or "version" when that is empty. A missing
// key gives an empty text; a value that is not a text gives an empty text and the note
// "manifest '{}': \"{}\" is not a text, taken as empty". No manifest, each with a note in
// `scanLog`, when the file is larger than 4194304 bytes ("Ignoring manifest larger than {}
// bytes: '{}'"), is not JSON, is no JSON object, or holds none of the keys as a text; a file
// that cannot be read or is empty gives none silently.
std::optional<PackageManifest> gf_parseManifest(const std::filesystem::path& file,
                                                std::vector<std::string>& scanLog);

// The first manifest.json found from the folder that holds `path` upwards, looking into at
// most 12 folders and never above the root; whatever its reading gives. An exception of the
// search is noted ("Exception in gf_searchManifest for '{}': {}") and gives no manifest.
std::optional<PackageManifest> gf_searchManifest(const std::filesystem::path& path,
                                                 std::vector<std::string>& scanLog);

} // namespace skyloom
