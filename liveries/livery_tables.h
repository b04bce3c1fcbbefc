// The livery tables: the installed liveries arranged for the livery choice. Built once per
// start-up from the scanned-liveries file (liveries/process_scanned_liveries.h), then only read
// on the main worker thread until the next start-up.
//
// Titles are stored once, as owned text, in `airlineLiveryIndex`; every other table holds
// views of those texts, which stay valid until the tables are cleared. Maps keyed by a 16-bit
// id or by text hash with FNV-1a and have a maximum load factor of 0.7; their room is reserved
// before they are filled, so that building a large installation does not rehash.
//
// The tables also tell the similar-model definitions of the reference data which airlines have
// liveries of which models (`InstalledLiveries`).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "foundation/fnv_hash.h"
#include "liveries/livery_record.h"
#include "refdata/aircraft_category.h"
#include "refdata/livery_key.h"
#include "refdata/similar_models.h"

namespace skyloom {

inline constexpr float kLiveryTableMaxLoadFactor = 0.7f;
// Room reserved before the tables are filled.
inline constexpr std::size_t kPassengerAirlinesReserved = 2048;
inline constexpr std::size_t kCargoAirlinesReserved = 256;
inline constexpr std::size_t kPassengerModelsReserved = 324;
inline constexpr std::size_t kCargoModelsReserved = 75;
inline constexpr std::size_t kLiveryTitlesReserved = 30000;
inline constexpr std::size_t kRegcodesReserved = 36000;
inline constexpr std::size_t kSpecialTitlesReserved = 4096;
inline constexpr std::size_t kCategoryModelsReserved = 128;

// Index of the passenger and cargo halves of the two-part tables.
enum class LiveryKind : std::size_t { passenger = 0, cargo = 1 };

// One installed livery under its airline and model.
struct LiveryEntry {
    std::string title;
    bool cargo = false;
};

using TitleList = std::vector<std::string_view>;
using TitleViewSet = std::unordered_set<std::string_view, FnvStringHash, std::equal_to<>>;
template <typename Value>
using TitleViewMap = std::unordered_map<std::string_view, Value, FnvStringHash, std::equal_to<>>;

class LiveryTables final : public InstalledLiveries {
public:
    LiveryTables();
    // The other tables view the texts of `airlineLiveryIndex`: a copy would view the original.
    LiveryTables(const LiveryTables&) = delete;
    LiveryTables& operator=(const LiveryTables&) = delete;

    // airline id -> model id -> the liveries. Liveries flown for an operator are filed under
    // the id of the combined code (airline code followed by operator code).
    FnvIdMap<FnvIdMap<std::vector<LiveryEntry>>> airlineLiveryIndex;
    // [kind]: airline id -> model id -> titles, in the order of `airlineLiveryIndex`.
    std::array<FnvIdMap<FnvIdMap<TitleList>>, 2> airlineModelLiveries;
    // [kind]: model id -> titles of all airlines.
    std::array<FnvIdMap<TitleList>, 2> modelLiveries;
    // Every installed (non-empty) title, as a view of its text in `airlineLiveryIndex`.
    TitleViewSet liveryTitleIndex;
    // Per `AircraftCategory`: the models that have liveries, sorted, each once.
    std::array<std::vector<std::uint16_t>, kAircraftCategoryCount> categoryModels;

    // regcode -> the title of the livery that shows it.
    FnvStringMap<std::string_view> regcodeLiveryMap;
    // title -> the regcode written in the livery itself.
    TitleViewMap<std::string> inlineRegcodeMap;
    // Liveries made for one aircraft: reached only through their regcode.
    TitleViewSet specialLiveryTitles;
    // The regcodes of special liveries that carry exactly one regcode.
    std::set<std::string, std::less<>> uniqueLiveryRegcodes;

    // Empties every table and reserves its room again.
    void clear();

    // The view of an installed title in the tables; an empty view when the title is not
    // installed.
    std::string_view findTitle(std::string_view title) const;
    // The titles of an airline and model in the tables of `kind`; empty when there are none.
    std::span<const std::string_view> airlineModelTitles(LiveryKind kind, std::uint16_t airline,
                                                         std::uint16_t model) const;
    // The titles of a model (all airlines) in the tables of `kind`; empty when none.
    std::span<const std::string_view> modelTitles(LiveryKind kind, std::uint16_t model) const;
    bool isSpecialTitle(std::string_view title) const {
        return specialLiveryTitles.contains(title);
    }

    // InstalledLiveries: the airlines of `airlineLiveryIndex`, and whether the key's airline has
    // a livery of the key's model (operator and cargo ignored).
    std::set<std::uint16_t> airlinesWithLiveries() const override;
    bool hasAirlineModelLivery(const LiveryKey& key) const override;
};

// The program's tables (main worker thread only).
LiveryTables& gf_liveryTables();

// On the program's tables.
bool gf_hasAirlineModelLivery(const LiveryKey& key);
std::set<std::uint16_t> gf_airlinesWithLiveries();

// Files the records into `airlineLiveryIndex`: first those without operator under their
// airline, then those with one under the combined code of airline and operator; records with
// airline or model id 0, and operator groups whose codes are not in the airline code table,
// are logged and skipped; an operator group whose combined code gets id 0 (the table is full,
// which the table logs once) is skipped. The records come sorted (gf_liveryLess).
void gf_checkLiveryIndexes(LiveryTables& tables, std::span<const LiveryRecord> records);
// Fills `liveryTitleIndex` and logs "{:5} livery titles".
void gf_fillLiveryTitleIndex(LiveryTables& tables);
// Fills both `airlineModelLiveries` from `airlineLiveryIndex`.
void gf_buildAirlineModelLiveries(LiveryTables& tables);
// Fills both `modelLiveries` from `airlineLiveryIndex`.
void gf_createModelSorted(LiveryTables& tables);

} // namespace skyloom
