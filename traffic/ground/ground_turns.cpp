#include "traffic/ground/ground_turns.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/ground/ground_step.h"
#include "traffic/ground/path_pace.h"
#include "traffic/ground/taxi_leg.h"
#include "traffic/ground/ground_motion_constants.h"
#include "traffic/motion/motion_common.h"
#include "traffic/motion/motion_driver.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

using namespace ground;

namespace {

constexpr double kDeg = geo::kDegreesPerRadian;

double lf_metres(const Lalo& a, const Lalo& b) {
    return gf_distanceNM(a, b) * geo::kMetresPerNM;
}

double lf_turnDeg(double from, double to) {
    return std::abs(gf_wrapAngle(to - from)) * kDeg;
}

bool lf_samePlace(const TrafficSample& a, const TrafficSample& b) {
    return a.latitude == b.latitude && a.longitude == b.longitude;
}

// The corner of a path through stream[1] from here (`leg1` m away) to stream[2] (`leg2` m on).
// Neither part faster than the step may catch up at (kLateCatchUpPace times the speed the
// reports give), the part after the corner by its own reports' positions too: N9344F's made
// 23 kt there, reported at 11 and 17 kt. Not by the samples' arrival ticks, which may lie a
// tick apart (a sample stamped anew when the next report came): a pace taken from them crossed
// 6 m in a tick.
GroundCorner lf_corner(const LiveAircraft& a, double leg1, double leg2) {
    const auto& s = a.stream;
    constexpr double kMetresPerTickPerKt = geo::kMetresPerSecondPerKnot / kTicksPerSecond;
    const double beforeKt = lf_fastestReportedKt(a);
    double afterKt =
        std::max(beforeKt, std::isfinite(s[2].groundSpeedKt) ? s[2].groundSpeedKt : 0.0);
    if (const double seconds = gf_secondsBetweenReports(s[1], s[2]); seconds >= 1.0) {
        afterKt = std::max(afterKt, leg2 / seconds / geo::kMetresPerSecondPerKnot);
    }
    return GroundCorner{s[1].time, leg1 / (leg1 + leg2),
                        kLateCatchUpPace * beforeKt * kMetresPerTickPerKt,
                        kLateCatchUpPace * afterKt * kMetresPerTickPerKt};
}

// The lead before a corner at `speedKt` for a turn of `angleDeg` at `rateDegPerS`.
double lf_lead(double speedKt, double angleDeg, double rateDegPerS) {
    const double seconds = rateDegPerS > 0 ? std::clamp(angleDeg / rateDegPerS, 1.5, 6.0) : 6.0;
    return std::clamp(speedKt * geo::kMetresPerSecondPerKnot * seconds, kLeadMinMetres,
                      kLeadMaxMetres);
}

bool lf_insertOnLeg(LiveAircraft& a, Lalo from, std::int32_t fromTick, double fromSpeed,
                    std::size_t toIndex, double fraction) {
    auto& s = a.stream;
    const TrafficSample& to = s[toIndex];
    if (to.time - fromTick < 2) {
        return false;
    }
    const double f = std::clamp(fraction, 0.0, 1.0);
    TrafficSample corner = s[0];
    corner.dueTick = 0;
    corner.latitude = from.lat + (to.latitude - from.lat) * f;
    corner.longitude = from.lon + gf_longitudeDifference(from.lon, to.longitude) * f;
    corner.groundSpeedKt = fromSpeed + (to.groundSpeedKt - fromSpeed) * f;
    corner.stationary = 0;
    corner.time = std::clamp(fromTick + static_cast<std::int32_t>(std::lround((to.time - fromTick) * f)),
                             fromTick + 1, to.time - 1);
    s.insert(s.begin() + static_cast<std::ptrdiff_t>(toIndex), corner);
    return true;
}

GroundTurnRequest lf_request(const LiveAircraft& a, const TrafficSample& corner,
                             const TrafficSample& end) {
    GroundTurnRequest r;
    r.startLatitude = a.sent.latitude;
    r.startLongitude = a.sent.longitude;
    r.cornerLatitude = corner.latitude;
    r.cornerLongitude = corner.longitude;
    r.endLatitude = end.latitude;
    r.endLongitude = end.longitude;
    r.startHeading = gf_normaliseAngle(a.sent.headingRad);
    // The category's values go to the first limits by position: the two lengths (m) and the
    // third figure, the largest heading change of a re-alignment curve.
    switch (a.base.category) {
    case AircraftCategory::Light:
    case AircraftCategory::HighPerf:
        r.minimumLegLength = 10.0;
        r.minimumTotalLength = 35.0;
        r.maximumHeadingChangeDeg = 5.0;
        break;
    case AircraftCategory::TwoProps:
    case AircraftCategory::Bizjet:
        r.minimumLegLength = 12.0;
        r.minimumTotalLength = 40.0;
        r.maximumHeadingChangeDeg = 4.0;
        break;
    default:
        break;
    }
    return r;
}

bool lf_build(GroundTurnPath& path, const GroundTurnRequest& r) {
    return gf_buildGroundTurnPath(path, r) && gf_pathErrorText(path) == "none";
}

} // namespace

bool lf_insertCornerBefore(MotionContext& ctx, double lead, bool fromPresent) {
    LiveAircraft& a = ctx.aircraft;
    auto& s = a.stream;
    if (s.size() < 2) {
        return false;
    }
    const Lalo from = fromPresent ? lf_position(a) : lf_lalo(s[0]);
    const std::int32_t fromTick = fromPresent ? ctx.tick() : s[0].time;
    const double leg = lf_metres(from, lf_lalo(s[1]));
    if (!(lead > 0) || !(lead < leg)) {
        return false;
    }
    return lf_insertOnLeg(a, from, fromTick, s[0].groundSpeedKt, 1, (leg - lead) / leg);
}

bool lf_insertCornerAfter(MotionContext& ctx, double lead) {
    LiveAircraft& a = ctx.aircraft;
    auto& s = a.stream;
    if (s.size() < 3) {
        return false;
    }
    const double leg = lf_metres(lf_lalo(s[1]), lf_lalo(s[2]));
    if (!(lead > 0) || !(lead < leg)) {
        return false;
    }
    return lf_insertOnLeg(a, lf_lalo(s[1]), s[1].time, s[1].groundSpeedKt, 2, lead / leg);
}

bool lf_straightenSkip(MotionContext& ctx, std::size_t k) {
    LiveAircraft& a = ctx.aircraft;
    auto& s = a.stream;
    const Lalo here = lf_position(a);
    if (s.size() <= k || lf_metres(here, lf_lalo(s[k])) < 0.1 ||
        lf_metres(here, lf_lalo(s[k])) > kStraightenReachMetres) {
        return false;
    }
    for (std::size_t i = 1; i <= k; ++i) {
        if (s[i].stationary != 0 || s[i].airborne != 0 ||
            (i > 1 && (lf_samePlace(s[i], s[i - 1]) || s[i].time <= s[i - 1].time))) {
            return false;
        }
    }
    const double toS1 = gf_bearing(here, lf_lalo(s[1]));
    const double s1s2 = gf_bearing(lf_lalo(s[1]), lf_lalo(s[2]));
    const double bendA = gf_wrapAngle(s1s2 - toS1) * kDeg;
    const double lastLeg = gf_bearing(lf_lalo(s[k - 1]), lf_lalo(s[k]));
    const double bendB = gf_wrapAngle(lastLeg - s1s2) * kDeg;
    const double toK = gf_bearing(here, lf_lalo(s[k]));
    if (std::abs(bendA) > kStraightenDeg || std::abs(bendB) > 15.0 || bendA * bendB >= 0 ||
        lf_turnDeg(toK, toS1) > 3.0 || lf_turnDeg(toK, lastLeg) > 3.0) {
        return false;
    }
    double along = 0;
    for (std::size_t i = 1; i < k; ++i) {
        const DistanceBearing d = gf_distanceBearingMetres(here, toK, lf_lalo(s[i]));
        if (d.along <= along || std::abs(d.across) > 3.0) {
            return false;
        }
        along = d.along;
    }
    a.step.targetHeading = toK;
    s.erase(s.begin() + 1, s.begin() + static_cast<std::ptrdiff_t>(k));
    return true;
}

bool lf_handleGroundTurn(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    auto& s = a.stream;
    if (s.size() < 3 || s[1].turnHoldMark != 0 ||
        (s[0].turnHoldMark != 0 && s[0].turnHoldExceptionMark == 0)) {
        return false;
    }
    const Lalo here = lf_position(a);
    const double exitBearing = gf_bearing(lf_lalo(s[1]), lf_lalo(s[2]));
    const double angle = lf_turnDeg(a.sent.headingRad, exitBearing);
    if (angle <= kNoTurnDeg) {
        return false;
    }
    const FlightPhase phase = a.phase.phase;
    if (phase == FlightPhase::taxi && angle <= kStraightenDeg) {
        return lf_straightenSkip(ctx, 3) || lf_straightenSkip(ctx, 4);
    }
    const double fastest = std::max({a.step.presentSpeed, s[0].groundSpeedKt, s[1].groundSpeedKt,
                                     s[2].groundSpeedKt});
    if (phase == FlightPhase::takeoff_roll &&
        (angle < kRollTurnDeg || a.base.category == AircraftCategory::Rotorcraft ||
         fastest > kSlowRollKt || s[1].airborne != 0 || s[2].airborne != 0)) {
        return false;
    }
    const double g0 = s[0].groundSpeedKt;
    const double g1 = s[1].groundSpeedKt;
    const double rate =
        lf_turnFactorBySpeed(g0) * a.base.headingRateRadPerTick * kDeg * kTicksPerSecond;
    const double leg1 = phase == FlightPhase::landing_roll ? lf_metres(here, lf_lalo(s[1]))
                                                           : lf_metres(lf_lalo(s[0]), lf_lalo(s[1]));
    const double toCorner = gf_bearing(here, lf_lalo(s[1]));
    const double cornerDeg = lf_turnDeg(toCorner, exitBearing);
    const double offsetDeg = lf_turnDeg(a.sent.headingRad, toCorner);
    const bool turnable = cornerDeg >= 15.0 && cornerDeg < 135.0 && offsetDeg <= 20.0;
    const double radius = lf_turnDistanceMetres(std::max({a.step.presentSpeed, g0, g1}),
                                                a.base.headingRateRadPerTick);
    bool done = false;
    if (phase == FlightPhase::landing_roll && rate > 0 && turnable && g1 <= kRunwayExitKt) {
        if (s[0].turnHoldExceptionMark == 0 && leg1 > radius) {
            double lead = lf_lead(g0, angle, rate);
            if (g0 > kRunwayExitKt && g0 > g1) {
                lead = std::min(lead, (kRunwayExitKt - g1) * leg1 / (g0 - g1));
            }
            return lead >= kLeadMinMetres && lf_insertCornerBefore(ctx, lead, true);
        }
        if (s[2].turnHoldExceptionMark == 0 && radius >= leg1 &&
            lf_metres(lf_lalo(s[1]), lf_lalo(s[2])) > radius) {
            return lf_insertCornerAfter(ctx, lf_lead(g1, angle, rate));
        }
    }
    const bool endsAtLast = lf_samePlace(s[0], s[2]) || lf_samePlace(s[1], s[2]);
    if (phase != FlightPhase::takeoff_roll && g0 <= kTaxiTurnKt) {
        if (!(rate > 0)) {
            return false;
        }
        const double shortLeg = g0 < 10.0 ? 5.0 : 12.0;
        const double lead = lf_lead(g0, angle, rate);
        if (leg1 < shortLeg || lead >= 0.75 * leg1 || (angle <= 45.0 && leg1 < 50.0)) {
            done = !endsAtLast && makeTurnGnd(ctx, angle);
        } else {
            return lf_insertCornerBefore(ctx, lead, false);
        }
    } else {
        done = !endsAtLast && makeTurnGnd(ctx, angle);
    }
    if (done) {
        a.step.ground.pathTurnAngleDeg = angle;
    }
    return done;
}

bool makeTurnGnd(MotionContext& ctx, double angle) {
    LiveAircraft& a = ctx.aircraft;
    auto& s = a.stream;
    if (s.size() < 3) {
        return false;
    }
    if (s[2].stationary != 0) {
        LogFile::write(fmt::format("{}: unexpected same at stream[2], {}", "makeTurnGnd",
                                   a.base.callsign));
        return false;
    }
    if (s[2].groundSpeedKt <= 0.1) {
        s[2].groundSpeedKt = (s[0].groundSpeedKt + s[1].groundSpeedKt) / 2.0;
    }
    MotionStep& st = a.step;
    st.groundPath = GroundPathFollow{};
    GroundState& g = st.ground;
    g.pathStatus = 0;
    const Lalo here = lf_position(a);
    const double leg1 = lf_metres(here, lf_lalo(s[1]));
    const double leg2 = lf_metres(lf_lalo(s[1]), lf_lalo(s[2]));
    const double fastest = std::max({a.step.presentSpeed, s[0].groundSpeedKt, s[1].groundSpeedKt});
    const FlightPhase phase = a.phase.phase;
    GroundTurnRequest request = lf_request(a, s[1], s[2]);
    GroundTurnPath& path = st.groundPath.path;
    bool built = lf_build(path, request);
    if (built) {
        g.pathStatus = 1;
    }
    // A tight line-up onto the runway from a short taxiway: the stricter limits by position
    // (legs 7 and 14 m, changes of 105 degrees, corner factor 50, curvature 0.5) with the
    // tolerance as the seventh, the start tangent factor; a path that strays more than 5 m
    // from its chord is dropped.
    const bool lineUp = (phase == FlightPhase::taxi && a.phase.previous == FlightPhase::pushed_back &&
                         st.takeoffCheckPending != 0) ||
                        phase == FlightPhase::takeoff_roll;
    const double tightSpeed = phase == FlightPhase::takeoff_roll ? 30.0 : 25.0;
    if (lineUp && leg1 >= 7 && leg1 <= 35 && leg2 >= 7 && leg2 <= 35 && leg1 + leg2 <= 60 &&
        fastest <= tightSpeed) {
        GroundTurnRequest tight = request;
        tight.minimumLegLength = 7;
        tight.minimumTotalLength = 14;
        tight.maximumHeadingChangeDeg = 105;
        tight.maximumStartMismatchDeg = 105;
        tight.cornerDistanceFactor = 50;
        tight.maximumCurvatureDegPerMetre = 0.5;
        tight.startTangentFactor = angle > 90 ? 2.5 : 1.25;
        GroundTurnPath candidate;
        if (lf_build(candidate, tight) && candidate.chordDeviation <= 5.0) {
            path = candidate;
            built = true;
            g.pathStatus = 2;
        }
    }
    std::size_t exit = 2;
    if (built && phase == FlightPhase::taxi && s.size() >= 4) {
        const double nextBend = lf_turnDeg(gf_bearing(lf_lalo(s[1]), lf_lalo(s[2])),
                                           gf_bearing(lf_lalo(s[2]), lf_lalo(s[3])));
        if (nextBend >= 45.0 || (path.turnAngleDeg >= 75.0 && leg2 > 100.0 && leg2 >= 2 * leg1)) {
            GroundTurnRequest atCorner = request;
            atCorner.endAtCorner = 1;
            GroundTurnPath candidate;
            if (lf_build(candidate, atCorner)) {
                path = candidate;
                exit = 1;
                g.pathStatus = 3;
            }
        }
    }
    // Without a turn path the step is a taxi leg to the corner (lf_planTaxiLeg), which the
    // nose follows.
    if (!built) {
        path = GroundTurnPath{};
        g.pathStatus = 0;
        return false;
    }
    st.groundPath.done = 0;
    // Reading of the long turn's two figures: the path's turn angle and start mismatch.
    g.longTurn = phase == FlightPhase::taxi && exit == 1 && angle >= 90 &&
                         path.turnAngleDeg >= 30 && path.turnAngleDeg <= 70 &&
                         path.startMismatchDeg >= 35 && path.startMismatchDeg < 60
                     ? 1
                     : 0;
    // The step runs to the path's end: the samples before it (the corner when the path runs
    // through it) leave the stream.
    st.targetHeading = exit == 1 ? gf_bearing(here, lf_lalo(s[1]))
                                 : gf_bearing(lf_lalo(s[1]), lf_lalo(s[2]));
    if (exit == 1 && built) {
        st.targetHeading = gf_flatHeading(path.endTangentEast, path.endTangentNorth);
    }
    // A path through the corner passes it when it is due (lf_paceThroughCorner), at the share
    // of the path the first leg makes.
    g.corner = exit == 2 && leg1 + leg2 > 0 ? lf_corner(a, leg1, leg2) : GroundCorner{};
    s.erase(s.begin() + 1, s.begin() + static_cast<std::ptrdiff_t>(exit));
    return true;
}

void lf_paceThroughCorner(MotionContext& ctx, std::int32_t ticks) {
    LiveAircraft& a = ctx.aircraft;
    GroundPathFollow& path = a.step.groundPath;
    path.increments.clear();
    path.index = 0;
    const GroundCorner& c = a.step.ground.corner;
    const std::int32_t toCorner = c.dueTick - ctx.tick();
    if (path.done != 0 || c.dueTick == 0 || toCorner <= 0 || toCorner >= ticks ||
        !(c.share > 0.0 && c.share < 1.0)) {
        return;
    }
    const double metres = path.path.length;
    if (metres * c.share / toCorner > c.mostBefore ||
        metres * (1.0 - c.share) / (ticks - toCorner) > c.mostAfter) {
        return;
    }
    path.increments.assign(static_cast<std::size_t>(toCorner), c.share / toCorner);
    path.increments.resize(static_cast<std::size_t>(ticks), (1.0 - c.share) / (ticks - toCorner));
}

} // namespace skyloom
