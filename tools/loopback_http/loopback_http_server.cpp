#include "tools/loopback_http/loopback_http_server.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

#include <fmt/format.h>
#include <httplib.h>

namespace skyloom::tools {
namespace {

// Enough threads that the held and slow replies of a test never starve the others.
constexpr std::size_t kServerThreads = 32;
constexpr time_t kSocketTimeoutSeconds = 5;
constexpr std::chrono::seconds kStartWait{5};

std::string lf_lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::string HttpRequest::header(std::string_view lowerName) const {
    const auto it = headers.find(std::string(lowerName));
    return it == headers.end() ? std::string() : it->second;
}

struct LoopbackHttpServer::Impl {
    httplib::Server server;
    Handler handler;
    mutable std::mutex mutex;
    mutable std::condition_variable wake;
    bool stopping = false; // under mutex
    std::atomic<std::size_t> bodyCalls{0};
    std::thread thread;

    bool pause(std::chrono::milliseconds delay) const {
        std::unique_lock lock(mutex);
        wake.wait_for(lock, delay, [this] { return stopping; });
        return !stopping;
    }

    void holdUntilStop() const {
        std::unique_lock lock(mutex);
        wake.wait(lock, [this] { return stopping; });
    }

    void serve(const httplib::Request& request, httplib::Response& response) {
        HttpRequest mine;
        mine.method = request.method;
        mine.path = request.path;
        for (const auto& [name, value] : request.headers) {
            mine.headers[lf_lower(name)] = value;
        }
        mine.body = request.body;
        HttpReply reply = handler(mine);
        if (reply.manner == ReplyManner::never) {
            holdUntilStop();
            // The server is stopping: the connection ends without an answer.
            response.set_content_provider(
                1, "text/plain",
                [](std::size_t, std::size_t, httplib::DataSink&) { return false; });
            return;
        }
        response.status = reply.status;
        if (!reply.contentEncoding.empty()) {
            response.set_header("Content-Encoding", reply.contentEncoding);
        }
        if (reply.body.empty()) {
            // The library takes a provider of length 0 for a body of unknown length and asks
            // it for bytes until it says it is done: a thread spinning for ever and a reply that
            // never ends. A plain empty body goes out as "Content-Length: 0".
            response.set_content(std::string(), reply.contentType);
            return;
        }
        // Through a provider of known length: the library compresses plain bodies on its own,
        // and the stand-ins decide themselves what goes out.
        auto body = std::make_shared<const std::string>(std::move(reply.body));
        const ReplyManner manner = reply.manner;
        const std::chrono::milliseconds delay = reply.slowDelay;
        response.set_content_provider(
            body->size(), reply.contentType,
            [this, body, manner, delay](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                bodyCalls.fetch_add(1, std::memory_order_relaxed);
                switch (manner) {
                case ReplyManner::slow:
                    return pause(delay) && sink.write(body->data() + offset, 1);
                case ReplyManner::cutShort: {
                    const std::size_t half = body->size() / 2;
                    // Returning false drops the connection short of the announced length.
                    return offset < half && sink.write(body->data() + offset, half - offset);
                }
                default:
                    return sink.write(body->data() + offset, body->size() - offset);
                }
            });
    }
};

LoopbackHttpServer::LoopbackHttpServer(std::string name, std::uint16_t port, Handler handler)
    : impl_(std::make_unique<Impl>()) {
    Impl& impl = *impl_;
    impl.handler = std::move(handler);
    impl.server.new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
    impl.server.set_keep_alive_max_count(1);
    impl.server.set_read_timeout(kSocketTimeoutSeconds, 0);
    impl.server.set_write_timeout(kSocketTimeoutSeconds, 0);
    const auto serve = [&impl](const httplib::Request& request, httplib::Response& response) {
        impl.serve(request, response);
    };
    impl.server.Get(".*", serve);
    impl.server.Post(".*", serve);
    if (port == 0) {
        const int chosen = impl.server.bind_to_any_port("127.0.0.1");
        if (chosen <= 0) {
            throw std::runtime_error(fmt::format("{}: no port on 127.0.0.1", name));
        }
        port_ = static_cast<std::uint16_t>(chosen);
    } else {
        if (!impl.server.bind_to_port("127.0.0.1", port)) {
            throw std::runtime_error(fmt::format("{}: bind to port {} failed", name, port));
        }
        port_ = port;
    }
    impl.thread = std::thread([&impl] { impl.server.listen_after_bind(); });
    // A stop before the library has started listening would be missed, and the join wait for
    // ever: the server is handed out only once it listens.
    const auto deadline = std::chrono::steady_clock::now() + kStartWait;
    while (!impl.server.is_running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            // The library gave up listening: its thread has ended or ends now.
            impl.server.stop();
            impl.thread.join();
            throw std::runtime_error(fmt::format("{}: the server did not start", name));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stop();
}

void LoopbackHttpServer::stop() {
    {
        const std::lock_guard lock(impl_->mutex);
        impl_->stopping = true;
    }
    impl_->wake.notify_all();
    impl_->server.stop();
    if (impl_->thread.joinable()) {
        impl_->thread.join();
    }
}

bool LoopbackHttpServer::pause(std::chrono::milliseconds delay) const {
    return impl_->pause(delay);
}

std::size_t LoopbackHttpServer::bodyCalls() const noexcept {
    return impl_->bodyCalls.load(std::memory_order_relaxed);
}

} // namespace skyloom::tools
