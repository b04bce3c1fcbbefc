// `GroundState`: what the ground motion of a live aircraft keeps between its steps beyond the
// common step values: the pushback request, the step's speed mode and turn figures, the
// take-off or landing roll's speed profile, the touch-down heading, and the line-up memory
// with its still-standing tracker and the held sample of a departing aircraft.
#pragma once

#include <cstdint>
#include <string>

#include "feed/traffic_entry.h"
#include "foundation/lalo.h"
#include "traffic/motion/speed_profile.h"

namespace skyloom {

// The speed mode of a ground step.
enum class GroundSpeedMode : std::uint32_t { normal = 0, fromStandstill = 1, toStop = 2, still = 3 };

// A roll that follows a speed profile from its start to its end position.
struct RollState {
    SpeedProfile profile; // metres and seconds
    Lalo start;
    Lalo end;
    std::int32_t counter = 0; // ticks since the roll's step began
    // Ticks a roll from rest turns on the spot onto its direction before it rolls.
    std::int32_t turnTicks = 0;
};

// The corner sample a turn path runs through: when it is due (0: the path has none), the
// share of the path before it and how fast (m per tick) the parts before and after it may be
// flown at the most.
struct GroundCorner {
    std::int32_t dueTick = 0;
    double share = 0.0;
    double mostBefore = 0.0;
    double mostAfter = 0.0;
};

// Whether the aircraft stands still, measured over windows of 2 s.
struct StillTracker {
    std::uint8_t running = 0;
    std::int32_t windowStartTick = 0;
    double windowMetres = 0.0;
    Lalo last;
    double lastMetres = 0.0;
    double lastSeconds = 0.0;
    std::uint8_t hasResult = 0;
};

struct GroundState {
    GroundSpeedMode speedMode = GroundSpeedMode::normal;
    double turnAngleDeg = 0.0; // of the step, from the heading to the target heading
    std::uint8_t turnInPlace = 0;
    std::uint8_t longTurn = 0;
    double pathTurnAngleDeg = 0.0;
    std::uint32_t pathStatus = 0;
    GroundCorner corner;
    RollState roll;
    double touchDownHeadingRad = 0.0;
    std::uint8_t touchDownHeadingSet = 0;
    // Line-up memory: the runway and the place where the aircraft was first seen standing.
    std::string lineUpRunway;
    std::uint8_t lineUpRunwaySet = 0;
    Lalo lineUpPosition;
    std::uint8_t lineUpPositionSet = 0;
    std::int32_t lineUpSinceTick = 0;
    std::uint8_t armedByStanding = 0;
    StillTracker still;
    std::string lastRunwayEntered;
    std::uint8_t lastRunwayEnteredSet = 0;
    TrafficSample heldSample;
    std::uint8_t sampleHeld = 0;
    // The last slow report on the ground during a take-off roll, and the tick it came: a roll
    // whose reports stay slow in one place is no take-off.
    Lalo slowRollReport;
    std::int32_t slowRollReportTick = 0;
    std::uint8_t slowRollReportSet = 0;
};

} // namespace skyloom
