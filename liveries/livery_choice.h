// The choice of an installed livery for every aircraft that is shown: a live aircraft when it
// is added to the simulator, a static aircraft when it is placed on a stand. The choice walks a
// fixed ladder of match steps from the most exact to the loosest and stops at the first step
// that yields a title the simulator has not refused:
//   0 the registration, of a livery made for this one aircraft
//   1 the registration
//   2 the airline (and operator) with the aircraft's model
//   3 a similar model of the same airline (or operator), of the aircraft's category
//   4 the generic "ZZZ" livery of the model (first of all for private "PVT" aircraft)
//   5 the model in any airline's livery
//   6 a similar model in any airline's livery
//   7 any model of the model's category
//   8 a B738, else an A320
// How far down it goes is the level, MATCHING_DEPTH (1 to 7): level 1 allows the registration
// alone, 2 adds step 2 (and step 4 for private aircraft), 3 adds step 3, 4 the generic step 4,
// and 5 to 7 each the step of their number; the light categories (Light, TwoProps, Bizjet,
// Rotorcraft) take steps 5 to 7 from level 4 on. A live aircraft that is, like the user, above
// TCAS_FL gets level 8, which alone reaches step 8. Among several liveries one is picked at
// random (RANDOM), never a special livery, which only its registration reaches. Each accepted
// match is logged with its step ("={step}=").
//
// Reads the livery tables (liveries/livery_tables.h) and the similar-model definitions, which
// it reorders in place when RANDOM is on; main worker thread only.
#pragma once

#include "liveries/livery_aircraft.h"

namespace skyloom {

struct Stand;
struct UserPosition;

// The step at which the light categories go on past step 4 whatever MATCHING_DEPTH says, and
// the step reached only high up.
inline constexpr int kWiderStepsLevel = 4;
inline constexpr int kHighAltitudeLevel = 8;

// Chooses the livery of a live aircraft; `aircraftAltitudeFt` is the altitude of its first
// sample, `user` the user aircraft's published position (both high up: TCAS coverage). Sets the
// title (empty: no livery), `fsltlLivery` and `tcasCoverage` (the match lies beyond
// MATCHING_DEPTH), and counts the step for the matching summary.
void gf_matchLiveLivery(LiveryAircraft& aircraft, double aircraftAltitudeFt,
                        const UserPosition& user);

// Chooses the livery of a static aircraft on `stand`, asking for a cargo livery at a cargo
// stand. An aircraft that comes with a title keeps it. True when the aircraft has a title
// afterwards; otherwise logs "{stand}: {aircraft} no livery match ...".
bool gf_matchStaticLivery(LiveryAircraft& aircraft, const Stand& stand);

} // namespace skyloom
