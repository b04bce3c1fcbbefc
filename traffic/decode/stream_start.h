// Where a live aircraft stands when it enters the simulator: the highest altitude of its
// stream, the placing of the aircraft at the oldest sample of its stream (position, attitude
// and heading sent with the create), and, when its create goes to the simulator, the start
// where its newest report that is already due puts it.
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

// When the aircraft's create goes to the simulator: its reports that are already due (the
// buffered traffic falls due at once, and creates are paced) would be flown through in a
// leap. The aircraft starts instead at the newest due report, due now, and is placed there;
// the older due reports go. In the air that report is moved on toward the next one as far as
// the next leaves no time to fly at the reported speed. Only reports on the ground, or only
// airborne ones, as the oldest, count; a parked aircraft keeps its stand. True when the start
// changed.
bool gf_startAtDueReport(TrafficState& state, LiveAircraft& aircraft);

} // namespace skyloom
