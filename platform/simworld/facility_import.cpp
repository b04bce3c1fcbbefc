#include "platform/simworld/facility_import.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <fstream>
#include <map>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/std_regex.h"
#include "foundation/xml.h"

namespace skyloom::simworld {

namespace {

constexpr double kEarthRadiusMeters = geo::kEarthRadiusNM * geo::kMetresPerNM;

double lf_metres(double feet) {
    return feet / geo::kFeetPerMetre;
}

std::string lf_upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

// The fields of one CSV record (RFC 4180 quoting).
std::vector<std::string> lf_csvFields(const std::string& record) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < record.size(); ++i) {
        const char c = record[i];
        if (quoted) {
            if (c == '"' && i + 1 < record.size() && record[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    return fields;
}

// The rows of a CSV file whose `column` holds `value`, as maps from column name to field.
std::vector<std::map<std::string, std::string>>
lf_csvRows(const std::filesystem::path& file, std::string_view column, std::string_view value) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw FacilityImportError(fmt::format("{}: cannot be opened", file.string()));
    }
    std::string line;
    std::vector<std::string> header;
    std::size_t columnIndex = 0;
    std::vector<std::map<std::string, std::string>> rows;
    std::string record;
    while (std::getline(in, line)) {
        record += line;
        // A quoted field may hold a line break: read on while a quote is open.
        if (std::count(record.begin(), record.end(), '"') % 2 != 0) {
            record += '\n';
            continue;
        }
        if (header.empty()) {
            header = lf_csvFields(record);
            const auto it = std::find(header.begin(), header.end(), column);
            if (it == header.end()) {
                throw FacilityImportError(
                    fmt::format("{}: no column \"{}\"", file.string(), column));
            }
            columnIndex = static_cast<std::size_t>(it - header.begin());
        } else if (record.find(value) != std::string::npos) {
            const std::vector<std::string> fields = lf_csvFields(record);
            if (columnIndex < fields.size() && fields[columnIndex] == value) {
                std::map<std::string, std::string> row;
                for (std::size_t i = 0; i < header.size() && i < fields.size(); ++i) {
                    row[header[i]] = fields[i];
                }
                rows.push_back(std::move(row));
            }
        }
        record.clear();
    }
    if (header.empty()) {
        throw FacilityImportError(fmt::format("{}: empty", file.string()));
    }
    return rows;
}

std::optional<double> lf_number(const std::map<std::string, std::string>& row,
                                const std::string& key) {
    const auto it = row.find(key);
    if (it == row.end() || it->second.empty()) {
        return std::nullopt;
    }
    try {
        std::size_t used = 0;
        const double v = std::stod(it->second, &used);
        return used == it->second.size() && std::isfinite(v) ? std::optional<double>(v)
                                                             : std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string lf_field(const std::map<std::string, std::string>& row, const std::string& key) {
    const auto it = row.find(key);
    return it == row.end() ? std::string() : it->second;
}

// "09L" -> 9, LEFT; "N" -> 37; a helipad ("H1") or an unknown ident gives none.
std::optional<std::pair<std::int32_t, std::int32_t>> lf_runwayIdent(std::string_view ident) {
    static const std::regex numbered("^0?([1-9]|[12][0-9]|3[0-6])([LRCWAB]?)$");
    static const std::array<std::string_view, 8> compass{"N", "NE", "E", "SE",
                                                         "S", "SW", "W", "NW"};
    const std::string text = lf_upper(ident);
    for (std::size_t i = 0; i < compass.size(); ++i) {
        if (text == compass[i]) {
            return std::pair<std::int32_t, std::int32_t>(static_cast<std::int32_t>(37 + i), 0);
        }
    }
    std::smatch m;
    if (!std::regex_match(text, m, numbered)) {
        return std::nullopt;
    }
    constexpr std::string_view kDesignators = "LRCWAB";
    const std::int32_t designator =
        m[2].length() == 0 ? 0 : static_cast<std::int32_t>(kDesignators.find(m[2].str()[0]) + 1);
    return std::pair<std::int32_t, std::int32_t>(std::stoi(m[1].str()), designator);
}

std::int32_t lf_surface(std::string_view text) {
    const std::string s = lf_upper(text);
    if (s.starts_with("ASP") || s.starts_with("BIT") || s.starts_with("TARMAC")) {
        return 4;
    }
    if (s.starts_with("GR") || s.starts_with("TURF")) {
        return 1;
    }
    if (s.starts_with("WAT")) {
        return 2;
    }
    return 0; // concrete
}

void lf_addRunway(AirportFacilitySetup& airport, const std::map<std::string, std::string>& row) {
    if (lf_field(row, "closed") == "1") {
        return;
    }
    const auto le = lf_runwayIdent(lf_field(row, "le_ident"));
    const auto he = lf_runwayIdent(lf_field(row, "he_ident"));
    const auto leLat = lf_number(row, "le_latitude_deg");
    const auto leLon = lf_number(row, "le_longitude_deg");
    const auto heLat = lf_number(row, "he_latitude_deg");
    const auto heLon = lf_number(row, "he_longitude_deg");
    const auto lengthFt = lf_number(row, "length_ft");
    const auto widthFt = lf_number(row, "width_ft");
    if (!le || !he || !leLat || !leLon || !heLat || !heLon || !lengthFt || !widthFt) {
        return;
    }
    const Lalo primary{*leLat, *leLon};
    const Lalo secondary{*heLat, *heLon};
    const double bearing = gf_bearing(primary, secondary);
    const double elevationFt = airport.altitudeMeters * geo::kFeetPerMetre;
    const double leElevFt = lf_number(row, "le_elevation_ft").value_or(elevationFt);
    const double heElevFt = lf_number(row, "he_elevation_ft").value_or(elevationFt);
    FacilityRunwaySetup w;
    const Lalo centre =
        gf_destination(primary, bearing, gf_distanceNM(primary, secondary) * geo::kFeetPerNM / 2.0);
    w.latitudeDeg = centre.lat;
    w.longitudeDeg = centre.lon;
    w.altitudeMeters = lf_metres((leElevFt + heElevFt) / 2.0);
    w.headingDeg = lf_number(row, "le_heading_degT").value_or(bearing * geo::kDegreesPerRadian);
    w.lengthMeters = lf_metres(*lengthFt);
    w.widthMeters = lf_metres(*widthFt);
    w.surface = lf_surface(lf_field(row, "surface"));
    w.primaryNumber = le->first;
    w.primaryDesignator = le->second;
    w.secondaryNumber = he->first;
    w.secondaryDesignator = he->second;
    const auto threshold = [&](const std::string& key) {
        FacilityThresholdSetup t;
        t.lengthMeters = lf_metres(lf_number(row, key).value_or(0));
        t.widthMeters = w.widthMeters;
        t.surface = w.surface;
        t.enabled = t.lengthMeters > 0;
        return t;
    };
    w.primaryThreshold = threshold("le_displaced_threshold_ft");
    w.secondaryThreshold = threshold("he_displaced_threshold_ft");
    airport.runways.push_back(w);

    const double heHeading =
        lf_number(row, "he_heading_degT").value_or(std::fmod(w.headingDeg + 180.0, 360.0));
    airport.starts.push_back(FacilityStartSetup{primary.lat, primary.lon, lf_metres(leElevFt),
                                                w.headingDeg, le->first, le->second, 1});
    airport.starts.push_back(FacilityStartSetup{secondary.lat, secondary.lon, lf_metres(heElevFt),
                                                heHeading, he->first, he->second, 1});
}

std::int32_t lf_parkingType(std::string_view type, double radius) {
    const std::string t = lf_upper(type);
    if (t == "GATE") {
        return radius < 18 ? 8 : radius < 30 ? 9 : 10; // GATE_SMALL, _MEDIUM, _HEAVY
    }
    if (t == "CARGO") {
        return 5;
    }
    if (t == "MIL-CARGO") {
        return 6;
    }
    if (t == "MIL-FIGHTER") {
        return 7;
    }
    if (t == "GA") {
        return radius < 10 ? 2 : radius < 20 ? 3 : 4; // RAMP_GA_SMALL, _MEDIUM, _LARGE
    }
    return 1; // RAMP_GA
}

// The name code, number and suffix of a FlightGear parking: a single letter with a number,
// or a letter, digits and a letter, become a lettered gate (GATE_R, 2); otherwise the
// trailing digits of the name are the number under GATE or PARKING.
void lf_parkingName(FacilityTaxiParkingSetup& p, std::string_view name, std::string_view number,
                    std::uint32_t fallbackNumber) {
    static const std::regex letterOnly("^([A-Z])$");
    static const std::regex letterDigits("^([A-Z])0*([0-9]{1,5})([A-Z]?)$");
    static const std::regex trailingDigits("0*([0-9]{1,5})([A-Z]?)$");
    static const std::regex digitsOnly("^0*([0-9]{1,5})$");
    const std::string n = lf_upper(name);
    const std::string num(number);
    const auto suffix = [](const std::string& letter) {
        return letter.empty() ? 0 : 12 + (letter[0] - 'A');
    };
    const bool gate = p.type >= 8 && p.type <= 10;
    std::smatch m;
    std::smatch d;
    if (std::regex_match(n, m, letterOnly) && std::regex_match(num, d, digitsOnly)) {
        p.name = 12 + (m[1].str()[0] - 'A');
        p.number = static_cast<std::uint32_t>(std::stoul(d[1].str()));
    } else if (std::regex_match(n, m, letterDigits)) {
        p.name = 12 + (m[1].str()[0] - 'A');
        p.number = static_cast<std::uint32_t>(std::stoul(m[2].str()));
        p.suffix = suffix(m[3].str());
    } else if (std::regex_search(n, m, trailingDigits)) {
        p.name = gate ? 10 : 1;
        p.number = static_cast<std::uint32_t>(std::stoul(m[1].str()));
        p.suffix = suffix(m[2].str());
    } else {
        p.name = gate ? 10 : 1;
        p.number = std::regex_match(num, d, digitsOnly)
                       ? static_cast<std::uint32_t>(std::stoul(d[1].str()))
                       : fallbackNumber;
    }
}

void lf_addParkings(AirportFacilitySetup& airport, const std::filesystem::path& file) {
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = gf_loadXmlFile(document, file);
    if (!parsed) {
        throw FacilityImportError(
            fmt::format("{}: not a readable XML file: {}", file.string(), parsed.description()));
    }
    const Lalo reference{airport.latitudeDeg, airport.longitudeDeg};
    std::uint32_t index = 0;
    for (const pugi::xpath_node& node : document.select_nodes("//Parking")) {
        const pugi::xml_node parking = node.node();
        ++index;
        FacilityTaxiParkingSetup p;
        Lalo position;
        try {
            position.lat = gf_flightGearCoordinate(parking.attribute("lat").value());
            position.lon = gf_flightGearCoordinate(parking.attribute("lon").value());
        } catch (const FacilityImportError& e) {
            throw FacilityImportError(
                fmt::format("{}: parking {}: {}", file.string(), index, e.what()));
        }
        p.radiusMeters = parking.attribute("radius").as_double(0);
        p.headingDeg = parking.attribute("heading").as_double(0);
        p.type = lf_parkingType(parking.attribute("type").value(), p.radiusMeters);
        lf_parkingName(p, parking.attribute("name").value(), parking.attribute("number").value(),
                       index);
        const ParkingBias bias = gf_parkingBias(reference, position);
        p.biasXMeters = bias.xMeters;
        p.biasZMeters = bias.zMeters;
        airport.taxiParkings.push_back(p);
    }
}

} // namespace

double gf_flightGearCoordinate(std::string_view text) {
    static const std::regex pattern("^\\s*([NSEW])\\s*([0-9]{1,3})\\s+([0-9]+(\\.[0-9]*)?)\\s*$");
    const std::string t = lf_upper(text);
    std::smatch m;
    if (!std::regex_match(t, m, pattern)) {
        throw FacilityImportError(fmt::format("\"{}\" is no coordinate like \"N47 27.209\"", text));
    }
    const double degrees = std::stod(m[2].str());
    const double minutes = std::stod(m[3].str());
    const char hemisphere = m[1].str()[0];
    const double limit = hemisphere == 'N' || hemisphere == 'S' ? 90.0 : 180.0;
    const double value = degrees + minutes / 60.0;
    if (minutes >= 60.0 || value > limit) {
        throw FacilityImportError(fmt::format("\"{}\" is out of range", text));
    }
    return hemisphere == 'S' || hemisphere == 'W' ? -value : value;
}

ParkingBias gf_parkingBias(const Lalo& reference, const Lalo& position) {
    const auto wrapRad = [](double deg) { return gf_wrapLongitude(deg) * geo::kRadiansPerDegree; };
    const auto east = [&](double x) {
        if (x == 0) {
            return reference;
        }
        return gf_destination(reference, x > 0 ? std::numbers::pi / 2 : 3 * std::numbers::pi / 2,
                              std::abs(x) * geo::kFeetPerMetre);
    };
    // Newton steps on the longitude reached going east or west; a few metres need one or two.
    double x = wrapRad(position.lon - reference.lon) * kEarthRadiusMeters *
               std::cos(reference.lat * geo::kRadiansPerDegree);
    Lalo reached = east(x);
    for (int step = 0; step < 20; ++step) {
        const double error = wrapRad(position.lon - reached.lon);
        if (std::abs(error) < 1e-14) {
            break;
        }
        x += error * kEarthRadiusMeters * std::cos(reached.lat * geo::kRadiansPerDegree);
        reached = east(x);
    }
    const double z = (position.lat - reached.lat) * geo::kRadiansPerDegree * kEarthRadiusMeters;
    return ParkingBias{x, z};
}

AirportFacilitySetup gf_importAirportFacilities(std::string_view icao,
                                                const FacilityImportSources& sources) {
    const std::string ident = lf_upper(icao);
    const auto airports = lf_csvRows(sources.airportsCsv, "ident", ident);
    if (airports.empty()) {
        throw FacilityImportError(
            fmt::format("{}: no airport {}", sources.airportsCsv.string(), ident));
    }
    const auto& row = airports.front();
    const auto lat = lf_number(row, "latitude_deg");
    const auto lon = lf_number(row, "longitude_deg");
    if (!lat || !lon) {
        throw FacilityImportError(
            fmt::format("{}: airport {} has no position", sources.airportsCsv.string(), ident));
    }
    AirportFacilitySetup airport;
    airport.icao = ident;
    airport.region = ident.substr(0, 2);
    airport.name = lf_field(row, "name");
    airport.latitudeDeg = *lat;
    airport.longitudeDeg = *lon;
    airport.altitudeMeters = lf_metres(lf_number(row, "elevation_ft").value_or(0));
    for (const auto& runway : lf_csvRows(sources.runwaysCsv, "airport_ident", ident)) {
        lf_addRunway(airport, runway);
    }
    if (!sources.parkingXml.empty()) {
        lf_addParkings(airport, sources.parkingXml);
    }
    return airport;
}

} // namespace skyloom::simworld
