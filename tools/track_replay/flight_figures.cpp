#include "tools/track_replay/flight_figures.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/motion/flat_earth.h"
#include "tools/track_replay/quantile.h"

namespace skyloom::tools {

namespace {

constexpr double kHalfWindowSeconds = 0.5;
constexpr double kSmoothingSeconds = 15.0;
// Below this much motion in a window the direction of the motion means nothing.
constexpr double kLeastMotionMetres = 1.0;
constexpr double kFarOffTrackDeg = 30.0;
// The object stands at the first report when its motion starts.
constexpr double kSettleSeconds = 5.0;

class Frames {
public:
    explicit Frames(const std::vector<FlightFrame>& frames) : frames_(frames) {}

    // The first frame at or after `seconds`; none past the end.
    const FlightFrame* at(double seconds) const {
        const auto it = std::lower_bound(
            frames_.begin(), frames_.end(), seconds,
            [](const FlightFrame& f, double s) { return f.seconds < s; });
        return it == frames_.end() ? nullptr : &*it;
    }

    // The direction of the motion around `seconds`, and the time it stands for (the middle of
    // the two frames it is taken from).
    struct Track {
        double direction = 0;
        double seconds = 0;
    };
    std::optional<Track> track(double seconds) const {
        const FlightFrame* a = at(seconds - kHalfWindowSeconds);
        const FlightFrame* b = at(seconds + kHalfWindowSeconds);
        if (a == nullptr || b == nullptr || a == b) {
            return std::nullopt;
        }
        const Lalo from{a->latitude, a->longitude};
        const Lalo to{b->latitude, b->longitude};
        if (!(gf_distanceNM(from, to) * geo::kMetresPerNM >= kLeastMotionMetres)) {
            return std::nullopt;
        }
        return Track{gf_bearing(from, to), (a->seconds + b->seconds) / 2};
    }

    std::optional<double> verticalSpeedFpm(double seconds) const {
        const FlightFrame* a = at(seconds - kHalfWindowSeconds);
        const FlightFrame* b = at(seconds + kHalfWindowSeconds);
        if (a == nullptr || b == nullptr || !(b->seconds > a->seconds)) {
            return std::nullopt;
        }
        return (b->altitudeFt - a->altitudeFt) / (b->seconds - a->seconds) * 60.0;
    }

private:
    const std::vector<FlightFrame>& frames_;
};

// The times near which a report turned fast.
std::vector<double> lf_fastTurnTimes(const std::vector<FlightReport>& reports,
                                     double fastDegPerSecond) {
    std::vector<double> times;
    for (std::size_t i = 1; i < reports.size(); ++i) {
        const double dt = reports[i].seconds - reports[i - 1].seconds;
        const double turn = std::abs(gf_wrapAngle(
            (reports[i].trackDeg - reports[i - 1].trackDeg) * geo::kRadiansPerDegree));
        if (dt > 0 && turn * geo::kDegreesPerRadian / dt > fastDegPerSecond) {
            times.push_back(reports[i - 1].seconds);
            times.push_back(reports[i].seconds);
        }
    }
    return times;
}

// The reported vertical speed at `seconds`, linear between the reports around it.
double lf_reportedVerticalSpeedAt(const std::vector<FlightReport>& reports, double seconds) {
    const auto after = std::lower_bound(
        reports.begin(), reports.end(), seconds,
        [](const FlightReport& r, double s) { return r.seconds < s; });
    if (after == reports.begin()) {
        return reports.front().verticalSpeedFpm;
    }
    if (after == reports.end()) {
        return reports.back().verticalSpeedFpm;
    }
    const FlightReport& a = *(after - 1);
    const double span = after->seconds - a.seconds;
    const double f = span > 0 ? (seconds - a.seconds) / span : 0.0;
    return a.verticalSpeedFpm + (after->verticalSpeedFpm - a.verticalSpeedFpm) * f;
}

// The mean of the reported vertical speed (linear between reports) over the 15 s either side
// of `seconds` that the reports span, taken every second.
std::optional<double> lf_smoothedVerticalSpeed(const std::vector<FlightReport>& reports,
                                               double seconds) {
    if (reports.empty()) {
        return std::nullopt;
    }
    const double from = std::max(seconds - kSmoothingSeconds, reports.front().seconds);
    const double to = std::min(seconds + kSmoothingSeconds, reports.back().seconds);
    double sum = 0;
    int count = 0;
    for (double t = from; t <= to; t += 1.0) {
        const double vs = lf_reportedVerticalSpeedAt(reports, t);
        if (std::isfinite(vs)) {
            sum += vs;
            ++count;
        }
    }
    return count > 0 ? std::optional<double>(sum / count) : std::nullopt;
}

} // namespace

FlightFigures gf_flightFigures(const std::vector<FlightFrame>& frames,
                               const std::vector<FlightReport>& reports, double groundFt,
                               double fastReportTurnDegPerSecond) {
    FlightFigures f;
    const Frames lookup(frames);
    const std::vector<double> fastTurns = lf_fastTurnTimes(reports, fastReportTurnDegPerSecond);
    std::vector<double> offTrack;
    double farSince = -1;
    for (const FlightFrame& frame : frames) {
        const double t = frame.seconds;
        // Past the last report the object extrapolates: no report to hold it to.
        if (!reports.empty() && (t < reports.front().seconds + kSettleSeconds ||
                                 t + 2 * kHalfWindowSeconds > reports.back().seconds)) {
            continue;
        }
        if (!frame.airborne || frame.altitudeFt < groundFt + kMeasuredHeightFt) {
            farSince = -1;
            continue;
        }
        const auto track = lookup.track(t);
        const auto before = lookup.track(t - kHalfWindowSeconds);
        const auto after = lookup.track(t + kHalfWindowSeconds);
        const auto vs = lookup.verticalSpeedFpm(t);
        if (!track || !before || !after || !vs || !(after->seconds > before->seconds) ||
            lookup.at(t + 2 * kHalfWindowSeconds) == nullptr ||
            t - 2 * kHalfWindowSeconds < frames.front().seconds) {
            continue;
        }
        ++f.measured;
        const double off =
            std::abs(gf_wrapAngle(frame.headingRad - track->direction)) * geo::kDegreesPerRadian;
        offTrack.push_back(off);
        if (off > kFarOffTrackDeg) {
            farSince = farSince < 0 ? t : farSince;
            f.secondsOffTrackBeyond30Deg = std::max(f.secondsOffTrackBeyond30Deg, t - farSince);
        } else {
            farSince = -1;
        }
        const double turn = std::abs(gf_wrapAngle(after->direction - before->direction)) *
                            geo::kDegreesPerRadian / (after->seconds - before->seconds);
        f.trackTurnMaxAnywhereDegPerS = std::max(f.trackTurnMaxAnywhereDegPerS, turn);
        const bool nearFastTurn = std::any_of(fastTurns.begin(), fastTurns.end(), [t](double r) {
            return std::abs(r - t) <= kFastReportReachSeconds;
        });
        if (!nearFastTurn) {
            f.trackTurnMaxDegPerS = std::max(f.trackTurnMaxDegPerS, turn);
        }
        f.verticalSpeedMinFpm = std::min(f.verticalSpeedMinFpm, *vs);
        f.verticalSpeedMaxFpm = std::max(f.verticalSpeedMaxFpm, *vs);
        if (const auto reported = lf_smoothedVerticalSpeed(reports, t)) {
            f.verticalSpeedOffMaxFpm = std::max(f.verticalSpeedOffMaxFpm, std::abs(*vs - *reported));
        }
    }
    f.headingOffTrackMedianDeg = gf_quantile(offTrack, 0.5);
    f.headingOffTrackP95Deg = gf_quantile(offTrack, 0.95);
    f.headingOffTrackMaxDeg = gf_quantile(offTrack, 1.0);
    return f;
}

} // namespace skyloom::tools
