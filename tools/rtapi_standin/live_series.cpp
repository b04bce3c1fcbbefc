#include "tools/rtapi_standin/live_series.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <fmt/format.h>

namespace skyloom::tools {

std::optional<LiveSeries> LiveSeries::of(nlohmann::json recording) {
    if (!recording.is_array()) {
        return std::nullopt;
    }
    if (recording.empty()) {
        throw std::runtime_error("web API stand-in: a live series without a reply");
    }
    std::vector<nlohmann::json> replies;
    replies.reserve(recording.size());
    for (std::size_t i = 0; i < recording.size(); ++i) {
        const nlohmann::json& reply = recording[i];
        if (!reply.is_object() || !reply.contains("dataepoch") || !reply["dataepoch"].is_number()) {
            throw std::runtime_error(fmt::format(
                "web API stand-in: reply {} of the live series has no numeric \"dataepoch\"", i));
        }
        replies.push_back(std::move(recording[i]));
    }
    std::stable_sort(replies.begin(), replies.end(),
                     [](const auto& a, const auto& b) { return epochOf(a) < epochOf(b); });
    return LiveSeries(std::move(replies));
}

LiveSeries::LiveSeries(std::vector<nlohmann::json> replies) : replies_(std::move(replies)) {}

double LiveSeries::epochOf(const nlohmann::json& reply) {
    return reply["dataepoch"].get<double>();
}

double LiveSeries::momentAt(std::chrono::duration<double> sincePlaybackStart) const noexcept {
    return epochOf(replies_.front()) + kLeadSeconds + sincePlaybackStart.count();
}

namespace {

// The web API's index of an aircraft's time stamp.
constexpr std::size_t kTimestampIndex = 10;

// A reply's aircraft: those of "data", or of the top level in older replies.
template <typename Json> Json& lf_aircraftOf(Json& reply) {
    return reply.contains("data") ? reply["data"] : reply;
}

bool lf_reportedBy(const nlohmann::json& values, double moment) {
    return values.is_array() && values.size() > kTimestampIndex &&
           values[kTimestampIndex].is_number() && values[kTimestampIndex].get<double>() <= moment;
}

} // namespace

std::optional<nlohmann::json> LiveSeries::replyAt(double moment) const {
    const auto after = std::upper_bound(
        replies_.begin(), replies_.end(), moment,
        [](double value, const nlohmann::json& reply) { return value < epochOf(reply); });
    if (after == replies_.begin()) {
        return std::nullopt;
    }
    nlohmann::json reply = *std::prev(after);
    if (after == replies_.end()) {
        return reply;
    }
    nlohmann::json& aircraft = lf_aircraftOf(reply);
    for (const auto& [key, values] : lf_aircraftOf(*after).items()) {
        if (lf_reportedBy(values, moment)) {
            aircraft[key] = values;
        }
    }
    reply["dataepoch"] = std::floor(moment);
    return reply;
}

} // namespace skyloom::tools
