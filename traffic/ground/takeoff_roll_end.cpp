#include "traffic/ground/takeoff_roll_end.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/decode/quarantine.h"
#include "traffic/decode/sample_checks.h"
#include "traffic/ground/ground_motion_constants.h"
#include "traffic/ground/runway_match.h"
#include "traffic/ground/takeoff_decision.h"
#include "traffic/ground/takeoff_rotation.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/motion_common.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

using namespace ground;

namespace {

constexpr double kDeg = geo::kDegreesPerRadian;

} // namespace

// The runway under the take-off roll: the one stored, else the one on whose centreline the
// aircraft rolls now, which is stored. Looked up until found, so that a roll that started off
// the centreline (or while the runways were not known) learns its runway once on it.
bool lf_knowTakeoffRunway(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    RunwayRecord& record = a.step.takeoffRunway;
    if (record.set != 0) {
        return true;
    }
    const RunwayMatch m =
        gf_findRunwayOnCentreline(ctx.world.runways, lf_position(a), a.sent.headingRad);
    if (m.valid == 0) {
        return false;
    }
    record.match = m;
    record.set = 1;
    return true;
}

void lf_failTakeoffRoll(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    QuarantineEntry& q = (*ctx.state.quarantine)[a.base.hexid];
    q = QuarantineEntry{a.sent.latitude, a.sent.longitude, a.lastSampleTime, 0,
                        QuarantineKind::failedDeparture};
    removeAircraftFromSim(ctx.state, a, "its take-off roll failed");
}

void lf_backToTaxi(MotionContext& ctx) {
    MotionStep& st = ctx.aircraft.step;
    st.rotationPending = 0;
    st.takeoffRunway = RunwayRecord{};
    st.behindSampleDropped = 0;
    lf_setPhase(ctx.state, ctx.aircraft, FlightPhase::taxi);
}

std::optional<double> lf_alongTakeoffRunway(const MotionContext& ctx, const Lalo& position) {
    const RunwayRecord& r = ctx.aircraft.step.takeoffRunway;
    const double heading = r.match.directionHeadingDeg / kDeg;
    if (r.set == 0 || !std::isfinite(position.lat) || !std::isfinite(position.lon) ||
        !gf_isHeading(heading)) {
        return std::nullopt;
    }
    const Lalo end{r.match.endAheadLatitude, r.match.endAheadLongitude};
    const double d = gf_distanceNM(end, position) * geo::kMetresPerNM;
    if (d <= 0.0) {
        return 0.0;
    }
    return std::cos(gf_bearing(end, position) - heading) * d;
}

bool lf_checkTakeoffRollEnd(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    MotionStep& st = a.step;
    if (!lf_knowTakeoffRunway(ctx)) {
        return false;
    }
    const auto& s = a.stream;
    const std::optional<double> along = lf_alongTakeoffRunway(ctx, lf_position(a));
    const std::optional<double> along1opt =
        s.size() > 1 ? lf_alongTakeoffRunway(ctx, lf_lalo(s[1])) : std::nullopt;
    const bool hasAlong1 = along1opt.has_value();
    const double a1 = along1opt.value_or(0.0);
    const bool anyAirborne =
        std::any_of(s.begin(), s.end(), [](const TrafficSample& x) { return x.airborne != 0; });
    const double highest = lf_highestVerticalSpeed(a);
    const double v = st.presentSpeed > 0 ? st.presentSpeed : s[0].groundSpeedKt;
    const double v1 = lf_categorySpeedKts(a, 1);
    const double v3 = lf_categorySpeedKts(a, 3);
    if (along && hasAlong1) {
        const ProfileWindow window{*along, a1, anyAirborne ? 1.0 : 0.0, highest, v, v3, 300.0};
        if (gf_checkProfileWindow(window) &&
            (lf_isAlignedWithTakeoffRunway(ctx, 300) || lf_isAlignedWithTakeoffRunway(ctx, 1200) ||
             (lf_isAlignedWithTakeoffRunway(ctx, st.takeoffRunway.match.length) && v >= v1))) {
            st.verticalStep = a.base.maxClimbStepFtPerTick;
            st.rotationPending = 0;
            lf_enterTakeoff(ctx, 2);
            return false;
        }
    }
    const bool nearEndSlow = v3 > v && along && *along >= -300.0 && *along <= 100.0 && hasAlong1;
    // A roll faster than any taxi is a take-off roll, whatever its reports say: gone back to
    // taxi at 190 kt, DAL2232 (its climb-out reported on the ground) ran on 611 m past the
    // runway's end, where nothing watches a taxi.
    if (!anyAirborne && highest <= kStrongClimbFpm && !nearEndSlow && (!hasAlong1 || a1 > -50) &&
        !(v > kEvidenceSpeedKt)) {
        lf_backToTaxi(ctx);
        return false;
    }
    // Reasons to go on rolling: evidence of a take-off, a slow aircraft near the end, or a
    // next sample further along the runway than the aircraft (the roll is under way).
    const bool goOn = anyAirborne || highest > kStrongClimbFpm || nearEndSlow ||
                      (along && hasAlong1 && a1 > *along);
    if (along && *along > kRollPastEndMetres) {
        return lf_endRollPastRunwayEnd(ctx);
    }
    if (!goOn) {
        lf_failTakeoffRoll(ctx);
        return true;
    }
    return false;
}

} // namespace skyloom
