#include "foundation/text.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>

#include <fmt/format.h>

#include "foundation/utf.h"

namespace skyloom {
namespace {

constexpr std::string_view kWhiteSpace = " \t\r\n";

std::atomic<bool> g_hexidHexadecimal{true};

bool lf_hasWhiteSpace(std::string_view text) {
    return text.find_first_of(kWhiteSpace) != std::string_view::npos;
}

// The pieces between separators, untrimmed.
template <typename Visit> void lf_forEachPiece(std::string_view text, char separator, Visit visit) {
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        visit(text.substr(start,
                          end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) {
            return;
        }
        start = end + 1;
    }
}

std::vector<std::string> lf_splitTrimmed(std::string_view text, char separator, bool keepEmpty) {
    std::vector<std::string> pieces;
    lf_forEachPiece(text, separator, [&](std::string_view piece) {
        std::string trimmed = gf_trim(piece);
        if (keepEmpty || !trimmed.empty()) {
            pieces.push_back(std::move(trimmed));
        }
    });
    return pieces;
}

bool lf_isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

bool lf_isSuffixCharacter(char c) {
    // ASCII only: the C library's classes follow the locale, which a GUI toolkit may change.
    return lf_isAsciiDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '.' ||
           c == '_' || c == '-';
}

std::optional<std::uint32_t> lf_parseNumber(std::string_view text) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), lf_isAsciiDigit)) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// The suffix without its final digits: the part that ranks before the value.
std::string_view lf_suffixStem(std::string_view suffix) {
    std::size_t end = suffix.size();
    while (end > 0 && lf_isAsciiDigit(suffix[end - 1])) {
        --end;
    }
    return suffix.substr(0, end);
}

} // namespace

std::string gf_trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(kWhiteSpace);
    return std::string(text.substr(first, last - first + 1));
}

bool gf_equalsIgnoringCase(std::string_view a, std::string_view b) noexcept {
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

std::vector<std::string> gf_split(std::string_view text, char separator) {
    return lf_splitTrimmed(text, separator, true);
}

std::vector<std::string> gf_splitComma(std::string_view text) {
    return lf_splitTrimmed(text, ',', false);
}

std::vector<std::string> gf_splitAtComma(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    return lf_splitTrimmed(text, ',', true);
}

void gf_splitAndTrim(std::string& text) {
    if (!lf_hasWhiteSpace(text)) {
        return;
    }
    text = fmt::format("{}", fmt::join(lf_splitTrimmed(text, ',', false), ","));
}

std::string gf_quotedText(std::string_view text) {
    const std::size_t first = text.find('"');
    if (first == std::string_view::npos) {
        return std::string(text);
    }
    const std::size_t second = text.find('"', first + 1);
    if (second == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first + 1, second - first - 1));
}

std::set<std::string> gf_commaListToSortedSet(std::string_view text) {
    std::set<std::string> result;
    for (std::string& piece : lf_splitTrimmed(text, ',', false)) {
        result.insert(std::move(piece));
    }
    return result;
}

std::string gf_titleLine(std::string_view text) {
    if (text.empty()) {
        return std::string(kTitleLineColumns, '*');
    }
    const std::size_t used = gf_utf8Length(text) + 2;
    const std::size_t padding = used + 2 <= kTitleLineColumns ? kTitleLineColumns - used : 2;
    const std::size_t left = padding / 2;
    return fmt::format("{} {} {}", std::string(left, '*'), text, std::string(padding - left, '*'));
}

std::string gf_versionText(std::uint32_t major, std::uint32_t minor, std::uint32_t patch) {
    return fmt::format("{}.{}.{}", major, minor, patch);
}

std::string gf_removeDots(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(result),
                 [](char c) { return c != '.'; });
    return result;
}

std::strong_ordering operator<=>(const DottedVersion& a, const DottedVersion& b) {
    const std::size_t count = std::max(a.numbers.size(), b.numbers.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t x = i < a.numbers.size() ? a.numbers[i] : 0;
        const std::uint32_t y = i < b.numbers.size() ? b.numbers[i] : 0;
        if (x != y) {
            return x <=> y;
        }
    }
    if (a.hasSuffix() != b.hasSuffix()) {
        // The release ranks above its pre-releases.
        return a.hasSuffix() ? std::strong_ordering::less : std::strong_ordering::greater;
    }
    if (const auto stems = lf_suffixStem(a.suffix) <=> lf_suffixStem(b.suffix); stems != 0) {
        return stems;
    }
    return a.suffixValue <=> b.suffixValue;
}

std::optional<DottedVersion> gf_parseDottedVersion(std::string_view text) noexcept {
    try {
        const std::string trimmed = gf_trim(text);
        std::string_view rest = trimmed;
        DottedVersion version;
        const std::size_t dash = rest.find('-');
        if (dash != std::string_view::npos) {
            const std::string_view suffix = rest.substr(dash + 1);
            if (suffix.empty() ||
                !std::all_of(suffix.begin(), suffix.end(), lf_isSuffixCharacter)) {
                return std::nullopt;
            }
            for (const char c : suffix) {
                version.suffix.push_back((c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A')
                                                                : c);
            }
            const std::string_view digits =
                std::string_view(version.suffix).substr(lf_suffixStem(version.suffix).size());
            if (!digits.empty()) {
                const auto value = lf_parseNumber(digits);
                if (!value) {
                    return std::nullopt;
                }
                version.suffixValue = *value;
            }
            rest = rest.substr(0, dash);
        }
        bool ok = true;
        lf_forEachPiece(rest, '.', [&](std::string_view piece) {
            const auto number = lf_parseNumber(piece);
            if (!number) {
                ok = false;
                return;
            }
            version.numbers.push_back(*number);
        });
        if (!ok) {
            return std::nullopt;
        }
        return version;
    } catch (...) {
        return std::nullopt;
    }
}

std::string gf_numberText(double value) {
    if (std::isfinite(value) && std::floor(value) == value) {
        return fmt::format("{:.0f}", value);
    }
    return fmt::format("{:.1f}", value);
}

std::string gf_hexidText(std::uint32_t value) {
    return g_hexidHexadecimal.load(std::memory_order_relaxed) ? fmt::format("{:x}", value)
                                                              : fmt::format("{}", value);
}

void gf_setHexidHexadecimal(bool hexadecimal) noexcept {
    g_hexidHexadecimal.store(hexadecimal, std::memory_order_relaxed);
}

bool gf_isHexidHexadecimal() noexcept {
    return g_hexidHexadecimal.load(std::memory_order_relaxed);
}

std::string gf_pathToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace skyloom
