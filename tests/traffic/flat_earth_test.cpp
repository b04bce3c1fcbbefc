// The flat-earth helpers at the places where angles and longitudes wrap: headings either side of
// north, positions either side of the antimeridian, latitudes at and beyond the poles.
#include "traffic/motion/flat_earth.h"

#include <cmath>
#include <limits>
#include <numbers>

#include <gtest/gtest.h>

#include "tests/traffic/support/test_numbers.h"

namespace skyloom {
namespace {

constexpr double kPi = std::numbers::pi;

TEST(FlatEarthTest, AngleAndLongitudeDifferencesTakeTheShortWay) {
    struct Case {
        double a, b, angleDeg;
    };
    // gf_wrapAngle(b - a) in degrees; the same pairs as longitudes.
    const Case cases[] = {
        {359, 1, 2},         {1, 359, -2},   {0, 180, 180},  {179.5, -179.5, 1},
        {-179.5, 179.5, -1}, {180, -180, 0}, {90, 270, 180}, {10, 20, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.a << " -> " << c.b);
        EXPECT_NEAR(std::abs(gf_wrapAngle((c.b - c.a) * kDeg)), std::abs(c.angleDeg) * kDeg, 1e-12);
        if (std::abs(c.angleDeg) < 180) {
            EXPECT_NEAR(gf_wrapAngle((c.b - c.a) * kDeg), c.angleDeg * kDeg, 1e-12);
        }
        if (std::abs(c.a) <= 180 && std::abs(c.b) <= 180) {
            EXPECT_NEAR(std::abs(gf_longitudeDifference(c.a, c.b)), std::abs(c.angleDeg), 1e-9);
        }
    }
}

TEST(FlatEarthTest, FlatOffsetsAcrossTheAntimeridianAndAtThePoles) {
    struct Case {
        Lalo from, to;
        double east, north; // metres on 111132.95 m per degree
    };
    constexpr double k = 111132.95;
    const Case cases[] = {
        {{0, 179.999}, {0, -179.999}, 0.002 * k, 0},
        {{0, -179.999}, {0, 179.999}, -0.002 * k, 0},
        {{10, 180}, {10.001, -180}, 0, 0.001 * k},
        {{60, 179.99}, {60, -179.99}, 0.02 * k * 0.5, 0},
        // At a pole every longitude is the same place: no east offset.
        {{90, 10}, {89.999, -170}, 0, -0.001 * k},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.from.lat << "," << c.from.lon << " -> " << c.to.lat << "," << c.to.lon);
        const double cosLat = std::cos(c.from.lat * kDeg);
        const FlatOffset o = gf_flatOffsetMetres(c.from, c.to, k, cosLat);
        EXPECT_NEAR(o.east, c.east, 1e-6);
        EXPECT_NEAR(o.north, c.north, 1e-6);
        if (cosLat > 1e-9) {
            const Lalo back = gf_flatPosition(c.from, o, k, cosLat);
            EXPECT_NEAR(back.lat, c.to.lat, 1e-9);
            EXPECT_NEAR(std::abs(gf_longitudeDifference(back.lon, c.to.lon)), 0, 1e-9);
            EXPECT_LE(std::abs(back.lon), 180.0);
        }
    }
    EXPECT_EQ(gf_flatHeading(0, 0), 0.0);
    EXPECT_NEAR(gf_flatHeading(-1, 0), 1.5 * kPi, 1e-12);
}

TEST(FlatEarthTest, DistanceAndBearingRelativeToAHeading) {
    struct Case {
        Lalo a;
        double headingDeg;
        Lalo b;
        double angleDeg; // expected, within 0.01
        bool right;
    };
    const Case cases[] = {
        // Due north of A, seen along 359 and along 1 degree.
        {{45, 7}, 359, {45.01, 7}, 1, true},
        {{45, 7}, 1, {45.01, 7}, -1, false},
        // Across the antimeridian: B is 0.01 degree east of A.
        {{0, 179.995}, 90, {0, -179.995}, 0, false},
        {{0, -179.995}, 270, {0, 179.995}, 0, false},
        // Behind.
        {{45, 7}, 180, {45.01, 7}, 180, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.headingDeg);
        const DistanceBearing db = gf_distanceBearingMetres(c.a, c.headingDeg * kDeg, c.b);
        EXPECT_GT(db.distance, 1000);
        EXPECT_LT(db.distance, 1200);
        EXPECT_NEAR(std::abs(db.angle) / kDeg, std::abs(c.angleDeg), 0.01);
        EXPECT_NEAR(db.along, db.distance * std::cos(db.angle), 1e-6);
        if (std::abs(c.angleDeg) > 0.5 && std::abs(c.angleDeg) < 179) {
            EXPECT_EQ(db.across > 0, c.right);
        }
    }
    const DistanceBearing same = gf_distanceBearingMetres({45, 7}, 1.0, {45, 7.0000001});
    EXPECT_EQ(same.angle, 0.0);
    EXPECT_EQ(same.along, 0.0);
    EXPECT_EQ(same.across, 0.0);
}

TEST(FlatEarthTest, WithinReachAcrossTheAntimeridianAndNearThePoles) {
    struct Case {
        Lalo a;
        double ra;
        Lalo b;
        double rb;
        bool within;
    };
    const Case cases[] = {
        {{0, 179.995}, 0.4, {0, -179.995}, 0.25, true}, // 0.6 NM apart
        {{0, 179.995}, 0.3, {0, -179.995}, 0.25, false},
        {{0, -180}, 0.01, {0, 180}, 0.01, true},
        {{45, 7}, 0.5, {45.01, 7}, 0.11, true}, // 0.6 NM apart
        {{45, 7}, 0.5, {45.01, 7}, 0.09, false},
        {{45, 7}, 0, {45, 7}, 0, false},
        {{45, 7}, -1, {45, 7}, 0.5, false},
        {{45, 7}, kNaN, {45, 7}, 0.5, false},
        // At the pole longitudes shrink to nothing.
        {{90, 0}, 0.1, {90, 179}, 0.1, true},
        {{89.9999, 0}, 0.1, {89.9999, 90}, 0.1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.a.lat << "," << c.a.lon << " r" << c.ra << " / "
                                          << c.b.lat << "," << c.b.lon << " r" << c.rb);
        EXPECT_EQ(gf_isWithinNm(c.a, c.ra, c.b, c.rb), c.within);
    }
}

TEST(FlatEarthTest, NormaliseWrapsLongitudeAndReflectsOverThePoles) {
    struct Case {
        Lalo in, out;
    };
    const Case cases[] = {
        {{10, 190}, {10, -170}},  {{10, -190}, {10, 170}},  {{10, 180}, {10, -180}},
        {{10, -180}, {10, -180}}, {{10, 540}, {10, -180}},  {{10, 359.5}, {10, -0.5}},
        {{91, 10}, {89, -170}},   {{-91, 10}, {-89, -170}}, {{90, 10}, {90, 10}},
        {{180, 10}, {0, -170}},   {{271, 0}, {-89, 0}},     {{-269, 0}, {89, -180}},
        {{450, 20}, {90, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.in.lat << "," << c.in.lon);
        Lalo p = c.in;
        gf_normaliseLonCheckLat(p);
        EXPECT_NEAR(p.lat, c.out.lat, 1e-9);
        EXPECT_NEAR(p.lon, c.out.lon, 1e-9);
    }
    Lalo unset{kNaN, 200};
    gf_normaliseLonCheckLat(unset);
    EXPECT_TRUE(std::isnan(unset.lat));
    EXPECT_EQ(unset.lon, 200);
}

} // namespace
} // namespace skyloom
