#include "foundation/time_text.h"

#include <array>
#include <chrono>

#include <fmt/format.h>

#include "foundation/program_clock.h"

namespace skyloom {

using namespace std::chrono;

namespace {

constexpr std::array<const char*, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 7> kWeekdayNames = {"Mon", "Tue", "Wed", "Thu",
                                                      "Fri", "Sat", "Sun"};

// Times before the Unix epoch or past year 9999 are taken as unreadable, as the C library's
// broken-down time would be on the target platform.
bool lf_isReadable(Clock::UtcTime t) {
    const auto s = floor<seconds>(t).time_since_epoch().count();
    return s >= 0 && s < 253402300800LL;
}

hh_mm_ss<seconds> lf_timeOfDay(Clock::UtcTime t) {
    const auto s = floor<seconds>(t);
    return hh_mm_ss<seconds>{s - floor<days>(s)};
}

std::string lf_shifted(std::string text) {
    if (g_timeShiftActive.load(std::memory_order_relaxed)) {
        return fmt::format("<<< {}", text);
    }
    return text;
}

} // namespace

std::string gf_timeTextOf(Clock::UtcTime t) {
    if (!lf_isReadable(t)) {
        return "??:??:??";
    }
    const auto tod = lf_timeOfDay(t);
    return fmt::format("{:02}:{:02}:{:02}", tod.hours().count(), tod.minutes().count(),
                       tod.seconds().count());
}

std::string gf_dateTimeTextOf(Clock::UtcTime t) {
    if (!lf_isReadable(t)) {
        return "Invalid time";
    }
    const year_month_day date{floor<days>(t)};
    const auto tod = lf_timeOfDay(t);
    return fmt::format("{} {} {} {:02}:{:02}Z", static_cast<unsigned>(date.day()),
                       kMonthNames[static_cast<unsigned>(date.month()) - 1],
                       static_cast<int>(date.year()), tod.hours().count(), tod.minutes().count());
}

std::string gf_timeText() { return gf_timeTextOf(gf_clock().utcNow()); }

std::string gf_dateTimeText() { return gf_dateTimeTextOf(gf_clock().utcNow()); }

std::string gf_programTimeText() {
    const auto t = gf_programTimeNow();
    if (!lf_isReadable(t)) {
        return "??:??:??";
    }
    return lf_shifted(gf_timeTextOf(t));
}

std::string gf_programTimeTextShort() {
    const auto t = gf_programTimeNow();
    if (!lf_isReadable(t)) {
        return "??:??";
    }
    const auto tod = lf_timeOfDay(t);
    return lf_shifted(fmt::format("{:02}:{:02}", tod.hours().count(), tod.minutes().count()));
}

std::string gf_weekdayName(std::int32_t weekday) {
    if (weekday < 1 || weekday > 7) {
        return "???";
    }
    return kWeekdayNames[static_cast<std::size_t>(weekday - 1)];
}

} // namespace skyloom
