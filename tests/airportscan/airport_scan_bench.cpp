// Speed of the scan walk over an installation of 2,000 packages: 1,000 stock airports and 500
// publisher airports with their manifests in Official2024 as streamed packages (all linked to
// archived airport files), 250 streamed non-airport packages, and 250 Community packages with
// scenery files that hold no airport. Each scan runs in its transaction, from the begin that
// moves the previous folders aside to the commit that syncs the 1,500 files written. Target: one
// scan under 2 s.
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "airportscan/scan_transaction.h"
#include "airportscan/scan_walk.h"
#include "foundation/manual_clock.h"
#include "platform/os/file_replace.h"
#include "tests/airportscan/support/scan_test_support.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace skyloom {
namespace {
namespace fs = std::filesystem;

constexpr int kStock = 1000;
constexpr int kPublisher = 500;
constexpr int kNonAirport = 250;
constexpr int kCommunity = 250;

std::string lf_code(int i) {
    return fmt::format("Q{}{}{}", char('A' + i / 676 % 26), char('A' + i / 26 % 26),
                       char('A' + i % 26));
}

void BM_ScanOf2000Packages(benchmark::State& state) {
    const testing::LogCapture log;
    const testing::TempDir dir;
    std::set<std::string> codes;
    for (int i = 0; i < kStock + kPublisher; ++i) {
        codes.insert(lf_code(i));
    }
    testing::ScanFixture scan(dir.path(), codes);
    scan.publishers.publishers = {{"Orbx"}};
    scan.publishers.thirdparties = {{"Orbx", {}}};
    const fs::path streamed = dir / "StreamedPackages";
    for (int i = 0; i < kStock; ++i) {
        fs::create_directories(streamed /
                               fmt::format("fs24-microsoft-airport-{}-city", lf_code(i)));
        scan.publishers.simaddons.insert(lf_code(i));
    }
    for (int i = kStock; i < kStock + kPublisher; ++i) {
        const std::string name = fmt::format("orbx-airport-{}", lf_code(i));
        fs::create_directories(streamed / ("fs24-" + name));
        testing::writeText(
            dir / "Official2024" / "OneStore" / name / "manifest.json",
            R"({"title": "Orbx", "package_version": "1.0", "manufacturer": "Orbx"})");
        scan.publishers.thirdparties[0].entries.push_back({lf_code(i), "1.0"});
    }
    for (int i = 0; i < kNonAirport; ++i) {
        fs::create_directories(streamed / fmt::format("fs24-asobo-aircraft-{}", i));
    }
    for (int i = 0; i < kCommunity; ++i) {
        const fs::path package = dir / "Community" / fmt::format("vendor-objects-{}", i);
        testing::writeText(package / "manifest.json", R"({"title": "objects"})");
        testing::writeText(package / "scenery" / "objects.bgl", std::string(64, 'x'));
        testing::writeText(package / "texture" / "objects.dds", "dds");
    }
    // An installation lies on the disk long before a scan: the scan's one sync is not to write
    // out the packages made here.
    std::error_code synced;
    os::syncFiles({dir.path()}, synced);
    ManualClock clock(ManualClock::utcTime(2026, 1, 5, 12));
    const AirportScanContext context = scan.context();
    const ScanWalkContext walk{
        context, clock,
        [&](std::string_view name) -> std::optional<fs::path> { return dir / name; }};
    // The commit's share: the one sync of the scan's files, which also waits for whatever else
    // the disk has to write, however little of it is the scan's.
    std::chrono::duration<double, std::milli> committing{0};
    for (auto _ : state) {
        scan.scanLog.clear();
        ScanTransaction transaction(scan.simaddonFolder.parent_path());
        gf_beginScanTransaction(transaction);
        gf_scanFolders({dir / "Community", streamed}, walk);
        const auto commitStart = std::chrono::steady_clock::now();
        gf_commitScanTransaction(transaction);
        committing += std::chrono::steady_clock::now() - commitStart;
    }
    state.counters["commit_ms"] =
        benchmark::Counter(committing.count(), benchmark::Counter::kAvgIterations);
    state.counters["links"] = static_cast<double>(
        std::distance(fs::directory_iterator(scan.simaddonFolder), fs::directory_iterator()) +
        std::distance(fs::directory_iterator(scan.thirdpartyFolder), fs::directory_iterator()));
}
BENCHMARK(BM_ScanOf2000Packages)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace skyloom
