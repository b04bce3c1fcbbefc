#include "airportscan/folder_zip.h"

#include <fstream>
#include <system_error>

#include <fmt/format.h>

#include "airportscan/zip_archive.h"
#include "foundation/log_file.h"
#include "foundation/text.h"

namespace skyloom {
namespace fs = std::filesystem;
namespace {

// Closes the archive and reports; true when it is complete.
bool lf_closeZipArchive(ZipArchive& archive, const fs::path& target, std::size_t added) {
    const int result = archive.close();
    std::error_code ec;
    const bool exists = fs::exists(target, ec);
    std::uintmax_t size = exists ? fs::file_size(target, ec) : 0;
    if (ec) {
        size = 0;
    }
    LogFile::write(
        fmt::format("[zip] Added {} files, close_result={}, ok_close={}, exists={}, size={} bytes",
                    added, result, result == 0, exists, size));
    return result == 0 && added > 0 && exists && size != 0;
}

} // namespace

std::optional<std::vector<std::uint8_t>> gf_readFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        return std::nullopt;
    }
    const std::streamoff size = in.tellg();
    if (size < 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size) && !in.eof()) {
        return std::nullopt;
    }
    if (in.gcount() != size) {
        return std::nullopt;
    }
    return bytes;
}

bool gf_zipFolder(const fs::path& source, const fs::path& target, std::vector<fs::path>* archived) {
    std::error_code ec;
    if (!fs::is_directory(source, ec)) {
        LogFile::write(fmt::format("[zip] Not a directory: {}", gf_pathToUtf8(source)));
        return false;
    }
    if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), ec);
    }
    const fs::path absoluteTarget = fs::absolute(target, ec);
    const fs::path absoluteSource = fs::absolute(source, ec);
    LogFile::write(fmt::format("[zip] Target file: {}", gf_pathToUtf8(absoluteTarget)));
    LogFile::write(fmt::format("[zip] Source dir : {}", gf_pathToUtf8(absoluteSource)));
    if (fs::exists(absoluteTarget, ec)) {
        LogFile::write(fmt::format("[zip] Removing old zip {}", gf_pathToUtf8(absoluteTarget)));
        fs::remove(absoluteTarget, ec);
    }
    // The listing is taken before the archive exists, so that it never holds itself.
    std::vector<fs::path> files;
    for (fs::directory_iterator it(absoluteSource, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError)) {
            files.push_back(it->path());
        }
    }
    ZipArchive archive(absoluteTarget);
    if (!archive.isOpen()) {
        LogFile::write("[zip] Could not open archive for writing");
        return false;
    }
    std::size_t added = 0;
    for (const fs::path& file : files) {
        auto bytes = gf_readFileBytes(file);
        if (!bytes) {
            LogFile::write(fmt::format("[zip] READ FAIL: {}", gf_pathToUtf8(file)));
            continue;
        }
        const std::string name = gf_pathToUtf8(file.filename());
        LogFile::write(fmt::format("[zip] Adding (data) {} -> {} ({} bytes)", gf_pathToUtf8(file),
                                   name, bytes->size()));
        if (!archive.addData(name, std::move(*bytes))) {
            // An archive without this file is not complete: it is discarded.
            LogFile::write(fmt::format("[zip] ERROR addData({})", name));
            return false;
        }
        ++added;
        if (archived != nullptr) {
            archived->push_back(file);
        }
    }
    const bool complete = lf_closeZipArchive(archive, absoluteTarget, added);
    if (!complete && archived != nullptr) {
        archived->clear();
    }
    return complete;
}

} // namespace skyloom
