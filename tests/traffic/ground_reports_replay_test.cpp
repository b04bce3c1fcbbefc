// Reports written by hand at Zurich and Los Angeles, as the App (or the web API) sends them,
// through the whole program (feed, mailbox, traffic, simulator stand-in;
// tests/traffic/support/program_replay.h): what ground traffic that real recordings showed
// going wrong does now. One test per behaviour, one row per airport or road.
#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "tests/traffic/support/program_replay.h"
#include "tests/traffic/support/track_capture.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/step/traffic_state.h"

namespace skyloom::testing {
namespace {

constexpr double kMetresPerNm = 1852.0;

// The user stands at a gate away from the runways the rows use.
const ReplayAirport kZurich{"LSZH", {47.46073, 8.55213}, 6.0};
constexpr double kZurichFt = 1416.0;
constexpr double kLosAngelesFt = 125.0;

// A runway's threshold, its direction and the field's altitude.
struct Runway {
    const ReplayAirport* airport;
    Lalo threshold;
    double headingDeg;
    double fieldFt;
};
const Runway kZurich28{&kZurich, {47.45660, 8.57045}, 276.0, kZurichFt};
const Runway kLosAngeles24L{
    &kLosAngelesReplayAirport, {33.95020, -118.40200}, 263.0, kLosAngelesFt};

double lf_metres(const Lalo& a, const Lalo& b) {
    return gf_distanceNM(a, b) * kMetresPerNm;
}

Lalo lf_at(const ObjectFrame& f) {
    return {f.latitude, f.longitude};
}

// Reports every `everySeconds` from `fromSeconds`: a taxi along `trackDeg` at `speedKt` from
// `start` for `taxiSeconds`, then standing where it got to (0 to 2 kt, positions a metre or
// two apart) until `toSeconds`.
std::vector<TruePoint> lf_taxiThenStand(const Lalo& start, double trackDeg, double speedKt,
                                        double taxiSeconds, double toSeconds, double everySeconds,
                                        double altitudeFt) {
    std::vector<TruePoint> points;
    const double metresPerSecond = speedKt * kMetresPerNm / 3600.0;
    const Lalo stop = gf_offsetMetres(start, trackDeg, metresPerSecond * taxiSeconds);
    int n = 0;
    for (double t = 0; t <= toSeconds; t += everySeconds, ++n) {
        if (t < taxiSeconds) {
            points.push_back(gf_groundReport(t,
                                             gf_offsetMetres(start, trackDeg, metresPerSecond * t),
                                             speedKt, trackDeg, altitudeFt));
        } else {
            points.push_back(gf_groundReport(t, gf_offsetMetres(stop, 90.0 * (n % 4), 1.0 + n % 2),
                                             n % 3, trackDeg, altitudeFt));
        }
    }
    return points;
}

tools::Capture lf_capture(const std::vector<TruePoint>& points, const TrackIdentity& who) {
    TrackCaptureOptions options;
    options.startEpoch = kHandMadeEpoch;
    return gf_trackCapture(points, who, options);
}

class GroundReportsReplay : public ProgramReplayTest {
protected:
    // Runs the capture and gives back what the world showed of `hexid`.
    std::vector<ObjectFrame> runFollowing(std::uint32_t hexid, ReplayRoad road = ReplayRoad::app) {
        ReplayRunOptions options;
        options.road = road;
        options.followed = {hexid};
        options.afterLastBurst = std::chrono::seconds(90);
        return run(options).frames[hexid];
    }
};

// --- An airborne flag off the runway -----------------------------------------------------

// An aircraft taxies to a runway and stands there; one of its reports says airborne at 2.9 kt.
// Holding short, it rolls nowhere; lined up on the runway, its roll ends when the reports stay
// slow in one place. Either way the object stays where the reports are.
struct HoldingRow {
    const char* name;
    const Runway* runway;
    double sideMetres; // from the centreline, left of the runway's direction (0: lined up)
};

class AirborneFlagWhileStanding : public GroundReportsReplay,
                                  public ::testing::WithParamInterface<HoldingRow> {};

TEST_P(AirborneFlagWhileStanding, StartsNoRollThatRunsAway) {
    const HoldingRow& row = GetParam();
    const Runway& rw = *row.runway;
    const Lalo onCentreline = gf_offsetMetres(rw.threshold, rw.headingDeg, 400.0);
    const Lalo spot = gf_offsetMetres(onCentreline, rw.headingDeg - 90.0, row.sideMetres);
    // Up to the spot from 300 m behind it along the runway's direction, at 12 kt.
    const double taxiSeconds = 300.0 / (12.0 * kMetresPerNm / 3600.0);
    const Lalo start = gf_offsetMetres(spot, rw.headingDeg + 180.0, 300.0);
    std::vector<TruePoint> points = lf_taxiThenStand(start, rw.headingDeg, 12.0, taxiSeconds,
                                                     taxiSeconds + 150.0, 2.0, rw.fieldFt);
    const double flagSeconds = taxiSeconds + 20.0;
    for (TruePoint& p : points) {
        if (p.seconds >= flagSeconds && p.seconds < flagSeconds + 1.0) {
            p.airborne = true;
            p.groundSpeedKt = 2.9;
            p.altitudeFt = rw.fieldFt + 25.0;
        }
    }
    const TrackIdentity who{0x4b1801, "SWR12", "A320", "HB-JLT", "ZRH", "LHR"};
    const std::string skip =
        prepare(*rw.airport, lf_capture(points, who), gf_epochUtc(kHandMadeEpoch));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    const std::vector<ObjectFrame> frames = runFollowing(who.hexid);
    ASSERT_FALSE(frames.empty()) << "never shown";
    double farthest = 0;
    for (const ObjectFrame& f : frames) {
        if (f.seconds >= 30.0 + flagSeconds) {
            farthest = std::max(farthest, lf_metres(lf_at(f), spot));
            EXPECT_NE(f.phase, FlightPhase::takeoff) << f.seconds;
            EXPECT_NE(f.phase, FlightPhase::flying) << f.seconds;
        }
    }
    EXPECT_LT(farthest, 40.0) << "the object left the spot its reports stay at";
    EXPECT_EQ(frames.back().phase, FlightPhase::taxi);
    EXPECT_THAT(logLinesWith("SWR12    HB-JLT       removed: its take-off roll failed"),
                ::testing::IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Runways, AirborneFlagWhileStanding,
                         ::testing::Values(HoldingRow{"ZurichHoldingShortOf28", &kZurich28, 110.0},
                                           HoldingRow{"ZurichLinedUpOn28", &kZurich28, 0.0},
                                           HoldingRow{"LosAngelesHoldingShortOf24L",
                                                      &kLosAngeles24L, 110.0}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Aircraft not shown ------------------------------------------------------------------

// An aircraft the program does not show is named once in the log with why, however often it
// is reported, and never created and removed again: an airliner of an airline without a
// livery, a business jet whose only livery (another operator's, a step beyond the matching
// depth that the light categories go to) is one the TCAS coverage check would remove.
struct NotShownRow {
    const char* name;
    const Runway* runway;
    TrackIdentity who;
    std::string reason;
};

class NotShown : public GroundReportsReplay, public ::testing::WithParamInterface<NotShownRow> {};

TEST_P(NotShown, IsNamedOnceWithItsReason) {
    const NotShownRow& row = GetParam();
    const Runway& rw = *row.runway;
    const Lalo start = gf_offsetMetres(rw.threshold, rw.headingDeg - 90.0, 200.0);
    const std::vector<TruePoint> points =
        lf_taxiThenStand(start, rw.headingDeg, 10.0, 120.0, 121.0, 2.0, rw.fieldFt);
    // An aircraft of another airline, of the same model, brings its livery along.
    const TrackIdentity other{0x3c0001, "NJE456", row.who.model, "CS-DXA", "", ""};
    const std::vector<TruePoint> otherPoints =
        lf_taxiThenStand(gf_offsetMetres(start, rw.headingDeg, 1500.0), rw.headingDeg - 180.0, 10.0,
                         120.0, 121.0, 2.0, rw.fieldFt);
    const tools::Capture capture =
        gf_mergeCaptures({lf_capture(points, row.who), lf_capture(otherPoints, other)});
    const std::string skip = prepare(*rw.airport, capture, gf_epochUtc(kHandMadeEpoch), {"XQZ"});
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    const std::vector<ObjectFrame> frames = runFollowing(row.who.hexid);
    EXPECT_TRUE(frames.empty()) << "created";
    std::vector<std::string> notShown = logLinesWith(" not shown: ");
    std::erase_if(notShown, [&](const std::string& line) {
        return line.find(row.who.callsign + " ") == std::string::npos;
    });
    EXPECT_THAT(notShown, ::testing::ElementsAre(::testing::HasSubstr("not shown: " + row.reason)));
    EXPECT_THAT(logLinesWith(" removed: "),
                ::testing::Each(::testing::Not(::testing::HasSubstr(row.who.callsign))));
}

INSTANTIATE_TEST_SUITE_P(
    Aircraft, NotShown,
    ::testing::Values(NotShownRow{"AnAirlinerWithoutALivery", &kLosAngeles24L,
                                  TrackIdentity{0xa00001, "XQZ202", "A320", "N202XQ", "LAX", "SFO"},
                                  "no installed livery fits XQZ"},
                      NotShownRow{
                          "ABizjetWithACoverageLivery", &kZurich28,
                          TrackIdentity{0x4b0001, "XQZ101", "C56X", "HB-VXQ", "", ""},
                          "its livery 'Skyloom Demo C56X NJE' is allowed only above 17000 ft"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Sparse reports ----------------------------------------------------------------------

// A taxiing aircraft reported only every 40 s (more than the playback delay) is shown from
// its second report on and follows its reports.
struct SparseRow {
    const char* name;
    const Runway* runway;
};

class SparseGroundReports : public GroundReportsReplay,
                            public ::testing::WithParamInterface<SparseRow> {};

TEST_P(SparseGroundReports, StillShowTheAircraft) {
    const Runway& rw = *GetParam().runway;
    const Lalo start = gf_offsetMetres(rw.threshold, rw.headingDeg - 90.0, 200.0);
    const std::vector<TruePoint> points =
        lf_taxiThenStand(start, rw.headingDeg, 8.0, 360.0, 360.0, 40.0, rw.fieldFt);
    const TrackIdentity who{0x4b1802, "SWR14", "A320", "HB-JLQ", "ZRH", "LHR"};
    const std::string skip =
        prepare(*rw.airport, lf_capture(points, who), gf_epochUtc(kHandMadeEpoch));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    const std::vector<ObjectFrame> frames = runFollowing(who.hexid);
    ASSERT_FALSE(frames.empty()) << "never shown";
    // Its second report is due 70 s into the run (40 s after it, and the 30 s delay).
    EXPECT_LT(frames.front().seconds, 80.0);
    EXPECT_LT(lf_metres(lf_at(frames.front()), start), 20.0);
    const Lalo last{points.back().latitude, points.back().longitude};
    const auto nearest = std::min_element(
        frames.begin(), frames.end(), [&](const ObjectFrame& a, const ObjectFrame& b) {
            return lf_metres(lf_at(a), last) < lf_metres(lf_at(b), last);
        });
    EXPECT_LT(lf_metres(lf_at(*nearest), last), 20.0) << "it got to its last report";
}

INSTANTIATE_TEST_SUITE_P(Airports, SparseGroundReports,
                         ::testing::Values(SparseRow{"Zurich", &kZurich28},
                                           SparseRow{"LosAngeles", &kLosAngeles24L}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Jumps of a standing aircraft --------------------------------------------------------

// A standing aircraft one of whose reports jumps away (at 0 kt) does not fly the jump: the
// jump puts it into the ground-track quarantine, it comes back where it stands (and may go on
// to a stand nearby, as a standing aircraft there does).
struct JumpRow {
    const char* name;
    const Runway* runway;
    double jumpMetres;
};

class StandingJump : public GroundReportsReplay, public ::testing::WithParamInterface<JumpRow> {};

TEST_P(StandingJump, IsNotFlown) {
    const JumpRow& row = GetParam();
    const Runway& rw = *row.runway;
    const Lalo start = gf_offsetMetres(rw.threshold, rw.headingDeg - 90.0, 250.0);
    std::vector<TruePoint> points =
        lf_taxiThenStand(start, rw.headingDeg, 10.0, 60.0, 240.0, 2.0, rw.fieldFt);
    const Lalo spot{points.back().latitude, points.back().longitude};
    const Lalo jumpedTo = gf_offsetMetres(spot, rw.headingDeg + 120.0, row.jumpMetres);
    for (TruePoint& p : points) {
        if (p.seconds == 120.0) {
            p.latitude = jumpedTo.lat;
            p.longitude = jumpedTo.lon;
        }
    }
    const TrackIdentity who{0x4b1803, "SWR16", "A320", "HB-JLR", "ZRH", "LHR"};
    const std::string skip =
        prepare(*rw.airport, lf_capture(points, who), gf_epochUtc(kHandMadeEpoch));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    const std::vector<ObjectFrame> frames = runFollowing(who.hexid);
    ASSERT_FALSE(frames.empty()) << "never shown";
    for (const ObjectFrame& f : frames) {
        EXPECT_GT(lf_metres(lf_at(f), jumpedTo), row.jumpMetres / 2) << f.seconds;
    }
    EXPECT_THAT(logLinesWith("SWR16    HB-JLR       removed: its ground track jumps"),
                ::testing::SizeIs(1));
}

INSTANTIATE_TEST_SUITE_P(Airports, StandingJump,
                         ::testing::Values(JumpRow{"Zurich150m", &kZurich28, 150.0},
                                           JumpRow{"LosAngeles300m", &kLosAngeles24L, 300.0}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Created on the ground ----------------------------------------------------------------

// A taxiing aircraft reported at the field's altitude (as the App reports it, and as the web
// API gives every aircraft on the ground), or at 0 ft, is shown, and its object is created on
// the ground at the field's altitude and never written below it: also where it comes in the
// App's buffer at the start, before the program has chosen its park airport, and where the main
// loop stalls (a heavily loaded machine) as it is created or switched on, so that it is
// switched on before the simulator has said where its ground lies.
enum class Stall { none, atCreate, whileSwitchingOn };

struct CreatedRow {
    const char* name;
    const Runway* runway;
    ReplayRoad road;
    bool reportsFieldAltitude;
    Stall stall = Stall::none;
    // The first bursts come as the App's buffer at the start.
    std::size_t bufferedBursts = 0;
};

constexpr std::chrono::seconds kCreationStall{2};

class CreatedOnTheGround : public GroundReportsReplay,
                           public ::testing::WithParamInterface<CreatedRow> {};

TEST_P(CreatedOnTheGround, AtTheFieldsAltitudeAndNeverBelowIt) {
    const CreatedRow& row = GetParam();
    const Runway& rw = *row.runway;
    const Lalo start = gf_offsetMetres(rw.threshold, rw.headingDeg - 90.0, 200.0);
    const std::vector<TruePoint> points = lf_taxiThenStand(
        start, rw.headingDeg, 10.0, 120.0, 121.0, 2.0, row.reportsFieldAltitude ? rw.fieldFt : 0.0);
    const TrackIdentity who{0x4b1804, "SWR18", "A320", "HB-JLS", "ZRH", "LHR"};
    const std::string skip =
        prepare(*rw.airport, lf_capture(points, who), gf_epochUtc(kHandMadeEpoch));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    ReplayRunOptions options;
    options.road = row.road;
    options.followed = {who.hexid};
    options.afterLastBurst = std::chrono::seconds(30);
    options.bufferedBursts = row.bufferedBursts;
    bool stalled = false;
    // The lowest altitude the program gave the simulator for the object, and when.
    double lowestSentFt = 1e9;
    std::uint32_t lowestSentTick = 0;
    options.onCycle = [&](MainLoop& loop) {
        for (const LiveAircraft& a : loop.traffic().liveAircraft) {
            if (a.base.hexid != who.hexid || a.simState == SimState::buffer) {
                continue;
            }
            if (a.sent.altitudeFt < lowestSentFt) {
                lowestSentFt = a.sent.altitudeFt;
                lowestSentTick = loop.traffic().currentTick();
            }
            const bool due = row.stall == Stall::atCreate
                                 ? a.simState == SimState::adding2sim
                                 : a.objectId != 0 && a.simState == SimState::adding2sim;
            if (!stalled && row.stall != Stall::none && due) {
                stalled = true;
                clock_.advance(kCreationStall);
            }
        }
    };
    const std::vector<ObjectFrame> frames = run(options).frames[who.hexid];
    ASSERT_FALSE(frames.empty()) << "never shown";
    EXPECT_EQ(stalled, row.stall != Stall::none);
    EXPECT_TRUE(frames.front().onGround);
    EXPECT_NEAR(frames.front().altitudeFt, rw.fieldFt, 15.0);
    EXPECT_GE(lowestSentFt, rw.fieldFt - 1.0)
        << "placed below the field at tick " << lowestSentTick;
    for (const ObjectFrame& f : frames) {
        ASSERT_GE(f.altitudeFt, rw.fieldFt - 1.0) << "below the field at " << f.seconds << " s";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Roads, CreatedOnTheGround,
    ::testing::Values(CreatedRow{"ZurichAppFieldAltitude", &kZurich28, ReplayRoad::app, true},
                      CreatedRow{"ZurichAppZeroFeet", &kZurich28, ReplayRoad::app, false},
                      CreatedRow{"ZurichAppZeroFeetStalledAtCreate", &kZurich28, ReplayRoad::app,
                                 false, Stall::atCreate},
                      CreatedRow{"ZurichAppZeroFeetBuffered", &kZurich28, ReplayRoad::app, false,
                                 Stall::none, 10},
                      CreatedRow{"ZurichAppZeroFeetBufferedStalledWhileSwitchingOn", &kZurich28,
                                 ReplayRoad::app, false, Stall::whileSwitchingOn, 10},
                      CreatedRow{"ZurichWebApi", &kZurich28, ReplayRoad::webApi, false},
                      CreatedRow{"LosAngelesAppFieldAltitude", &kLosAngeles24L, ReplayRoad::app,
                                 true},
                      CreatedRow{"LosAngelesWebApi", &kLosAngeles24L, ReplayRoad::webApi, false}),
    [](const auto& info) { return std::string(info.param.name); });

// --- A re-created object ---------------------------------------------------------------------

// An aircraft taxiing at 15 kt along a straight line whose object is removed halfway comes
// back in a new object, and both show it where its reports put it the playback delay earlier
// (30 s, and the 2 s an object waits to be switched on): the new object is neither ahead of
// its reports nor behind them.
struct RecreatedRow {
    const char* name;
    const Runway* runway;
};

class RecreatedObject : public GroundReportsReplay,
                        public ::testing::WithParamInterface<RecreatedRow> {};

TEST_P(RecreatedObject, KeepsItsPlaybackDelay) {
    const Runway& rw = *GetParam().runway;
    const Lalo start = gf_offsetMetres(rw.threshold, rw.headingDeg - 90.0, 200.0);
    constexpr double kSpeedKt = 15.0;
    const double metresPerSecond = kSpeedKt * kMetresPerNm / 3600.0;
    const std::vector<TruePoint> points =
        lf_taxiThenStand(start, rw.headingDeg, kSpeedKt, 301.0, 300.0, 2.0, rw.fieldFt);
    const TrackIdentity who{0x4b1805, "SWR20", "A320", "HB-JLU", "ZRH", "LHR"};
    const std::string skip =
        prepare(*rw.airport, lf_capture(points, who), gf_epochUtc(kHandMadeEpoch));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    ReplayRunOptions options;
    options.followed = {who.hexid};
    options.afterLastBurst = std::chrono::seconds(20);
    bool removed = false;
    options.onCycle = [&](MainLoop& loop) {
        TrafficState& traffic = loop.traffic();
        for (LiveAircraft& a : traffic.liveAircraft) {
            if (!removed && a.base.hexid == who.hexid && a.simState == SimState::active &&
                lf_metres({a.sent.latitude, a.sent.longitude}, start) > 100 * metresPerSecond) {
                removed = true;
                removeAircraftFromSim(traffic, a, "the test removes it");
            }
        }
    };
    const std::vector<ObjectFrame> frames = run(options).frames[who.hexid];
    ASSERT_TRUE(removed);
    // Per object: how long after its report time each frame shows the aircraft.
    std::map<std::uint32_t, std::vector<double>> delays;
    for (const ObjectFrame& f : frames) {
        const double reportSeconds = lf_metres(lf_at(f), start) / metresPerSecond;
        if (reportSeconds > 5.0 && reportSeconds < 295.0) {
            delays[f.objectId].push_back(f.seconds - reportSeconds);
        }
    }
    ASSERT_EQ(delays.size(), 2u) << "not created again";
    for (auto& [object, seconds] : delays) {
        std::sort(seconds.begin(), seconds.end());
        EXPECT_GT(seconds[seconds.size() / 20], 29.0) << "object " << object << " ahead";
        EXPECT_LT(seconds[seconds.size() * 19 / 20], 35.0) << "object " << object << " behind";
    }
}

INSTANTIATE_TEST_SUITE_P(Airports, RecreatedObject,
                         ::testing::Values(RecreatedRow{"Zurich", &kZurich28},
                                           RecreatedRow{"LosAngeles", &kLosAngeles24L}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace skyloom::testing
