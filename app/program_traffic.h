// `ProgramTraffic`: the live traffic and the parking of one run of the main worker, wired as the
// program runs them: the traffic state over the simulator link's queues, the traffic tick, the
// feed's mailbox, the user aircraft, the run's services and the park airport that parking keeps
// (`ParkingParkAirport`); and the parking context over the same traffic state and the window's
// parking panel (`GuiParkingWindow`). Built before the main loop and outliving it, so that the
// shutdown takes the park airport's aircraft out and stops static parking. Main worker thread.
#pragma once

#include "gui/gui_parking_window.h"
#include "parking/parking_context.h"
#include "parking/parking_park_airport.h"
#include "runtime/run_services.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

struct MainRunContext;
struct StaticParkingState;

// The program's static parking plan (the requests the traffic step takes from).
StaticParkingState& gf_staticParkingState();
// The program's quarantine: it outlives a run, so that a restart does not let a jumping
// aircraft back in.
QuarantineMap& gf_programQuarantine();

class ProgramTraffic {
public:
    // The context's clock, window, stop request, window requests and user aircraft must
    // outlive it. The traffic state starts empty with its capacities reserved.
    explicit ProgramTraffic(const MainRunContext& context);
    ~ProgramTraffic();
    ProgramTraffic(const ProgramTraffic&) = delete;
    ProgramTraffic& operator=(const ProgramTraffic&) = delete;

    // The close-down's first step: the park airport's aircraft leave, what was learned there is
    // saved and its park options are put back.
    void leaveParkAirport();

    TrafficState& traffic() noexcept { return traffic_; }
    ParkingContext& parking() noexcept { return parking_; }
    const RunServices& services() const noexcept { return services_; }

private:
    RunServices services_;
    GuiParkingWindow parkingWindow_;
    ParkingParkAirport parkAirport_;
    TrafficState traffic_;
    ParkingContext parking_;
};

} // namespace skyloom
