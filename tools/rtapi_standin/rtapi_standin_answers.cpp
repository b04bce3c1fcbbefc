// The stand-in's answers to the four requests of the web API, as the service gives them.
#include "tools/rtapi_standin/rtapi_standin.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include <fmt/format.h>

#include "tools/loopback_http/loopback_http_server.h"
#include "tools/rtapi_standin/standin_http.h"

using Form = std::map<std::string, std::string>;

namespace skyloom::tools {

namespace {

constexpr std::chrono::seconds kSessionLifetime{120};
constexpr std::chrono::minutes kFailedLoginWindow{5};
constexpr std::size_t kMaxFailedLogins = 10;
constexpr long kMaxHistoryMinutes = 20160;
constexpr std::string_view kServerName = "standin";
// The service's spacing of buffered snapshots when a request names none.
constexpr long kDefaultBufferTimeSeconds = 10;

std::optional<double> lf_number(const Form& form, const std::string& key) {
    const auto it = form.find(key);
    if (it == form.end()) {
        return std::nullopt;
    }
    const std::string& text = it->second;
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// An integer field: no value when missing; `bad` set when present but no integer.
std::optional<long> lf_integer(const Form& form, const std::string& key, bool& bad) {
    const auto it = form.find(key);
    if (it == form.end()) {
        return std::nullopt;
    }
    const std::string& text = it->second;
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        bad = true;
        return std::nullopt;
    }
    return value;
}

struct Box {
    double top = 0.0;
    double bottom = 0.0;
    double left = 0.0;
    double right = 0.0;

    bool holds(double lat, double lon) const {
        if (lat < bottom || lat > top) {
            return false;
        }
        // A box across the antimeridian has its west edge east of its east edge.
        return left <= right ? (lon >= left && lon <= right) : (lon >= left || lon <= right);
    }
};

bool lf_holds(const Box& box, const nlohmann::json& values, std::size_t latIndex) {
    if (!values.is_array() || values.size() <= latIndex + 1 || !values[latIndex].is_number() ||
        !values[latIndex + 1].is_number()) {
        return false;
    }
    return box.holds(values[latIndex].get<double>(), values[latIndex + 1].get<double>());
}

// The array-valued members of `aircraft` that lie in the box; other members are kept.
nlohmann::json lf_filter(const nlohmann::json& aircraft, const Box& box, std::size_t latIndex) {
    nlohmann::json kept = nlohmann::json::object();
    for (auto it = aircraft.begin(); it != aircraft.end(); ++it) {
        if (!it->is_array() || lf_holds(box, *it, latIndex)) {
            kept[it.key()] = *it;
        }
    }
    return kept;
}

// A reply's aircraft in the box: those of "data", or of the top level in older replies.
nlohmann::json lf_inBox(nlohmann::json reply, const Box& box, std::size_t latIndex) {
    if (reply.contains("data")) {
        reply["data"] = lf_filter(reply["data"], box, latIndex);
        return reply;
    }
    return lf_filter(reply, box, latIndex);
}

// The reply of a live series at `moment`: its location traffic, or, for a buffered request,
// `buffers` snapshots `spacing` seconds apart, "buffer_0" the reply of the moment itself, as
// far back as the series goes.
nlohmann::json lf_seriesReply(const LiveSeries& series, double moment, long buffers,
                              long spacing, const Box& box) {
    const std::optional<nlohmann::json> now = series.replyAt(moment);
    if (!now) {
        throw std::runtime_error("web API stand-in: the live series starts after its playback");
    }
    if (buffers == 0) {
        return lf_inBox(*now, box, 1);
    }
    nlohmann::json reply = *now;
    nlohmann::json data = nlohmann::json::object();
    for (long i = 0; i < buffers; ++i) {
        const std::optional<nlohmann::json> then =
            series.replyAt(moment - static_cast<double>(i * spacing));
        if (!then) {
            break;
        }
        const nlohmann::json& aircraft = then->contains("data") ? (*then)["data"] : *then;
        data[fmt::format("buffer_{}", i)] = lf_filter(aircraft, box, 1);
        reply["endepoch"] = (*then)["dataepoch"];
    }
    reply["data"] = std::move(data);
    return reply;
}

bool lf_isLicenceText(std::string_view text, bool token) {
    if (text.empty()) {
        return false;
    }
    return std::all_of(text.begin(), text.end(), [token](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '-' || (token && c == '_');
    });
}

} // namespace

RtApiStandIn::Outcome RtApiStandIn::error(int status, std::string message) const {
    if (message.empty()) {
        message = std::string(gf_httpReason(status));
    }
    return Outcome{status, nlohmann::json{{"status", status},
                                          {"message", std::move(message)},
                                          {"server", kServerName}}};
}

RtApiStandIn::Outcome RtApiStandIn::answer(const HttpRequest& request, const Form& form) {
    if (request.path == "/v6/auth") {
        return answerAuth(form);
    }
    if (request.path == "/v6/deauth") {
        return answerDeauth(form);
    }
    if (request.path == "/v6/traffic") {
        return answerTraffic(form);
    }
    if (request.path == "/v6/nearestmetar") {
        return answerMetar(form);
    }
    return error(404, "Not found");
}

RtApiStandIn::Session* RtApiStandIn::findSessionLocked(const Form& form) {
    const auto guid = form.find("GUID");
    if (guid == form.end()) {
        return nullptr;
    }
    const auto it = sessions_.find(guid->second);
    if (it == sessions_.end()) {
        return nullptr;
    }
    const Clock::SteadyTime now = clock().steadyNow();
    if (now - it->second.lastUse > kSessionLifetime) {
        sessions_.erase(it);
        return nullptr;
    }
    it->second.lastUse = now;
    return &it->second;
}

RtApiStandIn::Outcome RtApiStandIn::answerAuth(const Form& form) {
    std::lock_guard lock(mutex_);
    const Clock::SteadyTime now = clock().steadyNow();
    while (!failedLogins_.empty() && now - failedLogins_.front() > kFailedLoginWindow) {
        failedLogins_.pop_front();
    }
    if (failedLogins_.size() >= kMaxFailedLogins) {
        return error(429, "Too many failed attempts");
    }
    const bool hasLicence = form.contains("license");
    const bool hasToken = form.contains("token");
    if (hasLicence == hasToken) {
        return error(400, "parameter fault: license or token");
    }
    if (!form.contains("software") || form.at("software").empty()) {
        return error(400, "parameter fault: software");
    }
    const std::string credential = hasLicence ? form.at("license") : form.at("token");
    if (!lf_isLicenceText(credential, hasToken)) {
        failedLogins_.push_back(now);
        return error(404, hasToken ? "Invalid token" : "Invalid license format");
    }
    const auto licence = licences_.find(credential);
    if (licence == licences_.end()) {
        failedLogins_.push_back(now);
        return error(404, hasToken ? "Invalid token" : "License not found");
    }
    if (licence->second == StandInLicence::expired) {
        return error(402, "No active subscription");
    }
    std::erase_if(sessions_,
                  [&](const auto& item) { return now - item.second.lastUse > kSessionLifetime; });
    const auto open = std::count_if(sessions_.begin(), sessions_.end(), [&](const auto& item) {
        return item.second.credential == credential;
    });
    const long allowed = licence->second == StandInLicence::professional ? 2 : 1;
    if (open >= allowed) {
        return error(405, "Too many sessions");
    }
    const std::string guid =
        fmt::format("{:08x}-5a1d-4e00-8000-{:012x}", static_cast<unsigned>(port()), ++guidCounter_);
    sessions_[guid] = Session{credential, licence->second, now, now, std::nullopt, std::nullopt};
    // The members of the recorded reply (kStandInAuthRecording), made here so that sessions
    // need no recording.
    const auto expiry = std::chrono::duration_cast<std::chrono::seconds>(
                            (clock().utcNow() + std::chrono::days(365)).time_since_epoch())
                            .count();
    return Outcome{200,
                   nlohmann::json{{"status", 200},
                                  {"rrl", rrl_.count()},
                                  {"wrrl", wrrl_.count()},
                                  {"type", licence->second == StandInLicence::professional ? 2 : 1},
                                  {"expiry", expiry},
                                  {"GUID", guid},
                                  {"server", kServerName}}};
}

RtApiStandIn::Outcome RtApiStandIn::answerDeauth(const Form& form) {
    std::lock_guard lock(mutex_);
    Session* session = findSessionLocked(form);
    if (session == nullptr) {
        return error(401, "GUID not found");
    }
    const auto length =
        std::chrono::duration_cast<std::chrono::seconds>(session->lastUse - session->started);
    sessions_.erase(form.at("GUID"));
    return Outcome{200, nlohmann::json{{"status", 200},
                                       {"message", "Deauth success"},
                                       {"Session length", length.count()},
                                       {"Active length", length.count()},
                                       {"Distance km", 0.0},
                                       {"server", kServerName}}};
}

RtApiStandIn::Outcome RtApiStandIn::answerTraffic(const Form& form) {
    std::string recordingName;
    std::size_t latIndex = 1;
    Box box;
    // 0: no buffered request.
    long buffers = 0;
    long spacing = 0;
    // Location or buffered traffic, and when the first such request came.
    bool location = false;
    Clock::SteadyTime playbackStart{};
    {
        std::lock_guard lock(mutex_);
        Session* session = findSessionLocked(form);
        if (session == nullptr) {
            return error(401, "GUID not found");
        }
        const auto type = form.find("querytype");
        if (type == form.end() ||
            (type->second != "locationtraffic" && type->second != "destinationtraffic" &&
             type->second != "parkedtraffic")) {
            return error(400, "parameter fault: querytype");
        }
        for (const auto& [key, field] :
             {std::pair{"top", &box.top}, std::pair{"bottom", &box.bottom},
              std::pair{"left", &box.left}, std::pair{"right", &box.right}}) {
            const auto value = lf_number(form, key);
            if (!value) {
                return error(400, fmt::format("parameter fault: {}", key));
            }
            *field = *value;
        }
        if (box.bottom > box.top) {
            return error(400, "parameter fault: bottom > top");
        }
        bool bad = false;
        const long toffset = lf_integer(form, "toffset", bad).value_or(0);
        const auto bufferCount = lf_integer(form, "buffercount", bad);
        const auto bufferTime = lf_integer(form, "buffertime", bad);
        if (bad || toffset < 0) {
            return error(400, "parameter fault: not a number");
        }
        if (toffset > kMaxHistoryMinutes) {
            return error(407, "History too far back");
        }
        if (toffset > 0 && session->licence != StandInLicence::professional) {
            return error(403, "No historic data for this license type");
        }
        if (bufferCount && (*bufferCount < 1 || *bufferCount > 10)) {
            return error(400, "parameter fault: buffercount > 10");
        }
        if (bufferTime && (*bufferTime < 2 || *bufferTime > 10 || *bufferTime % 2 != 0)) {
            return error(400, "parameter fault: buffertime");
        }
        const Clock::SteadyTime now = clock().steadyNow();
        if (type->second != "destinationtraffic") {
            if (enforceRateLimits_ && session->lastTraffic && now - *session->lastTraffic < rrl_) {
                return error(406, "Request rate violation");
            }
            session->lastTraffic = now;
        }
        if (type->second == "parkedtraffic") {
            recordingName = kStandInParkedRecording;
            latIndex = 0;
        } else {
            location = true;
            if (!playbackStart_) {
                playbackStart_ = now;
            }
            playbackStart = *playbackStart_;
            recordingName = bufferCount ? std::string(kStandInBufferedRecording) : liveRecording_;
            buffers = bufferCount.value_or(0);
            spacing = bufferTime.value_or(kDefaultBufferTimeSeconds);
        }
    }
    if (location) {
        if (const auto series = liveSeries(liveRecording_)) {
            // The moment of the reply is the moment it is made, as the service's: the first
            // request reads the series, which takes seconds on a busy machine, and a reply of
            // the moment the request came was that much old when it left (the reader plays a
            // reply's newest report 30 s after it receives it: every aircraft of the buffered
            // reply came 2 s late at a load of 50).
            const auto sincePlaybackStart =
                std::chrono::duration<double>(clock().steadyNow() - playbackStart);
            nlohmann::json reply = lf_seriesReply(*series, series->momentAt(sincePlaybackStart),
                                                  buffers, spacing, box);
            std::lock_guard lock(mutex_);
            reply["rrl"] = rrl_.count();
            return Outcome{200, std::move(reply)};
        }
    }
    nlohmann::json reply = recording(recordingName);
    if (buffers > 0) {
        nlohmann::json kept = nlohmann::json::object();
        for (long i = 0; i < buffers; ++i) {
            const std::string name = fmt::format("buffer_{}", i);
            if (reply["data"].contains(name)) {
                kept[name] = lf_filter(reply["data"][name], box, latIndex);
            }
        }
        reply["data"] = std::move(kept);
    } else if (reply.contains("data")) {
        reply["data"] = lf_filter(reply["data"], box, latIndex);
    } else {
        reply = lf_filter(reply, box, latIndex);
    }
    std::lock_guard lock(mutex_);
    reply["rrl"] = rrl_.count();
    return Outcome{200, std::move(reply)};
}

RtApiStandIn::Outcome RtApiStandIn::answerMetar(const Form& form) {
    long maxCount = 1;
    {
        std::lock_guard lock(mutex_);
        Session* session = findSessionLocked(form);
        if (session == nullptr) {
            return error(401, "GUID not found");
        }
        if (!lf_number(form, "lat") || !lf_number(form, "lon")) {
            return error(400, "parameter fault: lat/lon");
        }
        bool bad = false;
        maxCount = lf_integer(form, "maxcount", bad).value_or(1);
        if (bad || maxCount < 1 || maxCount > 20) {
            return error(400, "parameter fault: maxcount");
        }
        const Clock::SteadyTime now = clock().steadyNow();
        if (enforceRateLimits_ && session->lastWeather && now - *session->lastWeather < wrrl_) {
            return error(406, "Request rate violation");
        }
        session->lastWeather = now;
    }
    std::string metarRecording;
    {
        std::lock_guard lock(mutex_);
        metarRecording = metarRecording_;
    }
    nlohmann::json reply = recording(metarRecording);
    if (reply["data"].is_array() && reply["data"].size() > static_cast<std::size_t>(maxCount)) {
        reply["data"].erase(reply["data"].begin() + maxCount, reply["data"].end());
    }
    std::lock_guard lock(mutex_);
    reply["wrrl"] = wrrl_.count();
    return Outcome{200, std::move(reply)};
}

} // namespace skyloom::tools
