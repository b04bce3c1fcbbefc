// Where a live aircraft stands when it enters the simulator: the highest altitude of its
// stream, and the placing of the aircraft at the oldest sample of its stream (position,
// attitude and heading sent with the create).
#pragma once

#include "refdata/aircraft_category.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom {

struct TrafficState;

// The largest finite altitude of the stream; negative infinity for an empty stream.
double lf_streamTopAltitude(const LiveAircraft& aircraft) noexcept;
// Puts the aircraft at its oldest sample and notes its hexid as arrived. The stream must not
// be empty.
void lf_placeAtStreamStart(TrafficState& state, LiveAircraft& aircraft);

} // namespace skyloom
