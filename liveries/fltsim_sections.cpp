#include "liveries/fltsim_sections.h"

#include <charconv>
#include <exception>
#include <limits>
#include <utility>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "foundation/text.h"
#include "liveries/aircraft_cfg_keys.h"
#include "refdata/aircraft_category.h"
#include "refdata/code_table.h"
#include "refdata/dbase_lookups.h"
#include "refdata/registrations.h"

namespace skyloom {
namespace {

constexpr std::size_t kMaxRegistrationChars = 12;

bool lf_startsWith(std::string_view text, std::string_view prefix) noexcept {
    return text.substr(0, prefix.size()) == prefix;
}

bool lf_contains(std::string_view text, std::string_view part) noexcept {
    return text.find(part) != std::string_view::npos;
}

bool lf_endsWith(std::string_view text, std::string_view suffix) noexcept {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string lf_upperCased(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// A header's number as a 32-bit signed integer: an optional '-' and digits, nothing else.
std::optional<std::int32_t> lf_parseSectionNumber(std::string_view text) {
    std::int32_t number = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    return number;
}

bool lf_isBoundary(std::string_view line, SectionBoundary boundary) {
    if (boundary == SectionBoundary::bracketAnywhere) {
        return lf_contains(line, "[");
    }
    const auto first = line.find_first_not_of(" \t");
    return first != std::string_view::npos && line[first] == '[';
}

// The working state of one ordinary section while its lines are read.
class FltsimSection {
public:
    FltsimSection(LiveryScanState& scan, std::string_view header, const std::filesystem::path& path,
                  const std::filesystem::path& folder)
        : scan_(scan), header_(header), path_(gf_pathToUtf8(path)), folder_(gf_pathToUtf8(folder)),
          pathValue_(path) {}

    // Offers the line to the title, airline, parking-types and registration steps in turn;
    // false when the line rejects the section.
    bool readLine(const std::string& line) {
        bool taken = false;
        if (!readTitle(line, taken)) {
            return false;
        }
        if (!taken && !readAirline(line, taken)) {
            return false;
        }
        if (!taken && !readParkingTypes(line, taken)) {
            return false;
        }
        if (!taken && !readRegistration(line)) {
            return false;
        }
        return true;
    }

    std::optional<LiveryRecord> finish(bool usable, std::uint32_t rank, std::string_view model);

private:
    void reportIncomplete(std::string line) { scan_.addIncompleteSection(std::move(line)); }

    bool readTitle(const std::string& line, bool& taken) {
        auto value = gf_getTitle(line);
        if (!value) {
            return true;
        }
        taken = true;
        if (!title_.empty()) {
            reportIncomplete(fmt::format("{} {} has more than one title key", folder_, header_));
            return false;
        }
        title_ = gf_trim(*value);
        // The airliner add-ons put their own liveries beside the AI ones; they cannot fly as AI.
        if ((title_.size() >= 9 && lf_contains(title_, "FenixA320")) ||
            (title_.size() >= 8 && lf_contains(title_, "PMDG 737"))) {
            return false;
        }
        return true;
    }

    bool readAirline(const std::string& line, bool& taken) {
        if (!airline_.empty()) {
            if (gf_containsNoCase(line, "icao_airline")) {
                taken = true;
                reportIncomplete(
                    fmt::format("{} {} has more than one icao_airline key", folder_, header_));
                return false;
            }
            return true;
        }
        auto value = gf_getIcaoAirline(line);
        if (!value) {
            return true;
        }
        taken = true;
        std::string airline = std::move(*value);
        gf_splitAndTrim(airline);
        // A fourth letter X or C marks a variant of the three-letter airline code.
        if (airline.size() == 4 && (airline[3] == 'X' || airline[3] == 'C')) {
            airline.resize(3);
        }
        if (!airline.empty() && gf_isKnownAirline(airline)) {
            airline_ = std::move(airline);
            return true;
        }
        if (airline == "RFO") {
            // Kept, so that no missing-airline line follows: the section is dropped quietly.
            airline_ = std::move(airline);
            return false;
        }
        gf_addReportLine(scan_, airline, pathValue_, header_);
        return true;
    }

    bool readParkingTypes(const std::string& line, bool& taken) {
        if (!parkingTypes_.empty()) {
            if (gf_hasAtcParkingTypesKey(line)) {
                taken = true;
                reportIncomplete(
                    fmt::format("{} {} has more than one atc_parking_types key", folder_, header_));
                return false;
            }
            return true;
        }
        auto value = gf_getAtcParkingTypes(line);
        if (!value) {
            return true;
        }
        taken = true;
        gf_splitAndTrim(*value);
        parkingTypes_ = lf_upperCased(std::move(*value));
        return true;
    }

    bool readRegistration(const std::string& line) {
        if (!registration_.empty()) {
            if (gf_hasAtcIdKey(line)) {
                reportIncomplete(
                    fmt::format("{}, {}, has more than one atc_id key", folder_, header_));
                return false;
            }
            return true;
        }
        const auto value = gf_getAtcId(line);
        if (!value) {
            return true;
        }
        AtcIdValue atcId = gf_readAtcIdValue(*value);
        if (!atcId.valid) {
            reportIncomplete(fmt::format("invalid atc_id={} in: {}", atcId.text, title_));
            return true;
        }
        registration_ = std::move(atcId.registration);
        return true;
    }

    LiveryScanState& scan_;
    std::string header_;
    std::string path_;
    std::string folder_;
    std::filesystem::path pathValue_;
    std::string title_;
    std::string airline_;
    std::string parkingTypes_;
    std::string registration_;
};

std::optional<LiveryRecord> FltsimSection::finish(bool usable, std::uint32_t rank,
                                                  std::string_view model) {
    if (airline_.empty()) {
        reportIncomplete(
            fmt::format("{} {} icao_airline is missing, or it has invalid info ", path_, header_));
    }
    if (!usable) {
        return std::nullopt;
    }
    if (title_.empty()) {
        reportIncomplete(fmt::format("{} {} misses title", folder_, header_));
        return std::nullopt;
    }
    if (title_.size() >= 9 && lf_contains(title_, "Fictional")) {
        return std::nullopt;
    }
    if (title_.size() >= 5 && lf_endsWith(title_, "-STUB")) {
        airline_ = "ZZZ";
    }
    if (scan_.isDontUseTitle(title_)) {
        return std::nullopt;
    }
    // "ZZZ" is no real airline: a registration would tie the livery to one.
    if (airline_ == "ZZZ") {
        registration_.clear();
    }

    std::optional<LiveryKey> registrationKey;
    const auto lookUp = [&] { registrationKey = gf_findRegistration(registration_); };
    const auto registrationAirline = [&]() -> std::uint16_t {
        return registrationKey ? registrationKey->airline : 0;
    };
    if (!registration_.empty()) {
        lookUp();
    }

    const bool airlineFromDbase = !registration_.empty() && registrationAirline() != 0;
    if (airline_.empty() && !airlineFromDbase) {
        const bool heavy = gf_modelCategoryOf(model) == AircraftCategory::Heavy;
        if (!registration_.empty()) {
            if (heavy) {
                reportIncomplete(fmt::format("'{}' '{}' has no airline and regcode not in dbase",
                                             folder_, header_));
                return std::nullopt;
            }
            airline_ = "PVT";
        } else {
            if (heavy) {
                reportIncomplete(
                    fmt::format("'{}' '{}' has no airline and no regcode info", folder_, header_));
                return std::nullopt;
            }
            airline_ = "PVT";
            registration_ = gf_registrationInText(title_).value_or(std::string());
            if (!registration_.empty()) {
                lookUp();
            }
        }
    }

    const bool cargo = parkingTypes_.size() >= 5 && lf_contains(parkingTypes_, "CARGO") &&
                       !lf_contains(parkingTypes_, "GATE");
    LiveryKey key;
    if (registrationAirline() != 0) {
        // The dbase knows who flies this registration; that beats the section's own codes.
        key = *registrationKey;
    } else {
        key = LiveryKey{gf_airlineId(airline_), 0, gf_modelIdOf(model),
                        static_cast<std::uint8_t>(cargo ? 1 : 0), 0};
    }

    LiveryRecord record = gf_makeLiveryRecord(scan_, rank, key, title_, registration_);
    if (record.key.airline != 0 && record.key.model != 0) {
        return record;
    }
    reportIncomplete(fmt::format("{} {} title '{}' already exists", folder_, header_, title_));
    return std::nullopt;
}

} // namespace

bool gf_checkFltsimNumbers(LiveryScanState& scan, const std::vector<std::string>& lines,
                           const std::filesystem::path& path) {
    bool anyHeader = false;
    bool outOfRange = false;
    for (const std::string& line : lines) {
        const std::string text = gf_getFltsimNumber(line);
        if (text.empty()) {
            continue;
        }
        const auto number = lf_parseSectionNumber(text);
        if (!number) {
            LogFile::writeImportant(fmt::format("fltsim num {} incorrect", line));
            return false;
        }
        anyHeader = true;
        if (static_cast<std::uint32_t>(*number) > static_cast<std::uint32_t>(kMaxFltsimNumber)) {
            outOfRange = true;
        }
    }
    if (!anyHeader) {
        scan.addNoFltsimSection(gf_pathToUtf8(path));
        return true;
    }
    if (outOfRange) {
        scan.addInvalidAircraftCfgFile(
            fmt::format("{} contains a [fltsim.x] section with a number < 0 or > {}",
                        gf_pathToUtf8(path), kMaxFltsimNumber));
        return false;
    }
    return true;
}

void gf_cutFltSimSections(const std::vector<std::string>& lines, SectionBoundary boundary,
                          const std::function<void(std::vector<std::string>&)>& process) {
    std::vector<std::string> section;
    section.reserve(kSectionLinesReserve);
    bool collecting = false;
    const auto flush = [&] {
        if (!section.empty()) {
            process(section);
            section.clear();
        }
    };
    for (const std::string& line : lines) {
        if (!gf_getFltsimNumber(line).empty()) {
            flush();
            collecting = true;
            section.push_back(line);
        } else if (lf_isBoundary(line, boundary)) {
            if (collecting) {
                flush();
            }
            collecting = false;
        } else if (collecting) {
            section.push_back(line);
        }
    }
    if (collecting) {
        flush();
    }
}

void gf_dropTrailingComments(std::vector<std::string>& lines) {
    while (!lines.empty()) {
        const std::string& last = lines.back();
        if (!last.empty() && !lf_startsWith(last, ";") && !lf_startsWith(last, "//")) {
            break;
        }
        lines.pop_back();
    }
}

AtcIdValue gf_readAtcIdValue(std::string_view value) {
    AtcIdValue result;
    result.text = std::string(value.substr(0, value.find(';')));
    std::vector<std::string> items;
    for (std::string& item : gf_split(result.text, ',')) {
        if (!item.empty()) {
            items.push_back(std::move(item));
        }
    }
    if (items.empty()) {
        return result;
    }
    for (const std::string& item : items) {
        if (item.size() > kMaxRegistrationChars || item == " " || lf_contains(item, "*")) {
            return result;
        }
    }
    result.valid = true;
    if (items.size() == 1) {
        result.registration = std::move(items.front());
    }
    return result;
}

std::optional<LiveryRecord> gf_procesFltSimSection(LiveryScanState& scan, std::uint32_t rank,
                                                   std::vector<std::string>& lines,
                                                   std::string_view model,
                                                   const std::filesystem::path& path,
                                                   const std::filesystem::path& folder) {
    try {
        gf_dropTrailingComments(lines);
        if (lines.empty()) {
            return std::nullopt;
        }
        FltsimSection section(scan, lines.front(), path, folder);
        bool usable = true;
        for (const std::string& line : lines) {
            if (!section.readLine(line)) {
                usable = false;
                break;
            }
        }
        return section.finish(usable, rank, model);
    } catch (const std::exception& e) {
        LogFile::write(fmt::format("Exception in lf_procesFltSimSection: {}, file: {}", e.what(),
                                   gf_pathToUtf8(path)));
        throw;
    }
}

LiveryRecord gf_makeLiveryRecord(LiveryScanState& scan, std::uint32_t rank, const LiveryKey& key,
                                 std::string_view title, std::string_view regcode) {
    if (!scan.takeTitle(std::string(title))) {
        return {};
    }
    return LiveryRecord{std::string(title), std::string(regcode), key,
                        static_cast<std::uint16_t>(rank)};
}

} // namespace skyloom
