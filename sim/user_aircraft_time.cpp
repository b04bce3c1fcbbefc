#include "sim/user_aircraft_time.h"

#include <chrono>

namespace skyloom {

bool gf_isGregorianLeapYear(std::int64_t year) noexcept {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

std::optional<std::int64_t> gf_simZuluToUtcSeconds(std::int64_t year, std::int64_t dayOfYear,
                                                   std::int64_t secondsOfDay) noexcept {
    if (year < kSimZuluYearMin || year > kSimZuluYearMax) {
        return std::nullopt;
    }
    const std::int64_t daysInYear = gf_isGregorianLeapYear(year) ? 366 : 365;
    if (dayOfYear < 1 || dayOfYear > daysInYear || secondsOfDay < 0 ||
        secondsOfDay >= kSecondsPerDay) {
        return std::nullopt;
    }
    using namespace std::chrono;
    const sys_days newYear{std::chrono::year{static_cast<int>(year)} / January / 1};
    const std::int64_t days = newYear.time_since_epoch().count() + dayOfYear - 1;
    return days * kSecondsPerDay + secondsOfDay;
}

} // namespace skyloom
