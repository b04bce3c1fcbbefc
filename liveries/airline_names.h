// The fixed table of airline names by airline code, by which the livery choice recognises the
// liveries of an airline flown for an operator (and the reverse) in the livery titles: a
// title that names the airline, compared without regard to letter case.
#pragma once

#include <string_view>

namespace skyloom {

// The name of the airline with exactly this code ("DLH" gives "Lufthansa"); the empty text for
// a code the table does not hold. The table is built once, on first use, from any thread.
std::string_view gf_airlineName(std::string_view code);

} // namespace skyloom
