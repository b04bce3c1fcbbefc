// What one run of the main worker works with: the clock its loop and waits run on, the window
// it reports to, the stop request it obeys, the window's requests it takes, the user aircraft
// and the park airport's stands that the simulator link fills and reads. The program runs on
// its own (gf_programRunContext); tests hand in a manual clock, their own window, stop request
// and user aircraft, and may watch every main cycle.
#pragma once

#include <functional>

#include "runtime/run_services.h"

namespace skyloom {

class Clock;
class Gui;
class MainLoop;
class SimClientThread;
class StopControl;
class UserAircraft;
class UserStandServices;
class WindowRequests;

struct MainRunContext {
    Clock& clock;
    Gui& gui;
    StopControl& stop;
    WindowRequests& requests;
    UserAircraft& user;
    UserStandServices& stands;
    // The simulator link's thread, started by the start-up and stopped first by the cleanup;
    // none: the run goes on without a simulator.
    SimClientThread* simClient = nullptr;
    // Called after every main cycle on the worker thread (tests watch and steer the loop).
    std::function<void(MainLoop&)> cycleObserver{};

    // The clock, the stop request and the window as the subsystems take them.
    RunServices services() const noexcept;
};

// The program's clock, window, stop request, window requests, user aircraft and SimClient
// thread; the park airport's stands from parking.
MainRunContext gf_programRunContext();

} // namespace skyloom
