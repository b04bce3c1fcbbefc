// What the live traffic's air motion costs the main cycle, through the feed's parser, the
// mailbox and the traffic step on the manual clock, with a simulator that assigns every create
// at once:
// - the traffic step (one a main cycle) at about 400 active aircraft flying real motion: the
//   Los Angeles capture's aircraft, each copied with ids and callsigns of its own and set down
//   a little apart; its cycles' median and 99th percentile;
// - the cost per active aircraft of a step of 400 aircraft flying curved legs (circling at 3
//   degrees a second) and of 400 flying straight ones, in one run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "config/params_snapshot.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/manual_clock.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "tests/support/shared_data.h"
#include "tests/support/traffic_test_world.h"
#include "tests/traffic/support/live_replay.h"
#include "tests/traffic/support/track_capture.h"
#include "traffic/step/traffic_state.h"
#include "traffic/step/traffic_step.h"

namespace skyloom {
namespace {

constexpr int kCaptureCopies = 11;
// The copies' ids lie this far above the capture's, and their positions this far apart.
constexpr std::uint64_t kCopyHexidStride = 100000000;
constexpr double kCopyOffsetDeg = 0.004;
constexpr std::size_t kHexidField = 1;
constexpr std::size_t kLatitudeField = 2;
constexpr std::size_t kLongitudeField = 3;
constexpr std::size_t kCallsignField = 9;
constexpr std::size_t kTailField = 11;
// The cycles measured once the aircraft are flying.
constexpr int kMeasuredCycles = 6000;

std::vector<std::string> lf_split(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t from = 0;
    while (true) {
        const std::size_t comma = line.find(',', from);
        fields.emplace_back(line.substr(from, comma - from));
        if (comma == std::string_view::npos) {
            return fields;
        }
        from = comma + 1;
    }
}

std::string lf_join(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        line += i == 0 ? "" : ",";
        line += fields[i];
    }
    return line;
}

// The capture with every traffic record copied `copies` times over: copy k's id k strides
// above, its callsign and tail marked with k, its positions moved k offsets north-east.
tools::Capture lf_copiedCapture(tools::Capture capture, int copies) {
    for (tools::CaptureBurst& burst : capture.bursts) {
        std::vector<std::string> datagrams;
        for (const std::string& datagram : burst.datagrams) {
            datagrams.push_back(datagram);
            if (!datagram.starts_with("RTTFC,")) {
                continue;
            }
            const std::vector<std::string> fields = lf_split(datagram);
            for (int k = 1; k < copies; ++k) {
                std::vector<std::string> copy = fields;
                copy[kHexidField] =
                    std::to_string(std::stoull(fields[kHexidField]) +
                                   kCopyHexidStride * static_cast<std::uint64_t>(k));
                copy[kCallsignField] = fmt::format("{}{}", fields[kCallsignField].substr(0, 7), k);
                copy[kTailField] = fmt::format("{}{}", fields[kTailField].substr(0, 7), k);
                copy[kLatitudeField] =
                    fmt::format("{:.5f}", std::stod(fields[kLatitudeField]) + k * kCopyOffsetDeg);
                copy[kLongitudeField] =
                    fmt::format("{:.5f}", std::stod(fields[kLongitudeField]) + k * kCopyOffsetDeg);
                datagrams.push_back(lf_join(copy));
            }
        }
        // The end marker stays last.
        std::stable_partition(datagrams.begin(), datagrams.end(),
                              [](const std::string& d) { return d != "RTTFC_EOT"; });
        burst.datagrams = std::move(datagrams);
    }
    return capture;
}

std::size_t lf_activeAircraft(const TrafficState& state) {
    return static_cast<std::size_t>(
        std::count_if(state.liveAircraft.begin(), state.liveAircraft.end(),
                      [](const LiveAircraft& a) { return a.simState == SimState::active; }));
}

// A run of the traffic step on the manual clock over a capture.
class TrafficRun {
public:
    explicit TrafficRun(const tools::Capture& capture) : replay_(capture, mailbox_, clock_) {
        lf_initTrafficState(state_);
        mailbox_.setDecoder(&decoder_);
        mailbox_.enable(true);
    }

    // One main cycle's traffic step (what `step` returns is its time), the simulator's answer
    // and the bursts due by the next.
    std::chrono::nanoseconds step() {
        const auto from = std::chrono::steady_clock::now();
        lf_handleAddingStack(state_);
        const auto took = std::chrono::steady_clock::now() - from;
        testing::answerCommandsAsTheSimulator(parts_.commands_, parts_.events_, taken_,
                                              nextObject_);
        clock_.advance(std::chrono::milliseconds(10));
        replay_.feedDue();
        return took;
    }

    const TrafficState& state() const { return state_; }

private:
    testing::TrafficStateParts parts_;
    ManualClock& clock_ = parts_.clock_;
    TrafficMailbox& mailbox_ = parts_.world_.mailbox;
    TrafficState& state_ = parts_.state_;
    LiveTrafficDecoder decoder_{state_};
    testing::CaptureReplay replay_;
    SimCommandBatch taken_;
    std::uint32_t nextObject_ = 100;
};

void lf_prepareTables(const std::vector<testing::ReplayLivery>& liveries) {
    testing::buildLiveryTables(liveries);
    gf_updateParamsSnapshot([](ParamsSnapshot& s) {
        s.MAX_LIVE_SEL = 1000;
        s.MATCHING_DEPTH = 7;
        s.TCAS_FL = 180;
    });
}

double lf_quantileUs(std::vector<double> values, double q) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(q * values.size()))];
}

// The traffic step at some 400 active aircraft: the capture copied eleven times over; the
// cycles are measured from the moment 380 are active (or its tenth minute), each on its own.
void BM_TrafficCycle400Aircraft(benchmark::State& bench) {
    const std::filesystem::path file = testing::sharedPath(testing::kLosAngelesCapture);
    if (file.empty() || !testing::publishTypeListDbase()) {
        bench.SkipWithError("shared data not found: ../shared/feed/recordings or data/aircraft");
        return;
    }
    const tools::Capture capture = lf_copiedCapture(
        tools::gf_readCapture(file, testing::kLosAngelesElevationFt), kCaptureCopies);
    lf_prepareTables(testing::captureLiveries(capture));
    TrafficRun run(capture);
    for (int cycle = 0; cycle < 60000 && lf_activeAircraft(run.state()) < 380; ++cycle) {
        run.step();
    }
    std::vector<double> cycleUs;
    double active = 0.0;
    for (auto _ : bench) {
        const std::chrono::nanoseconds took = run.step();
        bench.SetIterationTime(std::chrono::duration<double>(took).count());
        cycleUs.push_back(std::chrono::duration<double, std::micro>(took).count());
        active += static_cast<double>(lf_activeAircraft(run.state()));
    }
    bench.counters["active"] = active / static_cast<double>(cycleUs.size());
    bench.counters["median_us"] = lf_quantileUs(cycleUs, 0.5);
    bench.counters["p99_us"] = lf_quantileUs(cycleUs, 0.99);
}
BENCHMARK(BM_TrafficCycle400Aircraft)
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Iterations(kMeasuredCycles);

// --- Curved and straight legs ---------------------------------------------------------

constexpr int kLegAircraft = 400;
constexpr double kLegSpeedKt = 150.0;
constexpr double kLegTurnDegPerS = 3.0;
constexpr double kLegReportSeconds = 10.0;
// Long enough for every create (one every 20 ticks) and then the measured cycles.
constexpr double kLegCaptureSeconds = 200.0;
constexpr double kLegEpoch = 1767800000.0;

// 400 aircraft on a grid 5 km apart west of Los Angeles, reported every 10 s: circling to the
// right at 3 degrees a second, or flying straight east.
tools::Capture lf_legCapture(bool curved) {
    std::vector<tools::Capture> captures;
    const double metresPerSecond = kLegSpeedKt * 1852.0 / 3600.0;
    const double radius = metresPerSecond / (kLegTurnDegPerS * geo::kRadiansPerDegree);
    for (int i = 0; i < kLegAircraft; ++i) {
        const Lalo centre{33.0 + 0.05 * (i / 20), -120.0 + 0.05 * (i % 20)};
        std::vector<testing::TruePoint> points;
        for (double t = 0.0; t <= kLegCaptureSeconds; t += kLegReportSeconds) {
            const double around = kLegTurnDegPerS * t;
            const Lalo at = curved ? gf_destination(centre, around * geo::kRadiansPerDegree,
                                                    radius * geo::kFeetPerMetre)
                                   : gf_destination(centre, std::numbers::pi / 2,
                                                    metresPerSecond * t * geo::kFeetPerMetre);
            testing::TruePoint p;
            p.seconds = t;
            p.positionSeconds = t;
            p.latitude = std::round(at.lat * 1e5) / 1e5;
            p.longitude = std::round(at.lon * 1e5) / 1e5;
            p.altitudeFt = 9000.0;
            p.groundSpeedKt = kLegSpeedKt;
            p.trackDeg = curved ? std::fmod(around + 90.0, 360.0) : 90.0;
            p.airborne = true;
            points.push_back(p);
        }
        const std::string callsign = fmt::format("AAL{}", 100 + i);
        testing::TrackCaptureOptions options;
        options.startEpoch = kLegEpoch;
        captures.push_back(testing::gf_trackCapture(
            points,
            {static_cast<std::uint32_t>(0xa30000 + i), callsign, "A320", callsign, "LAX", "JFK"},
            options));
    }
    return testing::gf_mergeCaptures(captures);
}

// Arg 0: straight legs, 1: curved ones. The time is one traffic step's; the counter its share
// per active aircraft.
void BM_AirLegsPerAircraft(benchmark::State& bench) {
    if (!testing::publishTypeListDbase()) {
        bench.SkipWithError("shared data not found: data/aircraft");
        return;
    }
    lf_prepareTables({{"Skyloom Demo A320 American", "AAL", "A320", ""}});
    const tools::Capture capture = lf_legCapture(bench.range(0) != 0);
    TrafficRun run(capture);
    for (int cycle = 0; cycle < 20000 && lf_activeAircraft(run.state()) < kLegAircraft; ++cycle) {
        run.step();
    }
    // Every aircraft settled on its legs.
    for (int cycle = 0; cycle < 1000; ++cycle) {
        run.step();
    }
    double total = 0.0;
    double active = 0.0;
    for (auto _ : bench) {
        const std::chrono::nanoseconds took = run.step();
        bench.SetIterationTime(std::chrono::duration<double>(took).count());
        total += std::chrono::duration<double, std::nano>(took).count();
        active += static_cast<double>(lf_activeAircraft(run.state()));
    }
    bench.counters["active"] = active / static_cast<double>(bench.iterations());
    bench.counters["ns_per_aircraft"] = active > 0 ? total / active : 0.0;
}
BENCHMARK(BM_AirLegsPerAircraft)
    ->ArgName("curved")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Iterations(3000);

} // namespace
} // namespace skyloom
