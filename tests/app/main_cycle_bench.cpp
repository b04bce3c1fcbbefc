// The cost of one main cycle with nothing to do: the floor under every 10 ms cycle.
#include <benchmark/benchmark.h>

#include "app/main_loop.h"
#include "app/main_run_context.h"
#include "app/program_traffic.h"
#include "app/window_requests.h"
#include "foundation/clock.h"
#include "foundation/manual_clock.h"
#include "gui/gui.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "sim/user_aircraft_stand.h"

namespace skyloom {
namespace {

void BM_EmptyMainCycle(benchmark::State& state) {
    ManualClock clock;
    gf_setClock(&clock);
    Gui gui;
    gui.stopUpdates(); // nothing shows: the once-a-second updates are dropped
    StopControl stop;
    WindowRequests requests;
    UserAircraft user;
    NoUserStands stands;
    MainRunContext context{clock, gui, stop, requests, user, stands};
    ProgramTraffic program(context);
    MainLoop loop(context, program);
    for (auto _ : state) {
        loop.cycle();
    }
    benchmark::DoNotOptimize(loop.counters().cycles);
    gf_setClock(nullptr);
}
BENCHMARK(BM_EmptyMainCycle);

} // namespace
} // namespace skyloom
