// The "Traffic Reader" thread of the App road: receives the App's traffic datagrams on its UDP
// port (49005) and hands them to an `AppTrafficAssembler`, which posts live and buffered
// batches and completes parked lists. It shows its state in the window (waiting for data,
// receiving, not running) and, when its socket fails, stops the run with "READER ERROR".
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "feed/app_traffic_assembler.h"
#include "foundation/clock.h"
#include "platform/os/sockets.h"
#include "runtime/run_services.h"

namespace skyloom {

inline constexpr std::uint16_t kAppTrafficPort = 49005;
inline constexpr std::string_view kAppTrafficReaderName = "Traffic Reader";

// How a reader that fails stops the run (gf_readerStoppedWithError with the run services,
// unless a test puts in its own).
using ReaderFailure = std::function<void(std::string_view name, std::string_view text)>;

struct AppReaderSettings {
    RunServices run;
    std::string address = "0.0.0.0";
    std::uint16_t port = 0;
    ReaderFailure failed;
};

class RtAppTrafficReader {
public:
    // The socket buffer holds a whole burst even while the reader is busy: a busy airport sends
    // some 300 datagrams at once.
    static constexpr int kReceiveBufferBytes = 1 << 20;
    static constexpr std::chrono::milliseconds kReceiveTimeout{100};

    // Binds the port (throws os::SocketError) and starts the thread.
    RtAppTrafficReader(AppReaderSettings settings, AppTrafficAssembler::Targets targets);
    // Stops and joins the thread.
    ~RtAppTrafficReader();
    RtAppTrafficReader(const RtAppTrafficReader&) = delete;
    RtAppTrafficReader& operator=(const RtAppTrafficReader&) = delete;

    std::uint16_t port() const noexcept { return socket_.port(); }
    // Asks the thread to end and waits for it.
    void stop();
    bool running() const noexcept { return running_.load(); }

    // Any thread: a parked or buffered request went to the App; the reader starts a new list
    // or counts snapshots afresh before it looks at the next datagram.
    void noteParkedRequest();
    void noteBufferRequest();
    // True once the buffered traffic asked for last has ended ("RTBUF_EOT"), and while none
    // was asked for.
    bool bufferedDone() const noexcept {
        return bufferDoneGeneration_.load() == bufferRequestGeneration_.load();
    }
    // Any thread: the program no longer waits for the buffered traffic it asked for; the
    // reader rejects what still comes of it. Returns once the reader has taken note (at most
    // after `timeout`, at once when the reader has ended): true when that buffered traffic had
    // ended before, so that exactly one of the two outcomes holds.
    bool endBufferWait(std::chrono::milliseconds timeout);

    AppTrafficCounts counts() const;

private:
    void run(std::stop_token token);
    void receiveLoop(std::stop_token token);
    bool keepRunning(const std::stop_token& token) const;

    AppReaderSettings settings_;
    os::UdpReceiver socket_;
    AppTrafficAssembler assembler_;
    std::atomic<bool> parkedRequest_{false};
    // Each buffer request has its generation; the reader records the generation whose
    // buffered traffic has ended.
    std::atomic<std::uint64_t> bufferRequestGeneration_{0};
    std::atomic<std::uint64_t> bufferDoneGeneration_{0};
    // Each end of a wait has its generation too; the reader records the one it has taken.
    std::atomic<std::uint64_t> bufferWaitEndGeneration_{0};
    std::mutex bufferWaitMutex_;
    std::condition_variable bufferWaitTaken_;
    std::uint64_t bufferWaitEndTaken_ = 0; // under bufferWaitMutex_
    std::atomic<bool> running_{false};
    mutable std::mutex countsMutex_;
    AppTrafficCounts counts_;
    std::jthread thread_;
};

} // namespace skyloom
