#include "traffic/motion/cruise_vertical.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <optional>

namespace skyloom {

namespace {

constexpr double kFpmPerFtPerTick = 6000.0;
constexpr std::size_t kTrendSamples = 5;
constexpr std::int32_t kAltitudeCorrectionTicks = 3000;
constexpr double kAltitudeCorrectionFpm = 1000.0;

// The mean of the finite reported vertical speeds of stream[0] and stream[1] (fpm).
std::optional<double> lf_reportedVerticalSpeed(const LiveAircraft& a) {
    double sum = 0.0;
    int count = 0;
    for (std::size_t i = 0; i < 2; ++i) {
        if (std::isfinite(a.stream[i].verticalSpeedFpm)) {
            sum += a.stream[i].verticalSpeedFpm;
            ++count;
        }
    }
    return count > 0 ? std::optional<double>(sum / count) : std::nullopt;
}

// The vertical speed (fpm) of the reports' altitudes over the last samples reached, stream[0]
// and the next airborne samples: the median of the slopes between every two of them, which a
// wobbly report or two move little, even at the end of the stream.
std::optional<double> lf_altitudeTrend(const LiveAircraft& a) {
    constexpr std::size_t kPoints = ReachedAltitudes::kKept + kTrendSamples;
    std::array<std::int32_t, kPoints> ticks{};
    std::array<double, kPoints> altitudes{};
    std::size_t points = 0;
    const ReachedAltitudes& reached = a.step.reachedAltitudes;
    for (std::size_t i = 0; i < reached.count; ++i) {
        if (reached.tick[i] < a.stream[0].time) {
            ticks[points] = reached.tick[i];
            altitudes[points++] = reached.altitudeFt[i];
        }
    }
    for (std::size_t i = 0; i < a.stream.size() && i < kTrendSamples; ++i) {
        if (i > 0 && a.stream[i].airborne == 0) {
            break;
        }
        ticks[points] = a.stream[i].time;
        altitudes[points++] = a.stream[i].altitudeFt;
    }
    std::array<double, kPoints*(kPoints - 1) / 2> slopes{};
    std::size_t count = 0;
    for (std::size_t i = 1; i < points; ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            const std::int32_t span = ticks[i] - ticks[j];
            const double slope = (altitudes[i] - altitudes[j]) / span * kFpmPerFtPerTick;
            if (span > 0 && std::isfinite(slope)) {
                slopes[count++] = slope;
            }
        }
    }
    if (count == 0) {
        return std::nullopt;
    }
    std::sort(slopes.begin(), slopes.begin() + static_cast<std::ptrdiff_t>(count));
    return count % 2 == 1 ? slopes[count / 2] : (slopes[count / 2 - 1] + slopes[count / 2]) / 2.0;
}

// Whether the feed gives this aircraft's vertical speeds: a feed without them reports 0.
bool lf_reportsVerticalSpeeds(const LiveAircraft& a) {
    const auto& s = a.stream;
    for (std::size_t i = 0; i < s.size() && i < kTrendSamples; ++i) {
        if (std::isfinite(s[i].verticalSpeedFpm) && s[i].verticalSpeedFpm != 0.0) {
            return true;
        }
    }
    return false;
}

} // namespace

double gf_cruiseVerticalStep(const LiveAircraft& a, std::int32_t length) {
    const TrafficSample& s1 = a.stream[1];
    const std::optional<double> reported =
        lf_reportsVerticalSpeeds(a) ? lf_reportedVerticalSpeed(a) : lf_altitudeTrend(a);
    if (!reported) {
        return (s1.altitudeFt - a.sent.altitudeFt) / length;
    }
    const double miss = s1.altitudeFt - (a.sent.altitudeFt + *reported / kFpmPerFtPerTick * length);
    const double correction =
        std::clamp(miss / std::max(length, kAltitudeCorrectionTicks) * kFpmPerFtPerTick,
                   -kAltitudeCorrectionFpm, kAltitudeCorrectionFpm);
    return (*reported + correction) / kFpmPerFtPerTick;
}

} // namespace skyloom
