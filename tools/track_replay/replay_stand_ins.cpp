#include "tools/track_replay/replay_stand_ins.h"

#include "foundation/geo_constants.h"
#include "sim/ai_position_batch.h"
#include "traffic/motion_driver.h"
#include "traffic/tick_motion.h"
#include "traffic/traffic_state.h"

namespace skyloom::tools {

LiveAircraft gf_replayAircraft(std::uint32_t hexid, const std::string& callsign,
                               const TrafficSample& first, FlightPhase phase,
                               AircraftCategory category) {
    AircraftBase base;
    base.hexid = hexid;
    base.callsign = callsign;
    base.category = category;
    const CategoryHandling& h = gf_categoryHandling(category);
    base.cgHeightFt = h.cgHeightFt;
    base.headingRateRadPerTick = h.headingRateRadPerTick;
    base.workingHeadingRateRadPerTick = h.headingRateRadPerTick;
    base.maxClimbStepFtPerTick = h.maxClimbStepFtPerTick;
    base.pushbackSpeedKt = h.pushbackSpeedKt;
    base.rotationPitchRad = h.rotationPitchDeg * geo::kRadiansPerDegree;
    base.initialClimbPitchRad = h.initialClimbPitchDeg * geo::kRadiansPerDegree;
    base.flareTicks = h.flareTicks;
    base.touchDownTicks = h.touchDownTicks;
    base.rotationTicks = h.rotationTicks;
    base.climbPitchTicks = h.climbPitchTicks;
    base.jet = category == AircraftCategory::Bizjet || category == AircraftCategory::Large ||
                       category == AircraftCategory::Heavy
                   ? 1
                   : 0;
    LiveAircraft aircraft(first, std::move(base), 0.0, 0);
    aircraft.simState = SimState::adding2sim;
    aircraft.phase.phase = phase;
    aircraft.motion.onGround = first.airborne != 0 ? 0 : 1;
    aircraft.sent.latitude = first.latitude;
    aircraft.sent.longitude = first.longitude;
    aircraft.sent.altitudeFt = first.altitudeFt;
    aircraft.sent.headingRad = first.trackDeg * geo::kRadiansPerDegree;
    // Until its first step the aircraft keeps the heading it was created with.
    aircraft.step.targetHeading = aircraft.sent.headingRad;
    return aircraft;
}

SimCreateRequest gf_replayCreateRequest(const LiveAircraft& aircraft, const std::string& livery) {
    SimCreateRequest request;
    const SentPosition& p = aircraft.sent;
    request.position = SIMCONNECT_DATA_INITPOSITION{p.latitude,
                                                    p.longitude,
                                                    p.altitudeFt,
                                                    0,
                                                    0,
                                                    p.headingRad * geo::kDegreesPerRadian,
                                                    aircraft.motion.onGround != 0 ? 1u : 0u,
                                                    0};
    request.callsign = aircraft.base.callsign;
    request.liveryTitle = livery;
    request.hexid = aircraft.base.hexid;
    return request;
}

void gf_replayDeliver(LiveAircraft& aircraft, const TrafficSample& sample) {
    if (aircraft.motion.extrapolationCounter != 0) {
        while (aircraft.stream.size() > 1) {
            aircraft.stream.pop_back();
        }
        aircraft.motion.extrapolationCounter = 0;
    }
    aircraft.stream.push_back(sample);
}

bool gf_replayUpdate(TrafficState& state, LiveAircraft& a) {
    if (a.simState != SimState::active || a.stream.empty()) {
        return false;
    }
    if (static_cast<std::int32_t>(state.currentTick()) >= a.stream.front().time) {
        nextPosMain(state, a);
    }
    if (a.simState == SimState::active && !a.stream.empty() && a.stream.front().stationary == 0) {
        lf_moveOneTick(state, a);
    }
    if (a.simState == SimState::active) {
        const SentPosition& p = a.sent;
        state.positions.setCurrent(a.objectId, AIPosition{p.latitude, p.longitude, p.pitchRad,
                                                          p.bankRad, p.headingRad, p.altitudeFt,
                                                          a.step.presentVerticalSpeed,
                                                          a.step.targetTrueAirspeed});
    }
    return false;
}

} // namespace skyloom::tools
