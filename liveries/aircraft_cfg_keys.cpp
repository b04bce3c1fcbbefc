#include "liveries/aircraft_cfg_keys.h"

#include <algorithm>
#include <cstddef>

#include <fmt/format.h>

#include "foundation/text.h"
#include "liveries/stock_aircraft.h"

namespace skyloom {
namespace {

constexpr char lf_upperAscii(char c) noexcept {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string lf_upperCased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), lf_upperAscii);
    return text;
}

std::regex lf_compile(const char* pattern) {
    return std::regex(pattern, std::regex::ECMAScript | std::regex::icase);
}

// The quoted value of a key line: the key test first, then the full match; no value when the
// line is not the key's line.
std::optional<std::string> lf_keyValue(std::string_view line, std::string_view key,
                                       const std::regex& expression) {
    if (!gf_containsNoCase(line, key)) {
        return std::nullopt;
    }
    std::match_results<std::string_view::const_iterator> match;
    if (!std::regex_match(line.begin(), line.end(), match, expression)) {
        return std::nullopt;
    }
    return gf_quotedText(std::string_view(match[2].first, match[2].second));
}

// The rows whose value is the quoted text, present only when not empty.
std::optional<std::string> lf_nonEmptyValue(std::string_view line, std::string_view key,
                                            const std::regex& expression) {
    auto value = lf_keyValue(line, key, expression);
    if (!value || value->empty()) {
        return std::nullopt;
    }
    return value;
}

bool lf_startsWith(std::string_view text, std::string_view prefix) noexcept {
    return text.substr(0, prefix.size()) == prefix;
}

} // namespace

bool gf_containsNoCase(std::string_view text, std::string_view key) noexcept {
    if (text.size() < key.size()) {
        return false;
    }
    if (key.empty()) {
        return true;
    }
    const auto found =
        std::search(text.begin(), text.end(), key.begin(), key.end(),
                    [](char a, char b) { return lf_upperAscii(a) == lf_upperAscii(b); });
    return found != text.end();
}

std::string gf_regexValue(std::string_view line, const std::regex& expression) {
    std::match_results<std::string_view::const_iterator> match;
    if (!std::regex_match(line.begin(), line.end(), match, expression) || match.size() < 3) {
        return {};
    }
    return match[2].str();
}

std::optional<std::string> gf_getTitle(std::string_view line) {
    static const std::regex expression = lf_compile(R"(\s*(title)\s*=\s*(.*\S)\s*)");
    return lf_nonEmptyValue(line, "title", expression);
}

std::optional<std::string> gf_getTexture(std::string_view line) {
    static const std::regex expression = lf_compile(R"(\s*(texture)\s*=\s*(.*\S)\s*)");
    return lf_nonEmptyValue(line, "texture", expression);
}

std::optional<std::string> gf_getAtcId(std::string_view line) {
    static const std::regex expression = lf_compile(R"(\s*(atc_id)\s*=\s*(.*\S)\s*)");
    return lf_nonEmptyValue(line, "atc_id", expression);
}

std::optional<std::string> gf_getAtcParkingTypes(std::string_view line) {
    static const std::regex expression = lf_compile(R"(\s*(atc_parking_types)\s*=\s*(.*\S)\s*)");
    return lf_nonEmptyValue(line, "atc_parking_types", expression);
}

std::optional<std::string> gf_getIcaoAirline(std::string_view line) {
    static const std::regex expression = lf_compile(R"(\s*(icao_airline)\s*=\s*(.*\S)\s*)");
    auto value = lf_keyValue(line, "icao_airline", expression);
    if (!value) {
        return std::nullopt;
    }
    // Upper-cased before the comparison, so that "zzzz" is the placeholder as well.
    std::string airline = lf_upperCased(std::move(*value));
    if (airline.empty() || airline == "ZZZZ") {
        airline = "ZZZ";
    }
    return airline;
}

std::string gf_getIcaoTypeDesignator(std::string_view line) {
    static const std::regex expression = lf_compile(R"(\s*(icao_type_designator)\s*=\s*(.*\S)\s*)");
    auto value = lf_keyValue(line, "icao_type_designator", expression);
    if (!value) {
        return {};
    }
    // Longer designators ("B738-800") carry a variant after the four-character ICAO type.
    if (value->size() >= 5) {
        value->resize(4);
    }
    return lf_upperCased(std::move(*value));
}

std::string gf_getBaseContainer(std::string_view line) {
    static const std::regex expression = lf_compile(R"(\s*(base_container)\s*=\s*(.*\S)\s*)");
    const auto value = lf_keyValue(line, "base_container", expression);
    if (!value || value->size() < 4) {
        return {};
    }
    // The value is a relative folder such as "..\Asobo_A320_NEO": the stock folder's name
    // follows the leading "..\" or "../".
    const auto type = gf_stockAircraftType(std::string_view(*value).substr(3));
    if (!type) {
        return {};
    }
    return lf_upperCased(std::string(*type));
}

std::string gf_getFltsimNumber(std::string_view line) {
    static const std::regex expression = lf_compile(R"(\s*(\[fltsim\.)(\d+)\]\s*)");
    if (lf_startsWith(line, ";") || lf_startsWith(line, "//")) {
        return {};
    }
    if (!gf_containsNoCase(line, "[fltsim.")) {
        return {};
    }
    std::string number = gf_regexValue(line, expression);
    if (number.empty()) {
        // A header that names a section but no readable number still starts a section; the
        // number check lets the highest number through.
        return fmt::format("{}", kMaxFltsimNumber);
    }
    return number;
}

bool gf_hasAtcIdKey(std::string_view line) noexcept {
    return gf_containsNoCase(line, "atc_id=");
}

bool gf_hasAtcParkingTypesKey(std::string_view line) noexcept {
    return gf_containsNoCase(line, "atc_parking_types");
}

void gf_addReportLine(LiveryScanState& scan, std::string_view code,
                      const std::filesystem::path& path, std::string_view header) {
    std::string line = fmt::format("{:12} in {} ", code, gf_pathToUtf8(path));
    line += header;
    scan.addInvalidAirlineCode(std::move(line));
}

void gf_addModelReportLine(LiveryScanState& scan, std::string_view model,
                           const std::filesystem::path& path) {
    scan.addInvalidModelCode(fmt::format("{:16} in {}", model, gf_pathToUtf8(path)));
}

} // namespace skyloom
