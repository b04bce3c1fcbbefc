// The App road's parsing of one recorded burst of 500 aircraft: split, check and convert every
// datagram and post the batch (to a sink that only counts). Must stay well under 5 ms.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "feed/app_traffic_assembler.h"
#include "foundation/log_file.h"
#include "foundation/manual_clock.h"
#include "tests/support/shared_data.h"
#include "tools/rtapp_standin/capture.h"

namespace skyloom {
namespace {

constexpr std::size_t kAircraft = 500;

// 500 datagrams of the Las Vegas capture (its bursts one after the other), as RTTFC.
std::vector<std::string> lf_recordedBatch() {
    const std::filesystem::path file =
        testing::sharedPath("feed/recordings/KLAS_20190305_2056Z.txt");
    std::vector<std::string> datagrams;
    if (file.empty()) {
        return datagrams;
    }
    for (const tools::CaptureBurst& burst : tools::gf_readCapture(file).bursts) {
        for (const std::string& datagram : burst.datagrams) {
            if (datagrams.size() < kAircraft) {
                datagrams.push_back(datagram);
            }
        }
    }
    return datagrams;
}

void BM_ParseRecordedBatchOf500Aircraft(benchmark::State& state) {
    const std::vector<std::string> datagrams = lf_recordedBatch();
    if (datagrams.size() < kAircraft) {
        state.SkipWithError("shared data not found: ../shared/feed/recordings");
        return;
    }
    std::size_t posted = 0;
    AppTrafficAssembler assembler("Traffic Reader", {[&](std::vector<TrafficEntry>& batch,
                                                         TrafficBatchKind, std::uint32_t, bool) {
                                                         posted += batch.size();
                                                         batch.clear();
                                                         return TrafficPostOutcome{};
                                                     },
                                                     nullptr, nullptr});
    Clock::SteadyTime now{};
    const Clock::UtcTime receivedAt = ManualClock::defaultStart();
    for (auto _ : state) {
        // Each round comes once the last one is forgotten, so no datagram counts as a repeat.
        now += AppTrafficAssembler::kRepeatMemory;
        for (const std::string& datagram : datagrams) {
            assembler.handleDatagram(datagram, now, receivedAt);
        }
        assembler.handleDatagram("RTTFC_EOT", now, receivedAt);
    }
    if (posted != kAircraft * static_cast<std::size_t>(state.iterations())) {
        state.SkipWithError("not every aircraft was posted");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kAircraft));
}
BENCHMARK(BM_ParseRecordedBatchOf500Aircraft)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace skyloom
