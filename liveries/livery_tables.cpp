#include "liveries/livery_tables.h"

#include <algorithm>
#include <string_view>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "refdata/code_table.h"

namespace skyloom {
namespace {

template <typename Table> void lf_resetTable(Table& table, std::size_t reserved) {
    table.clear();
    table.max_load_factor(kLiveryTableMaxLoadFactor);
    table.reserve(reserved);
}

constexpr std::size_t lf_index(LiveryKind kind) noexcept {
    return static_cast<std::size_t>(kind);
}

// The inner map of an outer one, made with the tables' load factor when it is new.
template <typename Inner> Inner& lf_innerMap(FnvIdMap<Inner>& outer, std::uint16_t id) {
    const auto [it, made] = outer.try_emplace(id);
    if (made) {
        it->second.max_load_factor(kLiveryTableMaxLoadFactor);
    }
    return it->second;
}

// Appends a run of entries gathered for one airline and model to the index.
void lf_fileEntries(LiveryTables& tables, std::uint16_t airline, std::uint16_t model,
                    std::vector<LiveryEntry>& entries) {
    if (entries.empty()) {
        return;
    }
    auto& list = lf_innerMap(tables.airlineLiveryIndex, airline)[model];
    if (list.empty()) {
        list = std::move(entries);
    } else {
        std::move(entries.begin(), entries.end(), std::back_inserter(list));
    }
    entries.clear();
}

// Pass 1: the records without operator, under their airline.
void lf_fileAirlineLiveries(LiveryTables& tables, std::span<const LiveryRecord> records) {
    std::vector<LiveryEntry> run;
    std::uint16_t runAirline = 0;
    std::uint16_t runModel = 0;
    for (const auto& record : records) {
        const LiveryKey& key = record.key;
        if (key.operatorId != 0) {
            continue;
        }
        if (key.airline == 0 || key.model == 0) {
            LogFile::write(fmt::format("Invalid livery index: airl={}, opr={}, model={}, title={}",
                                       key.airline, key.operatorId, key.model, record.title));
            continue;
        }
        if (key.airline != runAirline || key.model != runModel) {
            lf_fileEntries(tables, runAirline, runModel, run);
            runAirline = key.airline;
            runModel = key.model;
        }
        run.push_back(LiveryEntry{record.title, key.cargo != 0});
    }
    lf_fileEntries(tables, runAirline, runModel, run);
}

// Pass 2: the records with an operator, under the combined code of airline and operator.
void lf_fileOperatorLiveries(LiveryTables& tables, std::span<const LiveryRecord> records) {
    std::vector<LiveryEntry> run;
    std::uint16_t runAirline = 0;
    std::uint16_t runOperator = 0;
    std::uint16_t runModel = 0;
    const auto flush = [&] {
        if (run.empty()) {
            return;
        }
        const std::string airlineCode = gf_airlineCode(runAirline);
        const std::string operatorCode = gf_airlineCode(runOperator);
        // An id beyond the code table has no text: the combined code would name another
        // airline.
        if (airlineCode.empty() || operatorCode.empty()) {
            LogFile::write(
                fmt::format("{}: invalid airline/operator while flushing: airline={}, opr={}",
                            "operator ()", runAirline, runOperator));
            run.clear();
            return;
        }
        const std::uint16_t combined = gf_airlineId(airlineCode + operatorCode);
        // A full airline code table gives new codes the empty code's id, which would mix the
        // liveries of unrelated operators; the table has logged that it is full.
        if (combined == 0) {
            run.clear();
            return;
        }
        lf_fileEntries(tables, combined, runModel, run);
    };
    for (const auto& record : records) {
        const LiveryKey& key = record.key;
        if (key.operatorId == 0) {
            continue;
        }
        if (key.airline == 0 || key.model == 0) {
            LogFile::write(
                fmt::format("Invalid operator livery index: airl={}, opr={}, model={}, title={}",
                            key.airline, key.operatorId, key.model, record.title));
            continue;
        }
        if (key.airline != runAirline || key.operatorId != runOperator || key.model != runModel) {
            flush();
            runAirline = key.airline;
            runOperator = key.operatorId;
            runModel = key.model;
        }
        run.push_back(LiveryEntry{record.title, key.cargo != 0});
    }
    flush();
}

struct ModelItem {
    std::string_view title;
    std::uint16_t model = 0;
    bool cargo = false;
};

} // namespace

LiveryTables::LiveryTables() {
    clear();
}

void LiveryTables::clear() {
    for (auto& models : categoryModels) {
        models.clear();
        models.reserve(kCategoryModelsReserved);
    }
    // The views go before the texts they view.
    lf_resetTable(modelLiveries[lf_index(LiveryKind::passenger)], kPassengerModelsReserved);
    lf_resetTable(modelLiveries[lf_index(LiveryKind::cargo)], kCargoModelsReserved);
    lf_resetTable(regcodeLiveryMap, kRegcodesReserved);
    lf_resetTable(inlineRegcodeMap, kRegcodesReserved);
    lf_resetTable(liveryTitleIndex, kLiveryTitlesReserved);
    lf_resetTable(airlineModelLiveries[lf_index(LiveryKind::passenger)],
                  kPassengerAirlinesReserved);
    lf_resetTable(airlineModelLiveries[lf_index(LiveryKind::cargo)], kCargoAirlinesReserved);
    lf_resetTable(specialLiveryTitles, kSpecialTitlesReserved);
    uniqueLiveryRegcodes.clear();
    lf_resetTable(airlineLiveryIndex, kPassengerAirlinesReserved);
}

std::string_view LiveryTables::findTitle(std::string_view title) const {
    const auto it = liveryTitleIndex.find(title);
    return it == liveryTitleIndex.end() ? std::string_view() : *it;
}

std::span<const std::string_view> LiveryTables::airlineModelTitles(LiveryKind kind,
                                                                   std::uint16_t airline,
                                                                   std::uint16_t model) const {
    const auto& airlines = airlineModelLiveries[lf_index(kind)];
    const auto airlineIt = airlines.find(airline);
    if (airlineIt == airlines.end()) {
        return {};
    }
    const auto modelIt = airlineIt->second.find(model);
    if (modelIt == airlineIt->second.end()) {
        return {};
    }
    return modelIt->second;
}

std::span<const std::string_view> LiveryTables::modelTitles(LiveryKind kind,
                                                            std::uint16_t model) const {
    const auto& models = modelLiveries[lf_index(kind)];
    const auto it = models.find(model);
    return it == models.end() ? std::span<const std::string_view>() : it->second;
}

std::set<std::uint16_t> LiveryTables::airlinesWithLiveries() const {
    std::set<std::uint16_t> airlines;
    for (const auto& entry : airlineLiveryIndex) {
        airlines.insert(entry.first);
    }
    return airlines;
}

bool LiveryTables::hasAirlineModelLivery(const LiveryKey& key) const {
    const auto it = airlineLiveryIndex.find(key.airline);
    return it != airlineLiveryIndex.end() && it->second.contains(key.model);
}

LiveryTables& gf_liveryTables() {
    static LiveryTables tables;
    return tables;
}

bool gf_hasAirlineModelLivery(const LiveryKey& key) {
    return gf_liveryTables().hasAirlineModelLivery(key);
}

std::set<std::uint16_t> gf_airlinesWithLiveries() {
    return gf_liveryTables().airlinesWithLiveries();
}

void gf_checkLiveryIndexes(LiveryTables& tables, std::span<const LiveryRecord> records) {
    lf_fileAirlineLiveries(tables, records);
    lf_fileOperatorLiveries(tables, records);
}

void gf_fillLiveryTitleIndex(LiveryTables& tables) {
    for (const auto& [airline, models] : tables.airlineLiveryIndex) {
        for (const auto& [model, entries] : models) {
            for (const auto& entry : entries) {
                if (!entry.title.empty()) {
                    tables.liveryTitleIndex.insert(std::string_view(entry.title));
                }
            }
        }
    }
    LogFile::write(fmt::format("{:5} livery titles", tables.liveryTitleIndex.size()));
}

void gf_buildAirlineModelLiveries(LiveryTables& tables) {
    auto& passenger = tables.airlineModelLiveries[lf_index(LiveryKind::passenger)];
    auto& cargo = tables.airlineModelLiveries[lf_index(LiveryKind::cargo)];
    for (const auto& [airline, models] : tables.airlineLiveryIndex) {
        for (const auto& [model, entries] : models) {
            TitleList passengerTitles;
            TitleList cargoTitles;
            for (const auto& entry : entries) {
                if (!entry.title.empty()) {
                    (entry.cargo ? cargoTitles : passengerTitles).push_back(entry.title);
                }
            }
            if (!passengerTitles.empty()) {
                lf_innerMap(passenger, airline)[model] = std::move(passengerTitles);
            }
            if (!cargoTitles.empty()) {
                lf_innerMap(cargo, airline)[model] = std::move(cargoTitles);
            }
        }
    }
}

void gf_createModelSorted(LiveryTables& tables) {
    std::vector<ModelItem> items;
    items.reserve(kLiveryTitlesReserved);
    for (const auto& [airline, models] : tables.airlineLiveryIndex) {
        for (const auto& [model, entries] : models) {
            if (model == 0) {
                LogFile::write(fmt::format("{}: model index 0 skipped", "lf_createModelSorted"));
                continue;
            }
            for (const auto& entry : entries) {
                if (!entry.title.empty()) {
                    items.push_back(ModelItem{entry.title, model, entry.cargo});
                }
            }
        }
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const ModelItem& a, const ModelItem& b) { return a.model < b.model; });
    auto& passenger = tables.modelLiveries[lf_index(LiveryKind::passenger)];
    auto& cargo = tables.modelLiveries[lf_index(LiveryKind::cargo)];
    for (auto first = items.begin(); first != items.end();) {
        const std::uint16_t model = first->model;
        const auto last = std::find_if(
            first, items.end(), [model](const ModelItem& item) { return item.model != model; });
        TitleList passengerTitles;
        TitleList cargoTitles;
        for (auto it = first; it != last; ++it) {
            (it->cargo ? cargoTitles : passengerTitles).push_back(it->title);
        }
        if (!passengerTitles.empty()) {
            passenger[model] = std::move(passengerTitles);
        }
        if (!cargoTitles.empty()) {
            cargo[model] = std::move(cargoTitles);
        }
        first = last;
    }
}

} // namespace skyloom
