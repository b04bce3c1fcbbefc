#include "tools/track_replay/replay_figures.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/motion/flat_earth.h"
#include "tools/track_replay/quantile.h"

namespace skyloom::tools {

namespace {

// The frames at and after this many seconds of track time are compared: the object stands at
// the first report when the motion starts.
constexpr double kSettleSeconds = 5.0;
// The true track is searched this far either side of a frame's time.
constexpr double kSearchSeconds = 120.0;

struct Projection {
    double crossM = 1e18;
    double seconds = 0; // track time of the nearest point on the track
};

// The nearest point of the true track's polyline within the search window.
Projection lf_project(const std::vector<TruePoint>& truth, const Lalo& here, double seconds) {
    Projection best;
    for (std::size_t i = 1; i < truth.size(); ++i) {
        const TruePoint& a = truth[i - 1];
        const TruePoint& b = truth[i];
        if (b.seconds < seconds - kSearchSeconds || a.seconds > seconds + kSearchSeconds) {
            continue;
        }
        const double cosLat = std::cos(a.latitude * geo::kRadiansPerDegree);
        const FlatOffset ab = gf_flatOffsetMetres({a.latitude, a.longitude},
                                                  {b.latitude, b.longitude}, 111319.49, cosLat);
        const FlatOffset ap =
            gf_flatOffsetMetres({a.latitude, a.longitude}, here, 111319.49, cosLat);
        const double len2 = ab.east * ab.east + ab.north * ab.north;
        const double f =
            len2 > 0 ? std::clamp((ap.east * ab.east + ap.north * ab.north) / len2, 0.0, 1.0) : 0.0;
        const double d = std::hypot(ap.east - f * ab.east, ap.north - f * ab.north);
        if (d < best.crossM) {
            best = {d, a.seconds + f * (b.seconds - a.seconds)};
        }
    }
    return best;
}

bool lf_isAirbornePhase(FlightPhase phase) {
    return phase == FlightPhase::takeoff || phase == FlightPhase::flying ||
           phase == FlightPhase::landing;
}

} // namespace

ReplayFigures gf_compareReplay(const ReplayRun& run, const std::vector<TruePoint>& truth,
                               double groundFt) {
    ReplayFigures f;
    std::vector<double> cross, lag, altitude;
    const double first = truth.front().seconds + kSettleSeconds;
    const double last = truth.back().seconds;
    const ReplayFrame* previous = nullptr;
    for (const ReplayFrame& frame : run.frames) {
        if (frame.seconds < first || frame.seconds > last) {
            continue;
        }
        const Lalo here{frame.latitude, frame.longitude};
        const Projection p = lf_project(truth, here, frame.seconds);
        cross.push_back(p.crossM);
        lag.push_back(frame.seconds - p.seconds);
        altitude.push_back(
            std::abs(frame.altitudeFt - gf_truePointAt(truth, frame.seconds).altitudeFt));
        if (previous != nullptr) {
            f.largestStepM =
                std::max(f.largestStepM,
                         gf_distanceNM({previous->latitude, previous->longitude}, here) * 1852.0);
            f.largestHeadingStepDeg =
                std::max(f.largestHeadingStepDeg,
                         std::abs(gf_wrapAngle(frame.headingRad - previous->headingRad)) *
                             geo::kDegreesPerRadian);
        }
        previous = &frame;
    }
    for (const TruePoint& p : truth) {
        f.fastestTrueSpeedKt = std::max(f.fastestTrueSpeedKt, p.groundSpeedKt);
    }
    f.frames = cross.size();
    f.crossMedianM = gf_quantile(cross, 0.5);
    f.crossP95M = gf_quantile(cross, 0.95);
    f.crossMaxM = gf_quantile(cross, 1.0);
    f.alongLagMedianS = gf_quantile(lag, 0.5);
    std::transform(lag.begin(), lag.end(), lag.begin(), [](double v) { return std::abs(v); });
    f.alongLagMaxS = gf_quantile(lag, 1.0);
    f.altitudeMedianFt = gf_quantile(altitude, 0.5);
    f.altitudeP95Ft = gf_quantile(altitude, 0.95);
    f.altitudeMaxFt = gf_quantile(altitude, 1.0);
    std::vector<FlightFrame> frames;
    for (const ReplayFrame& frame : run.frames) {
        if (frame.seconds >= first && frame.seconds <= last) {
            frames.push_back({frame.seconds, frame.latitude, frame.longitude, frame.altitudeFt,
                              frame.headingRad, lf_isAirbornePhase(frame.phase)});
        }
    }
    f.flight = gf_flightFigures(frames, run.reports, groundFt);
    return f;
}

std::string gf_replayFiguresText(const ReplayFigures& f) {
    return fmt::format(
        "frames compared:        {}\n"
        "cross-track error:      median {:.0f} m, 95th percentile {:.0f} m, maximum {:.0f} m\n"
        "along-track lag:        median {:.1f} s, largest {:.1f} s\n"
        "altitude error:         median {:.0f} ft, 95th percentile {:.0f} ft, maximum {:.0f} ft\n"
        "largest frame step:     {:.1f} m (fastest true speed {:.0f} kt)\n"
        "largest heading step:   {:.2f} deg\n"
        "heading off the track:  95th percentile {:.1f} deg, maximum {:.1f} deg, longest beyond "
        "30 deg {:.1f} s ({} frames 200 ft or more above the ground)\n"
        "track turn rate:        largest {:.1f} deg/s away from reports that turn faster than "
        "6 deg/s, {:.1f} deg/s anywhere\n"
        "vertical speed:         {:.0f} to {:.0f} fpm, at most {:.0f} fpm off the reports' "
        "smoothed vertical speed\n",
        f.frames, f.crossMedianM, f.crossP95M, f.crossMaxM, f.alongLagMedianS, f.alongLagMaxS,
        f.altitudeMedianFt, f.altitudeP95Ft, f.altitudeMaxFt, f.largestStepM, f.fastestTrueSpeedKt,
        f.largestHeadingStepDeg, f.flight.headingOffTrackP95Deg, f.flight.headingOffTrackMaxDeg,
        f.flight.secondsOffTrackBeyond30Deg, f.flight.measured, f.flight.trackTurnMaxDegPerS,
        f.flight.trackTurnMaxAnywhereDegPerS, f.flight.verticalSpeedMinFpm,
        f.flight.verticalSpeedMaxFpm, f.flight.verticalSpeedOffMaxFpm);
}

std::string gf_replayFiguresRow(const std::string& part, double fromSeconds, double toSeconds,
                                std::size_t reports, const ReplayFigures& f) {
    return fmt::format(
        "| {} | {:.0f}–{:.0f} | {} | {:.0f} / {:.0f} / {:.0f} | {:.1f} / {:.1f} | {:.0f} / {:.0f} / "
        "{:.0f} | {:.1f} ({:.0f} kt) | {:.2f} | {:.1f} / {:.1f} | {:.1f} / {:.1f} | {:.0f} |\n",
        part, fromSeconds, toSeconds, reports, f.crossMedianM, f.crossP95M, f.crossMaxM,
        f.alongLagMedianS, f.alongLagMaxS, f.altitudeMedianFt, f.altitudeP95Ft, f.altitudeMaxFt,
        f.largestStepM, f.fastestTrueSpeedKt, f.largestHeadingStepDeg,
        f.flight.headingOffTrackP95Deg, f.flight.headingOffTrackMaxDeg, f.flight.trackTurnMaxDegPerS,
        f.flight.trackTurnMaxAnywhereDegPerS, f.flight.verticalSpeedOffMaxFpm);
}

} // namespace skyloom::tools
