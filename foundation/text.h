// Small text helpers used program-wide: trimming, splitting and comma lists, quoted values,
// framed title lines for the log, version texts and dotted versions, number and object-id
// texts, and paths as UTF-8.
#pragma once

#include <compare>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace skyloom {

// Width of a line made by gf_titleLine.
inline constexpr std::size_t kTitleLineColumns = 100;

// The text without blanks, tabs, CR and LF at both ends.
std::string gf_trim(std::string_view text);

// True when the texts are equal with ASCII letters compared ignoring case.
bool gf_equalsIgnoringCase(std::string_view a, std::string_view b) noexcept;

// The pieces between separators, each trimmed as by gf_trim; pieces that are empty after
// trimming are kept, so the number of pieces is always the number of separators plus one
// ("" gives one empty piece).
std::vector<std::string> gf_split(std::string_view text, char separator);

// gf_split at ',' without the pieces that are empty after trimming; an empty or blank text
// gives no piece.
std::vector<std::string> gf_splitComma(std::string_view text);

// The trimmed pieces between commas, empty pieces kept; only the empty text gives no piece.
std::vector<std::string> gf_splitAtComma(std::string_view text);

// Normalises a comma list in place: unchanged when it holds no blank, tab, CR or LF;
// otherwise split at ',', each item trimmed, empty items dropped and the rest joined with ','.
void gf_splitAndTrim(std::string& text);

// The value between double quotes: with two quote characters and at least one character
// between the first two, those characters; with one quote character, or the first two
// adjacent, an empty text; with none, the whole text.
std::string gf_quotedText(std::string_view text);

// The trimmed, non-empty pieces of a comma list, sorted byte-wise, without duplicates.
std::set<std::string> gf_commaListToSortedSet(std::string_view text);

// A line of 100 columns with the text, a blank on each side, centred between runs of '*'.
// Columns count code points. When the padding is odd, the right run gets the extra '*'. An
// empty text gives 100 '*'. A text too long to leave at least one '*' on each side (97 or
// more code points) is never cut: the line becomes "* text *", longer than 100 columns.
std::string gf_titleLine(std::string_view text);

// "{}.{}.{}"
std::string gf_versionText(std::uint32_t major, std::uint32_t minor, std::uint32_t patch);

// The text without its '.' characters ("1.2.3" gives "123").
std::string gf_removeDots(std::string_view text);

// A version such as "1.2.3" or "2.0-RC2": one or more dot-separated numbers, and after a '-'
// an optional suffix, upper-cased, whose value is the number that ends it ("RC2" has the value
// 2; a suffix without final digits has the value 0).
struct DottedVersion {
    std::vector<std::uint32_t> numbers;
    std::string suffix; // empty when the version has none
    std::uint32_t suffixValue = 0;

    bool hasSuffix() const { return !suffix.empty(); }

    // Numbers from left to right, a missing number counting as 0 (1.2 equals 1.2.0). With all
    // numbers equal, a version without suffix ranks above one with a suffix; two suffixes
    // rank by their text without the final digits (byte-wise: ALPHA < BETA < RC), then by
    // their value (RC2 < RC10).
    friend std::strong_ordering operator<=>(const DottedVersion& a, const DottedVersion& b);
    friend bool operator==(const DottedVersion& a, const DottedVersion& b) {
        return (a <=> b) == std::strong_ordering::equal;
    }
};

// The version a text holds (blanks around it ignored), or no value when the text is not of
// that form: an empty number, a number above 4294967295, a stray character, an empty suffix
// or one with characters other than letters, digits, '.', '_' and '-'. Throws nothing.
std::optional<DottedVersion> gf_parseDottedVersion(std::string_view text) noexcept;

// "{:.0f}" when the value is whole, else "{:.1f}".
std::string gf_numberText(double value);

// Object ids and hexids in log lines: "{:x}" while ids are shown in hexadecimal (the
// simulator is MSFS 2020), else "{}". Hexadecimal until configuration says otherwise.
std::string gf_hexidText(std::uint32_t value);
void gf_setHexidHexadecimal(bool hexadecimal) noexcept;
bool gf_isHexidHexadecimal() noexcept;

// The path's text as UTF-8, for every message that names a file.
std::string gf_pathToUtf8(const std::filesystem::path& path);

} // namespace skyloom
