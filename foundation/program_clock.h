// The program clock: UTC from the program-wide clock, moved back by the user's time shift
// while one is in force. Static parking and the clock texts run on it, so a shifted run sees
// the traffic of the day it asks for.
#pragma once

#include <atomic>
#include <cstdint>

#include "foundation/clock.h"

namespace skyloom {

// True while a time shift is in force; the main window sets it.
extern std::atomic<bool> g_timeShiftActive;
// The shift in minutes (at most 20160, two weeks); the main window sets it.
extern std::atomic<std::int32_t> g_timeShiftMinutes;

inline constexpr std::int32_t kMaxTimeShiftMinutes = 20160;

// UTC now, less the time shift while one is in force.
Clock::UtcTime gf_programTimeNow();

// The UTC weekday (1 Monday to 7 Sunday) and the half-hour slot of the UTC day (0 to 47) of a
// moment. A slot starts 30 s before its half hour (hh:29:30 and hh:59:30), so 23:59:30 on a
// Sunday is slot 0 of Monday. A time that cannot be broken down gives weekday -1, slot 0.
struct DaySlotParts {
    std::int32_t weekday;
    std::int32_t slot;
};
DaySlotParts gf_daySlotOf(Clock::UtcTime t);

// Packs the weekday into the low 32 bits and the slot into the high 32 bits.
std::uint64_t gf_packDaySlot(DaySlotParts parts);
DaySlotParts gf_unpackDaySlot(std::uint64_t packed);

// The packed weekday and slot of the program clock.
std::uint64_t gf_weekdayAndSlot();

} // namespace skyloom
