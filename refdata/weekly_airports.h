// RealTraffic's weekly airport list: the airports for which RealTraffic has traffic this week,
// read from the data set "wktraffic" (docs/data-sets.md). The airport scan reloads it before it
// scans and empties it when it ends; scan steps on the main worker thread and readers on other
// threads meet under the set's mutex.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

#include "foundation/icao_code.h"

namespace skyloom {

inline constexpr std::string_view kWeeklyTrafficDataSetName = "wktraffic";

// Reloads the list from the folder (the input folder without argument) and swaps it in. False,
// with the reason logged, when it cannot be read; the previous set then stays.
bool gf_refreshWeeklyTrafficAirports();
bool gf_refreshWeeklyTrafficAirports(const std::filesystem::path& folder);

// True when the weekly set holds the code (binary search under the set's mutex).
bool gf_isWeeklyTrafficAirport(const IcaoCode& icao);

// Empties the set (the airport scan's end step).
void gf_clearWeeklyTrafficAirports();

std::size_t gf_weeklyTrafficAirportCount();

} // namespace skyloom
