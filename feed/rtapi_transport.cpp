#include "feed/rtapi_transport.h"

#include <cstdlib>
#include <stdexcept>

#include <fmt/format.h>

namespace skyloom {

namespace {

struct ReplySink {
    std::string* body = nullptr;
    std::size_t maxBytes = 0;
    bool tooLarge = false;
};

std::size_t lf_receive(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<ReplySink*>(user);
    const std::size_t bytes = size * count;
    if (sink == nullptr || sink->body == nullptr) {
        return 0;
    }
    if (sink->body->size() + bytes > sink->maxBytes) {
        sink->tooLarge = true;
        return 0;
    }
    sink->body->append(data, bytes);
    return bytes;
}

int lf_progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* keepGoing = static_cast<const RtApiTransport::KeepGoing*>(user);
    // Non-zero aborts the transfer.
    return (keepGoing != nullptr && *keepGoing && !(*keepGoing)()) ? 1 : 0;
}

bool lf_isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

void lf_appendEncoded(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (lf_isUnreserved(c)) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
}

RtApiTransfer lf_transferOf(CURLcode code, const ReplySink& sink) {
    switch (code) {
    case CURLE_OK:
        return RtApiTransfer::ok;
    case CURLE_HTTP_RETURNED_ERROR:
        return RtApiTransfer::httpError;
    case CURLE_OPERATION_TIMEDOUT:
        return RtApiTransfer::timedOut;
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
        return RtApiTransfer::cutShort;
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SEND_ERROR:
        return RtApiTransfer::connectionFailed;
    case CURLE_ABORTED_BY_CALLBACK:
        return RtApiTransfer::stopped;
    case CURLE_WRITE_ERROR:
        return sink.tooLarge ? RtApiTransfer::tooLarge : RtApiTransfer::failed;
    default:
        return RtApiTransfer::failed;
    }
}

} // namespace

std::string gf_rtApiBaseUrl() {
    const char* configured = std::getenv(kRtApiBaseUrlVariable);
    std::string url = (configured != nullptr && *configured != '\0')
                          ? std::string(configured)
                          : std::string(kRtApiDefaultBaseUrl);
    while (!url.empty() && url.back() == '/') {
        url.pop_back();
    }
    return url;
}

std::string gf_encodeRtApiForm(const RtApiForm& form) {
    std::string body;
    for (const auto& [name, value] : form) {
        if (!body.empty()) {
            body += '&';
        }
        lf_appendEncoded(body, name);
        body += '=';
        lf_appendEncoded(body, value);
    }
    return body;
}

std::string_view gf_rtApiTransferText(RtApiTransfer transfer) noexcept {
    switch (transfer) {
    case RtApiTransfer::ok:
        return "ok";
    case RtApiTransfer::httpError:
        return "HTTP error";
    case RtApiTransfer::timedOut:
        return "timed out";
    case RtApiTransfer::cutShort:
        return "cut short";
    case RtApiTransfer::connectionFailed:
        return "connection failed";
    case RtApiTransfer::tooLarge:
        return "too large";
    case RtApiTransfer::stopped:
        return "stopped";
    case RtApiTransfer::failed:
        return "failed";
    }
    return "failed";
}

RtApiTransport::RtApiTransport(std::string baseUrl, RtApiLimits limits, KeepGoing keepGoing)
    : baseUrl_(std::move(baseUrl)), limits_(limits), keepGoing_(std::move(keepGoing)) {
    while (!baseUrl_.empty() && baseUrl_.back() == '/') {
        baseUrl_.pop_back();
    }
    if (!keepGoing_) {
        throw std::invalid_argument("web API transport without a stop test");
    }
    DownloadLimits handleLimits;
    handleLimits.connectTimeout = limits_.connectTimeout;
    handleLimits.totalTimeout = limits_.totalTimeout;
    handleLimits.lowSpeedBytesPerSecond = limits_.lowSpeedBytesPerSecond;
    handleLimits.lowSpeedTime = limits_.lowSpeedTime;
    curl_ = gf_newCurlHandle(handleLimits);
}

RtApiReply RtApiTransport::post(std::string_view path, const RtApiForm& form) {
    RtApiReply reply;
    if (!keepGoing_()) {
        reply.transfer = RtApiTransfer::stopped;
        reply.detail = "the program is stopping";
        return reply;
    }
    CURL* curl = curl_.get();
    const std::string url = baseUrl_ + std::string(path);
    const std::string fields = gf_encodeRtApiForm(form);
    ReplySink sink{&reply.body, limits_.maxReplyBytes, false};
    char errorText[CURL_ERROR_SIZE] = {};

    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(fields.size()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, fields.c_str());
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "deflate,gzip");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &lf_receive);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &lf_progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &keepGoing_);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    const CURLcode code = curl_easy_perform(curl);
    // The form, the sink and the error buffer end with this call; the handle must not keep
    // pointing at them.
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, nullptr);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);

    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.httpStatus);
    reply.transfer = lf_transferOf(code, sink);
    if (reply.transfer == RtApiTransfer::ok && (reply.httpStatus < 200 || reply.httpStatus > 299)) {
        // A 1xx or 3xx end state is no answer of the service.
        reply.transfer = RtApiTransfer::failed;
        reply.detail = fmt::format("unexpected HTTP status {}", reply.httpStatus);
    } else if (reply.transfer == RtApiTransfer::tooLarge) {
        reply.detail = fmt::format("the reply is larger than {} bytes", limits_.maxReplyBytes);
    } else if (code != CURLE_OK) {
        reply.detail = errorText[0] != '\0' ? std::string(errorText) : curl_easy_strerror(code);
    }
    if (!reply.ok()) {
        reply.body.clear();
    }
    return reply;
}

} // namespace skyloom
