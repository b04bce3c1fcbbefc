// The character rules shared by the airport and airline code types: ASCII letters and digits,
// letters taken as upper case, packed big-endian into a 32-bit value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace skyloom::code_chars {

// The upper-case form of an ASCII letter or digit; no value for any other byte, so that text
// in another script or with blanks never makes a code.
constexpr std::optional<char> normalised(char c) {
    if (c >= '0' && c <= '9') {
        return c;
    }
    if (c >= 'A' && c <= 'Z') {
        return c;
    }
    if (c >= 'a' && c <= 'z') {
        return static_cast<char>(c - 'a' + 'A');
    }
    return std::nullopt;
}

// The N normalised characters of a text of exactly N letters or digits.
template <std::size_t N>
constexpr std::optional<std::array<char, N>> normalisedCode(std::string_view text) {
    if (text.size() != N) {
        return std::nullopt;
    }
    std::array<char, N> chars{};
    for (std::size_t i = 0; i < N; ++i) {
        const auto c = normalised(text[i]);
        if (!c) {
            return std::nullopt;
        }
        chars[i] = *c;
    }
    return chars;
}

// The characters packed big-endian: the first character in the highest used byte, so that
// the packed values sort as the texts do.
template <std::size_t N> constexpr std::uint32_t packed(const std::array<char, N>& chars) {
    static_assert(N <= 4);
    std::uint32_t value = 0;
    for (const char c : chars) {
        value = (value << 8) | static_cast<unsigned char>(c);
    }
    return value;
}

// The characters of a packed value, when every one of them is an upper-case letter or digit
// and no bits lie above the N bytes.
template <std::size_t N>
constexpr std::optional<std::array<char, N>> unpacked(std::uint32_t value) {
    static_assert(N <= 4);
    if constexpr (N < 4) {
        if ((value >> (8 * N)) != 0) {
            return std::nullopt;
        }
    }
    std::array<char, N> chars{};
    for (std::size_t i = 0; i < N; ++i) {
        const auto c = static_cast<char>((value >> (8 * (N - 1 - i))) & 0xFFu);
        const auto n = normalised(c);
        if (!n || *n != c) {
            return std::nullopt;
        }
        chars[i] = c;
    }
    return chars;
}

} // namespace skyloom::code_chars
