// aircraft.cfg key extraction: the livery scan reads aircraft.cfg files line by line and never
// parses them as a whole. Each key it cares about has one extractor that says, for a single
// UTF-8 line, whether it is the line of its key and what the value is. A key line is the whole
// line "<blanks>key<blanks>=<blanks>value<blanks>", the key in any ASCII letter case (blanks are
// blank, tab, CR, LF, VT and FF). A value runs from its first to its last non-blank character
// and holds no line break, so a trailing comment outside quotes stays part of it; quoted values
// give the text between the quotes (gf_quotedText). Lines are read in one pass, so a line of
// any length (hostile files hold lines of megabytes) costs time in proportion and no stack.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "liveries/livery_scan_state.h"

namespace skyloom {

// The section number that a header whose number cannot be read stands for ("[fltsim.x]").
inline constexpr int kMaxFltsimNumber = 10000;

// Blank, tab, CR, LF, VT or FF: white space as the C locale classifies it.
bool gf_isCfgBlank(char c) noexcept;

// True when `text` starts with `prefix`, ASCII letters compared in any case.
bool gf_startsWithNoCase(std::string_view text, std::string_view prefix) noexcept;

// True when `key` occurs in `text`, ASCII letters compared in any case; false at once when the
// text is shorter than the key.
bool gf_containsNoCase(std::string_view text, std::string_view key) noexcept;

// title= : the quoted value; no value when the line is no title line or the value is empty.
std::optional<std::string> gf_getTitle(std::string_view line);
// texture= : as for the title.
std::optional<std::string> gf_getTexture(std::string_view line);
// atc_id= : as for the title.
std::optional<std::string> gf_getAtcId(std::string_view line);
// atc_parking_types= : as for the title.
std::optional<std::string> gf_getAtcParkingTypes(std::string_view line);
// icao_airline= : a value whenever the line carries one (quotes included): the quoted text,
// "ZZZ" when that is empty or "ZZZZ", else upper-cased.
std::optional<std::string> gf_getIcaoAirline(std::string_view line);

// icao_type_designator= : the quoted value cut to its first 4 characters when longer,
// upper-cased; empty when the line is no such line.
std::string gf_getIcaoTypeDesignator(std::string_view line);
// base_container= : the ICAO type of the stock aircraft whose folder the value names (the value
// from its fourth character on, dropping a leading "..\"), upper-cased; empty when the value is
// shorter than 4 characters, the folder is not in the stock-aircraft table, or the line is no
// such line.
std::string gf_getBaseContainer(std::string_view line);

// The number text of a [fltsim.N] header: empty for a line that starts with ';' or "//" or
// does not contain "[fltsim." (any case); the digits when the whole line is such a header;
// "10000" when it contains "[fltsim." but is no well-formed header (a number with letters).
std::string gf_getFltsimNumber(std::string_view line);

// The key-name tests used to find a key given twice: "atc_id=" and "atc_parking_types"
// anywhere in the line, in any ASCII letter case.
bool gf_hasAtcIdKey(std::string_view line) noexcept;
bool gf_hasAtcParkingTypesKey(std::string_view line) noexcept;

// The invalid-airline-codes line "{:12} in {} " (code, path as UTF-8) followed by the section's
// header line unchanged.
void gf_addReportLine(LiveryScanState& scan, std::string_view code,
                      const std::filesystem::path& path, std::string_view header);

// The invalid-model-codes line "{:16} in {}" (model code, path as UTF-8).
void gf_addModelReportLine(LiveryScanState& scan, std::string_view model,
                           const std::filesystem::path& path);

} // namespace skyloom
