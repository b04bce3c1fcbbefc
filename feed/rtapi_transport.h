// The RealTraffic web API's transport: one libcurl easy handle that POSTs form bodies
// ("application/x-www-form-urlencoded") to a path under the API's base address and brings the
// reply back as text. It asks for "deflate,gzip" replies, sets connect and total time-outs and
// a low-speed abort, fails on HTTP error statuses (the status is kept, the body is not), and
// ends a transfer early once its owner no longer wants it. One transport belongs to one
// thread: libcurl's easy handles must not be shared while in use.
//
// The base address defaults to the service's own; SKYLOOM_RTAPI_URL or the constructor moves
// it elsewhere, so that the program and the tests talk plain HTTP to the web API stand-in.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "refdata/download.h"

namespace skyloom {

inline constexpr std::string_view kRtApiDefaultBaseUrl = "https://rtwa.flyrealtraffic.com";
inline constexpr const char* kRtApiBaseUrlVariable = "SKYLOOM_RTAPI_URL";

inline constexpr std::string_view kRtApiAuthPath = "/v6/auth";
inline constexpr std::string_view kRtApiDeauthPath = "/v6/deauth";
inline constexpr std::string_view kRtApiTrafficPath = "/v6/traffic";
inline constexpr std::string_view kRtApiNearestMetarPath = "/v6/nearestmetar";

// SKYLOOM_RTAPI_URL when set and not empty, else the service's address; without a trailing
// '/'.
std::string gf_rtApiBaseUrl();

// Form fields in the order they are sent.
using RtApiForm = std::vector<std::pair<std::string, std::string>>;

// "name=value&..." with names and values percent-encoded (RFC 3986 unreserved characters stay
// as they are).
std::string gf_encodeRtApiForm(const RtApiForm& form);

// How one transfer ended.
enum class RtApiTransfer {
    // A complete reply with HTTP status 2xx.
    ok,
    // The server answered with an HTTP error status (httpStatus holds it).
    httpError,
    // The connect or total time-out, or the low-speed abort.
    timedOut,
    // The connection closed before the announced reply was complete.
    cutShort,
    // No connection (refused, unknown host, TLS failure).
    connectionFailed,
    // The reply grew beyond the transport's limit.
    tooLarge,
    // The owner asked the transfer to end (the program is stopping).
    stopped,
    // Anything else libcurl reports.
    failed,
};

// "ok", "HTTP error", "timed out", "cut short", "connection failed", "too large", "stopped",
// "failed".
std::string_view gf_rtApiTransferText(RtApiTransfer transfer) noexcept;

struct RtApiReply {
    RtApiTransfer transfer = RtApiTransfer::failed;
    // The HTTP status when the server answered (0 when it did not).
    long httpStatus = 0;
    // The decoded reply body (empty after an HTTP error: libcurl fails before the body).
    std::string body;
    // libcurl's own words on a failure.
    std::string detail;

    bool ok() const noexcept { return transfer == RtApiTransfer::ok; }
};

struct RtApiLimits {
    std::chrono::milliseconds connectTimeout{10000};
    std::chrono::milliseconds totalTimeout{30000};
    // A reply slower than this many bytes per second for `lowSpeedTime` is abandoned.
    long lowSpeedBytesPerSecond = 10;
    std::chrono::seconds lowSpeedTime{15};
    // Buffered replies of a crowded area run to a few megabytes; far more is no reply of
    // the service.
    std::size_t maxReplyBytes = 64u * 1024u * 1024u;
};

class RtApiTransport {
public:
    // Polled while a transfer runs; false ends it (RtApiTransfer::stopped).
    using KeepGoing = std::function<bool()>;

    // Throws std::runtime_error when libcurl cannot make a handle, std::invalid_argument
    // without `keepGoing` (the run's stop request, as the caller sees it).
    RtApiTransport(std::string baseUrl, RtApiLimits limits, KeepGoing keepGoing);
    RtApiTransport(const RtApiTransport&) = delete;
    RtApiTransport& operator=(const RtApiTransport&) = delete;

    // POSTs the form to base address + path ("/v6/traffic") and waits for the reply.
    RtApiReply post(std::string_view path, const RtApiForm& form);

    const std::string& baseUrl() const noexcept { return baseUrl_; }
    const RtApiLimits& limits() const noexcept { return limits_; }

private:
    std::string baseUrl_;
    RtApiLimits limits_;
    KeepGoing keepGoing_;
    CurlEasyHandle curl_;
};

} // namespace skyloom
