// `MotionStep`: what the motion of a live aircraft keeps between two ticks beyond the record's
// first block of motion values: the step toward the next sample (per-tick increments, target
// heading, vertical step, custom length), the turn and attitude rates, the curved air leg, the
// ground turn path a ground step prepared with the way it is walked, the take-off and landing state
// (rotation, flare stages, runway records), the height figures and the one-shot configuration
// flags. Units: degrees for positions, radians for angles, feet for heights, knots, feet per
// minute; every rate is per traffic tick (10 ms).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "foundation/lalo.h"
#include "traffic/ground/ground_state.h"
#include "traffic/ground/runway_match.h"
#include "traffic/ground/turn_path.h"
#include "traffic/motion/air_leg.h"

namespace skyloom {

// The path of an airborne step (traffic/motion/air_leg.h), planned when the step is set up
// and followed one tick at a time at an even pace along its length over `lengthTicks`.
struct CurvedAirLeg {
    AirLegPath path;
    std::int32_t lengthTicks = 0;
    std::int32_t index = 0;
    std::uint8_t valid = 0;
};

// The altitude of a flying step whose reports bear out their altitudes
// (traffic/motion/cruise_vertical.h): the reports' altitudes on their own clock, from
// `fromFt` at `fromTick` (rising `fromFtPerTick`) to `toFt` at `toTick` (rising `toFtPerTick`),
// and how far the aircraft lay off them when the step began (`offsetFt` at `startTick`), which
// it takes up at `correctionFtPerTick`. Followed while `valid`; after it the next leg takes
// its end's rate where it begins at that report.
struct VerticalLeg {
    std::int32_t fromTick = 0;
    std::int32_t toTick = 0;
    std::int32_t startTick = 0;
    double fromFt = 0.0;
    double fromFtPerTick = 0.0;
    double toFt = 0.0;
    double toFtPerTick = 0.0;
    double offsetFt = 0.0;
    double correctionFtPerTick = 0.0;
    std::uint8_t valid = 0;
};

// A ground turn path with the way the step walks along it.
struct GroundPathFollow {
    GroundTurnPath path;
    double fraction = 0.0;
    double increment = 0.0;         // per tick
    std::vector<double> increments; // per tick, when the step made a list
    std::size_t index = 0;
    std::uint8_t done = 1;
};

// The altitudes of the last airborne samples the aircraft reached (oldest first): with the
// samples still ahead they give the trend of a feed's altitudes that carries no vertical speeds;
// with their vertical speeds, whether a report repeats the altitude of the one before it. And
// the last report reached with an altitude of its own (its arrival tick and time stamp): the
// one whose altitude and vertical speed the reports after it repeat.
struct ReachedAltitudes {
    static constexpr std::size_t kKept = 3;
    std::array<std::int32_t, kKept> tick{};
    std::array<double, kKept> altitudeFt{};
    std::array<double, kKept> verticalSpeedFpm{};
    std::size_t count = 0;
    std::int32_t ownTick = 0;
    double ownReportTime = 0.0;
    double ownAltitudeFt = 0.0;
    double ownVerticalSpeedFpm = 0.0;
    std::uint8_t ownKnown = 0;
};

// A runway found for the take-off or the approach, with the reference point of its touch-down.
struct RunwayRecord {
    RunwayMatch match;
    Lalo touchDownPoint;
    std::uint8_t set = 0;
};

struct MotionStep {
    // --- The step toward stream[1] ---
    double latitudeStep = 0.0;  // degrees per tick
    double longitudeStep = 0.0; // degrees per tick
    double targetHeading = 0.0;
    double verticalStep = 0.0;        // ft per tick
    double targetVerticalSpeed = 0.0; // fpm
    double targetTrueAirspeed = 0.0;  // kt
    std::int32_t customDuration = 0;  // ticks
    // stream[1]'s arrival tick before the step retimed it: when its report falls due.
    std::int32_t targetDueTick = 0;
    std::uint8_t customDurationSet = 0;
    std::uint8_t sampleSkipped = 0;
    std::uint8_t behindSampleDropped = 0;
    std::uint8_t holding = 0;
    double parkedAtStamp = 0.0; // the shared traffic time stamp when the aircraft parked
    // A list of per-tick position increments that a ground step may give instead of the
    // constant ones.
    std::vector<Lalo> tickIncrements;
    std::size_t tickIncrementIndex = 0;

    // --- Take-off check of a taxiing aircraft lined up on a runway ---
    std::uint8_t takeoffCheckPending = 0;
    double checkHeading = 0.0;
    std::string runwayStart; // "{runway}:{end}"
    std::uint8_t runwayStartSet = 0;
    RunwayRecord takeoffRunway;
    std::uint8_t rollRunning = 0;     // a take-off or landing roll profile is followed
    std::uint8_t rotationPending = 0; // waiting for the lift-off decision
    std::uint8_t centrelineSet = 0;
    double takeoffClimbRateFpm = 0.0; // the climb the take-off roll measured
    double centrelineHeading = 0.0;

    // --- Speeds and rates of the present tick ---
    // The fastest the aircraft moves on the ground in this step (kt): as it rolls at the most,
    // across the airport off its runways as it taxies at the most.
    double groundMostKt = 0.0;
    double presentSpeed = 0.0;         // kt
    double presentVerticalSpeed = 0.0; // fpm
    double smoothedVerticalStep = 0.0; // ft per tick
    std::uint8_t smoothingStarted = 0;
    ReachedAltitudes reachedAltitudes;
    double pitchStep = 0.0;
    double bankRate = 0.0;
    double turnRate = 0.0;
    double fineTurnRate = 0.0;
    std::uint8_t pitchSet = 0; // the present pitch was given a value by the motion
    // The direction the aircraft flies in the air (the direction of its path), which the next
    // leg starts along and the nose follows; not set on the ground.
    double pathHeading = 0.0;
    std::uint8_t pathHeadingSet = 0;

    // --- Paths the step prepared ---
    CurvedAirLeg airLeg;
    VerticalLeg verticalLeg;
    GroundPathFollow groundPath;
    GroundState ground;

    // --- Heights, flare and climb-out ---
    double lastHeightAboveGroundFt = std::numeric_limits<double>::quiet_NaN();
    std::int32_t touchDownStage = 0; // 0 none, 1 to 4 flare stages
    double touchDownElevationFt = 0.0;
    double touchDownHeightFt = 0.0;
    std::uint8_t touchDownElevationSet = 0;
    std::uint8_t attitudeSettling = 0;
    std::uint8_t climbOutMark1 = 0;
    std::uint8_t climbOutMark2 = 0;
    std::uint8_t approachSteepened = 0;
    RunwayRecord approachRunway;

    // --- Configuration given once ---
    std::uint8_t highAltitudeConfigGiven = 0;
    std::uint8_t lowAltitudeLightsGiven = 0;
    std::uint8_t climbConfigGiven = 0;
};

} // namespace skyloom
