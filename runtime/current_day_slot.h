// The current `DaySlot`: the UTC weekday and half-hour slot of the program clock, packed as
// gf_weekdayAndSlot gives it. The main loop refreshes it (before its first cycle and in every
// user-data step); new live aircraft copy it, and the real-stand learning and the parking plan
// read it, so they all agree on the slot within one step.
#pragma once

#include <cstdint>

namespace skyloom {

// The value of the last refresh; 0 (no weekday) before the first one.
std::uint64_t gf_currentDaySlot() noexcept;
// Takes gf_weekdayAndSlot() as the current value.
void gf_refreshCurrentDaySlot();
// Back to 0 (tests).
void gf_clearCurrentDaySlot() noexcept;

} // namespace skyloom
