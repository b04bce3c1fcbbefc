// Sockets for the traffic feed's links (Windows sockets on Windows, POSIX sockets here): a TCP
// listener with its accepted connections, TCP connections for peers and tools, and UDP
// receivers and senders. Every wait has a time-out, sends included, so that the threads that
// use them can look at their stop flag in between and a peer that stops reading cannot hold
// a sender. Port 0 lets the system choose a free port, which tests read back with port().
// Failures to set a socket up throw SocketError; failures of a running connection are
// results, not exceptions.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace skyloom::os {

class SocketError : public std::runtime_error {
public:
    SocketError(const std::string& what, int code);
    // The system's error number.
    int code() const noexcept { return code_; }

private:
    int code_;
};

// Every address on the machine, and the loopback address.
inline constexpr std::string_view kAnyAddress = "0.0.0.0";
inline constexpr std::string_view kLoopbackAddress = "127.0.0.1";

// The Windows sockets library has to be started once per process; POSIX sockets need nothing.
// Idempotent; true when sockets can be used.
bool startSocketLayer() noexcept;

// One socket descriptor, closed when the object goes.
class SocketHandle {
public:
    SocketHandle() = default;
    explicit SocketHandle(int fd) noexcept : fd_(fd) {}
    ~SocketHandle();
    SocketHandle(SocketHandle&& other) noexcept;
    SocketHandle& operator=(SocketHandle&& other) noexcept;
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;

    int get() const noexcept { return fd_; }
    bool isOpen() const noexcept { return fd_ >= 0; }
    void close() noexcept;

private:
    int fd_ = -1;
};

enum class ReceiveStatus {
    data,
    timedOut,
    // The peer closed the connection (TCP).
    closed,
    failed,
};

enum class SendStatus {
    sent,
    // The peer took no more bytes within the time-out; part of them may have gone.
    timedOut,
    // The connection failed (the peer has gone).
    failed,
};

struct ReceiveResult {
    ReceiveStatus status = ReceiveStatus::timedOut;
    // Bytes placed into the buffer.
    std::size_t size = 0;
    // UDP: the datagram was longer than the buffer; its tail is lost.
    bool truncated = false;
    // UDP: the datagram's full length, also when truncated.
    std::size_t datagramSize = 0;
};

class TcpConnection {
public:
    TcpConnection() = default;
    explicit TcpConnection(SocketHandle socket, std::string peer = {});

    // Connects to address:port, waiting at most `timeout`. Throws SocketError.
    static TcpConnection connect(std::string_view address, std::uint16_t port,
                                 std::chrono::milliseconds timeout);

    bool isOpen() const noexcept { return socket_.isOpen(); }
    // "address:port" of the other side.
    const std::string& peer() const noexcept { return peer_; }

    // Sends every byte, waiting at most `timeout` in all for the peer to make room for them.
    // Never raises a signal.
    SendStatus send(std::string_view bytes, std::chrono::milliseconds timeout);
    // Waits at most `timeout` for bytes and takes what has arrived, up to the buffer's size.
    ReceiveResult receive(std::span<char> buffer, std::chrono::milliseconds timeout);
    void close() noexcept { socket_.close(); }

private:
    SocketHandle socket_;
    std::string peer_;
};

class TcpListener {
public:
    // Listens on address:port. Throws SocketError.
    TcpListener(std::string_view address, std::uint16_t port);

    std::uint16_t port() const noexcept { return port_; }
    // A connection that arrived within `timeout` (0: only one already waiting).
    std::optional<TcpConnection> accept(std::chrono::milliseconds timeout);
    void close() noexcept { socket_.close(); }

private:
    SocketHandle socket_;
    std::uint16_t port_ = 0;
};

class UdpReceiver {
public:
    // Binds address:port with address reuse, so that several listeners on the machine can
    // hear a broadcast. Throws SocketError.
    UdpReceiver(std::string_view address, std::uint16_t port);

    std::uint16_t port() const noexcept { return port_; }
    // Asks for a receive buffer of that many bytes; false when the system refused.
    bool setReceiveBufferBytes(int bytes) noexcept;
    // Waits at most `timeout` for one datagram.
    ReceiveResult receive(std::span<char> buffer, std::chrono::milliseconds timeout);
    void close() noexcept { socket_.close(); }

private:
    SocketHandle socket_;
    std::uint16_t port_ = 0;
};

class UdpSender {
public:
    // Throws SocketError.
    UdpSender();
    // Sends one datagram; false when the system refused it.
    bool sendTo(std::string_view address, std::uint16_t port, std::span<const char> bytes);

private:
    SocketHandle socket_;
};

} // namespace skyloom::os
