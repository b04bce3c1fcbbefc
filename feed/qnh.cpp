#include "feed/qnh.h"

#include <cmath>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "feed/feed_fields.h"
#include "feed/rtapi_metar.h"
#include "runtime/window_sink.h"

namespace skyloom {
namespace {

std::atomic<std::int32_t> g_qnhHpa{kStandardQnhHpa};

constexpr double kInHgHundredthsAbove = 2000.0;

// A value under `key` that is a number or a text holding one.
std::optional<double> lf_numberOf(const nlohmann::json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end()) {
        return std::nullopt;
    }
    if (it->is_number()) {
        return it->get<double>();
    }
    if (it->is_string()) {
        return gf_parseFeedNumber(it->get_ref<const std::string&>());
    }
    return std::nullopt;
}

std::string lf_textOf(const nlohmann::json& object, const char* key) {
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

} // namespace

std::int32_t gf_qnh() noexcept {
    return g_qnhHpa.load();
}

void gf_setQnh(std::int32_t hpa, WindowSink& window) {
    const std::int32_t previous = g_qnhHpa.exchange(hpa);
    if (previous != hpa) {
        window.enqueueUpdate(GuiUpdate::Qnh{hpa});
    }
}

void gf_resetQnh() noexcept {
    g_qnhHpa.store(kStandardQnhHpa);
}

std::int32_t gf_wholeHpa(double hpa) noexcept {
    return static_cast<std::int32_t>(std::lround(hpa));
}

std::optional<double> gf_qnhHpaFromValue(double value) noexcept {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double hpa = value > kInHgHundredthsAbove ? value / 100.0 * kHpaPerInHg : value;
    if (hpa < kMinQnhHpa || hpa > kMaxQnhHpa) {
        return std::nullopt;
    }
    return hpa;
}

AppWeatherReport gf_parseAppWeather(std::string_view datagram) {
    nlohmann::json root = nlohmann::json::parse(datagram, nullptr, false);
    if (root.is_discarded() || !root.is_object()) {
        throw FeedRecordError("weather datagram is not a JSON object");
    }
    if (const auto data = root.find("data"); data != root.end() && data->is_object()) {
        root = *data;
    }
    AppWeatherReport report;
    report.icao = lf_textOf(root, "ICAO");
    if (const auto value = lf_numberOf(root, "QNH")) {
        report.qnhHpa = gf_qnhHpaFromValue(*value);
    }
    if (!report.qnhHpa) {
        report.qnhHpa = gf_qnhFromMetar(lf_textOf(root, "METAR"));
    }
    if (!report.qnhHpa) {
        if (const auto weather = root.find("locWX");
            weather != root.end() && weather->is_object()) {
            if (const auto slp = lf_numberOf(*weather, "SLP")) {
                report.qnhHpa = gf_qnhHpaFromValue(*slp);
            }
        }
    }
    report.placeholder =
        report.icao == "UNKN" && report.qnhHpa && gf_wholeHpa(*report.qnhHpa) == kStandardQnhHpa;
    return report;
}

} // namespace skyloom
