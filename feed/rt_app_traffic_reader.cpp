#include "feed/rt_app_traffic_reader.h"

#include <array>
#include <exception>
#include <stdexcept>
#include <utility>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "platform/os/thread_name.h"
#include "runtime/stop_request.h"
#include "runtime/window_sink.h"

namespace skyloom {
namespace {

// Larger than any datagram the App sends; a longer one is still known by its length.
constexpr std::size_t kReceiveBytes = 4096;

} // namespace

RtAppTrafficReader::RtAppTrafficReader(AppReaderSettings settings,
                                       AppTrafficAssembler::Targets targets)
    : settings_(std::move(settings)), socket_(settings_.address, settings_.port),
      assembler_(std::string(kAppTrafficReaderName), std::move(targets)) {
    socket_.setReceiveBufferBytes(kReceiveBufferBytes);
    running_.store(true);
    thread_ = std::jthread([this](std::stop_token token) { run(std::move(token)); });
}

RtAppTrafficReader::~RtAppTrafficReader() {
    stop();
}

void RtAppTrafficReader::stop() {
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
}

bool RtAppTrafficReader::keepRunning(const std::stop_token& token) const {
    if (token.stop_requested()) {
        return false;
    }
    return settings_.run.stop.keepRunning();
}

void RtAppTrafficReader::noteParkedRequest() {
    parkedRequest_.store(true);
}

void RtAppTrafficReader::noteBufferRequest() {
    ++bufferRequestGeneration_;
}

bool RtAppTrafficReader::endBufferWait(std::chrono::milliseconds timeout) {
    const std::uint64_t wanted = ++bufferWaitEndGeneration_;
    std::unique_lock lock(bufferWaitMutex_);
    bufferWaitTaken_.wait_for(lock, timeout,
                              [&] { return bufferWaitEndTaken_ >= wanted || !running_.load(); });
    return bufferedDone();
}

AppTrafficCounts RtAppTrafficReader::counts() const {
    const std::lock_guard lock(countsMutex_);
    return counts_;
}

void RtAppTrafficReader::run(std::stop_token token) {
    os::setCurrentThreadName(kAppTrafficReaderName);
    settings_.run.window.enqueueUpdate(GuiUpdate::TrafficReaderState{ReaderState::waitingForData});
    LogFile::write(fmt::format("{} listening on UDP port {}", kAppTrafficReaderName, port()));
    try {
        receiveLoop(token);
    } catch (const std::exception& e) {
        LogFile::writeImportant(fmt::format("{} exception: {}", kAppTrafficReaderName, e.what()));
        if (settings_.failed) {
            settings_.failed(kAppTrafficReaderName, e.what());
        }
    }
    assembler_.logReceipts();
    settings_.run.window.enqueueUpdate(GuiUpdate::TrafficReaderState{ReaderState::notRunning});
    {
        const std::lock_guard lock(bufferWaitMutex_);
        running_.store(false);
    }
    bufferWaitTaken_.notify_all();
}

void RtAppTrafficReader::receiveLoop(std::stop_token token) {
    std::array<char, kReceiveBytes> buffer{};
    bool receiving = false;
    std::uint64_t bufferGeneration = 0;
    std::uint64_t bufferWaitEnd = 0;
    // Requests are noted before they go out, so the answer to one is never handled before
    // the request is known here. The end of a wait is taken between two datagrams: what came
    // before it counts, what comes after it does not.
    const auto takeRequests = [&] {
        if (parkedRequest_.exchange(false)) {
            assembler_.parkedRequested(settings_.run.clock.steadyNow());
        }
        if (const std::uint64_t wanted = bufferRequestGeneration_.load();
            wanted != bufferGeneration) {
            bufferGeneration = wanted;
            assembler_.bufferRequested();
        }
        if (const std::uint64_t ended = bufferWaitEndGeneration_.load(); ended != bufferWaitEnd) {
            bufferWaitEnd = ended;
            assembler_.bufferWaitOver();
            {
                const std::lock_guard lock(bufferWaitMutex_);
                bufferWaitEndTaken_ = ended;
            }
            bufferWaitTaken_.notify_all();
        }
    };
    while (keepRunning(token)) {
        takeRequests();
        const os::ReceiveResult result = socket_.receive(buffer, kReceiveTimeout);
        takeRequests();
        const Clock::SteadyTime now = settings_.run.clock.steadyNow();
        if (result.status == os::ReceiveStatus::failed) {
            throw std::runtime_error(fmt::format("receiving on UDP port {} failed", port()));
        }
        if (result.status == os::ReceiveStatus::data) {
            assembler_.handleDatagram(std::string_view(buffer.data(), result.size), now,
                                      settings_.run.clock.utcNow(),
                                      result.truncated ? result.datagramSize : 0);
            if (!receiving) {
                settings_.run.window.enqueueUpdate(
                    GuiUpdate::TrafficReaderState{ReaderState::receiving});
            }
            receiving = true;
        }
        assembler_.tick(now);
        if (assembler_.bufferedDone()) {
            bufferDoneGeneration_.store(bufferGeneration);
        }
        const std::lock_guard lock(countsMutex_);
        counts_ = assembler_.counts();
    }
}

} // namespace skyloom
