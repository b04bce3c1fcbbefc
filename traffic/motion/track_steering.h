// Steering along tracks: pulling a target position toward a straight track (the runway's
// centreline during the rolls), the direction of the track ahead from the following samples,
// and the curved air leg that bends from one position to the next, leaving along one heading
// and arriving along another. Positions in degrees, headings and angles in radians, distances
// in metres.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "foundation/lalo.h"

namespace skyloom {

struct TrackPullRequest {
    Lalo from;            // A: a point of the track
    Lalo to;              // B: the target to pull
    double heading = 0.0; // the track's direction from A
    double maximumAngle = 0.0;
    double maximumCross = 0.0; // m
    double factor = 0.0;       // share of the cross offset kept, in [0, 1]
};

struct TrackPull {
    Lalo position;              // the pulled target, or B
    double bearing = 0.0;       // from A to the position
    double angle = 0.0;         // B's bearing from A minus the heading, as measured
    double crossDistance = 0.0; // m, B's offset from the track as measured (right positive)
    std::uint8_t moved = 0;
};

// Moves B toward the track through A along the heading, keeping `factor` of its cross offset,
// when B lies ahead of A within the maximum angle and cross distance; else gives B unmoved.
TrackPull gf_pullTowardTrack(const TrackPullRequest& request) noexcept;

struct TrackDirection {
    double direction = 0.0; // bearing to the last accepted point
    double distance = 0.0;  // m, to the last accepted point
    bool valid = false;
};

// The direction of the track ahead of `position`: its points are walked until the first
// invalid one or the first beyond the maximum distance, skipping those within 1 m. Valid when
// two distinct points were accepted, the last at least the minimum distance away, and both the
// bearing to the first and the heading lie within the maximum angle of the bearing to the last.
TrackDirection gf_trackDirectionAhead(const Lalo& position, std::span<const Lalo> track,
                                      double heading, double minimumDistance,
                                      double maximumDistance, double maximumAngle) noexcept;

struct CurvePoint {
    double latitude = 0.0;
    double longitude = 0.0;
    double heading = 0.0; // in [0, 2 pi)
    std::uint8_t curved = 0;
    std::uint8_t valid = 0;
};

// The point at fraction t of the leg from A to B that leaves A along `startHeading` and arrives
// at B along `endHeading`: the curved air leg. Followed leg after leg, each starting along the
// direction the last one ended in, the path has no corners. Its tangents are as long as a
// circular arc turning from the one heading to the other needs (a leg whose ends make an arc
// turns evenly along it), and at least a tenth longer than the leg, which spreads the turn of
// a leg whose ends are no arc more evenly over it. A heading more than 90 degrees off the
// bearing to B is replaced by the leg's own direction (the curve would loop); legs under 10 m
// are straight (heading 0). The heading of the point is the curve's direction there;
// `curved` is set when either end turns half a degree or more off the leg's direction.
CurvePoint gf_curveBetweenHeadings(const Lalo& a, const Lalo& b, double startHeading,
                                   double endHeading, double t) noexcept;

// The length of the curved leg's tangents against its chord for its end directions (radians):
// what a circular arc turning from the one to the other needs, at least 1.1.
double gf_curveTangentShare(double startDirection, double endDirection) noexcept;

// The curve's parameter against the share of its length reached, so that a leg followed at
// an even pace along its length keeps one speed. Empty (not valid) where the curve is not.
inline constexpr std::size_t kCurveTableSteps = 32;
struct CurveTable {
    std::array<double, kCurveTableSteps + 1> share{}; // of the length, at t = i / steps
    std::uint8_t valid = 0;
};
CurveTable gf_curveTable(const Lalo& a, const Lalo& b, double startHeading,
                         double endHeading) noexcept;
// The parameter t at which the share (clamped to [0, 1]) of the length is reached; the share
// itself for a table that is not valid.
double gf_curveParameterAt(const CurveTable& table, double share) noexcept;

} // namespace skyloom
