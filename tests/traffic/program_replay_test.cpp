// The whole KLAX capture through the program's own wiring (tests/traffic/support/
// program_replay.h): the arrivals the capture shows at a stand park there, their parked time
// is their real one, nothing goes wrong that the log marks, and the close-down leaves no
// object in the simulator.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/geodesy.h"
#include "foundation/text.h"
#include "runtime/current_day_slot.h"
#include "tests/support/shared_data.h"
#include "tests/traffic/support/program_replay.h"
#include "traffic/stands/static_traffic.h"

namespace skyloom::testing {
namespace {

// The user stands at GATE A2 (kLosAngelesReplayAirport), not at the demo's G7: G7 faces the
// gates AAL566 and AAL1331 taxi to, and the check of the user's corridor takes them out there,
// as it must.
// A report at rest this close to a stand's centre is an aircraft at its stand: the capture's
// positions have four decimals (some 10 m), and a transponder's position lies some way from
// the stand's centre, where the airport file has it.
constexpr double kAtStandMetres = 50.0;
// A first report faster than a taxi is an aircraft landing, not one leaving its stand.
constexpr double kFasterThanTaxiKt = 40.0;
// The marked lines a sound run logs.
const std::set<std::string> kExpectedMarkedLines = {
    "==> Stop requested: USER CLOSED SIM (4), detail 0", // the test closes the run
};

// An arrival that parked from the stand search of its taxi: when and in which half hour of
// the week.
struct Parked {
    std::string callsign;
    Clock::SteadyTime at;
    std::uint64_t daySlot = 0;
};

class KlaxProgramReplay : public ProgramReplayTest {
protected:
    // The capture's arrivals that it shows at rest at a stand: first reported landing
    // (airborne, or rolling faster than a taxi) with Los Angeles as destination, later
    // reported standing (0 kt) on the ground near a stand. By callsign.
    std::set<std::string> arrivalsAtStands() const {
        std::set<std::string> arrivals;
        for (const auto& [hexid, reports] : reports()) {
            const TrafficEntry& first = reports.front();
            if (first.destination != IataCode("LAX") ||
                (first.sample.airborne == 0 && first.sample.groundSpeedKt <= kFasterThanTaxiKt)) {
                continue;
            }
            const auto nearStand = [this](const TrafficSample& at) {
                return std::any_of(stands().begin(), stands().end(), [&](const Stand& stand) {
                    return gf_distanceNM(stand.position, {at.latitude, at.longitude}) * 1852.0 <=
                           kAtStandMetres;
                });
            };
            if (std::any_of(reports.begin(), reports.end(), [&](const TrafficEntry& r) {
                    return r.sample.airborne == 0 && r.sample.groundSpeedKt == 0 &&
                           nearStand(r.sample);
                })) {
                arrivals.insert(first.callsign);
            }
        }
        return arrivals;
    }
};

TEST_F(KlaxProgramReplay, TheKlaxCaptureRunsThroughTheProgramsWiringAndItsArrivalsPark) {
    SKYLOOM_REQUIRE_SHARED(capturePath, kLosAngelesCapture);
    SKYLOOM_REQUIRE_SHARED(parkingPath, "data/stands/KLAX/parking.xml");
    // The capture's time of day on a Wednesday, as recorded: the run crosses into the next
    // half hour of the week (at 21:59:30).
    const std::string skip =
        prepare(kLosAngelesReplayAirport,
                tools::gf_readCapture(capturePath, kLosAngelesElevationFt),
                ManualClock::utcTime(2026, 1, 7, 21, 52, 32));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }

    std::map<std::uint32_t, Parked> parked;
    std::map<std::uint32_t, Parked> parkedAtEnd;
    std::vector<LiveStayer> stayers;
    ReplayRunOptions options;
    options.afterLastBurst = std::chrono::seconds(90);
    options.onCycle = [&](MainLoop& loop) {
        TrafficState& traffic = loop.traffic();
        // Parked from the stand search of a taxi, not first seen at rest on a stand.
        for (const LiveAircraft& a : traffic.liveAircraft) {
            if (a.phase.phase == FlightPhase::parked && a.phase.previous == FlightPhase::parking &&
                !parked.contains(a.base.hexid)) {
                parked[a.base.hexid] = {a.base.callsign, clock_.steadyNow(), gf_currentDaySlot()};
            }
        }
        // How long each parked arrival has been parked, as the parking plan reads it, in every
        // cycle: the last one before the stop counts.
        stayers.clear();
        parkedAtEnd.clear();
        lf_collectLiveStayers(traffic, stayers);
        for (const LiveAircraft& a : traffic.liveAircraft) {
            if (a.phase.phase == FlightPhase::parked && parked.contains(a.base.hexid)) {
                parkedAtEnd[a.base.hexid] = {a.base.callsign, clock_.steadyNow(),
                                             a.stand.daySlot};
            }
        }
    };
    run(options);

    // Nothing went wrong that the log marks.
    EXPECT_THAT(unexpectedMarkedLines(kExpectedMarkedLines), ::testing::IsEmpty());
    // Arrivals taxi onto stands and park: at least those the capture shows at a stand.
    std::set<std::string> parkedCallsigns;
    for (const auto& [hexid, p] : parked) {
        parkedCallsigns.insert(p.callsign);
    }
    const std::set<std::string> arrivals = arrivalsAtStands();
    EXPECT_GE(arrivals.size(), 2u);
    for (const std::string& callsign : arrivals) {
        EXPECT_TRUE(parkedCallsigns.contains(callsign)) << callsign << " did not park";
    }
    // A parked aircraft's age is its real age: it counts from the half hour in which it parked,
    // and its minutes parked never exceed the time since.
    ASSERT_FALSE(parkedAtEnd.empty());
    for (const auto& [hexid, end] : parkedAtEnd) {
        const Parked& at = parked.at(hexid);
        EXPECT_EQ(end.daySlot, at.daySlot) << end.callsign;
        const auto stayer = std::find_if(stayers.begin(), stayers.end(), [&](const LiveStayer& s) {
            return s.callsign == end.callsign;
        });
        ASSERT_NE(stayer, stayers.end()) << end.callsign;
        const double minutesSince =
            std::chrono::duration<double, std::ratio<60>>(end.at - at.at).count();
        EXPECT_LE(stayer->minutes, minutesSince) << end.callsign;
    }
    // The close-down removed every object of the run from the simulator.
    EXPECT_THAT(world_->aiObjectIds(), ::testing::IsEmpty());
}

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

// A simulator that holds 300 objects while the feed reports some 400 live aircraft (the KLAX
// capture's first five minutes, each aircraft eight times) and the airport file places static
// aircraft: a create refused for want of room is no livery's fault. The run goes on, the
// status line says it once and names no limit, no create goes out after a refusal until an
// object was removed, and creating goes on as room comes.
TEST_F(KlaxProgramReplay, AFullSimulatorHoldsTheCreatesUntilItHasRoomAndTheRunGoesOn) {
    SKYLOOM_REQUIRE_SHARED(capturePath, kLosAngelesCapture);
    constexpr int kCopies = 8;
    const std::string skip =
        prepare(kLosAngelesReplayAirport,
                lf_crowdedCapture(tools::gf_readCapture(capturePath, kLosAngelesElevationFt),
                                  kCopies, 300.0),
                ManualClock::utcTime(2026, 1, 7, 21, 52, 32));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    const std::size_t objectLimit = world_->setup().aiObjects.maxObjects;
    std::size_t mostLive = 0;
    std::size_t mostObjects = 0;
    std::size_t refusals = 0;
    std::size_t refusalsWithoutARemoval = 0; // after the first, with no object gone since
    std::size_t removalsSinceRefusal = 0;
    std::size_t createdAfterARefusal = 0;
    std::set<DWORD> objects;
    ReplayRunOptions options;
    options.afterLastBurst = std::chrono::seconds(60);
    options.onCycle = [&](MainLoop& loop) {
        mostLive = std::max(mostLive, loop.traffic().liveAircraft.size());
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
    };
    const ReplayRunResult result = run(options);

    EXPECT_GE(mostLive, 400u) << "the feed's crowd reached the traffic";
    EXPECT_EQ(mostObjects, objectLimit);
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
}

} // namespace
} // namespace skyloom::testing
