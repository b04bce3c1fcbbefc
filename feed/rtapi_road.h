// The RealTraffic web API road of one run, as the start-up and the shutdown drive it:
// 1. the user's credentials are read early in the start-up (RealTraffic.lic);
// 2. at the end of the start-up the session is authenticated (a service that cannot answer is
//    tried up to five times, 5 s apart; a refused licence is reported with gf_showRtApiError
//    and stops the run); the window's feed light stops waiting when the authentication
//    begins and the data source is shown once it succeeds; the time shift in force is taken
//    over, the two reader threads are started and, when the user position is known, the
//    start-up waits up to 20 s for the first (buffered) traffic so that it is decoded before
//    the main loop runs;
// 3. at shutdown the readers are stopped and joined, then the session is deauthenticated.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "feed/rtapi_credentials.h"
#include "feed/rtapi_reader_threads.h"
#include "feed/rtapi_session.h"
#include "feed/rtapi_transport.h"
#include "feed/traffic_batch_post.h"
#include "runtime/run_services.h"

namespace skyloom {

class StopControl;
class UserAircraft;
class WindowSink;

class RtApiRoad {
public:
    RtApiRoad() = default;
    ~RtApiRoad();
    RtApiRoad(const RtApiRoad&) = delete;
    RtApiRoad& operator=(const RtApiRoad&) = delete;

    // Keeps the credentials for this run's session.
    void setCredentials(RtCredentials credentials);
    bool hasCredentials() const;

    // Makes the readers' environment for the authenticated session.
    using EnvironmentMaker = std::function<RtApiEnvironment(RtApiSession& session)>;

    // Authenticates on the run's clock and stop request, then starts the readers with the
    // environment that `makeEnvironment` makes. Base address: `baseUrl`, or gf_rtApiBaseUrl()
    // when empty. False when the run cannot go on (no credentials, the licence refused, the
    // service not answering, the program stopping); the reason has been logged and, for the
    // licence, reported on the run's window.
    bool start(const RunServices& run, const EnvironmentMaker& makeEnvironment,
               const std::string& baseUrl = {}, const RtApiLimits& limits = {});

    // Waits for the first traffic reply when the readers run (see RtApiReaderThreads).
    bool waitForFirstTraffic(std::chrono::milliseconds timeout);

    // Stops and joins the readers, then deauthenticates. Safe to call when nothing runs.
    void stop();

    bool running() const;
    RtApiSession* session() noexcept { return session_.get(); }
    RtApiReaderThreads* readers() noexcept { return readers_.get(); }

private:
    mutable std::mutex mutex_;
    std::optional<RtCredentials> credentials_;
    // Set at shutdown: the session's transfers go on although the run has stopped.
    std::shared_ptr<std::atomic<bool>> closing_;
    std::unique_ptr<RtApiSession> session_;
    std::unique_ptr<RtApiReaderThreads> readers_;
};

// The program's web API road.
RtApiRoad& gf_rtApiRoad();

// The window's data-source text once the session stands: "RT API, professional licence" or
// "RT API, standard licence".
std::string gf_rtApiDataSourceText(bool professional);

// The start-up's steps on the RT Direct road (each does nothing on the RT App road):
// Reads RealTraffic.lic into the program's road. False, with the reason on the window's error
// line and in the log and the stop reason "SYSTEM ERROR", when the credentials cannot be used.
bool gf_findRtApiCredentials(WindowSink& window, StopControl& stop);
// Starts the program's road (authentication, readers posting to `post`) and, when the user
// position is known, waits up to 20 s for the first traffic. False when the run cannot go on.
bool gf_startRtApiLink(const RunServices& run, TrafficBatchPost post, const UserAircraft& user);
// The shutdown's step: readers stopped and joined, session deauthenticated.
void gf_stopRtApiLink();

} // namespace skyloom
