// A simulator that holds fewer objects than the feed reports aircraft, through the program's
// own wiring (tests/traffic/support/program_replay.h) on the KLAX capture: the creates wait
// until it has room and the run goes on; the parking step ends when the simulator is full, its
// controls come back, and the parked aircraft it could not place are created as room comes.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/parameters.h"
#include "foundation/text.h"
#include "gui/parking_controls.h"
#include "parking/static_parking_state.h"
#include "tests/support/shared_data.h"
#include "tests/traffic/support/program_replay.h"
#include "traffic/step/traffic_state.h"

namespace skyloom::testing {
namespace {

// The capture's bursts of its first `seconds`, each aircraft in them `copies` times: every copy
// with a hex id, a callsign and a position of its own (1.2 NM further north and east each), so
// that the feed reports that many times the capture's aircraft at once.
tools::Capture lf_crowdedCapture(const tools::Capture& capture, int copies, double seconds) {
    constexpr std::uint32_t kHexidStep = 100'000'000;
    constexpr double kDegreesApart = 0.02;
    tools::Capture crowded = capture;
    std::erase_if(crowded.bursts, [&](const tools::CaptureBurst& burst) {
        return burst.time - capture.bursts.front().time > seconds;
    });
    for (tools::CaptureBurst& burst : crowded.bursts) {
        std::vector<std::string> datagrams;
        for (const std::string& datagram : burst.datagrams) {
            datagrams.push_back(datagram);
            std::vector<std::string> fields = gf_split(datagram, ',');
            if (fields.size() < 10 || fields[0] != "RTTFC") {
                continue;
            }
            for (int k = 1; k < copies; ++k) {
                std::vector<std::string> copy = fields;
                copy[1] = std::to_string(std::stoul(fields[1]) + k * kHexidStep);
                copy[2] = fmt::format("{:.4f}", std::stod(fields[2]) + k * kDegreesApart);
                copy[3] = fmt::format("{:.4f}", std::stod(fields[3]) + k * kDegreesApart);
                if (!copy[9].empty()) {
                    copy[9] += static_cast<char>('A' + k - 1);
                }
                datagrams.push_back(fmt::format("{}", fmt::join(copy, ",")));
            }
        }
        burst.datagrams = std::move(datagrams);
    }
    return crowded;
}

// A full simulator with each aircraft of the capture's first five minutes `copies` times.
struct FullSimulatorCase {
    const char* name;
    int copies;
    std::size_t objectLimit;
    std::size_t leastLive; // the most live aircraft the traffic held at once, at least
    // The main cycle in which the user pushes "Park" (0: never), so that the step plans again
    // while the simulator is full.
    std::uint64_t parkAtCycle = 0;
};

// What the user lowers "max live" to once the parking controls are back.
constexpr std::int32_t kMaxLiveToMakeRoom = 10;

class FullSimulatorReplay : public ProgramReplayTest,
                            public ::testing::WithParamInterface<FullSimulatorCase> {
protected:
    void TearDown() override {
        gf_params().MAX_LIVE_SEL.setValue(maxLiveBefore_);
        ProgramReplayTest::TearDown();
    }

    const std::int32_t maxLiveBefore_ = gf_params().MAX_LIVE_SEL.value();
};

// The parking controls a full simulator kept greyed while its parking step waited for room:
// those that make room (max live, max park, target %), the update interval, "Park" and "Flush".
std::vector<const OptionControl*> lf_roomMakingControls() {
    const ProgramParameters& p = gf_params();
    return {&p.MAX_LIVE_SEL, &p.MAX_PARK_SEL, &p.parking_percentage, &p.PARKING_INTERVAL_MINUTES,
            &p.parkButton,   &p.flushButton};
}

// What the status line and the log say of the parked aircraft a full simulator left waiting.
std::string lf_notPlacedText(std::size_t waiting) {
    return fmt::format("Parking: the simulator is full, {} parked aircraft could not be placed yet",
                       waiting);
}

// A create refused for want of room is no livery's fault. The run goes on, the status line
// says it once and names no limit, no create goes out after a refusal until an object was
// removed, and creating goes on as room comes. The parking step, which the airport file's plan
// starts, does not wait for room: once the simulator is full it ends, says how many parked
// aircraft it could not place, and gives the parking controls back; those aircraft are created
// when the simulator has room.
TEST_P(FullSimulatorReplay, CreatesWaitForRoomAndTheParkingStepEnds) {
    const FullSimulatorCase& c = GetParam();
    SKYLOOM_REQUIRE_SHARED(capturePath, kLosAngelesCapture);
    worldObjectLimit_ = c.objectLimit;
    const std::string skip =
        prepare(kLosAngelesReplayAirport,
                lf_crowdedCapture(tools::gf_readCapture(capturePath, kLosAngelesElevationFt),
                                  c.copies, 300.0),
                ManualClock::utcTime(2026, 1, 7, 21, 52, 32));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    makeOptionControls();
    std::size_t mostLive = 0;
    std::size_t mostObjects = 0;
    std::size_t refusals = 0;
    std::size_t refusalsWithoutARemoval = 0; // after the first, with no object gone since
    std::size_t removalsSinceRefusal = 0;
    std::size_t createdAfterARefusal = 0;
    std::set<DWORD> objects;
    // The parking step while the simulator is full: the longest it went on (main cycles), what
    // it left, and what was created afterwards.
    std::uint64_t cycle = 0;
    std::uint64_t generatingFullCycles = 0;
    std::uint64_t longestGeneratingFull = 0;
    bool wasGenerating = false;
    std::optional<std::size_t> waitingWhenEnded;
    std::size_t staticsWhenEnded = 0;
    std::size_t mostStaticsAfter = 0;
    std::vector<bool> controlsAfter;
    std::optional<bool> panelGeneratingAfter;
    bool saidOnStatusLine = false;
    std::size_t planLeft = 0;
    std::size_t queueLeft = 0;
    ReplayRunOptions options;
    options.afterLastBurst = std::chrono::seconds(60);
    options.onCycle = [&](MainLoop& loop) {
        if (++cycle == c.parkAtCycle) {
            gf_requestStaticParkingUpdate(gui_, gf_params(), requests_);
        }
        const TrafficState& traffic = loop.traffic();
        const StaticParkingState& parking = loop.parking().staticParking;
        mostLive = std::max(mostLive, traffic.liveAircraft.size());
        const std::vector<DWORD> ids = world_->aiObjectIds();
        const std::set<DWORD> now(ids.begin(), ids.end());
        for (const DWORD id : objects) {
            removalsSinceRefusal += now.contains(id) ? 0 : 1;
        }
        for (const DWORD id : now) {
            createdAfterARefusal += refusals > 0 && !objects.contains(id) ? 1 : 0;
        }
        objects = now;
        mostObjects = std::max(mostObjects, objects.size());
        const std::size_t refused = world_->refusedCreates();
        if (refused > refusals) {
            if (refusals > 0 && removalsSinceRefusal == 0) {
                refusalsWithoutARemoval += refused - refusals;
            }
            refusals = refused;
            removalsSinceRefusal = 0;
        }
        const std::size_t statics = static_cast<std::size_t>(
            std::count_if(traffic.staticAircraft.begin(), traffic.staticAircraft.end(),
                          [](const StaticAircraft& a) { return a.simState == SimState::active; }));
        generatingFullCycles =
            parking.generating && traffic.simulatorFull ? generatingFullCycles + 1 : 0;
        longestGeneratingFull = std::max(longestGeneratingFull, generatingFullCycles);
        if (wasGenerating && !parking.generating && traffic.simulatorFull && !waitingWhenEnded) {
            waitingWhenEnded = parking.plan.size() + traffic.staticCreateQueue.size();
            staticsWhenEnded = statics;
            for (const OptionControl* control : lf_roomMakingControls()) {
                controlsAfter.push_back(control->isEnabled());
            }
            panelGeneratingAfter = windowPaints("generating parking ...");
            saidOnStatusLine = windowPaints(lf_notPlacedText(*waitingWhenEnded));
            // The user makes room: fewer live aircraft, as the window's "max live" sets it.
            gf_params().MAX_LIVE_SEL.setValue(kMaxLiveToMakeRoom);
            gf_params().MAX_LIVE_SEL.publish();
            requests_.maxLiveChanged.store(true);
        }
        wasGenerating = parking.generating;
        planLeft = parking.plan.size();
        queueLeft = traffic.staticCreateQueue.size();
        if (waitingWhenEnded) {
            mostStaticsAfter = std::max(mostStaticsAfter, statics);
        }
    };
    const ReplayRunResult result = run(options);
    std::cout << fmt::format("{}: most live {}, refusals {}; parking step generating while full "
                             "{} cycles, {} at the end, ended with {} waiting, static objects {} "
                             "-> {}\n",
                             c.name, mostLive, refusals, longestGeneratingFull,
                             wasGenerating ? "generating" : "over", waitingWhenEnded.value_or(0),
                             staticsWhenEnded, mostStaticsAfter);

    EXPECT_GE(mostLive, c.leastLive) << "the feed's crowd reached the traffic";
    EXPECT_EQ(mostObjects, c.objectLimit);
    EXPECT_GT(refusals, 0u);
    EXPECT_EQ(refusalsWithoutARemoval, 0u) << "created again before an object was removed";
    EXPECT_GT(createdAfterARefusal, 0u) << "no create once the simulator had room again";
    // No livery is blamed, the run was not ended for it: it ran until the test closed it.
    const std::vector<std::string> status = statusTexts();
    EXPECT_EQ(std::count_if(status.begin(), status.end(),
                            [](const std::string& text) {
                                return text.starts_with("SimConnect: too many objects, ");
                            }),
              1);
    for (const std::string& text : status) {
        EXPECT_EQ(text.find("could not be created"), std::string::npos) << text;
        EXPECT_EQ(text.find("max"), std::string::npos) << text;
    }
    EXPECT_THAT(logLinesWith("Error 81"), ::testing::IsEmpty());
    EXPECT_EQ(stop_.current().reason, StopReason::userClosedSim);
    EXPECT_GE(result.seconds, 300.0);
    EXPECT_THAT(world_->aiObjectIds(), ::testing::IsEmpty());

    // The parking step ended within a look of the main loop (every 14 cycles) at the full
    // simulator, and said what it could not place; the window shows it over.
    EXPECT_LE(longestGeneratingFull, kParkingSlotEvery);
    ASSERT_TRUE(waitingWhenEnded.has_value()) << "the parking step never met a full simulator";
    EXPECT_GT(*waitingWhenEnded, 0u);
    const std::string said = lf_notPlacedText(*waitingWhenEnded);
    EXPECT_THAT(status, ::testing::Contains(said));
    EXPECT_TRUE(saidOnStatusLine);
    EXPECT_THAT(logLinesWith(said), ::testing::SizeIs(1));
    EXPECT_THAT(controlsAfter, ::testing::Each(true));
    EXPECT_EQ(panelGeneratingAfter, false);
    // What waited was created once the user had made room.
    EXPECT_EQ(planLeft + queueLeft, 0u);
    EXPECT_GE(mostStaticsAfter, staticsWhenEnded + *waitingWhenEnded);
}

// Some 400 live aircraft against 300 objects: the airport file's first plan is placed before
// the live aircraft fill the simulator, so the user asks for a plan again ("Park") at 150 s,
// when it is full. The capture as it is against 40 objects: the live aircraft fill the
// simulator while the first plan is placed (as 60 do in the demo, where that plan comes later).
INSTANTIATE_TEST_SUITE_P(
    Klax, FullSimulatorReplay,
    ::testing::Values(FullSimulatorCase{"FourHundredAircraftInThreeHundredObjects", 8, 300, 400,
                                        15000},
                      FullSimulatorCase{"TheCaptureInFortyObjects", 1, 40, 40}),
    [](const ::testing::TestParamInfo<FullSimulatorCase>& info) { return info.param.name; });

} // namespace
} // namespace skyloom::testing
