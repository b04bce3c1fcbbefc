#include "feed/rtapi_session.h"

#include <fmt/format.h>

#include "feed/rtapi_settings.h"
#include "foundation/log_file.h"
#include "foundation/version.h"
#include "runtime/rt_status.h"

namespace skyloom {

namespace {

void lf_logFailure(std::string_view what, const RtApiAnswer& answer) {
    LogFile::writeImportant(fmt::format("RealTraffic web API {} failed: {}", what, answer.problem));
}

} // namespace

RtApiSession::RtApiSession(RtCredentials credentials, std::unique_ptr<RtApiTransport> transport)
    : credentials_(std::move(credentials)), transport_(std::move(transport)),
      rrl_(kRtApiDefaultRateLimitMs), wrrl_(kRtApiDefaultRateLimitMs) {}

RtApiSession::~RtApiSession() = default;

std::string RtApiSession::softwareName() {
    return fmt::format("{} {}", kProgramName, gf_programVersionText());
}

RtApiAnswer RtApiSession::authenticate() {
    std::lock_guard lock(mutex_);
    return authenticateLocked();
}

RtApiAnswer RtApiSession::authenticateLocked() {
    const RtApiForm form{{std::string(credentials_.formField()), credentials_.value},
                         {"software", softwareName()}};
    RtApiAnswer answer = gf_readRtApiAnswer(transport_->post(kRtApiAuthPath, form));
    if (!answer.ok()) {
        if (answer.transfer != RtApiTransfer::stopped) {
            authenticationFailed(answer);
        }
        return answer;
    }
    const std::string guid = gf_rtApiText(answer.json, "GUID");
    if (guid.empty()) {
        answer.status = 0;
        answer.problem = "the reply holds no GUID";
        authenticationFailed(answer);
        return answer;
    }
    endFailureRun("authenticated after", "");
    guid_ = guid;
    const auto type = answer.json.find("type");
    professional_ = type != answer.json.end() && type->is_number() && type->get<double>() == 2.0;
    if (const auto rrl = gf_rtApiMilliseconds(answer.json, "rrl")) {
        rrl_ = *rrl;
    }
    if (const auto wrrl = gf_rtApiMilliseconds(answer.json, "wrrl")) {
        wrrl_ = *wrrl;
    }
    g_rtProfessional.store(professional_);
    g_rtConnected.store(true);
    LogFile::write(fmt::format("RealTraffic web API: authenticated with the {} ({} licence), "
                               "session {}, server {}, rrl {} ms, wrrl {} ms",
                               credentials_.logText(), professional_ ? "professional" : "standard",
                               guid_, gf_rtApiText(answer.json, "server"), rrl_.count(),
                               wrrl_.count()));
    return answer;
}

RtApiAnswer RtApiSession::renew(const std::string& failedGuid) {
    std::lock_guard lock(mutex_);
    if (!guid_.empty() && guid_ != failedGuid) {
        RtApiAnswer renewed;
        renewed.status = 200;
        renewed.transfer = RtApiTransfer::ok;
        return renewed;
    }
    // Said when the session goes, not at each try while none stands.
    if (!guid_.empty()) {
        guid_.clear();
        g_rtConnected.store(false);
        LogFile::write("RealTraffic web API: the session was lost, authenticating again");
    }
    return authenticateLocked();
}

void RtApiSession::authenticationFailed(const RtApiAnswer& answer) {
    // An outage fails every try for as long as it lasts: its first failure is said now, how
    // many followed when it ends.
    if (failedAuthentications_ == 0) {
        lf_logFailure("authentication", answer);
    }
    ++failedAuthentications_;
    lastAuthenticationProblem_ = answer.problem;
}

void RtApiSession::endFailureRun(std::string_view how, std::string_view inARow) {
    if (failedAuthentications_ == 0) {
        return;
    }
    LogFile::writeImportant(fmt::format("RealTraffic web API: {} {} failed authentication "
                                        "attempt{}{} (the last: {})",
                                        how, failedAuthentications_,
                                        failedAuthentications_ == 1 ? "" : "s", inARow,
                                        lastAuthenticationProblem_));
    failedAuthentications_ = 0;
}

void RtApiSession::logFailuresAtStop() {
    std::lock_guard lock(mutex_);
    endFailureRun("stopped after", " in a row");
}

RtApiAnswer RtApiSession::deauthenticate() {
    std::lock_guard lock(mutex_);
    RtApiAnswer answer;
    if (guid_.empty()) {
        answer.problem = "no session";
        return answer;
    }
    const std::string guid = std::exchange(guid_, std::string());
    g_rtConnected.store(false);
    answer = gf_readRtApiAnswer(transport_->post(kRtApiDeauthPath, {{"GUID", guid}}));
    if (answer.ok()) {
        LogFile::write(fmt::format("RealTraffic web API: session {} closed ({} s)", guid,
                                   gf_rtApiText(answer.json, "Session length")));
    } else {
        lf_logFailure("deauthentication", answer);
    }
    return answer;
}

std::string RtApiSession::guid() const {
    std::lock_guard lock(mutex_);
    return guid_;
}

bool RtApiSession::authenticated() const {
    std::lock_guard lock(mutex_);
    return !guid_.empty();
}

bool RtApiSession::professional() const {
    std::lock_guard lock(mutex_);
    return professional_;
}

std::chrono::milliseconds RtApiSession::trafficRateLimit() const {
    std::lock_guard lock(mutex_);
    return rrl_;
}

std::chrono::milliseconds RtApiSession::weatherRateLimit() const {
    std::lock_guard lock(mutex_);
    return wrrl_;
}

void RtApiSession::updateRateLimits(const nlohmann::json& reply) {
    const auto rrl = gf_rtApiMilliseconds(reply, "rrl");
    const auto wrrl = gf_rtApiMilliseconds(reply, "wrrl");
    std::lock_guard lock(mutex_);
    if (rrl) {
        rrl_ = *rrl;
    }
    if (wrrl) {
        wrrl_ = *wrrl;
    }
}

} // namespace skyloom
