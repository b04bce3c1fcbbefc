// One aircraft on the ground through the traffic step and the simulated world: pushed back
// from its stand, taxiing round a right-angled corner, lining up and rolling for take-off on
// Minneapolis' runway 12R (OurAirports' data in ../shared/data/runways, made into the
// simulated world's facility runways), rolling out after a landing there and turning off, and
// driving onto its stand.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include <fstream>

#include <gtest/gtest.h>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "platform/simworld/facility_import.h"
#include "tests/support/shared_data.h"
#include "tests/traffic/support/motion_scenario.h"
#include "tests/traffic/support/runway_fixture.h"
#include "tests/traffic/support/test_numbers.h"
#include "tools/track_replay/replay_stand_ins.h"
#include "traffic/ground/runway_match.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/step/aircraft_commands.h"

namespace skyloom::testing {
namespace {

const Lalo kApron{47.30, 8.20};
// The most the heading may turn between two written frames (30 a second): 1.2 times the
// Large category's 0.07 degrees a tick over 10/3 ticks, and a margin for the smoothing.
constexpr double kLargestFrameTurnDeg = 1.2 * 0.07 * 10.0 / 3.0 * 1.25;

struct Figures {
    double largestTurnDeg = 0;
    bool finite = true;
};

Figures lf_measure(const std::vector<simworld::TracePoint>& trace) {
    Figures f;
    for (std::size_t i = 0; i < trace.size(); ++i) {
        const simworld::TracePoint& p = trace[i];
        f.finite = f.finite && std::isfinite(p.latitudeDeg) && std::isfinite(p.longitudeDeg) &&
                   std::isfinite(p.headingTrueRad) && std::isfinite(p.altitudeFeet);
        if (i > 0) {
            f.largestTurnDeg = std::max(
                f.largestTurnDeg,
                std::abs(gf_wrapAngle(p.headingTrueRad - trace[i - 1].headingTrueRad)) / kDeg);
        }
    }
    return f;
}

// A report at a place with speed and track; airborne above 0 ft.
FeedReport lf_report(double seconds, Lalo at, double speedKt, double trackDeg,
                     double altitudeFt = 0, double verticalSpeedFpm = 0) {
    FeedReport r;
    r.seconds = seconds;
    r.sample.latitude = at.lat;
    r.sample.longitude = at.lon;
    r.sample.groundSpeedKt = speedKt;
    r.sample.trueAirspeedKt = speedKt;
    r.sample.trackDeg = std::fmod(trackDeg + 360.0, 360.0);
    r.sample.altitudeFt = altitudeFt;
    r.sample.verticalSpeedFpm = verticalSpeedFpm;
    r.sample.airborne = altitudeFt > 0 ? 1 : 0;
    return r;
}

// Metres from the line through the reports.
double lf_offReports(const Lalo& p, const std::vector<FeedReport>& reports) {
    double least = 1e9;
    for (std::size_t i = 0; i + 1 < reports.size(); ++i) {
        const Lalo a{reports[i].sample.latitude, reports[i].sample.longitude};
        const Lalo b{reports[i + 1].sample.latitude, reports[i + 1].sample.longitude};
        const double leg = gf_distanceNM(a, b) * 1852.0;
        const DistanceBearing d = gf_distanceBearingMetres(a, gf_bearing(a, b), p);
        least = std::min(least, d.along >= 0 && d.along <= leg ? std::abs(d.across) : d.distance);
    }
    return least;
}

bool lf_passes(const std::vector<FlightPhase>& phases, std::vector<FlightPhase> wanted) {
    auto at = phases.begin();
    for (FlightPhase w : wanted) {
        at = std::find(at, phases.end(), w);
        if (at == phases.end()) {
            return false;
        }
    }
    return true;
}

class GroundScenario : public MotionScenarioTest {
protected:
    // The park airport's stands 1 to 7, the seventh at `at`.
    void standsWithSeventhAt(const Lalo& at) {
        std::vector<Stand> stands;
        const Lalo away = gf_destination(at, std::acos(-1.0) / 2, 5000 * 3.2808399);
        for (std::int32_t sid = 1; sid <= 7; ++sid) {
            stands.push_back(gf_testStand(sid, fmt::format("G{}", sid), sid == 7 ? at : away, 0.0,
                                          0.02 * 1852.0));
        }
        trafficWorld_.setStands(std::move(stands));
    }

    // Minneapolis' and Denver's runways from OurAirports, Minneapolis the park airport and its
    // runway 12R-30L the one the scenarios use; false when ../shared lacks the data.
    bool loadMinneapolis() {
        simworld::FacilityImportSources sources;
        sources.airportsCsv = sharedPath("data/runways/airports.csv");
        sources.runwaysCsv = sharedPath("data/runways/runways.csv");
        if (sources.airportsCsv.empty() || sources.runwaysCsv.empty()) {
            return false;
        }
        for (const char* icao : {"KMSP", "KDEN"}) {
            for (const auto& r : simworld::gf_importAirportFacilities(icao, sources).runways) {
                runways_.push_back(gf_makeRunway(r));
            }
        }
        state_.motionWorld.runways = runways_;
        state_.motionWorld.parkAirport.iata = IataCode("MSP");
        state_.motionWorld.parkAirport.known = true;
        const auto it = std::find_if(runways_.begin(), runways_.end(), [](const auto& r) {
            return r.primaryNumber == 12 && r.primaryDesignator == 2;
        });
        if (it == runways_.end()) {
            return false;
        }
        runway_ = *it;
        return true;
    }

    // Where a departure from 12R lines up: 150 m from its start, along it from its centre.
    double departureStart() const { return -runway_.length / 2 + 150; }

    // A departure from Minneapolis through the decoder: off the taxiway across 12R at
    // departureStart(), the turn onto it, reported every 2 s.
    std::vector<FeedReport> turnOntoTheRunway() {
        prepare_ = [](LiveAircraft& a) { a.base.origin = IataCode("MSP"); };
        throughDecoder_ = true;
        const double start = departureStart();
        std::vector<FeedReport> reports;
        for (int i = 0; i <= 5; ++i) {
            reports.push_back(
                lf_report(2.0 * i, onRunway(start, -60 + 10.3 * i), 10, runway_.heading + 90));
        }
        return reports;
    }

    // Along the runway from its centre (12R's direction) and to the right of its centreline.
    Lalo onRunway(double along, double cross) const { return gf_onRunway(runway_, along, cross); }
    double alongRunway(const simworld::TracePoint& p) const {
        const Lalo centre{runway_.centreLatitude, runway_.centreLongitude};
        return gf_distanceBearingMetres(centre, runway_.heading * kDeg,
                                        {p.latitudeDeg, p.longitudeDeg})
            .along;
    }
    double crossOffset(const simworld::TracePoint& p) const {
        const Lalo centre{runway_.centreLatitude, runway_.centreLongitude};
        return gf_distanceBearingMetres(centre, runway_.heading * kDeg,
                                        {p.latitudeDeg, p.longitudeDeg})
            .across;
    }

    std::vector<FacilityRunway> runways_;
    FacilityRunway runway_;
};

TEST_F(GroundScenario, PushbackFromTheStandGoesStraightBackAndStops) {
    standsWithSeventhAt(kApron);
    prepare_ = [](LiveAircraft& a) {
        a.stand = LiveStand{kApron.lat, kApron.lon, 0.0, 0, 0, 7, 0, 1};
        a.sampleWatch.pushbackRequest = 1;
    };
    const auto trace = fly({lf_report(0, kApron, 0, 0)}, FlightPhase::parked, 120);
    ASSERT_GT(trace.size(), 100u);
    const Figures f = lf_measure(trace);
    EXPECT_TRUE(f.finite);
    EXPECT_TRUE(lf_passes(
        phases_, {FlightPhase::parked, FlightPhase::pushing_back, FlightPhase::pushed_back}));
    for (const auto& p : trace) {
        ASSERT_NEAR(p.headingTrueRad, 0.0, 0.5 * kDeg) << "the nose stays on the stand's line";
    }
    // 2.5 stand radii of 0.02 NM straight behind the stand, and standing there at the end.
    const Lalo end{trace.back().latitudeDeg, trace.back().longitudeDeg};
    const DistanceBearing where = gf_distanceBearingMetres(kApron, 0.0, end);
    EXPECT_NEAR(where.along, -92.6, 1.0);
    EXPECT_NEAR(where.across, 0.0, 0.5);
    // Standing there: the flight ran on 45 s after the push ended.
    const LiveAircraft& a = state_.liveAircraft.front();
    EXPECT_NEAR(gf_distanceNM(end, {a.sent.latitude, a.sent.longitude}) * 1852, 0, 0.01);
    EXPECT_EQ(a.phase.phase, FlightPhase::pushed_back);
}

TEST_F(GroundScenario, PushedBackItStopsThenSwingsOntoTheTaxiway) {
    standsWithSeventhAt(kApron);
    prepare_ = [](LiveAircraft& a) {
        a.stand = LiveStand{kApron.lat, kApron.lon, 0.0, 0, 0, 7, 0, 1};
        a.sampleWatch.pushbackRequest = 1;
    };
    // The feed shows the aircraft again 60 s later, taxiing east from where the push ended.
    const Lalo pushed = gf_destination(kApron, std::acos(-1.0), 92.6 * geo::kFeetPerMetre);
    std::vector<FeedReport> reports{lf_report(0, kApron, 0, 0)};
    for (FeedReport r : gf_reportsAlong(pushed, 90, 0, {{30, 0, 0, 8}}, 3.0)) {
        r.seconds += 60;
        reports.push_back(r);
    }
    const auto trace = fly(reports, FlightPhase::parked, 140);
    ASSERT_GT(trace.size(), 1000u);
    const Figures f = lf_measure(trace);
    EXPECT_TRUE(f.finite);
    EXPECT_LE(f.largestTurnDeg, kLargestFrameTurnDeg);
    EXPECT_TRUE(lf_passes(phases_, {FlightPhase::pushing_back, FlightPhase::pushed_back}));
    // Straight back to the end of the push, standing there until the feed's next report is
    // due, then swinging round to the east.
    std::size_t reached = 0;
    while (reached < trace.size() &&
           gf_distanceNM({trace[reached].latitudeDeg, trace[reached].longitudeDeg}, pushed) * 1852 >
               0.5) {
        ASSERT_NEAR(trace[reached].headingTrueRad, 0.0, 0.5 * kDeg);
        ++reached;
    }
    ASSERT_LT(reached, trace.size());
    std::size_t moved = reached;
    while (moved < trace.size() &&
           gf_distanceNM({trace[moved].latitudeDeg, trace[moved].longitudeDeg}, pushed) * 1852 <
               0.5) {
        ++moved;
    }
    ASSERT_LT(moved, trace.size());
    EXPECT_GT(trace[moved].seconds - trace[reached].seconds, 10.0);
    EXPECT_NEAR(trace.back().headingTrueRad / kDeg, 90.0, 2.0);
}

TEST_F(GroundScenario, TaxiRoundARightAngleTurnsSmoothlyOntoTheNewLine) {
    const auto reports =
        gf_reportsAlong(kApron, 90, 0, {{40, 0, 0, 15}, {3, 30, 0, 15}, {50, 0, 0, 15}}, 3.0);
    const auto trace = fly(reports, FlightPhase::taxi, 140);
    ASSERT_GT(trace.size(), 1000u);
    const Figures f = lf_measure(trace);
    EXPECT_TRUE(f.finite);
    EXPECT_LE(f.largestTurnDeg, kLargestFrameTurnDeg);
    EXPECT_NEAR(trace.back().headingTrueRad / kDeg, 180.0, 2.0);
    // Within a Large aircraft's turn (8.4 degrees a second at 15 kt: a radius of about 53 m)
    // of the reports' line round the corner.
    double largestOff = 0;
    for (const auto& p : trace) {
        largestOff = std::max(largestOff, lf_offReports({p.latitudeDeg, p.longitudeDeg}, reports));
    }
    EXPECT_LT(largestOff, 30.0);
}

TEST_F(GroundScenario, LinedUpOnTheRunwayItRollsAlongTheCentrelineAndLiftsOff) {
    if (!loadMinneapolis()) {
        GTEST_SKIP() << "shared data not found: ../shared/data/runways (KMSP 12R)";
    }
    const double h = runway_.heading;
    const double start = departureStart();
    // Off the taxiway across the runway, a turn onto it, 24 s standing lined up.
    std::vector<FeedReport> reports = turnOntoTheRunway();
    reports.push_back(lf_report(14, onRunway(start + 15, 0), 0, h));
    for (double t = 16; t < 40; t += 2) {
        reports.push_back(lf_report(t, onRunway(start + 15, 0), 0, h));
    }
    // The roll: 2.2 m/s^2 to 150 kt, then the climb straight ahead.
    const double accel = 150 * 0.5144444 / 35;
    for (double t = 3; t <= 33; t += 3) {
        reports.push_back(lf_report(40 + t, onRunway(start + 15 + accel * t * t / 2, 0),
                                    accel * t / 0.5144444, h));
    }
    const double liftOff = start + 15 + accel * 35 * 35 / 2;
    for (double t = 2; t <= 30; t += 2) {
        reports.push_back(lf_report(75 + t, onRunway(liftOff + 80 * t, 0), 155, h, 40 * t, 2400));
    }
    const auto trace = fly(reports, FlightPhase::taxi, 130);
    ASSERT_GT(trace.size(), 1000u);
    const Figures f = lf_measure(trace);
    EXPECT_TRUE(f.finite);
    // Rolling the last metres onto the runway toward the stop, the armed take-off check turns
    // the aircraft toward the runway heading on top of the tick motion's own turn: up to twice
    // the heading rate in those ticks.
    EXPECT_LE(f.largestTurnDeg, 2 * kLargestFrameTurnDeg);
    EXPECT_TRUE(
        lf_passes(phases_, {FlightPhase::taxi, FlightPhase::takeoff_roll, FlightPhase::takeoff}));
    // On the runway until the climb lifts it (the nose rotates up with the wheels still on it);
    // in the air the nose follows the climb-out's own track.
    const auto climbing = std::find_if(trace.begin(), trace.end(),
                                       [](const auto& p) { return p.altitudeFeet > 0.0; });
    int rolling = 0;
    for (auto it = trace.begin(); it != climbing; ++it) {
        const simworld::TracePoint& p = *it;
        const double along = alongRunway(p);
        // Lined up 60 m after the turn onto the runway; rolling on the centreline (within the
        // 2 m by which the runway end's geodesic line and the reports' flat frame part).
        if (along > start + 100) {
            ++rolling;
            ASSERT_LT(std::abs(crossOffset(p)), 3.0) << "at " << p.seconds << " s";
        }
        if (along > start + 200) {
            ASSERT_LT(std::abs(gf_wrapAngle(p.headingTrueRad - h * kDeg)) / kDeg, 0.5)
                << "at " << p.seconds << " s";
        }
    }
    ASSERT_NE(climbing, trace.end()) << "it lifts off";
    EXPECT_GT(rolling, 300);
}

// Reports that stay on the ground at 100 kt, below the speed at which the roll decides to lift
// off, while they climb at 2,400 fpm (a transponder stuck on "ground"): the roll runs to the
// runway's end and rotates before it, so that the wheels leave the ground no more than 100 m
// past it (where the check came at 100 m, the rotation took the aircraft 204 m past it).
TEST_F(GroundScenario, AClimbReportedOnTheGroundLeavesTheGroundByTheRunwaysEnd) {
    if (!loadMinneapolis()) {
        GTEST_SKIP() << "shared data not found: ../shared/data/runways (KMSP 12R)";
    }
    const double h = runway_.heading;
    const double start = departureStart();
    std::vector<FeedReport> reports = turnOntoTheRunway();
    for (double t = 14; t < 40; t += 2) {
        reports.push_back(lf_report(t, onRunway(start + 15, 0), 0, h));
    }
    constexpr double kRollKt = 100.0;
    const double metresPerSecond = kRollKt * 0.5144444;
    for (double t = 3; start + 15 + metresPerSecond * t < runway_.length / 2 + 1000; t += 3) {
        reports.push_back(
            lf_report(40 + t, onRunway(start + 15 + metresPerSecond * t, 0), kRollKt, h, 0, 2400));
    }
    const auto trace = fly(reports, FlightPhase::taxi, 140);
    EXPECT_TRUE(
        lf_passes(phases_, {FlightPhase::taxi, FlightPhase::takeoff_roll, FlightPhase::takeoff}));
    const auto climbing = std::find_if(trace.begin(), trace.end(),
                                       [](const auto& p) { return p.altitudeFeet > 0.0; });
    ASSERT_NE(climbing, trace.end()) << "it lifts off";
    // Within a frame of the world (30 a second) of it.
    EXPECT_LE(alongRunway(*climbing) - runway_.length / 2, 100.0 + metresPerSecond / 30.0)
        << "metres past the far end where the wheels leave the ground";
}

TEST_F(GroundScenario, ALandingRollKeepsTheCentrelineAndTurnsOffAsATaxi) {
    if (!loadMinneapolis()) {
        GTEST_SKIP() << "shared data not found: ../shared/data/runways (KMSP 12R)";
    }
    const double h = runway_.heading;
    const double touch = -runway_.length / 2 + 500;
    const double decel = 115 * 0.5144444 / 40;
    std::vector<FeedReport> reports;
    for (double t = 0; t <= 40; t += 2) {
        const double v = 130 * 0.5144444 - decel * t;
        const double along = touch + 130 * 0.5144444 * t - decel * t * t / 2;
        reports.push_back(lf_report(t, onRunway(along, 0), v / 0.5144444, h));
    }
    const double rollEnd = touch + 130 * 0.5144444 * 40 - decel * 40 * 40 / 2;
    for (FeedReport r : gf_reportsAlong(onRunway(rollEnd + 15.4, 0), h, 0,
                                        {{3, 30, 0, 15}, {40, 0, 0, 15}}, 3.0)) {
        r.seconds += 42;
        reports.push_back(r);
    }
    const auto trace = fly(reports, FlightPhase::landing_roll, 110);
    ASSERT_GT(trace.size(), 1000u);
    const Figures f = lf_measure(trace);
    EXPECT_TRUE(f.finite);
    EXPECT_LE(f.largestTurnDeg, kLargestFrameTurnDeg);
    EXPECT_TRUE(lf_passes(phases_, {FlightPhase::landing_roll, FlightPhase::taxi}));
    EXPECT_NEAR(std::abs(gf_wrapAngle(trace.back().headingTrueRad - h * kDeg)) / kDeg, 90.0, 3.0);
    for (const auto& p : trace) {
        const double along = alongRunway(p);
        if (along < rollEnd - 100) {
            ASSERT_LT(std::abs(crossOffset(p)), 3.0) << "at " << p.seconds << " s";
        }
    }
}

TEST_F(GroundScenario, ATaxiThatStopsShortOfItsStandDrivesOntoItAndParks) {
    const Lalo stand = gf_destination(kApron, 0, 200 * 3.2808399);
    // The park airport's stand, found by the program's own stand search when the taxi slows.
    standsWithSeventhAt(stand);
    prepare_ = [](LiveAircraft& a) {
        a.base.halfWingspanNm = 17.9 / 1852.0; // an A320's
        gf_setStandFitRadii(a.base);
    };
    auto reports = gf_reportsAlong(kApron, 0, 0, {{48, 0, 0, 6}}, 3.0);
    reports.push_back(lf_report(51, gf_destination(kApron, 0, 180 * 3.2808399), 0, 0));
    const auto trace = fly(reports, FlightPhase::taxi, 140);
    ASSERT_GT(trace.size(), 1000u);
    const Figures f = lf_measure(trace);
    EXPECT_TRUE(f.finite);
    EXPECT_TRUE(lf_passes(phases_, {FlightPhase::taxi, FlightPhase::parking, FlightPhase::parked}));
    const Lalo end{trace.back().latitudeDeg, trace.back().longitudeDeg};
    EXPECT_LT(gf_distanceNM(end, stand) * 1852, 1.5);
    EXPECT_NEAR(gf_wrapAngle(trace.back().headingTrueRad) / kDeg, 0.0, 3.0);
}

// N899DN's ground parts on 4 and 5 February 2025 (the readsb trace in
// ../shared/data/tracks/trace_full_ac671b.json): the two landing rolls and taxis in at
// Minneapolis, its taxi-out there to the start of the take-off roll, and the landing roll at
// Denver. The feed repeats positions while the aircraft stands (steps of no distance) and
// turns at corners between reports 5 to 15 s apart.
struct GroundPart {
    const char* name;
    double from; // s of the trace
    FlightPhase phase;
};

class RealGroundPart : public GroundScenario, public ::testing::WithParamInterface<GroundPart> {};

TEST_P(RealGroundPart, FollowsTheReportsWithoutJumps) {
    SKYLOOM_REQUIRE_SHARED(path, "data/tracks/trace_full_ac671b.json");
    if (!loadMinneapolis()) {
        GTEST_SKIP() << "shared data not found: ../shared/data/runways (KMSP, KDEN)";
    }
    std::ifstream in(path);
    const nlohmann::json trace = nlohmann::json::parse(in).at("trace");
    const GroundPart& part = GetParam();
    {
        // The part's ground reports: to a gap of more than 120 s, or a taxi's take-off roll.
        std::vector<FeedReport> reports;
        for (const auto& p : trace) {
            const double t = p[0].get<double>();
            if (t < part.from || !p[3].is_string() || !p[4].is_number() || !p[5].is_number()) {
                continue;
            }
            if ((!reports.empty() && t - part.from - reports.back().seconds > 120) ||
                (part.phase == FlightPhase::taxi && p[4].get<double>() >= 30.0)) {
                break;
            }
            reports.push_back(lf_report(t - part.from, {p[1].get<double>(), p[2].get<double>()},
                                        p[4].get<double>(), p[5].get<double>()));
        }
        ASSERT_GT(reports.size(), 5u);
        const auto flown = fly(reports, part.phase, reports.back().seconds + 40);
        ASSERT_GT(flown.size(), 300u);
        const Figures f = lf_measure(flown);
        EXPECT_TRUE(f.finite);
        EXPECT_LE(f.largestTurnDeg, kLargestFrameTurnDeg);
        std::vector<double> off;
        double rollOff = 0;
        const Lalo last{reports.back().sample.latitude, reports.back().sample.longitude};
        const FeedReport& beforeLast = reports[reports.size() - 2];
        const double lastLeg =
            gf_bearing({beforeLast.sample.latitude, beforeLast.sample.longitude}, last);
        for (const auto& p : flown) {
            // Not beyond the last report: there the aircraft extrapolates along its track.
            const Lalo here{p.latitudeDeg, p.longitudeDeg};
            if (p.seconds > reports.back().seconds + playbackDelaySeconds_ ||
                gf_distanceBearingMetres(last, lastLeg, here).along > 0) {
                continue;
            }
            off.push_back(lf_offReports(here, reports));
            // On the runway at roll speed: the nearest report is 30 kt or faster.
            const auto nearest = std::min_element(
                reports.begin(), reports.end(), [&](const FeedReport& a, const FeedReport& b) {
                    return gf_distanceNM(here, {a.sample.latitude, a.sample.longitude}) <
                           gf_distanceNM(here, {b.sample.latitude, b.sample.longitude});
                });
            if (nearest->sample.groundSpeedKt >= 30) {
                const RunwayMatch m = gf_findRunwayOnCentreline(runways_, here, p.headingTrueRad);
                if (m.valid != 0) {
                    rollOff = std::max(rollOff, std::abs(m.crossOffset));
                }
            }
        }
        std::sort(off.begin(), off.end());
        const double median = off[off.size() / 2];
        const double p95 = off[off.size() * 95 / 100];
        std::printf("%s: %zu reports, %zu frames, cross-track median %.2f m, 95th %.2f m, "
                    "largest %.2f m; off the centreline in the roll %.2f m; largest frame turn "
                    "%.3f deg\n",
                    part.name, reports.size(), flown.size(), median, p95, off.back(), rollOff,
                    f.largestTurnDeg);
        EXPECT_LT(median, 3.0);
        EXPECT_LT(p95, 10.0);
        EXPECT_LT(rollOff, 5.0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Trace, RealGroundPart,
    ::testing::Values(GroundPart{"KMSP landing and taxi-in", 14323.0, FlightPhase::landing_roll},
                      GroundPart{"KMSP taxi-out", 22743.0, FlightPhase::taxi},
                      GroundPart{"KMSP landing and taxi-in 2", 71195.0, FlightPhase::landing_roll},
                      GroundPart{"KDEN landing", 81647.0, FlightPhase::landing_roll}));

} // namespace
} // namespace skyloom::testing
