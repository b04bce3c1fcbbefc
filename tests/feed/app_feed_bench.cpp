// The App road's parsing of 500 recorded aircraft reports: split, check and convert every
// datagram and post the batches (to a sink that only counts). The Las Vegas capture's rounds go
// in as the App sent them, each closed by its end marker at the time it came, so that every
// report reaches a batch. Must stay well under 5 ms.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "feed/app_traffic_assembler.h"
#include "foundation/clock.h"
#include "tests/support/shared_data.h"
#include "tools/rtapp_standin/capture.h"

namespace skyloom {
namespace {

constexpr std::size_t kAircraftReports = 500;

// The capture's first rounds, whole, until they hold kAircraftReports reports.
std::vector<tools::CaptureBurst> lf_recordedRounds() {
    const std::filesystem::path file =
        testing::sharedPath("feed/recordings/KLAS_20190305_2056Z.txt");
    std::vector<tools::CaptureBurst> rounds;
    if (file.empty()) {
        return rounds;
    }
    std::size_t reports = 0;
    for (tools::CaptureBurst& burst : tools::gf_readCapture(file).bursts) {
        if (reports >= kAircraftReports) {
            break;
        }
        reports += burst.datagrams.size();
        rounds.push_back(std::move(burst));
    }
    return rounds;
}

void BM_ParseRecordedBatchOf500Aircraft(benchmark::State& state) {
    const std::vector<tools::CaptureBurst> rounds = lf_recordedRounds();
    std::size_t reports = 0;
    for (const tools::CaptureBurst& round : rounds) {
        reports += round.datagrams.size();
    }
    if (reports < kAircraftReports) {
        state.SkipWithError("shared data not found: ../shared/feed/recordings");
        return;
    }
    std::size_t posted = 0;
    const AppTrafficAssembler::Targets targets{
        [&](std::vector<TrafficEntry>& batch, TrafficBatchKind, std::uint32_t, bool) {
            posted += batch.size();
            batch.clear();
            return TrafficPostOutcome{};
        },
        nullptr, nullptr};
    // Each pass is a reader of its own, which learns the feed's clock from its first rounds.
    std::unique_ptr<AppTrafficAssembler> assembler;
    for (auto _ : state) {
        state.PauseTiming();
        assembler = std::make_unique<AppTrafficAssembler>("Traffic Reader", targets);
        state.ResumeTiming();
        for (const tools::CaptureBurst& round : rounds) {
            const std::chrono::duration<double> sinceFirst(round.time - rounds.front().time);
            const Clock::SteadyTime now{
                std::chrono::duration_cast<Clock::SteadyTime::duration>(sinceFirst)};
            const Clock::UtcTime receivedAt{std::chrono::duration_cast<Clock::UtcTime::duration>(
                std::chrono::duration<double>(round.time))};
            for (const std::string& datagram : round.datagrams) {
                assembler->handleDatagram(datagram, now, receivedAt);
            }
            assembler->handleDatagram("RTTFC_EOT", now, receivedAt);
        }
    }
    if (posted != reports * static_cast<std::size_t>(state.iterations())) {
        state.SkipWithError("not every aircraft report was posted");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(reports));
}
BENCHMARK(BM_ParseRecordedBatchOf500Aircraft)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace skyloom
