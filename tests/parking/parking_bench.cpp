// Reading an airport file of 600 stands (of which the reader takes the first 512): from a
// local file, and again from the park-airport cache when the same archived file is asked for.
// Merging hostile learned files into it: 20,000 hand-made stands at one spot, and 60,000
// options on one stand (the reader keeps 512 stands and 1000 options a stand).
#include <filesystem>

#include <benchmark/benchmark.h>

#include <string>

#include <fmt/format.h>

#include "foundation/file_header.h"
#include "foundation/log_file.h"
#include "foundation/version.h"
#include "parking/airport_file_reader.h"
#include "parking/learned_airport_file.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/support/recording_window_sink.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

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

// A learned file of EHAM with `parkpositions` as given, merged into the 600-stand airport file
// as the program reads the park airport.
void lf_readWithLearned(benchmark::State& state, const std::string& parkpositions) {
    AirportFileBench bench;
    const fs::path learned = bench.file().parent_path() / "learned.xml";
    testing::writeText(learned,
                       fmt::format(R"(<?xml version="1.0"?><root><meta version="{}" sim="2" )"
                                   R"(copyright="{}"/><parameters/><parkpositions>{})"
                                   R"(</parkpositions></root>)",
                                   gf_programVersionText(), kMakerCopyright, parkpositions));
    testing::RecordingWindowSink window;
    bench.context().learnedPath = [&](const fs::path&, std::string_view) {
        return std::optional<fs::path>(learned);
    };
    bench.context().readLearned = [&](const fs::path& path, std::string_view name,
                                      const std::vector<Stand>& stands) {
        return gf_readLearnedAirportFile(path, name, stands, window);
    };
    for (auto _ : state) {
        AirportFileReadResult read = gf_readAirportFile(bench.file(), bench.context());
        benchmark::DoNotOptimize(read);
        if (!read || !read.file->learnedMerged) {
            state.SkipWithError("the learned file did not merge");
            break;
        }
    }
}

void BM_ReadWith20000ManualStandsAtOneSpot(benchmark::State& state) {
    std::string stands;
    for (int i = 0; i < 20'000; ++i) {
        stands += fmt::format(R"(<parkpos id="M{}" manual="true" typestr="GATE_SMALL" )"
                              R"(latitude="52.2800" longitude="4.7300" heading="90" radius="20"/>)",
                              i);
    }
    lf_readWithLearned(state, stands);
}
BENCHMARK(BM_ReadWith20000ManualStandsAtOneSpot)->Unit(benchmark::kMillisecond);

void BM_ReadWith60000OptionsOnOneStand(benchmark::State& state) {
    std::string options;
    for (int i = 0; i < 60'000; ++i) {
        options += fmt::format(R"(<opt reg="PH-{}" airl="KLM" type="B738" day="{}" hh="20:23"/>)",
                               i % 900, 1 + i % 7);
    }
    lf_readWithLearned(state, fmt::format(R"(<parkpos id="G1">{}</parkpos>)", options));
}
BENCHMARK(BM_ReadWith60000OptionsOnOneStand)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace skyloom
