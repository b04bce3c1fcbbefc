// Speed of the livery tables: building them from 20,000 scanned liveries (a large installation),
// and 100,000 livery choices for live aircraft on such tables, a mix of registration matches,
// airline liveries, similar models and the wider steps, with RANDOM on.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <pugixml.hpp>

#include "config/parameters.h"
#include "config/params_snapshot.h"
#include "foundation/random.h"
#include "liveries/category_report.h"
#include "liveries/livery_choice.h"
#include "liveries/livery_matching_summary.h"
#include "liveries/livery_record.h"
#include "liveries/livery_tables.h"
#include "liveries/offline_regcodes.h"
#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "refdata/dbase_lookups.h"
#include "refdata/similar_models.h"
#include "runtime/user_aircraft.h"

namespace skyloom {
namespace {

constexpr int kAirlines = 400;
constexpr int kModels = 60;
constexpr std::size_t kLiveries = 20000;
constexpr std::size_t kChoices = 100000;

std::string lf_model(int i) {
    return fmt::format("M{:03}", i);
}
std::string lf_airline(int i) {
    return fmt::format("A{:02}", i);
}

// Sixty models in the seven categories, in similar groups of five.
void lf_publishDbase() {
    std::string models;
    std::string similar;
    std::vector<std::string> categories(6);
    static const char* const kNames[] = {"Large",    "Heavy",      "Bizjet",
                                         "TwoProps", "Rotorcraft", "HighPerf"};
    for (int i = 0; i < kModels; ++i) {
        models += fmt::format("<m c=\"{}\"/>", lf_model(i));
        // A seventh of them in no list: Light.
        if (i % 7 != 6) {
            auto& list = categories[static_cast<std::size_t>(i % 7)];
            list += (list.empty() ? "" : ",") + lf_model(i);
        }
    }
    std::string categoryElements;
    for (std::size_t c = 0; c < categories.size(); ++c) {
        categoryElements += fmt::format("<c n=\"{}\" m=\"{}\"/>", kNames[c], categories[c]);
    }
    for (int first = 0; first + 4 < kModels; first += 5) {
        similar += fmt::format("<g m=\"{},{},{},{},{}\"/>", lf_model(first), lf_model(first + 1),
                               lf_model(first + 2), lf_model(first + 3), lf_model(first + 4));
    }
    const std::string xml =
        fmt::format("<root><models>{}</models><categories>{}</categories><similar>{}</similar>"
                    "</root>",
                    models, categoryElements, similar);
    pugi::xml_document document;
    document.load_string(xml.c_str());
    gf_publishDbase(Dbase::fromDocument(document.child("root"), "bench"));
}

// 20,000 liveries: each airline flies a spread of models, some for an operator, some as
// freighters, every tenth with its registration.
std::vector<LiveryRecord> lf_records() {
    std::vector<LiveryRecord> records;
    records.reserve(kLiveries);
    for (std::size_t n = 0; records.size() < kLiveries; ++n) {
        const int airline = static_cast<int>(n % kAirlines);
        const int model = static_cast<int>((n * 7 + n / kAirlines) % kModels);
        LiveryRecord record;
        record.title = fmt::format("{} {} livery {}", lf_airline(airline), lf_model(model), n);
        if (n % 10 == 0) {
            record.regcode = fmt::format("R-{:05}", n);
        }
        record.key.airline = gf_airlineId(lf_airline(airline));
        record.key.operatorId =
            n % 13 == 0 ? gf_airlineId(lf_airline((airline + 1) % kAirlines)) : 0;
        record.key.model = gf_modelId(lf_model(model));
        record.key.cargo = n % 11 == 0 ? 1 : 0;
        records.push_back(std::move(record));
    }
    std::sort(records.begin(), records.end(), gf_liveryLess);
    return records;
}

void lf_buildTables(LiveryTables& tables, const std::vector<LiveryRecord>& records,
                    ProgramParameters& parameters) {
    tables.clear();
    gf_checkLiveryIndexes(tables, records);
    gf_fillLiveryTitleIndex(tables);
    gf_buildAirlineModelLiveries(tables);
    gf_checkInlineRegcodes(tables, records);
    gf_createModelSorted(tables);
    gf_setInstalledLiveries(&tables);
    gf_createSimilarModelDefs();
    for (const AircraftCategory category : kCategoryReportOrder) {
        gf_reportCategory(tables, parameters, category);
    }
}

struct BenchWorld {
    BenchWorld() {
        gf_modelCodeTable().reset();
        gf_airlineCodeTable().reset();
        lf_publishDbase();
        records = lf_records();
    }
    std::vector<LiveryRecord> records;
    ProgramParameters parameters;
};

BenchWorld& lf_world() {
    static BenchWorld world;
    return world;
}

void BM_BuildLiveryTablesFrom20000Liveries(benchmark::State& state) {
    BenchWorld& world = lf_world();
    for (auto _ : state) {
        lf_buildTables(gf_liveryTables(), world.records, world.parameters);
        benchmark::DoNotOptimize(gf_liveryTables().liveryTitleIndex.size());
    }
    state.counters["titles"] = static_cast<double>(gf_liveryTables().liveryTitleIndex.size());
}
BENCHMARK(BM_BuildLiveryTablesFrom20000Liveries)->Unit(benchmark::kMillisecond);

// Aircraft of the feed: a tenth with a known registration, most of known airlines and models,
// a fifth of airlines without liveries (the wider steps), some freighters and operated flights.
std::vector<LiveryAircraft> lf_aircraft(const std::vector<LiveryRecord>& records) {
    static std::vector<std::string> regcodes;
    regcodes.clear();
    regcodes.reserve(kChoices);
    std::vector<LiveryAircraft> aircraft;
    aircraft.reserve(kChoices);
    for (std::size_t n = 0; n < kChoices; ++n) {
        LiveryAircraft one;
        const auto& record = records[(n * 7919) % records.size()];
        one.key = record.key;
        if (n % 10 == 0) {
            regcodes.push_back(fmt::format("R-{:05}", (n * 31) % kLiveries / 10 * 10));
            one.regcode = regcodes.back();
        }
        if (n % 5 == 1) {
            one.key.airline = gf_airlineId(fmt::format("X{:02}", n % 50));
            one.key.operatorId = 0;
        }
        if (n % 9 == 2) {
            one.key.model = gf_modelId(lf_model(static_cast<int>(n % kModels)));
        }
        one.category = gf_modelCategory(one.key.model);
        one.callsign = "BENCH1";
        aircraft.push_back(one);
    }
    return aircraft;
}

void BM_Choose100000LiveLiveries(benchmark::State& state) {
    BenchWorld& world = lf_world();
    lf_buildTables(gf_liveryTables(), world.records, world.parameters);
    gf_updateParamsSnapshot([](ParamsSnapshot& snapshot) {
        snapshot.MATCHING_DEPTH = 7;
        snapshot.TCAS_FL = 180;
        snapshot.RANDOM = true;
    });
    gf_seedRandomEngine(1);
    std::vector<LiveryAircraft> aircraft = lf_aircraft(world.records);
    std::size_t found = 0;
    for (auto _ : state) {
        found = 0;
        for (auto& one : aircraft) {
            gf_matchLiveLivery(one, 5000.0, UserPosition{});
            found += one.liveryTitle.empty() ? 0 : 1;
        }
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = static_cast<double>(found);
    state.counters["choices"] = static_cast<double>(aircraft.size());
    gf_resetLiveryMatchRecords();
}
BENCHMARK(BM_Choose100000LiveLiveries)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace skyloom
