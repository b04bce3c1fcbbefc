// What a RealTraffic web API reply says, and what the caller does about it. Every reply is a
// JSON object with its own "status" (200 = OK) and, on errors, a "message"; an error may also
// come as the HTTP status itself, in which case the transport keeps only that status. Both
// ways end in one status here, which `gf_judgeRtApiAnswer` turns into one course of action:
// go on, authenticate again (at once or after a wait), give up because the licence is refused,
// or retry after a wait. The rate limits ("rrl", "wrrl") are read from any reply that has them.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "feed/rtapi_transport.h"

namespace skyloom {

struct RtApiAnswer {
    // 200 for a good reply; else the HTTP status or the reply's own status; 0 when the service
    // gave no readable answer (transfer failed, or a body that is no JSON object with a status).
    long status = 0;
    RtApiTransfer transfer = RtApiTransfer::failed;
    // The reply as parsed (an object; null when there was none).
    nlohmann::json json;
    // Why it is not a good answer: the transfer's failure, the parse error or the reply's
    // message; empty for a good one.
    std::string problem;

    bool ok() const noexcept { return status == 200; }
    // True when the service answered at all (with any status).
    bool answered() const noexcept { return status != 0; }
};

RtApiAnswer gf_readRtApiAnswer(const RtApiReply& reply);

// A number of milliseconds under `key` ("rrl", "wrrl"), when the reply holds a non-negative
// number there (an integer or a numeric text).
std::optional<std::chrono::milliseconds> gf_rtApiMilliseconds(const nlohmann::json& reply,
                                                              std::string_view key);

// A member as text: a string as it is, a number printed, anything else empty.
std::string gf_rtApiText(const nlohmann::json& object, std::string_view key);

enum class RtApiCourse {
    // A good reply: use it.
    proceed,
    // 401: the session is unknown; authenticate again at once.
    authenticateAgain,
    // 405: too many sessions; wait, then authenticate again.
    waitThenAuthenticate,
    // 402 anywhere; on the authentication also 403 and 404: the licence or token is refused,
    // trying again cannot help. The caller reports it with gf_showRtApiError.
    licenceRefused,
    // Everything else: wait, then ask again.
    retry,
    // The program is stopping; nothing more is asked.
    stop,
};

std::string_view gf_rtApiCourseText(RtApiCourse course) noexcept;

struct RtApiJudgement {
    RtApiCourse course = RtApiCourse::retry;
    // How long to wait before the next attempt (retry, waitThenAuthenticate).
    std::chrono::milliseconds wait{0};
};

// `authentication`: the answer is that of "/v6/auth". `rateLimit`: the limit in force for
// this kind of request (a request-rate violation waits that long and more).
RtApiJudgement gf_judgeRtApiAnswer(const RtApiAnswer& answer, bool authentication,
                                   std::chrono::milliseconds rateLimit);

} // namespace skyloom
