// UTF-16 text at the layer's own edges: lengths of null-terminated wide strings, and the
// conversions to UTF-8 that text drawing, recordings and dialog requests need. The layer
// stays below the program's libraries, so it converts with GLib (which pango brings along)
// instead of the program's own helpers; the strict forms throw like those do.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/winui/win_types.h"

namespace skyloom::winui {

// Characters before the terminating zero; 0 for a null pointer.
std::size_t wideLength(LPCWSTR text);
// The text of a null-terminated wide string; empty for a null pointer.
std::u16string wideString(LPCWSTR text);

// Strict conversions: throw std::runtime_error on malformed input.
std::string utf8FromWide(std::u16string_view text);
std::u16string wideFromUtf8(std::string_view text);

// For drawing and logging: malformed UTF-16 becomes U+FFFD instead of failing, as a broken
// text still draws on Windows.
std::string utf8FromWideLenient(std::u16string_view text);

// Copies text into a caller's buffer of `capacity` characters as WM_GETTEXT does: at most
// capacity - 1 characters and a terminating zero; returns the characters copied.
std::size_t copyToBuffer(std::u16string_view text, LPWSTR buffer, std::size_t capacity);

} // namespace skyloom::winui
