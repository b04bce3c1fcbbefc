#include "feed/rt_app_datagram.h"

#include <algorithm>

#include <fmt/format.h>

#include "feed/feed_fields.h"

namespace skyloom {
namespace {

constexpr std::string_view kLiveRecordType = "RTTFC";
constexpr std::string_view kBufferedRecordPrefix = "RTBUF=";
constexpr std::string_view kParkedRecordType = "RTPARK";

// RTTFC field positions.
enum RttfcField : std::size_t {
    hexidField = 1,
    latitudeField = 2,
    longitudeField = 3,
    altitudeField = 4,
    verticalRateField = 5,
    airborneField = 6,
    trackField = 7,
    groundSpeedField = 8,
    callsignField = 9,
    modelField = 10,
    registrationField = 11,
    originField = 12,
    destinationField = 13,
    timestampField = 14,
    trueAirspeedField = 20,
    rollField = 23,
    trueHeadingField = 25,
    operatorField = 43,
};

bool lf_isMarkerChar(char c) noexcept {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

std::uint32_t lf_bufferIndex(std::string_view type) {
    const std::string_view digits = type.substr(kBufferedRecordPrefix.size());
    const auto index = gf_parseFeedNumber(digits);
    if (digits.empty() || digits.size() > 6 || !index || *index < 0.0 ||
        digits.find_first_not_of("0123456789") != std::string_view::npos) {
        throw FeedRecordError(fmt::format("record type '{}' has no buffer index", type));
    }
    return static_cast<std::uint32_t>(*index);
}

} // namespace

AppDatagram gf_splitAppDatagram(std::string_view datagram) {
    while (!datagram.empty() &&
           (datagram.back() == '\n' || datagram.back() == '\r' || datagram.back() == '\0')) {
        datagram.remove_suffix(1);
    }
    if (datagram.empty()) {
        throw FeedRecordError("empty datagram");
    }
    if (datagram.size() > kMaxAppDatagramBytes) {
        throw FeedRecordError(fmt::format("datagram of {} bytes is too long", datagram.size()));
    }
    for (std::size_t i = 0; i < datagram.size(); ++i) {
        const auto byte = static_cast<unsigned char>(datagram[i]);
        if (byte < 0x20 || byte >= 0x7F) {
            throw FeedRecordError(
                fmt::format("datagram holds the byte 0x{:02x} at offset {}", byte, i));
        }
    }

    AppDatagram result;
    if (datagram.find(',') == std::string_view::npos) {
        if (datagram.size() > kMaxMarkerLength) {
            throw FeedRecordError(
                fmt::format("marker of {} characters is too long", datagram.size()));
        }
        for (const char c : datagram) {
            if (!lf_isMarkerChar(c)) {
                throw FeedRecordError(fmt::format("'{}' is no marker word", datagram));
            }
        }
        result.marker = datagram;
        return result;
    }

    std::size_t start = 0;
    while (true) {
        const std::size_t comma = datagram.find(',', start);
        const std::size_t end = comma == std::string_view::npos ? datagram.size() : comma;
        if (result.fieldCount == kMaxRttfcFields) {
            // More fields than any record has: counted only for the message.
            const std::string_view rest = datagram.substr(start);
            const std::size_t count =
                result.fieldCount + 1 +
                static_cast<std::size_t>(std::count(rest.begin(), rest.end(), ','));
            throw FeedRecordError(fmt::format("record '{}' has {} fields, more than {}",
                                              result.fields[0], count, kMaxRttfcFields));
        }
        result.fields[result.fieldCount++] = datagram.substr(start, end - start);
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
    }

    const std::string_view type = result.fields[0];
    std::size_t minFields = kMinRttfcFields;
    std::size_t maxFields = kMaxRttfcFields;
    if (type == kLiveRecordType) {
        result.kind = AppDatagramKind::traffic;
    } else if (type.starts_with(kBufferedRecordPrefix)) {
        result.kind = AppDatagramKind::buffered;
        result.bufferIndex = lf_bufferIndex(type);
    } else if (type == kParkedRecordType) {
        result.kind = AppDatagramKind::parked;
        minFields = kRtparkFields;
        maxFields = kRtparkFields;
    } else {
        throw FeedRecordError(
            fmt::format("record type '{}' is unknown", type.substr(0, kMaxMarkerLength)));
    }
    if (result.fieldCount < minFields || result.fieldCount > maxFields) {
        throw FeedRecordError(fmt::format("record '{}' has {} fields, expected {} to {}", type,
                                          result.fieldCount, minFields, maxFields));
    }
    return result;
}

RtTrafficRecord gf_rttfcRecord(const AppDatagram& datagram) {
    const auto& f = datagram.fields;
    RtTrafficRecord record;
    record.hexid = gf_decimalHexid(f[hexidField]);
    record.latitude = gf_requiredNumber("latitude", f[latitudeField]);
    record.longitude = gf_requiredNumber("longitude", f[longitudeField]);
    record.altitudeFt = gf_requiredNumber("altitude", f[altitudeField]);
    record.verticalSpeedFpm = gf_optionalNumber("vertical speed", f[verticalRateField]);
    record.airborne = gf_requiredNumber("airborne", f[airborneField]);
    record.trackDeg = gf_optionalNumber("track", f[trackField]);
    record.groundSpeedKt = gf_optionalNumber("ground speed", f[groundSpeedField]);
    record.callsign = f[callsignField];
    record.model = f[modelField];
    record.registration = f[registrationField];
    record.origin = f[originField];
    record.destination = f[destinationField];
    record.timestamp = gf_requiredNumber("timestamp", f[timestampField]);
    record.trueAirspeedKt = gf_optionalNumber("true airspeed", f[trueAirspeedField]);
    record.rollDeg = gf_optionalNumber("roll", f[rollField]);
    record.trueHeadingDeg = gf_optionalNumber("true heading", f[trueHeadingField]);
    if (datagram.fieldCount > operatorField) {
        record.operatorCode = f[operatorField];
    }
    return record;
}

RtParkedRecord gf_rtparkRecord(const AppDatagram& datagram) {
    const auto& f = datagram.fields;
    RtParkedRecord record;
    record.hexid = gf_hexadecimalHexid(f[1]);
    record.latitude = gf_requiredNumber("latitude", f[2]);
    record.longitude = gf_requiredNumber("longitude", f[3]);
    record.callsign = f[4];
    record.model = f[5];
    record.registration = f[6];
    record.gate = f[7];
    record.timestamp = gf_requiredNumber("timestamp", f[8]);
    return record;
}

} // namespace skyloom
