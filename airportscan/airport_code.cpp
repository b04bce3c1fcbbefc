#include "airportscan/airport_code.h"

#include <regex>

#include <fmt/format.h>

#include "airportscan/package_manifest.h"
#include "foundation/text.h"
#include "refdata/airports.h"
#include "refdata/weekly_airports.h"

namespace skyloom {

AirportCodeTests gf_scanAirportCodeTests() {
    return AirportCodeTests{gf_airportKnown, gf_isWeeklyTrafficAirport};
}

std::optional<IcaoCode> gf_icaoFromPath(std::string_view text, const AirportCodeTests& tests) {
    static const std::regex kCodePattern("(?:^|[^A-Z0-9])([A-Z0-9]{4})(?=$|[^A-Z0-9])",
                                         std::regex::ECMAScript | std::regex::optimize);
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    for (auto it = std::sregex_iterator(upper.begin(), upper.end(), kCodePattern);
         it != std::sregex_iterator(); ++it) {
        const std::string candidate = (*it)[1].str();
        if (candidate == "FS24") {
            continue;
        }
        const std::optional<IcaoCode> code = IcaoCode::parse(candidate);
        if (code && tests.known(*code) && tests.weeklyTraffic(*code)) {
            return code;
        }
    }
    return std::nullopt;
}

std::optional<IcaoCode> gf_airportCodeOfPackage(AirportFile& airport,
                                                const AirportCodeTests& tests,
                                                std::vector<std::string>& scanLog) {
    if (const auto code = gf_icaoFromPath(airport.bglPath, tests)) {
        scanLog.push_back(fmt::format("airport has code '{}' in BGL path", *code));
        return code;
    }
    const std::optional<IcaoCode> stem =
        IcaoCode::parse(gf_pathToUtf8(airport.sourcePath.stem()));
    if (stem && tests.weeklyTraffic(*stem)) {
        scanLog.push_back(fmt::format("airport has code '{}' in stem", *stem));
        return stem;
    }
    if (!airport.package) {
        airport.package = gf_searchManifest(airport.sourcePath, scanLog);
    }
    if (airport.package) {
        if (const auto code = gf_icaoFromPath(airport.package->title, tests)) {
            scanLog.push_back(fmt::format("airport has code '{}' in title of manifest", *code));
            return code;
        }
    }
    return std::nullopt;
}

} // namespace skyloom
