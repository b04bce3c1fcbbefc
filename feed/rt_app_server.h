// The program's side of the App's TCP link: a server on PORT_NUMBER to which the RealTraffic App
// connects. It lives on the main worker thread, which polls it (a new connection replaces an
// older one; the App's JSON replies are read as they come) and sends the user position through
// it five times a second; other threads only close the client or queue requests, under the
// server mutex. No send waits more than kSendTimeout: an App that stops reading is dropped
// (and logged) rather than left to block the main worker.
//
// On every new connection the server asks for the App's version and licence level (level 2
// sets g_rtProfessional) and sends a parked-traffic request that is waiting. With the first
// position after a connection it asks for buffered traffic (once per run, when wanted) around
// that position, and it sends the simulator time (Qs123) with the first position, every 300
// position lines and whenever the simulator's clock moved against UTC by more than 60 s.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "feed/rt_app_lines.h"
#include "foundation/clock.h"
#include "platform/os/sockets.h"

namespace skyloom {

inline constexpr std::string_view kAppServerName = "RealTraffic App server";

struct AppServerCounts {
    std::uint64_t connections = 0;
    std::uint64_t positionLines = 0;
    std::uint64_t timeLines = 0;
    std::uint64_t parkedRequests = 0;
    std::uint64_t bufferRequests = 0;
    std::uint64_t replies = 0;

    friend bool operator==(const AppServerCounts&, const AppServerCounts&) = default;
};

class RtAppServer {
public:
    static constexpr std::uint64_t kTimeLineEveryPositions = 300;
    // How long one line may wait for room in the connection before the App is dropped: a main
    // cycle may run this much late once, well inside the loop's 100 ms of slack.
    static constexpr std::chrono::milliseconds kSendTimeout{50};
    static constexpr std::chrono::seconds kTimeJump{60};
    // Buffered traffic: 5 snapshots 6 s apart, the oldest 30 s old and the newest 6 s old
    // when they come; each plays 30 s after it was seen (AppTrafficAssembler).
    static constexpr std::uint32_t kBufferSnapshots = 5;
    static constexpr std::uint32_t kBufferSpacingSeconds = 6;

    // Called (under the server mutex; they must not block) just before a request goes out.
    struct Notices {
        std::function<void()> parkedRequestSent;
        std::function<void()> bufferRequestSent;
        // Called on the polling thread, outside the mutex, with each version reply.
        std::function<void(const AppVersionReply&)> versionReceived;
    };

    // Listens on address:port (throws os::SocketError). The clock must outlive the server.
    RtAppServer(std::string_view address, std::uint16_t port, Clock& clock, Notices notices = {});
    ~RtAppServer();
    RtAppServer(const RtAppServer&) = delete;
    RtAppServer& operator=(const RtAppServer&) = delete;

    std::uint16_t port() const noexcept { return listener_.port(); }

    // Main worker: takes a waiting connection and reads what the App sent.
    void poll();
    bool connected() const;

    // Main worker: sends the position (with the time and the buffer request as due); false
    // while no App is connected or when the connection failed. `rangeNm` sizes the box of a
    // buffer request.
    bool sendPosition(const AppPositionReport& report, double rangeNm);
    // Asks for parked traffic in the box: now, or at the next connection.
    void requestParked(const GeoBox& box);
    // Wanted: the next position after a connection asks for buffered traffic. Not wanted: no
    // position asks for it (the program no longer waits for it).
    void wantBufferedTraffic(bool wanted);
    // Closes the App's connection (the server keeps listening).
    void closeClient();

    std::optional<AppVersionReply> versionReply() const;
    AppServerCounts counts() const;

    struct LogLine {
        bool important = false;
        std::string text;
    };

private:
    bool sendPositionLocked(const AppPositionReport& report, double rangeNm);
    void sendParkedRequestLocked(const GeoBox& box);
    void logLocked(bool important, std::string text);
    void acceptLocked();
    void readRepliesLocked();
    bool sendLocked(std::string_view line);
    void dropClientLocked(std::string_view why);

    Clock& clock_;
    Notices notices_;
    mutable std::mutex mutex_;
    os::TcpListener listener_;
    os::TcpConnection client_;
    AppReplyReader replies_;
    std::optional<AppVersionReply> version_;
    std::optional<GeoBox> parkedRequest_;
    bool bufferWanted_ = false;
    bool firstPosition_ = true;
    std::uint64_t positionsSinceTime_ = 0;
    std::optional<std::int64_t> lastTimeOffsetMs_;
    AppServerCounts counts_;
    std::vector<LogLine> log_;
    std::optional<AppVersionReply> versionToAnnounce_;
};

} // namespace skyloom
