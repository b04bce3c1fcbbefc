// The walk along a ground turn path no faster than the nose turns: the path's direction turns
// by its curvature times the pace, and where that would outrun the category's ground turn rate
// at that pace the walk slows down to it, however the step was timed. An aircraft on the ground
// moves where its nose points, and the nose turns no faster than that (lf_moveOneTick): walked
// at its schedule's pace through a hairpin of the reports (137 to 270 degrees in 30 m at 25
// kt), UAL1693 at Los Angeles moved up to 102 degrees off its nose. Late there, the walk
// catches up afterwards, no faster than the reports allow, and the path still reaches its end:
// its target and those after it fall due later where they must.
#include <algorithm>
#include <cmath>
#include <vector>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/ground/ground_motion.h"
#include "traffic/ground/ground_motion_constants.h"
#include "traffic/ground/turn_path.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/hermite.h"
#include "traffic/motion/motion_common.h"
#include "traffic/motion/motion_driver.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

using namespace ground;

namespace {

constexpr double kMetresPerTickPerKt = kMetresPerSecondPerKt / kTicksPerSecond;
// The path's direction runs at most this far ahead of the nose: a corner of noisy reports (a
// bend of 20 to 50 degrees in 12 m at 12 kt) is not walked seconds late for a lag the eye does
// not see, and the nose stays well within 30 degrees of where the aircraft moves.
constexpr double kNoseLagRad = 15.0 * geo::kRadiansPerDegree;
// A walk late by more than this (a path whose curve no nose follows) keeps its schedule
// instead: the path was not for this aircraft.
constexpr std::size_t kMostLateTicks = 6000;

// The path's direction at `share` of its length.
double lf_headingAt(const GroundTurnPath& path, double share) {
    const HermitePoint h =
        gf_hermiteAt(gf_curveParameterAt(path.lengthTable, std::clamp(share, 0.0, 1.0)),
                     {path.startTangentEast, path.startTangentNorth}, {path.endEast, path.endNorth},
                     {path.endTangentEast, path.endTangentNorth});
    return gf_flatHeading(h.derivative.east, h.derivative.north);
}

// The nose as it turns over one tick toward the path's direction at `share`, at the
// category's ground turn rate (`headingRate` rad per tick) at the pace `grow` (share per tick).
double lf_noseAfter(const GroundTurnPath& path, double nose, double share, double grow,
                    double headingRate) {
    const double most =
        lf_turnFactorBySpeed(grow * path.length / kMetresPerTickPerKt) * headingRate;
    return gf_normaliseAngle(
        nose + std::clamp(gf_wrapAngle(lf_headingAt(path, share) - nose), -most, most));
}

bool lf_noseFollows(const GroundTurnPath& path, double nose, double share, double grow,
                    double headingRate) {
    const double after = lf_noseAfter(path, nose, share, grow, headingRate);
    return std::abs(gf_wrapAngle(lf_headingAt(path, share) - after)) <= kNoseLagRad;
}

} // namespace

void lf_paceWithinTheNose(MotionContext& ctx, std::int32_t ticks) {
    LiveAircraft& a = ctx.aircraft;
    GroundPathFollow& g = a.step.groundPath;
    auto& s = a.stream;
    const double headingRate = a.base.headingRateRadPerTick;
    if (g.done != 0 || !(g.path.length > 0.0) || ticks <= 0 || s.size() < 2 ||
        !(headingRate > 0.0)) {
        return;
    }
    // The schedule's share of the path at each tick.
    std::vector<double> planned = g.increments;
    if (planned.empty()) {
        planned.assign(static_cast<std::size_t>(ticks), 1.0 / ticks);
    }
    const double catchUp =
        kLateCatchUpPace * lf_fastestReportedKt(a) * kMetresPerTickPerKt / g.path.length;
    std::vector<double> walk;
    double fraction = 0.0;
    double due = 0.0;
    double nose = a.sent.headingRad;
    bool slowed = false;
    for (std::size_t t = 0; fraction < 1.0; ++t) {
        if (walk.size() > planned.size() + kMostLateTicks) {
            return;
        }
        const double wanted = t < planned.size() ? planned[t] : 0.0;
        due = t + 1 < planned.size() ? std::min(due + wanted, 1.0) : 1.0;
        double grow = std::min(due - fraction, std::max(wanted, catchUp));
        if (!lf_noseFollows(g.path, nose, fraction + grow, grow, headingRate)) {
            // As far as the nose follows: a turn needs less the slower the walk.
            double low = 0.0;
            for (int i = 0; i < 24; ++i) {
                const double mid = (low + grow) / 2.0;
                (lf_noseFollows(g.path, nose, fraction + mid, mid, headingRate) ? low : grow) = mid;
            }
            grow = low;
            slowed = true;
        }
        nose = lf_noseAfter(g.path, nose, fraction + grow, grow, headingRate);
        walk.push_back(grow);
        fraction = std::min(fraction + grow, 1.0);
    }
    if (!slowed) {
        return;
    }
    g.increments = std::move(walk);
    g.index = 0;
    const auto late = static_cast<std::int32_t>(g.increments.size()) - ticks;
    if (late <= 0) {
        return;
    }
    // The step ends when the walk does: its target is due that much later, and those after it
    // where they would otherwise come before it.
    const std::int32_t target = s[1].time + late;
    s[1].time = target;
    for (std::size_t i = 2; i < s.size() && s[i].time <= s[i - 1].time; ++i) {
        s[i].time += late;
    }
}

} // namespace skyloom
