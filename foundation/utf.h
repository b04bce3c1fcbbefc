// Conversion between UTF-8, the program's inner text, and UTF-16, the text of the Windows and
// file-system boundary. The conversions are strict: anything that is not well-formed throws,
// so that a damaged text never travels on silently. Code-point helpers for the lenient
// decoders of text files live here too.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace skyloom {

// The replacement character written where a text file holds bytes that decode to nothing.
inline constexpr char32_t kReplacementCharacter = U'\uFFFD';

// UTF-16 to UTF-8; empty in, empty out. Throws std::runtime_error "wide_to_utf8: invalid
// UTF-16" on a lone high or low surrogate.
std::string wide_to_utf8(std::u16string_view text);

// UTF-8 to UTF-16; empty in, empty out. Throws std::runtime_error "utf8_to_wide: invalid
// UTF-8" on a stray continuation byte, an overlong form, a surrogate encoded in UTF-8, a code
// point above U+10FFFF, a byte that never starts a sequence (0xC0, 0xC1, 0xF5 to 0xFF) or a
// truncated sequence.
std::u16string utf8_to_wide(std::string_view text);

// Appends the UTF-8 form of a code point; surrogates and values above U+10FFFF are written as
// the replacement character.
void gf_appendUtf8(std::string& out, char32_t codePoint);

// Length in bytes of the well-formed UTF-8 sequence at the start of the text, 0 when it is
// malformed. When the text ends inside a sequence that is well-formed so far, the result is
// the negative of the bytes present (-1 to -3): a cut sequence rather than a bad one.
int gf_utf8SequenceLength(std::string_view text);

// True when the whole text is well-formed UTF-8. With allowCutEnd, a sequence that is cut by
// the end of the text but well-formed so far is accepted (a sample taken from a longer file).
bool gf_isValidUtf8(std::string_view text, bool allowCutEnd = false);

// The text with every malformed byte replaced by U+FFFD (one per byte that starts no
// well-formed sequence); well-formed text comes back unchanged.
std::string gf_sanitizedUtf8(std::string_view text);

// Number of code points in well-formed UTF-8 (bytes that are not continuation bytes).
std::size_t gf_utf8Length(std::string_view text);

} // namespace skyloom
