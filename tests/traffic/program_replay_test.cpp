// Whole captures through the program's own wiring (tests/traffic/support/program_replay.h).
// KLAX: the arrivals the capture shows at a stand park there, their parked time is their real
// one, nothing goes wrong that the log marks, and the close-down leaves no object in the
// simulator. Pontiac: an aircraft whose reports keep coming is not removed for want of them.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "feed/time_offsets.h"
#include "foundation/geodesy.h"
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

// --- The Pontiac capture ------------------------------------------------------------------

// Near Pontiac's reference point, off its runways, where the demo puts the user (no aircraft
// of the capture stood at the airport): nearly all the capture's traffic, the Detroit area's,
// flies beyond the user's range (40 NM), reported every 17 to 25 s, often with positions some
// seconds old when their round comes.
const ReplayAirport kPontiacReplayAirport{"KPTK", {42.66343, -83.42010}, 90.0};
constexpr double kPontiacElevationFt = 980.0;
// Aircraft reported every 17 to 25 s that were removed whenever their round came late and
// created again with the next report.
const std::set<std::string> kPontiacSteadilyReported = {"SWA2102", "ENY3392", "UAL906"};
// Objects that aircraft got again after one of their objects went, on the same run of the
// capture before the air motion's mends of the last issues (86; 94 just before the wait for a
// report beyond the range).
constexpr std::size_t kPontiacRecreationsBefore = 86;
constexpr const char* kReportsRanOut = "its reports ran out";

// A removal as the program made it: the reason the log gave, and what the decoder had of the
// aircraft's reports then.
struct PontiacRemoval {
    std::uint32_t hexid = 0;
    std::string callsign;
    std::string reason;
    double newestReport = 0; // the time stamp of the newest report decoded, taken or thinned out
    bool newestRefused = false;
};

class PontiacProgramReplay : public ProgramReplayTest {};

// As the demo plays the capture: its first three bursts as the App's buffer, the live traffic
// from the fourth on, and five minutes after the last burst. Removed at once when its stream
// ran out beyond the range, an aircraft whose next report came seconds later was created again
// a playback delay after: 94 objects again for 66 aircraft on this run, N700HW five times in
// six minutes. Now an aircraft beyond the range waits for the report its feed still owes, and
// reaches its newest report no earlier than that is due: "its reports ran out" means that the
// capture held no report of it for a playback delay (30 s) after its newest. A removal after a
// report the checks refused is theirs (traffic/decode/new_sample_checks.h).
TEST_F(PontiacProgramReplay, AnAircraftWhoseReportsKeepComingIsNotRemovedForWantOfThem) {
    SKYLOOM_REQUIRE_SHARED(capturePath, "feed/recordings/KPTK_20201128.csv");
    const std::string skip =
        prepare(kPontiacReplayAirport, tools::gf_readCapture(capturePath, kPontiacElevationFt),
                ManualClock::utcTime(2020, 11, 28, 20, 54, 55));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    std::map<std::uint32_t, std::set<std::uint32_t>> objects;
    std::map<std::uint32_t, std::string> callsigns;
    std::map<std::uint32_t, SimState> states;
    std::vector<PontiacRemoval> removals;
    ReplayRunOptions options;
    options.bufferedBursts = 3;
    options.afterLastBurst = std::chrono::seconds(300);
    options.onCycle = [&](MainLoop& loop) {
        for (const LiveAircraft& a : loop.traffic().liveAircraft) {
            const auto last = states.find(a.base.hexid);
            if (a.simState == SimState::removingfromsim &&
                (last == states.end() || last->second != SimState::removingfromsim)) {
                const std::vector<std::string> lines = logLinesWith(a.base.callsign + " ");
                std::string reason;
                for (const std::string& line : lines) {
                    if (const std::size_t at = line.find(" removed: "); at != std::string::npos) {
                        reason = line.substr(at + 10);
                    }
                }
                removals.push_back({a.base.hexid, a.base.callsign, reason,
                                    std::max(a.lastReportTime, a.lastSampleTime),
                                    a.lastSampleTime > a.takenReportTime});
            }
            states[a.base.hexid] = a.simState;
            if (a.objectId != 0) {
                objects[a.base.hexid].insert(a.objectId);
                callsigns[a.base.hexid] = a.base.callsign;
            }
        }
    };
    run(options);

    std::size_t ranOut = 0;
    for (const PontiacRemoval& removal : removals) {
        SCOPED_TRACE(removal.callsign);
        EXPECT_FALSE(removal.reason.empty()) << "left without a word";
        if (removal.reason != kReportsRanOut || removal.newestRefused) {
            continue;
        }
        ++ranOut;
        const std::vector<TrafficEntry>& reported = reports().at(removal.hexid);
        const auto next =
            std::find_if(reported.begin(), reported.end(),
                         [&](const TrafficEntry& r) { return r.timestamp > removal.newestReport; });
        if (next != reported.end()) {
            EXPECT_GE(next->timestamp - removal.newestReport, kLiveOffsetBaseSeconds)
                << "removed, " << removal.reason << ", while its reports kept coming";
        }
    }
    std::size_t recreations = 0;
    std::size_t again = 0;
    for (const auto& [hexid, shown] : objects) {
        recreations += shown.size() - 1;
        again += shown.size() > 1 ? 1 : 0;
    }
    std::printf("Pontiac: %zu objects of %zu aircraft, %zu of them again for %zu aircraft; "
                "%zu removals, %zu as \"%s\"\n",
                objects.size() + recreations, objects.size(), recreations, again, removals.size(),
                ranOut, kReportsRanOut);
    EXPECT_GT(ranOut, 0u) << "the capture's reports end";
    EXPECT_LE(recreations, kPontiacRecreationsBefore);
    for (const auto& [hexid, callsign] : callsigns) {
        if (kPontiacSteadilyReported.contains(callsign)) {
            EXPECT_EQ(objects[hexid].size(), 1u) << callsign;
        }
    }
    EXPECT_EQ(
        std::count_if(callsigns.begin(), callsigns.end(),
                      [](const auto& c) { return kPontiacSteadilyReported.contains(c.second); }),
        static_cast<std::ptrdiff_t>(kPontiacSteadilyReported.size()));
}

} // namespace
} // namespace skyloom::testing
