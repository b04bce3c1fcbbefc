// What a new sample of a known live aircraft means for it, by its flight phase
// (checkExtendingSituations): at its stand, that it starts to push back or to taxi out, or has
// gone; after a push back, that it taxis; during take-off and landing, samples that would run
// it backwards are dropped. True when the sample may extend the stream (or an event was
// raised), false when it is to be dropped. Main worker thread, inside the decoding of an entry.
#pragma once

#include "feed/traffic_entry.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom {

struct TrafficState;

// Distances of the checks at the stand, NM.
inline constexpr double kMovedAtStandNm = 0.008099352051835854; // 15 m
inline constexpr double kStepAtStandNm = 0.0016198704103671706; // 3 m
inline constexpr double kLeftStandNm = 0.05399568034557236;     // 100 m
inline constexpr double kPushbackMaxNm = 0.14146868250539957;   // 262 m
inline constexpr double kTaxiOutMaxNm = 0.16198704103671707;    // 300 m
inline constexpr double kParkingLeftNm = 0.10799136069114472;   // 200 m

// A report that repeats the position of the newest report taken, after an aircraft on the
// ground went on from it without reports (more than 50 m; not at its stand): the feed sent it
// again while it had nothing newer. It is no report of where the aircraft is, nor of when it
// was there. (In the air the checks of reports behind the aircraft judge it.)
bool gf_repeatsReportLeftBehind(const LiveAircraft& aircraft, const TrafficSample& sample);

bool checkExtendingSituations(TrafficState& state, LiveAircraft& aircraft, TrafficSample& sample);
bool checkAtStandSituations(TrafficState& state, LiveAircraft& aircraft, TrafficSample& sample);
bool checkNewPosDuringLanding(TrafficState& state, LiveAircraft& aircraft, TrafficSample& sample);
bool checkNewPosDuringTakeoff(TrafficState& state, LiveAircraft& aircraft, TrafficSample& sample);

// Ends the motion's extrapolation: counter 0, both windows 2700 ticks (the late one 4500 in a
// take-off roll), no holding, the ground-conflict mark cleared.
void gf_endExtrapolation(LiveAircraft& aircraft);

} // namespace skyloom
