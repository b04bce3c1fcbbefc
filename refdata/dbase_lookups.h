// The program-wide look-ups in the current dbase (refdata/dbase.h): known codes, model fixes,
// categories, wingspans and cargo. Safe from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "refdata/aircraft_category.h"
#include "refdata/livery_key.h"

namespace skyloom {

// The largest half wingspan (NM) of the current dbase; 0 before one is read.
extern std::atomic<double> g_maxHalfWingSpan;

// True when the dbase's list of ICAO model codes holds the code (exact, case-sensitive).
bool gf_isKnownModel(std::string_view code);
// True when the dbase's list of ICAO airline codes ("ICAO_airlines") holds the code (exact,
// case-sensitive).
bool gf_isKnownAirline(std::string_view code);
// The correct code that the dbase's model fixes give for a wrong one (exact, case-sensitive).
std::optional<std::string> gf_lookupModelFix(std::string_view code);

// Large, Heavy, Bizjet, TwoProps, Rotorcraft and HighPerf are tested in that order against the
// dbase's category lists; a model in none of them is Light.
AircraftCategory gf_modelCategory(std::uint16_t modelId);
// The category of a model code (gf_modelIdOf, which appends a code not yet known).
AircraftCategory gf_modelCategoryOf(std::string_view code);

// Half wingspan in NM: the dbase's wingspan in metres x 0.5 x 0.0005399568034557236; 0 when the
// dbase gives none and for an id of 2700 or more, beyond the wingspan table (unknown).
double gf_wingspan(std::uint16_t modelId);

// True when the key's model is a cargo model or its airline a cargo operator.
bool gf_isCargo(const LiveryKey& key);

} // namespace skyloom
