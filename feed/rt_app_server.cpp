#include "feed/rt_app_server.h"

#include <array>
#include <cstdlib>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "runtime/rt_status.h"

namespace skyloom {
namespace {

constexpr std::size_t kReplyChunkBytes = 4096;

// Log lines are written once the server mutex is released: the log has its own mutex, and no
// code holds two at once.
void lf_writeLog(std::vector<RtAppServer::LogLine>& lines) {
    for (const RtAppServer::LogLine& line : lines) {
        if (line.important) {
            LogFile::writeImportant(line.text);
        } else {
            LogFile::write(line.text);
        }
    }
    lines.clear();
}

std::int64_t lf_epochMs(Clock::UtcTime t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
}

} // namespace

RtAppServer::RtAppServer(std::string_view address, std::uint16_t port, Clock& clock,
                         Notices notices)
    : clock_(clock), notices_(std::move(notices)), listener_(address, port) {
    LogFile::write(fmt::format("{} listening on TCP port {}", kAppServerName, listener_.port()));
}

RtAppServer::~RtAppServer() {
    std::vector<LogLine> lines;
    {
        const std::lock_guard lock(mutex_);
        if (client_.isOpen()) {
            dropClientLocked("server closed");
        }
        lines.swap(log_);
    }
    lf_writeLog(lines);
}

void RtAppServer::logLocked(bool important, std::string text) {
    log_.push_back({important, std::move(text)});
}

void RtAppServer::poll() {
    std::vector<LogLine> lines;
    std::optional<AppVersionReply> version;
    {
        const std::lock_guard lock(mutex_);
        acceptLocked();
        readRepliesLocked();
        lines.swap(log_);
        version.swap(versionToAnnounce_);
    }
    lf_writeLog(lines);
    if (version && notices_.versionReceived) {
        notices_.versionReceived(*version);
    }
}

bool RtAppServer::connected() const {
    const std::lock_guard lock(mutex_);
    return client_.isOpen();
}

void RtAppServer::acceptLocked() {
    std::optional<os::TcpConnection> connection = listener_.accept(std::chrono::milliseconds{0});
    if (!connection) {
        return;
    }
    if (client_.isOpen()) {
        dropClientLocked("a new connection replaced it");
    }
    client_ = std::move(*connection);
    replies_ = AppReplyReader{};
    firstPosition_ = true;
    positionsSinceTime_ = 0;
    lastTimeOffsetMs_.reset();
    ++counts_.connections;
    g_rtConnected.store(true);
    logLocked(true, fmt::format("RealTraffic App connected from {}", client_.peer()));
    sendLocked(gf_versionRequestLine());
    if (parkedRequest_) {
        sendParkedRequestLocked(*parkedRequest_);
    }
}

void RtAppServer::readRepliesLocked() {
    std::array<char, kReplyChunkBytes> buffer{};
    while (client_.isOpen()) {
        const os::ReceiveResult result = client_.receive(buffer, std::chrono::milliseconds{0});
        if (result.status == os::ReceiveStatus::timedOut) {
            return;
        }
        if (result.status != os::ReceiveStatus::data) {
            dropClientLocked(result.status == os::ReceiveStatus::closed ? "the App closed it"
                                                                        : "receiving failed");
            return;
        }
        for (const nlohmann::json& reply :
             replies_.add(std::string_view(buffer.data(), result.size))) {
            ++counts_.replies;
            if (const auto version = gf_appVersionReply(reply)) {
                version_ = version;
                versionToAnnounce_ = version;
                g_rtProfessional.store(version->level == kProfessionalLicenceLevel);
                logLocked(false, fmt::format("RealTraffic App version {}, licence level {}{}",
                                             version->version, version->level,
                                             version->level == kProfessionalLicenceLevel
                                                 ? " (professional)"
                                                 : ""));
            } else {
                logLocked(false, fmt::format("RealTraffic App says: {}", reply.dump()));
            }
        }
    }
}

bool RtAppServer::sendLocked(std::string_view line) {
    if (!client_.isOpen()) {
        return false;
    }
    switch (client_.send(line, kSendTimeout)) {
    case os::SendStatus::sent:
        return true;
    case os::SendStatus::timedOut:
        // The App's side of the connection is full: it has stopped reading. Waiting longer
        // would hold up the main worker (and every thread that needs the server mutex); once
        // dropped, the App connects again when it comes back to life.
        dropClientLocked(fmt::format("sending timed out after {} ms (the App reads nothing)",
                                     kSendTimeout.count()));
        return false;
    case os::SendStatus::failed:
        break;
    }
    dropClientLocked("sending failed");
    return false;
}

void RtAppServer::dropClientLocked(std::string_view why) {
    client_.close();
    g_rtConnected.store(false);
    logLocked(true, fmt::format("RealTraffic App disconnected: {}", why));
}

bool RtAppServer::sendPosition(const AppPositionReport& report, double rangeNm) {
    std::vector<LogLine> lines;
    bool sent = false;
    {
        const std::lock_guard lock(mutex_);
        sent = sendPositionLocked(report, rangeNm);
        lines.swap(log_);
    }
    lf_writeLog(lines);
    return sent;
}

bool RtAppServer::sendPositionLocked(const AppPositionReport& report, double rangeNm) {
    if (!client_.isOpen()) {
        return false;
    }
    if (report.simUtcMs) {
        const std::int64_t offsetMs = *report.simUtcMs - lf_epochMs(clock_.utcNow());
        const bool jumped =
            lastTimeOffsetMs_ &&
            std::llabs(offsetMs - *lastTimeOffsetMs_) >
                std::chrono::duration_cast<std::chrono::milliseconds>(kTimeJump).count();
        if (firstPosition_ || !lastTimeOffsetMs_ || jumped ||
            positionsSinceTime_ >= kTimeLineEveryPositions) {
            if (!sendLocked(gf_simTimeLine(*report.simUtcMs))) {
                return false;
            }
            ++counts_.timeLines;
            positionsSinceTime_ = 0;
            lastTimeOffsetMs_ = offsetMs;
        }
    }
    if (!sendLocked(gf_positionLine(report))) {
        return false;
    }
    ++counts_.positionLines;
    ++positionsSinceTime_;
    if (firstPosition_ && bufferWanted_) {
        // The reader hears of the request before the App can answer it.
        if (notices_.bufferRequestSent) {
            notices_.bufferRequestSent();
        }
        if (!sendLocked(gf_bufferRequestLine(kBufferSnapshots, kBufferSpacingSeconds,
                                             gf_boxAround(report.position, rangeNm)))) {
            return false;
        }
        bufferWanted_ = false;
        ++counts_.bufferRequests;
    }
    firstPosition_ = false;
    return true;
}

void RtAppServer::requestParked(const GeoBox& box) {
    std::vector<LogLine> lines;
    {
        const std::lock_guard lock(mutex_);
        parkedRequest_ = box;
        if (client_.isOpen()) {
            sendParkedRequestLocked(box);
        }
        lines.swap(log_);
    }
    lf_writeLog(lines);
}

void RtAppServer::sendParkedRequestLocked(const GeoBox& box) {
    // The reader hears of the request before the App can answer it.
    if (notices_.parkedRequestSent) {
        notices_.parkedRequestSent();
    }
    if (sendLocked(gf_parkedRequestLine(box))) {
        parkedRequest_.reset();
        ++counts_.parkedRequests;
    }
}

void RtAppServer::wantBufferedTraffic(bool wanted) {
    const std::lock_guard lock(mutex_);
    bufferWanted_ = wanted;
}

void RtAppServer::closeClient() {
    std::vector<LogLine> lines;
    {
        const std::lock_guard lock(mutex_);
        if (client_.isOpen()) {
            dropClientLocked("closed by the program");
        }
        lines.swap(log_);
    }
    lf_writeLog(lines);
}

std::optional<AppVersionReply> RtAppServer::versionReply() const {
    const std::lock_guard lock(mutex_);
    return version_;
}

AppServerCounts RtAppServer::counts() const {
    const std::lock_guard lock(mutex_);
    return counts_;
}

} // namespace skyloom
