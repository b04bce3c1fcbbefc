// The charsets of the text files the program reads (user lists, aircraft.cfg, link files),
// their detection from a file's first bytes, and their decoding into the program's UTF-8.
// "ANSI" is Windows-1252.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace skyloom {

enum class Charset : std::uint8_t {
    utf8 = 0,     // no byte-order mark; also plain ASCII and the empty file
    utf8_bom = 1, // EF BB BF
    utf16le = 2,  // FF FE, or no mark and zero bytes at odd offsets
    utf16be = 3,  // FE FF, or no mark and zero bytes at even offsets
    ansi = 4,     // Windows-1252: not well-formed UTF-8
    none_found = 5,
};

// "UTF-8", "UTF-8 BOM", "UTF-16LE", "UTF-16BE", "ANSI", "none" for the log.
std::string_view gf_charsetName(Charset charset);

// How many leading bytes of a file decide its charset.
inline constexpr std::size_t kCharsetSampleBytes = 4096;

// The charset of a file from its first 4096 bytes: a byte-order mark (UTF-8, UTF-16 LE or
// BE); else zero bytes in a UTF-16 pattern (mostly at odd offsets: LE, mostly at even: BE);
// else UTF-8 when the sample is well-formed UTF-8 (a sequence cut by the 4096th byte counts
// as well-formed); else ANSI. An empty file is UTF-8: it decodes to no line. none_found when
// the file cannot be opened or read, and when it holds zero bytes that fit no UTF-16 pattern
// (binary data, not text). Never throws.
Charset gf_detectCharset(const std::filesystem::path& path) noexcept;

// The same decision for a sample already read; cutByLimit says that the file goes on after
// the sample, so a sequence cut at its end is not held against UTF-8.
Charset gf_detectCharsetOfBytes(std::string_view sample, bool cutByLimit) noexcept;

// The Unicode code point of one Windows-1252 byte. The five bytes that Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, as
// Windows itself converts them, so no byte is lost.
char32_t gf_cp1252CodePoint(unsigned char byte) noexcept;

// Windows-1252 bytes as UTF-8.
std::string gf_cp1252ToUtf8(std::string_view bytes);

// A file's bytes as UTF-8 in the given charset, a leading byte-order mark of that charset
// skipped. Decoding is lenient, so that one bad byte does not cost the whole file: malformed
// UTF-8 bytes, lone UTF-16 surrogates and an odd last byte of UTF-16 become U+FFFD. Throws
// std::invalid_argument for none_found, which names no way to decode.
std::string gf_decodeToUtf8(Charset charset, std::string_view bytes);

} // namespace skyloom
