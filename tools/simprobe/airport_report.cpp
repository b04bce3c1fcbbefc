#include "tools/simprobe/airport_report.h"

#include <filesystem>
#include <random>

#include <fmt/format.h>

#include "foundation/geo_constants.h"
#include "foundation/log_file.h"
#include "foundation/text_files.h"
#include "refdata/airport_file.h"
#include "runtime/stop_request.h"
#include "sim/facility_connection.h"
#include "sim/facility_parking.h"
#include "sim/facility_runways.h"

namespace skyloom::simprobe {

namespace {

// The probe reads to the end: nothing stops it.
const StopControl& lf_noStop() {
    static const StopControl stop;
    return stop;
}

std::string lf_flags(const Stand& s) {
    std::string flags;
    flags += s.ramp ? " ramp" : "";
    flags += s.cargo ? " cargo" : "";
    flags += s.heli ? " helipad" : "";
    return flags;
}

void lf_stands(std::vector<std::string>& out, const std::string& icao) {
    AirportFile airport;
    std::int32_t helipads = 0;
    bool read = false;
    try {
        read = gf_readParkingFacilities(lf_noStop(), icao, airport, helipads);
    } catch (const std::exception& e) {
        out.push_back(fmt::format("== stands of {}: {}", icao, e.what()));
        return;
    }
    if (!read) {
        out.push_back(fmt::format("== stands of {}: not read", icao));
        return;
    }
    out.push_back(fmt::format("== stands of {} \"{}\" at {:.7f}, {:.7f}, {} ft: {} stands, {} "
                              "helipad{}",
                              airport.icao, airport.airportName, airport.latitude,
                              airport.longitude, airport.altitude, airport.stands.size(), helipads,
                              helipads == 1 ? "" : "s"));
    out.push_back(fmt::format("{:>5} {:<14} {:<16} {:>12} {:>13} {:>8} {:>8}  flags", "sid", "id",
                              "type", "latitude", "longitude", "heading", "radius"));
    for (const Stand& s : airport.stands) {
        out.push_back(fmt::format("{:5} {:<14} {:<16} {:12.7f} {:13.7f} {:7.2f}° {:6.2f} m{}",
                                  s.sid, s.id, gf_standTypeName(s.type), s.position.lat,
                                  s.position.lon, s.heading * geo::kDegreesPerRadian,
                                  s.radius * geo::kMetresPerNM, lf_flags(s)));
    }
}

std::string lf_end(std::string_view name, double lat, double lon, const FacilityRunwayStart& start,
                   const FacilityThreshold& threshold, double centreAltitude, double otherStart) {
    const StartAltitude altitude = gf_pickStartAltitude(
        centreAltitude, start.present != 0 ? std::optional<double>(start.altitude) : std::nullopt,
        std::optional<double>(otherStart));
    return fmt::format("      {:<4} end {:.7f}, {:.7f}; START {}; threshold {:.1f} m{}; "
                       "place at {:.1f} ft{}",
                       name, lat, lon,
                       start.present != 0
                           ? fmt::format("{:.7f}, {:.7f}, {:.1f} ft, {:.1f}°", start.latitude,
                                         start.longitude, start.altitude, start.heading)
                           : std::string("none"),
                       threshold.length, threshold.enabled != 0 ? "" : " (off)", altitude.altitude,
                       altitude.fromCentre ? " (centre)" : "");
}

void lf_runways(std::vector<std::string>& out, const std::string& icao) {
    const RunwayFacilities facilities = gf_readRunwayFacilities(lf_noStop(), icao);
    if (facilities.valid == 0) {
        out.push_back(fmt::format("== runways of {}: invalid", icao));
        return;
    }
    out.push_back(fmt::format("== runways of {}: airport altitude {:.1f} ft, {} runway{}", icao,
                              facilities.airportAltitude, facilities.runways.size(),
                              facilities.runways.size() == 1 ? "" : "s"));
    for (const FacilityRunway& r : facilities.runways) {
        const std::string primary = gf_runwayDesignatorText(
            r.primaryNumber, static_cast<std::int32_t>(r.primaryDesignator));
        const std::string secondary = gf_runwayDesignatorText(
            r.secondaryNumber, static_cast<std::int32_t>(r.secondaryDesignator));
        out.push_back(fmt::format("  {}-{} centre {:.7f}, {:.7f}, {:.1f} ft, heading {:.2f}°, "
                                  "{:.1f} x {:.1f} m",
                                  primary, secondary, r.centreLatitude, r.centreLongitude,
                                  r.altitude, r.heading, r.length, r.width));
        out.push_back(lf_end(primary, r.primaryLatitude, r.primaryLongitude, r.primaryStart,
                             r.primaryThreshold, r.altitude, r.secondaryStart.altitude));
        out.push_back(lf_end(secondary, r.secondaryLatitude, r.secondaryLongitude, r.secondaryStart,
                             r.secondaryThreshold, r.altitude, r.primaryStart.altitude));
    }
}

} // namespace

std::vector<std::string> gf_airportReport(ManualClock& clock, const std::string& icao) {
    const std::filesystem::path logFolder = std::filesystem::temp_directory_path() /
                                            fmt::format("simprobe-log-{}", std::random_device{}());
    std::filesystem::create_directories(logFolder);
    gf_setClock(&clock);
    LogFile::openIn(logFolder);
    std::vector<std::string> out;
    lf_stands(out, icao);
    lf_runways(out, icao);
    gf_closeFacilityConnection();
    LogFile::close();
    gf_setClock(nullptr);
    std::vector<std::string> log;
    gf_readTextFileLines(Charset::utf8, logFolder / "Log.txt", log);
    out.emplace_back("== log");
    // The first line names the program and its version; the rest is what the readers said.
    for (std::size_t i = 1; i < log.size(); ++i) {
        out.push_back(log[i]);
    }
    std::error_code ignored;
    std::filesystem::remove_all(logFolder, ignored);
    return out;
}

} // namespace skyloom::simprobe
