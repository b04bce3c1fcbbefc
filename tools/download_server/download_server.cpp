#include "tools/download_server/download_server.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include <fmt/format.h>

#include "tools/loopback_http/loopback_http_server.h"

namespace fs = std::filesystem;

namespace skyloom::tools {

namespace {

// The file that a path names inside the root; empty when it would leave the root.
fs::path lf_fileFor(const fs::path& root, const std::string& path) {
    if (path.empty() || path.front() != '/') {
        return {};
    }
    fs::path relative = fs::path(path.substr(1)).lexically_normal();
    if (relative.empty() || relative.is_absolute()) {
        return {};
    }
    for (const auto& part : relative) {
        if (part == "..") {
            return {};
        }
    }
    return root / relative;
}

HttpReply lf_status(int status) {
    HttpReply reply;
    reply.status = status;
    return reply;
}

} // namespace

std::string_view gf_serverFaultText(ServerFault fault) noexcept {
    switch (fault) {
    case ServerFault::none:
        return "none";
    case ServerFault::notFound:
        return "404";
    case ServerFault::slow:
        return "slow";
    case ServerFault::cutShort:
        return "cut";
    case ServerFault::neverAnswer:
        return "hang";
    }
    return "?";
}

std::optional<ServerFault> gf_serverFaultFromText(std::string_view text) noexcept {
    for (const auto fault : {ServerFault::none, ServerFault::notFound, ServerFault::slow,
                             ServerFault::cutShort, ServerFault::neverAnswer}) {
        if (gf_serverFaultText(fault) == text) {
            return fault;
        }
    }
    return std::nullopt;
}

DownloadServer::DownloadServer(fs::path root, std::uint16_t port) : root_(std::move(root)) {
    server_ = std::make_unique<LoopbackHttpServer>(
        "download server", port, [this](const HttpRequest& request) { return serve(request); });
}

DownloadServer::~DownloadServer() {
    // The handler's threads end here, while what they use (the server's port among it) is
    // still whole.
    server_->stop();
}

std::uint16_t DownloadServer::port() const noexcept {
    return server_->port();
}

std::string DownloadServer::baseUrl() const {
    return fmt::format("http://127.0.0.1:{}/", port());
}

void DownloadServer::setFault(ServerFault fault) {
    std::lock_guard lock(mutex_);
    fault_ = fault;
}

void DownloadServer::setPathFault(const std::string& path, ServerFault fault) {
    std::lock_guard lock(mutex_);
    pathFaults_[path] = fault;
}

void DownloadServer::setSlowDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(mutex_);
    slowDelay_ = delay;
}

std::vector<std::string> DownloadServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t DownloadServer::bodyCalls() const noexcept {
    return server_->bodyCalls();
}

ServerFault DownloadServer::faultFor(const std::string& path) const {
    std::lock_guard lock(mutex_);
    if (const auto it = pathFaults_.find(path); it != pathFaults_.end()) {
        return it->second;
    }
    return fault_;
}

HttpReply DownloadServer::serve(const HttpRequest& request) {
    if (request.method != "GET" || request.path.empty()) {
        return lf_status(400);
    }
    std::chrono::milliseconds slowDelay;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request.path);
        slowDelay = slowDelay_;
    }
    const auto fault = faultFor(request.path);
    if (fault == ServerFault::neverAnswer) {
        HttpReply held;
        held.manner = ReplyManner::never;
        return held;
    }
    const auto file = lf_fileFor(root_, request.path);
    std::error_code ec;
    if (fault == ServerFault::notFound || file.empty() || !fs::is_regular_file(file, ec)) {
        return lf_status(404);
    }
    std::ifstream in(file, std::ios::binary);
    HttpReply reply;
    reply.body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (fault == ServerFault::slow) {
        reply.manner = ReplyManner::slow;
        reply.slowDelay = slowDelay;
    } else if (fault == ServerFault::cutShort) {
        reply.manner = ReplyManner::cutShort;
    }
    return reply;
}

} // namespace skyloom::tools
