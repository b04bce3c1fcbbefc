// The path of a taxi step: planned once, as the air step's leg is (traffic/motion/air_leg.h),
// from where the aircraft stands along its nose to the step's target, arriving along the
// direction the reports go on in, never turning faster than the nose turns on the ground at
// the step's speed; where the target lies inside the turn the nose can make, the aircraft
// turns on the spot first. The nose follows the path's direction: an aircraft on the ground
// moves where its nose points. Before, the step ran straight to its target (or along a curve
// through the next two reports) from wherever the nose pointed, and the nose turned toward the
// target over the step: at corners of the reports taxiing aircraft at Los Angeles moved up to
// 72 degrees off their noses (a B789 45 degrees at 8.5 kt for 6 s).
#include "traffic/ground/taxi_leg.h"

#include <algorithm>
#include <cmath>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/ground/path_pace.h"
#include "traffic/ground/ground_motion_constants.h"
#include "traffic/motion/air_leg.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/motion_common.h"
#include "traffic/motion/motion_driver.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

using namespace ground;

namespace {

// A sample this close to the target gives no direction beyond it: the feed rounds positions
// to about 10 m.
constexpr double kLeastBeyondMetres = 20.0;
// An arrival further off the leg than this would make the path loop.
constexpr double kLargestArrivalOffsetRad = 90.0 * geo::kRadiansPerDegree;
// A turn on the spot ends this close to the leg's direction (lf_moveOneTick then moves on).
constexpr double kTurnedDeg = 5.0;

// A taxi step: not the drive onto a stand, which creeps along samples the parking code lays
// out while the nose turns onto the stand's line; nor a rotorcraft's, which turns on the spot
// and may move sideways.
bool lf_taxiing(const LiveAircraft& a) {
    const FlightPhase phase = a.phase.phase;
    const auto& s = a.stream;
    return a.motion.onGround != 0 && a.base.category != AircraftCategory::Rotorcraft &&
           (phase == FlightPhase::taxi || phase == FlightPhase::pushed_back) && s.size() >= 2 &&
           s[1].stationary == 0 && a.step.rollRunning == 0 &&
           !(a.step.groundPath.done == 0 && a.step.groundPath.path.length > 0);
}

// The direction the path is to have at the target: the tangent there of the circle through the
// aircraft, the target and the first sample far enough beyond it, else the leg's own.
double lf_arrivalHeading(const LiveAircraft& a, const Lalo& here, double leg) {
    const auto& s = a.stream;
    const Lalo to = lf_lalo(s[1]);
    for (std::size_t k = 2; k < s.size() && s[k].airborne == 0; ++k) {
        const Lalo beyond = lf_lalo(s[k]);
        const double metres = gf_distanceNM(to, beyond) * geo::kMetresPerNM;
        if (s[k].stationary == 0 && metres >= kLeastBeyondMetres) {
            const double inMetres = gf_distanceNM(here, to) * geo::kMetresPerNM;
            const double arrival = gf_normaliseAngle(
                leg + gf_wrapAngle(gf_bearing(to, beyond) - leg) * inMetres / (inMetres + metres));
            return std::abs(gf_wrapAngle(arrival - leg)) <= kLargestArrivalOffsetRad ? arrival
                                                                                     : leg;
        }
    }
    return leg;
}

// The leg from here to stream[1] in `ticks`, leaving along `start`.
AirLegPath lf_plan(const LiveAircraft& a, double start, std::int32_t ticks) {
    const Lalo here = lf_position(a);
    const Lalo to = lf_lalo(a.stream[1]);
    const double seconds = std::max(ticks, 1) / kTicksPerSecond;
    const double metresPerSecond = gf_distanceNM(here, to) * geo::kMetresPerNM / seconds;
    const double rate = lf_turnFactorBySpeed(metresPerSecond / geo::kMetresPerSecondPerKnot) *
                        a.base.headingRateRadPerTick * kTicksPerSecond;
    const double leg = gf_bearing(here, to);
    return gf_planAirLeg(
        {here, to, start, lf_arrivalHeading(a, here, leg), seconds, rate, metresPerSecond,
         kLateCatchUpPace * lf_fastestReportedKt(a) * geo::kMetresPerSecondPerKnot});
}

} // namespace

void lf_prepareTaxiLeg(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    if (!lf_taxiing(a)) {
        return;
    }
    auto& s = a.stream;
    const double leg = gf_bearing(lf_position(a), lf_lalo(s[1]));
    st.targetHeading = leg;
    if (st.customDurationSet != 0) {
        return;
    }
    const std::int32_t ticks = std::max(kShortestStepTicks, s[1].time - ctx.tick());
    const AirLegPath path = lf_plan(a, a.sent.headingRad, ticks);
    // A leg too short for a curve is flown straight: from a nose that points elsewhere it
    // would be a slide.
    const bool slide =
        path.shape == AirLegShape::straight && path.lengthMetres < kAirLegStraightMetres &&
        std::abs(gf_wrapAngle(leg - a.sent.headingRad)) > kTurnedDeg * geo::kRadiansPerDegree;
    if (path.shape != AirLegShape::limited && !slide) {
        return;
    }
    // The target lies inside the turn the nose can make at the step's speed: the aircraft turns
    // toward it on the spot at its ground turn rate, and then the leg takes what time is left,
    // no less than it may (the target and those after it are due later where it must).
    const double rate = lf_turnFactorBySpeed(0.0) * a.base.headingRateRadPerTick;
    const double angle = std::abs(gf_wrapAngle(leg - a.sent.headingRad));
    a.base.workingHeadingRateRadPerTick = rate;
    lf_turnOnTheSpotFirst(
        ctx, static_cast<std::int32_t>(
                 std::ceil(std::max(angle - kTurnedDeg * geo::kRadiansPerDegree, 0.0) / rate)));
}

void lf_turnOnTheSpotFirst(MotionContext& ctx, std::int32_t turnTicks) {
    LiveAircraft& a = ctx.aircraft;
    auto& s = a.stream;
    const auto legTicks = static_cast<std::int32_t>(std::max<std::int64_t>(
        {kShortestStepTicks, s[1].time - ctx.tick() - turnTicks, lf_leastLegTicks(a)}));
    const std::int32_t due = ctx.tick() + turnTicks + legTicks;
    if (s[1].time < due) {
        lf_delaySamplesFrom(s, 1, due - s[1].time);
    }
    a.step.customDurationSet = 1;
    a.step.customDuration = legTicks;
}

void lf_planTaxiLeg(MotionContext& ctx, std::int32_t stepTicks) {
    LiveAircraft& a = ctx.aircraft;
    if (!lf_taxiing(a) || stepTicks <= 0) {
        return;
    }
    MotionStep& st = a.step;
    // A step that turns on the spot first leaves along the leg once it has turned.
    const AirLegPath planned =
        lf_plan(a, st.customDurationSet != 0 ? st.targetHeading : a.sent.headingRad, stepTicks);
    if (planned.shape != AirLegShape::none) {
        st.airLeg = CurvedAirLeg{planned, stepTicks, 0, 1};
    }
}

} // namespace skyloom
