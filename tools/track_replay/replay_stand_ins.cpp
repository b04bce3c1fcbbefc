#include "tools/track_replay/replay_stand_ins.h"

#include <algorithm>

#include "foundation/geo_constants.h"

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
    // Reported, as the decoder notes it: when the reports run out is reckoned from it.
    aircraft.newestReportDueTick = std::max(aircraft.newestReportDueTick, sample.time);
    aircraft.stream.push_back(sample);
}

} // namespace skyloom::tools
