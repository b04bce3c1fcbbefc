#include "liveries/livery_choice.h"

#include <cctype>
#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "config/params_snapshot.h"
#include "foundation/log_file.h"
#include "foundation/random.h"
#include "liveries/airline_names.h"
#include "liveries/livery_matching_summary.h"
#include "liveries/livery_tables.h"
#include "refdata/airport_file.h"
#include "refdata/code_table.h"
#include "refdata/dbase_lookups.h"
#include "refdata/similar_models.h"
#include "runtime/user_aircraft.h"

namespace skyloom {
namespace {

// Tries of a random pick before the candidates are walked once.
constexpr int kRandomPickTries = 5;
constexpr std::string_view kFsltlMark = "FSLTL_";
constexpr std::string_view kLogIndent = "                "; // 16 blanks

using Titles = std::span<const std::string_view>;

// The ids of the fixed codes are found once: a code keeps its id for the whole run.
std::uint16_t lf_pvtId() {
    static const std::uint16_t id = gf_airlineId("PVT");
    return id;
}

std::uint16_t lf_zzzId() {
    static const std::uint16_t id = gf_airlineId("ZZZ");
    return id;
}

// The tables of `kind` (0 passenger, 1 cargo); any other kind is a fault in the program.
LiveryKind lf_kind(std::uint8_t kind) {
    if (kind > 1) {
        std::terminate();
    }
    return static_cast<LiveryKind>(kind);
}

std::uint8_t lf_kindOf(const LiveryKey& key) {
    return key.cargo != 0 ? 1 : 0;
}

bool lf_isLightCategory(AircraftCategory category) {
    return category == AircraftCategory::Light || category == AircraftCategory::TwoProps ||
           category == AircraftCategory::Bizjet || category == AircraftCategory::Rotorcraft;
}

// Sets the title to a random candidate that is not special. A few random tries first; then one
// pass keeps each candidate that is not special with chance 1/k (k counting them), so that
// every such candidate is equally likely and, with RANDOM off, the last one wins.
bool lf_pickRandomLivery(const LiveryTables& tables, LiveryAircraft& record, Titles candidates) {
    const std::size_t n = candidates.size();
    if (n == 0) {
        return false;
    }
    for (int attempt = 0; attempt < kRandomPickTries; ++attempt) {
        const std::string_view candidate = candidates[gf_randomIndex(n)];
        if (!tables.isSpecialTitle(candidate)) {
            record.liveryTitle = candidate;
            return !candidate.empty();
        }
    }
    std::string_view choice;
    std::size_t k = 0;
    for (const std::string_view candidate : candidates) {
        if (tables.isSpecialTitle(candidate)) {
            continue;
        }
        ++k;
        if (gf_randomIndex(k) == 0) {
            choice = candidate;
        }
    }
    if (choice.empty()) {
        return false;
    }
    record.liveryTitle = choice;
    return true;
}

bool lf_matchRegcode(const LiveryTables& tables, LiveryAircraft& record) {
    if (record.regcode.empty()) {
        return false;
    }
    const auto it = tables.regcodeLiveryMap.find(record.regcode);
    if (it == tables.regcodeLiveryMap.end() || it->second.empty()) {
        return false;
    }
    record.liveryTitle = it->second;
    return true;
}

std::size_t lf_regcodeStep(const LiveryTables& tables, const LiveryAircraft& record) {
    return tables.uniqueLiveryRegcodes.contains(record.regcode) ? 0 : 1;
}

bool lf_pickAirlineModelLivery(const LiveryTables& tables, LiveryAircraft& record,
                               std::uint8_t kind, const LiveryKey& key) {
    return lf_pickRandomLivery(tables, record,
                               tables.airlineModelTitles(lf_kind(kind), key.airline, key.model));
}

bool lf_pickModelLivery(const LiveryTables& tables, LiveryAircraft& record, std::uint16_t modelId,
                        std::uint8_t kind) {
    return lf_pickRandomLivery(tables, record, tables.modelTitles(lf_kind(kind), modelId));
}

std::string lf_upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

// The first title of the key's airline and model that names the airline of `codeText`
// (letter case ignored), in stored order: no random pick, no special exclusion.
bool lf_matchTitleByAirlineName(const LiveryTables& tables, LiveryAircraft& record,
                                std::uint8_t kind, const LiveryKey& key,
                                std::string_view codeText) {
    const Titles titles = tables.airlineModelTitles(lf_kind(kind), key.airline, key.model);
    const std::string_view name = gf_airlineName(codeText);
    if (titles.empty() || name.empty()) {
        return false;
    }
    const std::string upperName = lf_upper(name);
    for (const std::string_view title : titles) {
        if (title.size() >= upperName.size() &&
            lf_upper(title).find(upperName) != std::string::npos) {
            record.liveryTitle = title;
            return true;
        }
    }
    return false;
}

bool lf_matchAirlineOrOperatorModel(const LiveryTables& tables, LiveryAircraft& record,
                                    const LiveryKey& key, std::uint8_t kind) {
    if (key.operatorId == 0) {
        return lf_pickAirlineModelLivery(tables, record, kind, key);
    }
    const std::string airlineCode = gf_airlineCode(key.airline);
    const std::string operatorCode = gf_airlineCode(key.operatorId);
    const std::uint16_t combined = gf_airlineId(airlineCode + operatorCode);
    const LiveryKey combinedKey{combined, 0, key.model, 0, 0};
    const LiveryKey operatorKey{key.operatorId, 0, key.model, 0, 0};
    const LiveryKey airlineKey{key.airline, 0, key.model, 0, 0};
    // Id 0 (a full airline code table) is the empty code, no combined code.
    return (combined != 0 && lf_pickAirlineModelLivery(tables, record, kind, combinedKey)) ||
           lf_matchTitleByAirlineName(tables, record, kind, operatorKey, airlineCode) ||
           lf_matchTitleByAirlineName(tables, record, kind, airlineKey, operatorCode) ||
           lf_pickAirlineModelLivery(tables, record, kind, operatorKey) ||
           lf_pickAirlineModelLivery(tables, record, kind, key);
}

// A cargo key falls back to the passenger liveries; a passenger key never takes a cargo one.
bool lf_matchAirlineModel(const LiveryTables& tables, LiveryAircraft& record,
                          const LiveryKey& key) {
    return lf_matchAirlineOrOperatorModel(tables, record, key, lf_kindOf(key)) ||
           (key.cargo != 0 && lf_matchAirlineOrOperatorModel(tables, record, key, 0));
}

bool lf_matchSimilarModelsOfAirline(const LiveryTables& tables, LiveryAircraft& record,
                                    const LiveryKey& key) {
    const std::uint16_t owner = key.operatorId != 0 ? key.operatorId : key.airline;
    const std::span<std::uint16_t> models = gf_similarModelsOfAirline(owner, key.model);
    gf_shuffleInPlace(models);
    for (const std::uint16_t model : models) {
        if (gf_modelCategory(model) != record.category) {
            continue;
        }
        LiveryKey similar = key;
        similar.model = model;
        if (lf_matchAirlineModel(tables, record, similar)) {
            return true;
        }
    }
    return false;
}

// Steps 4 to 8: the generic livery, then liveries of any airline. Sets `step` with the title.
bool lf_matchWiderSteps(const LiveryTables& tables, LiveryAircraft& record, int level,
                        bool cargoHint, std::size_t& step) {
    if (!record.liveryTitle.empty()) {
        return false;
    }
    const LiveryKey& key = record.key;
    const bool cargo = key.cargo != 0 || cargoHint;
    const bool light = lf_isLightCategory(record.category);

    LiveryKey generic = key;
    generic.airline = lf_zzzId();
    generic.operatorId = lf_zzzId();
    if (lf_matchAirlineModel(tables, record, generic)) {
        step = 4;
        return true;
    }
    if (level < 5 && !light) {
        return false;
    }
    if (lf_pickModelLivery(tables, record, key.model, lf_kindOf(key))) {
        step = 5;
        return true;
    }
    if (level < 6 && !light) {
        return false;
    }
    const std::span<std::uint16_t> similar = gf_similarModels(key.model);
    gf_shuffleInPlace(similar);
    for (const std::uint16_t model : similar) {
        if (lf_pickModelLivery(tables, record, model, lf_kindOf(key))) {
            step = 6;
            return true;
        }
    }
    if (level < 7 && !light) {
        return false;
    }
    const auto category = static_cast<std::size_t>(gf_modelCategory(key.model));
    std::vector<std::uint16_t> models = tables.categoryModels.at(category);
    gf_shuffleInPlace(std::span<std::uint16_t>(models));
    for (const std::uint16_t model : models) {
        if (lf_pickModelLivery(tables, record, model, cargo ? 1 : 0) ||
            lf_pickModelLivery(tables, record, model, cargo ? 0 : 1)) {
            step = 7;
            return true;
        }
    }
    if (level != kHighAltitudeLevel) {
        return false;
    }
    static const std::uint16_t b738 = gf_modelId("B738");
    static const std::uint16_t a320 = gf_modelId("A320");
    if (lf_pickModelLivery(tables, record, b738, lf_kindOf(key)) ||
        lf_pickModelLivery(tables, record, a320, lf_kindOf(key))) {
        step = 8;
        return true;
    }
    return false;
}

void lf_logMatch(const LiveryAircraft& record, std::string_view step) {
    LogFile::write(fmt::format("{}{} ={}= {}", kLogIndent, gf_formatLiveryLine(record), step,
                               record.liveryTitle));
}

// A title the simulator refused before is given up, and the ladder goes on.
bool lf_refuseFailedTitle(LiveryAircraft& record) {
    if (gf_isFailedLiveryTitle(record.liveryTitle)) {
        record.liveryTitle = {};
        return true;
    }
    return false;
}

bool lf_recordLiveryMatch(LiveryAircraft& record, std::size_t step) {
    if (lf_refuseFailedTitle(record)) {
        return false;
    }
    gf_countLiveryMatch(step);
    lf_logMatch(record, std::to_string(step));
    record.fsltlLivery = record.liveryTitle.find(kFsltlMark) != std::string_view::npos;
    if (static_cast<std::int64_t>(step) > gf_paramsSnapshot()->MATCHING_DEPTH) {
        record.tcasCoverage = true;
    }
    return true;
}

bool lf_recordStaticLiveryMatch(LiveryAircraft& record, std::size_t step) {
    if (lf_refuseFailedTitle(record)) {
        return false;
    }
    lf_logMatch(record, std::to_string(step));
    return true;
}

// Private aircraft are first shown in the generic livery of their model.
LiveryKey lf_privateKey(const LiveryKey& key) {
    LiveryKey generic = key;
    generic.airline = lf_zzzId();
    generic.operatorId = 0;
    return generic;
}

bool lf_logNoStaticMatch(const LiveryAircraft& record, const Stand& stand) {
    LogFile::write(fmt::format("{:14}: {} no livery match ...", stand.id,
                               fmt::format("{:8} {} {}", record.callsign, record.regcode,
                                           gf_formatLiveryKey(record.key))));
    return false;
}

} // namespace

void gf_matchLiveLivery(LiveryAircraft& aircraft, double aircraftAltitudeFt,
                        const UserPosition& user) {
    const LiveryTables& tables = gf_liveryTables();
    aircraft.liveryTitle = {};
    aircraft.fsltlLivery = false;
    aircraft.tcasCoverage = false;

    const auto settings = gf_paramsSnapshot();
    int level = settings->MATCHING_DEPTH;
    const double tcasAltitudeFt = settings->TCAS_FL * 100.0;
    if (user.altitudeFt > tcasAltitudeFt && aircraftAltitudeFt > tcasAltitudeFt) {
        level = kHighAltitudeLevel;
    }

    const auto tryStep = [&](bool found, std::size_t step) {
        return found && lf_recordLiveryMatch(aircraft, step);
    };
    if (lf_matchRegcode(tables, aircraft) &&
        lf_recordLiveryMatch(aircraft, lf_regcodeStep(tables, aircraft))) {
        return;
    }
    if (level < 2) {
        return;
    }
    const LiveryKey key = aircraft.key;
    if (key.airline == lf_pvtId() &&
        tryStep(lf_matchAirlineModel(tables, aircraft, lf_privateKey(key)), 4)) {
        return;
    }
    if (tryStep(lf_matchAirlineModel(tables, aircraft, key), 2)) {
        return;
    }
    if (level < 3) {
        return;
    }
    if (tryStep(lf_matchSimilarModelsOfAirline(tables, aircraft, key), 3)) {
        return;
    }
    if (level < kWiderStepsLevel) {
        return;
    }
    std::size_t step = 0;
    if (lf_matchWiderSteps(tables, aircraft, level, false, step)) {
        lf_recordLiveryMatch(aircraft, step);
    }
}

bool gf_matchStaticLivery(LiveryAircraft& aircraft, const Stand& stand) {
    if (!aircraft.liveryTitle.empty()) {
        lf_logMatch(aircraft, "s");
        return true;
    }
    const LiveryTables& tables = gf_liveryTables();
    const int level = gf_paramsSnapshot()->MATCHING_DEPTH;
    LiveryKey key = aircraft.key;
    key.cargo = stand.cargo ? 1 : 0;

    const auto tryStep = [&](bool found, std::size_t step) {
        return found && lf_recordStaticLiveryMatch(aircraft, step);
    };
    if (!aircraft.regcode.empty() && lf_matchRegcode(tables, aircraft) &&
        lf_recordStaticLiveryMatch(aircraft, lf_regcodeStep(tables, aircraft))) {
        return true;
    }
    if (level < 2) {
        return lf_logNoStaticMatch(aircraft, stand);
    }
    if (key.airline == lf_pvtId() &&
        tryStep(lf_matchAirlineModel(tables, aircraft, lf_privateKey(key)), 4)) {
        return true;
    }
    if (tryStep(lf_matchAirlineModel(tables, aircraft, key), 2)) {
        return true;
    }
    if (level < 3) {
        return lf_logNoStaticMatch(aircraft, stand);
    }
    if (tryStep(lf_matchSimilarModelsOfAirline(tables, aircraft, key), 3)) {
        return true;
    }
    if (level < kWiderStepsLevel) {
        return lf_logNoStaticMatch(aircraft, stand);
    }
    std::size_t step = 0;
    if (lf_matchWiderSteps(tables, aircraft, level, stand.cargo, step) &&
        lf_recordStaticLiveryMatch(aircraft, step)) {
        return true;
    }
    return lf_logNoStaticMatch(aircraft, stand);
}

} // namespace skyloom
