// The RealTraffic web API stand-in: a plain HTTP/1.1 server on 127.0.0.1 (port chosen by the
// OS unless one is given; tools/loopback_http) that answers "/v6/auth", "/v6/deauth", "/v6/traffic"
// and
// "/v6/nearestmetar" the way the service does, from the recorded replies in
// ../shared/feed/recordings/RT_API_decoded:
// - sessions: a known licence or token gets a GUID, valid until 120 s after its last use; one
//   session per standard licence, two per professional one (405 beyond); unknown credentials
//   404, expired ones 402, ten failed logins 429;
// - traffic: location, buffered (buffercount/buffertime) and parked traffic, each aircraft
//   kept only when it lies in the requested box; location and buffered traffic come either
//   from one recorded reply (the same for every request) or from a live series played back
//   in real time (tools/rtapi_standin/live_series.h); a request sooner than the limit ("rrl",
//   "wrrl") after the previous one of its kind gets 406; parameter faults 400; history beyond
//   14 days 407, history with a standard licence 403;
// - faults on demand, for every request of a path or queued for the next ones: any status,
//   a slow reply, a reply cut short, no reply at all, a body that is no JSON, or a given body;
// - errors go out with their status both in the HTTP status line and in the JSON body, or,
//   when asked, with HTTP 200 and the status in the body only;
// - replies are gzip-compressed when the client accepts it.
// It runs on the program's clock (or the one given), so rate limits and session lifetimes
// follow a test's manual clock. Every request is recorded for the tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "foundation/clock.h"
#include "tools/rtapi_standin/live_series.h"

namespace skyloom::tools {

class LoopbackHttpServer;
struct HttpReply;
struct HttpRequest;

// The recordings the stand-in answers from (file names in RT_API_decoded). Authentication and
// deauthentication need none: their replies are made with the members of the recorded ones.
inline constexpr std::string_view kStandInAuthRecording = "742250820.106701.json";
inline constexpr std::string_view kStandInLiveRecording = "746213911.74435.json";
inline constexpr std::string_view kStandInTopLevelRecording = "725578599.580375.json";
inline constexpr std::string_view kStandInBufferedRecording = "746214863.95976.json";
inline constexpr std::string_view kStandInParkedRecording = "746828180.600688.json";
inline constexpr std::string_view kStandInMetarRecording = "744148065.431184.json";

enum class StandInFault {
    none,
    // The answer's status (with a JSON body holding it and a message).
    status,
    // The body goes out one byte per slow delay.
    slow,
    // The head announces the whole body; half of it is sent, then the connection closes.
    cutShort,
    // The request is read, nothing is ever sent.
    neverAnswer,
    // HTTP 200 with a body that is no JSON.
    malformed,
    // HTTP 200 with the answer's body as it is.
    body,
};

// "none", "status", "slow", "cut", "hang", "malformed", "body".
std::string_view gf_standInFaultText(StandInFault fault) noexcept;

struct StandInAnswer {
    StandInFault fault = StandInFault::none;
    int status = 200;
    std::string message;
    std::string body;

    static StandInAnswer of(StandInFault fault) {
        StandInAnswer answer;
        answer.fault = fault;
        return answer;
    }
    static StandInAnswer withStatus(int status, std::string message = {}) {
        StandInAnswer answer;
        answer.fault = StandInFault::status;
        answer.status = status;
        answer.message = std::move(message);
        return answer;
    }
    static StandInAnswer withBody(std::string body) {
        StandInAnswer answer;
        answer.fault = StandInFault::body;
        answer.body = std::move(body);
        return answer;
    }
};

enum class StandInLicence { standard = 1, professional = 2, expired = 3 };

struct StandInRequest {
    std::string path;
    std::map<std::string, std::string> form;
    // The stand-in's clock when the request arrived.
    Clock::SteadyTime at{};
    // The status it was answered with (0: no answer).
    int status = 0;
    std::string acceptEncoding;
    std::string contentType;
};

class RtApiStandIn {
public:
    // Serves from `recordings` (the RT_API_decoded folder). `clock` null: the program's clock
    // (gf_clock) at each use. Throws std::runtime_error when the port cannot be had.
    explicit RtApiStandIn(std::filesystem::path recordings, Clock* clock = nullptr,
                          std::uint16_t port = 0);
    ~RtApiStandIn();
    RtApiStandIn(const RtApiStandIn&) = delete;
    RtApiStandIn& operator=(const RtApiStandIn&) = delete;

    std::uint16_t port() const noexcept;
    // "http://127.0.0.1:{port}", the base address the client puts the paths after.
    std::string baseUrl() const;

    // --- What the service knows and how it answers ---
    void addLicence(const std::string& value, StandInLicence licence);
    // The limits put into every reply (ms) and enforced (406).
    void setRateLimits(std::chrono::milliseconds rrl, std::chrono::milliseconds wrrl);
    void setEnforceRateLimits(bool enforce);
    // Which recording answers location traffic (kStandInLiveRecording by default). When it is
    // a live series, buffered traffic comes from the series too, each snapshot the reply of
    // its moment; otherwise from kStandInBufferedRecording.
    void setLiveRecording(std::string fileName);
    // Which recording answers the nearest METARs (kStandInMetarRecording by default).
    void setMetarRecording(std::string fileName);
    // Errors with HTTP 200 and the status only in the JSON body.
    void setStatusInBodyOnly(bool bodyOnly);
    void setGzip(bool gzip);
    void setSlowDelay(std::chrono::milliseconds delay);
    // Forgets every session, as a restarted service would (later requests get 401).
    void dropSessions();

    // --- Faults ---
    // For every request of `path` ("/v6/traffic") until changed; StandInFault::none ends it.
    void setFault(const std::string& path, StandInAnswer answer);
    // For the next request of `path`, before any fault set with setFault; several queue up.
    void queueAnswer(const std::string& path, StandInAnswer answer);

    // --- What happened ---
    std::vector<StandInRequest> requests() const;
    // The requests of one path.
    std::vector<StandInRequest> requests(std::string_view path) const;
    std::size_t sessionCount() const;

    // The recording `fileName` as JSON (tests compare with it).
    nlohmann::json recording(std::string_view fileName) const;

private:
    struct Session {
        std::string credential;
        StandInLicence licence = StandInLicence::standard;
        Clock::SteadyTime lastUse{};
        Clock::SteadyTime started{};
        std::optional<Clock::SteadyTime> lastTraffic;
        std::optional<Clock::SteadyTime> lastWeather;
    };
    struct Outcome {
        int status = 200;
        nlohmann::json body;
    };

    Clock& clock() const;
    HttpReply serve(const HttpRequest& request);
    StandInAnswer faultFor(const std::string& path);
    Outcome answer(const HttpRequest& request, const std::map<std::string, std::string>& form);
    Outcome answerAuth(const std::map<std::string, std::string>& form);
    Outcome answerDeauth(const std::map<std::string, std::string>& form);
    Outcome answerTraffic(const std::map<std::string, std::string>& form);
    Outcome answerMetar(const std::map<std::string, std::string>& form);
    // The live recording as a series (read once), or null when it is a single reply.
    std::shared_ptr<const LiveSeries> liveSeries(const std::string& fileName);
    Session* findSessionLocked(const std::map<std::string, std::string>& form);
    Outcome error(int status, std::string message) const;
    HttpReply finish(const HttpRequest& request, std::size_t index, const std::string& body,
                     int status, const StandInAnswer& fault);

    const std::filesystem::path recordings_;
    Clock* const clock_;

    mutable std::mutex mutex_;
    std::map<std::string, StandInLicence> licences_;
    std::map<std::string, Session> sessions_;
    std::deque<Clock::SteadyTime> failedLogins_;
    std::uint64_t guidCounter_ = 0;
    std::chrono::milliseconds rrl_{2000};
    std::chrono::milliseconds wrrl_{2000};
    bool enforceRateLimits_ = true;
    std::string liveRecording_{kStandInLiveRecording};
    std::string metarRecording_{kStandInMetarRecording};
    // The live recording read as a series, and the file it was read from.
    std::shared_ptr<const LiveSeries> series_;
    std::string seriesFile_;
    bool seriesChecked_ = false;
    // The first location or buffered traffic request: a series plays from here.
    std::optional<Clock::SteadyTime> playbackStart_;
    bool statusInBodyOnly_ = false;
    bool gzip_ = true;
    std::chrono::milliseconds slowDelay_{200};
    std::map<std::string, StandInAnswer> faults_;
    std::map<std::string, std::deque<StandInAnswer>> queued_;
    std::vector<StandInRequest> requests_;

    // Last: it stops (and ends every held request) before the rest goes.
    std::unique_ptr<LoopbackHttpServer> server_;
};

} // namespace skyloom::tools
