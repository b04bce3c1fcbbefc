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

std::size_t lf_skipBlanks(std::string_view text, std::size_t at) noexcept {
    while (at < text.size() && gf_isCfgBlank(text[at])) {
        ++at;
    }
    return at;
}

// The line of a key: "<blanks>key<blanks>=<blanks>value<blanks>", the key in any ASCII letter
// case, the value running from its first to its last non-blank character and holding no line
// break (a lone CR or LF inside the value makes the line no key line). Read in one pass without
// backtracking, so that a line of any length costs no stack. The raw value, quotes included.
std::optional<std::string_view> lf_rawValue(std::string_view line, std::string_view key) noexcept {
    std::size_t at = lf_skipBlanks(line, 0);
    if (!gf_startsWithNoCase(line.substr(at), key)) {
        return std::nullopt;
    }
    at = lf_skipBlanks(line, at + key.size());
    if (at == line.size() || line[at] != '=') {
        return std::nullopt;
    }
    at = lf_skipBlanks(line, at + 1);
    std::size_t end = line.size();
    while (end > at && gf_isCfgBlank(line[end - 1])) {
        --end;
    }
    const std::string_view value = line.substr(at, end - at);
    if (value.empty() || value.find_first_of("\r\n") != std::string_view::npos) {
        return std::nullopt;
    }
    return value;
}

// The quoted value of a key line; no value when the line is not the key's line.
std::optional<std::string> lf_keyValue(std::string_view line, std::string_view key) {
    const auto raw = lf_rawValue(line, key);
    if (!raw) {
        return std::nullopt;
    }
    return gf_quotedText(*raw);
}

// The rows whose value is the quoted text, present only when not empty.
std::optional<std::string> lf_nonEmptyValue(std::string_view line, std::string_view key) {
    auto value = lf_keyValue(line, key);
    if (!value || value->empty()) {
        return std::nullopt;
    }
    return value;
}

bool lf_startsWith(std::string_view text, std::string_view prefix) noexcept {
    return text.substr(0, prefix.size()) == prefix;
}

} // namespace

bool gf_isCfgBlank(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool gf_startsWithNoCase(std::string_view text, std::string_view prefix) noexcept {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return lf_upperAscii(a) == lf_upperAscii(b); });
}

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

std::optional<std::string> gf_getTitle(std::string_view line) {
    return lf_nonEmptyValue(line, "title");
}

std::optional<std::string> gf_getTexture(std::string_view line) {
    return lf_nonEmptyValue(line, "texture");
}

std::optional<std::string> gf_getAtcId(std::string_view line) {
    return lf_nonEmptyValue(line, "atc_id");
}

std::optional<std::string> gf_getAtcParkingTypes(std::string_view line) {
    return lf_nonEmptyValue(line, "atc_parking_types");
}

std::optional<std::string> gf_getIcaoAirline(std::string_view line) {
    auto value = lf_keyValue(line, "icao_airline");
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
    auto value = lf_keyValue(line, "icao_type_designator");
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
    const auto value = lf_keyValue(line, "base_container");
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
    constexpr std::string_view kHeader = "[fltsim.";
    if (lf_startsWith(line, ";") || lf_startsWith(line, "//")) {
        return {};
    }
    if (!gf_containsNoCase(line, kHeader)) {
        return {};
    }
    // "<blanks>[fltsim.<digits>]<blanks>" and nothing else.
    std::size_t at = lf_skipBlanks(line, 0);
    std::size_t digitsEnd = std::string_view::npos;
    if (gf_startsWithNoCase(line.substr(at), kHeader)) {
        at += kHeader.size();
        digitsEnd = at;
        while (digitsEnd < line.size() && line[digitsEnd] >= '0' && line[digitsEnd] <= '9') {
            ++digitsEnd;
        }
    }
    if (digitsEnd == std::string_view::npos || digitsEnd == at || digitsEnd == line.size() ||
        line[digitsEnd] != ']' || lf_skipBlanks(line, digitsEnd + 1) != line.size()) {
        // A header that names a section but no readable number still starts a section; the
        // number check lets the highest number through.
        return fmt::format("{}", kMaxFltsimNumber);
    }
    return std::string(line.substr(at, digitsEnd - at));
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
