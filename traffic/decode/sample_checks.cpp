#include "traffic/decode/sample_checks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "foundation/geo_constants.h"
#include "traffic/motion/motion_constants.h"

namespace skyloom {

namespace {

constexpr double kTimeTolerance = 1e-9;

double lf_nonNegative(double value) noexcept {
    return std::isfinite(value) && value > 0.0 ? value : 0.0;
}

// The lowest and highest speed (kt) the category may be credited with between two samples.
std::pair<double, double> lf_jumpSpeedBoundsKt(AircraftCategory category) noexcept {
    switch (category) {
    case AircraftCategory::Light:
        return {180.0, 350.0};
    case AircraftCategory::TwoProps:
        return {250.0, 500.0};
    case AircraftCategory::HighPerf:
        return {900.0, 1500.0};
    case AircraftCategory::Rotorcraft:
        return {120.0, 220.0};
    default:
        return {360.0, 700.0};
    }
}

} // namespace

JumpCheck gf_checkJumpSpeed(double distance, double time, double groundSpeedAKt,
                            double groundSpeedBKt, AircraftCategory category) noexcept {
    distance = lf_nonNegative(distance);
    time = lf_nonNegative(time);
    const auto [low, high] = lf_jumpSpeedBoundsKt(category);
    const double allowed = std::min(
        std::max(2.0 * std::max(lf_nonNegative(groundSpeedAKt), lf_nonNegative(groundSpeedBKt)),
                 low),
        high);
    JumpCheck check;
    check.minimumTime =
        distance == 0.0 ? 0.0 : distance * geo::kKnotsPerMetrePerSecond / allowed;
    if (time > 0.0) {
        check.requiredSpeed = distance / time * geo::kKnotsPerMetrePerSecond;
    } else {
        check.requiredSpeed = distance > 0.0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    check.implausible = distance > 1.0 && check.minimumTime > time + kTimeTolerance;
    return check;
}

bool gf_isSlowSegment(double distance, double time, double referenceSpeedKt) noexcept {
    if (!std::isfinite(distance) || !std::isfinite(time) || !std::isfinite(referenceSpeedKt) ||
        !(distance > 1.0) || !(time >= 5.0) || !(referenceSpeedKt >= 120.0)) {
        return false;
    }
    const double speedKt = distance / time * geo::kKnotsPerMetrePerSecond;
    return speedKt < 100.0 && speedKt < 0.65 * referenceSpeedKt;
}

bool gf_meetsHeightSpeedFloor(const HeightSpeedFloor& f) noexcept {
    return f.flag != 0 && std::isfinite(f.height1) && std::isfinite(f.height2) &&
           f.height1 >= 400.0 && f.height2 >= 400.0 && std::isfinite(f.speed) && f.speed >= 50.0;
}

bool gf_checkProfileWindow(const ProfileWindow& w) noexcept {
    const bool finite = std::isfinite(w.a) && std::isfinite(w.b) && std::isfinite(w.span) &&
                        std::isfinite(w.upper) && std::isfinite(w.lower) && std::isfinite(w.margin);
    return finite && w.span > 1000.0 && w.upper >= w.lower && w.margin > 0.0 && w.b > w.a &&
           w.b >= -w.margin;
}

bool gf_confirmChange(std::string_view oldText, std::string_view newText, PendingChange& pending) {
    constexpr int kSightings = 3;
    if (newText.empty() || newText == oldText) {
        pending = PendingChange{};
        return false;
    }
    if (newText == pending.text) {
        if (++pending.count >= kSightings) {
            pending = PendingChange{};
            return true;
        }
        return false;
    }
    pending = PendingChange{std::string(newText), 1};
    return false;
}

FinalDescent gf_steepenFinalDescent(const FinalDescentRequest& r) noexcept {
    const FinalDescent unchanged{r.verticalSpeed, 0.0, false};
    const double height = r.heightA - r.heightB;
    const bool finite = std::isfinite(r.verticalSpeed) && std::isfinite(height) &&
                        std::isfinite(r.distanceFlown) && std::isfinite(r.totalDistance) &&
                        std::isfinite(r.speedKt);
    if (!finite || !(height > 1.0 && height <= 250.0) || !(r.distanceFlown < r.totalDistance) ||
        !(r.totalDistance > 0.0) || !(r.speedKt > 0.0) || gf_meetsHeightSpeedFloor(r.floor)) {
        return unchanged;
    }
    const double speed = std::clamp(r.speedKt, 40.0, 200.0) * geo::kMetresPerSecondPerKnot;
    const double window = std::min(r.totalDistance / 3.0, 1000.0);
    // Level flight or a climb never loses the height; only a descent can reach it in time.
    if (r.verticalSpeed < 0.0 &&
        r.distanceFlown + speed * height * 60.0 / -r.verticalSpeed <= window) {
        return unchanged;
    }
    const double aim = std::min(std::max(r.distanceFlown + 100.0, std::min(window, 600.0)),
                                r.totalDistance - 100.0);
    if (!(aim > r.distanceFlown)) {
        return unchanged;
    }
    const double steeper = std::max(-height * 60.0 * speed / (aim - r.distanceFlown), -1200.0);
    if (!(steeper < r.verticalSpeed)) {
        return unchanged;
    }
    return FinalDescent{steeper, aim, true};
}

} // namespace skyloom
