// The RealTraffic App stand-in: plays the App's side of the App road against the program on
// this machine. Like the App it connects to the program's TCP port, reads the program's Qs
// lines and answers them (the version request with its version and licence level, a parked
// request with the parked aircraft it was given, a buffer request with the snapshots it
// asks for), and it sends traffic and weather as UDP datagrams, replaying a capture in real
// or faster time. Tests drive it as a library; the command-line tool runs it against the
// program.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

#include "platform/os/sockets.h"
#include "tools/rtapp_standin/capture.h"

namespace skyloom::tools {

struct RtAppStandinOptions {
    std::string programAddress = "127.0.0.1";
    std::uint16_t programPort = 10747;
    std::uint16_t trafficPort = 49005;
    std::uint16_t weatherPort = 49004;
    std::string version = "11.1.452";
    int licenceLevel = 2;
    // Each burst ends with "RTTFC_EOT" (else the program finds the bursts by their gaps).
    bool endMarkers = true;
    // Buffered snapshots are separated by "RTBUF_SEP" (else only their "RTBUF=<n>" index
    // tells them apart); "RTBUF_EOT" ends them either way.
    bool bufferSeparators = true;
};

class RtAppStandin {
public:
    explicit RtAppStandin(RtAppStandinOptions options);
    ~RtAppStandin();
    RtAppStandin(const RtAppStandin&) = delete;
    RtAppStandin& operator=(const RtAppStandin&) = delete;

    // Connects to the program, trying again until `timeout` has passed; throws
    // os::SocketError when the program never answered.
    void connect(std::chrono::milliseconds timeout);
    void disconnect();
    bool connected() const;

    // The lines the program sent so far, without their line ends.
    std::vector<std::string> lines() const;
    // Waits until the program has sent `count` lines starting with `prefix`; the last of
    // them, or no value after the time-out.
    std::optional<std::string> waitForLine(std::string_view prefix,
                                           std::chrono::milliseconds timeout,
                                           std::size_t count = 1) const;

    // What the stand-in answers with.
    void setParkedAircraft(std::vector<std::string> rtparkDatagrams);
    // The bursts heard before the replay's first live burst, and that burst's capture time:
    // a buffer request is answered with the snapshots it asks for, made of them
    // (gf_bufferSnapshots; record index 0 is the oldest).
    void setBufferHistory(std::vector<CaptureBurst> history, double now);

    // Sends one datagram to the traffic port (or the weather port).
    void sendDatagram(std::string_view bytes);
    void sendWeather(std::string_view json);
    // The burst's datagrams, then the end marker when enabled.
    void sendBurst(const CaptureBurst& burst);

    // Replays up to `maxBursts` bursts (0: all), waiting between them as the capture did,
    // divided by `speed` (0 or less: no waiting); `afterBurst` runs after each with its index
    // (a test waits there for the program). Weather of the capture goes out every 10th burst.
    void replay(const Capture& capture, double speed, std::size_t maxBursts = 0,
                const std::function<void(std::size_t)>& afterBurst = {});

    std::size_t datagramsSent() const noexcept { return datagramsSent_.load(); }
    // The distinct aircraft (hex ids) among the traffic records sent, live and buffered.
    std::size_t aircraftSent() const;

private:
    void readLines(std::stop_token token);
    void answer(const std::string& line);
    void sendLineToProgram(std::string_view line);

    RtAppStandinOptions options_;
    os::UdpSender udp_;
    std::atomic<std::size_t> datagramsSent_{0};
    // The replay and the answers to the program's requests send from two threads.
    mutable std::mutex sentMutex_;
    std::unordered_set<std::string> aircraftSent_;

    mutable std::mutex mutex_;
    mutable std::condition_variable linesChanged_;
    std::vector<std::string> lines_;
    std::vector<std::string> parked_;
    std::vector<CaptureBurst> bufferHistory_;
    double bufferNow_ = 0.0;
    std::optional<os::TcpConnection> connection_;
    std::jthread reader_;
};

} // namespace skyloom::tools
