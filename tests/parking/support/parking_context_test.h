// The base of the tests that drive the program's parking context: a temporary working folder,
// the run's services on a manual clock, published parameters, a traffic state with its world
// (the user aircraft, the parking state, park-airport list and entry and static parking plan a
// `ParkingContext` works on) and a recording parking panel (the RT Direct road, MSFS 2024).
// Schiphol is the airport most of them park at.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>

#include <gtest/gtest.h>

#include "config/parameters.h"
#include "foundation/manual_clock.h"
#include "parking/park_airport_list.h"
#include "parking/parking_context.h"
#include "parking/parking_state.h"
#include "refdata/park_airport.h"
#include "runtime/run_services.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "tests/support/recording_parking_window.h"
#include "tests/support/recording_window_sink.h"
#include "tests/support/traffic_test_world.h"
#include "tests/support/temp_dir.h"

namespace skyloom::testing {

inline const AirportEntry kEham{IcaoCode("EHAM"), IataCode("AMS"), 52.30861, 4.76389, -11};

class ParkingContextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("SKYLOOM_WORKDIR", work_.path().c_str(), 1);
        parameters_.publishAll();
    }
    void TearDown() override { ::unsetenv("SKYLOOM_WORKDIR"); }

    TempDir work_;
    ManualClock clock_;
    StopControl stop_;
    RecordingWindowSink window_;
    RunServices services_{clock_, stop_, window_};
    ParamsSnapshotCell cell_;
    ProgramParameters parameters_{nullptr, &cell_};
    std::atomic<std::uint32_t> tick_{0};
    SimCommandQueue commands_;
    SimEventQueue events_;
    AIPositionBatch positions_;
    TrafficTestWorld traffic_{clock_, tick_};
    TrafficState trafficState_{traffic_.links(commands_, events_, positions_)};
    RecordingParkingWindow controls_;
    UserAircraft& user_ = traffic_.user;
    ParkingState& state_ = traffic_.parking;
    ParkAirportList& list_ = traffic_.parkAirports;
    ParkAirportEntry& entry_ = traffic_.parkEntry;
    ParkingContext context_{state_,         list_,    entry_,         parameters_,
                            user_,          services_, controls_,     trafficState_,
                            traffic_.plan,  true,      2};
};

} // namespace skyloom::testing
