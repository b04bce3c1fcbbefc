#include "traffic/motion/cruise_vertical.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <optional>

#include "traffic/motion/motion_constants.h"

namespace skyloom {

namespace {

constexpr double kFpmPerFtPerTick = 6000.0;
constexpr std::size_t kTrendSamples = 5;
constexpr double kAltitudeCorrectionTicks = 3000.0;
constexpr double kAltitudeCorrectionFpm = 1000.0;
// The reports bear out the rate between their altitudes when it lies within the rates they give
// by this share of the faster, or this many fpm, either side.
constexpr double kAgreementShare = 0.1;
constexpr double kAgreementLeastFpm = 300.0;
// Reports closer in time give no rate between their altitudes (the feed rounds them).
constexpr double kLeastReportSeconds = 1.0;
constexpr double kTicksPerSecond = 100.0;
// A leg that ended this close to when the next one begins, at its altitude, ended at its report.
constexpr std::int32_t kSameReportTicks = 100;
// However its path is shaped, a leg keeps within this much of the band of its two reports'
// altitudes.
constexpr double kBandMarginFt = 500.0;

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

// The speed (kt) of the step: the mean of the two samples' reported ground speeds.
double lf_legSpeedKt(const LiveAircraft& a) {
    const double v0 = a.stream[0].groundSpeedKt;
    const double v1 = a.stream[1].groundSpeedKt;
    return std::isfinite(v0) && std::isfinite(v1) ? std::max(0.0, (v0 + v1) / 2.0) : 0.0;
}

// The seconds between two reports, by their time stamps (by their arrival ticks where either
// sample has none: an extrapolated or a moved one); none below a second.
std::optional<double> lf_reportsSeconds(const TrafficSample& from, const TrafficSample& to) {
    double seconds = gf_secondsBetweenReports(from, to);
    if (!(seconds >= kLeastReportSeconds)) {
        seconds = static_cast<double>(to.time - from.time) / kTicksPerSecond;
    }
    return seconds >= kLeastReportSeconds ? std::optional<double>(seconds) : std::nullopt;
}

// Whether two reports `seconds` apart bear out their altitudes: the rate between them lies
// within the rates they report (with the margin above) and the category flies it.
bool lf_bearsOutAltitudes(const TrafficSample& from, const TrafficSample& to, double seconds,
                          double mostFpm) {
    const double between = (to.altitudeFt - from.altitudeFt) / seconds * 60.0;
    const double slowest = std::min(from.verticalSpeedFpm, to.verticalSpeedFpm);
    const double fastest = std::max(from.verticalSpeedFpm, to.verticalSpeedFpm);
    const double margin = std::max(
        kAgreementLeastFpm, kAgreementShare * std::max(std::abs(slowest), std::abs(fastest)));
    return std::isfinite(between) && std::isfinite(slowest) && std::isfinite(fastest) &&
           std::abs(between) <= mostFpm && between >= slowest - margin &&
           between <= fastest + margin;
}

// The cubic Hermite curve of the reports' altitudes at `tick`: its altitude and rate per tick;
// before and after it, straight on at its end's rate.
VerticalPoint lf_reportsAltitudeAt(const VerticalLeg& leg, std::int32_t tick) {
    if (tick <= leg.fromTick) {
        return {leg.fromFt + leg.fromFtPerTick * (tick - leg.fromTick), leg.fromFtPerTick};
    }
    if (tick >= leg.toTick) {
        return {leg.toFt + leg.toFtPerTick * (tick - leg.toTick), leg.toFtPerTick};
    }
    const double n = leg.toTick - leg.fromTick;
    const double u = (tick - leg.fromTick) / n;
    const double u2 = u * u;
    const double u3 = u2 * u;
    const double altitude = (2 * u3 - 3 * u2 + 1) * leg.fromFt +
                            (u3 - 2 * u2 + u) * n * leg.fromFtPerTick +
                            (3 * u2 - 2 * u3) * leg.toFt + (u3 - u2) * n * leg.toFtPerTick;
    const double rate = (6 * u2 - 6 * u) / n * leg.fromFt +
                        (3 * u2 - 4 * u + 1) * leg.fromFtPerTick + (6 * u - 6 * u2) / n * leg.toFt +
                        (3 * u2 - 2 * u) * leg.toFtPerTick;
    return {altitude, rate};
}

// Whether stream[0] and stream[1] are reports with altitudes of their own: not samples the
// motion made where no report put the aircraft (an extrapolated one, at the altitude of the
// report before it), nor reports that repeat the altitude and the vertical speed of the one
// before them (a transponder that updates them once a minute: four reports at 14,800 ft and
// 2,176 fpm, then 18,700 ft, would have had the aircraft climb the minute's altitude in 10 s).
bool lf_freshAltitudes(const LiveAircraft& a) {
    const auto& s = a.stream;
    const auto repeats = [](const TrafficSample& sample, double altitudeFt, double fpm) {
        return sample.altitudeFt == altitudeFt && sample.verticalSpeedFpm == fpm;
    };
    const ReachedAltitudes& reached = a.step.reachedAltitudes;
    const bool staleFrom =
        reached.count > 0 && repeats(s[0], reached.altitudeFt[reached.count - 1],
                                     reached.verticalSpeedFpm[reached.count - 1]);
    return !std::isnan(s[0].reportTime) && !std::isnan(s[1].reportTime) && !staleFrom &&
           !repeats(s[1], s[0].altitudeFt, s[0].verticalSpeedFpm);
}

// What a leg keeps to: the band of its two reports' altitudes and kBandMarginFt beyond them,
// and, where the category can fly from the one report's altitude to the other's in the time
// between them, ending within kBandMarginFt of the target's (so that the next leg starts in its
// band); a report thousands of feet off its neighbours is not chased.
struct AltitudeBand {
    double lowFt = 0.0;
    double highFt = 0.0;
    double targetFt = 0.0;
    bool endsAtTarget = false;
    bool holds(double ft) const { return ft >= lowFt && ft <= highFt; }
    bool endsWell(double ft) const {
        return holds(ft) && (!endsAtTarget || std::abs(ft - targetFt) <= kBandMarginFt);
    }
};

AltitudeBand lf_band(const LiveAircraft& a, double seconds, double mostFpm) {
    const double s0 = a.stream[0].altitudeFt;
    const double s1 = a.stream[1].altitudeFt;
    return {std::min(s0, s1) - kBandMarginFt, std::max(s0, s1) + kBandMarginFt, s1,
            std::abs(s1 - s0) / seconds * 60.0 <= mostFpm};
}

// Whether the path that a tick's easing makes of the vertical step `wanted` (ft per tick) over
// `length` ticks from where the aircraft is keeps to the band.
bool lf_easedPathKeepsTo(const AltitudeBand& band, const LiveAircraft& a, double wanted,
                         std::int32_t length) {
    const MotionStep& st = a.step;
    double rate = st.smoothingStarted != 0 ? st.smoothedVerticalStep : wanted;
    double altitude = a.sent.altitudeFt;
    if (!std::isfinite(rate) || !std::isfinite(wanted)) {
        return true;
    }
    for (std::int32_t i = 0; i < length; ++i) {
        rate += std::clamp(wanted - rate, -motion::kVerticalEasingFtPerTick,
                           motion::kVerticalEasingFtPerTick);
        altitude += rate;
        if (!band.holds(altitude)) {
            return false;
        }
    }
    return band.endsWell(altitude);
}

// The leg along the reports' altitudes on their own clock (see cruise_vertical.h), the
// aircraft's offset from them taken up at the correction's rate.
VerticalLeg lf_reportsLeg(const LiveAircraft& a, std::int32_t dueTick, std::int32_t tick,
                          double seconds, double mostFpm) {
    const auto& s = a.stream;
    const double chord = (s[1].altitudeFt - s[0].altitudeFt) / (seconds * kTicksPerSecond);
    const double mostPerTick = mostFpm / kFpmPerFtPerTick;
    VerticalLeg leg;
    leg.toTick = dueTick;
    leg.fromTick = dueTick - static_cast<std::int32_t>(std::lround(seconds * kTicksPerSecond));
    leg.fromFt = s[0].altitudeFt;
    leg.toFt = s[1].altitudeFt;
    // At each report the rate the altitudes around it give (that of the leg that ended there,
    // so that the rate goes on across it; the next report's where the category flies to it);
    // else this leg's own.
    const VerticalLeg& before = a.step.verticalLeg;
    leg.fromFtPerTick = before.toTick != 0 && before.toFt == leg.fromFt &&
                                std::abs(before.toTick - leg.fromTick) <= kSameReportTicks
                            ? before.toFtPerTick
                            : chord;
    leg.toFtPerTick = chord;
    if (s.size() >= 3 && s[2].airborne != 0) {
        if (const std::optional<double> after = lf_reportsSeconds(s[1], s[2]);
            after && std::abs(s[2].altitudeFt - s[1].altitudeFt) / *after * 60.0 <= mostFpm) {
            leg.toFtPerTick =
                (s[2].altitudeFt - s[0].altitudeFt) / ((seconds + *after) * kTicksPerSecond);
        }
    }
    leg.fromFtPerTick = std::clamp(leg.fromFtPerTick, -mostPerTick, mostPerTick);
    leg.toFtPerTick = std::clamp(leg.toFtPerTick, -mostPerTick, mostPerTick);
    leg.startTick = tick;
    leg.offsetFt = a.sent.altitudeFt - lf_reportsAltitudeAt(leg, tick).altitudeFt;
    leg.correctionFtPerTick = std::min(std::abs(leg.offsetFt) / kAltitudeCorrectionTicks,
                                       kAltitudeCorrectionFpm / kFpmPerFtPerTick);
    leg.valid = 1;
    return leg;
}

} // namespace

double gf_plausibleVerticalRateFpm(AircraftCategory category, double speedKt) noexcept {
    const auto i = static_cast<std::size_t>(category);
    const double degrees = i < motion::kSteepestPathDeg.size() ? motion::kSteepestPathDeg[i] : 90.0;
    const double rate =
        std::max(0.0, speedKt) * motion::kFpmPerKnot * std::sin(degrees * std::numbers::pi / 180.0);
    return std::isfinite(rate) ? std::max(rate, motion::kVerticalRateFloorFpm)
                               : motion::kVerticalRateFloorFpm;
}

std::optional<VerticalLeg> gf_planVerticalLeg(const LiveAircraft& a, std::int32_t dueTick,
                                              std::int32_t tick, std::int32_t length) {
    const auto& s = a.stream;
    const std::optional<double> seconds = lf_reportsSeconds(s[0], s[1]);
    const double most = gf_plausibleVerticalRateFpm(a.base.category, lf_legSpeedKt(a));
    if (!seconds || !std::isfinite(a.sent.altitudeFt) || !std::isfinite(s[0].altitudeFt) ||
        !std::isfinite(s[1].altitudeFt)) {
        return std::nullopt;
    }
    const AltitudeBand band = lf_band(a, *seconds, most);
    const bool bearsOut =
        lf_reportsVerticalSpeeds(a) && lf_bearsOutAltitudes(s[0], s[1], *seconds, most);
    const bool ownAltitudes = lf_freshAltitudes(a);
    if (!bearsOut &&
        (!ownAltitudes || lf_easedPathKeepsTo(band, a, gf_cruiseVerticalStep(a, length), length))) {
        return std::nullopt;
    }
    VerticalLeg leg = lf_reportsLeg(a, dueTick, tick, *seconds, most);
    // An aircraft far off the reports' altitudes, or off a path that would leave the band,
    // takes its offset up by the time the report falls due, at the rate every category may climb
    // or descend beside the reports' own.
    if (ownAltitudes &&
        (!bearsOut || !band.endsWell(gf_verticalLegAt(leg, leg.toTick).altitudeFt))) {
        leg.correctionFtPerTick =
            std::max(leg.correctionFtPerTick,
                     std::min(std::abs(leg.offsetFt) / std::max(1, leg.toTick - tick),
                              motion::kVerticalRateFloorFpm / kFpmPerFtPerTick));
    }
    return leg;
}

VerticalPoint gf_verticalLegAt(const VerticalLeg& leg, std::int32_t tick) noexcept {
    VerticalPoint at = lf_reportsAltitudeAt(leg, tick);
    const double left =
        std::abs(leg.offsetFt) - leg.correctionFtPerTick * std::max(0, tick - leg.startTick);
    if (left > 0) {
        at.altitudeFt += std::copysign(left, leg.offsetFt);
        at.ftPerTick -= std::copysign(leg.correctionFtPerTick, leg.offsetFt);
    }
    return at;
}

double gf_cruiseVerticalStep(const LiveAircraft& a, std::int32_t length) {
    const TrafficSample& s1 = a.stream[1];
    const std::optional<double> reported =
        lf_reportsVerticalSpeeds(a) ? lf_reportedVerticalSpeed(a) : lf_altitudeTrend(a);
    if (!reported) {
        return (s1.altitudeFt - a.sent.altitudeFt) / length;
    }
    const double miss = s1.altitudeFt - (a.sent.altitudeFt + *reported / kFpmPerFtPerTick * length);
    const double correction =
        std::clamp(miss / std::max<double>(length, kAltitudeCorrectionTicks) * kFpmPerFtPerTick,
                   -kAltitudeCorrectionFpm, kAltitudeCorrectionFpm);
    return (*reported + correction) / kFpmPerFtPerTick;
}

} // namespace skyloom
