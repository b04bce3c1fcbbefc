#include "parking/park_airport_stands.h"

#include <cmath>
#include <exception>
#include <memory>
#include <optional>
#include <unordered_set>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "config/parameter_rules.h"
#include "config/parameters.h"
#include "foundation/file_header.h"
#include "foundation/files.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "parking/airport_fetch.h"
#include "parking/airport_file_cache.h"
#include "parking/airport_store.h"
#include "parking/airport_xml_load.h"
#include "parking/apf_stand_reader.h"
#include "parking/learned_airport_file.h"
#include "parking/park_airport_list.h"
#include "parking/park_options.h"
#include "parking/parking_context.h"
#include "parking/parking_state.h"
#include "parking/parking_window.h"
#include "parking/stand_at_position.h"
#include "parking/stand_helpers.h"
#include "parking/stand_quality.h"
#include "refdata/park_airport.h"
#include "runtime/run_services.h"
#include "runtime/user_aircraft.h"
#include "runtime/window_sink.h"
#include "traffic/motion/motion_world.h"

namespace skyloom {

namespace {

void lf_logValue(std::string_view name, std::string_view value) {
    LogFile::writeIndented(fmt::format("{:24}: {}", name, value));
}

void lf_applyLearnedOverrides(ParkingContext& context, const LoadedAirportFile& file) {
    ProgramParameters& p = context.parameters;
    const ParkOptionOverrides& o = file.parkOptionOverrides;
    p.parking_percentage.assign(o.parking_percentage.value_or(p.parking_percentage.defaultValue()));
    p.parking_percentage.selectCurrent();
    const std::pair<CheckboxParameter*, const std::optional<bool>*> flags[] = {
        {&p.WEEK, &o.WEEK},
        {&p.PARK_SOFT, &o.PARK_SOFT},
        {&p.RT_PARKTRAFFIC_ONLY, &o.RT_PARKTRAFFIC_ONLY},
        {&p.AUTO_PARK, &o.AUTO_PARK},
    };
    for (const auto& [parameter, value] : flags) {
        if (value->has_value()) {
            parameter->setChecked(**value);
        }
    }
    if (o.MAX_FIT) {
        p.MAX_FIT.assign(*o.MAX_FIT);
        gf_syncMaxFitFl(p);
    }
    gf_publishParkOptions(p);
    context.window.applyParkingControlStates();
    if (file.handmadeOverruled) {
        LogFile::write("A handmade airport file overruled the archived file!");
    }
}

void lf_switchOff(CheckboxParameter& parameter) {
    if (parameter.value()) {
        parameter.setChecked(false);
    }
}

void lf_switchOn(CheckboxParameter& parameter, std::string_view logLine) {
    if (!parameter.value()) {
        parameter.setChecked(true);
        LogFile::write(logLine);
    }
}

// Airports with poor stand data or very few stands get automatic parking and a share of
// stands that places something at all.
void lf_applyAutomaticChoices(ParkingContext& context, const LoadedAirportFile& file) {
    ProgramParameters& p = context.parameters;
    LogFile::write("learned airport file not available");
    if (file.qfReal <= kLowQualityScore) {
        lf_switchOff(p.RT_PARKTRAFFIC_ONLY);
        lf_switchOn(p.AUTO_PARK, fmt::format("auto park set because Qf is very low: {}", file.qfReal));
    }
    const std::size_t n = file.stands.size();
    const std::int32_t current = p.parking_percentage.value();
    if (n <= kFewStandsMaximum && current != kSingleStandPercentage &&
        current != kFewStandsPercentage) {
        const std::int32_t target = n == 1 ? kSingleStandPercentage : kFewStandsPercentage;
        p.parking_percentage.assign(target);
        LogFile::writeImportant(fmt::format("target parking % set at {}, because this airport has "
                                            "just {} stand{}",
                                            target, n, n == 1 ? "" : "s"));
        lf_switchOff(p.RT_PARKTRAFFIC_ONLY);
        lf_switchOn(p.AUTO_PARK, "auto park set");
    }
    gf_publishParkOptions(p);
    LogFile::writeIndented(fmt::format("{:24}: {}%", "parking_percentage", p.parking_percentage.value()));
    p.parking_percentage.selectCurrent();
    p.parking_percentage.enable(true);
}

// Step 10: the user's stand at the park airport, recorded with the park-airport list.
void lf_recordUserStand(ParkingContext& context, const AirportEntry& park) {
    const UserAircraftState user = context.user.state();
    if (!user.positionKnown()) {
        return;
    }
    const std::optional<std::string> stand =
        gf_standAtPosition(context.state.standsSnapshot(), true, user.position());
    LogFile::write(stand ? fmt::format("\nUser aircraft at stand: {}", *stand)
                         : std::string("\nUser aircraft is not at a stand"));
    const std::optional<ParkAirport> front = context.list.front();
    if (front && front->code == park.icao) {
        if (stand && context.list.currentName() != stand) {
            context.list.setName(park.icao, *stand);
        }
    } else {
        context.list.setPositionAndName(park.icao, park.position(), stand.value_or(""));
    }
}

// The `parkpositions` of an airport's file, loaded into `document`; an error text otherwise.
struct StandFile {
    SecureBuffer plaintext;
    pugi::xml_document document;
    std::unique_ptr<TempFileGuard> copy;
    pugi::xml_node section;
};

std::optional<std::string> lf_loadStandSection(const IcaoCode& icao, const RunServices& services,
                                               StandFile& file, std::string_view missingFormat) {
    const std::optional<std::filesystem::path> found = gf_findAirportFile(icao);
    if (!found) {
        return "airport source path not found";
    }
    const AirportFileLocation location = gf_airportFilePath(*found, false, services);
    if (!location.error.empty()) {
        return location.error;
    }
    if (!location.path.empty()) {
        file.copy = std::make_unique<TempFileGuard>(location.path);
    }
    const std::filesystem::path path = location.path.empty() ? *found : location.path;
    if (auto error = gf_loadAirportXml(path, location.encrypted, file.plaintext, file.document)) {
        return error;
    }
    if (!gf_checkFileHeader(file.document, HeaderCheckMode::lenient).accepted) {
        return "airport file has invalid metadata";
    }
    const pugi::xml_node root = file.document.child("root");
    file.section = (root ? root : file.document).child("parkpositions");
    if (!file.section) {
        return fmt::format(fmt::runtime(missingFormat), gf_pathToUtf8(path), "parkpositions");
    }
    return std::nullopt;
}

} // namespace

AirportFileReadContext gf_parkAirportReadContext(const RunServices& services) {
    AirportFileReadContext context;
    context.cachePath = gf_parkAirportCachePath();
    context.locate = [&services](const std::filesystem::path& requested) {
        return gf_airportFilePath(requested, true, services);
    };
    gf_setLearnedFileSlots(context, services.window);
    return context;
}

ParkedFileOutcome lf_readParkedFile(ParkingContext& context) {
    const AirportEntry park = context.entry.get();
    const std::optional<std::filesystem::path> found = gf_findAirportFile(park.icao);
    if (!found) {
        return {fmt::format("{} {} not found", "lf_readParkedFile", park.icao.view()), false};
    }
    AirportFileReadResult read =
        gf_readAirportFile(*found, gf_parkAirportReadContext(context.services));
    if (!read) {
        return {read.error, false, read.logged, read.retryAt};
    }
    LoadedAirportFile& file = *read.file;
    // "Flush" has something to flush only where the file has stands.
    context.window.enableFlushButton(!file.stands.empty());
    lf_reportAirportFile(context, file);
    ParkingState& state = context.state;
    state.file.airportName = file.airportName;
    state.file.learnedSavePath = file.learnedSavePath;
    state.qfReal = file.qfReal;
    state.qfSoft = file.qfSoft;
    state.replaceStands(std::move(file.stands));
    state.publishStandsSnapshot(park.icao);
    lf_correctRunwayHeadings(context.traffic, park.icao, file.publisher);
    for (const Stand& stand : state.stands) {
        if (!stand.exclusions.empty()) {
            LogFile::write(gf_standExclusionsText(state, stand.exclusions, stand.sid));
        }
    }
    lf_recordUserStand(context, park);
    context.services.window.enqueueUpdate(GuiUpdate::AirportFile{true, file.airportName});
    state.updateCount = 0;
    return {"", true};
}

void lf_reportAirportFile(ParkingContext& context, const LoadedAirportFile& file) {
    ParkingState& state = context.state;
    WindowSink& window = context.services.window;
    state.file.handmadeOverruled = file.handmadeOverruled;
    state.file.rtTrafficWeek = file.rtTrafficWeek;
    context.entry.setAltitude(file.altitude);
    if (file.learnedMerged) {
        lf_applyLearnedOverrides(context, file);
    } else {
        lf_applyAutomaticChoices(context, file);
    }
    window.enqueueUpdate(GuiUpdate::StandCount{file.stands.size()});
    LogFile::write(fmt::format("Airport file read from '{}'",
                               gf_pathToUtf8(file.source == StandSource::cache ? file.loadedPath
                                                                               : file.requestedPath)));
    const std::string publisher =
        file.version ? fmt::format("{} ({})", file.publisher, *file.version) : file.publisher;
    window.enqueueUpdate(GuiUpdate::Publisher{publisher, file.handmadeOverruled});
    lf_logValue("publisher", file.publisher);
    if (file.version) {
        lf_logValue("version", *file.version);
    }
    LogFile::writeIndented(fmt::format("{:24}: {} ft", "altitude", file.altitude));
    lf_logValue("num_parkpos", std::to_string(file.stands.size()));
    const std::string quality = gf_formatQuality({file.qfReal, file.qfSoft});
    lf_logValue("quality factor", quality);
    lf_logValue("RT traffic week", std::to_string(file.rtTrafficWeek));
    window.enqueueUpdate(GuiUpdate::QualityText{quality});
    state.airportFileApplied = true;
    state.file.airportName = file.airportName;
    state.file.publisher = publisher;
    state.file.publisherName = file.publisher;
    state.file.altitude = file.altitude;
    state.recordedParkOptions = gf_takeParkOptions(context.parameters);
    // The park airport's altitude, as the entry now holds it, when its position is valid.
    const AirportEntry park = context.entry.get();
    gf_setFeedReference(context, park.icao.isSet() && gf_isValidLalo(park.position())
                                     ? std::optional<double>(park.altitudeFt)
                                     : std::nullopt);
    window.enqueueUpdate(GuiUpdate::Redraw{GuiRedrawFlags(GuiRedrawFlags::kAirportPanel)});
}

std::variant<ClosestStand, std::string> gf_readDestApfForClosestStand(const IcaoCode& icao,
                                                                      const Lalo& reference,
                                                                      const RunServices& services) {
    try {
        if (!gf_isValidLalo(reference)) {
            return std::string("invalid reference position");
        }
        StandFile file;
        if (auto error = lf_loadStandSection(icao, services, file, "airport file {} has no '{}' section")) {
            return *error;
        }
        const double cosLat = std::cos(reference.lat * geo::kRadiansPerDegree);
        std::optional<ClosestStand> best;
        double bestSquared = 0;
        // Stands by the airport-file reader's rule: one it refuses (a latitude "nan", an id of
        // blanks, a repeated id, a radius it cannot use, the 513th) is no destination stand.
        gf_walkParkpositions(
            file.section, ParkposWalkLog::quiet,
            [&](const pugi::xml_node& parkpos, std::string id) {
                const auto read = gf_readParkposGeometry(parkpos);
                const ParkposGeometry* geometry = std::get_if<ParkposGeometry>(&read);
                if (geometry == nullptr) {
                    return;
                }
                const double dy = (reference.lat - geometry->position.lat) * geo::kFlatNMPerDegree;
                const double dx =
                    (reference.lon - geometry->position.lon) * cosLat * geo::kFlatNMPerDegree;
                const double squared = dy * dy + dx * dx;
                if (!best || squared < bestSquared) {
                    best = ClosestStand{std::move(id), 0.0};
                    bestSquared = squared;
                }
            });
        if (!best) {
            return std::string("airport file has no valid stands");
        }
        best->distanceNM = std::sqrt(bestSquared);
        return *best;
    } catch (const std::exception& e) {
        return fmt::format("{}: {}", "gf_readDestApfForClosestStand", e.what());
    } catch (...) {
        return fmt::format("{}: unknown exception", "gf_readDestApfForClosestStand");
    }
}

std::variant<std::vector<std::string>, std::string> gf_readApfForStands(const IcaoCode& icao,
                                                                        const RunServices& services) {
    try {
        StandFile file;
        if (auto error = lf_loadStandSection(icao, services, file, "airport file has no '{1}' section")) {
            return *error;
        }
        std::vector<std::string> names;
        std::unordered_set<std::string> seen;
        gf_walkParkpositions(
            file.section, ParkposWalkLog::quiet,
            [&](const pugi::xml_node& parkpos, std::string id) {
                if (std::holds_alternative<const char*>(gf_readParkposGeometry(parkpos))) {
                    return;
                }
                for (char& c : id) {
                    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                }
                if (seen.insert(id).second) {
                    names.push_back(std::move(id));
                }
            });
        return names;
    } catch (const std::exception& e) {
        return fmt::format("{}: {}", "gf_readApfForStands", e.what());
    } catch (...) {
        return fmt::format("{}: unknown exception", "gf_readApfForStands");
    }
}

} // namespace skyloom
