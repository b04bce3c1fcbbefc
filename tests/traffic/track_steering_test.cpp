// Steering along tracks: the centreline pull, the direction of the track ahead, the curved air
// leg and the planned path of an air step, each at ordinary places and across the antimeridian,
// with the inputs each refuses.
#include "traffic/motion/track_steering.h"

#include "traffic/motion/air_leg.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/geodesy.h"
#include "tests/sim/support/facility_test_support.h"
#include "traffic/motion/flat_earth.h"
#include "tests/traffic/support/test_numbers.h"

namespace skyloom {
namespace {

using testing::gf_flatOffset;


TEST(TrackSteeringTest, PullTowardTrack) {
    const Lalo a{47, 8};
    struct Case {
        const char* name;
        Lalo from;
        Lalo to;
        double headingDeg, maximumAngleDeg, maximumCross, factor;
        bool moved;
        double along, across; // of the result from `from` along the heading
    };
    const Case cases[] = {
        // 20 m left of the track 500 m ahead: pulled to 3 m left.
        {"pulled", a, gf_flatOffset(a, 500, 20), 90, 10, 50, 0.15, true, 500, -3},
        {"onto the track", a, gf_flatOffset(a, 500, -20), 90, 10, 50, 0, true, 500, 0},
        {"kept", a, gf_flatOffset(a, 500, 20), 90, 10, 50, 1, true, 500, -20},
        {"behind", a, gf_flatOffset(a, -500, 20), 90, 10, 50, 0.15, false, -500, -20},
        {"angle too large", a, gf_flatOffset(a, 100, 20), 90, 10, 50, 0.15, false, 100, -20},
        {"too far aside", a, gf_flatOffset(a, 1000, 60), 90, 10, 50, 0.15, false, 1000, -60},
        {"factor beyond 1", a, gf_flatOffset(a, 500, 20), 90, 10, 50, 1.5, false, 500, -20},
        {"heading 360", a, gf_flatOffset(a, 500, 20), 360, 10, 50, 0.15, false, 20, 500},
        // Across the antimeridian, 11.1 m left of the track along 090.
        {"antimeridian", {0, 179.998}, {0.0001, -179.997}, 90, 10, 50, 0.15, true, 555.6, -1.667},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrackPullRequest r{c.from,         c.to,    c.headingDeg * kDeg, c.maximumAngleDeg * kDeg,
                           c.maximumCross, c.factor};
        const TrackPull p = gf_pullTowardTrack(r);
        EXPECT_EQ(p.moved, c.moved ? 1 : 0);
        if (!c.moved) {
            EXPECT_EQ(p.position, c.to);
        }
        EXPECT_LE(std::abs(p.position.lon), 180.0);
        const DistanceBearing db =
            gf_distanceBearingMetres(c.from, c.headingDeg * kDeg, p.position);
        EXPECT_NEAR(db.along, c.along, 0.1);
        // Flat offsets and great circles part by a few centimetres over a kilometre.
        EXPECT_NEAR(db.across, c.across, 0.1);
        EXPECT_NEAR(p.bearing, gf_bearing(c.from, p.position), 1e-9);
    }
    // Without a usable A the bearing is the heading.
    const TrackPull same = gf_pullTowardTrack({a, a, 1.0, 0.1, 50, 0.5});
    EXPECT_EQ(same.moved, 0);
    EXPECT_EQ(same.bearing, 1.0);
    const TrackPull invalid = gf_pullTowardTrack({{kNaN, 8}, a, 1.0, 0.1, 50, 0.5});
    EXPECT_EQ(invalid.bearing, 1.0);
}

TEST(TrackSteeringTest, DirectionOfTheTrackAhead) {
    const Lalo p{45, 7};
    const Lalo east{0, 179.999};
    struct Case {
        const char* name;
        Lalo position;
        std::vector<Lalo> track;
        double headingDeg;
        bool valid;
        double directionDeg, distance;
    };
    const Case cases[] = {
        {"north",
         p,
         {gf_flatOffset(p, 0, 0.5), gf_flatOffset(p, 0, 100), gf_flatOffset(p, 3, 300),
          gf_flatOffset(p, 0, 600), gf_flatOffset(p, 0, 900)},
         359,
         true,
         0,
         600},
        {"heading off", p, {gf_flatOffset(p, 0, 100), gf_flatOffset(p, 0, 600)}, 10, false, 0, 0},
        {"first point off",
         p,
         {gf_flatOffset(p, 50, 100), gf_flatOffset(p, 0, 600)},
         0,
         false,
         0,
         0},
        {"too close", p, {gf_flatOffset(p, 0, 100), gf_flatOffset(p, 0, 250)}, 0, false, 0, 0},
        {"one point", p, {gf_flatOffset(p, 0, 500)}, 0, false, 0, 0},
        {"stops at an invalid point",
         p,
         {gf_flatOffset(p, 0, 100), Lalo{kNaN, 7}, gf_flatOffset(p, 0, 600)},
         0,
         false,
         0,
         0},
        {"across the antimeridian",
         east,
         {Lalo{0, -179.998}, Lalo{0, -179.996}},
         90,
         true,
         90,
         555.6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TrackDirection d =
            gf_trackDirectionAhead(c.position, c.track, c.headingDeg * kDeg, 300, 800, 5 * kDeg);
        EXPECT_EQ(d.valid, c.valid);
        if (c.valid) {
            EXPECT_NEAR(std::abs(gf_wrapAngle(d.direction - c.directionDeg * kDeg)), 0, 1e-4);
            EXPECT_NEAR(d.distance, c.distance, 0.5);
        }
    }
    const std::vector<Lalo> track{gf_flatOffset(p, 0, 100), gf_flatOffset(p, 0, 600)};
    EXPECT_FALSE(gf_trackDirectionAhead(p, track, 0, 0, 800, 0.1).valid);
    EXPECT_FALSE(gf_trackDirectionAhead(p, track, 0, 300, 200, 0.1).valid);
    EXPECT_FALSE(gf_trackDirectionAhead(p, track, 0, 300, 800, 0).valid);
}

TEST(TrackSteeringTest, CurvedLegLeavesAlongOneHeadingAndArrivesAlongTheOther) {
    const Lalo a{45, 7};
    const Lalo b = gf_flatOffset(a, 0, 1000);
    // Leaving 15 degrees left of the leg, arriving 20 degrees right of it: the leg of a turn to
    // the right, without a corner at either end.
    const CurvePoint start = gf_curveBetweenHeadings(a, b, -15 * kDeg, 20 * kDeg, 0);
    const CurvePoint end = gf_curveBetweenHeadings(a, b, -15 * kDeg, 20 * kDeg, 1);
    ASSERT_EQ(start.valid, 1);
    ASSERT_EQ(end.valid, 1);
    EXPECT_EQ(end.curved, 1);
    EXPECT_LT(testing::gf_metresBetween({start.latitude, start.longitude}, a), 0.01);
    EXPECT_LT(testing::gf_metresBetween({end.latitude, end.longitude}, b), 0.01);
    EXPECT_NEAR(gf_wrapAngle(start.heading + 15 * kDeg), 0, 1e-3);
    EXPECT_NEAR(end.heading, 20 * kDeg, 1e-3);
    // Heading and position change smoothly along the leg, and the heading turns one way only.
    CurvePoint previous = start;
    for (int k = 1; k <= 100; ++k) {
        const CurvePoint c = gf_curveBetweenHeadings(a, b, -15 * kDeg, 20 * kDeg, k / 100.0);
        ASSERT_EQ(c.valid, 1);
        const double turn = gf_wrapAngle(c.heading - previous.heading);
        EXPECT_GE(turn, 0.0) << "at " << k;
        EXPECT_LT(turn, 1 * kDeg);
        EXPECT_LT(testing::gf_metresBetween({c.latitude, c.longitude},
                                            {previous.latitude, previous.longitude}),
                  20);
        previous = c;
    }

    struct Case {
        const char* name;
        Lalo from, to;
        double startDeg, endDeg, t;
        bool valid, curved;
        Lalo at;
        double headingDeg; // checked where the leg is valid and at least 10 m long
    };
    const Lalo farEast{10, 179.99999};
    const Case cases[] = {
        // Both ends along the leg: straight, at an even pace.
        {"straight", a, b, 0, 0, 0.5, true, false, gf_flatOffset(a, 0, 500), 0},
        // A heading more than 90 degrees off the leg would loop: that end takes the leg's own.
        {"start behind", a, b, 180, 0, 0.5, true, false, gf_flatOffset(a, 0, 500), 0},
        {"end 91 off", a, b, 0, -91, 0, true, false, a, 0},
        {"start 89 off", a, b, 89, 0, 0, true, true, a, 89},
        {"short leg", a, gf_flatOffset(a, 3, 4), 90, 0, 0.5, true, false,
         gf_flatOffset(a, 1.5, 2), 0},
        // 2 m across the antimeridian: half-way lies on it, not at longitude 0.
        {"short leg across the antimeridian", farEast, {10, -179.99999}, 90, 90, 0.5, true, false,
         {10, -180}, 0},
        {"across the antimeridian", {10, 179.995}, {10, -179.995}, 90, 90, 1, true, false,
         {10, -179.995}, 90},
        // Near the pole the longitude scale vanishes.
        {"pole", {89.9999, 0}, {89.9999, 180}, 0, 0, 0.5, false, false, {0, 0}, 0},
        {"t not finite", a, b, 0, 20, kNaN, false, false, {0, 0}, 0},
        {"start heading not finite", a, b, kNaN, 20, 0.5, false, false, {0, 0}, 0},
        {"out of range", {91, 0}, b, 0, 20, 0.5, false, false, {0, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CurvePoint p =
            gf_curveBetweenHeadings(c.from, c.to, c.startDeg * kDeg, c.endDeg * kDeg, c.t);
        EXPECT_EQ(p.valid, c.valid ? 1 : 0);
        EXPECT_EQ(p.curved, c.curved ? 1 : 0);
        if (c.valid) {
            EXPECT_LT(testing::gf_metresBetween({p.latitude, p.longitude}, c.at), 0.05);
            EXPECT_LE(std::abs(p.longitude), 180.0);
            if (testing::gf_metresBetween(c.from, c.to) >= 10) {
                EXPECT_NEAR(gf_wrapAngle(p.heading - c.headingDeg * kDeg), 0, 0.01);
            }
        }
    }
}

TEST(TrackSteeringTest, ACurvedLegFollowedByItsTableKeepsOneSpeed) {
    const Lalo a{45, 7};
    const Lalo b = gf_flatOffset(a, 0, 1000);
    struct Case {
        const char* name;
        double startDeg, endDeg;
    };
    for (const Case& c : {Case{"straight", 0, 0}, Case{"arc", -20, 20}, Case{"uneven", -30, 5},
                          Case{"S", 25, 25}}) {
        SCOPED_TRACE(c.name);
        const CurveTable table = gf_curveTable(a, b, c.startDeg * kDeg, c.endDeg * kDeg);
        ASSERT_EQ(table.valid, 1);
        std::vector<double> steps;
        Lalo previous = a;
        for (int k = 1; k <= 100; ++k) {
            const double t = gf_curveParameterAt(table, k / 100.0);
            const CurvePoint p = gf_curveBetweenHeadings(a, b, c.startDeg * kDeg, c.endDeg * kDeg, t);
            ASSERT_EQ(p.valid, 1);
            steps.push_back(testing::gf_metresBetween(previous, {p.latitude, p.longitude}));
            previous = {p.latitude, p.longitude};
        }
        EXPECT_LT(testing::gf_metresBetween(previous, b), 0.01) << "it ends at B";
        const auto [shortest, longest] = std::minmax_element(steps.begin(), steps.end());
        EXPECT_LT(*longest / *shortest, 1.02) << "an even pace along the curve";
    }
    // Straight, the table halves the leg at half its length.
    const CurveTable straight = gf_curveTable(a, b, 0, 0);
    const CurvePoint half =
        gf_curveBetweenHeadings(a, b, 0, 0, gf_curveParameterAt(straight, 0.5));
    EXPECT_LT(testing::gf_metresBetween({half.latitude, half.longitude}, gf_flatOffset(a, 0, 500)),
              0.05);
    // A curve that cannot be followed gives no table; the share then stands for the parameter.
    const CurveTable none = gf_curveTable({89.9999, 0}, {89.9999, 180}, 0, 0);
    EXPECT_EQ(none.valid, 0);
    EXPECT_DOUBLE_EQ(gf_curveParameterAt(none, 0.3), 0.3);
    EXPECT_DOUBLE_EQ(gf_curveParameterAt(none, 2.0), 1.0);
    EXPECT_DOUBLE_EQ(gf_curveParameterAt(none, kNaN), 0.0);
}

// A leg whose ends make a circular arc (each end as far off the leg's direction as the other,
// to either side) turns at one rate along its length, however large the turn; before, its
// tangents were a tenth longer than the leg whatever the turn, and a turn of 115 degrees was
// flown at 1.4 times its mean rate near its ends, one of 170 degrees at twice it.
TEST(TrackSteeringTest, AnArcLegTurnsEvenlyAlongItsLength) {
    const Lalo a{45, 7};
    const Lalo b = gf_flatOffset(a, 0, 1000);
    for (const double halfTurnDeg : {30.0, 57.5, 85.0}) {
        SCOPED_TRACE(halfTurnDeg);
        const double start = -halfTurnDeg * kDeg;
        const double end = halfTurnDeg * kDeg;
        const CurveTable table = gf_curveTable(a, b, start, end);
        ASSERT_EQ(table.valid, 1);
        std::vector<double> turns;
        double previous = gf_curveBetweenHeadings(a, b, start, end, 0).heading;
        for (int k = 1; k <= 50; ++k) {
            const CurvePoint p =
                gf_curveBetweenHeadings(a, b, start, end, gf_curveParameterAt(table, k / 50.0));
            ASSERT_EQ(p.valid, 1);
            turns.push_back(gf_wrapAngle(p.heading - previous));
            previous = p.heading;
        }
        const auto [least, most] = std::minmax_element(turns.begin(), turns.end());
        const double mean = 2 * halfTurnDeg * kDeg / static_cast<double>(turns.size());
        EXPECT_GT(*least, 0.0) << "one way";
        EXPECT_LT(*most / mean, 1.15) << "at about one rate";
        EXPECT_NEAR(gf_wrapAngle(previous - end), 0.0, 1e-3);
    }
}

// The path of an air step leaves along the direction of flight and turns no faster than it
// may when flown over its time: a curve to the wanted arrival where that flies, else two turns
// at the rate allowed and a straight that arrive along it, else the arrival nearest it that
// still flies, else a turn toward the target at the rate allowed,
// which does not reach a target behind it in time. Before, a leg that left more than 90
// degrees off its target turned there in one frame.
TEST(TrackSteeringTest, AnAirLegTurnsNoFasterThanAllowed) {
    const Lalo a{45, 7};
    const Lalo north1km = gf_flatOffset(a, 0, 1000);
    struct Case {
        const char* name;
        Lalo from, to;
        double startDeg, endDeg; // compass directions
        double seconds, rateDegPerS;
        AirLegShape shape;
        bool reaches;
    };
    const Case cases[] = {
        {"along the leg", a, north1km, 0, 0, 10, 3, AirLegShape::straight, true},
        {"short", a, gf_flatOffset(a, 3, 4), 90, 0, 1, 3, AirLegShape::straight, true},
        {"gentle curve", a, north1km, -10, 10, 10, 3, AirLegShape::curve, true},
        {"arc too fast for its arrival", a, north1km, -20, 40, 10, 5, AirLegShape::arc, true},
        {"too fast for an arc", a, north1km, -40, 40, 10, 3, AirLegShape::limited, false},
        {"target behind", a, gf_flatOffset(a, 0, -1000), 0, 180, 10, 10, AirLegShape::limited,
         false},
        // A light aircraft's tight turn: a curve would turn faster than 40 degrees a second for a
        // while; two turns at that rate and a straight between them arrive along the direction
        // wanted.
        {"a light aircraft's tight turn", a, gf_flatOffset(a, 300, -50), 0, 180, 10, 40,
         AirLegShape::turns, true},
        {"across the antimeridian", {10, 179.995}, {10, -179.995}, 85, 95, 10, 3,
         AirLegShape::curve, true},
        {"pole", {89.9999, 0}, {89.9999, 180}, 0, 0, 10, 3, AirLegShape::none, false},
        {"heading not finite", a, north1km, kNaN, 0, 10, 3, AirLegShape::none, false},
        {"no time", a, north1km, 0, 0, 0, 3, AirLegShape::none, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Lalo& from = c.from;
        const AirLegPath path = gf_planAirLeg({from, c.to, c.startDeg * kDeg, c.endDeg * kDeg,
                                               c.seconds, c.rateDegPerS * kDeg, 100.0, 200.0});
        ASSERT_EQ(path.shape, c.shape);
        if (c.shape == AirLegShape::none) {
            continue;
        }
        const AirLegPoint first = gf_airLegPointAt(path, 0.0);
        const AirLegPoint last = gf_airLegPointAt(path, 1.0);
        EXPECT_LT(testing::gf_metresBetween({first.latitude, first.longitude}, from), 0.05);
        const double missed = testing::gf_metresBetween({last.latitude, last.longitude}, c.to);
        EXPECT_EQ(missed < 1.0, c.reaches) << missed << " m short";
        if (c.shape == AirLegShape::straight) {
            continue;
        }
        EXPECT_NEAR(gf_wrapAngle(first.heading - c.startDeg * kDeg), 0.0, 1e-3);
        if (c.shape == AirLegShape::curve || c.shape == AirLegShape::turns) {
            EXPECT_NEAR(gf_wrapAngle(last.heading - c.endDeg * kDeg), 0.0, 1e-3);
        }
        // Along the path at an even pace over its time, never faster than the rate.
        double previous = first.heading;
        for (int k = 1; k <= 200; ++k) {
            const double heading = gf_airLegPointAt(path, k / 200.0).heading;
            EXPECT_LE(std::abs(gf_wrapAngle(heading - previous)) / (c.seconds / 200.0),
                      c.rateDegPerS * kDeg * 1.001)
                << "at " << k;
            previous = heading;
        }
    }
}

} // namespace
} // namespace skyloom
