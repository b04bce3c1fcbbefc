#include "foundation/program_clock.h"

#include <chrono>

namespace skyloom {

std::atomic<bool> g_timeShiftActive{false};
std::atomic<std::int32_t> g_timeShiftMinutes{0};

using namespace std::chrono;

namespace {

constexpr seconds kSlotLead{30};
constexpr seconds kSlotLength{30 * 60};

} // namespace

Clock::UtcTime gf_programTimeNow() {
    auto now = gf_clock().utcNow();
    if (g_timeShiftActive.load(std::memory_order_relaxed)) {
        now -= minutes{g_timeShiftMinutes.load(std::memory_order_relaxed)};
    }
    return now;
}

DaySlotParts gf_daySlotOf(Clock::UtcTime t) {
    // Before the Unix epoch the time cannot be broken down on the target platform.
    if (t < Clock::UtcTime{}) {
        return {-1, 0};
    }
    const auto led = floor<seconds>(t) + kSlotLead;
    const auto day = floor<days>(led);
    const weekday wd{day};
    const auto sinceMidnight = led - day;
    return {static_cast<std::int32_t>(wd.iso_encoding()),
            static_cast<std::int32_t>(sinceMidnight / kSlotLength)};
}

std::uint64_t gf_packDaySlot(DaySlotParts parts) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(parts.weekday)) |
           (static_cast<std::uint64_t>(static_cast<std::uint32_t>(parts.slot)) << 32);
}

DaySlotParts gf_unpackDaySlot(std::uint64_t packed) {
    return {static_cast<std::int32_t>(static_cast<std::uint32_t>(packed & 0xFFFFFFFFu)),
            static_cast<std::int32_t>(static_cast<std::uint32_t>(packed >> 32))};
}

std::uint64_t gf_weekdayAndSlot() { return gf_packDaySlot(gf_daySlotOf(gf_programTimeNow())); }

} // namespace skyloom
