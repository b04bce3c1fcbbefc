// The files this process could not save (a full disk, a folder that refuses them), so that the
// program can name them where the user looks: on the status line while its window is up, and
// on standard error when it ends, since the log may be on the same full disk. The safe saves
// note here what they could not save (gf_saveXmlSafely, gf_writeLinesToFile, gf_writeFile);
// a file saved later after all is taken off again. Thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace skyloom {

// Paths kept; a disk that refuses more files than this is named by the first of them.
inline constexpr std::size_t kMaxKeptUnsavedFiles = 100;

struct UnsavedFile {
    std::filesystem::path path;
    // Why, as the system said it ("No space left on device").
    std::string reason;
};

struct UnsavedFiles {
    // The files whose last save failed, in the order of their first failure, each once with
    // its latest reason.
    std::vector<UnsavedFile> files;
    // Failed saves of files beyond kMaxKeptUnsavedFiles.
    std::size_t more = 0;
    // Every failed save noted so far: a number that grows with each, so that a caller can tell
    // new ones from those it has shown.
    std::uint64_t failures = 0;
};

void gf_noteUnsavedFile(const std::filesystem::path& path, std::string reason);
void gf_noteSavedFile(const std::filesystem::path& path);
UnsavedFiles gf_unsavedFiles();
// UnsavedFiles::failures without the files: cheap enough to look at every main cycle.
std::uint64_t gf_unsavedFailureCount() noexcept;
// The latest failed save (path and reason); an empty path while there was none.
UnsavedFile gf_lastUnsavedFile();
// Forgets everything (tests).
void gf_clearUnsavedFiles();

} // namespace skyloom
