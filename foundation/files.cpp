#include "foundation/files.h"

#include <algorithm>
#include <string>
#include <system_error>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "foundation/text.h"
#include "platform/os/known_folders.h"
#include "platform/os/file_replace.h"
#include "platform/os/shell_open.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

char lf_asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}


// Wildcard match as a file search does it: '*' any run, '?' one character, case ignored.
bool lf_matchesPattern(std::string_view name, std::string_view pattern) {
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starAt = std::string_view::npos;
    std::size_t resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || lf_asciiLower(pattern[p]) == lf_asciiLower(name[n]))) {
            ++n;
            ++p;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

bool lf_hasExtension(const fs::path& path, std::string_view extension) {
    const std::string own = gf_pathToUtf8(path.extension());
    if (!extension.empty() && extension.front() != '.') {
        return own.size() == extension.size() + 1 && own.front() == '.' &&
               gf_equalsIgnoringCase(std::string_view(own).substr(1), extension);
    }
    return gf_equalsIgnoringCase(own, extension);
}

// Whether the folder exists; a status that cannot be read throws, named "exists".
bool lf_folderExists(const fs::path& folder) {
    std::error_code ec;
    const bool found = fs::exists(folder, ec);
    if (ec) {
        throw fs::filesystem_error("exists", folder, ec);
    }
    return found;
}

// The regular files directly in the folder, in the order the listing gives them; none when
// the folder does not exist. Listing failures throw.
std::vector<fs::path> lf_regularFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    if (!lf_folderExists(folder)) {
        return files;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        std::error_code ec;
        if (entry.is_regular_file(ec)) {
            files.push_back(entry.path());
        }
    }
    return files;
}

template <typename Wanted> std::size_t lf_removeFiles(const fs::path& folder, Wanted wanted) {
    std::size_t removed = 0;
    // Listed first, removed after: the listing is not disturbed by its own removals.
    for (const fs::path& file : lf_regularFiles(folder)) {
        if (!wanted(file)) {
            continue;
        }
        std::error_code ec;
        if (fs::remove(file, ec)) {
            ++removed;
        } else if (ec) {
            LogFile::writeImportant(
                fmt::format("Failed to remove {} ({})", gf_pathToUtf8(file), ec.message()));
        }
    }
    return removed;
}

} // namespace

std::size_t gf_removeFilesFromDirectory(const fs::path& folder) {
    return lf_removeFiles(folder, [](const fs::path&) { return true; });
}

std::size_t gf_removeXMLFilesFromDirectory(const fs::path& folder) {
    return lf_removeFiles(folder,
                          [](const fs::path& file) { return lf_hasExtension(file, ".xml"); });
}

std::size_t gf_removeXMLFilesFromDirectory() {
    return gf_removeXMLFilesFromDirectory(os::workingFolder() / "tblo");
}

std::size_t gf_countFilesInDirectory(const fs::path& folder, std::string_view extension) {
    const std::vector<fs::path> files = lf_regularFiles(folder);
    if (extension.empty()) {
        return files.size();
    }
    return static_cast<std::size_t>(
        std::count_if(files.begin(), files.end(),
                      [&](const fs::path& file) { return lf_hasExtension(file, extension); }));
}

std::vector<IcaoCode> gf_listXMLFiles(const fs::path& folder) {
    std::vector<fs::path> files = lf_regularFiles(folder);
    // Sorted by name, letter case ignored, as a Windows volume lists them, so that every run
    // sees the same order.
    std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
        const std::string x = gf_pathToUtf8(a.filename());
        const std::string y = gf_pathToUtf8(b.filename());
        return std::lexicographical_compare(
            x.begin(), x.end(), y.begin(), y.end(),
            [](char l, char r) { return lf_asciiLower(l) < lf_asciiLower(r); });
    });
    std::vector<IcaoCode> codes;
    for (const fs::path& file : files) {
        if (!lf_hasExtension(file, ".xml")) {
            continue;
        }
        if (const auto code = IcaoCode::parse(gf_pathToUtf8(file.stem()))) {
            codes.push_back(*code);
        }
    }
    return codes;
}

std::size_t gf_findFileInDirectory(const fs::path& folder, std::string_view name) {
    const std::vector<fs::path> files = lf_regularFiles(folder);
    const std::string_view pattern = name.empty() ? std::string_view("*") : name;
    return static_cast<std::size_t>(
        std::count_if(files.begin(), files.end(), [&](const fs::path& file) {
            return lf_matchesPattern(gf_pathToUtf8(file.filename()), pattern);
        }));
}

bool gf_copyFileWhole(const fs::path& source, const fs::path& target, std::error_code& ec) {
    // The older copy gives way only to a whole one: a copy that a full disk, or a kill, cut
    // short would otherwise take the place of the one good copy there was.
    fs::path staging = target;
    staging += ".tmp";
    ec.clear();
    const std::uintmax_t size = fs::file_size(source, ec);
    if (ec) {
        return false;
    }
    TempFileGuard guard(staging);
    if (!fs::copy_file(source, staging, fs::copy_options::overwrite_existing, ec) || ec) {
        return false;
    }
    const std::uintmax_t copied = fs::file_size(staging, ec);
    if (ec) {
        return false;
    }
    if (copied != size) {
        ec = std::make_error_code(std::errc::no_space_on_device);
        return false;
    }
    if (!os::replaceFile(staging, target, ec)) {
        return false;
    }
    guard.release();
    return true;
}

bool gf_save1GenerationOf(const fs::path& path) {
    fs::path copy = path.parent_path() / path.stem();
    copy += "0";
    copy += path.extension();
    std::error_code ec;
    return gf_copyFileWhole(path, copy, ec);
}

bool gf_moveFile(const fs::path& source, const fs::path& target) {
    std::error_code ec;
    fs::rename(source, target, ec);
    if (!ec) {
        return true;
    }
    // Across volumes: copy beside the target first and replace it in one step, so that a copy
    // that fails midway never leaves a truncated target in place of a good one.
    fs::path staging = target;
    staging += ".move_tmp";
    std::error_code copyError;
    fs::copy_file(source, staging, fs::copy_options::overwrite_existing, copyError);
    if (!copyError) {
        os::replaceFile(staging, target, copyError);
    }
    if (copyError) {
        std::error_code ignored;
        fs::remove(staging, ignored);
        LogFile::writeImportant(fmt::format("could not move {} => {}: {}", gf_pathToUtf8(source),
                                            gf_pathToUtf8(target), copyError.message()));
        return false;
    }
    std::error_code removeError;
    fs::remove(source, removeError);
    if (removeError) {
        LogFile::writeImportant(fmt::format("could not remove {} after copy: {}",
                                            gf_pathToUtf8(source), removeError.message()));
    }
    return true;
}

TempFileGuard::TempFileGuard(fs::path path) : path_(std::move(path)) {}

TempFileGuard::~TempFileGuard() {
    if (armed_) {
        std::error_code ec;
        fs::remove(path_, ec);
    }
}

fs::path gf_appDataPath() {
    fs::path path = os::roamingAppData();
    if (path.empty()) {
        LogFile::writeImportant("Could not find the AppData path");
    }
    return path;
}

bool gf_openFolder(const fs::path& path) {
    return os::shellOpen(path);
}

} // namespace skyloom
