// The airport scan's tunable limits, with their units in their names.
#pragma once

#include <chrono>
#include <cstddef>

namespace skyloom {

// A BGL file whose probing or reading takes this long or longer is reported in the log.
inline constexpr std::chrono::seconds kSlowBglFileSeconds{1};

// The sub-records of one airport record are walked at most this many steps; a longer walk
// means a damaged record.
inline constexpr std::size_t kMaxAirportSubRecordSteps = 9000;

// A stand id already taken at an airport gets one of this many letters ("a" to "j") appended;
// when all are taken too, the entry is skipped.
inline constexpr std::size_t kMaxDuplicateStandSuffixes = 10;

} // namespace skyloom
