// The airport scan's tunable limits, with their units in their names.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace skyloom {

// A BGL file larger than this is not read (the reader holds a whole file in memory; a sparse or
// damaged file can claim any size): the scan log says so. Airport BGL files are far smaller.
inline constexpr std::uintmax_t kMaxBglFileBytes = 256u * 1024u * 1024u;

// A BGL file whose probing or reading takes this long or longer is reported in the log.
inline constexpr std::chrono::seconds kSlowBglFileSeconds{1};

// The sub-records of one airport record are walked at most this many steps; a longer walk
// means a damaged record.
inline constexpr std::size_t kMaxAirportSubRecordSteps = 9000;

// A stand id already taken at an airport gets one of this many letters ("a" to "j") appended;
// when all are taken too, the entry is skipped.
inline constexpr std::size_t kMaxDuplicateStandSuffixes = 10;

} // namespace skyloom
