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
constexpr double kLargestLegOffsetRad = 90.0 * geo::kRadiansPerDegree;
// The curved air leg's tangents against the leg's length: at least this, and as long as a
// circular arc turning from the start to the end direction needs (lf_tangentShare).
constexpr double kLeastTangentShare = 1.1;

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

namespace {

// The leg from A to B on a flat frame around their mean latitude.
struct LegFrame {
    double east = 0.0;
    double north = 0.0;
    double length = 0.0;
    double scale = 0.0; // metres per degree of longitude
    double dLon = 0.0;
};

std::optional<LegFrame> lf_legFrame(const Lalo& a, const Lalo& b) noexcept {
    constexpr double k = motion::kCurveFrameMetresPerDegree;
    const double scale = std::cos((a.lat + b.lat) / 2.0 * geo::kRadiansPerDegree) * k;
    if (!std::isfinite(scale) || std::abs(scale) < 1.0) {
        return std::nullopt;
    }
    LegFrame f;
    f.scale = scale;
    f.dLon = gf_longitudeDifference(a.lon, b.lon);
    f.east = f.dLon * scale;
    f.north = (b.lat - a.lat) * k;
    f.length = std::hypot(f.east, f.north);
    return f;
}

// The point at t of the Hermite leg that leaves A along `startDirection` and arrives at B
// along `endDirection` (flat headings); its heading is the curve's direction there.
CurvePoint lf_hermitePoint(const Lalo& a, const LegFrame& f, double startDirection,
                           double endDirection, bool curved, double t) noexcept {
    const double d = f.length * gf_curveTangentShare(startDirection, endDirection);
    const HermitePoint h = gf_hermiteAt(
        t, FlatOffset{d * std::sin(startDirection), d * std::cos(startDirection)},
        FlatOffset{f.east, f.north},
        FlatOffset{d * std::sin(endDirection), d * std::cos(endDirection)});
    const double pe = h.position.east;
    const double pn = h.position.north;
    const double de = h.derivative.east;
    const double dn = h.derivative.north;
    if (!std::isfinite(pe) || !std::isfinite(pn) || !std::isfinite(de) || !std::isfinite(dn) ||
        std::hypot(de, dn) < kSmallestTangent) {
        return CurvePoint{};
    }
    Lalo p{a.lat + pn / motion::kCurveFrameMetresPerDegree, a.lon + pe / f.scale};
    gf_normaliseLonCheckLat(p);
    return CurvePoint{p.lat, p.lon, gf_normaliseAngle(std::atan2(de, dn)),
                      static_cast<std::uint8_t>(curved ? 1 : 0), 1};
}

} // namespace

// A cubic Hermite leg follows a circular arc of turn angle a closely when its tangents are
// 2 tan(a / 4) / sin(a / 2) times its chord (1 for a straight leg, 2 for a half circle);
// shorter ones bunch a large turn at the leg's ends.
double gf_curveTangentShare(double startDirection, double endDirection) noexcept {
    const double turn = std::min(std::abs(gf_wrapAngle(endDirection - startDirection)),
                                 std::numbers::pi);
    const double half = std::sin(turn / 2.0);
    const double arc = half > 1e-9 ? 2.0 * std::tan(turn / 4.0) / half : 1.0;
    return std::max(kLeastTangentShare, arc);
}

CurvePoint gf_curveBetweenHeadings(const Lalo& a, const Lalo& b, double startHeading,
                                   double endHeading, double t) noexcept {
    if (!gf_isInRange(a) || !gf_isInRange(b) || !std::isfinite(t) ||
        !std::isfinite(startHeading) || !std::isfinite(endHeading)) {
        return CurvePoint{};
    }
    const std::optional<LegFrame> f = lf_legFrame(a, b);
    if (!f) {
        return CurvePoint{};
    }
    t = std::clamp(t, 0.0, 1.0);
    if (f->length < kStraightLegMetres) {
        Lalo p{a.lat + t * (b.lat - a.lat), a.lon + t * f->dLon};
        gf_normaliseLonCheckLat(p);
        return CurvePoint{p.lat, p.lon, 0.0, 0, 1};
    }
    const double chord = std::atan2(f->east, f->north);
    const double bearing = gf_bearing(a, b);
    // A direction more than 90 degrees off the leg would make the curve loop: the leg takes
    // its own direction there.
    const auto offset = [&](double heading) {
        const double off = gf_wrapAngle(heading - bearing);
        return std::abs(off) <= kLargestLegOffsetRad ? off : 0.0;
    };
    const double start = offset(startHeading);
    const double end = offset(endHeading);
    const bool curved = std::abs(start) >= kSmallestBendRad || std::abs(end) >= kSmallestBendRad;
    return lf_hermitePoint(a, *f, start == 0.0 ? chord : bearing + start,
                           end == 0.0 ? chord : bearing + end, curved, t);
}

CurveTable gf_curveTable(const Lalo& a, const Lalo& b, double startHeading,
                         double endHeading) noexcept {
    CurveTable table;
    double length = 0.0;
    Lalo previous = a;
    for (std::size_t i = 1; i <= kCurveTableSteps; ++i) {
        const CurvePoint p = gf_curveBetweenHeadings(
            a, b, startHeading, endHeading, static_cast<double>(i) / kCurveTableSteps);
        if (p.valid == 0) {
            return CurveTable{};
        }
        const Lalo here{p.latitude, p.longitude};
        length += gf_distanceNM(previous, here);
        table.share[i] = length;
        previous = here;
    }
    if (!(length > 0.0) || !std::isfinite(length)) {
        return CurveTable{};
    }
    for (double& share : table.share) {
        share /= length;
    }
    table.valid = 1;
    return table;
}

double gf_curveParameterAt(const CurveTable& table, double share) noexcept {
    share = std::isnan(share) ? 0.0 : std::clamp(share, 0.0, 1.0);
    if (table.valid == 0) {
        return share;
    }
    const auto above = std::lower_bound(table.share.begin() + 1, table.share.end(), share);
    if (above == table.share.end()) {
        return 1.0;
    }
    const auto i = static_cast<std::size_t>(above - table.share.begin());
    const double from = table.share[i - 1];
    const double span = table.share[i] - from;
    const double f = span > 0.0 ? (share - from) / span : 0.0;
    return (static_cast<double>(i - 1) + f) / kCurveTableSteps;
}

} // namespace skyloom
