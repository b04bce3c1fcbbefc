// The cost of one traffic step with 500 live aircraft standing between samples (no sample due,
// so the motion driver does not run): the event drain, the per-aircraft pass, the pacing, the
// 20-tick tasks with the ground-conflict check; and of the catch-up of one second of ticks
// after the main loop fell behind.
#include <benchmark/benchmark.h>

#include <atomic>

#include "tests/support/traffic_test_world.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "traffic/step/traffic_state.h"
#include "traffic/step/traffic_step.h"

namespace skyloom {
namespace {

// 500 active aircraft on the ground between samples, every tenth with its ground-conflict flag.
void lf_add500Standing(TrafficState& state) {
    TrafficSample waiting;
    waiting.stationary = 1;
    waiting.time = 1 << 30;
    for (std::uint32_t i = 0; i < 500; ++i) {
        AircraftBase base;
        base.hexid = 20000 + i;
        base.callsign = "BM" + std::to_string(i);
        base.conflictRadiusNm = 0.01;
        LiveAircraft aircraft(waiting, std::move(base), 0.0, 0);
        aircraft.simState = SimState::active;
        aircraft.objectId = 100 + i;
        aircraft.motion.onGround = 1;
        aircraft.phase.phase = FlightPhase::taxi;
        aircraft.sent.latitude = 47.0 + i * 0.01;
        aircraft.sent.longitude = 8.0;
        aircraft.groundConflict = i % 10 == 0 ? 1 : 0;
        state.liveAircraft.push_back(std::move(aircraft));
    }
}

void BM_TrafficStep500Aircraft(benchmark::State& bench) {
    testing::TrafficStateParts parts;
    TrafficState& state = parts.state_;
    lf_initTrafficState(state);
    lf_add500Standing(state);
    SimCommandBatch taken;
    for (auto _ : bench) {
        lf_handleAddingStack(state);
        parts.commands_.takeAll(taken);
    }
}
BENCHMARK(BM_TrafficStep500Aircraft);

// What a re-synchronised main loop adds per second it fell behind: the same 500 aircraft
// moved through 100 ticks (the per-aircraft pass alone, no pacing, mailbox or 20-tick task).
void BM_TrafficCatchUpOneSecond500Aircraft(benchmark::State& bench) {
    testing::TrafficStateParts parts;
    TrafficState& state = parts.state_;
    lf_initTrafficState(state);
    lf_add500Standing(state);
    for (auto _ : bench) {
        gf_catchUpTraffic(state, 100);
    }
}
BENCHMARK(BM_TrafficCatchUpOneSecond500Aircraft);

} // namespace
} // namespace skyloom

