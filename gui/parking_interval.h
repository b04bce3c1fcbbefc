// The parking update interval as the window shows it and the main loop counts it down:
// gf_showParkingInterval takes PARKING_INTERVAL_MINUTES from the settings snapshot, shows it
// as the minutes to the next parking update and hands it to the main loop's countdown, which
// restarts from each value handed over.
#pragma once

#include <cstdint>
#include <optional>

namespace skyloom {

class Gui;
struct ParamsSnapshot;

// With the program's window and settings snapshot.
void gf_showParkingInterval() noexcept;
void gf_showParkingInterval(Gui& gui, const ParamsSnapshot& settings) noexcept;

// The interval handed over since the last call, if any (the latest one wins); for the main
// loop's countdown.
std::optional<std::int32_t> gf_takeParkingIntervalMinutes() noexcept;

} // namespace skyloom
