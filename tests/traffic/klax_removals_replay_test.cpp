// Removals on the KLAX capture through the program's own wiring (tests/traffic/support/
// program_replay.h), each of which must say why and happen only where it must:
// - a parking that cannot take its stand says why it left (its reports go on);
// - a landing aircraft is never removed in its landing roll, however far apart its reports
//   come on the ground (EVA620's come 20 to 45 s apart): it rolls out along the runway and
//   taxis on with its next report, in one object from its approach to its last report;
// - an aircraft is never created in the user's corridor on the ground, where the check of the
//   corridor would remove it at once: a user at gate G7 faces gate G3, where AAL1331 parks,
//   and AAL1331 is removed there once, not created and removed again with every report;
// - an aircraft whose reports keep coming is not removed as "its reports ran out": a light
//   aircraft that turns back in a gap of its reports flies to them when they come, however far
//   it flew on the wrong way without them.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "runtime/user_aircraft.h"
#include "tests/support/shared_data.h"
#include "tests/traffic/support/program_replay.h"
#include "tests/traffic/support/replay_measure.h"
#include "traffic/removals/user_collisions.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom::testing {
namespace {

// The demo's gate, facing the gates AAL566 and AAL1331 taxi to.
const ReplayAirport kLosAngelesGateG7{"KLAX", {33.9407, -118.4065833}, 272.0};

struct RemovalCase {
    const char* why;
    const ReplayAirport* airport = nullptr;
    // The capture's first bursts as the App's buffer: another start of the same traffic.
    std::size_t bufferedBursts = 0;
    // Parkings that cannot take their stand, at least (with 16 buffered bursts ASA1007 comes to
    // the end of its reports 57 degrees off the heading of GATE E1).
    std::size_t failedParkings = 0;
    // Shown in one object from the first report to the last.
    std::vector<std::string> oneObject = {};
    // Removed for the user's corridor, and how often.
    std::map<std::string, std::size_t> corridorRemovals = {};
    // Removed for want of reports while they kept coming (a start without a buffer): only
    // aircraft beyond `RANGE` of the user, which go at once when their samples run out.
    std::set<std::string> removedWhileReported = {};
    friend void PrintTo(const RemovalCase& c, std::ostream* out) { *out << c.why; }
};

// One removal of an object: the phase it found and the reason the log gave.
struct Removal {
    std::string callsign;
    std::uint32_t hexid = 0;
    FlightPhase phase;
    std::string reason;
    double seconds = 0; // on the run's clock
};

// A report of the aircraft fell due this shortly before its removal and another after it: its
// reports kept coming (a flight whose reports ran out flies on without them for a minute before
// it goes).
constexpr double kStillReportedSeconds = 45.0;

// What the run did to the aircraft.
struct Seen {
    std::vector<Removal> removals;
    std::map<std::uint32_t, SimState> states;               // by hexid, in the last cycle
    std::map<std::string, std::set<std::uint32_t>> objects; // by callsign
    std::set<std::string> createdInCorridor;
    // When each object was first seen, by hexid.
    std::map<std::uint32_t, std::map<std::uint32_t, double>> shown;
};

class KlaxRemovalsReplay : public ProgramReplayTest,
                           public ::testing::WithParamInterface<RemovalCase> {
protected:
    // The reason of each removal of `callsign` in the log.
    std::vector<std::string> removalReasons(const std::string& callsign) const {
        std::vector<std::string> reasons;
        for (const std::string& line : logLinesWith(" removed: ")) {
            const std::size_t at = line.find_first_not_of(' ');
            if (line.compare(at, callsign.size() + 1, callsign + " ") == 0) {
                reasons.push_back(line.substr(line.find(" removed: ") + 10));
            }
        }
        return reasons;
    }
};

TEST_P(KlaxRemovalsReplay, SayWhyAndHappenOnlyWhereTheyMust) {
    SKYLOOM_REQUIRE_SHARED(capturePath, kLosAngelesCapture);
    const RemovalCase& c = GetParam();
    const std::string skip =
        prepare(*c.airport, tools::gf_readCapture(capturePath, kLosAngelesElevationFt),
                ManualClock::utcTime(2026, 1, 7, 21, 52, 32));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    Seen seen;
    ReplayRunOptions options;
    options.bufferedBursts = c.bufferedBursts;
    std::optional<Clock::SteadyTime> start;
    options.onCycle = [&](MainLoop& loop) {
        start = start.value_or(clock_.steadyNow());
        const double seconds = std::chrono::duration<double>(clock_.steadyNow() - *start).count();
        const UserAircraftState user = user_.state();
        for (const LiveAircraft& a : loop.traffic().liveAircraft) {
            const std::string& callsign = a.base.callsign;
            const auto last = seen.states.find(a.base.hexid);
            if (a.simState == SimState::removingfromsim &&
                (last == seen.states.end() || last->second != SimState::removingfromsim)) {
                const std::vector<std::string> reasons = removalReasons(callsign);
                seen.removals.push_back({callsign, a.base.hexid, a.phase.phase,
                                         reasons.empty() ? std::string() : reasons.back(),
                                         seconds});
            }
            seen.states[a.base.hexid] = a.simState;
            if (a.objectId != 0) {
                seen.objects[callsign].insert(a.objectId);
                seen.shown[a.base.hexid].emplace(a.objectId, seconds);
            }
            if (a.simState == SimState::adding2sim && a.motion.onGround != 0 &&
                gf_isInUserCorridor(user, {a.sent.latitude, a.sent.longitude})) {
                seen.createdInCorridor.insert(callsign);
            }
        }
    };
    const ReplayRunResult result = run(options);

    std::size_t failedParkings = 0;
    for (const Removal& removal : seen.removals) {
        SCOPED_TRACE(removal.callsign);
        EXPECT_FALSE(removal.reason.empty()) << "left without a word";
        EXPECT_NE(removal.phase, FlightPhase::landing_roll)
            << "removed in its landing roll: " << removal.reason;
        if (removal.phase == FlightPhase::parking) {
            EXPECT_NE(removal.reason, "its reports ran out") << "it could not park";
            failedParkings += removal.reason.starts_with("it could not park at ") ? 1 : 0;
        }
    }
    EXPECT_GE(failedParkings, c.failedParkings);

    // Removed for want of reports while they kept coming, and how long each was gone: until its
    // next object was shown, or the run's end (docs/motion.md, "Reports behind the aircraft, and
    // the end of the feed"; the reports' due times hold for a start without a buffer).
    const auto due = gf_dueReports(tools::gf_readCapture(capturePath, kLosAngelesElevationFt));
    std::set<std::string> stillReported;
    std::size_t objects = 0;
    double absentSeconds = 0.0;
    for (const Removal& removal : c.bufferedBursts > 0 ? std::vector<Removal>{} : seen.removals) {
        // For want of reports: they ran out, or those that came lay out of its reach.
        const auto reports = due.find(removal.hexid);
        if (!removal.reason.starts_with("its ") ||
            removal.reason.find(" reports ") == std::string::npos || reports == due.end() ||
            std::none_of(reports->second.begin(), reports->second.end(),
                         [&](const DueReport& r) {
                             return r.dueSeconds <= removal.seconds &&
                                    r.dueSeconds > removal.seconds - kStillReportedSeconds;
                         }) ||
            reports->second.back().dueSeconds <= removal.seconds) {
            continue;
        }
        double back = result.seconds;
        for (const auto& [objectId, shownAt] : seen.shown[removal.hexid]) {
            if (shownAt > removal.seconds) {
                back = std::min(back, shownAt);
            }
        }
        std::printf("%s removed at %.1f s while reported (%s), shown again at %.1f s\n",
                    removal.callsign.c_str(), removal.seconds, removal.reason.c_str(), back);
        stillReported.insert(removal.callsign);
        ++objects;
        absentSeconds += back - removal.seconds;
    }
    std::printf(
        "removed for want of reports while they kept coming: %zu objects of %zu aircraft, %.0f s "
        "of absence\n",
        objects, stillReported.size(), absentSeconds);
    if (c.bufferedBursts == 0) {
        EXPECT_EQ(stillReported, c.removedWhileReported);
    }
    for (const std::string& callsign : c.oneObject) {
        EXPECT_EQ(seen.objects[callsign].size(), 1u) << callsign;
    }
    EXPECT_THAT(seen.createdInCorridor, ::testing::IsEmpty());
    for (const auto& [callsign, count] : c.corridorRemovals) {
        const std::vector<std::string> reasons = removalReasons(callsign);
        EXPECT_EQ(std::count(reasons.begin(), reasons.end(), "in the user's way on the ground"),
                  static_cast<std::ptrdiff_t>(count))
            << callsign;
    }
}

INSTANTIATE_TEST_SUITE_P(
    KlaxStarts, KlaxRemovalsReplay,
    // N32169, a PA-28, and N223LA turn back in gaps of their reports: each flies to its reports
    // when they come, in one object; so does the helicopter N672CG on its circuits at 400 ft,
    // turning onto its downwind leg in take-off. GAJ826, a King Air reported every 12 to 55 s
    // some 270 NM away, lies beyond `RANGE` (40 NM).
    ::testing::Values(RemovalCase{.why = "user at GATE A2",
                                  .airport = &kLosAngelesReplayAirport,
                                  .oneObject = {"EVA620", "N32169", "N223LA", "N672CG"},
                                  .removedWhileReported = {"GAJ826"}},
                      RemovalCase{.why = "user at GATE A2, the first 16 bursts buffered",
                                  .airport = &kLosAngelesReplayAirport,
                                  .bufferedBursts = 16,
                                  .failedParkings = 1,
                                  .oneObject = {"EVA620"}},
                      RemovalCase{.why = "user at GATE G7",
                                  .airport = &kLosAngelesGateG7,
                                  .oneObject = {"EVA620", "AAL1331"},
                                  .corridorRemovals = {{"AAL1331", 1}},
                                  .removedWhileReported = {"GAJ826"}}));

} // namespace
} // namespace skyloom::testing
