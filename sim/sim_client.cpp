#include "sim/sim_client.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>

#include <fmt/format.h>

#include "config/startup_choices.h"
#include "foundation/clock.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/user_related_exception.h"
#include "runtime/stop_reports.h"
#include "runtime/stop_request.h"
#include "runtime/window_sink.h"
#include "sim/sim_client_work.h"
#include "sim/sim_event_queue.h"
#include "sim/sim_registration.h"
#include "sim/sim_result_text.h"

namespace skyloom {
namespace {

constexpr std::string_view kThreadName = "SimClient";

std::string_view lf_simulatorName(bool msfs2020) {
    return msfs2020 ? "MSFS 2020" : "MSFS 2024";
}

// Messages reach the client here, on the thread that called SimConnect_CallDispatch. An
// exception must not unwind through the simulator's library: the first one is kept for the
// client, and the rest of that dispatch is passed over as if the dispatch had ended there.
void CALLBACK lf_simDispatch(SIMCONNECT_RECV* data, DWORD size, void* context) noexcept {
    auto* dispatch = static_cast<SimClient::DispatchContext*>(context);
    if (data == nullptr || dispatch == nullptr || dispatch->client == nullptr ||
        dispatch->pending) {
        return;
    }
    try {
        dispatch->client->handleMessage(*data, size);
    } catch (...) {
        dispatch->pending = std::current_exception();
    }
}

} // namespace

SimClientContext gf_simClientContext(const RunServices& run, UserAircraft& user,
                                     UserStandServices& stands) {
    SimClientContext context{run, user, stands};
    context.work = &gf_simClientWork();
    context.events = &gf_simEventQueue();
    context.msfs2020 = gf_isMsfs2020();
    return context;
}

SimClient::SimClient(SimClientContext context) : context_(std::move(context)) {
    dispatch_.client = this;
}

SimClient::~SimClient() {
    if (handle_ != nullptr && gf_simConnectHandle() == handle_) {
        gf_publishSimConnectHandle(nullptr);
    }
    closeConnection();
}

void SimClient::setConnectionState(SimConnectionState state) noexcept {
    g_simConnectionState.store(state);
}

bool SimClient::keepRunning() const noexcept {
    return !token_.stop_requested() && context_.run.stop.keepRunning();
}

void SimClient::observePass() {
    if (context_.passObserver) {
        context_.passObserver(*this);
    }
}

void SimClient::closeConnection() {
    if (handle_ == nullptr) {
        return;
    }
    if (SimConnect_Close(handle_) >= 0) {
        LogFile::write("SimConnect closed ok");
    } else {
        LogFile::writeImportant("Closing SimConnect failed?!");
    }
    handle_ = nullptr;
}

HRESULT SimClient::callDispatch() {
    const HRESULT hr = SimConnect_CallDispatch(handle_, &lf_simDispatch, &dispatch_);
    if (dispatch_.pending) {
        std::rethrow_exception(std::exchange(dispatch_.pending, nullptr));
    }
    return hr;
}

void SimClient::run(std::stop_token token) {
    token_ = std::move(token);
    gf_publishSimConnectHandle(nullptr);
    try {
        bool switchRequested = false;
        while (keepRunning()) {
            if (connect() != ConnectResult::connected) {
                observePass();
                continue;
            }
            dispatchLoop();
            const AfterDispatch after = afterDispatch();
            observePass();
            if (after == AfterDispatch::end) {
                break;
            }
            if (after == AfterDispatch::switchRequested) {
                switchRequested = true;
                break;
            }
        }
        endOfRun(switchRequested);
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        removeOwnedObjectsAfterError();
        reportThreadException(error);
    }
    releaseConnection();
}

SimClient::ConnectResult SimClient::connect() {
    Clock& clock = context_.run.clock;
    if (!waitingShown_) {
        LogFile::write(" ");
        context_.run.window.showStatusText(
            fmt::format("Waiting for MSFS 20{} ...", context_.msfs2020 ? "20" : "24"), true);
        LogFile::flush();
        waitingShown_ = true;
    }
    closeConnection();
    HANDLE opened = nullptr;
    if (SimConnect_Open(&opened, context_.clientName.c_str(), nullptr, 0, nullptr, 0) < 0) {
        handle_ = nullptr;
        clock.sleepFor(kSimOpenRetry);
        return ConnectResult::notOpened;
    }
    handle_ = opened;
    gf_publishSimConnectHandle(handle_);
    g_simConnectionCount.fetch_add(1);
    context_.work->forgetConnection();
    g_simShutdownInProgress.store(false);
    cleanupRan_ = false;
    if (!gf_setupSimConnect(handle_)) {
        setConnectionState(SimConnectionState::notConnected);
        gf_publishSimConnectHandle(nullptr);
        closeConnection();
        clock.sleepFor(kSimOpenRetry);
        return ConnectResult::setupFailed;
    }
    timerPeriod_.emplace(1);
    return ConnectResult::connected;
}

void SimClient::dispatchLoop() {
    dispatch_.flags = SimClientFlags{};
    while (!token_.stop_requested() && dispatch_.flags.stopDispatch == 0) {
        if (dispatchPass()) {
            context_.run.clock.sleepFor(kSimDispatchSleep);
        }
        observePass();
    }
}

bool SimClient::dispatchPass() {
    const HRESULT hr = callDispatch();
    if (hr < 0) {
        LogFile::write(fmt::format("SimConnect dispatch failed; hr=0x{:08X} ({}); reconnecting ...",
                                   static_cast<std::uint32_t>(hr), gf_simResultText(hr)));
        logDiagnostic();
        dispatch_.flags.stopDispatch = 1;
    }
    return dispatch_.flags.stopDispatch == 0;
}

SimClient::AfterDispatch SimClient::afterDispatch() {
    if (!keepRunning()) {
        return AfterDispatch::end;
    }
    setConnectionState(SimConnectionState::notConnected);
    context_.run.window.enqueueUpdate(GuiUpdate::SimulatorConnected{false});
    gf_publishSimConnectHandle(nullptr);
    closeConnection();

    if (dispatch_.flags.simMismatch == 0) {
        waitingShown_ = false;
        timerPeriod_.reset();
        return AfterDispatch::reconnect;
    }
    const std::string_view selected = lf_simulatorName(context_.msfs2020);
    const std::string_view other = lf_simulatorName(!context_.msfs2020);
    if (!g_simChoiceSwitched.load()) {
        LogFile::write(fmt::format("MSFS and {} do not match, restarting ...", kProgramName));
        LogFile::flush();
        context_.run.window.requestSimulatorSwitch();
        return AfterDispatch::switchRequested;
    }
    if (!mismatchWaitShown_) {
        // The selected simulator goes in the middle: "MSFS 2024 is running, but MSFS 2020 is
        // selected" names what the user must change.
        LogFile::write(fmt::format("{} is running, but {} is selected; waiting for {} ...", other,
                                   selected, selected));
        context_.run.window.showStatusText(
            fmt::format("{} is running; waiting for {} ...", other, selected), true);
        LogFile::flush();
        mismatchWaitShown_ = true;
    }
    context_.run.clock.sleepFor(kSimMismatchRetry);
    timerPeriod_.reset();
    return AfterDispatch::reconnect;
}

void SimClient::endOfRun(bool switchRequested) {
    // After a switch request the connection is closed already; after a QUIT or a broken pipe
    // there is nobody to remove objects from, and after a refused request the simulator
    // cannot be trusted with more.
    if (switchRequested || dispatch_.flags.stopDispatch != 0 ||
        g_simConnectionState.load() == SimConnectionState::requestError) {
        return;
    }
    shutdownCleanup();
}

void SimClient::shutdownCleanup() {
    if (handle_ == nullptr) {
        return;
    }
    cleanupRan_ = true;
    g_simShutdownInProgress.store(true);
    SimClientWork& work = *context_.work;
    Clock& clock = context_.run.clock;
    work.startShutdownRemoval(*this);
    const Clock::SteadyTime deadline = clock.steadyNow() + kSimShutdownWait;
    while (work.shutdownRemovalPending() && dispatch_.flags.stopDispatch == 0 &&
           clock.steadyNow() < deadline) {
        const HRESULT hr = callDispatch();
        if (hr < 0) {
            LogFile::write(fmt::format("SimConnect shutdown dispatch failed; hr=0x{:08X} ({})",
                                       static_cast<std::uint32_t>(hr), gf_simResultText(hr)));
            logDiagnostic();
            break;
        }
        clock.sleepFor(kSimDispatchSleep);
    }
    const ShutdownRemovalCounts counts = work.shutdownRemovalCounts();
    LogFile::write(fmt::format("SimConnect shutdown cleanup: initially owned {}, remove requested "
                               "{}, confirmed {}, pending removals {}, pending creates {}",
                               counts.initiallyOwned, counts.removeRequested, counts.confirmed,
                               counts.pendingRemovals, counts.pendingCreates));
    work.endShutdownRemoval();
}

void SimClient::removeOwnedObjectsAfterError() noexcept {
    // The objects this connection created would stay in the simulator as frozen ghosts: as
    // long as the connection can still carry the removals, they are removed as at a stop.
    if (cleanupRan_ || handle_ == nullptr || dispatch_.flags.stopDispatch != 0 ||
        g_simConnectionState.load() == SimConnectionState::requestError) {
        return;
    }
    try {
        shutdownCleanup();
    } catch (const std::exception& e) {
        LogFile::writeNoThrow(fmt::format("lf_simShutdownCleanup exception: {}", e.what()));
    } catch (...) {
        LogFile::writeNoThrow("Exception in lf_simShutdownCleanup");
    }
}

void SimClient::waitFor791() {
    Clock& clock = context_.run.clock;
    const Clock::SteadyTime until = clock.steadyNow() + kSim791Wait;
    while (!token_.stop_requested() && clock.steadyNow() < until) {
        clock.sleepUntil(std::min(until, clock.steadyNow() + kSimOpenRetry));
    }
}

void SimClient::reportThreadException(std::exception_ptr error) noexcept {
    WindowSink& window = context_.run.window;
    StopControl& stop = context_.run.stop;
    const auto simulatorGone = [&] {
        setConnectionState(SimConnectionState::notConnected);
        gf_simNoLongerConnected(window, stop);
    };
    try {
        try {
            std::rethrow_exception(error);
        } catch (const UserRelatedException& e) {
            const std::string_view message = e.what();
            if (message.starts_with("2024")) {
                LogFile::write(fmt::format("MSFS and {} do not match", kProgramName));
                simulatorGone();
                return;
            }
            LogFile::write(fmt::format("{} exception: {}", kThreadName, message));
            window.showErrorLine(std::string(message));
            if (message.starts_with("791")) {
                waitFor791();
                simulatorGone();
            }
        } catch (const std::exception& e) {
            LogFile::write(fmt::format("{} exception: {}", kThreadName, e.what()));
            window.showErrorLine(fmt::format("Exception in {}", kThreadName));
            simulatorGone();
        } catch (...) {
            LogFile::write(fmt::format("Exception in {}", kThreadName));
            window.showErrorLine(fmt::format("Exception in {}", kThreadName));
            simulatorGone();
        }
    } catch (...) {
        // Reporting failed (no memory for a text): the run must still learn that the
        // simulator link is gone.
        simulatorGone();
    }
}

void SimClient::releaseConnection() {
    timerPeriod_.reset();
    try {
        context_.work->rememberUserStand(*this);
    } catch (...) {
        // The stand is a convenience for the next start; the connection must still close.
    }
    setConnectionState(SimConnectionState::notConnected);
    gf_publishSimConnectHandle(nullptr);
    try {
        closeConnection();
    } catch (...) {
        handle_ = nullptr;
    }
}

void SimClient::onRequestError() {
    context_.run.window.showStatusText("SimConnect request error", true, StatusWeight::warning);
    context_.run.window.enqueueUpdate(GuiUpdate::SimulatorConnected{false});
    setConnectionState(SimConnectionState::requestError);
    gf_requestStop(context_.run.stop, StopReason::simConnectError, 9);
}

void SimClient::onRequestFailed(HRESULT hr, std::string_view line) {
    if (!gf_simLinkClosed(hr)) {
        LogFile::writeImportant(line);
        onRequestError();
        return;
    }
    // The simulator quits between the frame it sent and the frame's requests: the QUIT waits
    // behind the frame, or was handled already. Either way it is the quit, which waits for the
    // simulator's next start; a request error would end the run instead.
    if (dispatch_.flags.stopDispatch != 0) {
        return;
    }
    LogFile::write(fmt::format("{}: hr=0x{:08X} ({}); the simulator is gone", line,
                               static_cast<std::uint32_t>(hr), gf_simResultText(hr)));
    onQuit();
}

bool SimClient::requestsEnded() const noexcept {
    return dispatch_.flags.stopDispatch != 0 ||
           g_simConnectionState.load() == SimConnectionState::requestError;
}

void SimClient::logDiagnostic() {
    const std::optional<PositionUpdateReport> report = context_.work->lastPositionUpdate();
    if (!report) {
        LogFile::write("SimConnect diagnostic: no AI position update recorded");
        return;
    }
    const AIPosition& p = report->position;
    LogFile::write(fmt::format(
        "SimConnect diagnostic: last AI position update callsign='{}', objectid={}, "
        "result=0x{:08X}, position={:.6f},{:.6f}, altitude={:.1f} ft, pitch={:.3f} rad, "
        "bank={:.3f} rad, heading={:.3f} rad, VS={:.1f} fpm, TAS={:.1f} kt",
        report->callsign.value_or("unknown"), gf_hexidText(report->objectId),
        static_cast<std::uint32_t>(report->result), p.latitude, p.longitude, p.altitude, p.pitch,
        p.bank, p.headingTrue, p.verticalSpeed, p.trueAirspeed));
}

} // namespace skyloom
