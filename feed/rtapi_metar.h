// The nearest METAR of the RealTraffic web API and the QNH in it. The "/v6/nearestmetar" reply
// lists the airports nearest to a point, nearest first, each with its raw METAR; older replies
// hold a single object instead of the list. The QNH comes from the METAR's pressure group:
// "Q1014" in hPa, "A2986" in hundredths of inHg (29.86 inHg = 1011.2 hPa).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "feed/rtapi_transport.h"
#include "foundation/lalo.h"

namespace skyloom {

inline constexpr double kHpaPerInHg = 33.8639;

// The QNH in hPa of a METAR text: its first pressure group before the remarks ("RMK"). No
// value when there is none, or when the value lies outside 800 to 1100 hPa (a misread group).
std::optional<double> gf_qnhFromMetar(std::string_view metar);

struct MetarStation {
    std::string icao;
    double distanceNm = 0.0;
    std::string metar;
};

struct NearestMetar {
    // The stations in the reply's order that have an ICAO code and a METAR text (neither empty
    // nor "null").
    std::vector<MetarStation> stations;
    // The QNH of the nearest station whose METAR gives one, with that station.
    std::optional<double> qnhHpa;
    std::string qnhStation;
};

// The stations of a nearest-METAR reply ("data" as a list or a single object); entries that
// are no objects, or lack an ICAO code or a METAR text, are passed over.
NearestMetar gf_readNearestMetar(const nlohmann::json& reply);

// The form of a nearest-METAR request: session, time offset in minutes, position (2
// decimals) and the number of airports.
RtApiForm gf_nearestMetarForm(std::string_view guid, int timeOffsetMinutes, const Lalo& position,
                              int maxCount);

} // namespace skyloom
