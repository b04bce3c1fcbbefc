#include "feed/rtapi_reply.h"

#include <charconv>
#include <cmath>

#include <fmt/format.h>

#include "feed/rtapi_settings.h"

namespace skyloom {

namespace {

// A status as the reply gives it: an integer, or a text of digits.
std::optional<long> lf_statusOf(const nlohmann::json& value) {
    if (value.is_number_integer()) {
        return value.get<long>();
    }
    if (value.is_number_float()) {
        const double d = value.get<double>();
        if (std::isfinite(d) && d == std::floor(d) && d > 0 && d < 1000) {
            return static_cast<long>(d);
        }
        return std::nullopt;
    }
    if (value.is_string()) {
        const auto& text = value.get_ref<const std::string&>();
        long status = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), status);
        if (error == std::errc{} && end == text.data() + text.size()) {
            return status;
        }
    }
    return std::nullopt;
}

} // namespace

RtApiAnswer gf_readRtApiAnswer(const RtApiReply& reply) {
    RtApiAnswer answer;
    answer.transfer = reply.transfer;
    if (reply.transfer == RtApiTransfer::httpError) {
        answer.status = reply.httpStatus;
        answer.problem = fmt::format("HTTP status {}", reply.httpStatus);
        return answer;
    }
    if (!reply.ok()) {
        answer.problem =
            reply.detail.empty()
                ? std::string(gf_rtApiTransferText(reply.transfer))
                : fmt::format("{}: {}", gf_rtApiTransferText(reply.transfer), reply.detail);
        return answer;
    }
    nlohmann::json json = nlohmann::json::parse(reply.body, nullptr, false);
    if (json.is_discarded()) {
        answer.problem = fmt::format("the reply is no JSON ({} bytes)", reply.body.size());
        return answer;
    }
    if (!json.is_object()) {
        answer.problem = "the reply is no JSON object";
        return answer;
    }
    const auto status = json.contains("status") ? lf_statusOf(json["status"]) : std::nullopt;
    if (!status || *status <= 0) {
        answer.problem = "the reply has no status";
        return answer;
    }
    answer.status = *status;
    if (answer.status != 200) {
        const std::string message = gf_rtApiText(json, "message");
        answer.problem = message.empty() ? fmt::format("status {}", answer.status)
                                         : fmt::format("status {}: {}", answer.status, message);
    }
    answer.json = std::move(json);
    return answer;
}

std::optional<std::chrono::milliseconds> gf_rtApiMilliseconds(const nlohmann::json& reply,
                                                              std::string_view key) {
    if (!reply.is_object()) {
        return std::nullopt;
    }
    const auto it = reply.find(key);
    if (it == reply.end()) {
        return std::nullopt;
    }
    double ms = -1.0;
    if (it->is_number()) {
        ms = it->get<double>();
    } else if (it->is_string()) {
        const auto& text = it->get_ref<const std::string&>();
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), ms);
        if (error != std::errc{} || end != text.data() + text.size()) {
            return std::nullopt;
        }
    }
    // A day is far beyond any limit the service sets; more is a broken value.
    if (!std::isfinite(ms) || ms < 0.0 || ms > 86400000.0) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(static_cast<long long>(std::llround(ms)));
}

std::string gf_rtApiText(const nlohmann::json& object, std::string_view key) {
    if (!object.is_object()) {
        return {};
    }
    const auto it = object.find(key);
    if (it == object.end()) {
        return {};
    }
    if (it->is_string()) {
        return it->get<std::string>();
    }
    if (it->is_number()) {
        return it->dump();
    }
    return {};
}

std::string_view gf_rtApiCourseText(RtApiCourse course) noexcept {
    switch (course) {
    case RtApiCourse::proceed:
        return "proceed";
    case RtApiCourse::authenticateAgain:
        return "authenticate again";
    case RtApiCourse::waitThenAuthenticate:
        return "wait, then authenticate again";
    case RtApiCourse::licenceRefused:
        return "licence refused";
    case RtApiCourse::retry:
        return "retry";
    case RtApiCourse::stop:
        return "stop";
    }
    return "retry";
}

RtApiJudgement gf_judgeRtApiAnswer(const RtApiAnswer& answer, bool authentication,
                                   std::chrono::milliseconds rateLimit) {
    if (answer.transfer == RtApiTransfer::stopped) {
        return {RtApiCourse::stop, {}};
    }
    switch (answer.status) {
    case 200:
        return {RtApiCourse::proceed, {}};
    case 401:
        // The authentication itself cannot lose its session; there it is a plain failure.
        if (!authentication) {
            return {RtApiCourse::authenticateAgain, {}};
        }
        break;
    case 402:
        return {RtApiCourse::licenceRefused, {}};
    case 403:
    case 404:
        // On the authentication: e-mail not verified, licence or token not found or malformed.
        // On a data request: no data for this licence or this area, which may change.
        if (authentication) {
            return {RtApiCourse::licenceRefused, {}};
        }
        break;
    case 405:
        return {RtApiCourse::waitThenAuthenticate, kRtApiTooManySessionsWaitMs};
    case 406:
        // Asked too soon: the limit in force plus the usual pause.
        return {RtApiCourse::retry, rateLimit + kRtApiRetryWaitMs};
    case 429:
        return {RtApiCourse::retry, kRtApiLoginLockedWaitMs};
    default:
        break;
    }
    return {RtApiCourse::retry, kRtApiRetryWaitMs};
}

} // namespace skyloom
