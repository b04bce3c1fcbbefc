#include "feed/feed_fields.h"

#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <limits>
#include <system_error>

#include <fmt/format.h>

#include "foundation/geodesy.h"

namespace skyloom {
namespace {

std::string_view lf_trimBlanks(std::string_view text) noexcept {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool lf_isDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

// A shortened, printable copy of a bad value for error texts: a binary or huge field must not
// flood the log.
std::string lf_shown(std::string_view text) {
    constexpr std::size_t kShownLength = 24;
    std::string shown;
    for (const char c : text.substr(0, kShownLength)) {
        const auto byte = static_cast<unsigned char>(c);
        shown += byte >= 0x20 && byte < 0x7F ? c : '?';
    }
    if (text.size() > kShownLength) {
        shown += "...";
    }
    return shown;
}

[[noreturn]] void lf_outOfRange(std::string_view name, double value) {
    throw FeedRecordError(fmt::format("{} {} is out of range", name, value));
}

double lf_checkRange(std::string_view name, double value, double min, double max) {
    if (!(value >= min && value <= max)) {
        lf_outOfRange(name, value);
    }
    return value;
}

} // namespace

bool gf_isUnknownFeedText(std::string_view text) noexcept {
    text = lf_trimBlanks(text);
    return text.empty() || text == "null";
}

std::optional<double> gf_parseFeedNumber(std::string_view text) noexcept {
    // The shape is checked first: from_chars alone would take "inf", "nan" and leave a tail.
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    while (i < text.size() && lf_isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && lf_isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        std::size_t exponentDigits = 0;
        while (i < text.size() && lf_isDigit(text[i])) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return std::nullopt;
        }
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    // from_chars takes no '+'; a leading '.' it does take.
    std::string_view number = text;
    if (number.front() == '+') {
        number.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc{} || end != number.data() + number.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

double gf_requiredNumber(std::string_view name, std::string_view text) {
    if (gf_isUnknownFeedText(text)) {
        throw FeedRecordError(fmt::format("{} is missing", name));
    }
    if (const auto value = gf_parseFeedNumber(lf_trimBlanks(text))) {
        return *value;
    }
    throw FeedRecordError(fmt::format("{} '{}' is not a number", name, lf_shown(text)));
}

std::optional<double> gf_optionalNumber(std::string_view name, std::string_view text) {
    if (gf_isUnknownFeedText(text)) {
        return std::nullopt;
    }
    if (const auto value = gf_parseFeedNumber(lf_trimBlanks(text))) {
        return value;
    }
    throw FeedRecordError(fmt::format("{} '{}' is not a number", name, lf_shown(text)));
}

double gf_checkLatitude(double degrees) {
    return lf_checkRange("latitude", degrees, -90.0, 90.0);
}

double gf_checkLongitude(double degrees) {
    return lf_checkRange("longitude", degrees, -180.0, 180.0);
}

Lalo gf_checkPosition(double latitude, double longitude) {
    const Lalo position{gf_checkLatitude(latitude), gf_checkLongitude(longitude)};
    if (!gf_isValidLalo(position)) {
        throw FeedRecordError(fmt::format("position {},{} is not valid", latitude, longitude));
    }
    return position;
}

double gf_checkAltitudeFt(double feet) {
    return lf_checkRange("altitude", feet, kMinFeedAltitudeFt, kMaxFeedAltitudeFt);
}

double gf_checkSpeedKt(std::string_view name, double knots) {
    return lf_checkRange(name, knots, 0.0, kMaxFeedSpeedKt);
}

double gf_checkVerticalSpeedFpm(double feetPerMinute) {
    return lf_checkRange("vertical speed", feetPerMinute, -kMaxFeedVerticalSpeedFpm,
                         kMaxFeedVerticalSpeedFpm);
}

double gf_checkDirectionDeg(std::string_view name, double degrees) {
    lf_checkRange(name, degrees, 0.0, 360.0);
    return degrees == 360.0 ? 0.0 : degrees;
}

double gf_checkBankDeg(double degrees) {
    return lf_checkRange("roll", degrees, -180.0, 180.0);
}

double gf_checkTimestamp(double unixSeconds) {
    return lf_checkRange("timestamp", unixSeconds, kMinFeedTimestamp, kMaxFeedTimestamp);
}

double gf_checkTimestampNotAhead(double unixSeconds, Clock::UtcTime receivedAt) {
    const double now = std::chrono::duration<double>(receivedAt.time_since_epoch()).count();
    const double ahead = unixSeconds - now;
    if (ahead > kMaxFeedTimestampAheadSeconds) {
        throw FeedRecordError(
            fmt::format("time stamp {} lies {:.0f} s ahead of the clock", unixSeconds, ahead));
    }
    return unixSeconds;
}

std::uint8_t gf_checkFlag(std::string_view name, double value) {
    if (value == 0.0) {
        return 0;
    }
    if (value == 1.0) {
        return 1;
    }
    throw FeedRecordError(fmt::format("{} {} is not 0 or 1", name, value));
}

std::string gf_feedText(std::string_view name, std::string_view text, std::size_t maxLength) {
    if (gf_isUnknownFeedText(text)) {
        return {};
    }
    const std::string_view trimmed = lf_trimBlanks(text);
    bool valid = trimmed.size() <= maxLength;
    for (const char c : trimmed) {
        const auto byte = static_cast<unsigned char>(c);
        valid = valid && byte >= 0x20 && byte < 0x7F;
    }
    if (!valid) {
        throw FeedRecordError(fmt::format("{} '{}' is not a valid text", name, lf_shown(text)));
    }
    return std::string(trimmed);
}

IataCode gf_feedIataCode(std::string_view text) noexcept {
    return IataCode::parse(lf_trimBlanks(text)).value_or(IataCode{});
}

std::optional<std::string> gf_airlineFromCallsign(std::string_view callsign) {
    if (callsign.size() < 4 || !lf_isDigit(callsign[3])) {
        return std::nullopt;
    }
    std::string code;
    for (const char c : callsign.substr(0, 3)) {
        if (std::isalpha(static_cast<unsigned char>(c)) == 0) {
            return std::nullopt;
        }
        code += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return code;
}

std::uint32_t gf_decimalHexid(std::string_view text) {
    const std::string_view trimmed = lf_trimBlanks(text);
    std::uint64_t value = 0;
    bool valid = !trimmed.empty() && trimmed.size() <= 10;
    for (const char c : trimmed) {
        valid = valid && lf_isDigit(c);
        if (valid) {
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
        }
    }
    if (!valid || value > std::numeric_limits<std::uint32_t>::max()) {
        throw FeedRecordError(fmt::format("hexid '{}' is not a decimal id", lf_shown(text)));
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<std::uint32_t> gf_parseHexadecimalHexid(std::string_view text) noexcept {
    const std::string_view trimmed = lf_trimBlanks(text);
    if (trimmed.empty() || trimmed.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    const auto [end, error] =
        std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value, 16);
    if (error != std::errc{} || end != trimmed.data() + trimmed.size()) {
        return std::nullopt;
    }
    return value;
}

std::uint32_t gf_hexadecimalHexid(std::string_view text) {
    if (const auto value = gf_parseHexadecimalHexid(text)) {
        return *value;
    }
    throw FeedRecordError(fmt::format("hexid '{}' is not a hexadecimal id", lf_shown(text)));
}

} // namespace skyloom
