// Live aircraft against static (parked) ones: a moving live aircraft that touches a static one
// on the ground makes the static one leave, and a live aircraft that turns out to be the parked
// version of a static one (same registration, same flight) replaces it.
#pragma once

#include <cstdint>

namespace skyloom {

struct LiveAircraft;
struct TrafficState;

// Every this many calls the live-vs-parked check looks at every taxiing or parking aircraft,
// not only those that moved.
inline constexpr std::uint32_t kParkedFullPassCalls = 60;
// A live aircraft that moved less than this since its last check is left out between full
// passes (squared flat NM: 0.003 NM).
inline constexpr double kParkedCheckMoveNmSquared = 9e-6;

// Once per user-data step (nothing without static aircraft).
void gf_checkLiveVsParkedCollisions(TrafficState& state);
// Removes the first active static aircraft of another callsign whose circle touches the live
// aircraft's; only for an aircraft on the ground.
void collisionWithParked(TrafficState& state, LiveAircraft& aircraft);
// Removes, for the first live aircraft on the ground that has one, the static aircraft with its
// registration or its callsign followed by "*"; one removal per call.
void gf_checkForAllGndIfParkedVersionExistsAndRemove(TrafficState& state);
// For an aircraft that arrived at a stand or touched down: removes the first active static
// aircraft that stands for the same flight (RealTraffic hexid, registration, callsigns).
void lf_checkForStaticWithCallsignOrHexidAndRemove(TrafficState& state,
                                                   const LiveAircraft& aircraft);
// Takes every aircraft off the arrived list (spawned, touched down, arrived at a stand) and runs
// the check above for each one that is still active.
void gf_checkArrivedAircraft(TrafficState& state);

} // namespace skyloom
