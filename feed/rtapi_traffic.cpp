#include "feed/rtapi_traffic.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

#include <fmt/format.h>

#include "feed/feed_fields.h"
#include "feed/stray_timestamps.h"

namespace skyloom {

namespace {

// Standard atmosphere: pressure altitude (ft) = 145366.45 x (1 - (p / 1013.25)^0.190284).
constexpr double kStandardPressureHpa = 1013.25;
constexpr double kPressureAltitudeScaleFt = 145366.45;
constexpr double kPressureAltitudeExponent = 0.190284;

// Indices of the web API's aircraft array.
enum ApiIndex : std::size_t {
    kLat = 1,
    kLon = 2,
    kTrack = 3,
    kBaroAltitude = 4,
    kGroundSpeed = 5,
    kModel = 8,
    kRegistration = 9,
    kTimestamp = 10,
    kOrigin = 11,
    kDestination = 12,
    kCallsign = 13,
    kOnGround = 14,
    kBaroRate = 15,
    kGeometricAltitude = 18,
    kTrueAirspeed = 20,
    kRoll = 23,
    kTrueHeading = 25,
    kGeometricRate = 26,
    kOperator = 48,
};

// Indices of the parked array.
enum ParkedIndex : std::size_t {
    kParkedLat = 0,
    kParkedLon = 1,
    kParkedGate = 2,
    kParkedModel = 3,
    kParkedRegistration = 4,
    kParkedTimestamp = 5,
    kParkedCallsign = 6,
};

// A number that may be unknown (JSON null, "null", an empty text); a number written as text
// is read as one. Anything else is a faulty record.
std::optional<double> lf_number(const nlohmann::json& values, std::size_t index,
                                std::string_view name) {
    if (index >= values.size()) {
        return std::nullopt;
    }
    const nlohmann::json& value = values[index];
    if (value.is_null()) {
        return std::nullopt;
    }
    if (value.is_number()) {
        return value.get<double>();
    }
    if (value.is_string()) {
        return gf_optionalNumber(name, value.get_ref<const std::string&>());
    }
    throw FeedRecordError(fmt::format("{} is not a number ({})", name, value.type_name()));
}

double lf_requiredNumber(const nlohmann::json& values, std::size_t index, std::string_view name) {
    const auto value = lf_number(values, index, name);
    if (!value) {
        throw FeedRecordError(fmt::format("{} is missing", name));
    }
    return *value;
}

// A text that may be unknown (JSON null gives the empty text).
std::string_view lf_text(const nlohmann::json& values, std::size_t index, std::string_view name) {
    if (index >= values.size() || values[index].is_null()) {
        return {};
    }
    if (!values[index].is_string()) {
        throw FeedRecordError(
            fmt::format("{} is not a text ({})", name, values[index].type_name()));
    }
    return values[index].get_ref<const std::string&>();
}

std::optional<std::size_t> lf_bufferIndex(std::string_view name) {
    constexpr std::string_view prefix = "buffer_";
    if (!name.starts_with(prefix) || name.size() == prefix.size() || name.size() > 12) {
        return std::nullopt;
    }
    std::size_t index = 0;
    const char* begin = name.data() + prefix.size();
    const auto [end, error] = std::from_chars(begin, name.data() + name.size(), index);
    if (error != std::errc{} || end != name.data() + name.size()) {
        return std::nullopt;
    }
    return index;
}

// Converts every array-valued member of `aircraft` into `into`.
void lf_readAircraft(const nlohmann::json& aircraft, const RtApiAltitudeBasis& basis,
                     std::vector<TrafficEntry>& into, RtApiTrafficReply& reply) {
    for (auto it = aircraft.begin(); it != aircraft.end(); ++it) {
        if (!it->is_array()) {
            continue;
        }
        ++reply.aircraftCount;
        try {
            const RtTrafficRecord record = gf_rtApiTrafficRecord(it.key(), *it, basis);
            if (auto entry = gf_convertRtTrafficRecord(record)) {
                into.push_back(std::move(*entry));
            } else {
                ++reply.staticCount;
            }
        } catch (const std::exception& e) {
            reply.rejected.push_back(RtApiRejected{it.key(), e.what()});
        }
    }
}

} // namespace

RtApiForm gf_trafficForm(const std::string& guid, RtApiQueryType type, const RtApiBox& box,
                         int timeOffsetMinutes, std::optional<RtApiBufferRequest> buffers) {
    RtApiForm form{
        {"GUID", guid},
        {"querytype", type == RtApiQueryType::parked ? "parkedtraffic" : "locationtraffic"},
        {"top", fmt::format("{:.2f}", box.top)},
        {"bottom", fmt::format("{:.2f}", box.bottom)},
        {"left", fmt::format("{:.2f}", box.left)},
        {"right", fmt::format("{:.2f}", box.right)},
        {"toffset", fmt::format("{}", timeOffsetMinutes)},
    };
    if (buffers && type == RtApiQueryType::location) {
        form.emplace_back("buffercount", fmt::format("{}", buffers->count));
        form.emplace_back("buffertime", fmt::format("{}", buffers->spacingSeconds));
    }
    return form;
}

double gf_qnhCorrectedAltitudeFt(double pressureAltitudeFt, double qnhHpa) noexcept {
    if (!(qnhHpa > 0.0) || !std::isfinite(qnhHpa)) {
        return pressureAltitudeFt;
    }
    // The altimeter set to the QNH reads the pressure altitude plus the height of the QNH's
    // pressure level above the standard one.
    const double offset = kPressureAltitudeScaleFt * (1.0 - std::pow(kStandardPressureHpa / qnhHpa,
                                                                     kPressureAltitudeExponent));
    return pressureAltitudeFt + offset;
}

RtTrafficRecord gf_rtApiTrafficRecord(const std::string& key, const nlohmann::json& values,
                                      const RtApiAltitudeBasis& basis) {
    if (!values.is_array()) {
        throw FeedRecordError("the aircraft is no array");
    }
    if (values.size() < kRtApiMinAircraftValues) {
        throw FeedRecordError(fmt::format("the aircraft has {} values, at least {} expected",
                                          values.size(), kRtApiMinAircraftValues));
    }
    RtTrafficRecord record;
    record.hexid = gf_hexadecimalHexid(key);
    record.latitude = lf_requiredNumber(values, kLat, "latitude");
    record.longitude = lf_requiredNumber(values, kLon, "longitude");
    const bool onGround =
        gf_checkFlag("on-ground flag", lf_requiredNumber(values, kOnGround, "on-ground flag")) != 0;
    record.airborne = onGround ? 0.0 : 1.0;

    const auto baro = lf_number(values, kBaroAltitude, "altitude");
    const auto geometric = lf_number(values, kGeometricAltitude, "geometric altitude");
    const auto corrected =
        baro ? std::optional<double>(gf_qnhCorrectedAltitudeFt(*baro, basis.qnhHpa)) : std::nullopt;
    // Index 18 is the height above the WGS84 ellipsoid: tens of metres off the barometric
    // altitude wherever the geoid is, so it is the last resort on the ground as in the air.
    std::optional<double> altitude;
    if (onGround && basis.referenceFt) {
        altitude = basis.referenceFt;
    } else {
        altitude = corrected ? corrected : geometric;
    }
    if (!altitude) {
        throw FeedRecordError("altitude is missing");
    }
    record.altitudeFt = *altitude;

    record.verticalSpeedFpm = lf_number(values, kBaroRate, "vertical speed");
    if (!record.verticalSpeedFpm) {
        record.verticalSpeedFpm = lf_number(values, kGeometricRate, "geometric vertical speed");
    }
    record.trackDeg = lf_number(values, kTrack, "track");
    record.groundSpeedKt = lf_number(values, kGroundSpeed, "ground speed");
    record.trueAirspeedKt = lf_number(values, kTrueAirspeed, "true airspeed");
    record.rollDeg = lf_number(values, kRoll, "roll");
    record.trueHeadingDeg = lf_number(values, kTrueHeading, "true heading");
    record.callsign = lf_text(values, kCallsign, "callsign");
    record.model = lf_text(values, kModel, "model");
    record.registration = lf_text(values, kRegistration, "registration");
    record.origin = lf_text(values, kOrigin, "origin");
    record.destination = lf_text(values, kDestination, "destination");
    record.operatorCode = lf_text(values, kOperator, "operator");
    if (gf_isUnknownFeedText(record.operatorCode)) {
        record.operatorCode = {};
    }
    record.timestamp = lf_requiredNumber(values, kTimestamp, "time stamp");
    return record;
}

RtApiTrafficReply gf_readRtApiTraffic(const nlohmann::json& reply,
                                      const RtApiAltitudeBasis& basis) {
    RtApiTrafficReply result;
    if (!reply.is_object()) {
        return result;
    }
    const auto data = reply.find("data");
    if (data == reply.end()) {
        // The older layout: the aircraft beside the reply's own members.
        lf_readAircraft(reply, basis, result.live, result);
        return result;
    }
    if (!data->is_object()) {
        return result;
    }
    std::map<std::size_t, const nlohmann::json*> buffers;
    for (auto it = data->begin(); it != data->end(); ++it) {
        if (const auto index = lf_bufferIndex(it.key()); index && it->is_object()) {
            buffers[*index] = &*it;
        }
    }
    if (buffers.empty()) {
        lf_readAircraft(*data, basis, result.live, result);
        return result;
    }
    result.buffered = true;
    // buffer_0 is the youngest; the batches go out oldest first.
    for (auto it = buffers.rbegin(); it != buffers.rend(); ++it) {
        std::vector<TrafficEntry> batch;
        lf_readAircraft(*it->second, basis, batch, result);
        result.buffers.push_back(std::move(batch));
        result.bufferIndices.push_back(it->first);
    }
    return result;
}

void gf_skipEntriesAheadOfClock(RtApiTrafficReply& reply, Clock::UtcTime receivedAt) {
    const auto skip = [&](std::vector<TrafficEntry>& entries) {
        std::erase_if(entries, [&](const TrafficEntry& entry) {
            try {
                gf_checkTimestampNotAhead(entry.timestamp, receivedAt);
                return false;
            } catch (const FeedRecordError& e) {
                reply.rejected.push_back(
                    RtApiRejected{fmt::format("{:06x}", entry.hexid), e.what()});
                return true;
            }
        });
    };
    skip(reply.live);
    for (std::vector<TrafficEntry>& batch : reply.buffers) {
        skip(batch);
    }
}

namespace {

void lf_reject(RtApiTrafficReply& reply, std::vector<StrayEntry> strays) {
    for (StrayEntry& stray : strays) {
        reply.rejected.push_back(
            RtApiRejected{fmt::format("{:06x}", stray.entry.hexid), std::move(stray.reason)});
    }
}

} // namespace

void gf_skipStrayEntries(RtApiTrafficReply& reply) {
    lf_reject(reply, gf_takeStrayEntries(reply.live));
    for (std::vector<TrafficEntry>& batch : reply.buffers) {
        lf_reject(reply, gf_takeStrayEntries(batch));
    }
}

void gf_skipEntriesOffFeedClock(RtApiTrafficReply& reply, FeedClock& clock,
                                Clock::UtcTime receivedAt, Clock::SteadyTime now) {
    for (std::vector<TrafficEntry>& batch : reply.buffers) {
        lf_reject(reply, clock.takeEntriesOffClock(batch, receivedAt, now));
    }
    lf_reject(reply, clock.takeEntriesOffClock(reply.live, receivedAt, now));
}

RtApiParkedReply gf_readRtApiParkedTraffic(const nlohmann::json& reply) {
    RtApiParkedReply result;
    if (!reply.is_object()) {
        return result;
    }
    const auto data = reply.find("data");
    const nlohmann::json& aircraft = data == reply.end() ? reply : *data;
    if (!aircraft.is_object()) {
        return result;
    }
    for (auto it = aircraft.begin(); it != aircraft.end(); ++it) {
        if (!it->is_array()) {
            continue;
        }
        ++result.aircraftCount;
        try {
            const nlohmann::json& values = *it;
            if (values.size() < kRtApiMinParkedValues) {
                throw FeedRecordError(fmt::format("the parked aircraft has {} values, at least {} "
                                                  "expected",
                                                  values.size(), kRtApiMinParkedValues));
            }
            RtParkedRecord record;
            record.hexid = gf_hexadecimalHexid(it.key());
            record.latitude = lf_requiredNumber(values, kParkedLat, "latitude");
            record.longitude = lf_requiredNumber(values, kParkedLon, "longitude");
            record.gate = lf_text(values, kParkedGate, "stand");
            record.model = lf_text(values, kParkedModel, "model");
            record.registration = lf_text(values, kParkedRegistration, "registration");
            record.timestamp = lf_requiredNumber(values, kParkedTimestamp, "time stamp");
            record.callsign = lf_text(values, kParkedCallsign, "callsign");
            result.entries.push_back(gf_convertRtParkedRecord(record));
        } catch (const std::exception& e) {
            result.rejected.push_back(RtApiRejected{it.key(), e.what()});
        }
    }
    return result;
}

} // namespace skyloom
