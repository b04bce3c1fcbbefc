#include "sim/ai_position_history.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"

namespace skyloom {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

AIPosition lf_between(const AIPosition& a, const AIPosition& b, double f) noexcept {
    AIPosition p;
    p.latitude = std::lerp(a.latitude, b.latitude, f);
    p.longitude =
        std::remainder(a.longitude + std::remainder(b.longitude - a.longitude, 360.0) * f, 360.0);
    p.pitch = std::lerp(a.pitch, b.pitch, f);
    p.bank = std::lerp(a.bank, b.bank, f);
    double heading = std::fmod(
        a.headingTrue + std::remainder(b.headingTrue - a.headingTrue, kTwoPi) * f, kTwoPi);
    if (heading < 0) {
        heading += kTwoPi;
    }
    p.headingTrue = heading;
    p.altitude = std::lerp(a.altitude, b.altitude, f);
    p.verticalSpeed = std::lerp(a.verticalSpeed, b.verticalSpeed, f);
    p.trueAirspeed = std::lerp(a.trueAirspeed, b.trueAirspeed, f);
    return p;
}

} // namespace

bool gf_isAIPositionJump(const AIPositionSample& newest, const AIPositionSample& next) noexcept {
    const std::int64_t step = next.timeNs - newest.timeNs;
    if (step < 1 || step > kAIPositionMaxSpanNs) {
        return true;
    }
    const double metres = gf_distanceNM(Lalo{newest.position.latitude, newest.position.longitude},
                                        Lalo{next.position.latitude, next.position.longitude}) *
                          geo::kMetresPerNM;
    // Written so that a not-a-number distance or altitude counts as a jump too.
    return !(metres <= kAIPositionMaxJumpMetres) ||
           !(std::abs(next.position.altitude - newest.position.altitude) <= kAIPositionMaxJumpFeet);
}

void gf_addAIPositionSample(AIPositionHistory& history, const AIPositionSample& sample) noexcept {
    if (!history.samples.empty() && gf_isAIPositionJump(history.samples.back(), sample)) {
        history.samples.clear();
    }
    history.samples.push_back(sample);
}

std::optional<AIPosition> gf_interpolateAIPosition(AIPositionHistory& history,
                                                   std::int64_t nowNs) noexcept {
    AIPositionRing& samples = history.samples;
    if (samples.empty()) {
        return std::nullopt;
    }
    const std::int64_t target = nowNs - history.renderDelayNs;
    while (samples.size() >= 3 && samples[1].timeNs <= target) {
        samples.pop_front();
    }
    if (samples.size() == 1 || target <= samples.front().timeNs) {
        return samples.front().position;
    }
    if (target >= samples.back().timeNs) {
        return samples.back().position;
    }
    // The first sample later than the target; the oldest is not, the newest is.
    std::size_t lo = 1;
    std::size_t hi = samples.size() - 1;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (samples[mid].timeNs > target) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    const AIPositionSample& later = samples[lo];
    const AIPositionSample& earlier = samples[lo - 1];
    const std::int64_t span = later.timeNs - earlier.timeNs;
    if (span < 1 || span > kAIPositionMaxSpanNs) {
        return samples.back().position;
    }
    const double f = std::clamp(static_cast<double>(target - earlier.timeNs) * 1e-9 /
                                    (static_cast<double>(span) * 1e-9),
                                0.0, 1.0);
    return lf_between(earlier.position, later.position, f);
}

} // namespace skyloom
