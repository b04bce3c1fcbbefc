// What the window asks of the park-airport list and the airport files, as one set of
// functions that the program fills when it brings the parking up: the stand list of an
// airport's file, the stand the user reserved at an airport, making an airport the park
// airport, and recording a newly reserved stand. A function not filled means that part of
// the parking is not there: the window then says so and goes on without it.
// The set is filled before the window and the worker start, and only read afterwards.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "foundation/icao_code.h"
#include "foundation/lalo.h"

namespace skyloom {

// One stand of an airport's file: its name and its sid (1-based place in the file).
struct StandListEntry {
    std::string name;
    std::uint32_t sid = 0;
};

// The stands of an airport's file in the file's order, or why they could not be read.
struct ApfStandList {
    bool read = false;
    std::string failure;
    std::vector<StandListEntry> stands;
};

struct ParkAirportLinks {
    // gf_readApfForStands: the stands of the airport's file.
    std::function<ApfStandList(const IcaoCode& airport)> readApfForStands;
    // gf_findParkAirportName: the stand reserved at the airport, when the list keeps one.
    std::function<std::optional<std::string>(const IcaoCode& airport)> findParkAirportName;
    // gf_setParkAirportPosition: the airport becomes the park airport at the position.
    std::function<void(const IcaoCode& airport, const Lalo& position)> setParkAirportPosition;
    // Records `stand` as the reserved stand of `airport`; false when the list does not hold
    // the airport.
    std::function<bool(const std::string& airport, const std::string& stand)> reserveStand;
};

// The program's links (empty until the parking fills them).
ParkAirportLinks& gf_parkAirportLinks();

} // namespace skyloom
