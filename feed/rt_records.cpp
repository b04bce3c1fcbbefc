#include "feed/rt_records.h"

#include <chrono>
#include <cmath>
#include <numbers>
#include <string>

#include <fmt/format.h>

#include "feed/feed_fields.h"
#include "foundation/program_clock.h"
#include "refdata/code_table.h"
#include "refdata/dbase_lookups.h"

namespace skyloom {
namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

// RealTraffic writes -1 for some values it does not know.
std::optional<double> lf_knownValue(const std::optional<double>& value) {
    if (value && *value == -1.0) {
        return std::nullopt;
    }
    return value;
}

std::string lf_operatorCode(std::string_view text) {
    std::string code = gf_feedText("operator", text, 3);
    if (code.empty()) {
        return code;
    }
    bool valid = code.size() == 3;
    for (char& c : code) {
        valid = valid && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'));
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    if (!valid) {
        throw FeedRecordError(fmt::format("operator '{}' is not an ICAO airline code", code));
    }
    return code;
}

} // namespace

LiveryKey gf_feedKey(std::string_view callsign, std::string_view model,
                     std::string_view operatorCode) {
    const std::string operatorText = lf_operatorCode(operatorCode);
    LiveryKey key;
    key.model = model.empty() ? std::uint16_t{0} : gf_modelId(model);
    if (const auto airline = gf_airlineFromCallsign(callsign)) {
        key.airline = gf_airlineId(*airline);
        if (!operatorText.empty() && operatorText != *airline) {
            key.operatorId = gf_airlineId(operatorText);
        }
    } else if (!operatorText.empty()) {
        key.airline = gf_airlineId(operatorText);
    }
    key.cargo = gf_isCargo(key) ? 1 : 0;
    return key;
}

std::optional<TrafficEntry> gf_convertRtTrafficRecord(const RtTrafficRecord& record) {
    if (gf_isStaticHexid(record.hexid)) {
        return std::nullopt;
    }
    TrafficEntry entry;
    entry.hexid = record.hexid;
    TrafficSample& sample = entry.sample;
    const Lalo position = gf_checkPosition(record.latitude, record.longitude);
    sample.latitude = position.lat;
    sample.longitude = position.lon;
    sample.altitudeFt = gf_checkAltitudeFt(record.altitudeFt);
    sample.airborne = gf_checkFlag("airborne", record.airborne);
    if (record.verticalSpeedFpm) {
        sample.verticalSpeedFpm = gf_checkVerticalSpeedFpm(*record.verticalSpeedFpm);
    }
    if (const auto speed = lf_knownValue(record.groundSpeedKt)) {
        sample.groundSpeedKt = gf_checkSpeedKt("ground speed", *speed);
    }
    if (const auto speed = lf_knownValue(record.trueAirspeedKt)) {
        sample.trueAirspeedKt = gf_checkSpeedKt("true airspeed", *speed);
    }
    if (const auto heading = lf_knownValue(record.trueHeadingDeg)) {
        sample.trueHeadingRad = gf_checkDirectionDeg("true heading", *heading) * kRadiansPerDegree;
        sample.trueHeadingValid = 1;
    }
    // Without a track the true heading is the best direction there is.
    if (const auto track = lf_knownValue(record.trackDeg)) {
        sample.trackDeg = gf_checkDirectionDeg("track", *track);
    } else if (sample.trueHeadingValid != 0) {
        sample.trackDeg = sample.trueHeadingRad / kRadiansPerDegree;
    }
    if (record.rollDeg) {
        sample.bankRad = gf_checkBankDeg(*record.rollDeg) * kRadiansPerDegree;
        sample.bankValid = 1;
    }
    entry.timestamp = gf_checkTimestamp(record.timestamp);
    entry.callsign = gf_feedText("callsign", record.callsign, kMaxCallsignLength);
    entry.registration = gf_feedText("registration", record.registration, kMaxRegistrationLength);
    const std::string model = gf_feedText("model", record.model, kMaxModelCodeLength);
    entry.origin = gf_feedIataCode(record.origin);
    entry.destination = gf_feedIataCode(record.destination);
    entry.key = gf_feedKey(entry.callsign, model, record.operatorCode);
    return entry;
}

ParkedEntry gf_convertRtParkedRecord(const RtParkedRecord& record) {
    ParkedEntry entry;
    entry.hexid = record.hexid;
    entry.position = gf_checkPosition(record.latitude, record.longitude);
    entry.timestamp = gf_checkTimestamp(record.timestamp);
    entry.callsign = gf_feedText("callsign", record.callsign, kMaxCallsignLength);
    entry.registration = gf_feedText("registration", record.registration, kMaxRegistrationLength);
    const std::string model = gf_feedText("model", record.model, kMaxModelCodeLength);
    const std::string gate = gf_feedText("stand", record.gate, kMaxStandTextLength);
    if (const std::size_t underscore = gate.find('_'); underscore != std::string::npos) {
        entry.standAirport = gate.substr(0, underscore);
        entry.standText = gate.substr(underscore + 1);
    } else {
        entry.standText = gate;
    }
    entry.modelId = model.empty() ? std::uint16_t{0} : gf_modelId(model);
    if (const auto airline = gf_airlineFromCallsign(entry.callsign)) {
        entry.airlineId = gf_airlineId(*airline);
    }
    const auto seconds = std::chrono::duration<double>(entry.timestamp);
    entry.slot =
        gf_daySlotOf(Clock::UtcTime{std::chrono::duration_cast<Clock::UtcTime::duration>(seconds)})
            .slot;
    return entry;
}

} // namespace skyloom
