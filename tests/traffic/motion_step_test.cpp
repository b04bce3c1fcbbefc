// The decisions of the motion between samples, each alone: the turn of an air step in its
// per-tick reading (a standard-rate turn), the mid sample across the antimeridian, the
// extrapolation budget by phase and the retiming of a target.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>

#include <gtest/gtest.h>

#include "foundation/geodesy.h"
#include "foundation/manual_clock.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "sim/sim_ids.h"
#include "tests/support/log_capture.h"
#include "tests/support/traffic_test_world.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/motion/air_step.h"
#include "traffic/motion/motion_driver.h"
#include "traffic/motion/tick_motion.h"
#include "traffic/step/traffic_state.h"
#include "tests/traffic/support/test_numbers.h"

namespace skyloom {
namespace {


struct TurnCase {
    const char* name;
    AircraftCategory category;
    double speedKt;
    std::int32_t ticks;
    double targetDeg;
    double rateDegPerSecond; // expected
    double bankDeg;          // expected, negative for a right turn
};

TEST(AirTurnTest, TurnRateAndBankComeOutPerTickAndAStandardRateTurnBanksAsItShould) {
    const TurnCase cases[] = {
        // 90 degrees in 30 s is a standard-rate turn; at 90 kt it takes 13.9 degrees of bank.
        {"standard rate, rotorcraft", AircraftCategory::Rotorcraft, 90, 3000, 90, 3.0, -13.8855},
        {"standard rate to the left", AircraftCategory::Rotorcraft, 90, 3000, -90, -3.0, 13.8855},
        // A Large at 250 kt may bank 8 degrees: 0.614 degrees a second at most.
        {"held by the bank limit", AircraftCategory::Large, 250, 3000, 90, 0.61400, -8.0},
        // 3 degrees over a 3 s step at 120 kt: 1 degree a second, 6.27 degrees of bank.
        {"small correction", AircraftCategory::Large, 120, 300, 3, 1.0, -6.2699},
        // Never faster than standard rate, whatever the bank would allow.
        {"slow helicopter", AircraftCategory::Rotorcraft, 30, 100, 90, 3.0, -4.7106},
    };
    for (const TurnCase& c : cases) {
        SCOPED_TRACE(c.name);
        const BankCommand turn = gf_airTurn(0.0, c.targetDeg * kDeg, 0.0, c.speedKt, c.ticks,
                                            gf_categoryBankLimitRad(c.category));
        EXPECT_NEAR(turn.turnRate * 100.0 / kDeg, c.rateDegPerSecond, 1e-3);
        EXPECT_NEAR(turn.targetBank / kDeg, c.bankDeg, 1e-3);
        EXPECT_NEAR(turn.bankRate * c.ticks, turn.targetBank, 1e-12)
            << "the bank reaches its target over the step, at most 5 degrees a second";
    }
}

class MotionStepTest : public ::testing::Test, protected testing::TrafficStateParts {
protected:
    MotionStepTest() : TrafficStateParts(1000) { lf_initTrafficState(state_); }

    LiveAircraft& aircraft(FlightPhase phase, std::vector<TrafficSample> samples) {
        AircraftBase base;
        base.hexid = 20001;
        base.category = AircraftCategory::Large;
        LiveAircraft a(samples.front(), std::move(base), 0.0, 0);
        a.stream.assign(samples.begin(), samples.end());
        a.phase.phase = phase;
        a.motion.onGround = samples.front().airborne != 0 ? 0 : 1;
        state_.liveAircraft.push_back(std::move(a));
        return state_.liveAircraft.back();
    }

};

TEST_F(MotionStepTest, TheMidSampleOfTwoSamplesAcrossTheAntimeridianLiesBetweenThem) {
    TrafficSample a{.latitude = 10.0, .longitude = 179.9, .altitudeFt = 1000, .groundSpeedKt = 200};
    TrafficSample b{.latitude = 10.2, .longitude = -179.7, .altitudeFt = -40, .groundSpeedKt = 220};
    a.time = 100;
    b.time = 401;
    LiveAircraft& ac = aircraft(FlightPhase::flying, {a, b});
    lf_insertMidSample(ac);
    ASSERT_EQ(ac.stream.size(), 3u);
    const TrafficSample& mid = ac.stream[1];
    EXPECT_DOUBLE_EQ(mid.latitude, 10.1);
    EXPECT_NEAR(mid.longitude, -179.9, 1e-9) << "not 0.1, the far side of the earth";
    EXPECT_EQ(mid.time, 250);
    EXPECT_DOUBLE_EQ(mid.groundSpeedKt, 210.0);
    EXPECT_DOUBLE_EQ(mid.altitudeFt, 480.0);
    EXPECT_EQ(mid.airborne, 1);
}

// Entering landing starts the approach and the flare afresh; leaving it keeps the approach
// runway (the touch-down message and the roll's centreline read it); the touch-down values go
// unless the aircraft is on its landing roll.
TEST_F(MotionStepTest, ThePhaseSetterClearsTheApproachAndFlareAtLanding) {
    using P = FlightPhase;
    const struct {
        P from, to;
        bool runwayKept, flareKept, touchDownKept;
    } cases[] = {
        {P::flying, P::landing, false, false, false},
        {P::landing, P::landing_roll, true, true, true},
        {P::landing, P::flying, true, true, false},
        {P::taxi, P::takeoff_roll, true, true, true},
    };
    for (const auto& c : cases) {
        LiveAircraft& a = aircraft(c.from, {TrafficSample{.airborne = 1}});
        a.step.approachRunway.set = 1;
        a.step.approachSteepened = 1;
        a.step.touchDownStage = 3;
        a.step.touchDownElevationSet = 1;
        a.touchDown.seen = 1;
        a.touchDown.altitudeFt = 1400;
        lf_setPhase(state_, a, c.to);
        const bool leavesOrEntersLanding = c.from == P::landing || c.to == P::landing;
        EXPECT_EQ(a.step.approachRunway.set, c.runwayKept ? 1 : 0) << static_cast<int>(c.to);
        EXPECT_EQ(a.step.approachSteepened, leavesOrEntersLanding ? 0 : 1);
        EXPECT_EQ(a.step.touchDownStage, c.flareKept ? 3 : 0);
        EXPECT_EQ(a.step.touchDownElevationSet, c.flareKept ? 1 : 0);
        EXPECT_EQ(a.touchDown.seen, c.touchDownKept ? 1 : 0);
        EXPECT_EQ(std::isnan(a.touchDown.altitudeFt), !c.touchDownKept);
        EXPECT_EQ(a.phase.previous, c.from);
    }
}

TEST_F(MotionStepTest, TheExtrapolationBudgetFollowsThePhase) {
    state_.motionWorld.maxHoldingMinutes = 3;
    const struct {
        FlightPhase phase;
        double speedKt;
        std::int32_t budget;
    } cases[] = {
        {FlightPhase::taxi, 0, 60},           {FlightPhase::pushed_back, 0, 60},
        {FlightPhase::takeoff_roll, 100, 20}, {FlightPhase::landing, 140, 20},
        {FlightPhase::parked, 0, 1},          {FlightPhase::pushing_back, 3, 0},
        {FlightPhase::flying, 250, 20},       {FlightPhase::flying, 69, 0},
    };
    for (const auto& c : cases) {
        TrafficSample s{.latitude = 47, .longitude = 8, .groundSpeedKt = c.speedKt};
        LiveAircraft& a = aircraft(c.phase, {s});
        MotionContext ctx{state_, a, state_.motionWorld};
        EXPECT_EQ(lf_extrapolationBudget(ctx), c.budget) << gf_flightPhaseText(c.phase);
    }
    // 60 NM away, beyond RANGE - 0.5, an aircraft flies on only while it awaits its next
    // report: its reports' interval and half again, at least the 30 s playback delay (3 s a
    // step), at most the 20 steps of one in range. One report gives no interval yet.
    state_.motionWorld.userPosition = {48, 8};
    const struct {
        const char* reports;
        double intervalSeconds; // NaN: one report
        std::int32_t budget;
    } far[] = {
        {"one report", std::nan(""), 10},    {"two, 5 s apart", 5, 10},
        {"two, 20 s apart", 20, 10},         {"two, 24 s apart", 24, 12},
        {"two, 38 s apart", 38, 19},         {"two, 60 s apart", 60, 20},
    };
    for (const auto& c : far) {
        TrafficSample s{.latitude = 47, .longitude = 8, .groundSpeedKt = 250};
        LiveAircraft& a = aircraft(FlightPhase::flying, {s});
        a.motion.reportIntervalSeconds = c.intervalSeconds;
        MotionContext ctx{state_, a, state_.motionWorld};
        EXPECT_EQ(lf_extrapolationBudget(ctx), c.budget) << c.reports;
    }
}

// Without reports an airborne aircraft slows by a tenth each extrapolated step (6 % in a
// landing), but never below the slowest its category flies; one reported slower keeps its speed.
TEST_F(MotionStepTest, AnExtrapolatedFlightKeepsItsCategorysFlyingSpeed) {
    const struct {
        AircraftCategory category;
        FlightPhase phase;
        double speedKt;
        double slowestKt; // after twenty steps
    } cases[] = {
        {AircraftCategory::Large, FlightPhase::flying, 250, 70},
        {AircraftCategory::Heavy, FlightPhase::flying, 480, 70},
        {AircraftCategory::Bizjet, FlightPhase::flying, 300, 70},
        {AircraftCategory::TwoProps, FlightPhase::flying, 200, 45},
        {AircraftCategory::Light, FlightPhase::flying, 110, 25},
        {AircraftCategory::HighPerf, FlightPhase::flying, 400, 90},
        {AircraftCategory::Large, FlightPhase::landing, 140, 70},
        {AircraftCategory::Large, FlightPhase::flying, 60, 60},
        // A rotorcraft may hover.
        {AircraftCategory::Rotorcraft, FlightPhase::flying, 100, 100 * std::pow(0.9, 20)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(c.category) << " "
                                          << gf_flightPhaseText(c.phase) << " " << c.speedKt);
        TrafficSample s{.latitude = 47, .longitude = 8, .altitudeFt = 12000,
                        .groundSpeedKt = c.speedKt, .airborne = 1};
        LiveAircraft& a = aircraft(c.phase, {s});
        a.base.category = c.category;
        MotionContext ctx{state_, a, state_.motionWorld};
        for (std::int32_t left = 20; left >= 1; --left) {
            lf_appendExtrapolatedSample(ctx, left);
        }
        double slowest = c.speedKt;
        for (const TrafficSample& x : a.stream) {
            slowest = std::min(slowest, x.groundSpeedKt);
        }
        EXPECT_NEAR(slowest, c.slowestKt, 1e-9);
        EXPECT_NEAR(a.stream.back().groundSpeedKt, c.slowestKt, 1e-9) << "it gets there";
    }
}

TEST_F(MotionStepTest, RetimingStaysInTheWindowsAndPushesLaterSamplesOnlyWhenOvertaken) {
    const struct {
        std::uint32_t ticks;
        std::int32_t s1, s2; // expected arrival ticks
    } cases[] = {
        {200, 1200, 1300},  // as the feed has it
        {50, 1050, 1300},   // earlier
        {2000, 2100, 2184}, // 900 later at most; stream[2] follows at 1.2 times its pace
        {250, 1250, 1300},  // later, not past stream[2]
    };
    for (const auto& c : cases) {
        TrafficSample s0{.latitude = 47, .longitude = 8, .airborne = 1};
        TrafficSample s1 = s0, s2 = s0;
        s0.time = 1000;
        s1.time = 1200;
        s2.time = 1300;
        LiveAircraft& a = aircraft(FlightPhase::flying, {s0, s1, s2});
        a.sent.latitude = 47; // at stream[0]
        a.sent.longitude = 8;
        MotionContext ctx{state_, a, state_.motionWorld};
        lf_retimeTarget(ctx, c.ticks);
        EXPECT_EQ(a.stream[1].time, c.s1) << c.ticks;
        EXPECT_EQ(a.stream[2].time, c.s2) << c.ticks;
    }
    TrafficSample s0{.latitude = 47, .longitude = 8, .airborne = 1};
    TrafficSample s1 = s0;
    s1.time = 200; // long past
    LiveAircraft& late = aircraft(FlightPhase::flying, {s0, s1});
    late.sent.latitude = 47;
    late.sent.longitude = 8;
    MotionContext ctx{state_, late, state_.motionWorld};
    lf_retimeTarget(ctx, 1);
    EXPECT_EQ(late.stream[1].time, 1001) << "never before the next tick";
}

// However late an aircraft is and however its leg was timed, the leg takes at least the time
// the fastest of its reports' speeds (the two ground speeds, what the positions make over the
// samples' times; 30 kt at least in the air, 10 kt on the ground) needs at 1.2 times that
// speed. On the ground the step reaches its target when it is due, never earlier. The present
// tick is 1000.
TEST_F(MotionStepTest, ALateLegIsFlownAtMostAFifthFasterThanItsReportsSay) {
    const struct {
        const char* name;
        double metres;         // from the aircraft (at stream[0]) to stream[1]
        double g0, g1;         // reported ground speeds, kt
        std::int32_t t0, t1;   // arrival ticks of stream[0] and stream[1]
        std::uint32_t ticks;   // the leg as the step timed it
        std::int32_t expected; // stream[1]'s arrival tick
        bool inTheAir = false;
    } cases[] = {
        // 20 s late, beyond the late window of 9 s: 92 m whose reports say 3 kt, their positions
        // 17.9 kt over 10 s; 92 m at 21.5 kt take 833 ticks (before: at 36 kt, 1.2 times the
        // floor of 30 kt, 497 ticks; before that the next tick).
        {"more than the late window behind", 92.0, 3.0, 3.0, -1000, 0, 6000, 1833},
        // A report that came due at once after a wait (stream[0] is where the aircraft stood,
        // the samples' times a tick apart): 35 m at 1.2 x 25 kt take 227 ticks, not the 25 that
        // the samples' times made of the leg.
        {"a report due at once", 35.0, 0.0, 25.0, 1000, 1001, 25, 1227},
        // On time: the target is reached when it is due (92 m at 17.9 kt).
        {"on time", 92.0, 17.9, 17.9, 1000, 2000, 1000, 2000},
        // Reported twice as fast as its positions go, the step timed by that speed came 5 s
        // early (the early window allowed 9 s); it reaches its target when it is due.
        {"reported faster than its positions on the ground", 92.0, 35.8, 35.8, 1000, 2000, 500,
         2000},
        // 5 s late the window would have it fly the leg in 4 s; 1.2 times its reports' speed
        // needs 8.3 s.
        {"late within the window", 92.0, 17.9, 17.9, -500, 500, 1000, 1833},
        // A report 10 NM off the path, 2 s after the one before: its positions say 18,000 kt,
        // and the window holds the detour as before.
        {"a report far off the path", 18520.0, 250.0, 250.0, 1000, 1200, 14400, 2100, true},
        // The same on the ground from a standstill: no faster than the mean of a roll from rest
        // to the fastest an airliner rolls (198 kt).
        {"a report far off on the ground", 18520.0, 0.0, 250.0, 1000, 1200, 14400, 37364},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TrafficSample s0{.latitude = 47,
                         .longitude = 8,
                         .altitudeFt = c.inTheAir ? 5000.0 : 0.0,
                         .groundSpeedKt = c.g0,
                         .airborne = static_cast<std::uint8_t>(c.inTheAir ? 1 : 0)};
        s0.time = c.t0;
        TrafficSample s1 = s0;
        const Lalo to = gf_destination({47, 8}, 0.0, c.metres * geo::kFeetPerMetre);
        s1.latitude = to.lat;
        s1.longitude = to.lon;
        s1.groundSpeedKt = c.g1;
        s1.time = c.t1;
        LiveAircraft& a = aircraft(c.inTheAir ? FlightPhase::flying : FlightPhase::taxi, {s0, s1});
        a.sent.latitude = 47;
        a.sent.longitude = 8;
        MotionContext ctx{state_, a, state_.motionWorld};
        lf_retimeTarget(ctx, c.ticks);
        EXPECT_NEAR(a.stream[1].time, c.expected, 1);
    }
}

TEST_F(MotionStepTest, AnAirborneStreamOfStationarySamplesEndsAtTheGuardInRemoval) {
    testing::LogCapture log;
    TrafficSample s0{.latitude = 47, .longitude = 8, .altitudeFt = 5000, .airborne = 1};
    s0.stationary = 1;
    s0.time = 1000;
    TrafficSample s1 = s0;
    s1.time = 1300;
    LiveAircraft& a = aircraft(FlightPhase::flying, {s0, s1});
    a.motion.extrapolationCounter = 20; // already extrapolating: no speed needed to go on
    a.simState = SimState::active;
    a.objectId = 7;
    nextPosMain(state_, a);
    EXPECT_EQ(log.linesWith("nextPosMain: guard exceeded").size(), 1u);
    EXPECT_EQ(a.simState, SimState::removingfromsim);
}

TEST_F(MotionStepTest, ATaxiingAircraftWithoutSamplesWaitsItsHoldingMinutesAndIsThenRemoved) {
    state_.motionWorld.maxHoldingMinutes = 3;
    TrafficSample s0{.latitude = 47, .longitude = 8, .airborne = 0};
    s0.time = 1000;
    LiveAircraft& a = aircraft(FlightPhase::taxi, {s0});
    a.simState = SimState::active;
    a.objectId = 7;
    std::int32_t steps = 0;
    while (a.simState == SimState::active && tick_ < 1000 + 200 * 100) {
        if (static_cast<std::int32_t>(tick_) >= a.stream.front().time) {
            nextPosMain(state_, a);
            ++steps;
        }
        ++tick_;
    }
    EXPECT_EQ(a.simState, SimState::removingfromsim);
    EXPECT_EQ(tick_, 1000u + 60 * 300 + 1) << "60 steps of 3 s in place";
    EXPECT_DOUBLE_EQ(a.sent.latitude, 0.0) << "never moved";
    EXPECT_EQ(steps, 61);
}

// A landing roll whose reports stop (they come 20 to 45 s apart on the ground) rolls out along
// the runway; come to rest, the roll is over and the aircraft waits for its next report as a
// taxiing one waits, instead of leaving 60 s after its last report.
TEST_F(MotionStepTest, ALandingRollWithoutReportsRollsOutAndWaitsAsATaxiingAircraft) {
    state_.motionWorld.maxHoldingMinutes = 3;
    TrafficSample s0{.latitude = 47, .longitude = 8, .groundSpeedKt = 33, .airborne = 0};
    s0.time = 1000;
    LiveAircraft& a = aircraft(FlightPhase::landing_roll, {s0});
    a.simState = SimState::active;
    a.objectId = 7;
    a.sent.headingRad = 90 * kDeg;
    std::uint32_t rolledOut = 0;
    double lastRollLongitude = 0;
    while (a.simState == SimState::active && tick_ < 1000 + 300 * 100) {
        if (static_cast<std::int32_t>(tick_) >= a.stream.front().time) {
            nextPosMain(state_, a);
            if (a.phase.phase == FlightPhase::landing_roll) {
                lastRollLongitude = a.stream.back().longitude;
            } else if (rolledOut == 0) {
                rolledOut = tick_;
            }
        }
        ++tick_;
    }
    // 33 kt less 7.5 kt every 3 s: at rest after five steps, (25.5 + 18 + 10.5 + 3) kt for 3 s
    // each, 88 m east along the runway.
    EXPECT_EQ(rolledOut, 1000u + 5 * 300);
    EXPECT_NEAR(gf_distanceNM({47, 8}, {47, lastRollLongitude}) * 1852.0, 88.0, 0.1);
    EXPECT_EQ(a.motion.landed, 1) << "taxiing after its landing";
    EXPECT_EQ(tick_, rolledOut + 60u * 300 + 1) << "then its holding minutes";
}

TEST_F(MotionStepTest, AParkingAircraftParksNearItsStandAndTaxiesOnOrLeavesSayingWhy) {
    const Lalo stand{47.0, 8.0};
    const Lalo elsewhere{47.1, 8.1};
    world_.setStands({testing::gf_testStand(1, "S1", elsewhere), testing::gf_testStand(2, "S2", elsewhere),
                      testing::gf_testStand(3, "S3", elsewhere), testing::gf_testStand(4, "S4", stand)});
    clock_.advance(std::chrono::hours(5)); // a machine up for a while
    const struct {
        double metres, headingOffDeg;
        std::uint32_t standId;
        bool kept;
        FlightPhase phase;
        const char* removal; // the reason the log gives, when it leaves
        std::uint32_t hexid = 20001;
    } cases[] = {
        {17, 10, 4, true, FlightPhase::parked, nullptr},
        {19, 10, 4, true, FlightPhase::taxi, nullptr},
        {17, 41, 4, false, FlightPhase::parking,
         "it could not park at S4: its heading is 41 degrees off the stand's"},
        {17, 104, 4, false, FlightPhase::parking,
         "it could not park at S4: its heading is 104 degrees off the stand's"},
        {17, 10, 9, false, FlightPhase::parking,
         "it could not park at sid==?: the park airport has no such stand"},
        // Another aircraft: the first one parked at S4.
        {17, 10, 4, false, FlightPhase::parking,
         "it could not park at S4: another aircraft holds the stand", 20002},
    };
    testing::LogCapture log;
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.metres << " m, " << c.headingOffDeg << " degrees off");
        const Lalo at = gf_destination(stand, 0.0, c.metres * 3.2808399);
        TrafficSample s0{.latitude = at.lat, .longitude = at.lon};
        LiveAircraft& a = aircraft(FlightPhase::parking, {s0});
        a.base.hexid = c.hexid;
        a.sent.latitude = at.lat;
        a.sent.longitude = at.lon;
        a.sent.headingRad = c.headingOffDeg * kDeg;
        a.stand.latitude = stand.lat;
        a.stand.longitude = stand.lon;
        a.stand.standId = c.standId;
        MotionContext ctx{state_, a, state_.motionWorld};
        EXPECT_EQ(lf_arriveAtStand(ctx), c.kept);
        EXPECT_EQ(a.phase.phase, c.phase);
        EXPECT_EQ(gf_isBeingRemoved(a), !c.kept);
        if (c.phase == FlightPhase::parked) {
            EXPECT_EQ(a.standWatch.parkedAt, clock_.steadyNow()) << "parked from now on";
        }
        if (c.removal != nullptr) {
            EXPECT_EQ(log.linesWith(std::string("removed: ") + c.removal).size(), 1u);
        }
    }
    EXPECT_EQ(state_.parkedActions.size(), 3u) << "engines, lights, parked lights";
    EXPECT_EQ(state_.arrivedAircraft.size(), 1u);
    EXPECT_TRUE(log.linesWith("reports ran out").empty()) << "its reports may well go on";
}

// A take-off whose next report lies 8 s away at 90 kt, where the last one said 150 kt, cannot
// be flown: the report goes, and the climb goes on along extrapolated samples that gain 1.5 % a
// step (up to 210 kt) and 75 ft.
TEST_F(MotionStepTest, ATakeoffTargetFarTooSlowIsDroppedAndTheClimbGoesOnExtrapolated) {
    TrafficSample s0{
        .latitude = 47, .longitude = 8, .altitudeFt = 1500, .groundSpeedKt = 150, .airborne = 1};
    s0.time = 1000;
    TrafficSample s1 = s0;
    const Lalo slow = gf_destination({47, 8}, 0.0, 90 * 8 / 3600.0 * 6076.11549); // 90 kt, 8 s
    s1.latitude = slow.lat;
    s1.longitude = slow.lon;
    s1.time = 1800;
    LiveAircraft& a = aircraft(FlightPhase::takeoff, {s0, s1});
    a.sent.latitude = 47;
    a.sent.longitude = 8;
    nextPosMain(state_, a);
    EXPECT_EQ(a.step.sampleSkipped, 1);
    ASSERT_EQ(a.stream.size(), 1u) << "the extrapolated target";
    EXPECT_DOUBLE_EQ(a.stream[0].groundSpeedKt, 150 * 0.9 * 1.015);
    EXPECT_DOUBLE_EQ(a.stream[0].altitudeFt, 1575);
    EXPECT_EQ(a.stream[0].time, 1300);
}

// Two samples 3 s apart at the altitudes and vertical speeds given, the aircraft at the first.
struct AirStepCase {
    FlightPhase phase;
    double altitude0, altitude1, vs0, vs1;
    bool airborne1 = true;
};

class AirStepTest : public MotionStepTest {
protected:
    LiveAircraft& airborne(const AirStepCase& c,
                           AircraftCategory category = AircraftCategory::Large) {
        TrafficSample s0{.latitude = 47.40,
                         .longitude = 8.50,
                         .altitudeFt = c.altitude0,
                         .groundSpeedKt = 250,
                         .verticalSpeedFpm = c.vs0,
                         .airborne = 1};
        TrafficSample s1 = s0;
        s1.latitude = 47.41;
        s1.altitudeFt = c.altitude1;
        s1.verticalSpeedFpm = c.vs1;
        s1.airborne = c.airborne1 ? 1 : 0;
        s0.time = 1000;
        s1.time = 1300;
        LiveAircraft& a = aircraft(c.phase, {s0, s1});
        a.base.category = category;
        a.objectId = 7;
        a.sent.latitude = s0.latitude;
        a.sent.longitude = s0.longitude;
        a.sent.altitudeFt = s0.altitudeFt;
        return a;
    }
    std::vector<SimCommand> commands() {
        SimCommandBatch batch;
        commands_.takeAll(batch);
        return batch.commands;
    }
    static bool sent(const std::vector<SimCommand>& commands, std::uint32_t event,
                     std::uint32_t value) {
        return std::any_of(commands.begin(), commands.end(), [&](const SimCommand& c) {
            return c.eventId == event && c.value == value;
        });
    }
};

TEST_F(AirStepTest, ClimbingThrough10000FtSwitchesTheLowLightsOffOnce) {
    LiveAircraft& a = airborne({FlightPhase::flying, 10100, 10250, 3000, 3000});
    MotionContext ctx{state_, a, state_.motionWorld};
    lf_setupAirStep(ctx);
    EXPECT_TRUE(sent(commands(), EVENT_LANDING_LIGHTS_SET, 0));
    lf_setupAirStep(ctx);
    EXPECT_FALSE(sent(commands(), EVENT_LANDING_LIGHTS_SET, 0)) << "once per climb";
}

// A landing far from the park airport is given up at once; without a park airport nothing says
// where the aircraft lands, and it goes on landing (a park airport left for a moment, or one
// without a file of its own, must not throw the arrivals on final out of their landings).
TEST_F(AirStepTest, ALandingFarFromTheParkAirportGoesAroundAtOnce) {
    const struct {
        const char* name;
        ParkAirportPlace parkAirport;
        FlightPhase after;
    } cases[] = {
        {"park airport 25 NM away",
         {{47.0, 8.0}, 1400, IataCode("ZRH"), true},
         FlightPhase::flying},
        {"park airport 1 NM away",
         {{47.40, 8.52}, 1400, IataCode("ZRH"), true},
         FlightPhase::landing},
        {"no park airport", {}, FlightPhase::landing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        state_.motionWorld.parkAirport = c.parkAirport;
        LiveAircraft& a = airborne({FlightPhase::landing, 3000, 2950, -1000, -1000});
        a.phase.phase = FlightPhase::landing;
        MotionContext ctx{state_, a, state_.motionWorld};
        lf_setupAirStep(ctx);
        EXPECT_EQ(a.phase.phase, c.after);
        const auto sentCommands = commands();
        const bool goesAround = c.after == FlightPhase::flying;
        EXPECT_EQ(sent(sentCommands, EVENT_GEAR_SET, 0), goesAround);
        if (goesAround) {
            EXPECT_EQ(a.throttleIndex, 4);
            EXPECT_EQ(a.flapsIndex, 0);
        }
    }
}

TEST_F(AirStepTest, AboveStandardPressureTheTouchDownStepTakesTheDefaultDescent) {
    state_.motionWorld.parkAirport = {{47.40, 8.50}, 1400, IataCode("ZRH"), true};
    for (const double qnh : {1013.0, 1020.0}) {
        state_.motionWorld.qnhHpa = qnh;
        LiveAircraft& a = airborne({FlightPhase::landing, 1600, 1400, -800, -800, false});
        a.step.lastHeightAboveGroundFt = 200;
        MotionContext ctx{state_, a, state_.motionWorld};
        lf_setupAirStep(ctx);
        // To the runway (park airport 1400 ft, centre of gravity 0 here) over 300 ticks, or
        // the mean vertical speed less the pressure's share: -800 - 6.75 x 6 fpm.
        const double expected = qnh > 1013 ? (-800 - 6.75 * 6.0) / 6000.0 : -200.0 / 300.0;
        EXPECT_NEAR(a.step.verticalStep, expected, 1e-9) << qnh;
    }
}

TEST_F(AirStepTest, AHeavysPitchNeverChangesFasterThanFiveThousandthsOfADegreeATick) {
    LiveAircraft& a =
        airborne({FlightPhase::flying, 5000, 5300, 6000, 6000}, AircraftCategory::Heavy);
    a.step.pitchSet = 1; // level, then asked to climb at 6000 fpm
    MotionContext ctx{state_, a, state_.motionWorld};
    lf_setupAirStep(ctx);
    EXPECT_NEAR(a.step.pitchStep, -0.005 * kDeg, 1e-12);
}

} // namespace
} // namespace skyloom
