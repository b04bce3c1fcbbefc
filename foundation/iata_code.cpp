#include "foundation/iata_code.h"

#include <stdexcept>

#include "foundation/code_chars.h"

namespace skyloom {

IataCode::IataCode(const std::array<char, kLength>& chars, std::uint32_t value) noexcept
    : value_(value) {
    for (std::size_t i = 0; i < kLength; ++i) {
        chars_[i] = chars[i];
    }
}

IataCode::IataCode(std::string_view text) {
    const auto code = parse(text);
    if (!code) {
        throw std::invalid_argument(fmt::format("'{}' IataCode: invalid string", text));
    }
    *this = *code;
}

std::optional<IataCode> IataCode::parse(std::string_view text) noexcept {
    const auto chars = code_chars::normalisedCode<kLength>(text);
    if (!chars) {
        return std::nullopt;
    }
    return IataCode(*chars, code_chars::packed(*chars));
}

std::optional<IataCode> IataCode::fromValue(std::uint32_t value) noexcept {
    if (value == 0) {
        return IataCode();
    }
    const auto chars = code_chars::unpacked<kLength>(value);
    if (!chars) {
        return std::nullopt;
    }
    return IataCode(*chars, value);
}

IataCode IataCode::placeholder() noexcept {
    return *parse(kPlaceholderText);
}

} // namespace skyloom
