// The set-once stop request: any thread may ask the main worker to stop with a reason and a
// detail; the first request wins and every later one is ignored, so the reason that ends a
// run is the first thing that went wrong, not the last. Every loop of every thread polls
// whether the run is to go on (`StopControl::keepRunning`) and ends once it turns false.
//
// The detail of a reason that restarts is the countdown in seconds shown in the window before
// the restart ("NEW FLIGHT" 60, "READER ERROR" 15, "SIMCONNECT ERROR" 9, "NEW SETTINGS" 0 or
// 3; a shorter one is lengthened to 3 s, see shutdown_plan.h). Closing the window ("USER
// CLOSED SIM") also marks that the user wants to exit, even when another reason came first:
// the program then ends after its cleanup instead of restarting.
#pragma once

#include <atomic>
#include <cstdint>

#include "runtime/stop_reason.h"

namespace skyloom {

struct StopRequest {
    StopReason reason = StopReason::notYetSet;
    std::int32_t detail = 0;

    friend bool operator==(const StopRequest&, const StopRequest&) = default;
};

// One stop request with the user's wish to exit. Lock-free: the request is one atomic word.
// The program has one (app/program_services.h); tests make their own.
class StopControl {
public:
    StopControl() = default;
    StopControl(const StopControl&) = delete;
    StopControl& operator=(const StopControl&) = delete;

    // Sets the request unless one is set already; true when this request is the one that
    // counts. "NOT YET SET" is no request (false, nothing changes). "USER CLOSED SIM" marks
    // the wish to exit whether it wins or not.
    bool request(StopReason reason, std::int32_t detail) noexcept;

    // The request that counts; reason "NOT YET SET" while there is none.
    StopRequest current() const noexcept;
    bool stopRequested() const noexcept;

    void markExitWanted() noexcept { exitWanted_.store(true); }
    bool exitWanted() const noexcept { return exitWanted_.load(); }

    // True while no stop reason is set and no exit is pending.
    bool keepRunning() const noexcept { return !stopRequested() && !exitWanted(); }

    // The hand-over to the next run of a restart: clears the request, then tells whether the
    // next run may start (false when the user wants to exit; that wish stays). In this order
    // a close that comes before the answer turns the restart into the end, and a request
    // raised after the clear is the next run's first one, not lost.
    bool clearForNextRun() noexcept {
        packed_.store(0);
        return !exitWanted();
    }
    // Everything as at program start.
    void reset() noexcept;

private:
    // The reason in the high 32 bits, the detail in the low ones; 0 while there is none.
    std::atomic<std::uint64_t> packed_{0};
    std::atomic<bool> exitWanted_{false};
};

// Requests the stop on `control` and writes to the log which request counted ("==> Stop
// requested: {text} ({code}), detail {detail}") or that a later one was ignored. True when this
// request is the one that counts. Never throws.
bool gf_requestStop(StopControl& control, StopReason reason, std::int32_t detail) noexcept;

// Seconds before the restart after the simulator loaded a new flight (or the user aircraft
// jumped): the simulator needs them to settle.
inline constexpr std::int32_t kNewFlightRestartSeconds = 60;

} // namespace skyloom
