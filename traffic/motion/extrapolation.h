// The samples a live aircraft flies on where its reports ran out: how many steps it may make
// without them, by its phase and distance, and each step's sample, carried on from the last.
#pragma once

#include <cstdint>

#include "traffic/motion/motion_world.h"

namespace skyloom {

// Ticks in the extrapolated step, and the time a parked aircraft's extrapolated sample lies
// ahead (7 days).
inline constexpr std::int32_t kExtrapolatedStepTicks = 300;
inline constexpr std::int32_t kParkedHoldTicks = 60480000;

// How many extrapolated steps an aircraft without samples may make.
std::int32_t lf_extrapolationBudget(MotionContext& ctx);
// Appends one extrapolated sample and stores the counter.
void lf_appendExtrapolatedSample(MotionContext& ctx, std::int32_t stepsLeft);

} // namespace skyloom
