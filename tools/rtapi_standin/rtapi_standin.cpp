#include "tools/rtapi_standin/rtapi_standin.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include <arpa/inet.h>
#include <fcntl.h>
#include <fmt/format.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tools/rtapi_standin/standin_http.h"

namespace fs = std::filesystem;
using Form = std::map<std::string, std::string>;

namespace skyloom::tools {

namespace {

constexpr std::chrono::milliseconds kRequestWait{5000};

[[noreturn]] void lf_fail(std::string_view what) {
    throw std::runtime_error(
        fmt::format("web API stand-in: {}: {}", what, std::generic_category().message(errno)));
}

} // namespace

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
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        lf_fail("pipe");
    }
    wakeRead_ = pipeEnds[0];
    wakeWrite_ = pipeEnds[1];
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) {
        lf_fail("socket");
    }
    const int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        lf_fail(fmt::format("bind to port {}", port));
    }
    if (::listen(listener_, 16) != 0) {
        lf_fail("listen");
    }
    socklen_t length = sizeof address;
    if (::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        lf_fail("getsockname");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
}

RtApiStandIn::~RtApiStandIn() {
    stopping_ = true;
    // The pipe stays readable from now on: every wait of every connection ends.
    const char wake = 1;
    [[maybe_unused]] const auto written = ::write(wakeWrite_, &wake, 1);
    if (thread_.joinable()) {
        thread_.join();
    }
    for (Connection& connection : connections_) {
        connection.thread.join();
    }
    ::close(listener_);
    ::close(wakeRead_);
    ::close(wakeWrite_);
}

std::string RtApiStandIn::baseUrl() const {
    return fmt::format("http://127.0.0.1:{}", port_);
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

bool RtApiStandIn::pause(std::chrono::milliseconds delay) const {
    pollfd wake{wakeRead_, POLLIN, 0};
    ::poll(&wake, 1, static_cast<int>(delay.count()));
    return !stopping_;
}

void RtApiStandIn::run() {
    while (!stopping_) {
        std::array<pollfd, 2> waiting{pollfd{listener_, POLLIN, 0}, pollfd{wakeRead_, POLLIN, 0}};
        if (::poll(waiting.data(), waiting.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (stopping_ || (waiting[1].revents & POLLIN) != 0) {
            return;
        }
        const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0) {
            continue;
        }
        std::erase_if(connections_, [](Connection& connection) {
            if (!connection.done->load()) {
                return false;
            }
            connection.thread.join();
            return true;
        });
        auto done = std::make_shared<std::atomic<bool>>(false);
        connections_.push_back(Connection{std::thread([this, socket, done] {
                                              try {
                                                  serve(socket);
                                              } catch (const std::exception&) {
                                                  // The connection just ends.
                                              }
                                              ::close(socket);
                                              done->store(true);
                                          }),
                                          done});
    }
}

void RtApiStandIn::serve(int connection) {
    const auto request = gf_readHttpRequest(connection, wakeRead_, kRequestWait);
    if (!request) {
        return;
    }
    const Form form = gf_decodeForm(request->body);
    std::size_t index = 0;
    {
        std::lock_guard lock(mutex_);
        index = requests_.size();
        requests_.push_back(StandInRequest{request->path, form, clock().steadyNow(), 0,
                                           request->header("accept-encoding"),
                                           request->header("content-type")});
    }
    const StandInAnswer fault = faultFor(request->path);
    if (fault.fault == StandInFault::neverAnswer) {
        while (pause(std::chrono::milliseconds(1000))) {
        }
        return;
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
        outcome = request->method == "POST" ? answer(*request, form)
                                            : error(400, "parameter fault: POST expected");
        break;
    }
    if (body.empty()) {
        body = outcome.body.dump();
    }
    finish(connection, *request, index, body, outcome.status, fault);
}

void RtApiStandIn::finish(int connection, const HttpRequest& request, std::size_t index,
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
    const std::string wire = gzip ? gf_gzip(body) : body;
    const int httpStatus = bodyOnly ? 200 : status;
    if (!gf_sendAll(connection, gf_httpReplyHead(httpStatus, wire.size(), gzip ? "gzip" : ""))) {
        return;
    }
    switch (fault.fault) {
    case StandInFault::slow:
        gf_sendSlowly(connection, wire, slowDelay,
                      [this](std::chrono::milliseconds delay) { return pause(delay); });
        break;
    case StandInFault::cutShort:
        gf_sendAll(connection, std::string_view(wire).substr(0, wire.size() / 2));
        break;
    default:
        gf_sendAll(connection, wire);
        break;
    }
    ::shutdown(connection, SHUT_WR);
}

} // namespace skyloom::tools
