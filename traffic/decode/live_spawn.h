// The spawn of a live aircraft: the gate that decides whether a buffered aircraft may enter
// the simulator now, later or never (two samples, low arrivals, the user aircraft, the limit of
// live aircraft, the key, the aircraft that found no livery), the spawn that chooses its
// livery, first phase and stand and puts it on the adding stack, and the removals that keep the
// live aircraft within the user's wishes (blocked, TCAS coverage only, the furthest).
#pragma once

#include <cstddef>

#include "traffic/step/traffic_state.h"

namespace skyloom {

// An arriving aircraft this low above the park airport waits for a higher sample.
inline constexpr double kSpawnMinHeightFt = 700.0;
// A spawn waits while the live create queue holds this many requests.
inline constexpr std::size_t kSpawnCreateQueueLimit = 11;
// MAX_LIVE_SEL at this value sets no limit.
inline constexpr std::int32_t kUnlimitedLiveAircraft = 500;
inline constexpr double kFurthestMarginNm = 0.1;
// The user-collision tests of a spawn run while the user is this low.
inline constexpr double kSpawnUserCheckHeightFt = 500.0;
inline constexpr double kSpawnUserMovingKt = 8.0;
inline constexpr double kSpawnUserNearMetres = 500.0;
// A ground aircraft without a stand waits while a sample is this fast.
inline constexpr double kSpawnTaxiMaxKt = 30.0;

// The gate, for an aircraft in "buffer".
void lf_trySpawn(TrafficState& state, LiveAircraft& aircraft);
// True when the first sample was dropped because it would collide with the user aircraft (in
// the air, on the ground, or where it would stand in the user's corridor on the ground).
bool lf_spawnCollidesWithUser(TrafficState& state, LiveAircraft& aircraft);
// Completes the key before the livery choice.
void lf_fixSpawnKey(LiveAircraft& aircraft);
void spawnLiveAc(TrafficState& state, LiveAircraft& aircraft);
// The live aircraft in the simulator or on their way in (adding2sim or active): what
// MAX_LIVE_SEL limits.
std::size_t gf_liveAircraftShown(const TrafficState& state);
// True when no active aircraft lies further from the user than `distanceNm` (plus 0.1 NM);
// otherwise removes the furthest one and returns false. A negative distance means any.
bool lf_isThisTheFurthestLive(TrafficState& state, double distanceNm);
// Removes the aircraft the user blocked (hexid, else callsign, else registration).
void gf_removeBlockedAc(TrafficState& state);
// Removes the aircraft shown only for TCAS coverage once they are below TCAS_FL less 1000 ft.
void gf_removeTCASCoverageAcs(TrafficState& state);

} // namespace skyloom
