// A known aircraft's new sample joins its stream: too long a stream or a held aircraft that
// moves off is removed; before its spawn only samples that add a position are kept; afterwards
// the sample checks by phase run, runs of repeated positions are cut back, the sample's arrival
// tick is kept plausible, and a fast aircraft on a runway starts its take-off roll.
#pragma once

#include "traffic/step/traffic_state.h"

namespace skyloom {

// A stream longer than this means the motion stopped consuming it.
inline constexpr std::size_t kMaxStreamSamples = 200;
inline constexpr double kDefaultHoldingThresholdMetres = 250.0;
// Two samples closer than this (degrees) repeat one position.
inline constexpr double kStationaryDeg = 1e-8;
// Two samples closer than this (degrees) in both coordinates stand on one spot.
inline constexpr double kSameSpotDeg = 0.00015;
// Arrival ticks between two airborne samples lie at least this far apart.
inline constexpr std::int32_t kMinAirborneStepTicks = 25;

void decodeExisting(TrafficState& state, LiveAircraft& aircraft, TrafficSample& sample);
// Marks a sample that repeats the newest sample's position; true when it may join the stream.
bool lf_checkStationarySample(const LiveAircraft& aircraft, TrafficSample& sample);

} // namespace skyloom
