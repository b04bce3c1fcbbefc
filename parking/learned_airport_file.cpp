#include "parking/learned_airport_file.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "config/parameters_store.h"
#include "config/params_snapshot.h"
#include "foundation/file_header.h"
#include "foundation/files.h"
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

// What makes two options of a stand the same use: day, kind, registration and the key's fields
// (its top byte aside). Two such options are duplicates when their hours meet.
struct OptionUse {
    std::uint32_t day;
    std::uint32_t real;
    std::string reg;
    LiveryKey key;

    bool operator==(const OptionUse& o) const {
        return day == o.day && real == o.real && reg == o.reg && key.airline == o.key.airline &&
               key.operatorId == o.key.operatorId && key.model == o.key.model &&
               key.cargo == o.key.cargo;
    }
};

struct OptionUseHash {
    std::size_t operator()(const OptionUse& u) const noexcept {
        std::size_t h = std::hash<std::string>{}(u.reg);
        for (const std::uint64_t part :
             {std::uint64_t{u.day}, std::uint64_t{u.real}, std::uint64_t{u.key.airline},
              std::uint64_t{u.key.operatorId}, std::uint64_t{u.key.model},
              std::uint64_t{u.key.cargo}}) {
            h = h * 1000003u ^ std::hash<std::uint64_t>{}(part);
        }
        return h;
    }
};

// The hours each use of a stand already covers: a new option is a duplicate when its hours meet
// them, so that the test costs one look-up instead of a walk over every option.
class StandUses {
public:
    explicit StandUses(const Stand& stand) {
        for (const FlightOption& option : stand.options) {
            add(option);
        }
    }
    bool covers(const FlightOption& option) const {
        const auto found = hours_.find(lf_useOf(option));
        return found != hours_.end() && found->second.intersects(option.hours);
    }
    void add(const FlightOption& option) {
        HoursBitset& hours = hours_[lf_useOf(option)];
        hours |= option.hours;
    }

private:
    static OptionUse lf_useOf(const FlightOption& option) {
        return {option.day, option.real, option.reg, option.key};
    }
    std::unordered_map<OptionUse, HoursBitset, OptionUseHash> hours_;
};

// One line per stand for the learned options skipped because a save could not write them back.
void lf_logUnsavableOptions(const std::string& id, const std::string& path, std::size_t badDays,
                            std::size_t withoutReg) {
    if (badDays != 0) {
        LogFile::write(fmt::format("learned stand {} in {}: {} option{} with a day outside 1 to 7 "
                                   "skipped",
                                   id, path, badDays, badDays == 1 ? "" : "s"));
    }
    if (withoutReg != 0) {
        LogFile::write(fmt::format("learned stand {} in {}: {} option{} without registration "
                                   "skipped",
                                   id, path, withoutReg, withoutReg == 1 ? "" : "s"));
    }
}

// A stand a learned file gives whole (a hand-made one, or one of a handmade file) is read by
// the airport-file reader, which leaves out options with a day outside 1 to 7; those without
// registration, which a save would leave out, go too. Both are counted in one line.
void lf_dropUnsavableOptions(const pugi::xml_node& parkpos, const std::string& path, Stand& stand) {
    std::size_t badDays = 0;
    std::size_t looked = 0;
    for (const pugi::xml_node opt : parkpos.children("opt")) {
        if (++looked > kMaxStandOptions) {
            break;
        }
        const std::uint32_t day = opt.attribute("day").as_uint(0);
        badDays += day < 1 || day > 7 ? 1 : 0;
    }
    const std::size_t withoutReg =
        std::erase_if(stand.options, [](const FlightOption& option) { return option.reg.empty(); });
    std::uint32_t seq = 0;
    for (FlightOption& option : stand.options) {
        option.seq = ++seq;
    }
    lf_logUnsavableOptions(stand.id, path, badDays, withoutReg);
}

// The stand section of a handmade learned file, read as the airport-file reader reads one.
void lf_readHandmadeStands(const pugi::xml_document& document, const std::string& path,
                           std::vector<Stand>& stands) {
    const pugi::xml_node section = gf_parkpositionsSection(document);
    if (!section) {
        LogFile::write(fmt::format("airport file has no '{}' section", "parkpositions"));
        return;
    }
    // As gf_readParkpositions reads the section, each stand's options then checked.
    gf_walkParkpositions(section, ParkposWalkLog::lines,
                         [&](const pugi::xml_node& parkpos, std::string id) {
                             if (gf_readParkpos(parkpos, std::move(id), 1, stands)) {
                                 lf_dropUnsavableOptions(parkpos, path, stands.back());
                             }
                         });
}

std::size_t lf_learnedOptionCount(const Stand& stand) {
    return static_cast<std::size_t>(
        std::count_if(stand.options.begin(), stand.options.end(),
                      [](const FlightOption& o) { return o.origin == 0; }));
}

// Merges the learned options of one `parkpos` into the stand of the same id. Options with a
// day outside 1 to 7 or without a registration would be dropped at the next save: they are
// skipped here, with a line.
void lf_mergeLearnedOptions(const pugi::xml_node& parkpos, const std::string& path, Stand& stand) {
    std::uint32_t next = stand.options.empty() ? 1 : stand.options.back().seq + 1;
    StandUses uses(stand);
    std::size_t learned = lf_learnedOptionCount(stand);
    std::size_t looked = 0;
    std::size_t badDays = 0;
    std::size_t withoutReg = 0;
    for (const pugi::xml_node opt : parkpos.children("opt")) {
        if (++looked > kMaxStandOptions || learned >= kMaxStandOptions) {
            LogFile::write(fmt::format("learned stand {} in {} has more than {} options; remaining "
                                       "options skipped",
                                       stand.id, path, kMaxStandOptions));
            break;
        }
        const HoursBitset hours = gf_hours2bitset(opt.attribute("hh").as_string());
        if (hours.none()) {
            LogFile::writeImportant("empty bit set");
            continue;
        }
        FlightOption option = gf_makeFlightOption(opt, hours, next, 0);
        if (option.day < 1 || option.day > 7) {
            ++badDays;
            continue;
        }
        if (option.reg.empty()) {
            ++withoutReg;
            continue;
        }
        if (uses.covers(option)) {
            continue;
        }
        uses.add(option);
        stand.options.push_back(std::move(option));
        ++learned;
        ++next;
    }
    lf_logUnsavableOptions(stand.id, path, badDays, withoutReg);
}

bool lf_usableManualStand(const pugi::xml_node& parkpos) {
    return gf_readParkposPosition(parkpos) &&
           gf_isUsableStandRadius(gf_apfNumberAttribute(parkpos, "radius"));
}

void lf_mergeStands(const pugi::xml_document& document, const std::string& path,
                    std::vector<Stand>& stands) {
    const pugi::xml_node section = gf_parkpositionsSection(document);
    if (!section) {
        LogFile::write(fmt::format("learned file {} has no '{}' section", path, "parkpositions"));
        return;
    }
    // Stands by id, the first of equal ids as a walk in order would find it.
    std::unordered_map<std::string, std::size_t> byId;
    for (std::size_t i = 0; i < stands.size(); ++i) {
        byId.try_emplace(stands[i].id, i);
    }
    std::size_t number = 0;
    bool full = false;
    for (const pugi::xml_node parkpos : section.children("parkpos")) {
        if (++number > kMaxApfStands) {
            LogFile::write(fmt::format(
                "learned file {} contains more than {} stands; remaining stands skipped", path,
                kMaxApfStands));
            break;
        }
        // A stand without an id could never be saved again: every later save would fail.
        std::string id = gf_readParkposId(parkpos);
        if (id.empty()) {
            LogFile::writeImportant(
                fmt::format("learned stand #{} in {} has no id, skipped", number, path));
            continue;
        }
        const auto found = byId.find(id);
        if (!gf_apfBoolAttribute(parkpos, "manual")) {
            if (found == byId.end()) {
                LogFile::write(fmt::format("learned stand {} in {} not found?", id, path));
            } else {
                lf_mergeLearnedOptions(parkpos, path, stands[found->second]);
            }
            continue;
        }
        if (found != byId.end()) {
            LogFile::writeImportant(
                fmt::format("manually created standid {} already exists in {}", id, path));
        } else if (!lf_usableManualStand(parkpos)) {
            LogFile::writeImportant(
                fmt::format("manually created standid {} misses correct attributes in {}", id, path));
        } else if (stands.size() >= kMaxApfStands) {
            if (!full) {
                LogFile::writeImportant(fmt::format(
                    "manually created standid {} in {} skipped: the airport has {} stands "
                    "already; later ones skipped too",
                    id, path, kMaxApfStands));
            }
            full = true;
        } else if (gf_readParkpos(parkpos, id, 0, stands)) {
            stands.back().manual = true;
            lf_dropUnsavableOptions(parkpos, path, stands.back());
            byId.emplace(std::move(id), stands.size() - 1);
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
            true, StatusWeight::warning);
    }
    data.overrides = lf_readOverrides(document);
    if (gf_findXmlParameterBool(document, "handmade").value_or(false)) {
        data.stands.clear();
        lf_readHandmadeStands(document, path, data.stands);
        lf_logOverride("handmade", lf_boolText(true));
        data.handmade = true;
        return {std::move(data), {}};
    }
    lf_mergeStands(document, path, data.stands);
    return {std::move(data), {}};
}

bool gf_saveLearned(ParkingState& state, const std::vector<Stand>& stands, bool handmade,
                    const LearnedSaveContext& context) {
    const AirportEntry parkAirport = context.parkAirport.get();
    if (!parkAirport.icao.isSet() || !state.airportFileApplied) {
        LogFile::writeImportant("gf_saveLearned called without a loaded airport file");
        return true;
    }
    if (state.file.learnedSavePath.empty()) {
        LogFile::writeImportant(fmt::format("cannot construct a safe learned path for publisher '{}'",
                                            state.file.publisherName));
        return true;
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
    const bool saved = gf_writeApf(airport, state.file.learnedSavePath, ApfMode::learned,
                                   context.simulator, handmade, options, context.clock);
    if (saved) {
        LogFile::write(fmt::format("{} '{}' saved with {} update{}", handmade ? " handmade" : "",
                                   path, state.updateCount,
                                   state.updateCount == 1 || state.updateCount < 0 ? "" : "s"));
    } else {
        LogFile::write(fmt::format("saving '{}' did not succeed", path));
    }
    state.updateCount = 0;
    return saved;
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
