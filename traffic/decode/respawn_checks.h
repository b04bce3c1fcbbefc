// The identity checks of a known aircraft's new report: a changed route, registration or
// callsign, each taken only at its third sighting in a row (gf_confirmChange), so that a garbled
// report or two change nothing. A buffered aircraft simply takes the new identity; an active one
// with GUID_CHANGES on comes back in a new object (and, after a registration change, with a new
// livery).
#pragma once

#include "feed/traffic_entry.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

// False when the aircraft is being respawned and the entry must not be decoded further.
bool lf_checkRespawn(TrafficState& state, LiveAircraft& aircraft, const TrafficEntry& entry);
// False means "orig-dest change".
bool lf_sameRoute(TrafficState& state, LiveAircraft& aircraft, const TrafficEntry& entry);
// False means "regcode change"; the aircraft then chooses its livery again.
bool lf_sameRegistration(TrafficState& state, LiveAircraft& aircraft, const TrafficEntry& entry);

} // namespace skyloom
