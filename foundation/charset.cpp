#include "foundation/charset.h"

#include <array>
#include <fstream>
#include <stdexcept>

#include "foundation/utf.h"

namespace skyloom {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

// 0x80 to 0x9F; the rest of Windows-1252 equals Latin-1.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// UTF-16 text of Latin script has a zero byte in most code units, always on the same side.
// A quarter of the units is asked for, so that text with many non-Latin letters still
// qualifies, and at most one stray zero on the other side per eight, so that binary data with
// zeros everywhere does not.
bool lf_isZeroPatternOnOneSide(std::size_t zerosThisSide, std::size_t zerosOtherSide,
                               std::size_t units) {
    return zerosThisSide * 4 >= units && zerosOtherSide * 8 <= zerosThisSide;
}

std::string lf_decodeUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    const auto unitAt = [&](std::size_t i) -> char32_t {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (char32_t(first) << 8) | second : (char32_t(second) << 8) | first;
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t next = unitAt(i + 2);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                gf_appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                i += 2;
                continue;
            }
        }
        // A lone surrogate comes out as U+FFFD through gf_appendUtf8.
        gf_appendUtf8(out, unit);
    }
    if (i < bytes.size()) {
        gf_appendUtf8(out, kReplacementCharacter);
    }
    return out;
}

std::string_view lf_withoutPrefix(std::string_view bytes, std::string_view prefix) {
    if (bytes.starts_with(prefix)) {
        bytes.remove_prefix(prefix.size());
    }
    return bytes;
}

} // namespace

std::string_view gf_charsetName(Charset charset) {
    switch (charset) {
    case Charset::utf8:
        return "UTF-8";
    case Charset::utf8_bom:
        return "UTF-8 BOM";
    case Charset::utf16le:
        return "UTF-16LE";
    case Charset::utf16be:
        return "UTF-16BE";
    case Charset::ansi:
        return "ANSI";
    case Charset::none_found:
        break;
    }
    return "none";
}

Charset gf_detectCharsetOfBytes(std::string_view sample, bool cutByLimit) noexcept {
    if (sample.starts_with(kUtf8Bom)) {
        return Charset::utf8_bom;
    }
    if (sample.starts_with(kUtf16LeBom)) {
        return Charset::utf16le;
    }
    if (sample.starts_with(kUtf16BeBom)) {
        return Charset::utf16be;
    }
    std::size_t zerosAtEven = 0;
    std::size_t zerosAtOdd = 0;
    for (std::size_t i = 0; i < sample.size(); ++i) {
        if (sample[i] == '\0') {
            ++(i % 2 == 0 ? zerosAtEven : zerosAtOdd);
        }
    }
    if (zerosAtEven + zerosAtOdd > 0) {
        const std::size_t units = (sample.size() + 1) / 2;
        if (lf_isZeroPatternOnOneSide(zerosAtOdd, zerosAtEven, units)) {
            return Charset::utf16le;
        }
        if (lf_isZeroPatternOnOneSide(zerosAtEven, zerosAtOdd, units)) {
            return Charset::utf16be;
        }
        return Charset::none_found;
    }
    return gf_isValidUtf8(sample, cutByLimit) ? Charset::utf8 : Charset::ansi;
}

Charset gf_detectCharset(const std::filesystem::path& path) noexcept {
    try {
        std::error_code ec;
        if (std::filesystem::is_directory(path, ec)) {
            return Charset::none_found;
        }
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            return Charset::none_found;
        }
        // One byte more than the sample tells whether the file goes on after it.
        std::string buffer(kCharsetSampleBytes + 1, '\0');
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        if (in.bad()) {
            return Charset::none_found;
        }
        buffer.resize(static_cast<std::size_t>(in.gcount()));
        const bool cut = buffer.size() > kCharsetSampleBytes;
        if (cut) {
            buffer.resize(kCharsetSampleBytes);
        }
        return gf_detectCharsetOfBytes(buffer, cut);
    } catch (...) {
        return Charset::none_found;
    }
}

char32_t gf_cp1252CodePoint(unsigned char byte) noexcept {
    if (byte >= 0x80 && byte <= 0x9F) {
        return kCp1252High[byte - 0x80];
    }
    return byte;
}

std::string gf_cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char c : bytes) {
        gf_appendUtf8(out, gf_cp1252CodePoint(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string gf_decodeToUtf8(Charset charset, std::string_view bytes) {
    switch (charset) {
    case Charset::utf8:
    case Charset::utf8_bom:
        return gf_sanitizedUtf8(lf_withoutPrefix(bytes, kUtf8Bom));
    case Charset::utf16le:
        return lf_decodeUtf16(lf_withoutPrefix(bytes, kUtf16LeBom), false);
    case Charset::utf16be:
        return lf_decodeUtf16(lf_withoutPrefix(bytes, kUtf16BeBom), true);
    case Charset::ansi:
        return gf_cp1252ToUtf8(bytes);
    case Charset::none_found:
        break;
    }
    throw std::invalid_argument("gf_decodeToUtf8: no charset to decode with");
}

} // namespace skyloom
