// Speed of the BGL airport parser and of the whole stand reading over a 5 MB BGL file: 340
// airports in one airport section, each with a helipad, some other sub-records and a parking
// record of 240 entries with two airline codes each (the size of a large real airport).
// Target: the parser above 200 MB/s.
#include <cstdint>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "airportscan/bgl_parser.h"
#include "airportscan/bgl_stand_reader.h"
#include "foundation/manual_clock.h"
#include "tests/airportscan/support/bgl_bytes.h"

namespace skyloom {
namespace {

constexpr int kAirports = 340;
constexpr int kStandsPerAirport = 240;

std::string lf_code(int i) {
    return fmt::format("K{:03}", i);
}

const testing::ByteImage& lf_bigFile() {
    static const testing::ByteImage file = [] {
        std::vector<testing::ByteImage> airports;
        for (int a = 0; a < kAirports; ++a) {
            std::vector<testing::ParkingEntry> entries;
            for (int s = 0; s < kStandsPerAirport; ++s) {
                entries.push_back({.nameCode = static_cast<std::uint32_t>(10 + s % 20),
                                   .type = static_cast<std::uint32_t>(1 + s % 12),
                                   .number = static_cast<std::uint32_t>(s),
                                   .lat = 33.4 + s * 1e-4,
                                   .lon = -112.0 + a * 1e-3,
                                   .airlines = {"AAL", "SWA"}});
            }
            airports.push_back(testing::airportRecord(
                lf_code(a), 345948,
                {testing::otherSubRecord(0x04, 52), testing::otherSubRecord(0x19, 40),
                 testing::helipadRecord(33.45, -112.0 + a * 1e-3, 20.0f),
                 testing::otherSubRecord(0x12, 24), testing::parkingRecord(entries)}));
        }
        return testing::bglWithRecords(airports);
    }();
    return file;
}

// Knows every airport and counts the stands it is handed.
class CountingSteps final : public BglAirportSteps {
public:
    bool airportKnown(const IcaoCode&) override { return true; }
    bool weeklyTraffic(const IcaoCode&) override { return true; }
    std::optional<AirportPackage> searchManifest(const std::filesystem::path&) override {
        return std::nullopt;
    }
    bool linkToArchive(AirportFile&) override { return false; }
    bool hasAcceptedPublisher(const AirportPackage&) override { return true; }
    void writeGeneratedApf(AirportFile& airport, std::size_t) override {
        stands += airport.stands.size();
    }
    void showSimaddonCount() override {}
    void showThirdpartyCount() override {}

    std::size_t stands = 0;
};

void BM_ParseBgl(benchmark::State& state) {
    const auto& file = lf_bigFile();
    for (auto _ : state) {
        const BglParseResult result = gf_parseBGL(file.span());
        benchmark::DoNotOptimize(result.records.data());
        if (result.records.size() != kAirports) {
            state.SkipWithError("unexpected record count");
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(BM_ParseBgl);

void BM_ReadBglStands(benchmark::State& state) {
    const auto& file = lf_bigFile();
    const std::vector<std::uint32_t> words = testing::toWords(file.span());
    const ManualClock clock;
    for (auto _ : state) {
        std::vector<std::string> scanLog;
        CountingSteps steps;
        BglReaderContext context{clock, scanLog, steps};
        std::string_view phase;
        gf_processBGLimage(words, "big.bgl", context, phase);
        if (steps.stands != std::size_t{kAirports} * (kStandsPerAirport + 1)) {
            state.SkipWithError("unexpected stand count");
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(BM_ReadBglStands)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace skyloom
