#include "parking/apf_stand_reader.h"

#include <charconv>
#include <cmath>
#include <system_error>
#include <unordered_set>
#include <utility>

#include <fmt/format.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "refdata/code_table.h"
#include "refdata/data_set.h"
#include "refdata/registrations.h"

namespace skyloom {

namespace {

// A stand of type NONE takes its type from its radius: from these sizes on it is large or
// heavy, or medium.
constexpr double kLargeStandFromMetres = 30.0;
constexpr double kMediumStandFromMetres = 16.0;

// A radius read back from nautical miles may lie this far below what was written.
constexpr double kRadiusRoundingMetres = 1e-9;

StandType lf_typeFromRadius(double radiusMetres, bool cargo, bool ramp) {
    if (cargo) {
        return StandType::RAMP_CARGO;
    }
    if (ramp) {
        return radiusMetres >= kLargeStandFromMetres    ? StandType::RAMP_GA_LARGE
               : radiusMetres >= kMediumStandFromMetres ? StandType::RAMP_GA_MEDIUM
                                                        : StandType::RAMP_GA_SMALL;
    }
    return radiusMetres >= kLargeStandFromMetres    ? StandType::GATE_HEAVY
           : radiusMetres >= kMediumStandFromMetres ? StandType::GATE_MEDIUM
                                                    : StandType::GATE_SMALL;
}

} // namespace

FlightOption gf_makeFlightOption(const pugi::xml_node& opt, HoursBitset hours, std::uint32_t seq,
                                 std::uint32_t origin) {
    FlightOptionIdentity identity = gf_readFlightOption(opt);
    FlightOption option;
    option.key = identity.key;
    option.reg = opt.attribute("reg").as_string();
    option.callsign = std::move(identity.callsign);
    option.callsign2 = std::move(identity.callsign2);
    option.hours = hours;
    option.seq = seq;
    option.day = opt.attribute("day").as_uint(0);
    option.origin = origin;
    option.real = gf_apfBoolAttribute(opt, "soft") ? 0 : 1;
    option.cpl = gf_apfBoolAttribute(opt, "cpl");
    return option;
}

namespace {

std::vector<FlightOption> lf_readOptions(const pugi::xml_node& parkpos, std::string_view id,
                                         std::uint32_t origin) {
    std::vector<FlightOption> options;
    std::uint32_t seq = 0;
    std::size_t looked = 0;
    for (const pugi::xml_node opt : parkpos.children("opt")) {
        if (++looked > kMaxStandOptions) {
            LogFile::write(
                fmt::format("stand {} has more than {} options; remaining options skipped", id,
                            kMaxStandOptions));
            break;
        }
        const std::string_view hh = opt.attribute("hh").as_string();
        const std::uint32_t day = opt.attribute("day").as_uint(0);
        if (hh.empty() || day < 1 || day > 7) {
            continue;
        }
        const HoursBitset hours = gf_hours2bitset(hh);
        if (hours.none()) {
            continue;
        }
        options.push_back(gf_makeFlightOption(opt, hours, ++seq, origin));
    }
    return options;
}

bool lf_reject(std::string_view format, std::string_view id) {
    LogFile::writeImportant(fmt::format(fmt::runtime(format), id));
    return false;
}

} // namespace

bool gf_apfBoolAttribute(const pugi::xml_node& node, const char* name) {
    return gf_dataSetBool(node.attribute(name).as_string());
}

bool gf_isUsableStandRadius(double radiusMetres) noexcept {
    return std::isfinite(radiusMetres) &&
           radiusMetres >= kMinStandRadiusMetres - kRadiusRoundingMetres;
}

double gf_apfNumberAttribute(const pugi::xml_node& node, const char* name) {
    std::string_view text = node.attribute(name).as_string();
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) {
        return 0.0;
    }
    text.remove_prefix(start);
    if (text.front() == '+') {
        text.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() ? value : 0.0;
}

std::optional<Lalo> gf_readParkposPosition(const pugi::xml_node& parkpos) {
    const Lalo position{gf_apfNumberAttribute(parkpos, "latitude"),
                        gf_apfNumberAttribute(parkpos, "longitude")};
    if (!gf_isValidLalo(position)) {
        return std::nullopt;
    }
    return position;
}

std::string gf_readParkposId(const pugi::xml_node& parkpos) {
    return gf_trim(parkpos.attribute("id").as_string());
}

LiveryKey gf_readFlightOptionAirlineType(const pugi::xml_node& opt) {
    LiveryKey key;
    key.airline = gf_airlineId(opt.attribute("airl").as_string());
    key.model = gf_modelId(opt.attribute("type").as_string());
    return key;
}

FlightOptionIdentity gf_readFlightOption(const pugi::xml_node& opt) {
    FlightOptionIdentity identity;
    const std::string_view cs = opt.attribute("cs").as_string();
    const std::size_t colon = cs.find(':');
    identity.callsign = std::string(cs.substr(0, colon));
    if (colon != std::string_view::npos) {
        identity.callsign2 = std::string(cs.substr(colon + 1));
    }
    const std::string_view reg = opt.attribute("reg").as_string();
    const std::optional<LiveryKey> registered =
        reg.empty() ? std::nullopt : gf_findRegistration(reg);
    identity.key = registered ? *registered : gf_readFlightOptionAirlineType(opt);
    return identity;
}

std::variant<ParkposGeometry, const char*> gf_readParkposGeometry(const pugi::xml_node& parkpos) {
    const std::optional<Lalo> position = gf_readParkposPosition(parkpos);
    if (!position) {
        return "stand {} has no valid lat/lon";
    }
    const std::string_view typestr = parkpos.attribute("typestr").as_string();
    ParkposGeometry geometry{*position,
                             gf_apfNumberAttribute(parkpos, "radius"),
                             gf_apfNumberAttribute(parkpos, "heading"),
                             !typestr.empty()
                                 ? gf_standTypeFromName(typestr)
                                 : gf_standTypeFromValue(parkpos.attribute("type").as_uint(0)),
                             false,
                             false,
                             gf_apfBoolAttribute(parkpos, "heli")};
    geometry.cargo = gf_standTypeIsCargo(geometry.type);
    geometry.ramp = gf_standTypeIsRamp(geometry.type);
    if (geometry.type == StandType::NONE) {
        const pugi::xml_attribute cargoAttribute = parkpos.attribute("cargo");
        const pugi::xml_attribute rampAttribute = parkpos.attribute("ramp");
        geometry.cargo = gf_dataSetBool(cargoAttribute.as_string());
        geometry.ramp = gf_dataSetBool(rampAttribute.as_string());
        if (!geometry.heli) {
            if (!cargoAttribute || !rampAttribute) {
                return "stand {} has no valid type, and no valid cargo/ramp fallback info";
            }
            if (!(geometry.radiusMetres > 0)) {
                return "stand {} has no valid type and no usable radius";
            }
            geometry.type = lf_typeFromRadius(geometry.radiusMetres, geometry.cargo, geometry.ramp);
        }
    }
    if (!gf_isUsableStandRadius(geometry.radiusMetres) || !std::isfinite(geometry.headingDeg)) {
        return "stand {} has invalid radius or heading";
    }
    return geometry;
}

bool gf_readParkpos(const pugi::xml_node& parkpos, std::string id, std::uint32_t origin,
                    std::vector<Stand>& stands) {
    const auto read = gf_readParkposGeometry(parkpos);
    if (const char* const* refused = std::get_if<const char*>(&read)) {
        return lf_reject(*refused, id);
    }
    const ParkposGeometry& g = std::get<ParkposGeometry>(read);
    std::vector<FlightOption> options = lf_readOptions(parkpos, id, origin);
    const double heading = gf_normaliseAngle(g.headingDeg * geo::kRadiansPerDegree);
    stands.push_back(gf_makeStand(std::move(id), std::move(options), g.position, heading,
                                  g.radiusMetres, g.type, g.cargo, g.ramp, g.heli));
    return true;
}

void gf_walkParkpositions(const pugi::xml_node& section, ParkposWalkLog log,
                          const std::function<void(const pugi::xml_node&, std::string)>& take) {
    const bool lines = log == ParkposWalkLog::lines;
    std::unordered_set<std::string> seen;
    std::size_t number = 0;
    for (const pugi::xml_node parkpos : section.children("parkpos")) {
        if (++number > kMaxApfStands) {
            if (lines) {
                LogFile::write(fmt::format(
                    "airport file contains more than {} stands; remaining stands skipped",
                    kMaxApfStands));
            }
            break;
        }
        const pugi::xml_attribute idAttribute = parkpos.attribute("id");
        if (!idAttribute) {
            if (lines) {
                LogFile::writeImportant(fmt::format(
                    "Parking position #{} has no '{}' attribute, skipped.", number, "id"));
            }
            continue;
        }
        std::string id = gf_trim(idAttribute.as_string());
        if (id.empty()) {
            if (lines) {
                LogFile::writeImportant(
                    fmt::format("Stand #{} has empty '{}' attribute, skipped.", number, "id"));
            }
            continue;
        }
        if (!seen.insert(id).second) {
            if (lines) {
                LogFile::writeImportant(
                    fmt::format("Stand '{}' appears more than once, last one skipped!", id));
            }
            continue;
        }
        take(parkpos, std::move(id));
    }
}

pugi::xml_node gf_parkpositionsSection(const pugi::xml_document& document) {
    const pugi::xml_node root = document.child("root");
    return (root ? root : document).child("parkpositions");
}

void gf_readParkpositions(const pugi::xml_document& document, std::vector<Stand>& stands) {
    const pugi::xml_node section = gf_parkpositionsSection(document);
    if (!section) {
        LogFile::write(fmt::format("airport file has no '{}' section", "parkpositions"));
        return;
    }
    gf_walkParkpositions(section, ParkposWalkLog::lines,
                         [&stands](const pugi::xml_node& parkpos, std::string id) {
                             gf_readParkpos(parkpos, std::move(id), 1, stands);
                         });
}

} // namespace skyloom
