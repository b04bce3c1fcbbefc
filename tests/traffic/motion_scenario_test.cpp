// One aircraft flown along feed reports through the traffic step and the simulated world: what
// the world saw of the object on a straight cruise, on an approach, in a climb-out, with a
// report far off its path and across gaps in the feed (turns: flight_shape_scenario_test.cpp).
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "tests/traffic/support/motion_scenario.h"
#include "tests/traffic/support/runway_fixture.h"
#include "traffic/motion/flat_earth.h"

namespace skyloom::testing {
namespace {

constexpr double kNmPerMetre = 1.0 / 1852.0;
const Lalo kCruiseStart{47.30, 8.20};

// Metres off the reports' line due east along kCruiseStart's parallel (the reports hold their
// heading, so they follow the parallel).
double lf_offLineMetres(const simworld::TracePoint& p) {
    return std::abs(p.latitudeDeg - kCruiseStart.lat) * 111132.95;
}

struct TraceFigures {
    double largestStepNm = 0;  // between two written frames
    double largestTurnDeg = 0; // between two written frames
    double largestBankDeg = 0;
    double farthestFromReportsNm = 0;
};

TraceFigures lf_measure(const std::vector<simworld::TracePoint>& trace,
                        const std::vector<FeedReport>& reports) {
    TraceFigures f;
    for (std::size_t i = 0; i < trace.size(); ++i) {
        const simworld::TracePoint& p = trace[i];
        const Lalo here{p.latitudeDeg, p.longitudeDeg};
        f.largestBankDeg = std::max(f.largestBankDeg, std::abs(p.bankRad) * geo::kDegreesPerRadian);
        double nearest = 1e9;
        for (const FeedReport& r : reports) {
            nearest =
                std::min(nearest, gf_distanceNM(here, {r.sample.latitude, r.sample.longitude}));
        }
        f.farthestFromReportsNm = std::max(f.farthestFromReportsNm, nearest);
        if (i > 0) {
            const simworld::TracePoint& q = trace[i - 1];
            f.largestStepNm =
                std::max(f.largestStepNm, gf_distanceNM({q.latitudeDeg, q.longitudeDeg}, here));
            f.largestTurnDeg = std::max(
                f.largestTurnDeg, std::abs(gf_wrapAngle(p.headingTrueRad - q.headingTrueRad)) *
                                      geo::kDegreesPerRadian);
        }
    }
    return f;
}

// The most a frame may move at `speedKt` (frames come at 30 a second; a margin of 3 for the
// smoothing and the retiming of samples).
double lf_stepBoundNm(double speedKt) {
    return speedKt / 3600.0 / 30.0 * 3.0;
}

class MotionScenario : public MotionScenarioTest {};

TEST_F(MotionScenario, AStraightCruiseStaysOnItsLineAtItsSpeed) {
    const auto reports = gf_reportsAlong(kCruiseStart, 90, 12000, {{120, 0, 0, 250}}, 2.0);
    const auto trace = fly(reports, FlightPhase::flying, 150);
    ASSERT_GT(trace.size(), 3000u);
    const TraceFigures f = lf_measure(trace, reports);
    EXPECT_LT(f.farthestFromReportsNm, 0.2);
    EXPECT_LT(f.largestStepNm, lf_stepBoundNm(250));
    EXPECT_LT(f.largestTurnDeg, 0.1);
    for (const simworld::TracePoint& p : trace) {
        ASSERT_LT(lf_offLineMetres(p), 20.0) << "at " << p.seconds << " s";
        ASSERT_NEAR(p.altitudeFeet, 12000, 5);
    }
    EXPECT_FALSE(removed_);
}

// The park airport: one runway 14-32, 3300 m, at 1400 ft.
class ApproachScenario : public MotionScenario {
protected:
    ApproachScenario() {
        const RunwayLayout layout = gf_scenarioRunwayLayout();
        runways_.push_back(gf_makeRunway(layout));
        MotionWorld& world = state_.motionWorld;
        world.runways = runways_;
        world.parkAirport = {layout.centre, 1400, IataCode("ZRH"), true};
        world.userPosition = layout.centre;
    }
    // A point `metres` from the runway's 14 threshold along its centreline (negative before).
    Lalo fromThreshold(double metres) const { return gf_onRunway(runways_[0], metres - 1650, 0); }

    std::vector<FacilityRunway> runways_;
};

TEST_F(ApproachScenario, AnApproachNearTheParkAirportDecidesToLandAndDescendsToTheRunway) {
    // 140 kt on a 3 degree path from 6 NM out: 743 fpm down to the threshold.
    const double out = 6 * 1852.0;
    const double seconds = out / (140 * 0.5144444444444445);
    auto reports = gf_reportsAlong(fromThreshold(-out), 140, 1400 + out * 0.0524 * 3.28084,
                                   {{seconds + 20, 0, -743, 140}}, 2.0);
    for (FeedReport& r : reports) {
        if (r.sample.altitudeFt <= 1400.0) {
            r.sample.altitudeFt = 1400.0;
            r.sample.airborne = 0;
            r.sample.verticalSpeedFpm = 0;
        }
    }
    const auto trace = fly(reports, FlightPhase::flying, seconds + 50);
    ASSERT_FALSE(trace.empty());
    ASSERT_GE(phases_.size(), 2u);
    EXPECT_EQ(phases_[0], FlightPhase::flying);
    EXPECT_EQ(phases_[1], FlightPhase::landing);
    const auto events = world_->clientEvents(objectId_);
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const simworld::ObjectEventRecord& e) {
        return e.event == "GEAR_SET" && e.value == 1;
    })) << "gear down for the landing";
    double lowest = 1e9;
    for (const simworld::TracePoint& p : trace) {
        lowest = std::min(lowest, p.altitudeFeet);
    }
    // The runway's elevation as the facility data gives it, within a foot of 1400.
    EXPECT_GE(lowest, 1400.0 + 8.0 - 1.0) << "never below the runway (centre of gravity 8 ft)";
    EXPECT_LT(lowest, 1400.0 + 20.0) << "down on it";
    EXPECT_LT(lf_measure(trace, reports).largestStepNm, lf_stepBoundNm(140));
    // Before, nothing set the attitude-settling flag at touch-down: the pitch went from the
    // flare's 3 degrees nose up to the ground pitch in one frame.
    EXPECT_TRUE(std::find(phases_.begin(), phases_.end(), FlightPhase::landing_roll) !=
                phases_.end())
        << "it touches down";
    double fastestPitchDegPerS = 0;
    for (std::size_t i = 1; i < trace.size(); ++i) {
        const double dt = trace[i].seconds - trace[i - 1].seconds;
        if (dt > 0) {
            fastestPitchDegPerS =
                std::max(fastestPitchDegPerS,
                         std::abs(trace[i].pitchRad - trace[i - 1].pitchRad) / dt *
                             geo::kDegreesPerRadian);
        }
    }
    EXPECT_LE(fastestPitchDegPerS, 2.0) << "the nose comes down over seconds";
    EXPECT_GE(trace.back().pitchRad, 0.0) << "and rests on the nose wheel";
}

TEST_F(ApproachScenario, AClimbOutRotatesRaisesTheGearAndBecomesFlying) {
    const auto reports =
        gf_reportsAlong(fromThreshold(2500), 140, 1450, {{120, 0, 2000, 160}}, 2.0);
    const auto trace = fly(reports, FlightPhase::takeoff, 150);
    ASSERT_FALSE(trace.empty());
    ASSERT_FALSE(phases_.empty());
    EXPECT_EQ(phases_.front(), FlightPhase::takeoff);
    EXPECT_EQ(phases_.back(), FlightPhase::flying);
    const auto events = world_->clientEvents(objectId_);
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const simworld::ObjectEventRecord& e) {
        return e.event == "GEAR_SET" && e.value == 0;
    })) << "gear up after the rotation";
    double highest = 0;
    for (const simworld::TracePoint& p : trace) {
        ASSERT_GE(p.altitudeFeet, highest - 5.0) << "climbs throughout, at " << p.seconds << " s";
        highest = std::max(highest, p.altitudeFeet);
    }
    EXPECT_GT(trace.back().altitudeFeet, 3500.0);
}

// A report ten miles off the path, which the aircraft cannot reach in its time at any speed it
// reports, is passed over: the aircraft flies on along its path. Before, it flew there and back
// at 10 NM in 12 s each way (the windows stretched the detour to 3 + 9 s), as a curve no
// aircraft turns.
TEST_F(MotionScenario, AReportTenMilesOffThePathIsPassedOver) {
    auto reports = gf_reportsAlong(kCruiseStart, 90, 12000, {{120, 0, 0, 250}}, 2.0);
    FeedReport& odd = reports[30];
    const Lalo off = gf_destination({odd.sample.latitude, odd.sample.longitude}, std::numbers::pi,
                                    10 * 6076.11549);
    odd.sample.latitude = off.lat;
    odd.sample.longitude = off.lon;
    const auto trace = fly(reports, FlightPhase::flying, 160);
    ASSERT_FALSE(trace.empty());
    EXPECT_LT(lf_measure(trace, reports).largestStepNm, lf_stepBoundNm(250))
        << "no jump between two frames";
    EXPECT_FALSE(removed_);
    for (const simworld::TracePoint& p : trace) {
        ASSERT_LT(lf_offLineMetres(p), 20.0) << "on the path at " << p.seconds << " s";
    }
}

// Reports for two minutes with a gap of `gap` seconds after the first minute.
std::vector<FeedReport> lf_reportsWithGap(double gap) {
    auto reports = gf_reportsAlong(kCruiseStart, 90, 12000, {{60 + gap + 60, 0, 0, 250}}, 2.0);
    std::erase_if(reports,
                  [gap](const FeedReport& r) { return r.seconds >= 60 && r.seconds < 60 + gap; });
    return reports;
}

TEST_F(MotionScenario, AFeedGapOfAMinuteIsBridgedByExtrapolation) {
    const auto reports = lf_reportsWithGap(60);
    const auto trace = fly(reports, FlightPhase::flying, 60 + 60 + 90);
    ASSERT_FALSE(trace.empty());
    EXPECT_FALSE(removed_);
    EXPECT_GT(trace.back().seconds, 60 + 60 + 80);
    EXPECT_LT(lf_measure(trace, reports).largestStepNm, lf_stepBoundNm(250));
    for (const simworld::TracePoint& p : trace) {
        ASSERT_LT(lf_offLineMetres(p), 20.0)
            << "on its line through the gap, at " << p.seconds << " s";
    }
}

TEST_F(MotionScenario, AFeedGapOfTenMinutesEndsInRemovalAfterTheExtrapolation) {
    const auto reports = lf_reportsWithGap(600);
    const auto trace = fly(reports, FlightPhase::flying, 200);
    ASSERT_FALSE(trace.empty());
    EXPECT_TRUE(removed_);
    // The last report came at 58 s and was reached 30 s later; then 20 steps of 3 s.
    EXPECT_NEAR(trace.back().seconds, 58 + 30 + 60, 5.0);
    EXPECT_LT(lf_measure(trace, reports).largestStepNm, lf_stepBoundNm(250));
}

} // namespace
} // namespace skyloom::testing
