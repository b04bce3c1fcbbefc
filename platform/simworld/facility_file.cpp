#include "platform/simworld/facility_file.h"

#include <fstream>
#include <limits>
#include <optional>
#include <set>
#include <sstream>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "platform/simworld/world_file.h"
#include "platform/simworld/world_file_node.h"

namespace skyloom::simworld {

namespace {

using Node = WorldFileNode;
using nlohmann::json;

// A table of the simulator's codes by name; a value without a name is written as its number.
class CodeTable {
public:
    CodeTable(std::string_view what, std::vector<std::pair<std::string, std::int32_t>> codes)
        : what_(what), codes_(std::move(codes)) {}

    std::optional<std::int32_t> value(std::string_view name) const {
        for (const auto& [n, v] : codes_) {
            if (n == name) {
                return v;
            }
        }
        return std::nullopt;
    }
    json written(std::int32_t value) const {
        for (const auto& [n, v] : codes_) {
            if (v == value) {
                return n;
            }
        }
        return value;
    }
    std::int32_t read(const Node& node, const json& raw) const {
        if (raw.is_string()) {
            const std::string name = node.text();
            if (const auto v = value(name)) {
                return *v;
            }
            node.fail(fmt::format("\"{}\" is no {}", name, what_));
        }
        return static_cast<std::int32_t>(node.integer(std::numeric_limits<std::int32_t>::min(),
                                                      std::numeric_limits<std::int32_t>::max()));
    }

private:
    std::string_view what_;
    std::vector<std::pair<std::string, std::int32_t>> codes_;
};

std::vector<std::pair<std::string, std::int32_t>>
lf_codes(std::initializer_list<std::string_view> names, std::int32_t first = 0) {
    std::vector<std::pair<std::string, std::int32_t>> out;
    std::int32_t value = first;
    for (std::string_view name : names) {
        out.emplace_back(std::string(name), value++);
    }
    return out;
}

// Letter codes 12 to 37, with a prefix: GATE_A ... GATE_Z, or A ... Z.
void lf_addLetters(std::vector<std::pair<std::string, std::int32_t>>& codes,
                   std::string_view prefix) {
    for (std::int32_t i = 0; i < 26; ++i) {
        codes.emplace_back(std::string(prefix) + static_cast<char>('A' + i), 12 + i);
    }
}

const CodeTable& lf_parkingTypes() {
    static const CodeTable table(
        "parking type",
        lf_codes({"NONE", "RAMP_GA", "RAMP_GA_SMALL", "RAMP_GA_MEDIUM", "RAMP_GA_LARGE",
                  "RAMP_CARGO", "RAMP_MIL_CARGO", "RAMP_MIL_COMBAT", "GATE_SMALL", "GATE_MEDIUM",
                  "GATE_HEAVY", "DOCK_GA", "FUEL", "VEHICLE", "RAMP_GA_EXTRA", "GATE_EXTRA"}));
    return table;
}

const CodeTable& lf_parkingNames() {
    static const CodeTable table("parking name code", [] {
        auto codes =
            lf_codes({"NONE", "PARKING", "N_PARKING", "NE_PARKING", "E_PARKING", "SE_PARKING",
                      "S_PARKING", "SW_PARKING", "W_PARKING", "NW_PARKING", "GATE", "DOCK"});
        lf_addLetters(codes, "GATE_");
        return codes;
    }());
    return table;
}

const CodeTable& lf_suffixes() {
    static const CodeTable table("parking suffix", [] {
        std::vector<std::pair<std::string, std::int32_t>> codes{{"NONE", 0}};
        lf_addLetters(codes, "");
        return codes;
    }());
    return table;
}

const CodeTable& lf_runwayNumbers() {
    static const CodeTable table("runway number",
                                 lf_codes({"N", "NE", "E", "SE", "S", "SW", "W", "NW"}, 37));
    return table;
}

const CodeTable& lf_designators() {
    static const CodeTable table("runway designator",
                                 lf_codes({"NONE", "LEFT", "RIGHT", "CENTER", "WATER", "A", "B"}));
    return table;
}

const CodeTable& lf_startTypes() {
    static const CodeTable table("start type", lf_codes({"RUNWAY", "WATER", "HELIPAD"}, 1));
    return table;
}

const CodeTable& lf_helipadTypes() {
    static const CodeTable table("helipad type",
                                 lf_codes({"NONE", "H", "SQUARE", "CIRCLE", "MEDICAL"}));
    return table;
}

const CodeTable& lf_orientations() {
    static const CodeTable table("parking orientation", lf_codes({"FORWARD", "REVERSE"}));
    return table;
}

const CodeTable& lf_plainNumbers() {
    static const CodeTable table("number", {});
    return table;
}

// A reader of one object of an airport file.
class Reader {
public:
    Reader(const json& value, const Node& node) : value_(value), node_(node) {}

    double number(std::string_view key, double fallback = 0) const {
        return has(key) ? node_.child(key).number() : fallback;
    }
    double required(std::string_view key) const { return node_.at(key).number(); }
    double latitude() const { return node_.at("latitude").number(-90, 90); }
    double longitude() const { return node_.at("longitude").number(-180, 180); }
    std::int32_t code(std::string_view key, const CodeTable& table,
                      std::int32_t fallback = 0) const {
        return has(key) ? table.read(node_.child(key), value_.at(std::string(key))) : fallback;
    }
    std::int32_t requiredCode(std::string_view key, const CodeTable& table) const {
        return table.read(node_.at(key), value_.at(std::string(key)));
    }
    bool has(std::string_view key) const { return node_.has(key); }
    Reader child(std::string_view key) const {
        return Reader(value_.at(std::string(key)), node_.at(key));
    }
    template <typename F> void each(std::string_view key, F read) const {
        if (!has(key)) {
            return;
        }
        const json& list = value_.at(std::string(key));
        const std::vector<Node> items = node_.child(key).items();
        for (std::size_t i = 0; i < items.size(); ++i) {
            read(Reader(list.at(i), items[i]));
        }
    }
    const Node& node() const { return node_; }

private:
    const json& value_;
    Node node_;
};

FacilityThresholdSetup lf_threshold(const Reader& r) {
    r.node().expectKeys({"lengthMeters", "widthMeters", "surface", "enabled"});
    FacilityThresholdSetup t;
    t.lengthMeters = r.number("lengthMeters");
    t.widthMeters = r.number("widthMeters");
    t.surface = r.code("surface", lf_plainNumbers());
    t.enabled = r.has("enabled") && r.node().child("enabled").boolean();
    return t;
}

void lf_runwayEnd(const Reader& r, std::int32_t& number, std::int32_t& designator,
                  FacilityThresholdSetup& threshold) {
    r.node().expectKeys({"number", "designator", "threshold"});
    number = r.requiredCode("number", lf_runwayNumbers());
    designator = r.code("designator", lf_designators());
    if (r.has("threshold")) {
        threshold = lf_threshold(r.child("threshold"));
    }
}

FacilityRunwaySetup lf_runway(const Reader& r) {
    r.node().expectKeys({"latitude", "longitude", "altitudeMeters", "headingDegrees",
                         "lengthMeters", "widthMeters", "patternAltitudeMeters", "slopeDegrees",
                         "trueSlopeDegrees", "surface", "primary", "secondary"});
    FacilityRunwaySetup w;
    w.latitudeDeg = r.latitude();
    w.longitudeDeg = r.longitude();
    w.altitudeMeters = r.number("altitudeMeters");
    w.headingDeg = r.required("headingDegrees");
    w.lengthMeters = r.required("lengthMeters");
    w.widthMeters = r.required("widthMeters");
    w.patternAltitudeMeters = r.number("patternAltitudeMeters");
    w.slopeDeg = r.number("slopeDegrees");
    w.trueSlopeDeg = r.number("trueSlopeDegrees");
    w.surface = r.code("surface", lf_plainNumbers());
    lf_runwayEnd(r.child("primary"), w.primaryNumber, w.primaryDesignator, w.primaryThreshold);
    lf_runwayEnd(r.child("secondary"), w.secondaryNumber, w.secondaryDesignator,
                 w.secondaryThreshold);
    return w;
}

FacilityStartSetup lf_start(const Reader& r) {
    r.node().expectKeys({"latitude", "longitude", "altitudeMeters", "headingDegrees", "number",
                         "designator", "type"});
    FacilityStartSetup s;
    s.latitudeDeg = r.latitude();
    s.longitudeDeg = r.longitude();
    s.altitudeMeters = r.number("altitudeMeters");
    s.headingDeg = r.number("headingDegrees");
    s.number = r.requiredCode("number", lf_runwayNumbers());
    s.designator = r.code("designator", lf_designators());
    s.type = r.code("type", lf_startTypes(), 1);
    return s;
}

FacilityHelipadSetup lf_helipad(const Reader& r) {
    r.node().expectKeys({"latitude", "longitude", "altitudeMeters", "headingDegrees",
                         "lengthMeters", "widthMeters", "surface", "type"});
    FacilityHelipadSetup h;
    h.latitudeDeg = r.latitude();
    h.longitudeDeg = r.longitude();
    h.altitudeMeters = r.number("altitudeMeters");
    h.headingDeg = r.number("headingDegrees");
    h.lengthMeters = r.number("lengthMeters");
    h.widthMeters = r.number("widthMeters");
    h.surface = r.code("surface", lf_plainNumbers());
    h.type = r.code("type", lf_helipadTypes());
    return h;
}

FacilityTaxiParkingSetup lf_taxiParking(const Reader& r) {
    r.node().expectKeys({"type", "taxiPointType", "name", "suffix", "number", "orientation",
                         "headingDegrees", "radiusMeters", "biasXMeters", "biasZMeters",
                         "airlineCount"});
    FacilityTaxiParkingSetup p;
    p.type = r.requiredCode("type", lf_parkingTypes());
    p.taxiPointType = r.code("taxiPointType", lf_plainNumbers());
    p.name = r.code("name", lf_parkingNames());
    p.suffix = r.code("suffix", lf_suffixes());
    p.number = r.has("number") ? r.node().child("number").u32() : 0;
    p.orientation = r.code("orientation", lf_orientations());
    p.headingDeg = r.number("headingDegrees");
    p.radiusMeters = r.number("radiusMeters");
    p.biasXMeters = r.number("biasXMeters");
    p.biasZMeters = r.number("biasZMeters");
    p.airlineCount = r.code("airlineCount", lf_plainNumbers());
    return p;
}

AirportFacilitySetup lf_airport(const Reader& r) {
    r.node().expectKeys({"icao", "region", "name", "latitude", "longitude", "altitudeMeters",
                         "magvarDegrees", "runways", "starts", "helipads", "taxiParkings"});
    AirportFacilitySetup a;
    a.icao = r.node().at("icao").text();
    if (a.icao.empty() || a.icao.size() > 7) {
        r.node().child("icao").fail("an ident of 1 to 7 characters is expected here");
    }
    a.region = r.has("region") ? r.node().child("region").text() : "";
    if (a.region.size() > 7) {
        r.node().child("region").fail("a region of at most 7 characters is expected here");
    }
    a.name = r.has("name") ? r.node().child("name").text() : "";
    a.latitudeDeg = r.latitude();
    a.longitudeDeg = r.longitude();
    a.altitudeMeters = r.number("altitudeMeters");
    a.magvarDeg = r.number("magvarDegrees");
    r.each("runways", [&](const Reader& item) { a.runways.push_back(lf_runway(item)); });
    r.each("starts", [&](const Reader& item) { a.starts.push_back(lf_start(item)); });
    r.each("helipads", [&](const Reader& item) { a.helipads.push_back(lf_helipad(item)); });
    r.each("taxiParkings",
           [&](const Reader& item) { a.taxiParkings.push_back(lf_taxiParking(item)); });
    return a;
}

FacilityServing lf_serving(const Reader& r) {
    FacilityServing s;
    if (r.has("sendEnd")) {
        s.sendEnd = r.node().child("sendEnd").boolean();
    }
    if (r.has("delaySeconds")) {
        s.delaySeconds = r.node().child("delaySeconds").number(0, 1e6);
    }
    if (r.has("withhold")) {
        const Node withhold = r.node().child("withhold");
        withhold.expectKeys({"AIRPORT", "RUNWAY", "START", "HELIPAD", "TAXI_PARKING",
                             "PRIMARY_THRESHOLD", "SECONDARY_THRESHOLD"});
        for (std::size_t k = 0; k < kFacilityKindCount; ++k) {
            const std::string_view name = gf_facilityKindName(static_cast<FacilityKind>(k));
            if (withhold.has(name)) {
                s.withhold[k] = withhold.child(name).u32();
            }
        }
    }
    return s;
}

json lf_parse(std::string_view text, std::string_view source) {
    try {
        return json::parse(text, nullptr, true, true);
    } catch (const json::parse_error& e) {
        throw WorldFileError(fmt::format("{}: not valid JSON: {}", source, e.what()));
    }
}

} // namespace

AirportFacilitySetup gf_parseAirportText(std::string_view text, std::string_view source) {
    const json document = lf_parse(text, source);
    return lf_airport(Reader(document, Node(document, "", source)));
}

AirportFacilitySetup gf_loadAirportFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw WorldFileError(fmt::format("{}: cannot be opened", file.string()));
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        throw WorldFileError(fmt::format("{}: cannot be read", file.string()));
    }
    return gf_parseAirportText(text.str(), file.string());
}

std::vector<AirportFacilitySetup> gf_parseAirportList(const json& list, const std::string& pointer,
                                                      std::string_view source,
                                                      const std::filesystem::path& folder) {
    const Node listNode(list, pointer, source);
    const std::vector<Node> items = listNode.items();
    std::vector<AirportFacilitySetup> airports;
    std::set<std::string> idents;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const json& value = list.at(i);
        const Reader entry(value, items[i]);
        AirportFacilitySetup airport;
        if (value.is_string()) {
            airport = gf_loadAirportFile(folder / items[i].text());
        } else {
            items[i].expectKeys({"file", "airport", "sendEnd", "delaySeconds", "withhold"});
            if (entry.has("file") == entry.has("airport")) {
                items[i].fail("an airport entry needs either \"file\" or \"airport\"");
            }
            airport = entry.has("file") ? gf_loadAirportFile(folder / items[i].child("file").text())
                                        : lf_airport(entry.child("airport"));
            airport.serving = lf_serving(entry);
        }
        std::string key = airport.icao;
        for (char& c : key) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        if (!idents.insert(key).second) {
            items[i].fail(fmt::format("airport {} is given twice", airport.icao));
        }
        airports.push_back(std::move(airport));
    }
    return airports;
}

std::string gf_airportFileText(const AirportFacilitySetup& a) {
    using ojson = nlohmann::ordered_json;
    const auto threshold = [](const FacilityThresholdSetup& t) {
        return ojson{{"lengthMeters", t.lengthMeters},
                     {"widthMeters", t.widthMeters},
                     {"surface", t.surface},
                     {"enabled", t.enabled}};
    };
    const auto end = [&](std::int32_t number, std::int32_t designator,
                         const FacilityThresholdSetup& t) {
        return ojson{{"number", lf_runwayNumbers().written(number)},
                     {"designator", lf_designators().written(designator)},
                     {"threshold", threshold(t)}};
    };
    ojson out{{"icao", a.icao},
              {"region", a.region},
              {"name", a.name},
              {"latitude", a.latitudeDeg},
              {"longitude", a.longitudeDeg},
              {"altitudeMeters", a.altitudeMeters},
              {"magvarDegrees", a.magvarDeg}};
    ojson runways = ojson::array();
    for (const FacilityRunwaySetup& w : a.runways) {
        runways.push_back(ojson{
            {"latitude", w.latitudeDeg},
            {"longitude", w.longitudeDeg},
            {"altitudeMeters", w.altitudeMeters},
            {"headingDegrees", w.headingDeg},
            {"lengthMeters", w.lengthMeters},
            {"widthMeters", w.widthMeters},
            {"patternAltitudeMeters", w.patternAltitudeMeters},
            {"slopeDegrees", w.slopeDeg},
            {"trueSlopeDegrees", w.trueSlopeDeg},
            {"surface", w.surface},
            {"primary", end(w.primaryNumber, w.primaryDesignator, w.primaryThreshold)},
            {"secondary", end(w.secondaryNumber, w.secondaryDesignator, w.secondaryThreshold)}});
    }
    ojson starts = ojson::array();
    for (const FacilityStartSetup& s : a.starts) {
        starts.push_back(ojson{{"latitude", s.latitudeDeg},
                               {"longitude", s.longitudeDeg},
                               {"altitudeMeters", s.altitudeMeters},
                               {"headingDegrees", s.headingDeg},
                               {"number", lf_runwayNumbers().written(s.number)},
                               {"designator", lf_designators().written(s.designator)},
                               {"type", lf_startTypes().written(s.type)}});
    }
    ojson helipads = ojson::array();
    for (const FacilityHelipadSetup& h : a.helipads) {
        helipads.push_back(ojson{{"latitude", h.latitudeDeg},
                                 {"longitude", h.longitudeDeg},
                                 {"altitudeMeters", h.altitudeMeters},
                                 {"headingDegrees", h.headingDeg},
                                 {"lengthMeters", h.lengthMeters},
                                 {"widthMeters", h.widthMeters},
                                 {"surface", h.surface},
                                 {"type", lf_helipadTypes().written(h.type)}});
    }
    ojson parkings = ojson::array();
    for (const FacilityTaxiParkingSetup& p : a.taxiParkings) {
        parkings.push_back(ojson{{"type", lf_parkingTypes().written(p.type)},
                                 {"taxiPointType", p.taxiPointType},
                                 {"name", lf_parkingNames().written(p.name)},
                                 {"suffix", lf_suffixes().written(p.suffix)},
                                 {"number", p.number},
                                 {"orientation", lf_orientations().written(p.orientation)},
                                 {"headingDegrees", p.headingDeg},
                                 {"radiusMeters", p.radiusMeters},
                                 {"biasXMeters", p.biasXMeters},
                                 {"biasZMeters", p.biasZMeters},
                                 {"airlineCount", p.airlineCount}});
    }
    out["runways"] = std::move(runways);
    out["starts"] = std::move(starts);
    out["helipads"] = std::move(helipads);
    out["taxiParkings"] = std::move(parkings);
    return out.dump(2) + "\n";
}

} // namespace skyloom::simworld
