#include "refdata/similar_models.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <vector>

#include <fmt/format.h>

#include "foundation/fnv_hash.h"
#include "foundation/log_file.h"
#include "refdata/code_table.h"
#include "refdata/dbase.h"

namespace skyloom {

namespace {

// An (airline, model) pair as one key, hashed as its four bytes, low byte first.
struct AirlineModelHash {
    std::size_t operator()(std::uint32_t key) const noexcept {
        std::uint64_t hash = kFnv1a64OffsetBasis;
        for (int shift = 0; shift < 32; shift += 8) {
            hash = gf_fnv1a64Byte(hash, static_cast<std::uint8_t>((key >> shift) & 0xFFu));
        }
        return hash;
    }
};

constexpr std::uint32_t lf_airlineModelKey(std::uint16_t airline, std::uint16_t model) {
    return (static_cast<std::uint32_t>(airline) << 16) | model;
}

struct SimilarTables {
    FnvIdMap<std::vector<std::uint16_t>> byModel;
    std::unordered_map<std::uint32_t, std::vector<std::uint16_t>, AirlineModelHash> byAirline;
};

SimilarTables& lf_tables() {
    static SimilarTables tables;
    return tables;
}

std::atomic<const InstalledLiveries*> g_installedLiveries{nullptr};

void lf_appendUnique(std::vector<std::uint16_t>& list, std::uint16_t id) {
    if (std::find(list.begin(), list.end(), id) == list.end()) {
        list.push_back(id);
    }
}

} // namespace

void gf_setInstalledLiveries(const InstalledLiveries* liveries) {
    g_installedLiveries = liveries;
}

std::size_t gf_createSimilarModelDefs(const InstalledLiveries& liveries) {
    auto& tables = lf_tables();
    tables.byModel.clear();
    tables.byAirline.clear();
    tables.byModel.max_load_factor(0.7f);
    tables.byAirline.max_load_factor(0.7f);

    const auto dbase = gf_dbase();
    std::vector<std::vector<std::uint16_t>> groups;
    for (const auto& codes : dbase->similarGroups()) {
        std::vector<std::uint16_t> ids;
        for (const auto& code : codes) {
            lf_appendUnique(ids, gf_modelId(code));
        }
        groups.push_back(std::move(ids));
    }

    const auto airlines = liveries.airlinesWithLiveries();
    // The models of the groups that some airline has liveries of.
    FnvIdSet installed;
    for (const auto& group : groups) {
        for (const auto model : group) {
            for (const auto airline : airlines) {
                if (liveries.hasAirlineModelLivery(LiveryKey{airline, 0, model, 0, 0})) {
                    installed.insert(model);
                    break;
                }
            }
        }
    }

    for (const auto& group : groups) {
        for (const auto model : group) {
            for (const auto other : group) {
                if (other != model && installed.contains(other)) {
                    lf_appendUnique(tables.byModel[model], other);
                }
            }
        }
    }

    for (const auto airline : airlines) {
        for (const auto& group : groups) {
            std::vector<std::uint16_t> owned;
            for (const auto model : group) {
                if (liveries.hasAirlineModelLivery(LiveryKey{airline, 0, model, 0, 0})) {
                    owned.push_back(model);
                }
            }
            if (owned.empty()) {
                continue;
            }
            for (const auto model : group) {
                if (std::find(owned.begin(), owned.end(), model) != owned.end()) {
                    continue;
                }
                auto& list = tables.byAirline[lf_airlineModelKey(airline, model)];
                for (const auto other : owned) {
                    lf_appendUnique(list, other);
                }
            }
        }
    }

    const auto count = tables.byModel.size() + tables.byAirline.size();
    if (count == 0) {
        LogFile::write("No similar model definitions with installed liveries found");
    } else {
        LogFile::write(fmt::format("{:5} similar model definitions", count));
    }
    return count;
}

std::size_t gf_createSimilarModelDefs() {
    const auto* liveries = g_installedLiveries.load();
    if (liveries == nullptr) {
        throw std::logic_error(
            "gf_createSimilarModelDefs: the livery tables have not been handed over");
    }
    return gf_createSimilarModelDefs(*liveries);
}

std::span<std::uint16_t> gf_similarModels(std::uint16_t modelId) {
    auto& byModel = lf_tables().byModel;
    if (const auto it = byModel.find(modelId); it != byModel.end()) {
        return it->second;
    }
    return {};
}

std::span<std::uint16_t> gf_similarModelsOfAirline(std::uint16_t airlineId, std::uint16_t modelId) {
    auto& byAirline = lf_tables().byAirline;
    if (const auto it = byAirline.find(lf_airlineModelKey(airlineId, modelId));
        it != byAirline.end()) {
        return it->second;
    }
    return {};
}

void gf_clearSimilarModelDefs() {
    auto& tables = lf_tables();
    tables.byModel.clear();
    tables.byAirline.clear();
}

} // namespace skyloom
