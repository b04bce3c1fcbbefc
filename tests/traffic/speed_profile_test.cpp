// Speed profiles: the building rules (scaling of end speeds that would run the curve
// backwards, bad inputs), the fit with its fallback, and seeded properties over thousands of
// random profiles: the whole length is covered in the whole time, the end speeds hold, the
// distance never decreases and the speed bounds hold everywhere.
#include "traffic/motion/speed_profile.h"

#include <cmath>
#include <limits>
#include <random>

#include <gtest/gtest.h>

#include "tests/traffic/support/test_numbers.h"

namespace skyloom {
namespace {


TEST(SpeedProfileTest, BuildKeepsScalesOrRefuses) {
    struct Case {
        double length, duration, startSpeed, endSpeed;
        bool valid;
        double storedStart, storedEnd;
    };
    const Case cases[] = {
        {100, 10, 10, 10, true, 10, 10},
        // a = 4, b = 0: scaled by 3 / 4.
        {100, 10, 40, 0, true, 30, 0},
        // a = b = 3: 18 > 9, both scaled by 3 / sqrt(18).
        {100, 10, 30, 30, true, 30 * 3 / std::sqrt(18.0), 30 * 3 / std::sqrt(18.0)},
        // Negative speeds count as 0.
        {100, 10, -5, -1, true, 0, 0},
        {0, 10, 1, 1, false, 0, 0},
        {100, 0, 1, 1, false, 0, 0},
        {-1, 10, 1, 1, false, 0, 0},
        {kInf, 10, 1, 1, false, 0, 0},
        {100, kNaN, 1, 1, false, 0, 0},
        {100, 10, kNaN, 1, false, 0, 0},
        {100, 10, 1, kInf, false, 0, 0},
        // A mean speed that underflows to 0 would make a = 0 / 0.
        {1e-300, 1e300, 0, 0, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.length << " " << c.duration << " " << c.startSpeed << " " << c.endSpeed);
        SpeedProfile p;
        EXPECT_EQ(gf_buildSpeedProfile(p, c.length, c.duration, c.startSpeed, c.endSpeed), c.valid);
        EXPECT_EQ(p.valid, c.valid ? 1 : 0);
        EXPECT_NEAR(p.startSpeed, c.storedStart, 1e-12);
        EXPECT_NEAR(p.endSpeed, c.storedEnd, 1e-12);
        if (!c.valid) {
            EXPECT_EQ(gf_speedProfileSpeedAt(p, 5), 0.0);
        }
    }
}

TEST(SpeedProfileTest, FractionExtremumAndBounds) {
    SpeedProfile p;
    ASSERT_TRUE(gf_buildSpeedProfile(p, 100, 10, 0, 0));
    EXPECT_EQ(gf_speedProfileFraction(p, -1), 0.0);
    EXPECT_EQ(gf_speedProfileFraction(p, 2.5), 0.25);
    EXPECT_EQ(gf_speedProfileFraction(p, 11), 1.0);
    EXPECT_EQ(gf_speedProfileFraction(p, kInf), 1.0);
    EXPECT_EQ(gf_speedProfileFraction(p, -kInf), 0.0);
    EXPECT_EQ(gf_speedProfileFraction(p, kNaN), 0.0);
    // From rest to rest the speed peaks half-way at 1.5 x the mean.
    EXPECT_DOUBLE_EQ(gf_speedProfileExtremum(p), 0.5);
    EXPECT_DOUBLE_EQ(gf_speedProfileMaxSpeed(p), 15.0);
    EXPECT_DOUBLE_EQ(gf_speedProfileMinSpeed(p), 0.0);
    // Constant speed: no extremum.
    ASSERT_TRUE(gf_buildSpeedProfile(p, 100, 10, 10, 10));
    EXPECT_EQ(gf_speedProfileExtremum(p), -1.0);
    EXPECT_DOUBLE_EQ(gf_speedProfileMaxSpeed(p), 10.0);
    const SpeedProfile invalid;
    EXPECT_EQ(gf_speedProfileMaxSpeed(invalid), 0.0);
    EXPECT_EQ(gf_speedProfileMinSpeed(invalid), 0.0);
    EXPECT_EQ(gf_speedProfileDistanceAt(invalid, 3), 0.0);
}

TEST(SpeedProfileTest, FitTakesTheAskedEndSpeedOrFallsBack) {
    struct Case {
        double length, duration, startSpeed, endSpeed, maximumSpeed;
        bool fits;
        double endSpeedUsed;
    };
    const Case cases[] = {
        // Accelerating from 5 to 15 over a mean of 10: as asked.
        {100, 10, 5, 15, 20, true, 15},
        // From rest to rest decelerates at the end: the fallback ends at 2 L / T.
        {100, 10, 0, 0, 30, true, 20},
        // Above the mean speed at the start: no profile keeps it.
        {100, 10, 12, 0, 30, false, 0},
        // The fallback would need 20 but only 15 is allowed.
        {100, 10, 0, 0, 15, false, 0},
        {100, 10, 5, 15, 0, false, 0},
        {100, 10, 5, 15, kNaN, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.startSpeed << " " << c.endSpeed << " " << c.maximumSpeed);
        SpeedProfile p;
        p.length = 42; // left alone on failure
        EXPECT_EQ(
            gf_fitSpeedProfile(p, c.length, c.duration, c.startSpeed, c.endSpeed, c.maximumSpeed),
            c.fits);
        if (c.fits) {
            EXPECT_DOUBLE_EQ(p.startSpeed, c.startSpeed);
            EXPECT_DOUBLE_EQ(p.endSpeed, c.endSpeedUsed);
        } else {
            EXPECT_EQ(p.length, 42);
        }
    }
}

TEST(SpeedProfileTest, RandomProfilesCoverTheirLengthInTheirTimeAndKeepTheirEndSpeeds) {
    std::mt19937 engine(20250204);
    std::uniform_real_distribution<double> logLength(-1.0, 4.0);
    std::uniform_real_distribution<double> logDuration(-1.0, 3.0);
    std::uniform_real_distribution<double> speedRatio(-0.5, 4.0);
    for (int i = 0; i < 5000; ++i) {
        const double L = std::pow(10.0, logLength(engine));
        const double T = std::pow(10.0, logDuration(engine));
        const double va = speedRatio(engine) * L / T;
        const double vb = speedRatio(engine) * L / T;
        SCOPED_TRACE(::testing::Message()
                     << "L=" << L << " T=" << T << " va=" << va << " vb=" << vb);
        SpeedProfile p;
        ASSERT_TRUE(gf_buildSpeedProfile(p, L, T, va, vb));
        EXPECT_NEAR(gf_speedProfileDistanceAt(p, T), L, 1e-9 * L);
        EXPECT_EQ(gf_speedProfileDistanceAt(p, 0), 0.0);
        EXPECT_NEAR(gf_speedProfileSpeedAt(p, 0), p.startSpeed, 1e-9 * (1 + p.startSpeed));
        EXPECT_NEAR(gf_speedProfileSpeedAt(p, T), p.endSpeed, 1e-9 * (1 + p.endSpeed));
        // Unscaled end speeds are kept exactly; scaled ones keep their ratio.
        if (std::max(va, 0.0) * std::max(va, 0.0) + std::max(vb, 0.0) * std::max(vb, 0.0) <=
            9 * (L / T) * (L / T)) {
            EXPECT_DOUBLE_EQ(p.startSpeed, std::max(va, 0.0));
            EXPECT_DOUBLE_EQ(p.endSpeed, std::max(vb, 0.0));
        }
        const double lowest = gf_speedProfileMinSpeed(p);
        const double highest = gf_speedProfileMaxSpeed(p);
        double previous = 0.0;
        for (int k = 1; k <= 64; ++k) {
            const double t = T * k / 64;
            const double s = gf_speedProfileDistanceAt(p, t);
            EXPECT_GE(s, previous - 1e-9 * L); // never backwards
            previous = s;
            const double v = gf_speedProfileSpeedAt(p, t);
            EXPECT_GE(v, std::max(lowest, 0.0) - 1e-9 * (1 + highest));
            EXPECT_LE(v, highest + 1e-9 * (1 + highest));
        }
        SpeedProfile fitted;
        if (gf_fitSpeedProfile(fitted, L, T, va, vb, 3 * L / T)) {
            EXPECT_NEAR(fitted.startSpeed, std::max(va, 0.0), 1e-9);
            EXPECT_LE(gf_speedProfileMaxSpeed(fitted), 3 * L / T + 1e-9);
            EXPECT_NEAR(gf_speedProfileDistanceAt(fitted, T), L, 1e-9 * L);
        }
    }
}

} // namespace
} // namespace skyloom
