// `LoopbackHttpServer`: the plain HTTP/1.1 server on 127.0.0.1 behind the download-area and
// web API stand-ins, on cpp-httplib. Every GET and POST goes to one handler, on threads of the
// server's own, so that a held or slow reply keeps no other client waiting; every reply closes
// its connection. What the library does not do is done here, once: replies that misbehave on
// purpose (a body sent one byte per delay, a body cut short of the length its head announces,
// a request never answered) and waits that end at once when the server stops.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace skyloom::tools {

struct HttpRequest {
    std::string method;
    // Decoded, without the query ("/v6/traffic").
    std::string path;
    // Header names in lower case.
    std::map<std::string, std::string> headers;
    std::string body;

    // The header's value, empty when the request has none.
    std::string header(std::string_view lowerName) const;
};

enum class ReplyManner {
    // Head and body as they are.
    whole,
    // The head, then the body one byte per `slowDelay`.
    slow,
    // The head announces the whole body; half of it is sent, then the connection closes.
    cutShort,
    // Nothing is ever sent; the connection is dropped when the server stops.
    never,
};

struct HttpReply {
    int status = 200;
    std::string contentType = "application/octet-stream";
    // "gzip" for a body that is compressed already; the server never compresses.
    std::string contentEncoding;
    std::string body;
    ReplyManner manner = ReplyManner::whole;
    std::chrono::milliseconds slowDelay{0};
};

class LoopbackHttpServer {
public:
    using Handler = std::function<HttpReply(const HttpRequest&)>;

    // Serves on 127.0.0.1:`port` (0: the OS chooses). `name` prefixes the error thrown
    // (std::runtime_error) when the port cannot be had. The handler runs on the server's
    // threads until the server is destroyed.
    LoopbackHttpServer(std::string name, std::uint16_t port, Handler handler);
    // Stops the server (stop()).
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    std::uint16_t port() const noexcept { return port_; }

    // Ends every wait and held request, then stops the server and joins its threads: once it
    // returns, no handler runs any more. The owner of a handler calls it before the handler's
    // state goes; later calls do nothing.
    void stop();

    // Waits `delay`; false, at once, when the server stops meanwhile.
    bool pause(std::chrono::milliseconds delay) const;

    // How often the library has asked a reply's body for bytes so far: once for a body sent
    // whole, once a byte for a slow one, never for an empty one. A count that grows while no
    // request comes in is a reply that never ends, its thread spinning.
    std::size_t bodyCalls() const noexcept;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::uint16_t port_ = 0;
};

} // namespace skyloom::tools
