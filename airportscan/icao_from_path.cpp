#include "airportscan/icao_from_path.h"

namespace skyloom {

namespace {

constexpr std::string_view kNeverACode = "FS24";

bool lf_isCodeChar(char c) noexcept {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

} // namespace

std::optional<IcaoCode> gf_icaoFromPath(std::string_view text, const IcaoCodeTest& first,
                                        const IcaoCodeTest& second) {
    std::size_t at = 0;
    while (at < text.size()) {
        if (!lf_isCodeChar(text[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && lf_isCodeChar(text[end])) {
            ++end;
        }
        if (end - at == IcaoCode::kLength) {
            // IcaoCode::parse upper-cases the letters.
            const auto code = IcaoCode::parse(text.substr(at, IcaoCode::kLength));
            if (code && code->view() != kNeverACode && first(*code) && second(*code)) {
                return code;
            }
        }
        at = end;
    }
    return std::nullopt;
}

} // namespace skyloom
