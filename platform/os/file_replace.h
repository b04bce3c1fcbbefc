// Replacing a file in one step: the new content is renamed over the old file, and both the
// file and its folder are synced, so that after a crash either the old or the new file is
// there, never a half-written one.
#pragma once

#include <filesystem>
#include <system_error>

namespace skyloom::os {

// Moves `source` over `target` (same file system). Returns false and sets `ec` on failure;
// the target is then untouched.
bool replaceFile(const std::filesystem::path& source, const std::filesystem::path& target,
                 std::error_code& ec);

// Syncs a file's content to disk. Returns false and sets `ec` on failure.
bool syncFile(const std::filesystem::path& file, std::error_code& ec);

} // namespace skyloom::os
