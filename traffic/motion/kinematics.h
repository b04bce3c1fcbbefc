// The small commands of the per-tick motion: the bank and turn rate that bring a heading to
// its target, the bank limit near the ground, easing curves, a bounded step toward a value,
// and the limit on how fast an aircraft may start to descend. Angles are radians, speeds
// knots, vertical speeds feet per minute. Inputs that are not finite give the documented
// fallbacks, never not-a-number.
#pragma once

#include <cstdint>
#include <span>

#include "refdata/aircraft_category.h"

namespace skyloom {

struct BankRequest {
    double currentHeading = 0.0;
    double targetHeading = 0.0;
    double currentBank = 0.0;
    double givenBank = 0.0; // the feed's bank, used when useGivenBank is set
    bool useGivenBank = false;
    double speedKt = 0.0;
    double timeConstantS = 0.0;   // tau
    double rateDivisor = 0.0;     // k
    double maximumTurnRate = 0.0; // rad/s
    double maximumBank = 0.0;
    double maximumBankRate = 0.0; // rad/s
};

struct BankCommand {
    double currentBank = 0.0; // the input bank clamped to the limit
    double turnRate = 0.0;    // rad/s
    double bankRate = 0.0;    // rad/s
    double targetBank = 0.0;  // negative for a right turn
    std::uint8_t bankWasGiven = 0;
    std::uint8_t givenBankRejected = 0;
};

// The coordinated turn toward the target heading: turn rate = heading error / tau, limited by
// the rate that the largest bank allows at this speed (and by the maximum turn rate) divided
// by k; the bank that flies it (or the feed's bank when given and usable); and the bank rate
// that reaches it in tau. All zero when tau, k or a maximum is not finite and positive.
BankCommand gf_bankForTurn(const BankRequest& request) noexcept;

// The largest bank allowed: the maximum bank (at most pi/2) without a height; 5 degrees at
// most when `touchDown` is set; else from 10 degrees at 100 ft above ground up to the maximum
// at 1000 ft. 0 for a maximum that is not finite and positive.
double gf_bankLimit(double maximumBank, bool hasHeight, double heightAboveGroundFt,
                    bool touchDown) noexcept;

// Easing of a fraction clamped to [0, 1]: mode 0 linear, 1 t^2 (ease in), 2 1 - (1 - t)^2
// (ease out), 3 (3 - 2t) t^2 (smooth step); any other mode linear.
double gf_ease(double fraction, int mode) noexcept;

// One step of at most `maximumStep` from current toward target. A target that is not finite
// keeps the current value (0 when that is not finite either); a current value that is not
// finite jumps to the target; a step that is not finite and positive stays.
double gf_stepToward(double current, double target, double maximumStep) noexcept;

struct DescentLimit {
    double verticalSpeed = 0.0; // fpm
    bool clamped = false;
};

// A descent (negative fpm) held to at most 1200 fpm steeper than the mean of the first two
// recent vertical speeds, and never steeper than the category's limit (-3600 fpm for
// HighPerf, -1800 for Rotorcraft, -3000 for the others); a climb becomes 0. A vertical speed
// that is not finite is replaced by that mean.
DescentLimit gf_limitDescentRate(double verticalSpeed, std::span<const double> recent,
                                 AircraftCategory category) noexcept;

} // namespace skyloom
