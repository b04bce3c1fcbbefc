#include "parking/learned_airport_file.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <optional>
#include <string>
#include <utility>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "config/parameters_store.h"
#include "config/params_snapshot.h"
#include "foundation/file_header.h"
#include "foundation/files.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/xml.h"
#include "parking/airport_store.h"
#include "parking/apf_stand_reader.h"
#include "parking/apf_writer.h"
#include "parking/parking_state.h"
#include "parking/stand_quality.h"
#include "refdata/park_airport.h"
#include "runtime/window_sink.h"

namespace skyloom {

namespace {

constexpr double kZeroPositionEpsilonDeg = 0.0001;

std::string_view lf_boolText(bool value) {
    return value ? "true" : "false";
}

void lf_logOverride(std::string_view name, std::string_view value) {
    LogFile::writeIndented(fmt::format("{:24}: {}", name, value));
}

ParkOptionOverrides lf_readOverrides(const pugi::xml_document& document) {
    ParkOptionOverrides overrides;
    const auto integer = [&](std::string_view name, std::optional<std::int32_t>& target) {
        target = gf_findXmlParameter(document, name);
        if (target) {
            lf_logOverride(name, std::to_string(*target));
        }
    };
    const auto flag = [&](std::string_view name, std::optional<bool>& target) {
        target = gf_findXmlParameterBool(document, name);
        if (target) {
            lf_logOverride(name, lf_boolText(*target));
        }
    };
    integer("parking_percentage", overrides.parking_percentage);
    flag("WEEK", overrides.WEEK);
    flag("PARK_SOFT", overrides.PARK_SOFT);
    integer("MAX_FIT", overrides.MAX_FIT);
    flag("RT_PARKTRAFFIC_ONLY", overrides.RT_PARKTRAFFIC_ONLY);
    flag("AUTO_PARK", overrides.AUTO_PARK);
    if (!overrides.AUTO_PARK) {
        // A learned file without it turns automatic parking off at its airport.
        overrides.AUTO_PARK = false;
        lf_logOverride("AUTO_PARK", lf_boolText(false));
    }
    return overrides;
}

bool lf_isDuplicate(const Stand& stand, const FlightOption& option) {
    return std::any_of(stand.options.begin(), stand.options.end(), [&](const FlightOption& o) {
        return o.day == option.day && o.real == option.real && o.reg == option.reg &&
               o.key.airline == option.key.airline && o.key.operatorId == option.key.operatorId &&
               o.key.model == option.key.model && o.key.cargo == option.key.cargo &&
               o.hours.intersects(option.hours);
    });
}

// Merges the learned options of one `parkpos` into the stand with the same id.
bool lf_mergeLearnedOptions(std::string_view learnedId, const pugi::xml_node& parkpos,
                            Stand& stand) {
    if (stand.id != learnedId) {
        return false;
    }
    std::uint32_t next = stand.options.empty() ? 1 : stand.options.back().seq + 1;
    for (const pugi::xml_node opt : parkpos.children("opt")) {
        const HoursBitset hours = gf_hours2bitset(opt.attribute("hh").as_string());
        if (hours.none()) {
            LogFile::writeImportant("empty bit set");
            continue;
        }
        FlightOption option = gf_makeFlightOption(opt, hours, next, 0);
        if (lf_isDuplicate(stand, option)) {
            continue;
        }
        stand.options.push_back(std::move(option));
        ++next;
    }
    return true;
}

bool lf_usableManualStand(const pugi::xml_node& parkpos) {
    const double lat = parkpos.attribute("latitude").as_double(0);
    const double lon = parkpos.attribute("longitude").as_double(0);
    const double radius = parkpos.attribute("radius").as_double(0);
    const bool nearZero =
        std::fabs(lat) < kZeroPositionEpsilonDeg && std::fabs(lon) < kZeroPositionEpsilonDeg;
    return lat >= -90 && lat <= 90 && lon >= -180 && lon <= 180 && !nearZero &&
           std::isfinite(radius) && radius > 0;
}

void lf_mergeStands(const pugi::xml_document& document, const std::string& path,
                    std::vector<Stand>& stands) {
    const pugi::xml_node root = document.child("root");
    const pugi::xml_node section = (root ? root : document).child("parkpositions");
    if (!section) {
        LogFile::write(fmt::format("learned file {} has no '{}' section", path, "parkpositions"));
        return;
    }
    for (const pugi::xml_node parkpos : section.children("parkpos")) {
        std::string id = parkpos.attribute("id").as_string();
        if (!gf_apfBoolAttribute(parkpos, "manual")) {
            const bool merged = std::any_of(stands.begin(), stands.end(), [&](Stand& stand) {
                return lf_mergeLearnedOptions(id, parkpos, stand);
            });
            if (!merged) {
                LogFile::write(fmt::format("learned stand {} in {} not found?", id, path));
            }
            continue;
        }
        const bool exists = std::any_of(stands.begin(), stands.end(),
                                        [&](const Stand& stand) { return stand.id == id; });
        if (exists) {
            LogFile::writeImportant(
                fmt::format("manually created standid {} already exists in {}", id, path));
        } else if (!lf_usableManualStand(parkpos)) {
            LogFile::writeImportant(
                fmt::format("manually created standid {} misses correct attributes in {}", id, path));
        } else if (gf_readParkpos(parkpos, std::move(id), 0, stands)) {
            stands.back().manual = true;
        }
    }
}

// The stands a learned file keeps: for a handmade file all of them; otherwise only what was
// learned: options that came from the airport file itself, or that no longer count, stay out.
std::vector<Stand> lf_standsToKeep(const std::vector<Stand>& stands, bool handmade) {
    if (handmade) {
        return stands;
    }
    std::vector<Stand> kept;
    for (Stand stand : stands) {
        std::erase_if(stand.options, [](const FlightOption& option) {
            return option.seq == 0 || option.origin == 1;
        });
        if (stand.manual || !stand.options.empty()) {
            kept.push_back(std::move(stand));
        }
    }
    return kept;
}

} // namespace

LearnedAirportRead gf_readLearnedAirportFile(const std::filesystem::path& learned,
                                             std::string_view archivedAirportName,
                                             const std::vector<Stand>& stands,
                                             WindowSink& window) {
    const std::string path = gf_pathToUtf8(learned);
    LearnedAirportData data{stands, {}, false};
    if (!std::ifstream(learned, std::ios::binary)) {
        std::string error = fmt::format("{} could not be opened", path);
        LogFile::writeImportant(error);
        return {std::nullopt, std::move(error)};
    }
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = gf_loadXmlFile(document, learned);
    if (!parsed) {
        gf_save1GenerationOf(learned);
        LogFile::writeImportant(fmt::format("{} found, not loaded: {}, saved as *.0.xml", path,
                                            parsed.description()));
        return {std::nullopt, fmt::format("{} not loaded: {}", path, parsed.description())};
    }
    LogFile::write(fmt::format("Read from learned airport file: '{}'", path));
    if (!gf_checkFileHeader(document, HeaderCheckMode::lenient).accepted) {
        return {std::nullopt, fmt::format("{} has invalid metadata", path)};
    }
    const std::string name = gf_findXmlParameterValue(document, "airport_name").value_or("");
    if (name != archivedAirportName) {
        window.showStatusText(
            fmt::format("Warning: learned file airport name: '{}' differs from archived file "
                        "airport name: '{}'",
                        name, archivedAirportName),
            true);
    }
    data.overrides = lf_readOverrides(document);
    if (gf_findXmlParameterBool(document, "handmade").value_or(false)) {
        data.stands.clear();
        gf_readParkpositions(document, data.stands);
        lf_logOverride("handmade", lf_boolText(true));
        data.handmade = true;
        return {std::move(data), {}};
    }
    lf_mergeStands(document, path, data.stands);
    return {std::move(data), {}};
}

void gf_saveLearned(ParkingState& state, const std::vector<Stand>& stands, bool handmade,
                    const LearnedSaveContext& context) {
    const AirportEntry parkAirport = context.parkAirport.get();
    if (!parkAirport.icao.isSet() || !state.airportFileApplied) {
        LogFile::writeImportant("gf_saveLearned called without a loaded airport file");
        return;
    }
    if (state.file.learnedSavePath.empty()) {
        LogFile::writeImportant(fmt::format("cannot construct a safe learned path for publisher '{}'",
                                            state.file.publisherName));
        return;
    }
    AirportFile airport;
    airport.icao = parkAirport.icao;
    airport.airportName = state.file.airportName;
    airport.altitude = state.file.altitude;
    airport.publisher = state.file.publisherName;
    airport.stands = lf_standsToKeep(stands, handmade);
    if (handmade) {
        const QualityScores scores = gf_computeQualityScores(airport.stands);
        airport.qfReal = scores.qfReal;
        airport.qfSoft = scores.qfSoft;
    }
    const ParkOptions options = context.settings;
    const std::string path = gf_pathToUtf8(state.file.learnedSavePath);
    if (gf_writeApf(airport, state.file.learnedSavePath, ApfMode::learned, context.simulator,
                    handmade, options, context.clock)) {
        LogFile::write(fmt::format("{} '{}' saved with {} update{}", handmade ? " handmade" : "",
                                   path, state.updateCount,
                                   state.updateCount == 1 || state.updateCount < 0 ? "" : "s"));
    } else {
        LogFile::write(fmt::format("saving '{}' did not succeed", path));
    }
    state.updateCount = 0;
}

void gf_setLearnedFileSlots(AirportFileReadContext& context, WindowSink& window) {
    context.learnedPath = [](const std::filesystem::path& source, std::string_view publisher) {
        return gf_makeLearnedPath(source, publisher);
    };
    context.readLearned = [&window](const std::filesystem::path& learned,
                                    std::string_view airportName,
                                    const std::vector<Stand>& stands) {
        return gf_readLearnedAirportFile(learned, airportName, stands, window);
    };
}

} // namespace skyloom
