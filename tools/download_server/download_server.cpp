#include "tools/download_server/download_server.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include <arpa/inet.h>
#include <fcntl.h>
#include <fmt/format.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace skyloom::tools {

namespace {

constexpr std::size_t kMaxRequestBytes = 16 * 1024;
constexpr int kRequestWaitMs = 5000;

[[noreturn]] void lf_fail(std::string_view what) {
    throw std::runtime_error(
        fmt::format("download server: {}: {}", what, std::generic_category().message(errno)));
}

bool lf_sendAll(int socket, std::string_view data) {
    while (!data.empty()) {
        const auto sent = ::send(socket, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent <= 0) {
            if (sent < 0 && errno == EINTR) {
                continue;
            }
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// The request head up to the blank line, or empty when the client sends none in time.
std::string lf_readHead(int socket) {
    std::string head;
    std::array<char, 2048> buffer{};
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxRequestBytes) {
        pollfd waiting{socket, POLLIN, 0};
        if (::poll(&waiting, 1, kRequestWaitMs) <= 0) {
            return {};
        }
        const auto got = ::recv(socket, buffer.data(), buffer.size(), 0);
        if (got <= 0) {
            return {};
        }
        head.append(buffer.data(), static_cast<std::size_t>(got));
    }
    return head;
}

int lf_hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The decoded path of "GET /path?query HTTP/1.1"; empty for anything else.
std::string lf_requestPath(const std::string& head) {
    const auto lineEnd = head.find("\r\n");
    const std::string line = head.substr(0, lineEnd);
    if (line.rfind("GET ", 0) != 0) {
        return {};
    }
    const auto end = line.find(' ', 4);
    std::string target = line.substr(4, end == std::string::npos ? std::string::npos : end - 4);
    if (const auto query = target.find('?'); query != std::string::npos) {
        target.erase(query);
    }
    std::string path;
    for (std::size_t i = 0; i < target.size(); ++i) {
        if (target[i] == '%' && i + 2 < target.size()) {
            const int high = lf_hexValue(target[i + 1]);
            const int low = lf_hexValue(target[i + 2]);
            if (high >= 0 && low >= 0) {
                path += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        path += target[i];
    }
    return path;
}

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

std::string lf_status(int code, std::string_view text, std::size_t length) {
    return fmt::format("HTTP/1.1 {} {}\r\nContent-Type: application/octet-stream\r\n"
                       "Content-Length: {}\r\nConnection: close\r\n\r\n",
                       code, text, length);
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

DownloadServer::~DownloadServer() {
    stopping_ = true;
    const char wake = 1;
    [[maybe_unused]] const auto written = ::write(wakeWrite_, &wake, 1);
    if (thread_.joinable()) {
        thread_.join();
    }
    for (const int connection : held_) {
        ::close(connection);
    }
    ::close(listener_);
    ::close(wakeRead_);
    ::close(wakeWrite_);
}

std::string DownloadServer::baseUrl() const {
    return fmt::format("http://127.0.0.1:{}/", port_);
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

ServerFault DownloadServer::faultFor(const std::string& path) const {
    std::lock_guard lock(mutex_);
    if (const auto it = pathFaults_.find(path); it != pathFaults_.end()) {
        return it->second;
    }
    return fault_;
}

bool DownloadServer::pause(std::chrono::milliseconds delay) const {
    pollfd wake{wakeRead_, POLLIN, 0};
    ::poll(&wake, 1, static_cast<int>(delay.count()));
    return !stopping_;
}

void DownloadServer::run() {
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
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            continue;
        }
        serve(connection);
    }
}

void DownloadServer::serve(int connection) {
    const auto head = lf_readHead(connection);
    const auto path = lf_requestPath(head);
    if (path.empty()) {
        lf_sendAll(connection, lf_status(400, "Bad Request", 0));
        ::close(connection);
        return;
    }
    std::chrono::milliseconds slowDelay;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(path);
        slowDelay = slowDelay_;
    }
    const auto fault = faultFor(path);
    if (fault == ServerFault::neverAnswer) {
        std::lock_guard lock(mutex_);
        held_.push_back(connection);
        return;
    }
    const auto file = lf_fileFor(root_, path);
    std::error_code ec;
    if (fault == ServerFault::notFound || file.empty() || !fs::is_regular_file(file, ec)) {
        lf_sendAll(connection, lf_status(404, "Not Found", 0));
        ::close(connection);
        return;
    }
    std::ifstream in(file, std::ios::binary);
    const std::string body((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    bool open = lf_sendAll(connection, lf_status(200, "OK", body.size()));
    if (fault == ServerFault::slow) {
        for (std::size_t i = 0; open && i < body.size(); ++i) {
            open = pause(slowDelay) && lf_sendAll(connection, std::string_view(body).substr(i, 1));
        }
    } else if (fault == ServerFault::cutShort) {
        open = open && lf_sendAll(connection, std::string_view(body).substr(0, body.size() / 2));
    } else {
        open = open && lf_sendAll(connection, body);
    }
    ::shutdown(connection, SHUT_WR);
    ::close(connection);
}

} // namespace skyloom::tools
