#include "airportscan/bgl_file.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <fstream>
#include <system_error>

#include <fmt/format.h>

#include "airportscan/bgl_parser.h"
#include "airportscan/scan_limits.h"
#include "foundation/log_file.h"
#include "foundation/text.h"

namespace skyloom {

namespace fs = std::filesystem;

namespace {

constexpr std::streamoff kSectionCountOffset = 20;
constexpr std::uint64_t kProbeEntriesPerRead = 512;

std::uint32_t lf_littleEndian(std::uint32_t value) noexcept {
    if constexpr (std::endian::native == std::endian::big) {
        return ((value & 0xFFu) << 24) | ((value & 0xFF00u) << 8) | ((value >> 8) & 0xFF00u) |
               (value >> 24);
    }
    return value;
}

bool lf_readAt(std::istream& in, std::streamoff offset, char* into, std::streamsize count) {
    in.clear();
    in.seekg(offset);
    return in && in.read(into, count) && in.gcount() == count;
}

// Runs the slow-file report when the probe returns, however it returns.
class SlowProbeReport {
public:
    SlowProbeReport(const fs::path& path, const Clock& clock)
        : path_(path), clock_(clock), start_(clock.steadyNow()) {}
    ~SlowProbeReport() { gf_logSlowBGL(path_, start_, "probing header", clock_); }
    SlowProbeReport(const SlowProbeReport&) = delete;
    SlowProbeReport& operator=(const SlowProbeReport&) = delete;

private:
    const fs::path& path_;
    const Clock& clock_;
    Clock::SteadyTime start_;
};

} // namespace

std::vector<std::uint32_t> gf_readBGLWords(std::istream& in) {
    in.clear();
    if (!in.seekg(0, std::ios::end)) {
        return {};
    }
    const std::streamoff size = in.tellg();
    if (size < 4 || static_cast<std::uintmax_t>(size) > kMaxBglFileBytes ||
        !in.seekg(0, std::ios::beg)) {
        return {};
    }
    std::vector<std::uint32_t> words(static_cast<std::size_t>(size / 4));
    const auto bytes = static_cast<std::streamsize>(words.size() * 4);
    if (!in.read(reinterpret_cast<char*>(words.data()), bytes) || in.gcount() != bytes) {
        return {};
    }
    for (auto& word : words) {
        word = lf_littleEndian(word);
    }
    return words;
}

bool gf_probeBGLHeader(const fs::path& path, const Clock& clock) {
    const SlowProbeReport report(path, clock);
    std::ifstream in(path, std::ios::binary);
    if (!in || !in.seekg(0, std::ios::end)) {
        return false;
    }
    const std::streamoff size = in.tellg();
    if (size <= static_cast<std::streamoff>(kBglHeaderBytes)) {
        return false;
    }
    std::uint32_t sections = 0;
    if (!lf_readAt(in, kSectionCountOffset, reinterpret_cast<char*>(&sections), 4)) {
        return false;
    }
    sections = lf_littleEndian(sections);
    const auto room = static_cast<std::uint64_t>(size - kBglHeaderBytes) / kBglSectionEntryBytes;
    if (sections < 1 || sections > room) {
        return false;
    }
    // The table in blocks of entries: the same fields as one read per entry, in far fewer
    // reads, and a damaged count in a large file costs no large buffer.
    constexpr std::uint64_t kWordsPerEntry = kBglSectionEntryBytes / 4;
    std::vector<std::uint32_t> block(kProbeEntriesPerRead * kWordsPerEntry);
    for (std::uint64_t first = 0; first < sections; first += kProbeEntriesPerRead) {
        const std::uint64_t entries =
            std::min<std::uint64_t>(kProbeEntriesPerRead, sections - first);
        if (!lf_readAt(in,
                       static_cast<std::streamoff>(kBglHeaderBytes + first * kBglSectionEntryBytes),
                       reinterpret_cast<char*>(block.data()),
                       static_cast<std::streamsize>(entries * kBglSectionEntryBytes))) {
            return false;
        }
        for (std::uint64_t i = 0; i < entries; ++i) {
            if (lf_littleEndian(block[i * kWordsPerEntry]) == kBglAirportSectionType) {
                return true;
            }
        }
    }
    return false;
}

void gf_logSlowBGL(const fs::path& path, Clock::SteadyTime start, std::string_view phase,
                   const Clock& clock) noexcept {
    try {
        const auto elapsed = clock.steadyNow() - start;
        if (elapsed < kSlowBglFileSeconds) {
            return;
        }
        std::error_code error;
        const auto size = fs::file_size(path, error);
        const std::string sizeText =
            error ? std::string("unknown size") : fmt::format("{} bytes", size);
        LogFile::writeImportant(fmt::format(
            "Slow BGL processing: {:.2f} s, {}, phase {}, file '{}'",
            std::chrono::duration<double>(elapsed).count(), sizeText, phase, gf_pathToUtf8(path)));
    } catch (...) { // the report must never cost the file
    }
}

} // namespace skyloom
