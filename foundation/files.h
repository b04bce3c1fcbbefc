// File and folder chores: emptying a folder, counting and listing its files, finding a name in
// it, keeping one previous generation of a file, moving a file, a guard that removes a
// temporary file, the user's AppData folder and opening a folder in the shell.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "foundation/icao_code.h"

namespace skyloom {

// Removes every regular file directly in the folder; sub-folders and what they hold stay. A
// file that cannot be removed is logged as "Failed to remove {} ({})" (path, reason) and the
// others are still removed. A folder that does not exist holds nothing to remove. A failing
// status query or listing of the folder throws std::filesystem::filesystem_error. Returns the
// number of files removed.
std::size_t gf_removeFilesFromDirectory(const std::filesystem::path& folder);

// Removes the ".xml" files (extension in any letter case) directly in the folder, logging a
// failure as gf_removeFilesFromDirectory does. Returns the number removed.
std::size_t gf_removeXMLFilesFromDirectory(const std::filesystem::path& folder);
// The same for the tblo folder: the working folder's "tblo".
std::size_t gf_removeXMLFilesFromDirectory();

// The number of regular files directly in the folder whose extension (".xml", compared in any
// letter case; a leading '.' may be left out) equals the given one; all regular files when the
// extension is empty. 0 when the folder does not exist; a failing status query or listing
// throws std::filesystem::filesystem_error.
std::size_t gf_countFilesInDirectory(const std::filesystem::path& folder,
                                     std::string_view extension = {});

// The ICAO codes named by the stems of the ".xml" files directly in the folder, in the order
// of their file names (letter case ignored); stems that are no ICAO code are passed over. Empty
// when the folder does not exist; a failing listing throws std::filesystem::filesystem_error.
std::vector<IcaoCode> gf_listXMLFiles(const std::filesystem::path& folder);

// The number of regular files directly in the folder whose name matches: letter case is
// ignored, '*' stands for any run of characters and '?' for one; an empty name matches every
// file. 0 when the folder does not exist; a folder whose status cannot be read throws
// std::filesystem::filesystem_error ("exists"), and so does a failing listing.
std::size_t gf_findFileInDirectory(const std::filesystem::path& folder, std::string_view name);

// Copies `source` over `target` without ever leaving a part of it there: the copy is made
// beside the target (target + ".tmp"), must hold every byte of the source, and only then
// replaces the target in one step (renamed and synced). False, with the reason in `ec`, when
// any step fails; the target then stays as it was and the temporary copy goes.
bool gf_copyFileWhole(const std::filesystem::path& source, const std::filesystem::path& target,
                      std::error_code& ec);

// Copies the file into its folder as stem + "0" + extension (parameters.xml becomes
// parameters0.xml), replacing an older copy as gf_copyFileWhole does. False, logging nothing,
// when the copy fails; the older copy then stays as it was.
bool gf_save1GenerationOf(const std::filesystem::path& path);

// Renames the file to the target, replacing it; when renaming fails (another volume), copies
// it and removes the source. Logs "could not move {} => {}: {}" when the file could not be
// moved at all (false), and "could not remove {} after copy: {}" when the copy is in place but
// the source stays (true: the target holds the file).
bool gf_moveFile(const std::filesystem::path& source, const std::filesystem::path& target);

// Removes a temporary file when it goes out of scope, unless released first; a failing removal
// is ignored. Armed from construction.
class TempFileGuard {
public:
    explicit TempFileGuard(std::filesystem::path path);
    ~TempFileGuard();
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;

    // The file is kept (it has been moved into place, or is wanted after all).
    void release() noexcept { armed_ = false; }
    bool armed() const noexcept { return armed_; }
    const std::filesystem::path& path() const noexcept { return path_; }

private:
    std::filesystem::path path_;
    bool armed_ = true;
};

// The user's Roaming AppData folder, without the program's folder. When it cannot be found,
// writes the important log line "Could not find the AppData path" and returns an empty path.
std::filesystem::path gf_appDataPath();

// Opens an existing folder or file in the shell; false when that fails.
bool gf_openFolder(const std::filesystem::path& path);

} // namespace skyloom
