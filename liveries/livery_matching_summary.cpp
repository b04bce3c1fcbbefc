#include "liveries/livery_matching_summary.h"

#include <algorithm>
#include <exception>
#include <utility>

#include <fmt/format.h>

#include "foundation/fnv_hash.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "refdata/code_table.h"

namespace skyloom {
namespace {

constexpr std::string_view kSummaryTitle = "live traffic livery matching summary";

struct MatchRecords {
    MatchStepCounters counters{};
    FnvStringSet failedTitles;
    // Title and "{model} {airline}", in first-report order.
    std::vector<std::pair<std::string, std::string>> failureReport;
    FnvStringSet unmatchedSet;
    std::vector<std::string> unmatched;
};

MatchRecords& lf_records() {
    static MatchRecords records;
    return records;
}

} // namespace

void gf_countLiveryMatch(std::size_t step) {
    if (step >= kMatchStepCount) {
        // The ladders never make such a step: a fault in the program, not in the data.
        std::terminate();
    }
    ++lf_records().counters[step];
}

const MatchStepCounters& gf_matchStepCounters() {
    return lf_records().counters;
}

std::string gf_formatLiveryKey(const LiveryKey& key) {
    const std::string operatorText =
        key.operatorId != 0 ? fmt::format(",{}", gf_airlineCode(key.operatorId)) : "    ";
    return fmt::format("{:3}{} {:4}{}", gf_airlineCode(key.airline), operatorText,
                       gf_modelCode(key.model), key.fromRegistration != 0 ? '.' : ' ');
}

std::string gf_formatLiveryLine(const LiveryAircraft& aircraft) {
    return fmt::format("{:8} {:12} {} {}", aircraft.callsign, aircraft.regcode,
                       gf_origDestText(aircraft.origin, aircraft.destination),
                       gf_formatLiveryKey(aircraft.key));
}

std::string gf_origDestText(const IataCode& origin, const IataCode& destination) {
    if (!origin.isSet() && !destination.isSet()) {
        return std::string(8, ' ');
    }
    return fmt::format("{:3}->{:3}", origin.view(), destination.view());
}

std::size_t gf_recordFailedLiveryTitle(std::string_view title, std::string_view modelAndAirline) {
    auto& records = lf_records();
    if (records.failedTitles.emplace(title).second) {
        records.failureReport.emplace_back(std::string(title), std::string(modelAndAirline));
    }
    return records.failedTitles.size();
}

bool gf_isFailedLiveryTitle(std::string_view title) {
    const auto& failed = lf_records().failedTitles;
    return !failed.empty() && failed.contains(title);
}

std::size_t gf_failedLiveryTitleCount() {
    return lf_records().failedTitles.size();
}

std::vector<std::string> gf_failedLiveryTitles() {
    std::vector<std::string> lines;
    for (const auto& [title, modelAndAirline] : lf_records().failureReport) {
        lines.push_back("  " + title);
    }
    return lines;
}

void gf_clearFailedLiveryTitles() {
    auto& records = lf_records();
    records.failedTitles.clear();
    records.failureReport.clear();
}

bool gf_addUnmatchedType(std::string_view text) {
    auto& records = lf_records();
    if (!records.unmatchedSet.emplace(text).second) {
        return false;
    }
    records.unmatched.emplace_back(text);
    return true;
}

void gf_writeLiveryMatchingSummary() {
    const auto failed = gf_failedLiveryTitles();
    const auto& counters = lf_records().counters;
    if (std::none_of(counters.begin(), counters.end(), [](std::int32_t n) { return n > 0; })) {
        return;
    }
    std::vector<std::string> lines;
    lines.push_back(gf_titleLine(kSummaryTitle));
    lines.emplace_back("Matches at step: ");
    for (std::size_t step = 0; step < kMatchStepCount; ++step) {
        lines.push_back(fmt::format("  {}: {}", step, counters[step]));
    }
    if (!failed.empty()) {
        lines.emplace_back("\nCould not be created");
        lines.insert(lines.end(), failed.begin(), failed.end());
    }
    lines.push_back(gf_titleLine(""));
    for (const auto& line : lines) {
        LogFile::write(line);
    }
}

void gf_logUnmatchedTypes() {
    const auto& unmatched = lf_records().unmatched;
    if (unmatched.empty()) {
        return;
    }
    LogFile::write("\nNo match found for:");
    for (const auto& text : unmatched) {
        LogFile::write(text);
    }
    LogFile::write("");
}

void gf_resetLiveryMatchRecords() {
    lf_records() = MatchRecords{};
}

} // namespace skyloom
