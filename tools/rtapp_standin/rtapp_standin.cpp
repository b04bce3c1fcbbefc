#include "tools/rtapp_standin/rtapp_standin.h"

#include <array>
#include <span>
#include <utility>

#include <fmt/format.h>

namespace skyloom::tools {
namespace {

constexpr std::chrono::milliseconds kReadTimeout{50};
constexpr std::chrono::milliseconds kConnectRetry{50};
// The program reads its replies every main cycle; a program that does not is not waited for.
constexpr std::chrono::milliseconds kSendTimeout{1000};
constexpr std::size_t kWeatherEveryBursts = 10;

} // namespace

RtAppStandin::RtAppStandin(RtAppStandinOptions options) : options_(std::move(options)) {}

RtAppStandin::~RtAppStandin() {
    disconnect();
}

void RtAppStandin::connect(std::chrono::milliseconds timeout) {
    disconnect();
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (true) {
        try {
            os::TcpConnection connection =
                os::TcpConnection::connect(options_.programAddress, options_.programPort, timeout);
            {
                const std::lock_guard lock(mutex_);
                connection_ = std::move(connection);
            }
            reader_ = std::jthread([this](std::stop_token token) { readLines(std::move(token)); });
            return;
        } catch (const os::SocketError&) {
            if (std::chrono::steady_clock::now() >= end) {
                throw;
            }
            std::this_thread::sleep_for(kConnectRetry);
        }
    }
}

void RtAppStandin::disconnect() {
    if (reader_.joinable()) {
        reader_.request_stop();
        reader_.join();
    }
    const std::lock_guard lock(mutex_);
    if (connection_) {
        connection_->close();
        connection_.reset();
    }
}

bool RtAppStandin::connected() const {
    const std::lock_guard lock(mutex_);
    return connection_ && connection_->isOpen();
}

std::vector<std::string> RtAppStandin::lines() const {
    const std::lock_guard lock(mutex_);
    return lines_;
}

std::optional<std::string> RtAppStandin::waitForLine(std::string_view prefix,
                                                     std::chrono::milliseconds timeout,
                                                     std::size_t count) const {
    std::unique_lock lock(mutex_);
    std::optional<std::string> found;
    linesChanged_.wait_for(lock, timeout, [&] {
        std::size_t seen = 0;
        for (const std::string& line : lines_) {
            if (line.starts_with(prefix) && ++seen == count) {
                found = line;
                return true;
            }
        }
        return false;
    });
    return found;
}

void RtAppStandin::setParkedAircraft(std::vector<std::string> rtparkDatagrams) {
    const std::lock_guard lock(mutex_);
    parked_ = std::move(rtparkDatagrams);
}

void RtAppStandin::setBufferHistory(std::vector<CaptureBurst> history, double now) {
    const std::lock_guard lock(mutex_);
    bufferHistory_ = std::move(history);
    bufferNow_ = now;
}

void RtAppStandin::sendDatagram(std::string_view bytes) {
    udp_.sendTo(options_.programAddress, options_.trafficPort,
                std::span<const char>(bytes.data(), bytes.size()));
    ++datagramsSent_;
    // A traffic record, live ("RTTFC,<hexid>,...") or buffered ("RTBUF=<n>,<hexid>,...").
    if (bytes.starts_with("RTTFC,") || bytes.starts_with("RTBUF=")) {
        const std::size_t from = bytes.find(',') + 1;
        const std::size_t to = bytes.find(',', from);
        if (to != std::string_view::npos) {
            const std::lock_guard lock(sentMutex_);
            aircraftSent_.emplace(bytes.substr(from, to - from));
        }
    }
}

std::size_t RtAppStandin::aircraftSent() const {
    const std::lock_guard lock(sentMutex_);
    return aircraftSent_.size();
}

void RtAppStandin::sendWeather(std::string_view json) {
    udp_.sendTo(options_.programAddress, options_.weatherPort,
                std::span<const char>(json.data(), json.size()));
    ++datagramsSent_;
}

void RtAppStandin::sendBurst(const CaptureBurst& burst) {
    for (const std::string& datagram : burst.datagrams) {
        sendDatagram(datagram);
    }
    if (options_.endMarkers) {
        sendDatagram("RTTFC_EOT");
    }
}

void RtAppStandin::replay(const Capture& capture, double speed, std::size_t maxBursts,
                          const std::function<void(std::size_t)>& afterBurst) {
    const std::size_t count =
        maxBursts == 0 ? capture.bursts.size() : std::min(maxBursts, capture.bursts.size());
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < count; ++i) {
        const CaptureBurst& burst = capture.bursts[i];
        if (speed > 0.0 && i > 0) {
            const double offset = (burst.time - capture.bursts[0].time) / speed;
            std::this_thread::sleep_until(
                start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<double>(offset)));
        }
        if (!capture.weather.empty() && i % kWeatherEveryBursts == 0) {
            sendWeather(capture.weather[(i / kWeatherEveryBursts) % capture.weather.size()]);
        }
        sendBurst(burst);
        if (afterBurst) {
            afterBurst(i);
        }
    }
}

void RtAppStandin::sendLineToProgram(std::string_view line) {
    const std::lock_guard lock(mutex_);
    if (connection_) {
        connection_->send(line, kSendTimeout);
    }
}

void RtAppStandin::answer(const std::string& line) {
    if (line == "Qs999=version") {
        sendLineToProgram(fmt::format("{{\"version\":\"{}\",\"level\":{}}}\n", options_.version,
                                      options_.licenceLevel));
    } else if (line.starts_with("Qs999=sendparked")) {
        std::vector<std::string> parked;
        {
            const std::lock_guard lock(mutex_);
            parked = parked_;
        }
        for (const std::string& datagram : parked) {
            sendDatagram(datagram);
        }
    } else if (const std::optional<BufferRequest> request = gf_parseBufferRequest(line)) {
        std::vector<CaptureBurst> snapshots;
        {
            const std::lock_guard lock(mutex_);
            snapshots = gf_bufferSnapshots(bufferHistory_, bufferNow_, *request);
        }
        for (std::size_t i = 0; i < snapshots.size(); ++i) {
            for (const std::string& datagram : snapshots[i].datagrams) {
                sendDatagram(gf_bufferedFromRttfc(datagram, i));
            }
            if (options_.bufferSeparators) {
                sendDatagram("RTBUF_SEP");
            }
        }
        sendDatagram("RTBUF_EOT");
    }
}

void RtAppStandin::readLines(std::stop_token token) {
    std::array<char, 4096> buffer{};
    std::string pending;
    while (!token.stop_requested()) {
        os::ReceiveResult result;
        {
            // Only this thread receives; the connection object itself is guarded.
            const std::lock_guard lock(mutex_);
            if (!connection_) {
                return;
            }
            result = connection_->receive(buffer, std::chrono::milliseconds{0});
        }
        if (result.status == os::ReceiveStatus::timedOut) {
            std::this_thread::sleep_for(kReadTimeout / 10);
            continue;
        }
        if (result.status != os::ReceiveStatus::data) {
            const std::lock_guard lock(mutex_);
            if (connection_) {
                connection_->close();
            }
            linesChanged_.notify_all();
            return;
        }
        pending.append(buffer.data(), result.size);
        std::size_t end = 0;
        while ((end = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            {
                const std::lock_guard lock(mutex_);
                lines_.push_back(line);
            }
            linesChanged_.notify_all();
            answer(line);
        }
    }
}

} // namespace skyloom::tools
