// Loading the reference data sets at start-up: the starter data sets of data/input, plain and
// encrypted. The start-up budget for all three together is 100 ms.
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include <benchmark/benchmark.h>

#include "refdata/airports.h"
#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "refdata/weekly_airports.h"
#include "tests/refdata/support/refdata_test_support.h"
#include "tests/support/shared_data.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

fs::path lf_starterFolder() {
    return testing::sourceDir() / "data" / "input";
}

void lf_loadAll(const fs::path& folder) {
    gf_readDbase(folder);
    gf_readAirports(folder);
    if (!gf_refreshWeeklyTrafficAirports(folder)) {
        throw std::runtime_error("weekly airports not read");
    }
}

void BM_LoadStarterDataSetsPlain(benchmark::State& state) {
    for (auto _ : state) {
        lf_loadAll(lf_starterFolder());
    }
    state.counters["airports"] = static_cast<double>(gf_airportCount());
    state.counters["models"] = static_cast<double>(gf_dbase()->counts().models);
}
BENCHMARK(BM_LoadStarterDataSetsPlain)->Unit(benchmark::kMillisecond);

// The form the maker ships: every data set encrypted.
void BM_LoadStarterDataSetsEncrypted(benchmark::State& state) {
    testing::TempDir folder;
    for (const char* name : {"dbase", "airports", "wktraffic"}) {
        const auto plain = lf_starterFolder() / (std::string(name) + ".xml");
        testing::writeEncrypted(folder / (std::string(name) + ".enc"), testing::readText(plain));
    }
    for (auto _ : state) {
        lf_loadAll(folder.path());
    }
}
BENCHMARK(BM_LoadStarterDataSetsEncrypted)->Unit(benchmark::kMillisecond);

// The full airports table that the build converts into run/input; the folder is given by
// SKYLOOM_RUN_INPUT (for example build/run/input).
void BM_LoadFullAirportsTable(benchmark::State& state) {
    const char* folder = std::getenv("SKYLOOM_RUN_INPUT");
    if (folder == nullptr) {
        state.SkipWithError("SKYLOOM_RUN_INPUT not set");
        return;
    }
    for (auto _ : state) {
        gf_readAirports(folder);
    }
    state.counters["airports"] = static_cast<double>(gf_airportCount());
}
BENCHMARK(BM_LoadFullAirportsTable)->Unit(benchmark::kMillisecond);

void BM_FindClosestAirport(benchmark::State& state) {
    gf_readAirports(lf_starterFolder());
    const Lalo position{51.47, -0.45};
    for (auto _ : state) {
        benchmark::DoNotOptimize(gf_findClosestAirport(position));
    }
}
BENCHMARK(BM_FindClosestAirport);

void BM_ModelIdOfKnownCode(benchmark::State& state) {
    gf_readDbase(lf_starterFolder());
    for (auto _ : state) {
        benchmark::DoNotOptimize(gf_modelId("B738"));
    }
}
BENCHMARK(BM_ModelIdOfKnownCode);

} // namespace
} // namespace skyloom
