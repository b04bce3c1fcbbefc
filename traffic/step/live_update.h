// The per-tick update of one live aircraft: the spawn gate while it is buffered; for an active
// aircraft the motion when its next sample is due, one tick of movement and the position for
// the simulator; and the hand-overs of a newly assigned object (ground handling, flight plan).
#pragma once

#include "traffic/step/traffic_state.h"

namespace skyloom {

struct AIPosition;

// True when one of the aircraft's erase flags is set after the update.
bool updateLiveAc(TrafficState& state, LiveAircraft& aircraft);
// A newly assigned object whose newest sample is on the ground.
void hp_handleGroundTraffic(TrafficState& state, LiveAircraft& aircraft);
// The AI flight plan of a newly assigned object (MSFS 2020 only, with origin and destination).
void lf_assignFlightPlan(TrafficState& state, LiveAircraft& aircraft);
// The position to send: none when a value is not finite; pitch and bank clamped to
// [-pi/2, pi/2], the heading brought into [0, 2 pi).
std::optional<AIPosition> lf_positionToSend(const SentPosition& sent) noexcept;

} // namespace skyloom
