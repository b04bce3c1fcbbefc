#include "traffic/motion/track_steering.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/hermite.h"
#include "traffic/motion/motion_constants.h"

namespace skyloom {

namespace {

constexpr double kSamePointDegrees = 1e-8;
constexpr double kSkippedPointMetres = 1.0;
constexpr double kStraightLegMetres = 10.0;
constexpr double kSmallestBendRad = 0.5 * geo::kRadiansPerDegree;
constexpr double kSmallestTangent = 1e-6;

bool lf_samePoint(const Lalo& a, const Lalo& b) noexcept {
    return std::abs(a.lat - b.lat) <= kSamePointDegrees &&
           std::abs(gf_longitudeDifference(a.lon, b.lon)) <= kSamePointDegrees;
}

} // namespace

TrackPull gf_pullTowardTrack(const TrackPullRequest& r) noexcept {
    TrackPull out;
    out.position = r.to;
    const bool fromValid = gf_isValidLalo(r.from);
    const bool same = lf_samePoint(r.from, r.to);
    out.bearing = !fromValid || same ? r.heading : gf_bearing(r.from, r.to);
    if (!fromValid || !gf_isValidLalo(r.to) || same || !gf_isHeading(r.heading) ||
        !(r.maximumAngle > 0.0) || !(r.maximumCross > 0.0) || !(r.factor >= 0.0) ||
        !(r.factor <= 1.0)) {
        return out;
    }
    const DistanceBearing db = gf_distanceBearingMetres(r.from, r.heading, r.to);
    out.angle = db.angle;
    out.crossDistance = db.across;
    if (!(db.along > 0.0) || !(std::abs(db.angle) <= r.maximumAngle) ||
        !(std::abs(db.across) <= r.maximumCross)) {
        return out;
    }
    const Lalo onTrack = gf_destination(r.from, r.heading, db.along * geo::kFeetPerMetre);
    const double offset = db.across * r.factor;
    const double side = gf_normaliseAngle(r.heading + std::copysign(std::numbers::pi / 2, offset));
    const Lalo pulled = gf_destination(onTrack, side, std::abs(offset) * geo::kFeetPerMetre);
    const double bearing = gf_bearing(r.from, pulled);
    if (gf_isValidLalo(pulled) && gf_isHeading(bearing)) {
        out.position = pulled;
        out.bearing = bearing;
        out.moved = 1;
    }
    return out;
}

TrackDirection gf_trackDirectionAhead(const Lalo& position, std::span<const Lalo> track,
                                      double heading, double minimumDistance,
                                      double maximumDistance, double maximumAngle) noexcept {
    if (!gf_isHeading(heading) || !(minimumDistance > 0.0) ||
        !(maximumDistance >= minimumDistance) || !(maximumAngle > 0.0)) {
        return TrackDirection{};
    }
    std::optional<Lalo> first;
    Lalo last;
    double lastDistance = 0.0;
    for (const Lalo& point : track) {
        if (!gf_isValidLalo(point)) {
            break;
        }
        const double d = gf_distanceNM(position, point) * geo::kMetresPerNM;
        if (std::isfinite(d) && d > maximumDistance) {
            break;
        }
        if (!std::isfinite(d) || d <= kSkippedPointMetres) {
            continue;
        }
        if (!first) {
            first = point;
        }
        last = point;
        lastDistance = d;
    }
    if (!first || lf_samePoint(*first, last) || !(lastDistance >= minimumDistance)) {
        return TrackDirection{};
    }
    const double toLast = gf_bearing(position, last);
    const double toFirst = gf_bearing(position, *first);
    if (!(std::abs(gf_wrapAngle(toFirst - toLast)) <= maximumAngle) ||
        !(std::abs(gf_wrapAngle(heading - toLast)) <= maximumAngle)) {
        return TrackDirection{};
    }
    return TrackDirection{toLast, lastDistance, true};
}

CurvePoint gf_curveTowardHeading(const Lalo& a, const Lalo& b, double wantedHeading,
                                 double maximumDeviation, double t) noexcept {
    if (!gf_isInRange(a) || !gf_isInRange(b) || !std::isfinite(wantedHeading) ||
        !std::isfinite(maximumDeviation) || !std::isfinite(t)) {
        return CurvePoint{};
    }
    constexpr double k = motion::kCurveFrameMetresPerDegree;
    const double scale = std::cos((a.lat + b.lat) / 2.0 * geo::kRadiansPerDegree) * k;
    if (!std::isfinite(scale) || std::abs(scale) < 1.0) {
        return CurvePoint{};
    }
    const double dLon = gf_longitudeDifference(a.lon, b.lon);
    const double east = dLon * scale;
    const double north = (b.lat - a.lat) * k;
    const double d = std::hypot(east, north);
    t = std::clamp(t, 0.0, 1.0);
    if (d < kStraightLegMetres) {
        Lalo p{a.lat + t * (b.lat - a.lat), a.lon + t * dLon};
        gf_normaliseLonCheckLat(p);
        return CurvePoint{p.lat, p.lon, 0.0, 0, 1};
    }
    const double c = std::atan2(east, north);
    const double bearing = gf_bearing(a, b);
    const double delta = gf_wrapAngle(wantedHeading - bearing);
    const double limit = std::min(std::abs(maximumDeviation), std::numbers::pi / 2);
    const double offset = std::abs(delta) <= std::numbers::pi / 2 && limit >= kSmallestBendRad
                              ? std::clamp(delta, -limit, limit)
                              : 0.0;
    const bool curved = std::abs(offset) >= kSmallestBendRad;
    const double e = curved ? bearing + offset : c;
    const HermitePoint h =
        gf_hermiteAt(t, FlatOffset{d * std::sin(c), d * std::cos(c)}, FlatOffset{east, north},
                     FlatOffset{d * std::sin(e), d * std::cos(e)});
    const double pe = h.position.east;
    const double pn = h.position.north;
    const double de = h.derivative.east;
    const double dn = h.derivative.north;
    if (!std::isfinite(pe) || !std::isfinite(pn) || !std::isfinite(de) || !std::isfinite(dn) ||
        std::hypot(de, dn) < kSmallestTangent) {
        return CurvePoint{};
    }
    Lalo p{a.lat + pn / k, a.lon + pe / scale};
    gf_normaliseLonCheckLat(p);
    const double heading = curved ? gf_normaliseAngle(std::atan2(de, dn)) : bearing;
    return CurvePoint{p.lat, p.lon, heading, static_cast<std::uint8_t>(curved ? 1 : 0), 1};
}

} // namespace skyloom
