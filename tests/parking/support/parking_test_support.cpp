#include "tests/parking/support/parking_test_support.h"

#include <stdexcept>
#include <unordered_set>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "foundation/file_header.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/text.h"
#include "foundation/xml.h"
#include "platform/simworld/facility_import.h"
#include "refdata/code_table.h"
#include "refdata/dbase.h"

namespace skyloom::testing {

namespace {

StandType lf_flightGearType(std::string_view kind, double radiusMetres) {
    if (kind == "cargo") {
        return StandType::RAMP_CARGO;
    }
    if (kind == "ga") {
        return radiusMetres < 16   ? StandType::RAMP_GA_SMALL
               : radiusMetres < 30 ? StandType::RAMP_GA_MEDIUM
                                   : StandType::RAMP_GA_LARGE;
    }
    return radiusMetres < 16   ? StandType::GATE_SMALL
           : radiusMetres < 30 ? StandType::GATE_MEDIUM
                               : StandType::GATE_HEAVY;
}

} // namespace

Stand standAt(std::string id, double lat, double lon, double headingDeg, double radiusMetres,
              StandType type) {
    return gf_makeStand(std::move(id), {}, Lalo{lat, lon}, headingDeg * geo::kRadiansPerDegree,
                        radiusMetres, type, gf_standTypeIsCargo(type), gf_standTypeIsRamp(type),
                        false);
}

FlightOption optionOf(std::string_view airline, std::string_view model, std::string reg,
                      std::uint32_t day, unsigned firstSlot, unsigned lastSlot, std::uint32_t seq) {
    FlightOption option;
    option.key.airline = gf_airlineId(airline);
    option.key.model = gf_modelId(model);
    option.reg = std::move(reg);
    option.hours = HoursBitset::range(firstSlot, lastSlot);
    option.seq = seq;
    option.day = day;
    option.origin = 1;
    option.real = 1;
    return option;
}

AirportFile airportNamed(std::string_view icao) {
    AirportFile airport;
    airport.icao = IcaoCode(icao);
    airport.iata = IataCode("AMS");
    airport.latitude = 52.30861;
    airport.longitude = 4.76389;
    airport.airportName = "Amsterdam Airport Schiphol";
    airport.altitude = -11;
    airport.publisher = "Big Pub";
    airport.package = AirportPackage{"EHAM scenery", "1.2.3", "Maker", "Someone"};
    return airport;
}

AirportFile gridAirport(std::size_t count) {
    AirportFile airport = airportNamed("EHAM");
    constexpr double kStepDegrees = 100.0 / 1852.0 / 60.0; // 100 m north
    for (std::size_t i = 0; i < count; ++i) {
        const double lat = 52.29 + static_cast<double>(i % 25) * kStepDegrees;
        const double lon = 4.74 + static_cast<double>(i / 25) * kStepDegrees * 1.6;
        Stand stand = standAt(fmt::format("G{}", i + 1), lat, lon, static_cast<double>(i % 360),
                              20.0 + static_cast<double>(i % 20),
                              i % 2 == 0 ? StandType::GATE_MEDIUM : StandType::RAMP_GA_LARGE);
        if (i % 3 == 0) {
            stand.options.push_back(optionOf("KLM", "B738", "PH-BXA", 1 + i % 7, 10, 14, 1));
            stand.options.push_back(optionOf("TRA", "B737", "PH-HZA", 1 + (i + 3) % 7, 30, 31, 2));
        }
        airport.stands.push_back(std::move(stand));
    }
    return airport;
}

bool writeApf(const AirportFile& airport, const std::filesystem::path& target, ApfMode mode,
              bool handmade, const std::optional<ParkOptions>& parkOptions) {
    const ManualClock clock(ManualClock::utcTime(2026, 3, 14, 9, 26, 53));
    return gf_writeApf(airport, target, mode, kHeaderSimMsfs2024, handmade, parkOptions, clock);
}

PublishedRegistrations::PublishedRegistrations(std::string_view registrationElements) {
    pugi::xml_document document;
    const std::string text =
        fmt::format("<root><registrations>{}</registrations></root>", registrationElements);
    if (!document.load_string(text.c_str())) {
        throw std::invalid_argument("registrations: not XML");
    }
    gf_publishDbase(Dbase::fromDocument(document.child("root"), "test registrations"));
}

PublishedRegistrations::~PublishedRegistrations() {
    gf_publishDbase(nullptr);
}

std::vector<Stand> flightGearStands(const std::filesystem::path& parkingXml) {
    pugi::xml_document document;
    if (!gf_loadXmlFile(document, parkingXml)) {
        throw std::runtime_error("not a readable parking file: " + parkingXml.string());
    }
    std::vector<Stand> stands;
    std::unordered_set<std::string> ids;
    std::size_t index = 0;
    for (const pugi::xpath_node& node : document.select_nodes("//Parking")) {
        const pugi::xml_node parking = node.node();
        ++index;
        std::string id = gf_trim(fmt::format("{}{}", parking.attribute("name").as_string(),
                                             parking.attribute("number").as_string()));
        if (id.empty() || ids.contains(id)) {
            id = fmt::format("{} #{}", id.empty() ? "P" : id, index);
        }
        ids.insert(id);
        const Lalo position{
            simworld::gf_flightGearCoordinate(parking.attribute("lat").as_string()),
            simworld::gf_flightGearCoordinate(parking.attribute("lon").as_string())};
        const double radius = parking.attribute("radius").as_double();
        const StandType type = lf_flightGearType(parking.attribute("type").as_string(), radius);
        stands.push_back(gf_makeStand(
            std::move(id), {}, position,
            gf_normaliseAngle(parking.attribute("heading").as_double() * geo::kRadiansPerDegree),
            radius, type, gf_standTypeIsCargo(type), gf_standTypeIsRamp(type), false));
    }
    return stands;
}

} // namespace skyloom::testing
