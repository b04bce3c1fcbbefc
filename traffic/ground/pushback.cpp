#include "traffic/ground/pushback.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include <numbers>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_ids.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/ground/ground_motion_constants.h"
#include "traffic/motion/motion_common.h"
#include "traffic/motion/motion_driver.h"
#include "refdata/airport_file.h"
#include "traffic/stands/live_stands.h"
#include "traffic/stands/park_airport_services.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

using namespace ground;

namespace {

constexpr LightValues kLeavingStandLights{1, 1, 0, 1, 0, 1, 0};

std::string lf_standText(const MotionContext& ctx, std::uint32_t standId) {
    return ctx.state.standIdText(standId);
}

// Ticks to cover `nm` at `speedKt`; the shortest push when the speed is 0 or unknown.
std::int32_t lf_pushTicks(double nm, double speedKt) {
    const double ticks = nm / speedKt * kTicksPerSecond * 3600.0;
    return std::isfinite(ticks) && ticks > 0
               ? std::max(kShortestPushTicks, static_cast<std::int32_t>(std::lround(ticks)))
               : kShortestPushTicks;
}

TrafficSample lf_sampleAt(const LiveAircraft& a, const Lalo& at, double speedKt,
                          std::int32_t tick) {
    TrafficSample s;
    s.latitude = at.lat;
    s.longitude = at.lon;
    s.altitudeFt = a.sent.altitudeFt;
    s.groundSpeedKt = speedKt;
    s.trackDeg = a.sent.headingRad * geo::kDegreesPerRadian;
    s.time = tick;
    return s;
}

// Cuts the stream to stream[0] standing still and appends a sample at `target`.
void lf_streamTo(MotionContext& ctx, const Lalo& target) {
    LiveAircraft& a = ctx.aircraft;
    auto& s = a.stream;
    s.resize(1);
    s[0].groundSpeedKt = 0.0;
    const std::int32_t arrival =
        ctx.tick() + lf_pushTicks(gf_distanceNM(lf_position(a), target), a.base.pushbackSpeedKt);
    s.push_back(lf_sampleAt(a, target, a.base.pushbackSpeedKt, arrival));
}

} // namespace

void initiatePushBack(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    a.motion.extrapolationCounter = 0;
    a.motion.holdingSinceTick = 0;
    a.step.holding = 0;
    gf_clearAtStandCounters(a);
    const double back = gf_normaliseAngle(a.stand.headingRad + std::numbers::pi);
    const std::uint32_t id = a.stand.standId;
    const Stand* stand = ctx.state.parkAirport.standById(static_cast<std::int32_t>(id));
    const double radius = stand != nullptr ? stand->radius : 0.0;
    if (!(radius > 0)) {
        LogFile::writeImportant(
            fmt::format("{} cancelled pushback, invalid stand radius for stand {}, callsign {}",
                        "initiatePushBack", lf_standText(ctx, id), a.base.callsign));
        a.sampleWatch.pushbackRequest = 0;
        return;
    }
    const Lalo target = gf_destination(lf_position(a), back, radius * kPushbackRadii * kFeetPerNm);
    a.step.targetHeading = a.sent.headingRad;
    lf_streamTo(ctx, target);
    TrafficSample stop = a.stream.back();
    stop.dueTick = 0;
    stop.stationary = 1;
    stop.groundSpeedKt = 0.0;
    a.stream.push_back(stop);
    gf_setLights(ctx.state.commands, a.objectId, kLeavingStandLights);
    a.motion.landed = 0;
    if (a.phase.phase != FlightPhase::pushing_back) {
        lf_setPhase(ctx.state, a, FlightPhase::pushing_back);
    }
}

void lf_pullOut(MotionContext& ctx) {
    LiveAircraft& a = ctx.aircraft;
    a.sampleWatch.pushbackRequest = 0;
    a.motion.extrapolationCounter = 0;
    const Lalo target = gf_destination({a.stand.latitude, a.stand.longitude}, a.stand.headingRad,
                                       2.0 * a.base.halfWingspanNm * kFeetPerNm);
    lf_streamTo(ctx, target);
    lf_setPhase(ctx.state, a, FlightPhase::taxi);
    a.step.targetHeading = a.sent.headingRad;
    gf_setLights(ctx.state.commands, a.objectId, kLeavingStandLights);
    ctx.state.commands.push(SimCommand{a.objectId, EVENT_ENGINE_AUTO_START, 0});
    gf_setThrottle(ctx.state.commands, a, 0);
    gf_setFlaps(ctx.state.commands, a, 1);
    LogFile::write(fmt::format("{:14}: {:8} pulling out", lf_standText(ctx, a.stand.standId),
                               a.base.callsign));
}

void drive2Stand(MotionContext& ctx, const StandPose& stand) {
    LiveAircraft& a = ctx.aircraft;
    auto& s = a.stream;
    if (s.size() != 1) {
        LogFile::write(fmt::format("{} unexpected stream size: {}, {}", "drive2Stand", s.size(),
                                   a.base.callsign));
        if (s.empty()) {
            return;
        }
        s.resize(1);
    }
    // A model without a pushback speed still creeps onto its stand instead of dividing by 0.
    const double v = std::max(1.0, a.base.pushbackSpeedKt * kDriveSpeedFactor);
    const Lalo standAt{stand.latitude, stand.longitude};
    const DistanceBearing rel = gf_distanceBearingMetres(standAt, stand.headingRad, lf_position(a));
    const double d = rel.distance;
    const double h = std::abs(gf_wrapAngle(stand.headingRad - a.sent.headingRad)) *
                     geo::kDegreesPerRadian;
    bool approach = true;
    std::int32_t stepTicks = 0;
    if (rel.along > 3.0) {
        const double allowed = d <= 3.5 ? 10.0 : 4.0 + 6.0 * (12.0 - d) / 8.5;
        if (d <= 12.0 && h <= allowed) {
            approach = false;
        } else {
            s.back().groundSpeedKt = 0.0;
            s.back().trueAirspeedKt = 0.0;
            stepTicks = std::max(100, static_cast<std::int32_t>(std::lround(
                                          d / geo::kMetresPerNM * 360000.0 / v)));
        }
    } else if (d > 15.0 || h >= 45.0 || std::abs(rel.across) > 8.0) {
        const Lalo leadIn = gf_destination(standAt, gf_normaliseAngle(stand.headingRad + std::numbers::pi),
                                           kLeadInMetres * kFeetPerMetre);
        TrafficSample lead = s.back();
        lead.dueTick = 0;
        lead.latitude = leadIn.lat;
        lead.longitude = leadIn.lon;
        lead.groundSpeedKt = v;
        lead.trackDeg = stand.headingRad * geo::kDegreesPerRadian;
        lead.stationary = 0;
        lead.headingFlag = s[0].headingFlag;
        lead.time = s.back().time +
                    std::max(100, static_cast<std::int32_t>(std::lround(
                                      gf_distanceNM(lf_position(a), leadIn) * 360000.0 / v)));
        s.push_back(lead);
        a.motion.earlyWindowTicks = kWideWindowTicks;
        a.motion.lateWindowTicks =
            a.phase.phase == FlightPhase::takeoff_roll ? kTakeoffLateWindowTicks : kWideWindowTicks;
        stepTicks = std::max(100, static_cast<std::int32_t>(std::lround(
                                      kLeadInMetres / geo::kMetresPerNM * 360000.0 / v)));
    } else {
        stepTicks = std::max(
            100, static_cast<std::int32_t>(std::lround(d / geo::kMetresPerNM * 360000.0 / v)));
    }
    if (approach) {
        TrafficSample at = s.back();
        at.dueTick = 0;
        at.latitude = stand.latitude;
        at.longitude = stand.longitude;
        at.altitudeFt = a.sent.altitudeFt;
        at.trackDeg = stand.headingRad * geo::kDegreesPerRadian;
        at.groundSpeedKt = v;
        at.stationary = 0;
        at.time = s.back().time + stepTicks;
        s.push_back(at);
    }
    TrafficSample last = s.back();
    last.dueTick = 0;
    last.stationary = 1;
    last.groundSpeedKt = 0.0;
    last.time += 50;
    s.push_back(last);
    a.step.targetHeading = stand.headingRad;
    if (a.motion.extrapolationCounter != 0) {
        a.motion.extrapolationCounter = 0;
        a.motion.earlyWindowTicks = kWideWindowTicks;
        a.motion.lateWindowTicks = a.phase.phase == FlightPhase::takeoff_roll
                                       ? kTakeoffLateWindowTicks
                                       : kWideWindowTicks;
        a.motion.holdingSinceTick = 0;
        a.step.holding = 0;
    }
}

} // namespace skyloom
