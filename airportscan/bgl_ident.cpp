#include "airportscan/bgl_ident.h"

#include <algorithm>

#include <fmt/format.h>

namespace skyloom {

namespace {

constexpr std::uint32_t kIdentShift = 5;
constexpr std::uint32_t kIdentBase = 38;
constexpr std::size_t kMaxIdentDigits = 10;
constexpr std::uint32_t kFirstDigitCode = 2;
constexpr std::uint32_t kFirstLetterCode = 12;

} // namespace

BglIdent gf_decodeBGLIdent(std::uint32_t word) {
    BglIdent ident;
    std::string reversed;
    for (std::uint32_t value = word >> kIdentShift; value != 0; value /= kIdentBase) {
        const std::uint32_t digit = value % kIdentBase;
        if (digit < kFirstDigitCode || reversed.size() == kMaxIdentDigits) {
            return ident;
        }
        reversed += digit < kFirstLetterCode ? static_cast<char>('0' + (digit - kFirstDigitCode))
                                             : static_cast<char>('A' + (digit - kFirstLetterCode));
    }
    ident.text.assign(reversed.rbegin(), reversed.rend());
    ident.status = BglIdentStatus::accepted;
    return ident;
}

BglIdent gf_checkAirportIdent(std::string text, const std::function<bool(const IcaoCode&)>& known,
                              std::vector<std::string>& scanLog) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    const auto code = text.size() == IcaoCode::kLength ? IcaoCode::parse(text) : std::nullopt;
    if (!code) {
        return BglIdent{std::move(text), BglIdentStatus::notFourChars};
    }
    if (!known(*code)) {
        scanLog.push_back(fmt::format("{} is not known", text));
        return BglIdent{std::move(text), BglIdentStatus::unknownAirport};
    }
    return BglIdent{std::move(text), BglIdentStatus::accepted};
}

} // namespace skyloom
