// The "QNH Reader" thread of the App road: receives the App's weather datagrams on its UDP port
// (49004), one JSON object each about every 10 s, and keeps the QNH in whole hPa. RealTraffic's
// placeholder report (station "UNKN", 1013 hPa) never overwrites a QNH that a real station
// gave. A datagram that is not a weather object is logged and skipped.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <thread>

#include "feed/app_traffic_assembler.h"
#include "feed/rt_app_traffic_reader.h"
#include "platform/os/sockets.h"

namespace skyloom {

inline constexpr std::uint16_t kAppWeatherPort = 49004;
inline constexpr std::string_view kAppWeatherReaderName = "QNH Reader";

// Where the reader puts a new QNH in whole hPa (the program's is gf_setQnh).
using QnhSink = std::function<void(std::int32_t hpa)>;

// The reader's work on one datagram, without the socket (tests drive it directly).
class AppQnhTracker {
public:
    explicit AppQnhTracker(QnhSink sink);
    // Parses one datagram (cut short when `datagramSize` exceeds its bytes) and passes a new
    // QNH on; a datagram without usable weather is logged and counted.
    void handleDatagram(std::string_view bytes, std::size_t datagramSize = 0);
    std::uint64_t reports() const noexcept { return reports_; }
    std::uint64_t rejected() const noexcept { return rejections_.count(); }

private:
    QnhSink sink_;
    RejectedDatagramLog rejections_;
    // Set once a real station's QNH was taken.
    bool realQnhSeen_ = false;
    std::uint64_t reports_ = 0;
};

class RtAppWeatherReader {
public:
    static constexpr std::chrono::milliseconds kReceiveTimeout{100};
    // Weather objects run to several kB.
    static constexpr std::size_t kReceiveBytes = 65536;

    // Binds the port (throws os::SocketError) and starts the thread.
    RtAppWeatherReader(AppReaderSettings settings, QnhSink sink);
    ~RtAppWeatherReader();
    RtAppWeatherReader(const RtAppWeatherReader&) = delete;
    RtAppWeatherReader& operator=(const RtAppWeatherReader&) = delete;

    std::uint16_t port() const noexcept { return socket_.port(); }
    void stop();
    bool running() const noexcept { return running_.load(); }

    std::uint64_t reports() const noexcept { return reports_.load(); }
    std::uint64_t rejected() const noexcept { return rejected_.load(); }

private:
    void run(std::stop_token token);
    bool keepRunning(const std::stop_token& token) const;

    AppReaderSettings settings_;
    os::UdpReceiver socket_;
    AppQnhTracker tracker_;
    std::atomic<std::uint64_t> reports_{0};
    std::atomic<std::uint64_t> rejected_{0};
    std::atomic<bool> running_{false};
    std::jthread thread_;
};

} // namespace skyloom
