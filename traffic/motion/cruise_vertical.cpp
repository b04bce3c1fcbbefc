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

bool lf_repeats(const TrafficSample& sample, double altitudeFt, double fpm) {
    return sample.altitudeFt == altitudeFt && sample.verticalSpeedFpm == fpm;
}

// Whether `s0`, the sample just reached, repeats the altitude and the vertical speed of the
// one reached before it.
bool lf_repeatsReached(const ReachedAltitudes& reached, const TrafficSample& s0) {
    return reached.count > 0 && lf_repeats(s0, reached.altitudeFt[reached.count - 1],
                                           reached.verticalSpeedFpm[reached.count - 1]);
}

// Where the altitude of the leg's first report is its own, that report; where it repeats the
// altitude and the vertical speed of the reports before it (a transponder that updates them once
// a minute: four reports at 14,800 ft and 2,176 fpm, then 18,700 ft, would have had the aircraft
// climb the minute's altitude in 10 s), the first of them, whose time the altitude belongs to.
// None for a sample the motion made where no report put the aircraft (an extrapolated one, at
// the altitude of the report before it).
std::optional<TrafficSample> lf_ownAltitudeFrom(const LiveAircraft& a) {
    const TrafficSample& s0 = a.stream[0];
    const ReachedAltitudes& reached = a.step.reachedAltitudes;
    if (std::isnan(s0.reportTime)) {
        return std::nullopt;
    }
    if (!lf_repeatsReached(reached, s0)) {
        return s0;
    }
    if (reached.ownKnown == 0 ||
        !lf_repeats(s0, reached.ownAltitudeFt, reached.ownVerticalSpeedFpm)) {
        return std::nullopt;
    }
    TrafficSample from = s0;
    from.time = reached.ownTick;
    from.reportTime = reached.ownReportTime;
    return from;
}

// The sample of the stream the leg's altitudes run to: stream[1] where it is a report with an
// altitude of its own; where it repeats stream[0]'s altitude and vertical speed, the first
// report after it that does not (the reports between say nothing of the altitude at their
// times); none where `from` (lf_ownAltitudeFrom) has no altitude of its own, or a sample the
// motion made, a report on the ground or the stream's end comes first.
std::optional<std::size_t> lf_ownAltitudeTo(const LiveAircraft& a,
                                            const std::optional<TrafficSample>& from) {
    const auto& s = a.stream;
    if (!from) {
        return std::nullopt;
    }
    for (std::size_t k = 1; k < s.size(); ++k) {
        if (std::isnan(s[k].reportTime) || (k > 1 && s[k].airborne == 0)) {
            return std::nullopt;
        }
        if (!lf_repeats(s[k], s[0].altitudeFt, s[0].verticalSpeedFpm)) {
            return k;
        }
    }
    return std::nullopt;
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

AltitudeBand lf_band(double fromFt, double toFt, double seconds, double mostFpm) {
    return {std::min(fromFt, toFt) - kBandMarginFt, std::max(fromFt, toFt) + kBandMarginFt, toFt,
            std::abs(toFt - fromFt) / seconds * 60.0 <= mostFpm};
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

// The leg along the reports' altitudes on their own clock (see cruise_vertical.h) from `from`
// to stream[`to`], which falls due at `dueTick`, the aircraft's offset from them taken up at
// the correction's rate.
VerticalLeg lf_reportsLeg(const LiveAircraft& a, const TrafficSample& from, std::size_t to,
                          std::int32_t dueTick, std::int32_t tick, double seconds, double mostFpm) {
    const auto& s = a.stream;
    const double chord = (s[to].altitudeFt - from.altitudeFt) / (seconds * kTicksPerSecond);
    const double mostPerTick = mostFpm / kFpmPerFtPerTick;
    VerticalLeg leg;
    leg.toTick = dueTick;
    leg.fromTick = dueTick - static_cast<std::int32_t>(std::lround(seconds * kTicksPerSecond));
    leg.fromFt = from.altitudeFt;
    leg.toFt = s[to].altitudeFt;
    // At each report the rate the altitudes around it give (that of the leg that ended there,
    // so that the rate goes on across it; the next report's where the category flies to it);
    // else this leg's own.
    const VerticalLeg& before = a.step.verticalLeg;
    leg.fromFtPerTick = before.toTick != 0 && before.toFt == leg.fromFt &&
                                std::abs(before.toTick - leg.fromTick) <= kSameReportTicks
                            ? before.toFtPerTick
                            : chord;
    leg.toFtPerTick = chord;
    if (s.size() >= to + 2 && s[to + 1].airborne != 0) {
        if (const std::optional<double> after = lf_reportsSeconds(s[to], s[to + 1]);
            after && std::abs(s[to + 1].altitudeFt - s[to].altitudeFt) / *after * 60.0 <= mostFpm) {
            leg.toFtPerTick =
                (s[to + 1].altitudeFt - from.altitudeFt) / ((seconds + *after) * kTicksPerSecond);
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
    const double most = gf_plausibleVerticalRateFpm(a.base.category, lf_legSpeedKt(a));
    const std::optional<double> pairSeconds = lf_reportsSeconds(s[0], s[1]);
    const bool pairBearsOut = pairSeconds && lf_reportsVerticalSpeeds(a) &&
                              lf_bearsOutAltitudes(s[0], s[1], *pairSeconds, most);
    // Between reports of their own altitudes: stream[0] and stream[1], or where either repeats
    // the altitude and the vertical speed before it and the two disagree with their vertical
    // speeds (a level flight's repeats agree with theirs), from the first of the repeated
    // altitude to the report after the last repeat.
    const std::optional<TrafficSample> own = lf_ownAltitudeFrom(a);
    const std::optional<std::size_t> ownTo = lf_ownAltitudeTo(a, own);
    const bool stretched = ownTo && (*ownTo > 1 || own->time != s[0].time);
    const bool ownAltitudes = ownTo && (!stretched || !pairBearsOut);
    const TrafficSample& from = ownAltitudes ? *own : s[0];
    const std::size_t to = ownAltitudes ? *ownTo : 1;
    const std::optional<double> beyond =
        to > 1 ? lf_reportsSeconds(s[1], s[to]) : std::optional<double>(0.0);
    const std::optional<double> seconds = lf_reportsSeconds(from, s[to]);
    if (!seconds || !beyond || !std::isfinite(a.sent.altitudeFt) ||
        !std::isfinite(from.altitudeFt) || !std::isfinite(s[to].altitudeFt)) {
        return std::nullopt;
    }
    const std::int32_t toTick =
        dueTick + static_cast<std::int32_t>(std::lround(*beyond * kTicksPerSecond));
    const AltitudeBand band = lf_band(from.altitudeFt, s[to].altitudeFt, *seconds, most);
    const bool bearsOut = ownAltitudes && stretched
                              ? lf_reportsVerticalSpeeds(a) &&
                                    lf_bearsOutAltitudes(from, s[to], *seconds, most)
                              : pairBearsOut;
    // Where stream[1] repeats stream[0]'s altitude, the reported vertical speed is not flown
    // either: the repeats may hold one altitude for a minute and then step by 1,500 ft.
    if (!bearsOut &&
        (!ownAltitudes ||
         (to == 1 && lf_easedPathKeepsTo(band, a, gf_cruiseVerticalStep(a, length), length)))) {
        return std::nullopt;
    }
    VerticalLeg leg = lf_reportsLeg(a, from, to, toTick, tick, *seconds, most);
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

void gf_rememberReachedAltitude(ReachedAltitudes& reached, const TrafficSample& s0) {
    if (s0.airborne == 0 || !std::isfinite(s0.altitudeFt)) {
        reached.count = 0;
        reached.ownKnown = 0;
        return;
    }
    if (!std::isnan(s0.reportTime) && !lf_repeatsReached(reached, s0)) {
        reached.ownTick = s0.time;
        reached.ownReportTime = s0.reportTime;
        reached.ownAltitudeFt = s0.altitudeFt;
        reached.ownVerticalSpeedFpm = s0.verticalSpeedFpm;
        reached.ownKnown = 1;
    }
    if (reached.count == ReachedAltitudes::kKept) {
        std::shift_left(reached.tick.begin(), reached.tick.end(), 1);
        std::shift_left(reached.altitudeFt.begin(), reached.altitudeFt.end(), 1);
        std::shift_left(reached.verticalSpeedFpm.begin(), reached.verticalSpeedFpm.end(), 1);
        --reached.count;
    }
    reached.tick[reached.count] = s0.time;
    reached.altitudeFt[reached.count] = s0.altitudeFt;
    reached.verticalSpeedFpm[reached.count] = s0.verticalSpeedFpm;
    ++reached.count;
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
