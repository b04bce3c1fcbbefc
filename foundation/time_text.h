// Clock texts for the log and the window: UTC now, and the program clock (marked "<<< " while
// a time shift is in force).
#pragma once

#include <cstdint>
#include <string>

#include "foundation/clock.h"

namespace skyloom {

// UTC now as "hh:mm:ss".
std::string gf_timeText();
// UTC now as "{day} {month name} {year} {hh}:{mm}Z", e.g. "7 Dec 2026 07:15Z".
std::string gf_dateTimeText();
// The program clock as "hh:mm:ss", "<<< hh:mm:ss" while shifted.
std::string gf_programTimeText();
// The program clock as "hh:mm", "<<< hh:mm" while shifted.
std::string gf_programTimeTextShort();
// "Mon" to "Sun" for 1 to 7, "???" otherwise.
std::string gf_weekdayName(std::int32_t weekday);

// The same texts for a given moment (the functions above use the clocks).
std::string gf_timeTextOf(Clock::UtcTime t);
std::string gf_dateTimeTextOf(Clock::UtcTime t);

} // namespace skyloom
