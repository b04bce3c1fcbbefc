#include "feed/rtapi_metar.h"

#include <fmt/format.h>

#include "feed/feed_fields.h"
#include "feed/qnh.h"
#include "feed/rtapi_reply.h"

namespace skyloom {

namespace {

bool lf_isDigits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

int lf_number(std::string_view digits) {
    int value = 0;
    for (const char c : digits) {
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<MetarStation> lf_station(const nlohmann::json& entry) {
    if (!entry.is_object()) {
        return std::nullopt;
    }
    MetarStation station;
    station.icao = gf_rtApiText(entry, "ICAO");
    station.metar = gf_rtApiText(entry, "METAR");
    // RealTraffic writes "null" for a text it does not know.
    if (gf_isUnknownFeedText(station.icao) || gf_isUnknownFeedText(station.metar)) {
        return std::nullopt;
    }
    if (const auto it = entry.find("Dist"); it != entry.end() && it->is_number()) {
        station.distanceNm = it->get<double>();
    }
    return station;
}

} // namespace

std::optional<double> gf_qnhFromMetar(std::string_view metar) {
    std::size_t pos = 0;
    while (pos < metar.size()) {
        while (pos < metar.size() && metar[pos] == ' ') {
            ++pos;
        }
        const std::size_t end = std::min(metar.find(' ', pos), metar.size());
        const std::string_view group = metar.substr(pos, end - pos);
        pos = end;
        if (group == "RMK") {
            break;
        }
        if (group.size() != 5 || !lf_isDigits(group.substr(1))) {
            continue;
        }
        double hpa = 0.0;
        if (group[0] == 'Q') {
            hpa = lf_number(group.substr(1));
        } else if (group[0] == 'A') {
            hpa = lf_number(group.substr(1)) / 100.0 * kHpaPerInHg;
        } else {
            continue;
        }
        if (hpa < kMinQnhHpa || hpa > kMaxQnhHpa) {
            return std::nullopt;
        }
        return hpa;
    }
    return std::nullopt;
}

NearestMetar gf_readNearestMetar(const nlohmann::json& reply) {
    NearestMetar nearest;
    if (!reply.is_object()) {
        return nearest;
    }
    const auto data = reply.find("data");
    if (data == reply.end()) {
        return nearest;
    }
    auto take = [&nearest](const nlohmann::json& entry) {
        if (auto station = lf_station(entry)) {
            nearest.stations.push_back(std::move(*station));
        }
    };
    if (data->is_array()) {
        for (const auto& entry : *data) {
            take(entry);
        }
    } else {
        take(*data);
    }
    for (const MetarStation& station : nearest.stations) {
        if (const auto qnh = gf_qnhFromMetar(station.metar)) {
            nearest.qnhHpa = qnh;
            nearest.qnhStation = station.icao;
            break;
        }
    }
    return nearest;
}

RtApiForm gf_nearestMetarForm(std::string_view guid, int timeOffsetMinutes, const Lalo& position,
                              int maxCount) {
    return {{"GUID", std::string(guid)},
            {"toffset", fmt::format("{}", timeOffsetMinutes)},
            {"lat", fmt::format("{:.2f}", position.lat)},
            {"lon", fmt::format("{:.2f}", position.lon)},
            {"maxcount", fmt::format("{}", maxCount)}};
}

} // namespace skyloom
