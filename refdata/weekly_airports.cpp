#include "refdata/weekly_airports.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <vector>

#include <fmt/format.h>

#include "config/program_paths.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "refdata/data_set.h"

namespace skyloom {

namespace {

struct WeeklySet {
    std::mutex mutex;
    std::vector<IcaoCode> codes;
};

WeeklySet& lf_set() {
    static WeeklySet set;
    return set;
}

} // namespace

bool gf_refreshWeeklyTrafficAirports() {
    return gf_refreshWeeklyTrafficAirports(gf_inputFolder());
}

bool gf_refreshWeeklyTrafficAirports(const std::filesystem::path& folder) {
    std::vector<IcaoCode> codes;
    std::size_t invalid = 0;
    try {
        const auto set = gf_loadDataSetFrom(folder, kWeeklyTrafficDataSetName);
        const auto weekly = set->root().child("weekly");
        if (!weekly) {
            throw std::runtime_error(
                fmt::format("{}: no 'weekly' element", gf_pathToUtf8(set->path)));
        }
        for (const auto w : weekly.children("w")) {
            for (const auto& text : gf_splitComma(w.attribute("aps").as_string())) {
                if (const auto code = IcaoCode::parse(text)) {
                    codes.push_back(*code);
                } else {
                    ++invalid;
                }
            }
        }
        LogFile::write(fmt::format("RT weekly airports {} version {}", gf_pathToUtf8(set->path),
                                   set->version));
    } catch (const std::exception& e) {
        LogFile::writeImportant(fmt::format("RT weekly airports not read: {}", e.what()));
        return false;
    }
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    LogFile::write(fmt::format("{:5} RT weekly airports", codes.size()));
    if (invalid > 0) {
        LogFile::writeImportant(fmt::format("{} invalid codes in the RT weekly airports", invalid));
    }
    auto& set = lf_set();
    std::lock_guard lock(set.mutex);
    set.codes.swap(codes);
    return true;
}

bool gf_isWeeklyTrafficAirport(const IcaoCode& icao) {
    auto& set = lf_set();
    std::lock_guard lock(set.mutex);
    return std::binary_search(set.codes.begin(), set.codes.end(), icao);
}

void gf_clearWeeklyTrafficAirports() {
    auto& set = lf_set();
    std::lock_guard lock(set.mutex);
    set.codes.clear();
    set.codes.shrink_to_fit();
}

std::size_t gf_weeklyTrafficAirportCount() {
    auto& set = lf_set();
    std::lock_guard lock(set.mutex);
    return set.codes.size();
}

} // namespace skyloom
