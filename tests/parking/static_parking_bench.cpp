// Planning the static parking of 500 stands with 500 candidate aircraft (one flight option
// each): the stand search, the plan and its report. Argument 0: real options of today's
// current half-hour; 1: auto park with real and soft options of every weekday, half a day
// ago, so that all four search kinds walk the stands at many offsets.
#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "foundation/log_file.h"
#include "foundation/program_clock.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/parking/support/static_parking_fixture.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

constexpr std::size_t kStands = 500;

void BM_PlanStaticParking500(benchmark::State& state) {
    const testing::TempDir dir;
    LogFile::openIn(dir.path());
    testing::StaticParkingFixture f;
    f.stands = testing::gridAirport(kStands).stands;
    const DaySlotParts now = gf_unpackDaySlot(f.now);
    for (std::size_t i = 0; i < kStands; ++i) {
        Stand& stand = f.stands[i];
        stand.sid = static_cast<std::int32_t>(i + 1);
        stand.options.clear();
        FlightOption option;
        option.key = LiveryKey{static_cast<std::uint16_t>(1 + i % 20), 0,
                               testing::testModelId(static_cast<std::uint16_t>(3 + i % 3)), 0, 0};
        option.reg = fmt::format("PH-{:04}", i);
        option.callsign = fmt::format("KLM{}", i);
        const bool spread = state.range(0) != 0;
        option.day = static_cast<std::uint32_t>(spread ? 1 + i % 7 : now.weekday);
        const unsigned first = spread ? 0 : static_cast<unsigned>(now.slot) - 2;
        option.hours = HoursBitset::range(first, first + 4);
        option.seq = 1;
        option.real = spread ? i % 2 : 1;
        stand.options.push_back(std::move(option));
    }
    f.settings.AUTO_PARK = state.range(0) == 0 ? 0 : 1;
    for (auto _ : state) {
        f.plan();
        benchmark::DoNotOptimize(f.state.plan.data());
        if (f.state.plan.size() != static_cast<std::size_t>(f.state.wanted)) {
            state.SkipWithError("the plan did not fill the wanted stands");
            break;
        }
    }
    LogFile::close();
}
BENCHMARK(BM_PlanStaticParking500)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace skyloom
