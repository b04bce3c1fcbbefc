// The decisions of the motion between samples, each alone: the turn of an air step in its
// per-tick reading (a standard-rate turn), the mid sample across the antimeridian, the
// extrapolation budget by phase and the retiming of a target.
#include <atomic>
#include <cmath>

#include <gtest/gtest.h>

#include "foundation/manual_clock.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "traffic/air_step.h"
#include "traffic/motion_driver.h"
#include "traffic/tick_motion.h"
#include "traffic/traffic_state.h"

namespace skyloom {
namespace {

constexpr double kDeg = 0.017453292519943295;

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

class MotionStepTest : public ::testing::Test {
protected:
    MotionStepTest() { lf_initTrafficState(state_); }

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

    ManualClock clock_;
    std::atomic<std::uint32_t> tick_{1000};
    SimCommandQueue commands_;
    SimEventQueue events_;
    AIPositionBatch positions_;
    TrafficState state_{commands_, events_, positions_, clock_, tick_};
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
    state_.motionWorld.userPosition = {48, 8}; // 60 NM away, beyond RANGE - 0.5
    TrafficSample s{.latitude = 47, .longitude = 8, .groundSpeedKt = 250};
    LiveAircraft& far = aircraft(FlightPhase::flying, {s});
    MotionContext ctx{state_, far, state_.motionWorld};
    EXPECT_EQ(lf_extrapolationBudget(ctx), 0);
}

TEST_F(MotionStepTest, RetimingStaysInTheWindowsAndPushesLaterSamplesOnlyWhenOvertaken) {
    const struct {
        std::uint32_t ticks;
        std::int32_t s1, s2; // expected arrival ticks
    } cases[] = {
        {200, 1200, 1300},  // as the feed has it
        {50, 1050, 1300},   // earlier
        {2000, 2100, 2200}, // 900 later at most; stream[2] follows by 900
        {250, 1250, 1300},  // later, not past stream[2]
    };
    for (const auto& c : cases) {
        TrafficSample s0{.latitude = 47, .longitude = 8, .airborne = 1};
        TrafficSample s1 = s0, s2 = s0;
        s0.time = 1000;
        s1.time = 1200;
        s2.time = 1300;
        LiveAircraft& a = aircraft(FlightPhase::flying, {s0, s1, s2});
        MotionContext ctx{state_, a, state_.motionWorld};
        lf_retimeTarget(ctx, c.ticks);
        EXPECT_EQ(a.stream[1].time, c.s1) << c.ticks;
        EXPECT_EQ(a.stream[2].time, c.s2) << c.ticks;
    }
    TrafficSample s0{.latitude = 47, .longitude = 8, .airborne = 1};
    TrafficSample s1 = s0;
    s1.time = 200; // long past
    LiveAircraft& late = aircraft(FlightPhase::flying, {s0, s1});
    MotionContext ctx{state_, late, state_.motionWorld};
    lf_retimeTarget(ctx, 1);
    EXPECT_EQ(late.stream[1].time, 1001) << "never before the next tick";
}

} // namespace
} // namespace skyloom
