#include "tests/traffic/support/motion_scenario.h"

#include <cmath>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "tools/track_replay/replay_stand_ins.h"
#include "traffic/decode/decode_existing.h"
#include "traffic/step/live_update.h"
#include "traffic/step/traffic_step.h"

namespace skyloom::testing {

namespace {

constexpr std::uint32_t kHexid = 0x4B1234;
constexpr double kFeetPerNm = 6076.11549;

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
}

std::vector<simworld::TracePoint> MotionScenarioTest::fly(const std::vector<FeedReport>& reports,
                                                          FlightPhase phase, double seconds,
                                                          AircraftCategory category) {
    connect();
    const TrafficSample& first = reports.front().sample;
    const auto delayTicks = static_cast<std::int32_t>(playbackDelaySeconds_ * 100.0);
    TrafficSample start = first;
    start.time = delayTicks;
    state_.liveAircraft.push_back(
        tools::gf_replayAircraft(kHexid, "SWR12", start, phase, category));
    if (prepare_) {
        prepare_(state_.liveAircraft.back());
    }
    const SimCreateRequest create =
        tools::gf_replayCreateRequest(state_.liveAircraft.back(), kA320Livery);
    state_.liveCreateQueue.push_back(create);

    std::size_t next = 1;
    run(seconds, [&] {
        const double now = tick_.load() / 100.0;
        LiveAircraft* a = state_.findByHexid(kHexid);
        while (a != nullptr && next < reports.size() && reports[next].seconds <= now) {
            TrafficSample sample = reports[next].sample;
            sample.time = static_cast<std::int32_t>(tick_.load()) + delayTicks;
            if (throughDecoder_) {
                decodeExisting(state_, *a, sample);
            } else {
                tools::gf_replayDeliver(*a, sample);
            }
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
