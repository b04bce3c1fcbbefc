// The download-area stand-in: a plain HTTP/1.1 server on 127.0.0.1 that serves the files of a
// folder (GET only, "Connection: close"), on a port the OS chooses unless one is given
// (tools/loopback_http). For tests and the demo it can misbehave on purpose, for every path or
// for one: answer 404, send the body slowly, cut the body short of its announced length, or
// accept the connection and never answer. It records the paths asked for.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skyloom::tools {

class LoopbackHttpServer;
struct HttpReply;
struct HttpRequest;

enum class ServerFault {
    none,
    // Every request gets "404 Not Found".
    notFound,
    // The body goes out one byte per slow delay.
    slow,
    // The headers announce the full length, half the body is sent, then the connection closes.
    cutShort,
    // The connection is accepted and the request read, but nothing is ever sent.
    neverAnswer,
};

// "none", "404", "slow", "cut", "hang".
std::string_view gf_serverFaultText(ServerFault fault) noexcept;
std::optional<ServerFault> gf_serverFaultFromText(std::string_view text) noexcept;

class DownloadServer {
public:
    // Starts serving `root` on 127.0.0.1:`port` (0: the OS chooses). Throws std::runtime_error
    // when the port cannot be had.
    explicit DownloadServer(std::filesystem::path root, std::uint16_t port = 0);
    // Stops the server and closes every connection it holds.
    ~DownloadServer();
    DownloadServer(const DownloadServer&) = delete;
    DownloadServer& operator=(const DownloadServer&) = delete;

    std::uint16_t port() const noexcept;
    // "http://127.0.0.1:{port}/"
    std::string baseUrl() const;

    // The fault for every path without one of its own.
    void setFault(ServerFault fault);
    // The fault for one path ("/versions.json"); ServerFault::none serves it normally.
    void setPathFault(const std::string& path, ServerFault fault);
    void setSlowDelay(std::chrono::milliseconds delay);

    // The paths asked for so far, in order (decoded, without the query).
    std::vector<std::string> requests() const;
    // How often a reply's body has been asked for bytes so far (LoopbackHttpServer::bodyCalls).
    std::size_t bodyCalls() const noexcept;

private:
    HttpReply serve(const HttpRequest& request);
    ServerFault faultFor(const std::string& path) const;

    const std::filesystem::path root_;

    mutable std::mutex mutex_;
    ServerFault fault_ = ServerFault::none;
    std::map<std::string, ServerFault> pathFaults_;
    std::chrono::milliseconds slowDelay_{1000};
    std::vector<std::string> requests_;

    // Last: it stops (and ends every held request) before the rest goes.
    std::unique_ptr<LoopbackHttpServer> server_;
};

} // namespace skyloom::tools
