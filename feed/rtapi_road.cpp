#include "feed/rtapi_road.h"

#include <algorithm>

#include <fmt/format.h>

#include "config/startup_choices.h"
#include "feed/rtapi_settings.h"
#include "feed/rtapi_time_shift.h"
#include "foundation/clock.h"
#include "foundation/log_file.h"
#include "foundation/user_related_exception.h"
#include "runtime/rt_status.h"
#include "runtime/stop_reports.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "runtime/window_sink.h"

namespace skyloom {

namespace {

// Waits on the clock until `wait` has passed; false when the run stops meanwhile.
bool lf_wait(Clock& clock, const StopControl& stop, std::chrono::milliseconds wait) {
    const Clock::SteadyTime until = clock.steadyNow() + wait;
    while (stop.keepRunning()) {
        const Clock::SteadyTime now = clock.steadyNow();
        if (now >= until) {
            return true;
        }
        clock.sleepUntil(std::min(until, now + kRtApiWaitSliceMs));
    }
    return false;
}

void lf_report(const RunServices& run, long status) {
    gf_showRtApiError(run.window, run.stop, kRtApiAuthenticationName, false, status);
}

} // namespace

std::string gf_rtApiDataSourceText(bool professional) {
    return fmt::format("RT API, {} licence", professional ? "professional" : "standard");
}

namespace {

} // namespace

RtApiRoad::~RtApiRoad() {
    stop();
}

void RtApiRoad::setCredentials(RtCredentials credentials) {
    std::lock_guard lock(mutex_);
    credentials_ = std::move(credentials);
}

bool RtApiRoad::hasCredentials() const {
    std::lock_guard lock(mutex_);
    return credentials_.has_value();
}

bool RtApiRoad::start(const RunServices& run, const EnvironmentMaker& makeEnvironment,
                      const std::string& baseUrl, const RtApiLimits& limits) {
    this->stop();
    StopControl& stop = run.stop;
    std::unique_lock lock(mutex_);
    if (!credentials_) {
        LogFile::writeImportant("RealTraffic web API: no credentials");
        lf_report(run, 0);
        return false;
    }
    // The authentication ends when the run stops; the deauthentication at shutdown must go
    // out although it has.
    auto closing = std::make_shared<std::atomic<bool>>(false);
    closing_ = closing;
    auto transport = std::make_unique<RtApiTransport>(
        baseUrl.empty() ? gf_rtApiBaseUrl() : baseUrl, limits,
        [&stop, closing] { return closing->load() || stop.keepRunning(); });
    session_ = std::make_unique<RtApiSession>(*credentials_, std::move(transport));
    LogFile::write(fmt::format("RealTraffic web API at {}", session_->transport().baseUrl()));
    // The feed light stops waiting: red until the session stands, then the readers' colour.
    run.window.enqueueUpdate(GuiUpdate::FeedStatusKnown{});

    for (int attempt = 1;; ++attempt) {
        const RtApiAnswer answer = session_->authenticate();
        if (answer.ok()) {
            break;
        }
        const RtApiJudgement judgement = gf_judgeRtApiAnswer(answer, true, {});
        if (judgement.course == RtApiCourse::stop || !stop.keepRunning()) {
            return false;
        }
        if (judgement.course == RtApiCourse::licenceRefused || attempt >= kRtApiMaxAuthAttempts) {
            lf_report(run, answer.status);
            return false;
        }
        LogFile::write(
            fmt::format("RealTraffic web API: authentication attempt {} of {} failed, "
                        "trying again in {} s",
                        attempt, kRtApiMaxAuthAttempts,
                        std::chrono::duration_cast<std::chrono::seconds>(judgement.wait).count()));
        if (!lf_wait(run.clock, stop, judgement.wait)) {
            return false;
        }
    }
    run.window.enqueueUpdate(
        GuiUpdate::DataSourceText{gf_rtApiDataSourceText(session_->professional())});
    gf_adoptProgramTimeShift();
    readers_ = std::make_unique<RtApiReaderThreads>(makeEnvironment(*session_));
    return true;
}

bool RtApiRoad::waitForFirstTraffic(std::chrono::milliseconds timeout) {
    RtApiReaderThreads* readers = nullptr;
    {
        std::lock_guard lock(mutex_);
        readers = readers_.get();
    }
    return readers != nullptr && readers->waitForFirstTraffic(timeout);
}

void RtApiRoad::stop() {
    std::unique_ptr<RtApiReaderThreads> readers;
    std::unique_ptr<RtApiSession> session;
    std::shared_ptr<std::atomic<bool>> closing;
    {
        std::lock_guard lock(mutex_);
        readers = std::move(readers_);
        session = std::move(session_);
        closing = std::move(closing_);
    }
    if (readers) {
        readers->stopAndJoin();
    }
    if (session) {
        session->logFailuresAtStop();
        if (closing) {
            closing->store(true);
        }
        if (session->authenticated()) {
            session->deauthenticate();
        }
        g_rtConnected.store(false);
    }
}

bool RtApiRoad::running() const {
    std::lock_guard lock(mutex_);
    return readers_ != nullptr;
}

RtApiRoad& gf_rtApiRoad() {
    static RtApiRoad road;
    return road;
}

bool gf_findRtApiCredentials(WindowSink& window, StopControl& stop) {
    if (!gf_isRtDirect()) {
        return true;
    }
    try {
        gf_rtApiRoad().setCredentials(gf_findRtCredentials());
        return true;
    } catch (const UserRelatedException& e) {
        LogFile::writeImportant(e.what());
        window.showErrorLine(e.text());
        gf_requestStop(stop, StopReason::systemError, 0);
        return false;
    }
}

bool gf_startRtApiLink(const RunServices& run, TrafficBatchPost post, const UserAircraft& user) {
    if (!gf_isRtDirect()) {
        return true;
    }
    RtApiRoad& road = gf_rtApiRoad();
    const auto makeEnvironment = [&](RtApiSession& session) {
        return gf_programRtApiEnvironment(run, session, post, user);
    };
    if (!road.start(run, makeEnvironment)) {
        return false;
    }
    if (user.position().known && !road.waitForFirstTraffic(kRtApiFirstReplyWaitMs)) {
        LogFile::write("No buffered traffic from the RealTraffic web API");
    }
    return run.stop.keepRunning();
}

void gf_stopRtApiLink() {
    gf_rtApiRoad().stop();
}

} // namespace skyloom
