// Bank and turn commands, the bank limit near the ground, easing, bounded steps and the descent
// limit: tables of cases with their expected values worked out by hand (a right turn banks
// negative; 359 to 1 degree is a right turn of 2 degrees).
#include "traffic/motion/kinematics.h"

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "tests/traffic/support/test_numbers.h"

namespace skyloom {
namespace {


BankRequest lf_turn(double fromDeg, double toDeg, double speedKt) {
    BankRequest r;
    r.currentHeading = fromDeg * kDeg;
    r.targetHeading = toDeg * kDeg;
    r.speedKt = speedKt;
    r.timeConstantS = 5;
    r.rateDivisor = 1;
    r.maximumTurnRate = 3 * kDeg;
    r.maximumBank = 25 * kDeg;
    r.maximumBankRate = 0.05;
    return r;
}

TEST(KinematicsTest, BankForTurn) {
    struct Case {
        const char* name;
        BankRequest request;
        BankCommand expected;
    };
    std::vector<Case> cases;
    // 10 degrees right at 250 kt: 2 deg/s wanted, 2.04 deg/s allowed by 25 degrees of bank.
    cases.push_back({"right",
                     lf_turn(0, 10, 250),
                     {0, 0.03490658503988659, -0.05, -0.42931219734969317, 0, 0}});
    cases.push_back(
        {"left", lf_turn(10, 0, 250), {0, -0.03490658503988659, 0.05, 0.42931219734969317, 0, 0}});
    // Across north: 359 to 1 is 2 degrees to the right, not 358 to the left.
    cases.push_back({"across north",
                     lf_turn(359, 1, 250),
                     {0, 0.006981317007977318, -0.0182606409366, -0.0913032046830489, 0, 0}});
    BankRequest divided = lf_turn(0, 10, 250);
    divided.rateDivisor = 2; // half the rate, flown at the full bank
    cases.push_back({"rate divisor", divided, {0, 0.017778075145836476, -0.05, -25 * kDeg, 0, 0}});
    BankRequest given = lf_turn(0, 10, 250);
    given.useGivenBank = true;
    given.givenBank = 0.2;
    given.currentBank = 0.1;
    cases.push_back({"given bank", given, {0.1, 0.03490658503988659, 0.02, 0.2, 1, 0}});
    given.givenBank = 1.0; // beyond the maximum bank: clamped
    cases.push_back(
        {"given bank clamped", given, {0.1, 0.03490658503988659, 0.05, 25 * kDeg, 1, 0}});
    given.givenBank = 2.0; // beyond 90 degrees: rejected, computed instead
    cases.push_back({"given bank rejected",
                     given,
                     {0.1, 0.03490658503988659, -0.05, -0.42931219734969317, 0, 1}});
    given.givenBank = kNaN;
    cases.push_back(
        {"given bank NaN", given, {0.1, 0.03490658503988659, -0.05, -0.42931219734969317, 0, 1}});
    // Standing still: the heading error itself, clamped, is the bank.
    cases.push_back({"standing",
                     lf_turn(0, 10, 0),
                     {0, 0.03490658503988659, -0.0349065850398866, -10 * kDeg, 0, 0}});
    BankRequest unknown = lf_turn(0, 10, kNaN);
    unknown.currentBank = kInf;
    unknown.targetHeading = kNaN;
    cases.push_back({"unknown speed, bank and target", unknown, {0, 0, 0, 0, 0, 0}});
    BankRequest bad = lf_turn(0, 10, 250);
    bad.timeConstantS = 0;
    cases.push_back({"no time constant", bad, {0, 0, 0, 0, 0, 0}});
    bad = lf_turn(0, 10, 250);
    bad.maximumBank = kNaN;
    cases.push_back({"no maximum bank", bad, {0, 0, 0, 0, 0, 0}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BankCommand b = gf_bankForTurn(c.request);
        EXPECT_NEAR(b.currentBank, c.expected.currentBank, 1e-12);
        EXPECT_NEAR(b.turnRate, c.expected.turnRate, 1e-12);
        EXPECT_NEAR(b.bankRate, c.expected.bankRate, 1e-12);
        EXPECT_NEAR(b.targetBank, c.expected.targetBank, 1e-12);
        EXPECT_EQ(b.bankWasGiven, c.expected.bankWasGiven);
        EXPECT_EQ(b.givenBankRejected, c.expected.givenBankRejected);
    }
}

TEST(KinematicsTest, BankLimitNearTheGround) {
    struct Case {
        double maximumDeg;
        bool hasHeight;
        double heightFt;
        bool touchDown;
        double expectedDeg;
    };
    const Case cases[] = {
        {30, false, 0, false, 30},   {30, true, kNaN, false, 30}, {30, true, 50, false, 10},
        {30, true, 100, false, 10},  {30, true, 550, false, 20},  {30, true, 1000, false, 30},
        {30, true, 5000, false, 30}, {30, true, 5000, true, 5},   {3, true, 5000, true, 3},
        {8, true, 50, false, 8},     {120, false, 0, false, 90},  {0, false, 0, false, 0},
        {-10, true, 500, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.maximumDeg << " " << c.heightFt << " " << c.touchDown);
        EXPECT_NEAR(gf_bankLimit(c.maximumDeg * kDeg, c.hasHeight, c.heightFt, c.touchDown),
                    c.expectedDeg * kDeg, 1e-12);
    }
    EXPECT_EQ(gf_bankLimit(kNaN, false, 0, false), 0.0);
}

TEST(KinematicsTest, EaseAndStepToward) {
    struct EaseCase {
        double t;
        int mode;
        double expected;
    };
    const EaseCase eases[] = {
        {0.5, 0, 0.5}, {0.5, 1, 0.25}, {0.5, 2, 0.75}, {0.5, 3, 0.5}, {0.25, 3, 0.15625},
        {2, 0, 1},     {2, 1, 1},      {2, 2, 1},      {2, 3, 1},     {2, 9, 1},
        {-1, 3, 0},    {0.3, 7, 0.3},  {kNaN, 2, 0},   {kInf, 1, 1},
    };
    for (const EaseCase& c : eases) {
        EXPECT_DOUBLE_EQ(gf_ease(c.t, c.mode), c.expected) << c.t << " mode " << c.mode;
    }
    struct StepCase {
        double current, target, step, expected;
    };
    const StepCase steps[] = {
        {10, 20, 3, 13},  {10, 20, 0, 10},    {kNaN, 20, 3, 20},  {10, 11, 3, 11},
        {10, 0, 3, 7},    {10, kNaN, 3, 10},  {kNaN, kNaN, 3, 0}, {10, 20, kNaN, 10},
        {10, 20, -1, 10}, {10, 20, kInf, 10},
    };
    for (const StepCase& c : steps) {
        EXPECT_DOUBLE_EQ(gf_stepToward(c.current, c.target, c.step), c.expected)
            << c.current << " -> " << c.target << " by " << c.step;
    }
}

TEST(KinematicsTest, DescentLimit) {
    struct Case {
        double verticalSpeed;
        std::vector<double> recent;
        AircraftCategory category;
        double expected;
        bool clamped;
    };
    const Case cases[] = {
        {-800, {-700, -900}, AircraftCategory::Large, -800, false},
        // Mean -800, at most 1200 steeper.
        {-2500, {-700, -900}, AircraftCategory::Large, -2000, true},
        {-5000, {-3500, -3500}, AircraftCategory::Large, -3000, true},
        {-5000, {-3500, -3500}, AircraftCategory::HighPerf, -3600, true},
        {-5000, {-3500, -3500}, AircraftCategory::Rotorcraft, -1800, true},
        {500, {-700}, AircraftCategory::Large, 0, true},
        // No finite recent value: reference 0, floor -1200.
        {-1500, {}, AircraftCategory::Light, -1200, true},
        {-1500, {kNaN, kNaN, -800}, AircraftCategory::Light, -1200, true},
        // Only the first two count.
        {-1500, {-600, -1000, -3000}, AircraftCategory::Large, -1500, false},
        // A climbing mean counts as level flight.
        {-1500, {1000, -600}, AircraftCategory::Large, -1200, true},
        {kNaN, {-700, -900}, AircraftCategory::Large, -800, true},
        {kInf, {}, AircraftCategory::Large, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.verticalSpeed);
        const DescentLimit d = gf_limitDescentRate(c.verticalSpeed, c.recent, c.category);
        EXPECT_DOUBLE_EQ(d.verticalSpeed, c.expected);
        EXPECT_EQ(d.clamped, c.clamped);
    }
}

} // namespace
} // namespace skyloom
