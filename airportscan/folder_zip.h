// Zipping a folder: every regular file directly in it (no sub-folders) into a new zip archive,
// each under its bare name; used for tblo.zip, the unmatched airports to mail to the maker.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace skyloom {

// The whole file as bytes; none when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> gf_readFileBytes(const std::filesystem::path& path);

// Writes the files of `source` into a new archive at `target` (a stale archive there is removed
// first and never archives itself), logging each step with the "[zip]" mark. True only when the
// archive was closed without error, holds at least one file and is a non-empty file. A file
// that cannot be read is left out (logged); a file the archive refuses discards the archive
// (false). `archived`, when given, receives the files that are in a complete archive (none
// when it is not complete).
bool gf_zipFolder(const std::filesystem::path& source, const std::filesystem::path& target,
                  std::vector<std::filesystem::path>* archived = nullptr);

} // namespace skyloom
