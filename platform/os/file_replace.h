// Replacing a file in one step: the new content is renamed over the old file, and both the
// file and its folder are synced, so that after a crash either the old or the new file is
// there, never a half-written one. A writer of many files that guards them another way (the
// airport scan's transaction) defers the syncs and syncs them all at once where it commits.
#pragma once

#include <filesystem>
#include <system_error>
#include <vector>

namespace skyloom::os {

// When a replaced file reaches the disk.
enum class SyncMode {
    // The file and its folder are synced before the replace returns.
    eachFile,
    // Nothing is synced: the caller syncs the files and their folders later (syncFiles,
    // syncFolder) and until then keeps a crash from exposing them.
    deferred,
};

// Moves `source` over `target` (same file system), synced as `mode` says. Returns false and
// sets `ec` on failure; the target is then untouched.
bool replaceFile(const std::filesystem::path& source, const std::filesystem::path& target,
                 std::error_code& ec, SyncMode mode = SyncMode::eachFile);

// Syncs a file's content to disk. Returns false and sets `ec` on failure.
bool syncFile(const std::filesystem::path& file, std::error_code& ec);

// Syncs a folder's entries (the names of the files created, renamed or removed in it).
bool syncFolder(const std::filesystem::path& folder, std::error_code& ec);

// Syncs the content of every file of the list with as few requests as the system allows: one
// sync of each file system they lie on, however many files that holds. Returns false and sets
// `ec` when a file cannot be reached or a sync fails.
bool syncFiles(const std::vector<std::filesystem::path>& files, std::error_code& ec);

} // namespace skyloom::os
