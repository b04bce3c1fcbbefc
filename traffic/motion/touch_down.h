// The touch-down of a landing live aircraft and the simulator's ground reports: the check that
// turns an aircraft the simulator says is on the ground into one in its landing roll (with its
// message, spoilers and reverse thrust), and the altitude correction that puts an aircraft on
// the simulator's ground, settling from its touch-down height as the nose comes down, and
// lifting it with its tail arm during the take-off rotation.
#pragma once

#include <string>

namespace skyloom {

struct LiveAircraft;
struct MotionContext;
struct SimEvent;
struct TrafficState;

// A height (ft) above the ground the corrections trust.
inline constexpr double kGroundReportMinHeightFt = -1.0;
inline constexpr double kGroundReportMaxHeightFt = 35.0;
// A runway hit less than this far past its threshold (m) is no touch-down yet.
inline constexpr double kTouchDownMinPastThresholdM = 60.0;

// The touch-down check: nothing in "removingfromsim" or "takeoff"; a landing aircraft short of
// the touch-down zone is held just above the runway, an aeroplane's near the park airport off
// its runways just above the ground; else a landing or flaring aircraft enters its landing
// roll, and the aircraft is on the ground from now on.
void lf_touchDown(TrafficState& state, LiveAircraft& aircraft);
// The touch-down message, spoilers and reverse thrust; `ticksToGround`: the ticks the landing
// took to reach the ground (a long one is logged).
void lf_reportTouchDown(MotionContext& ctx, double ticksToGround);
// The altitude correction by one ground report (x: ground altitude, y: height above ground,
// both ft). Returns the source text, "fallback" when the report itself made the touch-down.
std::string lf_applyGroundReport(TrafficState& state, LiveAircraft& aircraft,
                                 const SimEvent& report, std::string source);
// One AI position report of a live aircraft: the touch-down check when the simulator says it
// is on the ground, then the altitude correction.
void lf_onAiPositionReport(TrafficState& state, LiveAircraft& aircraft, const SimEvent& report);

} // namespace skyloom
