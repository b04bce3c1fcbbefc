#include "feed/rt_app_lines.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <fmt/format.h>

#include "foundation/geodesy.h"

namespace skyloom {
namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
constexpr double kAngleScale = 100000.0;
constexpr double kThousand = 1000.0;
constexpr double kMinutesPerDegree = 60.0;

std::int64_t lf_scaled(double value, double scale) noexcept {
    return std::isfinite(value) ? std::llround(value * scale) : 0;
}

std::string lf_boxText(const GeoBox& box) {
    return fmt::format("{:.4f},{:.4f},{:.4f},{:.4f}", box.south, box.west, box.north, box.east);
}

} // namespace

GeoBox gf_boxAround(const Lalo& centre, double radiusNm) noexcept {
    const double dLat = radiusNm / kMinutesPerDegree;
    const double cosLat = std::max(std::cos(centre.lat * kRadiansPerDegree), 0.01);
    const double dLon = std::min(radiusNm / (kMinutesPerDegree * cosLat), 180.0);
    return GeoBox{std::max(centre.lat - dLat, -90.0), gf_wrapLongitude(centre.lon - dLon),
                  std::min(centre.lat + dLat, 90.0), gf_wrapLongitude(centre.lon + dLon)};
}

std::string gf_positionLine(const AppPositionReport& report) {
    return fmt::format(
        "Qs121={};{};{:.15f};{};{};{:.15f};{:.15f}\n", lf_scaled(report.pitchRad, kAngleScale),
        lf_scaled(-report.bankRad, kAngleScale), report.headingRad,
        lf_scaled(report.altitudeFt, kThousand), lf_scaled(report.groundSpeedKt, kThousand),
        report.position.lat * kRadiansPerDegree, report.position.lon * kRadiansPerDegree);
}

std::string gf_simTimeLine(std::int64_t epochMs) {
    return fmt::format("Qs123={}\n", epochMs);
}

std::string gf_versionRequestLine() {
    return "Qs999=version\n";
}

std::string gf_parkedRequestLine(const GeoBox& box) {
    return fmt::format("Qs999=sendparked,{}\n", lf_boxText(box));
}

std::string gf_bufferRequestLine(std::uint32_t count, std::uint32_t spacingSeconds,
                                 const GeoBox& box) {
    return fmt::format("Qs999=sendbuffer={},{},{}\n", count, spacingSeconds, lf_boxText(box));
}

std::optional<AppVersionReply> gf_appVersionReply(const nlohmann::json& reply) {
    if (!reply.is_object()) {
        return std::nullopt;
    }
    const auto version = reply.find("version");
    const auto level = reply.find("level");
    if (version == reply.end() || level == reply.end() || !level->is_number_integer()) {
        return std::nullopt;
    }
    AppVersionReply result;
    result.version = version->is_string() ? version->get<std::string>() : version->dump();
    result.level = level->get<std::int32_t>();
    return result;
}

std::vector<nlohmann::json> AppReplyReader::add(std::string_view bytes) {
    std::vector<nlohmann::json> objects;
    for (const char c : bytes) {
        if (depth_ == 0) {
            if (c == '{') {
                current_.assign(1, c);
                depth_ = 1;
                inString_ = false;
                escaped_ = false;
                inStray_ = false;
            } else if (c == '\n' || c == '\r' || c == ' ' || c == '\t') {
                inStray_ = false;
            } else if (!inStray_) {
                ++malformed_;
                inStray_ = true;
            }
            continue;
        }
        current_ += c;
        if (inString_) {
            if (escaped_) {
                escaped_ = false;
            } else if (c == '\\') {
                escaped_ = true;
            } else if (c == '"') {
                inString_ = false;
            }
        } else if (c == '"') {
            inString_ = true;
        } else if (c == '{') {
            ++depth_;
        } else if (c == '}' && --depth_ == 0) {
            nlohmann::json object = nlohmann::json::parse(current_, nullptr, false);
            if (object.is_discarded()) {
                ++malformed_;
            } else {
                objects.push_back(std::move(object));
            }
            current_.clear();
        }
        if (current_.size() > kMaxReplyBytes) {
            // The rest of the object is noise of the same text.
            ++malformed_;
            current_.clear();
            depth_ = 0;
            inStray_ = true;
        }
    }
    return objects;
}

} // namespace skyloom
