#include "foundation/text_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fstream>
#include <system_error>

#include "foundation/files.h"
#include "foundation/unsaved_files.h"
#include "platform/os/file_replace.h"

namespace skyloom {
namespace {

enum class ReadOutcome { ok, openFailed, readFailed };

ReadOutcome lf_readWholeFile(const std::filesystem::path& path, std::string& bytes) {
    std::error_code ec;
    // A folder opens like a file on some systems and then fails every read.
    if (std::filesystem::is_directory(path, ec)) {
        return ReadOutcome::openFailed;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return ReadOutcome::openFailed;
    }
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec) {
        bytes.reserve(static_cast<std::size_t>(size));
    }
    char chunk[16384];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    return in.bad() ? ReadOutcome::readFailed : ReadOutcome::ok;
}

void lf_appendLines(std::string_view text, std::vector<std::string>& lines) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            return;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
            ++start;
        }
    }
}

// The system's reason for the last failure, or `otherwise`.
std::string lf_reason(int error, const std::error_code& ec, std::string_view otherwise) {
    if (ec) {
        return ec.message();
    }
    if (error != 0) {
        return std::generic_category().message(error);
    }
    return std::string(otherwise);
}

// The safe save of a text: the bytes go to path + ".tmp", which must then hold all of them, and
// only that file replaces the old one (renamed, and synced as `sync` says). On a full disk, or
// any failure, the old file stays as it was, the ".tmp" file goes, and `reason` says why.
bool lf_writeBytes(const std::filesystem::path& path, os::SyncMode sync, const auto& writeAll,
                   std::string& reason) {
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    std::error_code ec;
    std::filesystem::remove(temporary, ec);
    if (ec) {
        reason = ec.message();
        return false;
    }
    TempFileGuard guard(temporary);
    std::uintmax_t written = 0;
    {
        errno = 0;
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            reason = lf_reason(errno, {}, "it could not be created");
            return false;
        }
        writeAll(out);
        out.flush();
        const std::streamoff end = out.tellp();
        out.close();
        if (out.fail() || end < 0) {
            reason = lf_reason(errno, {}, "it could not be written");
            return false;
        }
        written = static_cast<std::uintmax_t>(end);
    }
    const std::uintmax_t size = std::filesystem::file_size(temporary, ec);
    if (ec || size != written) {
        reason = lf_reason(0, ec, "the disk took only part of it");
        return false;
    }
    if (!os::replaceFile(temporary, path, ec, sync)) {
        reason = lf_reason(0, ec, "it could not be put in place");
        return false;
    }
    guard.release();
    return true;
}

bool lf_save(const std::filesystem::path& path, const auto& writeAll, FileKind kind,
             os::SyncMode sync) {
    std::string reason;
    const bool saved = lf_writeBytes(path, sync, writeAll, reason);
    if (kind == FileKind::passing) {
        return saved;
    }
    if (saved) {
        gf_noteSavedFile(path);
    } else {
        gf_noteUnsavedFile(path, std::move(reason));
    }
    return saved;
}

} // namespace

std::vector<std::string> gf_splitLines(std::string_view text) {
    std::vector<std::string> lines;
    lf_appendLines(text, lines);
    return lines;
}

bool gf_readTextFileLines(Charset charset, const std::filesystem::path& path,
                          std::vector<std::string>& lines) {
    lines.clear();
    if (charset == Charset::none_found) {
        return false;
    }
    std::string bytes;
    if (lf_readWholeFile(path, bytes) != ReadOutcome::ok) {
        return false;
    }
    lf_appendLines(gf_decodeToUtf8(charset, bytes), lines);
    return true;
}

LinesFileResult LinesFile::readLines(const std::filesystem::path& path, std::size_t reserveHint) {
    LinesFileResult result;
    std::string bytes;
    switch (lf_readWholeFile(path, bytes)) {
    case ReadOutcome::openFailed:
        result.reason = "open_failed";
        return result;
    case ReadOutcome::readFailed:
        result.reason = "read_failed";
        return result;
    case ReadOutcome::ok:
        break;
    }
    const std::size_t sampleSize = std::min(bytes.size(), kCharsetSampleBytes);
    const Charset charset = gf_detectCharsetOfBytes(std::string_view(bytes).substr(0, sampleSize),
                                                    bytes.size() > kCharsetSampleBytes);
    if (charset == Charset::none_found) {
        result.reason = "not_text";
        return result;
    }
    result.lines.reserve(reserveHint);
    lf_appendLines(gf_decodeToUtf8(charset, bytes), result.lines);
    result.count = result.lines.size();
    result.ok = true;
    return result;
}

bool gf_writeLinesToFile(const std::filesystem::path& path, const std::vector<std::string>& lines) {
    return lf_save(
        path,
        [&](std::ofstream& out) {
            for (const std::string& line : lines) {
                out.write(line.data(), static_cast<std::streamsize>(line.size()));
                out.put('\n');
            }
        },
        FileKind::saved, os::SyncMode::eachFile);
}

bool gf_writeLinesToFile(const std::vector<std::string>& lines, const std::filesystem::path& path) {
    return gf_writeLinesToFile(path, lines);
}

bool gf_writeFile(std::string_view text, const std::filesystem::path& path, bool newline,
                  FileKind kind, os::SyncMode sync) {
    return lf_save(
        path,
        [&](std::ofstream& out) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            if (newline) {
                out.put('\n');
            }
        },
        kind, sync);
}

} // namespace skyloom
