// The time offset that the RealTraffic web API requests carry: the user's time shift in
// minutes (0 = live, at most 20160 = two weeks), held in two program-wide copies so that each
// reader reads its own without a lock: one for the traffic and parked-traffic requests, one
// for the nearest-METAR request. The main window writes both when the user shifts time; the
// web API's start takes over the shift in force.
#pragma once

#include <atomic>
#include <cstdint>

namespace skyloom {

// Read by the traffic and parked-traffic requests.
extern std::atomic<std::int32_t> g_rtApiTrafficTimeShiftMinutes;
// Read by the nearest-METAR request.
extern std::atomic<std::int32_t> g_rtApiMetarTimeShiftMinutes;

// Writes both copies, clamped to 0 .. 20160.
void gf_setRtApiTimeShift(std::int32_t minutes) noexcept;

// The shift in force in the program clock (g_timeShiftMinutes while g_timeShiftActive, else
// 0), written into both copies.
void gf_adoptProgramTimeShift() noexcept;

} // namespace skyloom
