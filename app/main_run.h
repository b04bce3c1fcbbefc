// The body of the main worker thread, one run from start-up to hand-over:
// 1. the start-up sequence, step by step in a fixed order; a step that cannot go on raises
//    the stop reason that says why (and shows it), and the rest is passed over;
// 2. the main loop, until the stop request is raised;
// 3. the cleanup (lf_closingDown), which takes the subsystems down in order;
// 4. for a reason that restarts, the countdown in the window (the error line cleared first so
//    that it shows), then the reset for the next run and MSG_START to the main window, unless
//    the user closed the window before the hand-over; otherwise (after 25 s for "SYSTEM
//    ERROR") MSG_EXIT. The window starts the next run, or ends the program, when that message
//    comes.
// A stop of the worker thread object (`token`) marks the wish to exit on the run's stop
// request, so that every loop polling that request ends with the run.
// An exception that escapes a step or the loop is logged ("lf_main exception: {}"), shown as
// the window's error line and raises "SYSTEM ERROR"; when it is a WriteFailure the program's
// exit code becomes kWriteFailureExitCode and standard error says why the program ends.
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>

#include "app/main_run_context.h"
#include "app/shutdown_plan.h"
#include "runtime/stop_request.h"

namespace skyloom {

// What a run ended with.
struct MainRunEnd {
    // The request that ended it ("NOT YET SET" when the worker was asked to stop without one).
    StopRequest request;
    // True when every start-up step went through and the main loop ran.
    bool startedUp = false;
    std::uint64_t cycles = 0;
    // True when MSG_START was chosen (a countdown the user cut short by closing the window
    // turns a restart into the end).
    bool restart = false;
    // Why the run could not go on: a file it needs could not be written (WriteFailure). Such a
    // run ends the program with kWriteFailureExitCode and says so on standard error.
    std::string writeFailure;
};

// One run of the main worker on the calling thread. `token` asks it to stop from outside (the
// worker thread object's stop); that ends the loop and every wait like a closed window.
MainRunEnd gf_runMain(const MainRunContext& context, std::stop_token token = {});

} // namespace skyloom
