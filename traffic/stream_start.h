// Where a live aircraft stands when it enters the simulator: the pitch that goes with a
// sample's vertical speed, the highest altitude of its stream, and the placing of the aircraft
// at the oldest sample of its stream (position, attitude and heading sent with the create).
#pragma once

#include "refdata/aircraft_category.h"
#include "traffic/aircraft_record.h"

namespace skyloom {

struct TrafficState;

// The pitch (radians, negative nose up) for the sample's vertical speed (0 when not finite),
// clamped to the category's bounds.
double lf_pitchFromVerticalSpeed(const TrafficSample& sample, AircraftCategory category) noexcept;
// The largest finite altitude of the stream; negative infinity for an empty stream.
double lf_streamTopAltitude(const LiveAircraft& aircraft) noexcept;
// The bank limit (radians) of the category.
double lf_categoryBankLimitRad(AircraftCategory category) noexcept;
// Puts the aircraft at its oldest sample and notes its hexid as arrived. The stream must not
// be empty.
void lf_placeAtStreamStart(TrafficState& state, LiveAircraft& aircraft);

} // namespace skyloom
