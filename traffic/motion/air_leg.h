// The path of one air step, planned once when the step is set up, so that a tick only moves
// along it: from the aircraft's position, leaving along its direction of flight, to the step's
// target, arriving along the direction it is to have there, never turning faster than the
// aircraft's category can. The path is kept as a table of points at even shares of its length
// (offsets from its start in degrees, the path's direction there as the tangents of a cubic
// between two points, and in radians), which a tick interpolates without any trigonometry.
//
// The shapes, tried in this order:
// - straight: both ends along the leg (within a twentieth of a degree), or a leg under 10 m;
//   the step's own per-tick increments fly it;
// - curve: the Hermite leg of gf_curveBetweenHeadings (traffic/motion/track_steering.h) from
//   the start to the end direction, where it turns no faster than allowed;
// - turns: else two turns at the rate allowed joined by a straight (each to the right or the
//   left, the shortest of the four), flown at an even pace that keeps its turns within the
//   rate: the target is reached along the direction wanted, so that after a corner the next
//   leg starts on the reports' line;
// - arc: else, where the circular arc that leaves along the start direction and ends at the
//   target (as far off the leg as it left, to the other side) turns slowly enough, the curve
//   that arrives along the direction nearest the wanted one that still does, between the two;
// - limited: else the aircraft turns toward the target as fast as it may and flies on at the
//   reported speed (or the straight line's, where that is faster, but at most 1.2 times the
//   reported speed: a report far off the path is not raced to); a target it cannot reach in
//   the leg's time is not reached, and the next legs catch up from where it is. A start
//   direction more than 90 degrees off the leg takes the turns or this.
// A curve or an arc is flown at an even pace over the leg's time: one that would need more
// than the most speed allowed is not flown either.
// Positions in degrees, directions in radians, the time in seconds.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>

#include "foundation/lalo.h"

namespace skyloom {

inline constexpr std::size_t kAirLegSegments = 32;
// A leg shorter than this is straight.
inline constexpr double kAirLegStraightMetres = 10.0;

struct AirLegRequest {
    Lalo from;
    Lalo to;
    double startHeading = 0.0;         // the direction of flight at `from`
    double endHeading = 0.0;           // the direction wanted at `to`
    double seconds = 0.0;              // the time the leg is flown in
    double turnRateRadPerS = 0.0;      // the fastest the path may turn
    double speedMetresPerSecond = 0.0; // the speed reported
    double mostMetresPerSecond = 0.0;  // the fastest a curve may be flown
};

enum class AirLegShape : std::uint8_t { none, straight, curve, turns, arc, limited };

struct AirLegPath {
    using Column = std::array<float, kAirLegSegments + 1>;
    Lalo start;
    // At share k / kAirLegSegments of the length: degrees of latitude and (wrapped) longitude
    // from the start, the path's direction there as the same degrees over one segment (the
    // tangents of a cubic between two points, so that the path bends smoothly between them),
    // and the direction in radians, unwrapped along the leg.
    Column north{};
    Column east{};
    Column northTangent{};
    Column eastTangent{};
    Column heading{};
    double lengthMetres = 0.0;
    AirLegShape shape = AirLegShape::none;
};

// The path of the leg; shape `none` for inputs that are not finite or positions out of range.
AirLegPath gf_planAirLeg(const AirLegRequest& request) noexcept;

struct AirLegPoint {
    double latitude = 0.0;
    double longitude = 0.0; // not wrapped into [-180, 180]
    double heading = 0.0;   // in [0, 2 pi)
};

// The point at `share` of the path's length, clamped to [0, 1].
inline AirLegPoint gf_airLegPointAt(const AirLegPath& path, double share) noexcept {
    constexpr double kSegments = static_cast<double>(kAirLegSegments);
    const double at = (share > 0.0 ? (share < 1.0 ? share : 1.0) : 0.0) * kSegments;
    const std::size_t i = at < kSegments - 1.0 ? static_cast<std::size_t>(at) : kAirLegSegments - 1;
    const double u = at - static_cast<double>(i);
    const double u2 = u * u;
    const double u3 = u2 * u;
    const double h01 = 3.0 * u2 - 2.0 * u3;
    const double h10 = u3 - 2.0 * u2 + u;
    const double h11 = u3 - u2;
    const auto cubic = [&](const AirLegPath::Column& p, const AirLegPath::Column& m) {
        return static_cast<double>(p[i]) +
               h01 * (static_cast<double>(p[i + 1]) - static_cast<double>(p[i])) +
               h10 * static_cast<double>(m[i]) + h11 * static_cast<double>(m[i + 1]);
    };
    constexpr double kTurn = 2.0 * std::numbers::pi;
    const double heading =
        static_cast<double>(path.heading[i]) +
        u * (static_cast<double>(path.heading[i + 1]) - static_cast<double>(path.heading[i]));
    return AirLegPoint{path.start.lat + cubic(path.north, path.northTangent),
                       path.start.lon + cubic(path.east, path.eastTangent),
                       heading - kTurn * std::floor(heading / kTurn)};
}

} // namespace skyloom
