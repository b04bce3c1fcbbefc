// A traffic state of its own for a test fixture, with the queues, clock and tick counter it
// works on; fixtures that drive the traffic code without the simulated world derive from it.
#pragma once

#include <atomic>
#include <cstdint>

#include "foundation/manual_clock.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "traffic/step/traffic_state.h"

namespace skyloom::testing {

struct TrafficStateParts {
    explicit TrafficStateParts(std::uint32_t firstTick = 0) : tick_(firstTick) {}

    ManualClock clock_;
    std::atomic<std::uint32_t> tick_;
    SimCommandQueue commands_;
    SimEventQueue events_;
    AIPositionBatch positions_;
    TrafficState state_{commands_, events_, positions_, clock_, tick_};
};

} // namespace skyloom::testing
