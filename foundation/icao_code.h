// `IcaoCode`: a four-character ICAO code (airports), upper-case letters and digits, kept beside
// its big-endian packed 32-bit value; the value 0 means "no code". Comparison and hashing go by
// the packed value, which sorts as the text does. Formatted with "{}" it gives its characters.
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <fmt/format.h>

namespace skyloom {

class IcaoCode {
public:
    static constexpr std::size_t kLength = 4;

    // No code: packed value 0, empty text.
    constexpr IcaoCode() = default;
    // From exactly four letters or digits, letters upper-cased; anything else throws
    // std::invalid_argument "'{text}' IcaoCode: invalid string".
    explicit IcaoCode(std::string_view text);

    // The code of a text of exactly four letters or digits (lower case taken as upper case).
    static std::optional<IcaoCode> parse(std::string_view text) noexcept;
    // The code of a packed value: 0 gives no code; a value whose bytes are not all upper-case
    // letters or digits gives no value.
    static std::optional<IcaoCode> fromValue(std::uint32_t value) noexcept;

    constexpr std::uint32_t value() const noexcept { return value_; }
    constexpr bool isSet() const noexcept { return value_ != 0; }
    // The four characters, or an empty view when no code is set.
    constexpr std::string_view view() const noexcept {
        return isSet() ? std::string_view(chars_.data(), kLength) : std::string_view();
    }
    std::string text() const { return std::string(view()); }

    friend constexpr bool operator==(const IcaoCode& a, const IcaoCode& b) noexcept {
        return a.value_ == b.value_;
    }
    friend constexpr std::strong_ordering operator<=>(const IcaoCode& a,
                                                      const IcaoCode& b) noexcept {
        return a.value_ <=> b.value_;
    }

private:
    IcaoCode(const std::array<char, kLength>& chars, std::uint32_t value) noexcept
        : chars_(chars), value_(value) {}

    // Characters first, value beside them: eight bytes, all zero when no code is set.
    std::array<char, kLength> chars_{};
    std::uint32_t value_ = 0;
};

static_assert(sizeof(IcaoCode) == 8);

} // namespace skyloom

template <> struct std::hash<skyloom::IcaoCode> {
    std::size_t operator()(const skyloom::IcaoCode& code) const noexcept {
        return std::hash<std::uint32_t>{}(code.value());
    }
};

template <> struct fmt::formatter<skyloom::IcaoCode> : fmt::formatter<std::string_view> {
    auto format(const skyloom::IcaoCode& code, fmt::format_context& ctx) const {
        return fmt::formatter<std::string_view>::format(code.view(), ctx);
    }
};
