// Reading text files as lists of UTF-8 lines in their charset, and writing lines and texts to
// files. Lines end at LF, CR or CRLF; the line ends are not part of the lines; a last line
// without an end is kept; files are written in UTF-8 with "\n" line ends.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/charset.h"
#include "platform/os/file_replace.h"

namespace skyloom {

// Fills the list (cleared first, its reserved room kept) with the file's lines, decoded from
// the given charset (its byte-order mark skipped) into UTF-8. False, with the list empty, when
// the file cannot be opened or read, or when the charset is none_found.
bool gf_readTextFileLines(Charset charset, const std::filesystem::path& path,
                          std::vector<std::string>& lines);

// The lines of a UTF-8 text already in memory.
std::vector<std::string> gf_splitLines(std::string_view text);

struct LinesFileResult {
    std::vector<std::string> lines;
    std::size_t count = 0; // lines.size()
    bool ok = false;
    // Empty on success; "open_failed" when the file cannot be opened, "read_failed" when
    // reading it fails part-way, "not_text" when its bytes are no text in any charset.
    std::string reason;
};

class LinesFile {
public:
    // The file's lines in UTF-8, decoded in the charset detected from its first 4096 bytes;
    // reserveHint is the number of lines to make room for at once.
    static LinesFileResult readLines(const std::filesystem::path& path,
                                     std::size_t reserveHint = 0);
};

// Replaces the file with the lines, each followed by "\n", through the safe save: written to
// the file name followed by ".tmp", checked to hold every byte, then renamed over the file and
// synced. False when any step fails (a full disk among them); the file then stays as it was and
// is noted as not saved (foundation/unsaved_files.h) until a later save of it succeeds. Both
// argument orders are offered, as callers find either natural.
bool gf_writeLinesToFile(const std::filesystem::path& path, const std::vector<std::string>& lines);
bool gf_writeLinesToFile(const std::vector<std::string>& lines, const std::filesystem::path& path);

// What a file is to the user: one the program keeps (noted when it cannot be saved), or one
// that only passes something on and goes again (an AI flight plan, which the simulator reads
// once): its writer says what its failure costs.
enum class FileKind { saved, passing };

// Replaces the file with the text, followed by "\n" when newline is set, through the same safe
// save, synced as `sync` says (deferred: the caller syncs it with others later, e.g. where a
// transaction commits). False when any step fails; the file then stays as it was.
bool gf_writeFile(std::string_view text, const std::filesystem::path& path, bool newline,
                  FileKind kind = FileKind::saved, os::SyncMode sync = os::SyncMode::eachFile);

} // namespace skyloom
