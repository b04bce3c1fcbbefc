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
// A helicopter comes to its hover before it sets down, and moves on the ground no faster than
// a taxi: in its last kSettingDownFt above the ground (`groundFt`) a landing rotorcraft moves at
// most kOffRunwayMostKt and kSettingDownKtPerFt more for every foot above it (kt; infinite
// for any other aircraft, or higher up). Set down at their flying speeds, the tour helicopters
// at Las Vegas slid on at 44 to 110 kt, XA-NTN (B505) at Mexico City at 81 kt.
inline constexpr double kSettingDownFt = 50.0;
inline constexpr double kSettingDownKtPerFt = 2.0;
double lf_settingDownMostKt(const LiveAircraft& a, double groundFt);
// The lowest the flare's descent takes the aircraft this tick: onto its touch-down elevation,
// or just above the ground where its wheels may not meet it yet (before the runway's
// touch-down zone; an aeroplane near the park airport off its runways' pavement and shoulders),
// so that the simulator never has it touch the ground there in the first place.
double lf_flareFloorFt(MotionContext& ctx);
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
