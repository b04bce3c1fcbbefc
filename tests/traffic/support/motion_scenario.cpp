#include "tests/traffic/support/motion_scenario.h"

#include <cmath>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "traffic/motion_driver.h"
#include "traffic/tick_motion.h"
#include "traffic/traffic_step.h"

namespace skyloom::testing {

namespace {

constexpr std::uint32_t kHexid = 0x4B1234;
constexpr double kFeetPerNm = 6076.11549;

// The stand-in for the per-tick update of an active aircraft: the driver when the target is
// due, a tick of motion while the target is not stationary, the position to the batch.
bool lf_updateForTest(TrafficState& state, LiveAircraft& a) {
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
        state.positions.setCurrent(a.objectId,
                                   AIPosition{p.latitude, p.longitude, p.pitchRad, p.bankRad,
                                              p.headingRad, p.altitudeFt,
                                              a.step.presentVerticalSpeed,
                                              a.step.targetTrueAirspeed});
    }
    return false;
}

// The stand-in for the decoder: a new report ends an extrapolation and joins the stream.
void lf_deliver(LiveAircraft& a, TrafficSample sample) {
    if (a.motion.extrapolationCounter != 0) {
        while (a.stream.size() > 1) {
            a.stream.pop_back();
        }
        a.motion.extrapolationCounter = 0;
    }
    a.stream.push_back(sample);
}

} // namespace

std::vector<FeedReport> gf_reportsAlong(Lalo start, double headingDeg, double altitudeFt,
                                        const std::vector<PathLeg>& legs, double everySeconds) {
    std::vector<FeedReport> out;
    Lalo here = start;
    double heading = headingDeg;
    double altitude = altitudeFt;
    double t = 0;
    const double dt = 0.1;
    double nextReport = 0;
    for (const PathLeg& leg : legs) {
        for (double s = 0; s < leg.seconds - 1e-9; s += dt, t += dt) {
            if (t >= nextReport - 1e-9) {
                FeedReport r;
                r.seconds = t;
                r.sample.latitude = here.lat;
                r.sample.longitude = here.lon;
                r.sample.altitudeFt = altitude;
                r.sample.groundSpeedKt = leg.speedKt;
                r.sample.trueAirspeedKt = leg.speedKt;
                r.sample.trackDeg = std::fmod(heading + 360.0, 360.0);
                r.sample.verticalSpeedFpm = leg.verticalSpeedFpm;
                r.sample.airborne = altitude > 0 ? 1 : 0;
                out.push_back(r);
                nextReport += everySeconds;
            }
            heading += leg.turnDegPerSecond * dt;
            here = gf_destination(here, heading * geo::kRadiansPerDegree,
                                  leg.speedKt * dt / 3600.0 * kFeetPerNm);
            altitude += leg.verticalSpeedFpm * dt / 60.0;
        }
    }
    return out;
}

MotionScenarioTest::MotionScenarioTest() {
    lf_initTrafficState(state_);
    state_.steps.updateLiveAc = lf_updateForTest;
}

std::vector<simworld::TracePoint> MotionScenarioTest::fly(const std::vector<FeedReport>& reports,
                                                          FlightPhase phase, double seconds,
                                                          AircraftCategory category) {
    connect();
    const TrafficSample& first = reports.front().sample;
    AircraftBase base;
    base.hexid = kHexid;
    base.callsign = "SWR12";
    base.category = category;
    const CategoryHandling& h = gf_categoryHandling(category);
    base.cgHeightFt = h.cgHeightFt;
    base.headingRateRadPerTick = h.headingRateRadPerTick;
    base.workingHeadingRateRadPerTick = h.headingRateRadPerTick;
    base.maxClimbStepFtPerTick = h.maxClimbStepFtPerTick;
    base.rotationPitchRad = h.rotationPitchDeg * geo::kRadiansPerDegree;
    base.initialClimbPitchRad = h.initialClimbPitchDeg * geo::kRadiansPerDegree;
    base.flareTicks = h.flareTicks;
    base.rotationTicks = h.rotationTicks;
    base.climbPitchTicks = h.climbPitchTicks;
    base.jet = 1;
    TrafficSample start = first;
    const auto delayTicks = static_cast<std::int32_t>(playbackDelaySeconds_ * 100.0);
    start.time = delayTicks;
    LiveAircraft aircraft(start, std::move(base), 0.0, 0);
    aircraft.simState = SimState::adding2sim;
    aircraft.phase.phase = phase;
    aircraft.motion.onGround = first.airborne != 0 ? 0 : 1;
    aircraft.sent.latitude = first.latitude;
    aircraft.sent.longitude = first.longitude;
    aircraft.sent.altitudeFt = first.altitudeFt;
    aircraft.sent.headingRad = first.trackDeg * geo::kRadiansPerDegree;
    state_.liveAircraft.push_back(std::move(aircraft));
    SimCreateRequest create = gf_createRequest(kHexid, "SWR12");
    create.position.latitude = first.latitude;
    create.position.longitude = first.longitude;
    create.position.altitude = first.altitudeFt;
    create.position.heading = first.trackDeg;
    create.position.onGround = first.airborne != 0 ? 0 : 1;
    state_.liveCreateQueue.push_back(create);

    std::size_t next = 1;
    run(seconds, [&] {
        const double now = tick_.load() / 100.0;
        LiveAircraft* a = state_.findByHexid(kHexid);
        while (a != nullptr && next < reports.size() && reports[next].seconds <= now) {
            TrafficSample sample = reports[next].sample;
            sample.time = static_cast<std::int32_t>(tick_.load()) + delayTicks;
            lf_deliver(*a, sample);
            ++next;
        }
        lf_handleAddingStack(state_);
        a = state_.findByHexid(kHexid);
        if (a == nullptr) {
            return;
        }
        if (a->objectId != 0) {
            objectId_ = a->objectId;
        }
        if (phases_.empty() || phases_.back() != a->phase.phase) {
            phases_.push_back(a->phase.phase);
        }
        removed_ = removed_ || a->simState == SimState::removingfromsim;
    });
    std::vector<simworld::TracePoint> written;
    if (objectId_ != 0) {
        for (const simworld::TracePoint& p : world_->trace(objectId_)) {
            if (p.source == simworld::TraceSource::written) {
                written.push_back(p);
            }
        }
    }
    return written;
}

} // namespace skyloom::testing
