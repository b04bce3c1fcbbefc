#include "traffic/step/flight_texts.h"

#include <cmath>
#include <vector>

#include "config/params_snapshot.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "runtime/window_sink.h"
#include "refdata/airports.h"
#include "refdata/code_table.h"
#include "refdata/park_airport.h"
#include "traffic/motion/flat_earth.h"

namespace skyloom {

namespace {

constexpr double kAirportReachNM = 5.0;

} // namespace

std::string gf_airlineText(std::uint16_t airlineId, std::uint16_t operatorId) {
    std::string text = gf_airlineCode(airlineId);
    const std::string operatorCode = gf_airlineCode(operatorId);
    if (!operatorCode.empty()) {
        text += ',';
        text += operatorCode;
    }
    return text;
}

IataCode gf_iataCodeAt(const Lalo& position, const IataCode& fallback) {
    constexpr double reachSquared = kAirportReachNM * kAirportReachNM;
    const AirportEntry park = gf_parkAirportEntry().get();
    if (park.icao.isSet() && park.iata.isSet() && gf_isValidLalo(park.position()) &&
        gf_flatDistanceSquaredNM(park.position(), position) <= reachSquared) {
        return park.iata;
    }
    if (fallback.isSet()) {
        return fallback;
    }
    if (!gf_isValidLalo(position)) {
        return IataCode{};
    }
    IataCode nearest;
    gf_withAirports([&](const std::vector<AirportEntry>& airports) {
        const double cosLat = std::cos(position.lat * geo::kRadiansPerDegree);
        // Within reach, and a later airport at an equal distance replaces an earlier one.
        double best = reachSquared;
        for (const AirportEntry& airport : airports) {
            const double dy = std::abs(airport.lat - position.lat) * geo::kFlatNMPerDegree;
            const double dx = std::abs(gf_longitudeDifference(position.lon, airport.lon)) *
                              geo::kFlatNMPerDegree * cosLat;
            if (dy > kAirportReachNM || dx > kAirportReachNM) {
                continue;
            }
            const double d2 = dx * dx + dy * dy;
            if (d2 <= best) {
                best = d2;
                nearest = airport.iata;
            }
        }
    });
    return nearest;
}

void gf_flightMessage(std::string text, const ParamsSnapshot& settings, WindowSink& window) {
    if (settings.FLIGHT_MESSAGES) {
        window.showStatusText(text, true);
    } else {
        LogFile::write(text);
    }
}

} // namespace skyloom
