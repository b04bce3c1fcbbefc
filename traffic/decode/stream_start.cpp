#include "traffic/decode/stream_start.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "foundation/geodesy.h"
#include "traffic/motion/air_step.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

constexpr double kRadPerDeg = std::numbers::pi / 180.0;
// The nose of an aircraft standing on the ground.
constexpr double kGroundPitchRad = 0.010471975511965976;
constexpr double kTrackAgreesRad = 45.0 * kRadPerDeg;

// An aircraft on the ground this close to the park airport stands at the airport's altitude.
constexpr double kParkAirportReachNm = 5.0;

// Where an aircraft on the ground is created: at the park airport's altitude when it stands
// there (the simulator can crash or move an object created below its ground), else at the
// report's altitude.
double lf_groundAltitude(const TrafficState& state, const TrafficSample& sample) {
    const ParkAirportPlace& park = state.motionWorld.parkAirport;
    if (park.known && std::isfinite(park.altitudeFt) &&
        gf_distanceNM(park.position, {sample.latitude, sample.longitude}) <= kParkAirportReachNm) {
        return park.altitudeFt;
    }
    return sample.altitudeFt;
}

double lf_wrapHeading(double heading) noexcept {
    if (!std::isfinite(heading)) {
        return 0.0;
    }
    heading = std::fmod(heading, 2 * std::numbers::pi);
    return heading < 0 ? heading + 2 * std::numbers::pi : heading;
}

} // namespace

double lf_streamTopAltitude(const LiveAircraft& aircraft) noexcept {
    double top = -std::numeric_limits<double>::infinity();
    for (const TrafficSample& sample : aircraft.stream) {
        if (std::isfinite(sample.altitudeFt)) {
            top = std::max(top, sample.altitudeFt);
        }
    }
    return top;
}

void lf_placeAtStreamStart(TrafficState& state, LiveAircraft& aircraft) {
    const TrafficSample& oldest = aircraft.stream.front();
    state.arrivedAircraft.push_back(aircraft.base.hexid);
    SentPosition& sent = aircraft.sent;
    sent.latitude = oldest.latitude;
    sent.longitude = oldest.longitude;
    sent.altitudeFt = oldest.airborne != 0 ? oldest.altitudeFt : lf_groundAltitude(state, oldest);
    sent.verticalSpeedFpm = oldest.verticalSpeedFpm;
    sent.trueAirspeedKt = oldest.trueAirspeedKt;
    const double bankLimit = gf_categoryBankLimitRad(aircraft.base.category);
    sent.bankRad = oldest.bankValid != 0 && std::isfinite(oldest.bankRad)
                       ? std::clamp(oldest.bankRad, -bankLimit, bankLimit)
                       : 0.0;
    sent.pitchRad = oldest.airborne != 0
                        ? lf_pitchFromVerticalSpeed(oldest, aircraft.base.category)
                        : kGroundPitchRad;
    double heading = oldest.trackDeg * kRadPerDeg;
    if (aircraft.respawn.pending != 0) {
        heading = aircraft.respawn.headingRad;
        aircraft.respawn.pending = 0;
    } else if (aircraft.phase.phase == FlightPhase::parked) {
        heading = aircraft.stand.headingRad;
    } else if (aircraft.stream.size() >= 2 && aircraft.stream[1].stationary == 0) {
        const TrafficSample& next = aircraft.stream[1];
        const double toNext =
            gf_bearing({oldest.latitude, oldest.longitude}, {next.latitude, next.longitude});
        // In the air the reported track is the direction of flight, which the first leg leaves
        // along; the bearing to the next sample stands in where the two disagree.
        if (oldest.airborne == 0 ||
            !(std::abs(gf_wrapAngle(heading - toNext)) <= kTrackAgreesRad)) {
            heading = toNext;
        }
    }
    sent.headingRad = lf_wrapHeading(heading);
}

} // namespace skyloom
