// The stoppable thread "SimClient": one `SimClient` at a time, started by the main worker's
// start-up and stopped first by its shutdown. Stopping fires the thread's stop token; the
// client then removes the AI objects it owns, closes its connection and the thread ends.
#pragma once

#include <thread>

#include "sim/sim_client.h"

namespace skyloom {

class SimClientThread {
public:
    SimClientThread() = default;
    // Stops and joins a thread that still runs.
    ~SimClientThread();
    SimClientThread(const SimClientThread&) = delete;
    SimClientThread& operator=(const SimClientThread&) = delete;

    // Joins a previous thread, then runs a SimClient with `context` on a new one. Throws
    // std::system_error when the thread cannot be made.
    void start(SimClientContext context);
    // Fires the stop token and waits for the thread to end.
    void stopAndJoin();
    bool running() const noexcept { return thread_.joinable(); }

private:
    std::jthread thread_;
};

// The program's thread.
SimClientThread& gf_simClientThread();

} // namespace skyloom
