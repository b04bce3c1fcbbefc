// The cost per call of the motion numerics that run every tick for every moving aircraft: a
// speed-profile sample, a ground-turn-path sample, a curved-leg point and a bank command; and
// of the calls made once per step: building a turn path, a speed-profile fit, a runway search
// at an airport of six runways and the walk along the worst turn path met on the real ground
// tracks, within the turn of the nose.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "tests/support/traffic_test_world.h"
#include "tests/traffic/support/runway_fixture.h"
#include "traffic/ground/path_pace.h"
#include "traffic/ground/runway_match.h"
#include "traffic/ground/turn_path.h"
#include "traffic/motion/kinematics.h"
#include "traffic/motion/speed_profile.h"
#include "traffic/motion/track_steering.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {
namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

GroundTurnRequest lf_corner() {
    GroundTurnRequest r;
    r.startLatitude = 47.45;
    r.startLongitude = 8.56;
    r.cornerLatitude = 47.4505;
    r.cornerLongitude = 8.56;
    r.endLatitude = 47.4505;
    r.endLongitude = 8.5608;
    r.startHeading = 0;
    return r;
}

void BM_SpeedProfileSample(benchmark::State& state) {
    SpeedProfile p;
    gf_fitSpeedProfile(p, 1800, 40, 0, 0, 80);
    double t = 0;
    for (auto _ : state) {
        t = t >= 40 ? 0 : t + 0.01;
        benchmark::DoNotOptimize(gf_speedProfileDistanceAt(p, t));
        benchmark::DoNotOptimize(gf_speedProfileSpeedAt(p, t));
    }
}
BENCHMARK(BM_SpeedProfileSample);

void BM_SpeedProfileFit(benchmark::State& state) {
    SpeedProfile p;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gf_fitSpeedProfile(p, 1800, 40, 0, 0, 80));
    }
}
BENCHMARK(BM_SpeedProfileFit);

void BM_GroundTurnPathBuild(benchmark::State& state) {
    const GroundTurnRequest r = lf_corner();
    GroundTurnPath path;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gf_buildGroundTurnPath(path, r));
    }
}
BENCHMARK(BM_GroundTurnPathBuild);

void BM_GroundTurnPathSample(benchmark::State& state) {
    GroundTurnPath path;
    gf_buildGroundTurnPath(path, lf_corner());
    double s = 0;
    for (auto _ : state) {
        s = s >= 1 ? 0 : s + 0.001;
        benchmark::DoNotOptimize(gf_groundPathPointAt(path, s));
    }
}
BENCHMARK(BM_GroundTurnPathSample);

void BM_CurvedLegPoint(benchmark::State& state) {
    double t = 0;
    for (auto _ : state) {
        t = t >= 1 ? 0 : t + 0.001;
        benchmark::DoNotOptimize(
            gf_curveBetweenHeadings({47.45, 8.56}, {47.5, 8.6}, 20 * kDeg, 60 * kDeg, t));
    }
}
BENCHMARK(BM_CurvedLegPoint);

void BM_BankForTurn(benchmark::State& state) {
    BankRequest r{0, 10 * kDeg, 0, 0, false, 250, 5, 1, 3 * kDeg, 25 * kDeg, 0.05};
    for (auto _ : state) {
        r.targetHeading = r.targetHeading > 1 ? 0 : r.targetHeading + 1e-3;
        benchmark::DoNotOptimize(gf_bankForTurn(r));
    }
}
BENCHMARK(BM_BankForTurn);

void BM_FindRunwayAt(benchmark::State& state) {
    std::vector<FacilityRunway> runways;
    const Lalo centre{39.86, -104.67};
    for (int i = 0; i < 6; ++i) {
        runways.push_back(testing::gf_makeRunway({.centre = {centre.lat + 0.01 * i, centre.lon},
                                                  .headingDeg = i % 2 ? 0.5 : 90.5,
                                                  .primaryNumber = i % 2 ? 36u : 9u,
                                                  .secondaryNumber = i % 2 ? 18u : 27u}));
    }
    const Lalo p = testing::gf_onRunway(runways[2], -1200, 3);
    for (auto _ : state) {
        benchmark::DoNotOptimize(gf_findRunwayAt(runways, p, 90 * kDeg, true, 75));
    }
}
BENCHMARK(BM_FindRunwayAt);

// UAL1693's hairpin at Los Angeles (the KLAX capture): reported at 14 kt, an A320 (Large)
// heading 137 degrees is to turn through 133 degrees onto 270 in 30 m within 2.3 s; its nose
// takes 1,442 ticks over it, and the walk is slowed at nearly every one.
GroundTurnRequest lf_hairpin() {
    const Lalo from{33.939983817550086, -118.38040424173822};
    const double metresPerDegree = 111132.95;
    const double eastDegree = metresPerDegree * std::cos(from.lat * kDeg);
    GroundTurnRequest r;
    r.startLatitude = from.lat;
    r.startLongitude = from.lon;
    r.cornerLatitude = from.lat - 20.428186603040494 / metresPerDegree;
    r.cornerLongitude = from.lon + 18.830768815496743 / eastDegree;
    r.endLatitude = r.cornerLatitude;
    r.endLongitude = from.lon + 0.39108162994383933 / eastDegree;
    r.startHeading = 2.396862268447876;
    return r;
}

void BM_PaceWithinTheNoseHairpin(benchmark::State& bench) {
    testing::TrafficStateParts parts;
    TrafficState& state = parts.state_;
    const GroundTurnRequest r = lf_hairpin();
    TrafficSample at;
    at.latitude = r.startLatitude;
    at.longitude = r.startLongitude;
    at.groundSpeedKt = 14.3;
    LiveAircraft a(at, AircraftBase{}, 0.0, 0);
    a.base.category = AircraftCategory::Large;
    a.base.headingRateRadPerTick = 7.0 * kDeg / 100.0;
    a.motion.onGround = 1;
    a.phase.phase = FlightPhase::taxi;
    a.sent.latitude = r.startLatitude;
    a.sent.longitude = r.startLongitude;
    a.sent.headingRad = r.startHeading;
    TrafficSample end = at;
    end.latitude = r.endLatitude;
    end.longitude = r.endLongitude;
    end.time = 231;
    a.stream.push_back(end);
    GroundPathFollow& g = a.step.groundPath;
    if (!gf_buildGroundTurnPath(g.path, r)) {
        bench.SkipWithError("the hairpin's path is not built");
        return;
    }
    g.done = 0;
    MotionContext ctx{state, a, state.motionWorld};
    std::size_t walked = 0;
    for (auto _ : bench) {
        g.increments.clear();
        a.stream[1].time = end.time;
        lf_paceWithinTheNose(ctx, end.time);
        walked = g.increments.size();
    }
    bench.counters["ticks"] = static_cast<double>(walked);
}
BENCHMARK(BM_PaceWithinTheNoseHairpin)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace skyloom
