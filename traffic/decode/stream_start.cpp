#include "traffic/decode/stream_start.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "refdata/airports.h"
#include "traffic/motion/air_step.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

namespace {

constexpr double kRadPerDeg = std::numbers::pi / 180.0;
// The nose of an aircraft standing on the ground.
constexpr double kGroundPitchRad = 0.010471975511965976;
constexpr double kTrackAgreesRad = 45.0 * kRadPerDeg;

constexpr double kFeetPerMetre = 3.280839895013123;
constexpr double kTicksPerSecond = 100.0;

// An aircraft on the ground this close to the park airport stands at the airport's altitude.
constexpr double kParkAirportReachNm = 5.0;

// Where an aircraft on the ground is created: at the park airport's altitude when it stands
// there (the simulator can crash or move an object created below its ground), else at the
// altitude of the airport it stands at, else at the report's altitude. The park airport is
// chosen some seconds into a run, when the App's buffered aircraft have long come, and the
// App reports the ground at 0 ft: such an aircraft was written at 0 ft, at Zurich 1,417 ft
// below its ground, until the simulator said where the ground lay.
double lf_groundAltitude(const TrafficState& state, const TrafficSample& sample) {
    const Lalo at{sample.latitude, sample.longitude};
    const ParkAirportPlace& park = state.motionWorld.parkAirport;
    if (park.known && std::isfinite(park.altitudeFt) &&
        gf_distanceNM(park.position, at) <= kParkAirportReachNm) {
        return park.altitudeFt;
    }
    if (const std::optional<AirportEntry> field = gf_findClosestAirportCentre(at)) {
        return field->altitudeFt;
    }
    return sample.altitudeFt;
}

// Where the reports put the aircraft now, on its way from `from` (due) to `to` (not yet): as
// far short of `to` as the reported speed flies in the time left; at `from` when that is
// farther than they lie apart.
void lf_moveTowardNext(TrafficSample& from, const TrafficSample& to, std::int64_t tick) {
    const Lalo a{from.latitude, from.longitude};
    const Lalo b{to.latitude, to.longitude};
    const double metres = gf_distanceNM(a, b) * geo::kMetresPerNM;
    const double seconds = static_cast<double>(to.time - tick) / kTicksPerSecond;
    double speedKt = (from.groundSpeedKt + to.groundSpeedKt) / 2.0;
    if (!(speedKt > 0)) {
        const double stepSeconds = static_cast<double>(to.time - from.time) / kTicksPerSecond;
        speedKt = stepSeconds > 0 ? metres / stepSeconds / geo::kMetresPerSecondPerKnot : 0.0;
    }
    const double left = speedKt * geo::kMetresPerSecondPerKnot * seconds;
    if (!(metres > 0) || !std::isfinite(left) || left >= metres) {
        return;
    }
    const double share = 1.0 - std::max(left, 0.0) / metres;
    const Lalo at = gf_destination(a, gf_bearing(a, b), share * metres * kFeetPerMetre);
    const auto between = [share](double x, double y) { return x + (y - x) * share; };
    from.latitude = at.lat;
    from.longitude = at.lon;
    if (to.reportTime > 0) {
        from.reportTime = to.reportTime - seconds; // where the reports put it now
    }
    from.altitudeFt = between(from.altitudeFt, to.altitudeFt);
    from.groundSpeedKt = between(from.groundSpeedKt, to.groundSpeedKt);
    from.trueAirspeedKt = between(from.trueAirspeedKt, to.trueAirspeedKt);
    from.verticalSpeedFpm = between(from.verticalSpeedFpm, to.verticalSpeedFpm);
    const double turnDeg = std::remainder(to.trackDeg - from.trackDeg, 360.0);
    if (std::isfinite(turnDeg)) {
        from.trackDeg = std::fmod(from.trackDeg + turnDeg * share + 360.0, 360.0);
    }
}

double lf_wrapHeading(double heading) noexcept {
    if (!std::isfinite(heading)) {
        return 0.0;
    }
    heading = std::fmod(heading, 2 * std::numbers::pi);
    return heading < 0 ? heading + 2 * std::numbers::pi : heading;
}

// Puts the aircraft at the oldest sample of its stream: position, attitude and heading.
void lf_sendFromStreamStart(const TrafficState& state, LiveAircraft& aircraft) {
    const TrafficSample& oldest = aircraft.stream.front();
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
    sent.pitchRad = oldest.airborne != 0 ? lf_pitchFromVerticalSpeed(oldest, aircraft.base.category)
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
    state.arrivedAircraft.push_back(aircraft.base.hexid);
    lf_sendFromStreamStart(state, aircraft);
}

bool gf_startAtDueReport(TrafficState& state, LiveAircraft& aircraft) {
    auto& stream = aircraft.stream;
    const auto tick = static_cast<std::int64_t>(state.currentTick());
    if (stream.empty() || aircraft.phase.phase == FlightPhase::parked ||
        stream.front().time >= tick) {
        return false;
    }
    const std::uint8_t airborne = stream.front().airborne;
    std::size_t due = 0;
    while (due + 1 < stream.size() && stream[due + 1].time <= tick &&
           stream[due + 1].airborne == airborne) {
        ++due;
    }
    stream.erase(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(due));
    TrafficSample& start = stream.front();
    if (airborne != 0 && stream.size() >= 2 && start.stationary == 0 && stream[1].stationary == 0 &&
        stream[1].airborne == airborne && stream[1].time > tick) {
        lf_moveTowardNext(start, stream[1], tick);
    }
    start.time = static_cast<std::int32_t>(tick);
    lf_sendFromStreamStart(state, aircraft);
    return true;
}

} // namespace skyloom
