// The conversion of one RealTraffic aircraft report, live or parked, into the records the feed
// hands on (`TrafficEntry`, `ParkedEntry`). Both roads first gather a report's values into
// `RtTrafficRecord` or `RtParkedRecord` (the App road from a datagram's fields, the web API
// road from a JSON array) and then convert it here, so that every value is checked the same
// way and the keys are built through the same code tables.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "feed/traffic_entry.h"
#include "refdata/livery_key.h"

namespace skyloom {

// One live or buffered aircraft report as a road delivers it. Values not yet range-checked;
// unknown optional values have no value (a -1 track, ground speed, true airspeed or true
// heading also means unknown).
struct RtTrafficRecord {
    std::uint32_t hexid = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    // Barometric altitude corrected to the local QNH, feet.
    double altitudeFt = 0.0;
    std::optional<double> verticalSpeedFpm;
    // 1 airborne, 0 on the ground.
    double airborne = 0.0;
    std::optional<double> trackDeg;
    std::optional<double> groundSpeedKt;
    std::optional<double> trueAirspeedKt;
    // Positive with the right wing down.
    std::optional<double> rollDeg;
    std::optional<double> trueHeadingDeg;
    std::string_view callsign;
    std::string_view model;
    std::string_view registration;
    std::string_view origin;
    std::string_view destination;
    // The operating airline's ICAO code; empty when not known.
    std::string_view operatorCode;
    double timestamp = 0.0;
};

// One parked aircraft as a road delivers it.
struct RtParkedRecord {
    std::uint32_t hexid = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    // "<ICAO>_<stand>" as RealTraffic writes it, or the stand alone, or empty.
    std::string_view gate;
    std::string_view model;
    std::string_view registration;
    std::string_view callsign;
    double timestamp = 0.0;
};

// The key of an aircraft: the airline from the callsign (gf_airlineFromCallsign), else the
// operator; the operator as a second code only when it differs from the callsign's airline;
// the model through gf_modelId (0 when empty); the cargo flag from the dbase (gf_isCargo).
// Throws FeedRecordError for an operator that is not three letters.
LiveryKey gf_feedKey(std::string_view callsign, std::string_view model,
                     std::string_view operatorCode);

// True for hexids that name RealTraffic's static aircraft (0 to 10000).
constexpr bool gf_isStaticHexid(std::uint32_t hexid) noexcept {
    return hexid <= kMaxStaticHexid;
}

// The entry of a report, every value checked (FeedRecordError names the first that fails);
// no value for a static aircraft's hexid, which is never passed on. The time offset is left
// at 0 for gf_setTimeOffsets.
std::optional<TrafficEntry> gf_convertRtTrafficRecord(const RtTrafficRecord& record);

// The entry of a parked report, every value checked; the slot is that of the report's time
// stamp in the UTC day, the age 0 until the parked-traffic processing sets it.
ParkedEntry gf_convertRtParkedRecord(const RtParkedRecord& record);

} // namespace skyloom
