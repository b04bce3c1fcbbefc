#include "traffic/motion/speed_profile.h"

#include <algorithm>
#include <cmath>

namespace skyloom {

namespace {

constexpr double kSpeedTolerance = 1e-9;
constexpr double kAccelerationTolerance = 1e-10;
constexpr double kLinearTolerance = 1e-12;
// (a^2 + b^2) above this would let the curve run backwards.
constexpr double kLargestSpeedRatioSquared = 9.0;

double lf_speedAtFraction(const SpeedProfile& p, double u) noexcept {
    const double T = p.duration;
    const double h10 = 3.0 * u * u - 4.0 * u + 1.0;
    const double h01 = 6.0 * u - 6.0 * u * u;
    const double h11 = 3.0 * u * u - 2.0 * u;
    return (h10 * T * p.startSpeed + h01 * p.length + h11 * T * p.endSpeed) / T;
}

// The end speeds combined by `pick` (min or max) with the speed at the extremum when it lies
// inside the profile; 0 for an invalid profile.
template <typename Pick> double lf_speedBound(const SpeedProfile& p, Pick pick) noexcept {
    if (p.valid == 0) {
        return 0.0;
    }
    double bound = pick(p.startSpeed, p.endSpeed);
    const double u = gf_speedProfileExtremum(p);
    if (u > 0.0 && u < 1.0) {
        bound = pick(bound, lf_speedAtFraction(p, u));
    }
    return bound;
}

// The profile accelerates (or holds) at both ends: s''(0) >= 0 and s''(T) >= 0.
bool lf_acceleratesAtBothEnds(const SpeedProfile& p) noexcept {
    const double L = p.length;
    const double T = p.duration;
    const double atStart = (6.0 * L - 4.0 * T * p.startSpeed - 2.0 * T * p.endSpeed) / (T * T);
    const double atEnd = (2.0 * T * p.startSpeed - 6.0 * L + 4.0 * T * p.endSpeed) / (T * T);
    return atStart >= -kAccelerationTolerance && atEnd >= -kAccelerationTolerance;
}

// A built profile that kept va, stays below vmax and accelerates at both ends.
bool lf_isAcceptable(const SpeedProfile& p, double startSpeed, double maximumSpeed) noexcept {
    return p.startSpeed + kSpeedTolerance >= startSpeed &&
           gf_speedProfileMaxSpeed(p) <= maximumSpeed + kSpeedTolerance &&
           lf_acceleratesAtBothEnds(p);
}

} // namespace

bool gf_buildSpeedProfile(SpeedProfile& profile, double length, double duration, double startSpeed,
                          double endSpeed) noexcept {
    profile = SpeedProfile{};
    if (!std::isfinite(length) || !std::isfinite(duration) || !(length > 0.0) ||
        !(duration > 0.0) || !std::isfinite(startSpeed) || !std::isfinite(endSpeed)) {
        return false;
    }
    const double mean = length / duration;
    // A mean speed that underflows to 0 would turn a = va / m into 0/0.
    if (!(mean > 0.0) || !std::isfinite(mean)) {
        return false;
    }
    double a = std::max(startSpeed, 0.0) / mean;
    double b = std::max(endSpeed, 0.0) / mean;
    if (!std::isfinite(a) || !std::isfinite(b)) {
        return false;
    }
    const double squared = a * a + b * b;
    if (squared > kLargestSpeedRatioSquared) {
        const double scale = 3.0 / std::sqrt(squared);
        a *= scale;
        b *= scale;
    }
    profile = SpeedProfile{length, duration, a * mean, b * mean, 1};
    return true;
}

double gf_speedProfileFraction(const SpeedProfile& profile, double t) noexcept {
    if (!std::isfinite(t)) {
        return t > 0.0 ? 1.0 : 0.0;
    }
    const double u = t / profile.duration;
    if (std::isnan(u)) {
        return 0.0;
    }
    return std::clamp(u, 0.0, 1.0);
}

double gf_speedProfileExtremum(const SpeedProfile& profile) noexcept {
    const double T = profile.duration;
    const double L = profile.length;
    const double denominator = 3.0 * T * profile.startSpeed - 6.0 * L + 3.0 * T * profile.endSpeed;
    if (!(std::abs(denominator) / T > kLinearTolerance)) {
        return -1.0;
    }
    return (2.0 * T * profile.startSpeed + T * profile.endSpeed - 3.0 * L) / denominator;
}

double gf_speedProfileDistanceAt(const SpeedProfile& profile, double t) noexcept {
    if (profile.valid == 0) {
        return 0.0;
    }
    const double u = gf_speedProfileFraction(profile, t);
    const double T = profile.duration;
    const double h10 = u * u * u - 2.0 * u * u + u;
    const double h01 = 3.0 * u * u - 2.0 * u * u * u;
    const double h11 = u * u * u - u * u;
    return h10 * T * profile.startSpeed + h01 * profile.length + h11 * T * profile.endSpeed;
}

double gf_speedProfileSpeedAt(const SpeedProfile& profile, double t) noexcept {
    if (profile.valid == 0) {
        return 0.0;
    }
    return std::max(lf_speedAtFraction(profile, gf_speedProfileFraction(profile, t)), 0.0);
}

double gf_speedProfileMinSpeed(const SpeedProfile& profile) noexcept {
    return lf_speedBound(profile, [](double a, double b) { return std::min(a, b); });
}

double gf_speedProfileMaxSpeed(const SpeedProfile& profile) noexcept {
    return lf_speedBound(profile, [](double a, double b) { return std::max(a, b); });
}

bool gf_fitSpeedProfile(SpeedProfile& profile, double length, double duration, double startSpeed,
                        double endSpeed, double maximumSpeed) noexcept {
    if (!std::isfinite(maximumSpeed) || !(maximumSpeed > 0.0)) {
        return false;
    }
    SpeedProfile candidate;
    if (gf_buildSpeedProfile(candidate, length, duration, startSpeed, endSpeed) &&
        lf_isAcceptable(candidate, startSpeed, maximumSpeed)) {
        profile = candidate;
        return true;
    }
    if (!(length > 0.0) || !(duration > 0.0) || !(startSpeed >= 0.0)) {
        return false;
    }
    const double mean = length / duration;
    if (startSpeed > mean + kSpeedTolerance) {
        return false;
    }
    // The end speed that makes the mean come out right with a constant acceleration.
    const double fallbackEnd = std::max(2.0 * mean - startSpeed, startSpeed);
    if (!gf_buildSpeedProfile(candidate, length, duration, startSpeed, fallbackEnd) ||
        !lf_isAcceptable(candidate, startSpeed, maximumSpeed)) {
        return false;
    }
    profile = candidate;
    return true;
}

} // namespace skyloom
