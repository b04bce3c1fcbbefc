// The constants of the ground motion (taxi timing, corner turns, pushback, rolls and line-up)
// in one place, with their units in their names.
#pragma once

#include <cstdint>

#include "traffic/motion/motion_constants.h"

namespace skyloom::ground {

inline constexpr double kFeetPerNm = 6076.11549;
inline constexpr double kFeetPerMetre = 3.2808398950131235;
inline constexpr double kTicksPerSecond = 100.0;

// Ground step.
inline constexpr double kPushedBackStepLimit = 900.0;
inline constexpr double kSlowToParkKt = 6.0;
inline constexpr double kParkAtRestKt = 0.5;
inline constexpr double kMidSampleTurnDeg = 15.0;
inline constexpr double kMidSampleLegNm = 0.02429805615550756;    // 45 m
inline constexpr double kMidSampleLegCutNm = 0.018898488120950324; // 35 m
inline constexpr double kTurnInPlaceDeg = 3.0;
inline constexpr double kGentleTurnDeg = 45.0;
inline constexpr double kTurnFirstDeg = 60.0;
inline constexpr double kBacktrackTurnDeg = 150.0;
inline constexpr double kBacktrackSpeedKt = 30.0;
inline constexpr double kSplitSpeedChangeKt = 5.0;

// Corner turns.
inline constexpr double kNoTurnDeg = 3.0;
inline constexpr double kStraightenDeg = 12.0;
inline constexpr double kRollTurnDeg = 10.0;
inline constexpr double kSlowRollKt = 30.0;
inline constexpr double kRunwayExitKt = 65.0;
inline constexpr double kTaxiTurnKt = 43.0;
inline constexpr double kLeadMinMetres = 12.0;
inline constexpr double kLeadMaxMetres = 90.0;
inline constexpr double kStraightenReachMetres = 180.0;

// Pushback and the stand.
inline constexpr std::int32_t kShortestPushTicks = 25;
inline constexpr double kPushbackRadii = 2.5;
inline constexpr double kDriveSpeedFactor = 0.8;
inline constexpr double kLeadInMetres = 10.0;

// Rolls.
inline constexpr double kEvidenceSpeedKt = 43.0;
inline constexpr std::int32_t kNoEvidenceTicks = 12000;
inline constexpr double kClimbEvidenceFpm = 256.0;
inline constexpr double kStrongClimbFpm = 2000.0;
inline constexpr double kShortRunwayMetres = 1800.0;
inline constexpr double kLandingRollTurnOffDeg = 15.0;
inline constexpr double kCentrelineFactor = 0.15;
// A roll's target this close to its runway's centreline (m) is pulled toward it.
inline constexpr double kCentrelinePullMetres = 30.0;
// A take-off roll goes at most this far past its runway's far end.
inline constexpr double kRollPastEndMetres = 100.0;
// A take-off roll from rest starts once its nose lies this close to the roll's direction.
inline constexpr double kRollAlignedDeg = 3.0;
// A take-off roll that starts at a taxi's speed steers into a direction this close to its
// nose as it rolls; further off, it turns on the spot first.
inline constexpr double kRollSteeredDeg = 15.0;
// A leg from a runway to a report off it that lies abeam this far or farther along the runway
// keeps to the runway up to there first: a rapid-exit taxiway is shorter.
inline constexpr double kLongestRunwayExitMetres = 600.0;

// Line-up.
inline constexpr double kOnRunwayCrossMetres = 7.5;
inline constexpr double kBehindStartMetres = 700.0;
inline constexpr double kRunwayEndMarginMetres = 20.0;
inline constexpr double kLinedUpDeg = 3.0;
inline constexpr double kStillKt = 0.5;
inline constexpr std::int32_t kStillWindowTicks = 200;
inline constexpr std::int32_t kHeldOnRunwayTicks = 300;
inline constexpr double kSamePlaceMetres = 2.0;

} // namespace skyloom::ground
