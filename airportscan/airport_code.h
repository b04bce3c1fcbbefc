// The ICAO code of an installed airport package, found in the texts the scan has of it: its
// folder path, the stem of its BGL file, the title of its manifest. Only codes that pass the
// caller's tests count (the scan asks for airports it knows and for which RealTraffic has
// traffic this week).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/icao_code.h"
#include "refdata/airport_file.h"

namespace skyloom {

// The two tests a code must pass: known to the airports table, and in RealTraffic's weekly
// airport list (the scan passes gf_airportKnown and gf_isWeeklyTrafficAirport).
struct AirportCodeTests {
    std::function<bool(const IcaoCode&)> known;
    std::function<bool(const IcaoCode&)> weeklyTraffic;
};

// gf_airportKnown and gf_isWeeklyTrafficAirport.
AirportCodeTests gf_scanAirportCodeTests();

// The first run of exactly four letters or digits in the text (upper-cased; bounded by the
// text's ends or by other characters) that is not "FS24" and passes both tests.
std::optional<IcaoCode> gf_icaoFromPath(std::string_view text, const AirportCodeTests& tests);

// The airport's code, looked for in this order, each find noted in `scanLog`:
// 1. its `bglPath` text, both tests ("airport has code '{}' in BGL path");
// 2. the stem of its `sourcePath` as a code, the weekly-traffic test alone ("airport has code
//    '{}' in stem");
// 3. the title of its package manifest (searched upwards from `sourcePath` and stored in
//    `package` when it has none yet), both tests ("airport has code '{}' in title of
//    manifest").
std::optional<IcaoCode> gf_airportCodeOfPackage(AirportFile& airport,
                                                const AirportCodeTests& tests,
                                                std::vector<std::string>& scanLog);

} // namespace skyloom
