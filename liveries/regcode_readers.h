// The readers of registration codes (regcodes): the AIG regcode data set (input/AIG-regcodes.enc,
// an encrypted XML file) and the user's own text files in input/my_regcodes. Both give a
// `RegcodeList`: the entries in reading order and the error lines, which name the file and
// line of each bad record; a bad record, line, file or folder never stops the reading. The
// same readers fill the livery scan's set of titles not to use: the entries that hold a title
// and nothing else (no regcode, not special).
//
// User files hold one entry a line: "title", "title;REG1,REG2" or "title;REG1,REG2;#", the
// pieces trimmed. An entry is special (a livery made for one aircraft, never picked at random)
// when it has exactly one valid regcode, or the "#" marker and at least one valid regcode.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "foundation/fnv_hash.h"

namespace skyloom {

// The AIG regcode file decrypts to at most this many bytes (8 MiB).
inline constexpr std::size_t kAigRegcodesMaxBytes = 8388608;
// Lines made room for when a user file is read.
inline constexpr std::size_t kRegcodeFileLinesReserve = 1024;

struct RegcodeEntry {
    std::string title;
    // Sorted byte-wise, without duplicates; only valid regcodes.
    std::vector<std::string> regcodes;
    bool special = false;

    friend bool operator==(const RegcodeEntry&, const RegcodeEntry&) = default;
};

struct RegcodeList {
    std::vector<RegcodeEntry> entries;
    std::vector<std::string> errors;
};

// 3 to 12 characters, each an upper-case letter A-Z, a digit, '+', '-' or '.'.
bool gf_isValidRegcode(std::string_view regcode) noexcept;

// The entries of a decrypted AIG document: `root`/`aig`/`l` elements with the title `t`, the
// comma list of regcodes `r` and the special flag `s`. Records without title, with a title
// seen before, or whose `r` holds no valid regcode at all are skipped with an error line; an
// invalid regcode is dropped from its record with an error line.
RegcodeList gf_parseAIGRegcodes(const pugi::xml_document& document);

// The entries of one user file's lines; `fileName` prefixes the error lines with the 1-based
// line number ("{name} line {n}: ").
RegcodeList gf_parseRegcodeLines(std::string_view fileName, const std::vector<std::string>& lines);

// Decrypts, parses and checks the AIG regcode file; logs "{:5} livery title{} with {}
// regcode{}, read from {}". A file that cannot be decrypted or parsed gives no entry and one
// error line; a header that fails the check gives an error line and the entries are read.
RegcodeList gf_readAIGRegcodesFile(const std::filesystem::path& path);

// Reads every ".txt" file (extension in any letter case) directly in the folder, in the sorted
// order of their paths, logging "Processing '{}'" for each; entries and error lines come in
// file order.
RegcodeList gf_readRegcodeFolder(const std::filesystem::path& folder);

// The titles of the AIG regcode file's entries that hold a title and nothing else (no regcode,
// not special) go into `dontUseTitles`; error lines go to the log as important lines; logs
// "{:5} don't use title{} read". Returns the number of such entries.
std::size_t gf_readDontUseTitlesFile(const std::filesystem::path& path,
                                     FnvStringSet& dontUseTitles);
// The same for the user files of a folder, ending with "{:5} don't use title{} read from files
// in {}".
std::size_t gf_readDontUseTitlesFolder(const std::filesystem::path& folder,
                                       FnvStringSet& dontUseTitles);

} // namespace skyloom
