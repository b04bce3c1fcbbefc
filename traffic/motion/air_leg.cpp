#include "traffic/motion/air_leg.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/hermite.h"
#include "traffic/motion/motion_constants.h"
#include "traffic/motion/track_steering.h"

namespace skyloom {

namespace {

// Ends this close to the leg's direction fly it straight: the nose turns this little within a
// tick or two.
constexpr double kStraightOffsetRad = 0.05 * geo::kRadiansPerDegree;
// A start more than this off the leg would make a curve loop.
constexpr double kLargestLegOffsetRad = 90.0 * geo::kRadiansPerDegree;
// A curve is sampled this finely to measure it and lay its table out; a limited path is
// flown in this many steps.
constexpr std::size_t kCurveSamples = 128;
constexpr std::size_t kLimitedSteps = 256;
constexpr std::size_t kMostSamples = kLimitedSteps;
// The halvings that find the arrival direction nearest the wanted one that still flies.
constexpr int kArrivalSearchSteps = 6;
// The fastest a limited path is flown against the reported speed.
constexpr double kMostPace = 1.2;
// The path keeps this share of the fastest turn allowed: its table's corners, 32 to a leg,
// make it turn a little unevenly.
constexpr double kTurnShare = 0.99;

// The leg on a flat frame around its ends' mean latitude.
struct LegFrame {
    double scale = 0.0; // metres per degree of longitude
    double east = 0.0;
    double north = 0.0;
    double length = 0.0;
    double direction = 0.0; // of the chord
};

bool lf_frame(const AirLegRequest& r, LegFrame& f) noexcept {
    constexpr double k = motion::kCurveFrameMetresPerDegree;
    f.scale = std::cos((r.from.lat + r.to.lat) / 2.0 * geo::kRadiansPerDegree) * k;
    if (!std::isfinite(f.scale) || std::abs(f.scale) < 1.0) {
        return false;
    }
    f.east = gf_longitudeDifference(r.from.lon, r.to.lon) * f.scale;
    f.north = (r.to.lat - r.from.lat) * k;
    f.length = std::hypot(f.east, f.north);
    f.direction = std::atan2(f.east, f.north);
    return true;
}

// A path sampled finely on the frame: positions, direction (unwrapped) and length flown.
struct Trace {
    std::array<double, kMostSamples + 1> east{};
    std::array<double, kMostSamples + 1> north{};
    std::array<double, kMostSamples + 1> heading{};
    std::array<double, kMostSamples + 1> along{};
    std::size_t last = 0;  // index of the last sample
    double sharpest = 0.0; // the largest turn per metre between two samples
};

void lf_addSample(Trace& trace, std::size_t i, double east, double north, double heading) {
    trace.east[i] = east;
    trace.north[i] = north;
    if (i == 0) {
        trace.heading[0] = heading;
        trace.along[0] = 0.0;
        return;
    }
    const double turn = gf_wrapAngle(heading - trace.heading[i - 1]);
    const double step = std::hypot(east - trace.east[i - 1], north - trace.north[i - 1]);
    trace.heading[i] = trace.heading[i - 1] + turn;
    trace.along[i] = trace.along[i - 1] + step;
    if (step > 0.0) {
        trace.sharpest = std::max(trace.sharpest, std::abs(turn) / step);
    }
    trace.last = i;
}

// The Hermite leg leaving along `start` and arriving along `end` (frame directions).
Trace lf_curveTrace(const LegFrame& f, double start, double end) {
    Trace trace;
    const double d = f.length * gf_curveTangentShare(start, end);
    const FlatOffset t0{d * std::sin(start), d * std::cos(start)};
    const FlatOffset p1{f.east, f.north};
    const FlatOffset t1{d * std::sin(end), d * std::cos(end)};
    for (std::size_t i = 0; i <= kCurveSamples; ++i) {
        const HermitePoint h =
            gf_hermiteAt(static_cast<double>(i) / static_cast<double>(kCurveSamples), t0, p1, t1);
        lf_addSample(trace, i, h.position.east, h.position.north,
                     std::atan2(h.derivative.east, h.derivative.north));
    }
    return trace;
}

// Whether it turns no faster than `rate` and keeps within `most` m/s when flown at an even pace
// in `seconds`.
bool lf_flies(const Trace& trace, double seconds, double rate, double most) {
    const double speed = trace.along[trace.last] / seconds;
    return trace.sharpest * speed <= rate && speed <= most;
}

// Turning toward the target at most `rate` while flying on at `speed` (m/s) for `seconds`, or
// until the target is reached.
Trace lf_limitedTrace(const LegFrame& f, double start, double rate, double speed, double seconds) {
    Trace trace;
    const double dt = seconds / static_cast<double>(kLimitedSteps);
    const double most = rate * dt;
    const double step = speed * dt;
    double east = 0.0;
    double north = 0.0;
    double heading = start;
    lf_addSample(trace, 0, east, north, heading);
    for (std::size_t i = 1; i <= kLimitedSteps; ++i) {
        const double toEast = f.east - east;
        const double toNorth = f.north - north;
        const double toTarget = std::atan2(toEast, toNorth);
        heading += std::clamp(gf_wrapAngle(toTarget - heading), -most, most);
        if (std::hypot(toEast, toNorth) <= step) {
            // There: the last step ends on the target along the direction it flew in.
            lf_addSample(trace, i, f.east, f.north, heading);
            break;
        }
        east += step * std::sin(heading);
        north += step * std::cos(heading);
        lf_addSample(trace, i, east, north, heading);
    }
    return trace;
}

// The table at even shares of the trace's length.
void lf_layOut(const Trace& trace, const LegFrame& f, AirLegPath& path) {
    const double total = trace.along[trace.last];
    const double segment = total / static_cast<double>(kAirLegSegments);
    std::size_t j = 0;
    for (std::size_t k = 0; k <= kAirLegSegments; ++k) {
        const double s = segment * static_cast<double>(k);
        while (j + 1 < trace.last && trace.along[j + 1] < s) {
            ++j;
        }
        const double span = trace.along[j + 1] - trace.along[j];
        const double u = span > 0.0 ? std::clamp((s - trace.along[j]) / span, 0.0, 1.0) : 0.0;
        const auto at = [u, j](const std::array<double, kMostSamples + 1>& v) {
            return v[j] + u * (v[j + 1] - v[j]);
        };
        const double heading = at(trace.heading);
        path.north[k] = static_cast<float>(at(trace.north) / motion::kCurveFrameMetresPerDegree);
        path.east[k] = static_cast<float>(at(trace.east) / f.scale);
        path.northTangent[k] =
            static_cast<float>(segment * std::cos(heading) / motion::kCurveFrameMetresPerDegree);
        path.eastTangent[k] = static_cast<float>(segment * std::sin(heading) / f.scale);
        path.heading[k] = static_cast<float>(heading);
    }
    path.lengthMetres = total;
}

void lf_layOutStraight(const LegFrame& f, double heading, AirLegPath& path) {
    constexpr double kSegments = static_cast<double>(kAirLegSegments);
    for (std::size_t k = 0; k <= kAirLegSegments; ++k) {
        const double share = static_cast<double>(k) / kSegments;
        path.north[k] = static_cast<float>(share * f.north / motion::kCurveFrameMetresPerDegree);
        path.east[k] = static_cast<float>(share * f.east / f.scale);
        path.northTangent[k] =
            static_cast<float>(f.north / kSegments / motion::kCurveFrameMetresPerDegree);
        path.eastTangent[k] = static_cast<float>(f.east / kSegments / f.scale);
        path.heading[k] = static_cast<float>(heading);
    }
    path.lengthMetres = f.length;
    path.shape = AirLegShape::straight;
}

} // namespace

AirLegPath gf_planAirLeg(const AirLegRequest& r) noexcept {
    AirLegPath path;
    LegFrame f;
    if (!gf_isInRange(r.from) || !gf_isInRange(r.to) || !std::isfinite(r.startHeading) ||
        !std::isfinite(r.endHeading) || !(r.seconds > 0.0) || !std::isfinite(r.seconds) ||
        !lf_frame(r, f)) {
        return path;
    }
    path.start = r.from;
    // Directions of any size (the table keeps them in floats) as compass headings.
    const double startHeading = gf_normaliseAngle(r.startHeading);
    const double rate = r.turnRateRadPerS > 0.0 ? kTurnShare * r.turnRateRadPerS
                                                : std::numeric_limits<double>::infinity();
    const double start = gf_wrapAngle(startHeading - f.direction);
    double end = gf_wrapAngle(r.endHeading - f.direction);
    if (f.length < kAirLegStraightMetres) {
        lf_layOutStraight(f, startHeading, path);
        return path;
    }
    if (std::abs(end) > kLargestLegOffsetRad) {
        end = 0.0;
    }
    if (std::abs(start) <= kStraightOffsetRad && std::abs(end) <= kStraightOffsetRad) {
        lf_layOutStraight(f, f.direction, path);
        return path;
    }
    const double chordSpeed = f.length / r.seconds;
    const double reported = r.speedMetresPerSecond > 0.0 && std::isfinite(r.speedMetresPerSecond)
                                ? r.speedMetresPerSecond
                                : chordSpeed;
    const double speed = std::clamp(chordSpeed, reported, kMostPace * reported);
    const double most = r.mostMetresPerSecond > 0.0 ? r.mostMetresPerSecond
                                                    : std::numeric_limits<double>::infinity();
    if (std::abs(start) <= kLargestLegOffsetRad) {
        const Trace curve = lf_curveTrace(f, f.direction + start, f.direction + end);
        if (lf_flies(curve, r.seconds, rate, most)) {
            lf_layOut(curve, f, path);
            path.shape = AirLegShape::curve;
            return path;
        }
        // The circular arc from the start direction through the target arrives as far off the
        // leg as it left, to the other side, and turns at one rate. Where it flies, the leg
        // arrives along the direction nearest the one wanted that still flies, between the two.
        Trace best = lf_curveTrace(f, f.direction + start, f.direction - start);
        if (lf_flies(best, r.seconds, rate, most)) {
            double flies = 0.0;
            double fails = 1.0;
            for (int i = 0; i < kArrivalSearchSteps; ++i) {
                const double share = (flies + fails) / 2.0;
                const Trace between = lf_curveTrace(f, f.direction + start,
                                                    f.direction - start + share * (end + start));
                if (lf_flies(between, r.seconds, rate, most)) {
                    flies = share;
                    best = between;
                } else {
                    fails = share;
                }
            }
            lf_layOut(best, f, path);
            path.shape = AirLegShape::arc;
            return path;
        }
    }
    lf_layOut(lf_limitedTrace(f, startHeading, rate, speed, r.seconds), f, path);
    path.shape = AirLegShape::limited;
    return path;
}

} // namespace skyloom
