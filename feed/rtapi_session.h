// The session of the RealTraffic web API: authentication with the user's licence or API token
// ("/v6/auth") gives a GUID that every later request carries, the licence type (2 =
// professional) and the request-rate limits for traffic ("rrl") and weather ("wrrl");
// deauthentication ("/v6/deauth") frees the session slot at shutdown. The session is shared by
// the two reader threads: the GUID and the limits are read under its mutex, and a reader whose
// request met 401 (session unknown) renews it, unless the other reader already did. While a
// session stands, g_rtConnected is set and g_rtProfessional tells the licence type.
// An outage fails every authentication for as long as it lasts: the first failure is logged
// when it happens, and the count when an authentication succeeds again or the road stops.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "feed/rtapi_credentials.h"
#include "feed/rtapi_reply.h"
#include "feed/rtapi_transport.h"

namespace skyloom {

class RtApiSession {
public:
    // `transport` carries the authentication and deauthentication (the readers have their
    // own).
    RtApiSession(RtCredentials credentials, std::unique_ptr<RtApiTransport> transport);
    ~RtApiSession();
    RtApiSession(const RtApiSession&) = delete;
    RtApiSession& operator=(const RtApiSession&) = delete;

    // One "/v6/auth" request. On success the new GUID, licence type and limits are kept and
    // logged, and the link counts as connected. Any other answer is logged and returned.
    RtApiAnswer authenticate();
    // Authenticates again after a request with `failedGuid` met 401 or 405, unless the
    // session has moved on from that GUID already (the other reader renewed it): then the
    // answer is a good one without a request.
    RtApiAnswer renew(const std::string& failedGuid);
    // The road stops: a run of failed authentications that has not ended yet is logged with
    // its count.
    void logFailuresAtStop();
    // "/v6/deauth" for the current session, which is forgotten whatever the answer; nothing
    // is sent without one. The link no longer counts as connected.
    RtApiAnswer deauthenticate();

    std::string guid() const;
    bool authenticated() const;
    bool professional() const;
    // The latest limits ("rrl" and "wrrl" of any reply; 2000 ms until a reply gives them).
    std::chrono::milliseconds trafficRateLimit() const;
    std::chrono::milliseconds weatherRateLimit() const;
    // Takes the limits a reply gives.
    void updateRateLimits(const nlohmann::json& reply);

    const RtCredentials& credentials() const noexcept { return credentials_; }
    RtApiTransport& transport() noexcept { return *transport_; }

    // The "software" field: "{program} {version}".
    static std::string softwareName();

private:
    RtApiAnswer authenticateLocked();
    void authenticationFailed(const RtApiAnswer& answer);
    // Logs the run of failed authentications that ends now ("{how} {n} failed authentication
    // attempt{s}{inARow} (the last: {problem})"), if there is one.
    void endFailureRun(std::string_view how, std::string_view inARow);

    const RtCredentials credentials_;
    mutable std::mutex mutex_;
    std::unique_ptr<RtApiTransport> transport_;
    std::string guid_;
    bool professional_ = false;
    std::chrono::milliseconds rrl_;
    std::chrono::milliseconds wrrl_;
    // Failed authentications since the last good one (both readers' renewals and the
    // start-up's tries), and the last one's problem.
    int failedAuthentications_ = 0;
    std::string lastAuthenticationProblem_;
};

} // namespace skyloom
