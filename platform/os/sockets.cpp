#include "platform/os/sockets.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

#include <fmt/format.h>

namespace skyloom::os {
namespace {

[[noreturn]] void lf_fail(std::string_view what, int code) {
    throw SocketError(fmt::format("{}: {}", what, std::strerror(code)), code);
}

sockaddr_in lf_address(std::string_view address, std::uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    const std::string text(address);
    if (inet_pton(AF_INET, text.c_str(), &result.sin_addr) != 1) {
        throw SocketError(fmt::format("'{}' is not an IPv4 address", text), EINVAL);
    }
    return result;
}

std::uint16_t lf_boundPort(int fd) {
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        lf_fail("getsockname", errno);
    }
    return ntohs(bound.sin_port);
}

std::string lf_peerText(const sockaddr_in& peer) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    return fmt::format("{}:{}", text, ntohs(peer.sin_port));
}

SocketHandle lf_openSocket(int type) {
    SocketHandle socket(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
    if (!socket.isOpen()) {
        lf_fail("socket", errno);
    }
    return socket;
}

void lf_reuseAddress(int fd) {
    const int on = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
        lf_fail("setsockopt SO_REUSEADDR", errno);
    }
}

// Waits for `events` on the socket; 1 ready, 0 timed out, -1 failed. An interrupted wait
// counts as a time-out: the caller's loop comes back.
int lf_wait(int fd, short events, std::chrono::milliseconds timeout) {
    pollfd entry{fd, events, 0};
    const int count = ::poll(&entry, 1, static_cast<int>(timeout.count()));
    if (count < 0) {
        return errno == EINTR ? 0 : -1;
    }
    return count;
}

} // namespace

SocketError::SocketError(const std::string& what, int code)
    : std::runtime_error(what), code_(code) {}

bool startSocketLayer() noexcept {
    return true;
}

SocketHandle::~SocketHandle() {
    close();
}

SocketHandle::SocketHandle(SocketHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

SocketHandle& SocketHandle::operator=(SocketHandle&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void SocketHandle::close() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

TcpConnection::TcpConnection(SocketHandle socket, std::string peer)
    : socket_(std::move(socket)), peer_(std::move(peer)) {
    if (socket_.isOpen()) {
        // Qs lines are small and must go at once.
        const int on = 1;
        setsockopt(socket_.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
}

TcpConnection TcpConnection::connect(std::string_view address, std::uint16_t port,
                                     std::chrono::milliseconds timeout) {
    SocketHandle socket = lf_openSocket(SOCK_STREAM);
    const sockaddr_in target = lf_address(address, port);
    const int flags = fcntl(socket.get(), F_GETFL, 0);
    fcntl(socket.get(), F_SETFL, flags | O_NONBLOCK);
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        if (errno != EINPROGRESS) {
            lf_fail(fmt::format("connect to {}:{}", address, port), errno);
        }
        if (lf_wait(socket.get(), POLLOUT, timeout) <= 0) {
            lf_fail(fmt::format("connect to {}:{}", address, port), ETIMEDOUT);
        }
        int error = 0;
        socklen_t length = sizeof error;
        getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0) {
            lf_fail(fmt::format("connect to {}:{}", address, port), error);
        }
    }
    fcntl(socket.get(), F_SETFL, flags);
    return TcpConnection(std::move(socket), lf_peerText(target));
}

SendStatus TcpConnection::send(std::string_view bytes, std::chrono::milliseconds timeout) {
    if (!socket_.isOpen()) {
        return SendStatus::failed;
    }
    // Each send takes what fits without blocking; in between, the wait for room is bounded by
    // what is left of the time-out.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!bytes.empty()) {
        const ssize_t sent =
            ::send(socket_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return SendStatus::failed;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return SendStatus::timedOut;
        }
        if (lf_wait(socket_.get(), POLLOUT, left) < 0) {
            return SendStatus::failed;
        }
    }
    return SendStatus::sent;
}

ReceiveResult TcpConnection::receive(std::span<char> buffer, std::chrono::milliseconds timeout) {
    ReceiveResult result;
    if (!socket_.isOpen()) {
        result.status = ReceiveStatus::failed;
        return result;
    }
    const int ready = lf_wait(socket_.get(), POLLIN, timeout);
    if (ready <= 0) {
        result.status = ready == 0 ? ReceiveStatus::timedOut : ReceiveStatus::failed;
        return result;
    }
    const ssize_t got = ::recv(socket_.get(), buffer.data(), buffer.size(), 0);
    if (got < 0) {
        result.status =
            errno == EINTR || errno == EAGAIN ? ReceiveStatus::timedOut : ReceiveStatus::failed;
    } else if (got == 0) {
        result.status = ReceiveStatus::closed;
    } else {
        result.status = ReceiveStatus::data;
        result.size = static_cast<std::size_t>(got);
    }
    return result;
}

TcpListener::TcpListener(std::string_view address, std::uint16_t port)
    : socket_(lf_openSocket(SOCK_STREAM)) {
    lf_reuseAddress(socket_.get());
    const sockaddr_in local = lf_address(address, port);
    if (::bind(socket_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        lf_fail(fmt::format("bind TCP {}:{}", address, port), errno);
    }
    if (::listen(socket_.get(), 4) != 0) {
        lf_fail("listen", errno);
    }
    port_ = lf_boundPort(socket_.get());
}

std::optional<TcpConnection> TcpListener::accept(std::chrono::milliseconds timeout) {
    if (!socket_.isOpen() || lf_wait(socket_.get(), POLLIN, timeout) <= 0) {
        return std::nullopt;
    }
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    SocketHandle connection(
        ::accept4(socket_.get(), reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC));
    if (!connection.isOpen()) {
        return std::nullopt;
    }
    return TcpConnection(std::move(connection), lf_peerText(peer));
}

UdpReceiver::UdpReceiver(std::string_view address, std::uint16_t port)
    : socket_(lf_openSocket(SOCK_DGRAM)) {
    lf_reuseAddress(socket_.get());
    const sockaddr_in local = lf_address(address, port);
    if (::bind(socket_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        lf_fail(fmt::format("bind UDP {}:{}", address, port), errno);
    }
    port_ = lf_boundPort(socket_.get());
}

bool UdpReceiver::setReceiveBufferBytes(int bytes) noexcept {
    return setsockopt(socket_.get(), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes) == 0;
}

ReceiveResult UdpReceiver::receive(std::span<char> buffer, std::chrono::milliseconds timeout) {
    ReceiveResult result;
    if (!socket_.isOpen()) {
        result.status = ReceiveStatus::failed;
        return result;
    }
    const int ready = lf_wait(socket_.get(), POLLIN, timeout);
    if (ready <= 0) {
        result.status = ready == 0 ? ReceiveStatus::timedOut : ReceiveStatus::failed;
        return result;
    }
    // MSG_TRUNC makes recv give the datagram's real length, so an oversized one is known.
    const ssize_t got = ::recv(socket_.get(), buffer.data(), buffer.size(), MSG_TRUNC);
    if (got < 0) {
        result.status =
            errno == EINTR || errno == EAGAIN ? ReceiveStatus::timedOut : ReceiveStatus::failed;
        return result;
    }
    result.status = ReceiveStatus::data;
    result.datagramSize = static_cast<std::size_t>(got);
    result.truncated = result.datagramSize > buffer.size();
    result.size = result.truncated ? buffer.size() : result.datagramSize;
    return result;
}

UdpSender::UdpSender() : socket_(lf_openSocket(SOCK_DGRAM)) {}

bool UdpSender::sendTo(std::string_view address, std::uint16_t port, std::span<const char> bytes) {
    const sockaddr_in target = lf_address(address, port);
    const ssize_t sent = ::sendto(socket_.get(), bytes.data(), bytes.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&target), sizeof target);
    return sent == static_cast<ssize_t>(bytes.size());
}

} // namespace skyloom::os
