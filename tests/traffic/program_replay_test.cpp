// Whole captures through the program's own wiring (tests/traffic/support/program_replay.h):
// - the whole KLAX capture: the arrivals the capture shows at a stand park there, their parked
//   time is their real one, nothing goes wrong that the log marks, and the close-down leaves no
//   object in the simulator;
// - the first five minutes of it with copies of reports between the rounds (a second sender on
//   the App's network): every aircraft is shown, flies as far and no faster than without them;
// - rounds larger than the main loop takes between two rounds (200 reports a second): every
//   aircraft is updated at least every other round, and none is removed for want of reports;
// - the Pontiac capture: an aircraft whose reports keep coming is not removed for want of them.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/program_mailbox.h"
#include "feed/time_offsets.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/text.h"
#include "runtime/current_day_slot.h"
#include "tests/support/shared_data.h"
#include "tests/traffic/support/program_replay.h"
#include "tests/traffic/support/replay_measure.h"
#include "tests/traffic/support/track_capture.h"
#include "traffic/stands/static_traffic.h"
#include "traffic/step/traffic_mailbox.h"

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
    const std::string skip = prepare(kLosAngelesReplayAirport,
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
                parkedAtEnd[a.base.hexid] = {a.base.callsign, clock_.steadyNow(), a.stand.daySlot};
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

// --- Copies between rounds -----------------------------------------------------------------

constexpr double kCopiesRunSeconds = 300.0;
constexpr std::size_t kCopies = 14;
// The step margin of the end-to-end checks, and how much the frames' timing may change it
// where an object steps faster than that without the copies as well.
constexpr double kStepMargin = 1.25;
constexpr double kTimingMargin = 1.03;
// The path flown with the copies against the path flown without them, at least.
constexpr double kFlownWithCopiesShare = 0.98;

// The report of an aircraft three quarters into each burst, stamped a second earlier,
// sent just before the burst as a second sender on the App's network would: it is on the
// feed's clock, and the burst repeats its aircraft.
void lf_sendCopiesBeforeRounds(tools::Capture& capture) {
    std::size_t sent = 0;
    for (std::size_t k = 1; k < capture.bursts.size() && sent < kCopies; ++k, ++sent) {
        std::vector<std::string>& datagrams = capture.bursts[k].datagrams;
        std::vector<std::string> fields;
        std::string field;
        for (const char c : datagrams[datagrams.size() * 3 / 4] + ",") {
            if (c == ',') {
                fields.push_back(std::move(field));
                field.clear();
            } else {
                field += c;
            }
        }
        fields[14] = fmt::format("{:.1f}", std::stod(fields[14]) - 1.0);
        std::string copy = fields.front();
        for (std::size_t f = 1; f < fields.size(); ++f) {
            copy += "," + fields[f];
        }
        datagrams.insert(datagrams.begin(), copy);
    }
    ASSERT_EQ(sent, kCopies);
}

double lf_flownNm(const std::vector<ObjectFrame>& frames) {
    double nm = 0;
    for (std::size_t f = 1; f < frames.size(); ++f) {
        if (frames[f - 1].objectId == frames[f].objectId) {
            nm += gf_distanceNM({frames[f - 1].latitude, frames[f - 1].longitude},
                                {frames[f].latitude, frames[f].longitude});
        }
    }
    return nm;
}

class CopiesProgramReplay : public ProgramReplayTest {
protected:
    ReplayRunResult runFollowingAll() {
        ReplayRunOptions options;
        options.afterLastBurst = std::chrono::seconds(30);
        for (const auto& [hexid, r] : reports()) {
            options.followed.insert(hexid);
        }
        stop_.reset();
        return run(options);
    }
};

TEST_F(CopiesProgramReplay, CopiesOfReportsBetweenTheRoundsCostNoAircraftNoDistanceNoStep) {
    SKYLOOM_REQUIRE_SHARED(capturePath, kLosAngelesCapture);
    tools::Capture capture = tools::gf_readCapture(capturePath, kLosAngelesElevationFt);
    const double first = capture.bursts.front().time;
    std::erase_if(capture.bursts, [first](const tools::CaptureBurst& burst) {
        return burst.time - first > kCopiesRunSeconds;
    });
    const std::map<std::uint32_t, std::vector<DueReport>> due = gf_dueReports(capture);
    const std::string skip =
        prepare(kLosAngelesReplayAirport, capture, ManualClock::utcTime(2026, 1, 7, 21, 52, 32));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    const ReplayRunResult clean = runFollowingAll();
    lf_sendCopiesBeforeRounds(capture);
    replaceCapture(capture);
    const ReplayRunResult copies = runFollowingAll();

    double cleanNm = 0;
    double copiesNm = 0;
    std::size_t faster = 0;
    double worst = 0;
    for (const auto& [hexid, frames] : clean.frames) {
        SCOPED_TRACE(hexid);
        const double nm = lf_flownNm(frames);
        cleanNm += nm;
        if (!copies.frames.contains(hexid)) {
            ADD_FAILURE() << "never shown, " << nm << " NM without the copies";
            continue;
        }
        const std::vector<ObjectFrame>& withCopies = copies.frames.at(hexid);
        copiesNm += lf_flownNm(withCopies);
        const double fastestKt = gf_fastestReportedKt(due.at(hexid));
        const double ratio = gf_fastestStepRatio(withCopies, fastestKt);
        worst = std::max(worst, ratio);
        if (ratio > std::max(kStepMargin, gf_fastestStepRatio(frames, fastestKt)) * kTimingMargin) {
            ++faster;
            ADD_FAILURE() << "steps " << ratio << " times its fastest reported speed, " << fastestKt
                          << " kt";
        }
    }
    std::cout << fmt::format("copies: {} of {} aircraft shown, {:.1f} of {:.1f} NM flown, {} "
                             "faster than before, the fastest step {:.2f} times the reports'\n",
                             copies.frames.size(), clean.frames.size(), copiesNm, cleanNm, faster,
                             worst);
    EXPECT_GE(clean.frames.size(), 30u);
    EXPECT_GE(copiesNm, kFlownWithCopiesShare * cleanNm);
}

// --- Rounds larger than the take ----------------------------------------------------------

// The first aircraft of each round (those the take reaches last) are airliners flying straight
// out from the airport, which the program shows; the others fly for an airline whose livery is
// not installed: decoded, never shown.
constexpr std::size_t kShownPerRound = 40;
constexpr double kShownKt = 250.0;
constexpr double kRoundsEpoch = 1767822752.0; // 2026-01-07 21:52:32 UTC
// The feed's rounds go on this long; the run then takes what is left.
constexpr double kRoundsSeconds = 100.0;
// The path an object flies against what its reports say it flew, at least.
constexpr double kFlownShare = 0.9;

struct RoundsCase {
    std::size_t aircraft;
    double everySeconds;
    friend void PrintTo(const RoundsCase& c, std::ostream* out) {
        *out << c.aircraft << " aircraft every " << c.everySeconds << " s";
    }
};

std::uint32_t lf_roundsHexid(std::size_t i) {
    return 0xa00000 + static_cast<std::uint32_t>(i);
}

// Round r of the capture: every aircraft once, the shown ones first, stamped at the round's
// time (`kRoundsEpoch` + r x every).
tools::Capture lf_rounds(const RoundsCase& c, const Lalo& airport) {
    tools::Capture capture;
    const auto rounds = static_cast<int>(kRoundsSeconds / c.everySeconds);
    for (int r = 0; r <= rounds; ++r) {
        const double seconds = r * c.everySeconds;
        tools::CaptureBurst burst{kRoundsEpoch + seconds, {}};
        for (std::size_t i = 0; i < c.aircraft; ++i) {
            const bool shown = i < kShownPerRound;
            const double bearingDeg = static_cast<double>(i % 360) + (shown ? 0.0 : 0.5);
            const double fromNm = shown ? 10.0 : 5.0 + static_cast<double>(i % 30);
            const double nm = fromNm + kShownKt * seconds / 3600.0;
            const Lalo at =
                gf_destination(airport, bearingDeg * geo::kRadiansPerDegree, nm * geo::kFeetPerNM);
            TruePoint point;
            point.seconds = point.positionSeconds = seconds;
            point.latitude = at.lat;
            point.longitude = at.lon;
            point.altitudeFt = 8000.0;
            point.groundSpeedKt = kShownKt;
            point.trackDeg = bearingDeg;
            const TrackIdentity who{lf_roundsHexid(i),
                                    fmt::format("{}{}", shown ? "AAL" : "XQZ", 1000 + i),
                                    shown ? "B738" : "A320",
                                    fmt::format("N{}R", 1000 + i),
                                    "LAX",
                                    "SFO"};
            burst.datagrams.push_back(gf_rttfcDatagram(who, point, kRoundsEpoch + seconds));
        }
        burst.datagrams.push_back("RTTFC_EOT");
        capture.bursts.push_back(std::move(burst));
    }
    return capture;
}

// Notes the round of every report the program's own decoder is given, and hands it on.
class RoundNotingDecoder final : public TrafficDecoder {
public:
    RoundNotingDecoder(TrafficDecoder& program, double everySeconds)
        : program_(program), everySeconds_(everySeconds) {}
    void decodeMessage(const TrafficEntry& entry) override {
        rounds[entry.hexid].insert(
            static_cast<int>(std::lround((entry.timestamp - kRoundsEpoch) / everySeconds_)));
        program_.decodeMessage(entry);
    }
    std::unordered_map<std::uint32_t, std::set<int>> rounds;

private:
    TrafficDecoder& program_;
    double everySeconds_;
};

class RoundsProgramReplay : public ProgramReplayTest,
                            public ::testing::WithParamInterface<RoundsCase> {};

TEST_P(RoundsProgramReplay, EveryAircraftIsUpdatedAtLeastEveryOtherRound) {
    const RoundsCase& c = GetParam();
    const std::string skip =
        prepare(kLosAngelesReplayAirport, lf_rounds(c, kLosAngelesReplayAirport.userGate),
                ManualClock::utcTime(2026, 1, 7, 21, 52, 32), {"XQZ"});
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    std::optional<RoundNotingDecoder> noting;
    ReplayRunOptions options;
    options.afterLastBurst = std::chrono::seconds(40);
    for (std::size_t i = 0; i < kShownPerRound; ++i) {
        options.followed.insert(lf_roundsHexid(i));
    }
    options.onCycle = [&](MainLoop&) {
        if (!noting) {
            TrafficMailbox& mailbox = gf_trafficMailbox();
            noting.emplace(*mailbox.decoder(), c.everySeconds);
            mailbox.setDecoder(&*noting);
        }
    };
    const ReplayRunResult result = run(options);
    ASSERT_TRUE(noting);
    const auto rounds = static_cast<int>(kRoundsSeconds / c.everySeconds);
    std::size_t starved = 0;
    for (std::size_t i = 0; i < c.aircraft; ++i) {
        const std::set<int>& got = noting->rounds[lf_roundsHexid(i)];
        for (int r = 0; r < rounds; ++r) {
            if (!got.contains(r) && !got.contains(r + 1)) {
                ++starved;
                ADD_FAILURE() << "aircraft " << i << " not updated in rounds " << r << " and "
                              << r + 1;
                break;
            }
        }
        if (starved > 5) {
            break;
        }
    }
    EXPECT_THAT(logLinesWith("its reports ran out"), ::testing::IsEmpty());
    // The shown aircraft fly as far as their reports.
    for (std::size_t i = 0; i < kShownPerRound; ++i) {
        SCOPED_TRACE(i);
        const auto frames = result.frames.find(lf_roundsHexid(i));
        ASSERT_NE(frames, result.frames.end()) << "never shown";
        double flownNm = 0;
        for (std::size_t f = 1; f < frames->second.size(); ++f) {
            const ObjectFrame& a = frames->second[f - 1];
            const ObjectFrame& b = frames->second[f];
            if (a.objectId == b.objectId) {
                flownNm += gf_distanceNM({a.latitude, a.longitude}, {b.latitude, b.longitude});
            }
        }
        const double seconds = frames->second.back().seconds - frames->second.front().seconds;
        EXPECT_GE(flownNm, kFlownShare * kShownKt * seconds / 3600.0) << "in " << seconds << " s";
    }
}

INSTANTIATE_TEST_SUITE_P(App, RoundsProgramReplay,
                         ::testing::Values(RoundsCase{2500, 10.0}, RoundsCase{1000, 3.0}));

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
// Objects that aircraft got again after one of their objects went, at most: 4 on this run,
// some room left for the timing of the motion; 72 where an aircraft beyond the range whose
// stream ran out was removed at once instead of waiting for its next report.
constexpr std::size_t kPontiacRecreationsMost = 7;
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
    EXPECT_LE(recreations, kPontiacRecreationsMost);
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
