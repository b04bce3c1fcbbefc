// The whole Los Angeles capture replayed through the feed's parser, the mailbox and the
// traffic step, on the manual clock, with a simulator that assigns every create at once: the
// traffic steps run per second, against the 100 per second that the program needs.
#include <benchmark/benchmark.h>

#include <atomic>

#include "config/params_snapshot.h"
#include "foundation/manual_clock.h"
#include "runtime/stop_request.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "tests/support/shared_data.h"
#include "tests/support/traffic_test_world.h"
#include "tests/traffic/support/live_replay.h"
#include "traffic/step/live_update.h"
#include "traffic/step/traffic_state.h"
#include "traffic/step/traffic_step.h"

namespace skyloom {
namespace {

void BM_ReplayLosAngelesCapture(benchmark::State& bench) {
    const std::filesystem::path file = testing::sharedPath(testing::kLosAngelesCapture);
    if (file.empty() || !testing::publishTypeListDbase()) {
        bench.SkipWithError("shared data not found: ../shared/feed/recordings or data/aircraft");
        return;
    }
    testing::buildLiveryTables({{"Boeing 737-800 Ryanair", "RYR", "B738", ""},
                                {"Boeing 777-300ER Emirates", "UAE", "B77W", ""},
                                {"Cessna Citation CJ3", "ZZZ", "C25B", ""}});
    gf_updateParamsSnapshot([](ParamsSnapshot& s) {
        s.MAX_LIVE_SEL = 500;
        s.MATCHING_DEPTH = 7;
        s.TCAS_FL = 180;
    });
    const tools::Capture capture = tools::gf_readCapture(file, testing::kLosAngelesElevationFt);
    std::int64_t steps = 0;
    for (auto _ : bench) {
        testing::TrafficStateParts parts;
        ManualClock& clock = parts.clock_;
        SimCommandQueue& commands = parts.commands_;
        SimEventQueue& events = parts.events_;
        TrafficMailbox& mailbox = parts.world_.mailbox;
        TrafficState& state = parts.state_;
        lf_initTrafficState(state);
        LiveTrafficDecoder decoder(state);
        mailbox.setDecoder(&decoder);
        mailbox.enable(true);
        testing::CaptureReplay replay(capture, mailbox, clock);
        SimCommandBatch taken;
        std::uint32_t nextObject = 100;
        auto step = [&] {
            lf_handleAddingStack(state);
            testing::answerCommandsAsTheSimulator(commands, events, taken, nextObject);
            clock.advance(std::chrono::milliseconds(10));
            ++steps;
        };
        // Every burst, then the playback delay of the last one.
        while (replay.feedDue()) {
            step();
        }
        for (int i = 0; i < 3500; ++i) {
            step();
        }
    }
    bench.counters["steps"] = benchmark::Counter(static_cast<double>(steps));
    bench.counters["steps_per_s"] =
        benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReplayLosAngelesCapture)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace skyloom
