// `SimClient`: the body of the thread "SimClient", which owns the one main SimConnect connection.
// It waits until the selected simulator accepts a connection (an open every 100 ms), checks
// that the running simulator is the selected one, registers every id (sim/sim_registration.h)
// and dispatches the simulator's messages with 1 ms sleeps; on each frame it hands on to the
// frame work (`SimClientWork`). After a QUIT or a broken connection it connects again; when
// the wrong simulator runs it either asks the window to switch the choice (MSG_SWITCH_SIM) and
// ends, or, right after the user switched, waits for the selected one in 1 s rounds. On stop
// it removes every AI object it owns, waiting at most 2 s for the confirmations, and closes.
//
// The thread's loop is thin: one connection attempt, one dispatch pass, what follows a
// dispatch loop, the shutdown cleanup and the handling of one message are members that tests
// call directly on a manual clock.
//
// Exceptions raised by a message handler never leave through the simulator's dispatch
// callback: the callback keeps the first one, ignores the rest of that dispatch and the client
// rethrows it once the dispatch has returned. An exception that ends the thread while the
// connection is still usable still removes the owned objects before it is reported.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "foundation/version.h"
#include "platform/os/timer_period.h"
#include "platform/simconnect/simconnect.h"
#include "runtime/run_services.h"
#include "sim/sim_link_state.h"

namespace skyloom {

class SimClient;
class SimClientWork;
class SimEventQueue;
class UserAircraft;
class UserStandServices;

struct SimClientContext {
    // The clock of the thread's waits, the stop request it obeys and the window it reports to.
    RunServices run;
    // What the simulator says of the user aircraft goes here (the client alone writes it).
    UserAircraft& user;
    // The park airport's stands, for the stand the user stands on.
    UserStandServices& stands;
    SimClientWork* work = nullptr;
    SimEventQueue* events = nullptr;
    // The selected simulator: MSFS 2020 when true, else MSFS 2024.
    bool msfs2020 = false;
    std::string clientName = kProgramName;
    // Called after each pass of the thread's loops (an open attempt, a dispatch pass, a wait
    // after a mismatch); tests watch and steer the client with it.
    std::function<void(SimClient&)> passObserver{};
};

// The program's work and event queue and the start-up choice of simulator, with these run
// services, user aircraft and stands.
SimClientContext gf_simClientContext(const RunServices& run, UserAircraft& user,
                                     UserStandServices& stands);

// The two flags handed to every dispatch.
struct SimClientFlags {
    std::uint8_t stopDispatch = 0; // leave the dispatch loop
    std::uint8_t simMismatch = 0;  // the running simulator is not the selected one
};

// Delays of the thread.
inline constexpr std::chrono::milliseconds kSimOpenRetry{100};
inline constexpr std::chrono::milliseconds kSimDispatchSleep{1};
inline constexpr std::chrono::seconds kSimMismatchRetry{1};
inline constexpr std::chrono::seconds kSimShutdownWait{2};
inline constexpr std::chrono::seconds kSim791Wait{10};

class SimClient {
public:
    enum class ConnectResult { notOpened, setupFailed, connected };
    enum class AfterDispatch { reconnect, end, switchRequested };

    // The context's services, user aircraft, stands, work and events must outlive the client.
    explicit SimClient(SimClientContext context);
    // Closes a connection that is still open.
    ~SimClient();
    SimClient(const SimClient&) = delete;
    SimClient& operator=(const SimClient&) = delete;

    // The thread body. Returns when `token` fires or the run is to end (after the shutdown
    // cleanup), after asking the window to switch the simulator, or on an exception, which it
    // reports; nothing leaves it.
    void run(std::stop_token token = {});

    // --- The steps of the thread body ---

    // Shows the waiting message once per wait, opens and registers; on failure sleeps 100 ms.
    // On success the handle is published and the timer period held.
    ConnectResult connect();
    // Clears the flags, then dispatches with 1 ms sleeps until the stop token fires or a
    // handler or a failed dispatch ends the loop.
    void dispatchLoop();
    // One SimConnect_CallDispatch. A failure logs "SimConnect dispatch failed; ..." with the
    // diagnostic and ends the dispatch loop. Rethrows what a handler raised. True while the
    // dispatch loop is to go on.
    bool dispatchPass();
    // What follows a dispatch loop: the end when the thread is to stop; otherwise the
    // connection is dropped, and a mismatch either asks the window to switch or waits 1 s.
    AfterDispatch afterDispatch();
    // Removes every owned object through the work and waits for the confirmations (only with
    // an open connection); logs the counts.
    void shutdownCleanup();
    // The guards of the thread's end: the timer period, the user's stand, state 0 and no
    // published handle, the connection closed.
    void releaseConnection();

    // Handles one message as the dispatch callback hands it on; may throw.
    void handleMessage(const SIMCONNECT_RECV& message, DWORD size);

    // A request of the frame work that SimConnect refused: status "SimConnect request error",
    // the window told that the simulator is not connected, state 3 and the stop reason
    // "SIMCONNECT ERROR".
    void onRequestError();
    // A request of the frame work that failed with `hr`; `line` names it. A result that says
    // the simulator is gone is its quit, whether the QUIT was handled already or still waits
    // behind the frame (logged once, plainly); any other result is a request error (`line`
    // logged as important).
    void onRequestFailed(HRESULT hr, std::string_view line);
    // True once this connection takes no more requests: after a request error, a QUIT, a link
    // found closed or a mismatch.
    bool requestsEnded() const noexcept;
    // Logs the last AI position update.
    void logDiagnostic();

    // --- For the work and for tests ---
    HANDLE handle() const noexcept { return handle_; }
    SimClientFlags& flags() noexcept { return dispatch_.flags; }
    // True while the stop token has not fired and the run is to go on.
    bool keepRunning() const noexcept;
    bool stopTokenFired() const noexcept { return token_.stop_requested(); }
    bool holdsTimerPeriod() const noexcept { return timerPeriod_.has_value(); }
    const SimClientContext& context() const noexcept { return context_; }
    Clock& clock() const noexcept { return context_.run.clock; }
    WindowSink& window() const noexcept { return context_.run.window; }
    SimEventQueue& events() const noexcept { return *context_.events; }
    SimClientWork& work() const noexcept { return *context_.work; }

    // Written only by the SimClient.
    static void setConnectionState(SimConnectionState state) noexcept;

    // What the dispatch callback receives as its context.
    struct DispatchContext {
        SimClient* client = nullptr;
        SimClientFlags flags;
        std::exception_ptr pending; // the first exception of the current dispatch
    };

private:
    void closeConnection();
    HRESULT callDispatch();
    void observePass();
    void endOfRun(bool switchRequested);
    void removeOwnedObjectsAfterError() noexcept;
    void reportThreadException(std::exception_ptr error) noexcept;
    void waitFor791();

    // Message handlers (sim_dispatch.cpp).
    bool checkPayload(DWORD size, std::size_t minimum, std::string_view name) const;
    void onOpen(const SIMCONNECT_RECV& message, DWORD size);
    void onException(const SIMCONNECT_RECV& message, DWORD size);
    void onQuit();
    void onEvent(const SIMCONNECT_RECV& message, DWORD size);
    void onObjectAddRemove(const SIMCONNECT_RECV& message, DWORD size);
    void onFlightFile();
    void onFrame();
    void onSimObjectData(const SIMCONNECT_RECV& message, DWORD size);
    void onSimObjectDataByType(const SIMCONNECT_RECV& message, DWORD size);
    void onAssignedObjectId(const SIMCONNECT_RECV& message, DWORD size);
    void requestNewFlight();

    SimClientContext context_;
    std::stop_token token_;
    HANDLE handle_ = nullptr;
    DispatchContext dispatch_;
    std::optional<os::TimerPeriod> timerPeriod_;
    bool waitingShown_ = false;
    bool mismatchWaitShown_ = false;
    bool cleanupRan_ = false;
};

} // namespace skyloom
