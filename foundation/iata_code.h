// `IataCode`: a three-character IATA code (airports), upper-case letters and digits, kept beside
// its big-endian packed 32-bit value; the value 0 means "no code" and "XXX" is the placeholder
// that stands for an airport without a code. Comparison and hashing go by the packed value.
// Formatted with "{}" it gives its characters.
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

class IataCode {
public:
    static constexpr std::size_t kLength = 3;
    static constexpr std::string_view kPlaceholderText = "XXX";

    // No code: packed value 0, empty text.
    constexpr IataCode() = default;
    // From exactly three letters or digits, letters upper-cased; anything else throws
    // std::invalid_argument "'{text}' IataCode: invalid string".
    explicit IataCode(std::string_view text);

    // The code of a text of exactly three letters or digits (lower case taken as upper case).
    static std::optional<IataCode> parse(std::string_view text) noexcept;
    // The code of a packed value: 0 gives no code; a value with bits above the three bytes or
    // with a byte that is not an upper-case letter or digit gives no value.
    static std::optional<IataCode> fromValue(std::uint32_t value) noexcept;
    // The placeholder "XXX".
    static IataCode placeholder() noexcept;

    constexpr std::uint32_t value() const noexcept { return value_; }
    constexpr bool isSet() const noexcept { return value_ != 0; }
    bool isPlaceholder() const noexcept { return view() == kPlaceholderText; }
    // The three characters, or an empty view when no code is set.
    constexpr std::string_view view() const noexcept {
        return isSet() ? std::string_view(chars_.data(), kLength) : std::string_view();
    }
    std::string text() const { return std::string(view()); }

    friend constexpr bool operator==(const IataCode& a, const IataCode& b) noexcept {
        return a.value_ == b.value_;
    }
    friend constexpr std::strong_ordering operator<=>(const IataCode& a,
                                                      const IataCode& b) noexcept {
        return a.value_ <=> b.value_;
    }

private:
    IataCode(const std::array<char, kLength>& chars, std::uint32_t value) noexcept;

    // Three characters and a zero byte, then the value: eight bytes without padding.
    std::array<char, kLength + 1> chars_{};
    std::uint32_t value_ = 0;
};

static_assert(sizeof(IataCode) == 8);

} // namespace skyloom

template <> struct std::hash<skyloom::IataCode> {
    std::size_t operator()(const skyloom::IataCode& code) const noexcept {
        return std::hash<std::uint32_t>{}(code.value());
    }
};

template <> struct fmt::formatter<skyloom::IataCode> : fmt::formatter<std::string_view> {
    auto format(const skyloom::IataCode& code, fmt::format_context& ctx) const {
        return fmt::formatter<std::string_view>::format(code.view(), ctx);
    }
};
