// What one run of the main worker works with: the clock its loop and waits run on, the window
// it reports to, the stop request it obeys and the window's requests it takes. The program
// runs on its own (gf_programRunContext); tests hand in a manual clock and their own window
// and may watch every main cycle.
#pragma once

#include <functional>

namespace skyloom {

class Clock;
class Gui;
class MainLoop;
class SimClientThread;
class StopControl;
class WindowRequests;

struct MainRunContext {
    Clock* clock = nullptr;
    Gui* gui = nullptr;
    StopControl* stop = nullptr;
    WindowRequests* requests = nullptr;
    // The simulator link's thread, started by the start-up and stopped first by the cleanup;
    // none: the run goes on without a simulator.
    SimClientThread* simClient = nullptr;
    // Called after every main cycle on the worker thread (tests watch and steer the loop).
    std::function<void(MainLoop&)> cycleObserver;
};

// The program's clock, window, stop request, window requests and SimClient thread.
MainRunContext gf_programRunContext();

} // namespace skyloom
