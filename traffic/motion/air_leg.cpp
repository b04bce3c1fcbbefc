#include "traffic/motion/air_leg.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

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

// A path of two turns at one radius joined by a straight (the shortest of the four that leave
// along `start` and arrive along `end`, frame directions; each turn right or left): where a
// curve between the ends would turn too fast for a while, this turns at the rate allowed and
// no faster, and still arrives on the target along the direction wanted.
struct TurnStraightTurn {
    double radius = 0.0;
    double start = 0.0;
    int firstSense = 1;     // 1 to the right, -1 to the left
    double firstTurn = 0.0; // radians, unsigned
    double straight = 0.0;
    double straightDirection = 0.0;
    int secondSense = 1;
    double secondTurn = 0.0;
    double length = std::numeric_limits<double>::infinity();
};

// The centre of the turn of `sense` at (north, east) along `direction`.
FlatOffset lf_turnCentre(double north, double east, double direction, int sense, double radius) {
    return {east + sense * radius * std::cos(direction),
            north - sense * radius * std::sin(direction)};
}

double lf_turnAngle(double from, double to, int sense) {
    double a = std::fmod(sense * (to - from), 2.0 * std::numbers::pi);
    if (a < 0.0) {
        a += 2.0 * std::numbers::pi;
    }
    return a > 2.0 * std::numbers::pi - 1e-9 ? 0.0 : a;
}

TurnStraightTurn lf_turnStraightTurn(const LegFrame& f, double start, double end, double radius,
                                     int firstSense, int secondSense) {
    TurnStraightTurn p;
    p.radius = radius;
    p.start = start;
    p.firstSense = firstSense;
    p.secondSense = secondSense;
    const FlatOffset c0 = lf_turnCentre(0.0, 0.0, start, firstSense, radius);
    const FlatOffset c1 = lf_turnCentre(f.north, f.east, end, secondSense, radius);
    const double dEast = c1.east - c0.east;
    const double dNorth = c1.north - c0.north;
    const double d = std::hypot(dEast, dNorth);
    double direction = std::atan2(dEast, dNorth);
    if (firstSense == secondSense) {
        p.straight = d;
    } else {
        if (!(d >= 2.0 * radius)) {
            return p;
        }
        p.straight = std::sqrt(d * d - 4.0 * radius * radius);
        direction += firstSense * std::atan2(2.0 * radius, p.straight);
    }
    p.straightDirection = direction;
    p.firstTurn = lf_turnAngle(start, direction, firstSense);
    p.secondTurn = lf_turnAngle(direction, end, secondSense);
    p.length = radius * (p.firstTurn + p.secondTurn) + p.straight;
    return p;
}

// The shortest such path flown over `seconds` at the pace its length makes, its turns at
// `rate`: the radius and the pace depend on each other, and are found together.
TurnStraightTurn lf_shortestTurnStraightTurn(const LegFrame& f, double start, double end,
                                             double seconds, double rate, double most) {
    constexpr int kMostRounds = 40;
    // The turns keep a little below the rate: the table's cubics round their ends off.
    constexpr double kRateShare = 0.97;
    TurnStraightTurn best;
    for (const int first : {1, -1}) {
        for (const int second : {1, -1}) {
            double pace = f.length / seconds;
            TurnStraightTurn p;
            for (int i = 0; i < kMostRounds && pace <= most; ++i) {
                p = lf_turnStraightTurn(f, start, end, pace / (kRateShare * rate), first, second);
                const double next = p.length / seconds;
                if (!std::isfinite(next)) {
                    break;
                }
                if (std::abs(next - pace) < 1e-4 * pace) {
                    if (p.length < best.length) {
                        best = p;
                    }
                    break;
                }
                pace = next;
            }
        }
    }
    return best;
}

Trace lf_turnStraightTurnTrace(const TurnStraightTurn& p) {
    Trace trace;
    const double r = p.radius;
    const FlatOffset c0 = lf_turnCentre(0.0, 0.0, p.start, p.firstSense, r);
    const double firstEnd = r * p.firstTurn;
    const double straightEnd = firstEnd + p.straight;
    const double leave = p.straightDirection;
    const FlatOffset t0{c0.east - p.firstSense * r * std::cos(leave),
                        c0.north + p.firstSense * r * std::sin(leave)};
    const FlatOffset t1{t0.east + p.straight * std::sin(leave),
                        t0.north + p.straight * std::cos(leave)};
    const FlatOffset c1 = lf_turnCentre(t1.north, t1.east, leave, p.secondSense, r);
    for (std::size_t i = 0; i <= kCurveSamples; ++i) {
        const double along = p.length * static_cast<double>(i) / static_cast<double>(kCurveSamples);
        double heading = leave;
        FlatOffset at;
        if (along <= firstEnd) {
            heading = p.start + p.firstSense * along / r;
            at = {c0.east - p.firstSense * r * std::cos(heading),
                  c0.north + p.firstSense * r * std::sin(heading)};
        } else if (along <= straightEnd) {
            at = {t0.east + (along - firstEnd) * std::sin(leave),
                  t0.north + (along - firstEnd) * std::cos(leave)};
        } else {
            heading = leave + p.secondSense * (along - straightEnd) / r;
            at = {c1.east - p.secondSense * r * std::cos(heading),
                  c1.north + p.secondSense * r * std::sin(heading)};
        }
        lf_addSample(trace, i, at.east, at.north, heading);
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
    }
    // A curve that turns too fast for a while: turns at the rate allowed and a straight between
    // them still arrive along the direction wanted, so that the next leg starts on the reports'
    // line instead of as far off it to the other side.
    if (const TurnStraightTurn turns = lf_shortestTurnStraightTurn(
            f, f.direction + start, f.direction + end, r.seconds, rate, most);
        std::isfinite(turns.length)) {
        const Trace trace = lf_turnStraightTurnTrace(turns);
        if (lf_flies(trace, r.seconds, rate, most)) {
            lf_layOut(trace, f, path);
            path.shape = AirLegShape::turns;
            return path;
        }
    }
    if (std::abs(start) <= kLargestLegOffsetRad) {
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
