// The simulator's zulu date and time as seconds since 1970-01-01 00:00 UTC. The simulator gives
// a year, a day of that year and the seconds of the day; the program clock and the time-shift
// code compare that moment with real time.
#pragma once

#include <cstdint>
#include <optional>

namespace skyloom {

// The years the simulator can report.
inline constexpr std::int64_t kSimZuluYearMin = -32767;
inline constexpr std::int64_t kSimZuluYearMax = 32767;
inline constexpr std::int64_t kSecondsPerDay = 86400;

// Gregorian: divisible by 4 and not by 100 unless by 400.
bool gf_isGregorianLeapYear(std::int64_t year) noexcept;

// Seconds since the epoch of that zulu time; no value when the year lies outside -32767 to
// 32767, the day outside 1 to the length of that year, or the seconds outside 0 to 86399.
std::optional<std::int64_t> gf_simZuluToUtcSeconds(std::int64_t year, std::int64_t dayOfYear,
                                                   std::int64_t secondsOfDay) noexcept;

} // namespace skyloom
