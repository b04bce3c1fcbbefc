// Steering along tracks: pulling a target position toward a straight track (the runway's
// centreline during the rolls), the direction of the track ahead from the following samples,
// and the curved air leg that bends from one position to the next so that it arrives along a
// wanted heading. Positions in degrees, headings and angles in radians, distances in metres.
#pragma once

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

// The point at fraction t of the leg from A to B: a cubic Hermite curve that leaves A along the
// flat direction to B and arrives along the wanted heading, turned by at most the maximum
// deviation (and at most 90 degrees) from the bearing to B. Legs under 10 m, and wanted
// headings more than 90 degrees off, are straight.
CurvePoint gf_curveTowardHeading(const Lalo& a, const Lalo& b, double wantedHeading,
                                 double maximumDeviation, double t) noexcept;

} // namespace skyloom
