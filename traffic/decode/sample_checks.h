// Plausibility tests on the feed's samples and the small decisions built on them: whether a
// jump between two samples is faster than the aircraft can fly, whether a segment is far too
// slow for a take-off, the height-and-speed floor of a climb, the lift-off window test, the
// confirmation of a changed text over three sightings, and the steeper final descent that
// still reaches the runway. Distances are metres, times seconds, speeds knots, heights feet.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "refdata/aircraft_category.h"

namespace skyloom {

struct JumpCheck {
    double minimumTime = 0.0;   // s, at the fastest speed the aircraft is allowed
    double requiredSpeed = 0.0; // kt; infinite for a distance in no time
    bool implausible = false;
};

// Whether `distance` in `time` is faster than the category allows: the allowed speed is
// twice the larger ground speed, kept between the category's bounds. Negative or non-finite
// inputs count as 0.
JumpCheck gf_checkJumpSpeed(double distance, double time, double groundSpeedAKt,
                            double groundSpeedBKt, AircraftCategory category) noexcept;

// A segment of more than 1 m over at least 5 s, flown at under 100 kt and under 0.65 x a
// reference speed of at least 120 kt.
bool gf_isSlowSegment(double distance, double time, double referenceSpeedKt) noexcept;

struct HeightSpeedFloor {
    double height1 = 0.0;
    double height2 = 0.0;
    double speed = 0.0;
    std::uint8_t flag = 0;
};

// Set flag, both heights finite and at least 400, speed finite and at least 50.
bool gf_meetsHeightSpeedFloor(const HeightSpeedFloor& floor) noexcept;

struct ProfileWindow {
    double a = 0.0;
    double b = 0.0;
    double unused = 0.0; // carried by the caller's record, not read by the test
    double span = 0.0;
    double upper = 0.0;
    double lower = 0.0;
    double margin = 0.0;
};

// All finite, span > 1000, upper >= lower, margin > 0, b > a and b >= -margin.
bool gf_checkProfileWindow(const ProfileWindow& window) noexcept;

struct PendingChange {
    std::string text;
    int count = 0;
};

// A text change counts only at its third sighting in a row: an empty new text or the old one
// clears the candidate (false); the candidate seen again counts up and is confirmed (true,
// candidate cleared) at 3; another text becomes the candidate with count 1.
bool gf_confirmChange(std::string_view oldText, std::string_view newText, PendingChange& pending);

struct FinalDescentRequest {
    double verticalSpeed = 0.0; // fpm
    double heightA = 0.0;       // ft, where the aircraft is
    double heightB = 0.0;       // ft, where it must get to
    double distanceFlown = 0.0; // m
    double totalDistance = 0.0; // m
    double speedKt = 0.0;
    HeightSpeedFloor floor; // when it holds, the aircraft is climbing away: nothing changes
};

struct FinalDescent {
    double verticalSpeed = 0.0; // fpm: the input's unless changed
    double aimDistance = 0.0;   // m: where the height is lost; 0 unless changed
    bool changed = false;
};

// The steeper descent (at most -1200 fpm) that loses a last 1 to 250 ft before an aim point
// within the first third (at most 1000 m) of the remaining distance, when the present rate
// would not lose it there.
FinalDescent gf_steepenFinalDescent(const FinalDescentRequest& request) noexcept;

} // namespace skyloom
