#include "tools/rtapp_standin/capture.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <unordered_set>

#include <fmt/format.h>

namespace skyloom::tools {
namespace {

constexpr std::size_t kAitfcTimestampField = 14;

std::vector<std::string_view> lf_fields(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos
                                                                            : comma - start));
        if (comma == std::string_view::npos) {
            return fields;
        }
        start = comma + 1;
    }
}

std::string_view lf_trimmed(std::string_view text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    return text;
}

std::optional<double> lf_number(std::string_view text) {
    try {
        std::size_t used = 0;
        const std::string copy(text);
        const double value = std::stod(copy, &used);
        return used == copy.size() ? std::optional<double>(value) : std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

struct CaptureLine {
    std::optional<double> receivedAt;
    std::string_view datagram;
};

// Splits off the receiver time of the two timed layouts.
CaptureLine lf_captureLine(std::string_view line) {
    if (line.starts_with("(") && line.ends_with("')")) {
        const std::size_t comma = line.find(',');
        const std::size_t quote = line.find('\'', line.find("':'") + 3);
        if (comma != std::string_view::npos && quote != std::string_view::npos) {
            return {lf_number(line.substr(1, comma - 1)),
                    line.substr(quote + 1, line.size() - quote - 3)};
        }
    }
    if (const std::size_t colon = line.find(" : "); colon != std::string_view::npos) {
        if (const auto time = lf_number(line.substr(0, colon))) {
            return {time, line.substr(colon + 3)};
        }
    }
    return {std::nullopt, line};
}

// RTTFC fields the ground inference reads and writes.
constexpr std::size_t kAltitudeField = 4;
constexpr std::size_t kAirborneField = 6;
constexpr std::size_t kGroundSpeedField = 8;

bool lf_allAirborne(const Capture& capture) {
    std::size_t records = 0;
    for (const CaptureBurst& burst : capture.bursts) {
        for (const std::string& datagram : burst.datagrams) {
            const std::vector<std::string_view> fields = lf_fields(datagram);
            if (fields.size() <= kGroundSpeedField) {
                continue;
            }
            if (fields[kAirborneField] != "1") {
                return false;
            }
            ++records;
        }
    }
    return records > 0;
}

// Infers the on-ground flags of a capture that marks everything airborne.
void lf_inferGround(Capture& capture, double airportElevationFt) {
    capture.groundInferred = true;
    for (CaptureBurst& burst : capture.bursts) {
        for (std::string& datagram : burst.datagrams) {
            const std::vector<std::string_view> fields = lf_fields(datagram);
            if (fields.size() <= kGroundSpeedField) {
                continue;
            }
            const auto altitude = lf_number(fields[kAltitudeField]);
            const double speed = lf_number(fields[kGroundSpeedField]).value_or(0.0);
            if (altitude && gf_inferOnGround(*altitude, speed, airportElevationFt)) {
                // The flag is "1" (the capture marks everything airborne).
                datagram[static_cast<std::size_t>(fields[kAirborneField].data() -
                                                  datagram.data())] = '0';
                ++capture.groundRecords;
            }
        }
    }
}

} // namespace

bool gf_inferOnGround(double altitudeFt, double groundSpeedKt, double airportElevationFt) noexcept {
    if (altitudeFt <= 0.0) {
        return true;
    }
    return altitudeFt <= airportElevationFt + kGroundHeightFt && groundSpeedKt <= kMaxGroundSpeedKt;
}

std::string gf_rttfcFromAitfc(std::string_view datagram, double receivedAt) {
    std::vector<std::string_view> fields = lf_fields(datagram);
    if (fields.empty() || fields[0] != "AITFC" || fields.size() < kAitfcTimestampField) {
        return std::string(datagram);
    }
    std::string out = "RTTFC";
    for (std::size_t i = 1; i < kRttfcFieldCount; ++i) {
        out += ',';
        if (i < kAitfcTimestampField) {
            out += fields[i];
        } else if (i == kAitfcTimestampField) {
            out += fields.size() > kAitfcTimestampField && !fields[kAitfcTimestampField].empty()
                       ? std::string(fields[kAitfcTimestampField])
                       : fmt::format("{:.1f}", receivedAt);
        }
    }
    return out;
}

std::string gf_bufferedFromRttfc(std::string_view datagram, std::size_t index) {
    if (!datagram.starts_with("RTTFC,")) {
        return std::string(datagram);
    }
    return fmt::format("RTBUF={}{}", index, datagram.substr(5));
}

std::optional<BufferRequest> gf_parseBufferRequest(std::string_view line) {
    constexpr std::string_view kPrefix = "Qs999=sendbuffer=";
    if (!line.starts_with(kPrefix)) {
        return std::nullopt;
    }
    line.remove_prefix(kPrefix.size());
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<double> count = lf_number(line.substr(0, comma));
    const std::string_view rest = line.substr(comma + 1);
    const std::optional<double> spacing = lf_number(rest.substr(0, rest.find(',')));
    if (!count || !spacing || *count < 1.0 || *count != std::floor(*count) || !(*spacing > 0.0)) {
        return std::nullopt;
    }
    return BufferRequest{static_cast<std::size_t>(*count), *spacing};
}

std::vector<CaptureBurst> gf_bufferSnapshots(const std::vector<CaptureBurst>& history, double now,
                                             BufferRequest request) {
    std::vector<CaptureBurst> snapshots(request.count);
    const double oldest = now - static_cast<double>(request.count) * request.spacingSeconds;
    for (std::size_t n = 0; n < snapshots.size(); ++n) {
        snapshots[n].time = oldest + static_cast<double>(n) * request.spacingSeconds;
    }
    std::vector<const CaptureBurst*> heard;
    for (const CaptureBurst& burst : history) {
        if (burst.time <= now && burst.time >= oldest - request.spacingSeconds / 2.0) {
            heard.push_back(&burst);
        }
    }
    if (heard.empty()) {
        return snapshots;
    }
    std::stable_sort(heard.begin(), heard.end(), [](const CaptureBurst* a, const CaptureBurst* b) {
        return a->time < b->time;
    });
    const double place = std::floor((heard.back()->time - oldest) / request.spacingSeconds + 0.5);
    std::vector<std::string>& datagrams =
        snapshots[static_cast<std::size_t>(
                      std::clamp(place, 0.0, static_cast<double>(request.count - 1)))]
            .datagrams;
    for (const CaptureBurst* burst : heard) {
        datagrams.insert(datagrams.end(), burst->datagrams.begin(), burst->datagrams.end());
    }
    return snapshots;
}

Capture gf_readCapture(const std::filesystem::path& file,
                       std::optional<double> airportElevationFt) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error(fmt::format("cannot read the capture '{}'", file.string()));
    }
    Capture capture;
    std::string previous;
    std::optional<double> lastTime;
    std::unordered_set<std::string> burstIds;
    std::string raw;
    while (std::getline(in, raw)) {
        const std::string_view line = lf_trimmed(raw);
        if (line.empty()) {
            continue;
        }
        if (line == previous) {
            ++capture.duplicateLines;
            continue;
        }
        previous = std::string(line);
        const CaptureLine parsed = lf_captureLine(line);
        if (parsed.datagram.starts_with("{")) {
            capture.weather.emplace_back(parsed.datagram);
            continue;
        }
        const std::vector<std::string_view> fields = lf_fields(parsed.datagram);
        if (fields.size() < 2 || (fields[0] != "AITFC" && fields[0] != "RTTFC")) {
            ++capture.skippedLines;
            continue;
        }
        double time = 0.0;
        bool newBurst = capture.bursts.empty();
        if (parsed.receivedAt) {
            time = *parsed.receivedAt;
            newBurst = newBurst || (lastTime && time - *lastTime > kCaptureBurstGapSeconds);
            lastTime = time;
        } else {
            time = fields.size() > kAitfcTimestampField
                       ? lf_number(fields[kAitfcTimestampField]).value_or(0.0)
                       : 0.0;
            newBurst = newBurst || burstIds.contains(std::string(fields[1]));
        }
        if (newBurst) {
            capture.bursts.push_back(CaptureBurst{time, {}});
            burstIds.clear();
        }
        CaptureBurst& burst = capture.bursts.back();
        if (!parsed.receivedAt) {
            burst.time = std::max(burst.time, time);
        }
        burstIds.emplace(fields[1]);
        burst.datagrams.push_back(gf_rttfcFromAitfc(parsed.datagram, time));
    }
    capture.allAirborne = lf_allAirborne(capture);
    if (capture.allAirborne && airportElevationFt) {
        lf_inferGround(capture, *airportElevationFt);
    }
    return capture;
}

} // namespace skyloom::tools
