// What a test's traffic state works with besides the simulator link's queues, wired as the
// program wires it: the run's services (the caller's clock, a stop control of its own, a
// recording window), the feed's mailbox on the caller's tick, a user aircraft, and the real
// park airport of parking (`ParkingParkAirport`) over the test's own parking state, park-airport
// list, park airport entry and static parking plan. A test fills the stands with `setStands`.
// `TrafficStateParts` adds the simulator link's queues, a manual clock and a traffic state.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/manual_clock.h"
#include "parking/park_airport_list.h"
#include "parking/parking_park_airport.h"
#include "parking/parking_state.h"
#include "parking/static_parking_state.h"
#include "refdata/airport_file.h"
#include "refdata/park_airport.h"
#include "runtime/run_services.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "tests/support/recording_window_sink.h"
#include "traffic/step/traffic_mailbox.h"
#include "traffic/step/traffic_state.h"

namespace skyloom::testing {

// A stand of the park airport: its 1-based id, id text, position, heading (radians), radius
// (metres) and type.
Stand gf_testStand(std::int32_t sid, std::string id, const Lalo& at, double headingRad = 0.0,
                   double radiusMetres = 30.0, StandType type = StandType::GATE_MEDIUM);

class TrafficTestWorld {
public:
    TrafficTestWorld(Clock& clock, std::atomic<std::uint32_t>& tick);
    TrafficTestWorld(const TrafficTestWorld&) = delete;
    TrafficTestWorld& operator=(const TrafficTestWorld&) = delete;

    // The links of a traffic state over these parts and the given simulator queues.
    TrafficLinks links(SimCommandQueue& commands, SimEventQueue& events,
                       AIPositionBatch& positions);
    // The park airport's stands (sid n at index n - 1), indexed by name, an airport file
    // applied (as a load of the park airport leaves them).
    void setStands(std::vector<Stand> stands);

    std::atomic<std::uint32_t>& tick;
    StopControl stop;
    RecordingWindowSink window;
    RunServices services;
    TrafficMailbox mailbox;
    UserAircraft user;
    ParkingState parking;
    ParkAirportList parkAirports;
    ParkAirportEntry parkEntry;
    StaticParkingState plan;
    ParkingParkAirport parkAirport;
};

// A traffic state of its own for a test fixture, with the queues, clock and tick counter it
// works on and the rest of its world; fixtures that drive the traffic code without the
// simulated world derive from it.
struct TrafficStateParts {
    explicit TrafficStateParts(std::uint32_t firstTick = 0) : tick_(firstTick) {}

    ManualClock clock_;
    std::atomic<std::uint32_t> tick_;
    SimCommandQueue commands_;
    SimEventQueue events_;
    AIPositionBatch positions_;
    TrafficTestWorld world_{clock_, tick_};
    TrafficState state_{world_.links(commands_, events_, positions_)};
};

} // namespace skyloom::testing
