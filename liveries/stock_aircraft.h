// The stock-aircraft table: the folders of the simulator's own aircraft (and of one freeware
// aircraft) as a base_container line of an aircraft.cfg names them, with their ICAO types. A
// livery that borrows a stock aircraft's model and gives no icao_type_designator gets its model
// from here. Fixed at build time; safe from any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace skyloom {

inline constexpr std::size_t kStockAircraftCount = 30;

// The ICAO type of a stock aircraft folder name (exact, case-sensitive: "Asobo_A320_NEO" gives
// "A20N"); no value for any other name.
std::optional<std::string_view> gf_stockAircraftType(std::string_view folderName);

} // namespace skyloom
