#include "liveries/regcode_readers.h"

#include <algorithm>
#include <cctype>
#include <system_error>
#include <utility>

#include <fmt/format.h>

#include "foundation/encrypted_file.h"
#include "foundation/file_header.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/text_files.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

constexpr std::size_t kMinRegcodeLength = 3;
constexpr std::size_t kMaxRegcodeLength = 12;
constexpr std::string_view kSpecialMarker = "#";

std::string_view lf_plural(std::size_t count) {
    return count == 1 ? "" : "s";
}

// "{name} line {n}: ", "{name}: ", "line {n}: " or nothing, as far as name and number are known.
std::string lf_linePrefix(std::string_view fileName, std::size_t lineNumber) {
    if (!fileName.empty() && lineNumber != 0) {
        return fmt::format("{} line {}: ", fileName, lineNumber);
    }
    if (!fileName.empty()) {
        return fmt::format("{}: ", fileName);
    }
    if (lineNumber != 0) {
        return fmt::format("line {}: ", lineNumber);
    }
    return {};
}

// Keeps the valid regcodes of the comma list, reporting each invalid one through `onInvalid`.
// `listed` tells whether the list named any regcode at all.
template <typename OnInvalid>
std::vector<std::string> lf_validRegcodes(std::string_view commaList, bool& listed,
                                          OnInvalid&& onInvalid) {
    const auto all = gf_commaListToSortedSet(commaList);
    listed = !all.empty();
    std::vector<std::string> valid;
    valid.reserve(all.size());
    for (const auto& regcode : all) {
        if (gf_isValidRegcode(regcode)) {
            valid.push_back(regcode);
        } else {
            onInvalid(regcode);
        }
    }
    return valid;
}

void lf_append(RegcodeList& into, RegcodeList&& from) {
    std::move(from.entries.begin(), from.entries.end(), std::back_inserter(into.entries));
    std::move(from.errors.begin(), from.errors.end(), std::back_inserter(into.errors));
}

std::size_t lf_regcodeCount(const RegcodeList& list) {
    std::size_t count = 0;
    for (const auto& entry : list.entries) {
        count += entry.regcodes.size();
    }
    return count;
}

// A title with nothing else (no regcode, not special) says "do not use this livery"; an entry
// with regcodes or the special mark is a livery to use for its aircraft.
bool lf_isDontUseEntry(const RegcodeEntry& entry) noexcept {
    return entry.regcodes.empty() && !entry.special;
}

// The titles of the don't-use entries go into the set; returns their number.
std::size_t lf_takeDontUseTitles(const RegcodeList& list, FnvStringSet& dontUseTitles) {
    for (const auto& error : list.errors) {
        LogFile::writeImportant(error);
    }
    std::size_t count = 0;
    for (const auto& entry : list.entries) {
        if (lf_isDontUseEntry(entry)) {
            dontUseTitles.insert(entry.title);
            ++count;
        }
    }
    return count;
}

bool lf_hasTxtExtension(const fs::path& path) {
    const std::string extension = path.extension().string();
    return extension.size() == 4 && extension[0] == '.' &&
           std::tolower(static_cast<unsigned char>(extension[1])) == 't' &&
           std::tolower(static_cast<unsigned char>(extension[2])) == 'x' &&
           std::tolower(static_cast<unsigned char>(extension[3])) == 't';
}

} // namespace

bool gf_isValidRegcode(std::string_view regcode) noexcept {
    if (regcode.size() < kMinRegcodeLength || regcode.size() > kMaxRegcodeLength) {
        return false;
    }
    return std::all_of(regcode.begin(), regcode.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    });
}

RegcodeList gf_parseAIGRegcodes(const pugi::xml_document& document) {
    RegcodeList list;
    const pugi::xml_node root = document.child("root");
    if (!root) {
        list.errors.emplace_back("missing <root> element");
        return list;
    }
    const pugi::xml_node aig = root.child("aig");
    if (!aig) {
        list.errors.emplace_back("missing <aig> element");
        return list;
    }
    FnvStringSet titles;
    std::size_t recordNumber = 0;
    for (const pugi::xml_node record : aig.children("l")) {
        ++recordNumber;
        const std::string title = record.attribute("t").as_string();
        if (title.empty()) {
            list.errors.push_back(fmt::format("AIG XML record {} has no title", recordNumber));
            continue;
        }
        if (!titles.insert(title).second) {
            list.errors.push_back(fmt::format("duplicate AIG title '{}'", title));
            continue;
        }
        bool listed = false;
        auto regcodes =
            lf_validRegcodes(record.attribute("r").as_string(), listed, [&](const auto& regcode) {
                list.errors.push_back(fmt::format(
                    "invalid registration code '{}' for AIG title '{}'", regcode, title));
            });
        if (listed && regcodes.empty()) {
            continue;
        }
        list.entries.push_back(
            RegcodeEntry{title, std::move(regcodes), record.attribute("s").as_bool(false)});
    }
    return list;
}

RegcodeList gf_parseRegcodeLines(std::string_view fileName, const std::vector<std::string>& lines) {
    RegcodeList list;
    std::size_t lineNumber = 0;
    for (const auto& line : lines) {
        ++lineNumber;
        if (gf_trim(line).empty()) {
            continue;
        }
        const std::string prefix = lf_linePrefix(fileName, lineNumber);
        const auto pieces = gf_split(line, ';');
        if (pieces.size() > 3) {
            list.errors.push_back(
                fmt::format("{}expected at most 3 semicolon-separated fields: '{}'", prefix, line));
            continue;
        }
        const std::string& title = pieces[0];
        if (title.empty()) {
            list.errors.push_back(fmt::format("{}missing livery title", prefix));
            continue;
        }
        bool listed = false;
        auto regcodes = lf_validRegcodes(
            pieces.size() > 1 ? std::string_view(pieces[1]) : "", listed, [&](const auto& regcode) {
                list.errors.push_back(fmt::format("{}invalid registration code '{}' for title '{}'",
                                                  prefix, regcode, title));
            });
        if (listed && regcodes.empty()) {
            continue;
        }
        const bool marked = pieces.size() == 3;
        if (marked && pieces[2] != kSpecialMarker) {
            list.errors.push_back(fmt::format("{}invalid special marker '{}' for title '{}'",
                                              prefix, pieces[2], title));
            continue;
        }
        const bool special = regcodes.size() == 1 || (marked && !regcodes.empty());
        list.entries.push_back(RegcodeEntry{title, std::move(regcodes), special});
    }
    return list;
}

RegcodeList gf_readAIGRegcodesFile(const fs::path& path) {
    RegcodeList list;
    const std::string pathText = gf_pathToUtf8(path);
    EncryptedFileResult decrypted = gf_readEncryptedFile(path, kAigRegcodesMaxBytes);
    if (!decrypted.ok) {
        list.errors.push_back(std::move(decrypted.error));
        return list;
    }
    pugi::xml_document document;
    // The document points into the guarded plaintext, which outlives it here.
    const pugi::xml_parse_result parsed =
        document.load_buffer_inplace(decrypted.plaintext.data(), decrypted.plaintext.size(),
                                     pugi::parse_default, pugi::encoding_auto);
    if (!parsed) {
        list.errors.push_back(fmt::format("'{}' not loaded: {}", pathText, parsed.description()));
        return list;
    }
    if (!gf_checkFileHeader(document, HeaderCheckMode::lenient).accepted) {
        list.errors.push_back(fmt::format("'{}' has invalid metadata", pathText));
    }
    lf_append(list, gf_parseAIGRegcodes(document));
    const std::size_t regcodes = lf_regcodeCount(list);
    LogFile::write(fmt::format("{:5} livery title{} with {} regcode{}, read from {}",
                               list.entries.size(), lf_plural(list.entries.size()), regcodes,
                               lf_plural(regcodes), gf_pathToUtf8(path.filename())));
    return list;
}

RegcodeList gf_readRegcodeFolder(const fs::path& folder) {
    RegcodeList list;
    const std::string folderText = gf_pathToUtf8(folder);
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (error) {
        list.errors.push_back(
            fmt::format("could not inspect '{}': {}", folderText, error.message()));
        return list;
    }
    if (!fs::is_directory(status)) {
        list.errors.push_back(fmt::format("'{}' is not a directory", folderText));
        return list;
    }
    std::vector<fs::path> files;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError) && lf_hasTxtExtension(it->path())) {
            files.push_back(it->path());
        }
    }
    if (error) {
        list.errors.push_back(
            fmt::format("could not enumerate '{}': {}", folderText, error.message()));
        return list;
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        const std::string fileText = gf_pathToUtf8(file);
        LogFile::write(fmt::format("Processing '{}'", fileText));
        LinesFileResult read = LinesFile::readLines(file, kRegcodeFileLinesReserve);
        if (!read.ok) {
            list.errors.push_back(fmt::format("could not read '{}': {}", fileText, read.reason));
            continue;
        }
        lf_append(list, gf_parseRegcodeLines(gf_pathToUtf8(file.filename()), read.lines));
    }
    return list;
}

std::size_t gf_readDontUseTitlesFile(const fs::path& path, FnvStringSet& dontUseTitles) {
    const std::size_t count = lf_takeDontUseTitles(gf_readAIGRegcodesFile(path), dontUseTitles);
    LogFile::write(fmt::format("{:5} don't use title{} read", count, lf_plural(count)));
    return count;
}

std::size_t gf_readDontUseTitlesFolder(const fs::path& folder, FnvStringSet& dontUseTitles) {
    const std::size_t count = lf_takeDontUseTitles(gf_readRegcodeFolder(folder), dontUseTitles);
    LogFile::write(fmt::format("{:5} don't use title{} read from files in {}", count,
                               lf_plural(count), gf_pathToUtf8(folder)));
    return count;
}

} // namespace skyloom
