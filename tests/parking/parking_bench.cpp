// Reading an airport file of 600 stands (of which the reader takes the first 512): from a
// local file, and again from the park-airport cache when the same archived file is asked for.
#include <filesystem>

#include <benchmark/benchmark.h>

#include "foundation/log_file.h"
#include "parking/airport_file_reader.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

class AirportFileBench {
public:
    AirportFileBench() {
        LogFile::openIn(dir_.path());
        testing::writeApf(testing::gridAirport(600), dir_ / "EHAM.xml");
        context_.cachePath = dir_ / "park_airport.xml";
    }
    ~AirportFileBench() { LogFile::close(); }

    fs::path file() const { return dir_ / "EHAM.xml"; }
    AirportFileReadContext& context() { return context_; }

private:
    testing::TempDir dir_;
    AirportFileReadContext context_;
};

void BM_ReadAirportFile600(benchmark::State& state) {
    AirportFileBench bench;
    for (auto _ : state) {
        AirportFileReadResult read = gf_readAirportFile(bench.file(), bench.context());
        benchmark::DoNotOptimize(read);
        if (!read || read.file->stands.size() != 512) {
            state.SkipWithError("the file did not read");
            break;
        }
    }
}
BENCHMARK(BM_ReadAirportFile600)->Unit(benchmark::kMicrosecond);

void BM_ReadAirportFile600FromCache(benchmark::State& state) {
    AirportFileBench bench;
    const fs::path archived = "archive/thirdparty/Big%20Pub/EHAM123.xml";
    bench.context().locate = [&](const fs::path&) {
        const fs::path copy = bench.file().parent_path() / "download.xml";
        fs::copy_file(bench.file(), copy, fs::copy_options::overwrite_existing);
        return AirportFileLocation{{}, copy, true, false};
    };
    gf_readAirportFile(archived, bench.context()); // fills the cache
    for (auto _ : state) {
        AirportFileReadResult read = gf_readAirportFile(archived, bench.context());
        benchmark::DoNotOptimize(read);
        if (!read || read.file->source != StandSource::cache) {
            state.SkipWithError("the cache did not serve the file");
            break;
        }
    }
}
BENCHMARK(BM_ReadAirportFile600FromCache)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace skyloom
