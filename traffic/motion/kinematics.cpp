#include "traffic/motion/kinematics.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "foundation/geo_constants.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/motion_constants.h"

namespace skyloom {

namespace {

constexpr double kHalfPi = std::numbers::pi / 2.0;
// Below this speed a bank does not turn the aircraft in any useful way.
constexpr double kTurningSpeedMetresPerSecond = 1.0;
constexpr double kTouchDownBankRad = 5.0 * geo::kRadiansPerDegree;
constexpr double kLowBankRad = 10.0 * geo::kRadiansPerDegree;
constexpr double kLowBankHeightFt = 100.0;
constexpr double kFullBankHeightFt = 1000.0;
constexpr double kDescentWidening = 1200.0; // fpm

bool lf_isPositive(double value) noexcept {
    return std::isfinite(value) && value > 0.0;
}

double lf_descentLimitFpm(AircraftCategory category) noexcept {
    switch (category) {
    case AircraftCategory::HighPerf:
        return -3600.0;
    case AircraftCategory::Rotorcraft:
        return -1800.0;
    default:
        return -3000.0;
    }
}

} // namespace

BankCommand gf_bankForTurn(const BankRequest& r) noexcept {
    if (!lf_isPositive(r.timeConstantS) || !lf_isPositive(r.rateDivisor) ||
        !lf_isPositive(r.maximumTurnRate) || !lf_isPositive(r.maximumBank) ||
        !lf_isPositive(r.maximumBankRate)) {
        return BankCommand{};
    }
    BankCommand c;
    const double x = std::min(std::abs(r.maximumBank), kHalfPi);
    c.currentBank = std::isfinite(r.currentBank) ? std::clamp(r.currentBank, -x, x) : 0.0;
    const double error = std::isfinite(r.targetHeading) && std::isfinite(r.currentHeading)
                             ? gf_wrapAngle(r.targetHeading - r.currentHeading)
                             : 0.0;
    const double v = lf_isPositive(r.speedKt) ? r.speedKt * geo::kMetresPerSecondPerKnot : 0.0;
    const double rateLimit =
        v > kTurningSpeedMetresPerSecond
            ? std::min(std::tan(x) * motion::kGravityMetresPerSecond2 / v, r.maximumTurnRate)
            : r.maximumTurnRate;
    const double limit = rateLimit / r.rateDivisor;
    c.turnRate = std::clamp(error / r.timeConstantS, -limit, limit);
    if (r.useGivenBank && std::isfinite(r.givenBank) && std::abs(r.givenBank) <= kHalfPi) {
        c.targetBank = std::clamp(r.givenBank, -x, x);
        c.bankWasGiven = 1;
    } else {
        c.givenBankRejected = r.useGivenBank ? 1 : 0;
        const double wanted =
            v > kTurningSpeedMetresPerSecond
                ? -std::atan(c.turnRate * r.rateDivisor * v / motion::kGravityMetresPerSecond2)
                : -std::clamp(error, -x, x);
        c.targetBank = std::clamp(wanted, -x, x);
    }
    c.bankRate = std::clamp((c.targetBank - c.currentBank) / r.timeConstantS, -r.maximumBankRate,
                            r.maximumBankRate);
    return c;
}

double gf_bankLimit(double maximumBank, bool hasHeight, double heightAboveGroundFt,
                    bool touchDown) noexcept {
    if (!lf_isPositive(maximumBank)) {
        return 0.0;
    }
    const double b = std::min(std::abs(maximumBank), kHalfPi);
    if (!hasHeight || !std::isfinite(heightAboveGroundFt)) {
        return b;
    }
    if (touchDown) {
        return std::min(kTouchDownBankRad, b);
    }
    const double low = std::min(kLowBankRad, b);
    const double f = std::clamp((heightAboveGroundFt - kLowBankHeightFt) /
                                    (kFullBankHeightFt - kLowBankHeightFt),
                                0.0, 1.0);
    return low + (b - low) * f;
}

double gf_ease(double fraction, int mode) noexcept {
    // Not-a-number counts as the start.
    const double t = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
    switch (mode) {
    case 1:
        return t * t;
    case 2:
        return 1.0 - (1.0 - t) * (1.0 - t);
    case 3:
        return (3.0 - 2.0 * t) * t * t;
    default:
        return t;
    }
}

double gf_stepToward(double current, double target, double maximumStep) noexcept {
    if (!std::isfinite(target)) {
        return std::isfinite(current) ? current : 0.0;
    }
    if (!std::isfinite(current)) {
        return target;
    }
    if (lf_isPositive(maximumStep)) {
        return current + std::clamp(target - current, -maximumStep, maximumStep);
    }
    return current;
}

DescentLimit gf_limitDescentRate(double verticalSpeed, std::span<const double> recent,
                                 AircraftCategory category) noexcept {
    const double limit = lf_descentLimitFpm(category);
    double sum = 0.0;
    int count = 0;
    for (std::size_t i = 0; i < recent.size() && i < 2; ++i) {
        if (std::isfinite(recent[i])) {
            sum += recent[i];
            ++count;
        }
    }
    const double reference = count > 0 ? std::clamp(sum / count, limit, 0.0) : 0.0;
    const double floor = std::max(reference - kDescentWidening, limit);
    const double input = std::isfinite(verticalSpeed) ? verticalSpeed : reference;
    const double result = std::clamp(input, floor, 0.0);
    return DescentLimit{result, !(result == verticalSpeed)};
}

} // namespace skyloom
