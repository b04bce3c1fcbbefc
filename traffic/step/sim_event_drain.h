// The drain of the simulator's events at the start of every traffic step: object assignments
// (kept 200 ticks in the delayed-command list before the aircraft is switched on), removal
// confirmations, refused creates, position reports and the static centre of gravity and pitch;
// and the parked-aircraft action schedule.
#pragma once

#include "sim/sim_event.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom {

struct TrafficState;

// Applies every event posted since the last drain, then ticks the delayed commands.
void lf_handleSimEvents(TrafficState& state);
// True when the event goes to the delayed list.
bool lf_onLiveObjectAssigned(TrafficState& state, LiveAircraft& aircraft, const SimEvent& event);
// Engines, lights, flaps and state "active" for a newly created aircraft.
void lf_activateLiveAircraft(TrafficState& state, LiveAircraft& aircraft);
// Ticks one delayed entry; true when it is finished.
bool lf_handleDelayedSimCommand(TrafficState& state, SimEvent& entry);
// Carries out the last entry of the schedule when it is due (one per call).
void lf_runParkedAircraftActions(TrafficState& state);

} // namespace skyloom
