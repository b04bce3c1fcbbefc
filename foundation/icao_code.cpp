#include "foundation/icao_code.h"

#include <stdexcept>

#include "foundation/code_chars.h"

namespace skyloom {

IcaoCode::IcaoCode(std::string_view text) {
    const auto code = parse(text);
    if (!code) {
        throw std::invalid_argument(fmt::format("'{}' IcaoCode: invalid string", text));
    }
    *this = *code;
}

std::optional<IcaoCode> IcaoCode::parse(std::string_view text) noexcept {
    const auto chars = code_chars::normalisedCode<kLength>(text);
    if (!chars) {
        return std::nullopt;
    }
    return IcaoCode(*chars, code_chars::packed(*chars));
}

std::optional<IcaoCode> IcaoCode::fromValue(std::uint32_t value) noexcept {
    if (value == 0) {
        return IcaoCode();
    }
    const auto chars = code_chars::unpacked<kLength>(value);
    if (!chars) {
        return std::nullopt;
    }
    return IcaoCode(*chars, value);
}

} // namespace skyloom
