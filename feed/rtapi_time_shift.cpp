#include "feed/rtapi_time_shift.h"

#include <algorithm>

#include "foundation/program_clock.h"

namespace skyloom {

std::atomic<std::int32_t> g_rtApiTrafficTimeShiftMinutes{0};
std::atomic<std::int32_t> g_rtApiMetarTimeShiftMinutes{0};

void gf_setRtApiTimeShift(std::int32_t minutes) noexcept {
    const std::int32_t clamped = std::clamp(minutes, 0, kMaxTimeShiftMinutes);
    g_rtApiTrafficTimeShiftMinutes.store(clamped);
    g_rtApiMetarTimeShiftMinutes.store(clamped);
}

void gf_adoptProgramTimeShift() noexcept {
    gf_setRtApiTimeShift(g_timeShiftActive.load() ? g_timeShiftMinutes.load() : 0);
}

} // namespace skyloom
