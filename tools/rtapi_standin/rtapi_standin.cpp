#include "tools/rtapi_standin/rtapi_standin.h"

#include <fstream>
#include <stdexcept>

#include <fmt/format.h>

#include "tools/loopback_http/loopback_http_server.h"
#include "tools/rtapi_standin/standin_http.h"

namespace fs = std::filesystem;
using Form = std::map<std::string, std::string>;

namespace skyloom::tools {

std::string_view gf_standInFaultText(StandInFault fault) noexcept {
    switch (fault) {
    case StandInFault::none:
        return "none";
    case StandInFault::status:
        return "status";
    case StandInFault::slow:
        return "slow";
    case StandInFault::cutShort:
        return "cut";
    case StandInFault::neverAnswer:
        return "hang";
    case StandInFault::malformed:
        return "malformed";
    case StandInFault::body:
        return "body";
    }
    return "?";
}

RtApiStandIn::RtApiStandIn(fs::path recordings, Clock* clock, std::uint16_t port)
    : recordings_(std::move(recordings)), clock_(clock) {
    server_ = std::make_unique<LoopbackHttpServer>(
        "web API stand-in", port, [this](const HttpRequest& request) { return serve(request); });
}

RtApiStandIn::~RtApiStandIn() {
    server_.reset();
}

std::uint16_t RtApiStandIn::port() const noexcept {
    return server_->port();
}

std::string RtApiStandIn::baseUrl() const {
    return fmt::format("http://127.0.0.1:{}", port());
}

Clock& RtApiStandIn::clock() const {
    return clock_ != nullptr ? *clock_ : gf_clock();
}

void RtApiStandIn::addLicence(const std::string& value, StandInLicence licence) {
    std::lock_guard lock(mutex_);
    licences_[value] = licence;
}

void RtApiStandIn::setRateLimits(std::chrono::milliseconds rrl, std::chrono::milliseconds wrrl) {
    std::lock_guard lock(mutex_);
    rrl_ = rrl;
    wrrl_ = wrrl;
}

void RtApiStandIn::setEnforceRateLimits(bool enforce) {
    std::lock_guard lock(mutex_);
    enforceRateLimits_ = enforce;
}

void RtApiStandIn::setLiveRecording(std::string fileName) {
    std::lock_guard lock(mutex_);
    liveRecording_ = std::move(fileName);
}

void RtApiStandIn::setMetarRecording(std::string fileName) {
    std::lock_guard lock(mutex_);
    metarRecording_ = std::move(fileName);
}

std::shared_ptr<const LiveSeries> RtApiStandIn::liveSeries(const std::string& fileName) {
    {
        std::lock_guard lock(mutex_);
        if (seriesChecked_ && seriesFile_ == fileName) {
            return series_;
        }
    }
    // Read outside the lock: a series of a long capture takes a while.
    std::optional<LiveSeries> series = LiveSeries::of(recording(fileName));
    std::lock_guard lock(mutex_);
    series_ = series ? std::make_shared<const LiveSeries>(std::move(*series)) : nullptr;
    seriesFile_ = fileName;
    seriesChecked_ = true;
    return series_;
}

void RtApiStandIn::setStatusInBodyOnly(bool bodyOnly) {
    std::lock_guard lock(mutex_);
    statusInBodyOnly_ = bodyOnly;
}

void RtApiStandIn::setGzip(bool gzip) {
    std::lock_guard lock(mutex_);
    gzip_ = gzip;
}

void RtApiStandIn::setSlowDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(mutex_);
    slowDelay_ = delay;
}

void RtApiStandIn::dropSessions() {
    std::lock_guard lock(mutex_);
    sessions_.clear();
}

void RtApiStandIn::setFault(const std::string& path, StandInAnswer answer) {
    std::lock_guard lock(mutex_);
    if (answer.fault == StandInFault::none) {
        faults_.erase(path);
    } else {
        faults_[path] = std::move(answer);
    }
}

void RtApiStandIn::queueAnswer(const std::string& path, StandInAnswer answer) {
    std::lock_guard lock(mutex_);
    queued_[path].push_back(std::move(answer));
}

std::vector<StandInRequest> RtApiStandIn::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<StandInRequest> RtApiStandIn::requests(std::string_view path) const {
    std::lock_guard lock(mutex_);
    std::vector<StandInRequest> found;
    for (const StandInRequest& request : requests_) {
        if (request.path == path) {
            found.push_back(request);
        }
    }
    return found;
}

std::size_t RtApiStandIn::sessionCount() const {
    std::lock_guard lock(mutex_);
    return sessions_.size();
}

nlohmann::json RtApiStandIn::recording(std::string_view fileName) const {
    std::ifstream in(recordings_ / std::string(fileName), std::ios::binary);
    if (!in) {
        throw std::runtime_error(fmt::format("web API stand-in: recording {} not found in {}",
                                             fileName, recordings_.string()));
    }
    return nlohmann::json::parse(in);
}

StandInAnswer RtApiStandIn::faultFor(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (auto queued = queued_.find(path); queued != queued_.end() && !queued->second.empty()) {
        StandInAnswer answer = std::move(queued->second.front());
        queued->second.pop_front();
        return answer;
    }
    if (const auto fault = faults_.find(path); fault != faults_.end()) {
        return fault->second;
    }
    return {};
}

HttpReply RtApiStandIn::serve(const HttpRequest& request) {
    const Form form = gf_decodeForm(request.body);
    std::size_t index = 0;
    {
        std::lock_guard lock(mutex_);
        index = requests_.size();
        requests_.push_back(StandInRequest{request.path, form, clock().steadyNow(), 0,
                                           request.header("accept-encoding"),
                                           request.header("content-type")});
    }
    const StandInAnswer fault = faultFor(request.path);
    if (fault.fault == StandInFault::neverAnswer) {
        HttpReply held;
        held.manner = ReplyManner::never;
        return held;
    }
    Outcome outcome;
    std::string body;
    switch (fault.fault) {
    case StandInFault::status:
        outcome = error(fault.status, fault.message);
        break;
    case StandInFault::malformed:
        body = R"({"status":200,"rrl":2000,"data":{"4ba976":["4ba976",51.2573)";
        break;
    case StandInFault::body:
        body = fault.body;
        break;
    default:
        outcome = request.method == "POST" ? answer(request, form)
                                           : error(400, "parameter fault: POST expected");
        break;
    }
    if (body.empty()) {
        body = outcome.body.dump();
    }
    return finish(request, index, body, outcome.status, fault);
}

HttpReply RtApiStandIn::finish(const HttpRequest& request, std::size_t index,
                               const std::string& body, int status, const StandInAnswer& fault) {
    bool gzip = false;
    bool bodyOnly = false;
    std::chrono::milliseconds slowDelay{};
    {
        std::lock_guard lock(mutex_);
        gzip = gzip_ && request.header("accept-encoding").find("gzip") != std::string::npos;
        bodyOnly = statusInBodyOnly_;
        slowDelay = slowDelay_;
        requests_.at(index).status = status;
    }
    HttpReply reply;
    reply.status = bodyOnly ? 200 : status;
    reply.contentType = "application/json";
    reply.body = gzip ? gf_gzip(body) : body;
    if (gzip) {
        reply.contentEncoding = "gzip";
    }
    if (fault.fault == StandInFault::slow) {
        reply.manner = ReplyManner::slow;
        reply.slowDelay = slowDelay;
    } else if (fault.fault == StandInFault::cutShort) {
        reply.manner = ReplyManner::cutShort;
    }
    return reply;
}

} // namespace skyloom::tools
