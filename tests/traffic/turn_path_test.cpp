// Ground turn paths: each status with its text, defaults for limits given as 0, the ends of a
// path, turns across the antimeridian, near a pole and through north, and seeded properties
// over thousands of random corners: a built path starts at A along the start heading, is
// continuous in position and heading, is walked at constant speed along its length, and ends
// on the second leg.
#include "traffic/ground/turn_path.h"

#include <cmath>
#include <iomanip>
#include <limits>
#include <numbers>
#include <random>

#include <gtest/gtest.h>

#include "foundation/geodesy.h"
#include "tests/sim/support/facility_test_support.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/motion/hermite.h"
#include "tests/traffic/support/test_numbers.h"

namespace skyloom {
namespace {

using testing::gf_flatOffset;
using testing::gf_metresBetween;


// A corner `leg1` metres from A along `heading1Deg`, then `leg2` metres along heading1 + turn.
GroundTurnRequest lf_corner(const Lalo& a, double heading1Deg, double leg1, double turnDeg,
                            double leg2, double startHeadingDeg) {
    const double h1 = heading1Deg * kDeg;
    const double h2 = (heading1Deg + turnDeg) * kDeg;
    const Lalo b = gf_flatOffset(a, leg1 * std::sin(h1), leg1 * std::cos(h1));
    const Lalo e = gf_flatOffset(b, leg2 * std::sin(h2), leg2 * std::cos(h2));
    GroundTurnRequest r;
    r.startLatitude = a.lat;
    r.startLongitude = a.lon;
    r.cornerLatitude = b.lat;
    r.cornerLongitude = b.lon;
    r.endLatitude = e.lat;
    r.endLongitude = e.lon;
    r.startHeading = gf_normaliseAngle(startHeadingDeg * kDeg);
    return r;
}

TEST(GroundTurnPathTest, StatusesAndTheirTexts) {
    const Lalo a{47.45, 8.56};
    struct Case {
        const char* name;
        GroundTurnRequest request;
        GroundPathStatus status;
        const char* text;
    };
    GroundTurnRequest nan = lf_corner(a, 0, 60, 90, 60, 0);
    nan.cornerLongitude = kNaN;
    GroundTurnRequest fullCircle = lf_corner(a, 0, 60, 90, 60, 0);
    fullCircle.startHeading = 2 * std::numbers::pi;
    GroundTurnRequest badEnd = lf_corner(a, 0, 60, 90, 60, 0);
    badEnd.hasEndHeading = 1;
    badEnd.endHeading = 7;
    const Case cases[] = {
        {"right angle", lf_corner(a, 0, 60, 90, 60, 0), GroundPathStatus::none, "none"},
        {"left angle", lf_corner(a, 0, 60, -90, 60, 0), GroundPathStatus::none, "none"},
        {"not a number", nan, GroundPathStatus::invalidInput, "invalid input"},
        {"heading 2 pi", fullCircle, GroundPathStatus::invalidInput, "invalid input"},
        {"end heading out of range", badEnd, GroundPathStatus::invalidInput, "invalid input"},
        {"corner 1.9 m away", lf_corner(a, 0, 1.9, 90, 60, 0), GroundPathStatus::legTooShort,
         "leg too short"},
        {"second leg 251 m", lf_corner(a, 0, 60, 90, 251, 0), GroundPathStatus::legOutOfRange,
         "leg out of range"},
        {"straight on", lf_corner(a, 0, 60, 0, 60, 0), GroundPathStatus::turnTooSmall,
         "turn too small"},
        {"U-turn of 170", lf_corner(a, 0, 60, 170, 60, 0), GroundPathStatus::turnTooLarge,
         "turn too large"},
        {"start 80 off", lf_corner(a, 0, 60, 30, 60, 80), GroundPathStatus::startHeadingMismatch,
         "start heading mismatch"},
        // A straight line but the aircraft points 30 degrees off: a corrective curve that turns
        // 30 degrees within 60 + 60 m.
        {"re-align", lf_corner(a, 0, 60, 0, 60, 330), GroundPathStatus::none, "none"},
        // The same with a corner too close for the corrective limits.
        {"re-align, short legs", lf_corner(a, 0, 10, 0, 10, 330), GroundPathStatus::invalidTangent,
         "invalid tangent"},
        {"re-align beyond 60", lf_corner(a, 0, 60, 0, 60, 290), GroundPathStatus::invalidTangent,
         "invalid tangent"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GroundTurnPath path;
        EXPECT_EQ(gf_buildGroundTurnPath(path, c.request), c.status == GroundPathStatus::none);
        EXPECT_EQ(path.status, c.status);
        EXPECT_EQ(gf_pathErrorText(path), c.text);
        EXPECT_EQ(gf_groundPathPointAt(path, 0.5).valid, c.status == GroundPathStatus::none);
    }
    GroundTurnPath path;
    path.status = static_cast<GroundPathStatus>(42);
    EXPECT_EQ(gf_pathErrorText(path), "unknown");
}

TEST(GroundTurnPathTest, LimitsGivenAsZeroTakeTheirDefaults) {
    const GroundTurnRequest defaults = lf_corner({47.45, 8.56}, 0, 60, 0, 60, 330);
    GroundTurnRequest zeros = defaults;
    zeros.minimumLegLength = 0;
    zeros.minimumTotalLength = -1;
    zeros.maximumHeadingChangeDeg = kNaN;
    zeros.maximumStartMismatchDeg = 0;
    zeros.cornerDistanceFactor = 0;
    zeros.maximumCurvatureDegPerMetre = 0;
    zeros.startTangentFactor = 0;
    GroundTurnPath a;
    GroundTurnPath b;
    ASSERT_TRUE(gf_buildGroundTurnPath(a, defaults));
    ASSERT_TRUE(gf_buildGroundTurnPath(b, zeros));
    EXPECT_EQ(a.corrective, 1);
    EXPECT_EQ(a.length, b.length);
    EXPECT_EQ(a.lengthTable, b.lengthTable);
    EXPECT_EQ(a.outsideSwing, b.outsideSwing);
}

// A curve parameter outside [0, 1] is taken at the nearer end, never extrapolated.
TEST(GroundTurnPathTest, CurveParameterOutsideItsRangeIsClamped) {
    const FlatOffset t0{0, 120}, p1{60, 60}, t1{120, 0};
    const struct {
        double t, clampedTo;
    } cases[] = {{-1, 0}, {-1e-3, 0}, {1.5, 1}, {2, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.t);
        const HermitePoint at = gf_hermiteAt(c.t, t0, p1, t1);
        const HermitePoint end = gf_hermiteAt(c.clampedTo, t0, p1, t1);
        EXPECT_EQ(at.position.east, end.position.east);
        EXPECT_EQ(at.position.north, end.position.north);
        EXPECT_EQ(at.derivative.east, end.derivative.east);
        EXPECT_EQ(at.derivative.north, end.derivative.north);
    }
}

TEST(GroundTurnPathTest, EndsOfThePath) {
    const Lalo a{47.45, 8.56};
    GroundTurnRequest r = lf_corner(a, 0, 60, 90, 60, 0);
    GroundTurnPath path;
    ASSERT_TRUE(gf_buildGroundTurnPath(path, r));
    const GroundPathPoint before = gf_groundPathPointAt(path, -1);
    const GroundPathPoint after = gf_groundPathPointAt(path, 2);
    ASSERT_EQ(before.valid, 1);
    ASSERT_EQ(after.valid, 1);
    EXPECT_LT(gf_metresBetween({before.latitude, before.longitude}, a), 1e-6);
    EXPECT_NEAR(before.heading, 0, 1e-9);
    EXPECT_LT(gf_metresBetween({after.latitude, after.longitude}, {r.endLatitude, r.endLongitude}),
              1e-3);
    EXPECT_NEAR(after.heading, 90 * kDeg, 1e-6);
    EXPECT_EQ(gf_groundPathPointAt(path, kNaN).valid, 0);
    EXPECT_GT(path.length, 60);
    EXPECT_LE(path.length, 1.6 * 120);
    EXPECT_EQ(path.lengthTable.front(), 0.0);
    EXPECT_EQ(path.lengthTable.back(), 1.0);

    // Ending at the corner: the curve passes through B.
    r.endAtCorner = 1;
    ASSERT_TRUE(gf_buildGroundTurnPath(path, r));
    EXPECT_EQ(path.endsAtCorner, 1);
    const GroundPathPoint corner = gf_groundPathPointAt(path, 1);
    EXPECT_LT(gf_metresBetween({corner.latitude, corner.longitude},
                               {r.cornerLatitude, r.cornerLongitude}),
              1e-3);

    // An end heading given: the path arrives along it.
    r = lf_corner(a, 0, 60, 90, 60, 0);
    r.hasEndHeading = 1;
    r.endHeading = 80 * kDeg;
    ASSERT_TRUE(gf_buildGroundTurnPath(path, r));
    EXPECT_NEAR(gf_groundPathPointAt(path, 1).heading, 80 * kDeg, 1e-6);
}

TEST(GroundTurnPathTest, TurnsWhereAnglesAndLongitudesWrap) {
    struct Case {
        const char* name;
        Lalo a;
        double heading1Deg, turnDeg, startHeadingDeg;
    };
    const Case cases[] = {
        {"through north to the right", {47.45, 8.56}, 330, 60, 330},
        {"start heading 359 along 001", {47.45, 8.56}, 1, 45, 359},
        {"east across the antimeridian", {-16.69, 179.9995}, 90, 45, 90},
        {"west across the antimeridian", {-16.69, -179.9995}, 270, -45, 270},
        {"north across the antimeridian", {65.5, 180}, 10, -60, 10},
        {"near the north pole", {89.99, 30}, 0, 90, 0},
        {"near the south pole", {-89.99, -150}, 180, -90, 180},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const GroundTurnRequest r =
            lf_corner(c.a, c.heading1Deg, 80, c.turnDeg, 80, c.startHeadingDeg);
        GroundTurnPath path;
        ASSERT_TRUE(gf_buildGroundTurnPath(path, r)) << gf_pathErrorText(path);
        // Never the long way round the earth.
        EXPECT_LT(path.length, 1.6 * 160);
        EXPECT_NEAR(path.turnAngleDeg, std::abs(c.turnDeg), 0.5);
        const GroundPathPoint end = gf_groundPathPointAt(path, 1);
        ASSERT_EQ(end.valid, 1);
        EXPECT_LT(gf_metresBetween({end.latitude, end.longitude}, {r.endLatitude, r.endLongitude}),
                  0.01);
        for (int k = 0; k <= 64; ++k) {
            const GroundPathPoint p = gf_groundPathPointAt(path, k / 64.0);
            ASSERT_EQ(p.valid, 1);
            EXPECT_LE(std::abs(p.longitude), 180.0);
            EXPECT_LT(gf_metresBetween({p.latitude, p.longitude}, c.a), 170);
        }
    }
}

TEST(GroundTurnPathTest, RandomPathsAreContinuousAndEndOnTheSecondLeg) {
    std::mt19937 engine(8121);
    std::uniform_real_distribution<double> lat(-70, 70);
    std::uniform_real_distribution<double> lon(-180, 180);
    std::uniform_real_distribution<double> heading(0, 360);
    std::uniform_real_distribution<double> leg(15, 200);
    std::uniform_real_distribution<double> turn(-160, 160);
    std::uniform_real_distribution<double> noise(-25, 25);
    int built = 0;
    for (int i = 0; i < 4000; ++i) {
        Lalo a{lat(engine), lon(engine)};
        if (i % 4 == 1) {
            a.lon = 180 - std::abs(noise(engine)) / 1e4; // at the antimeridian
        } else if (i % 4 == 2) {
            a.lat = 89.9 * (i % 8 == 2 ? 1 : -1) + noise(engine) / 1e3; // near a pole
        }
        const double h1 = heading(engine);
        GroundTurnRequest r =
            lf_corner(a, h1, leg(engine), turn(engine), leg(engine), h1 + noise(engine));
        r.endAtCorner = i % 5 == 0 ? 1 : 0;
        GroundTurnPath path;
        const bool ok = gf_buildGroundTurnPath(path, r);
        ASSERT_FALSE(std::isnan(path.length) || std::isnan(path.outsideSwing) ||
                     std::isnan(path.chordDeviation));
        if (!ok) {
            continue;
        }
        ++built;
        SCOPED_TRACE(::testing::Message()
                     << "case " << i << std::setprecision(10) << ": " << r.startLatitude << ","
                     << r.startLongitude << " / " << r.cornerLatitude << "," << r.cornerLongitude
                     << " / " << r.endLatitude << "," << r.endLongitude << " heading "
                     << r.startHeading << (path.corrective ? " corrective" : " plain") << " turn "
                     << path.turnAngleDeg << " mismatch " << path.startMismatchDeg << " length "
                     << path.length);
        const Lalo b{r.cornerLatitude, r.cornerLongitude};
        const Lalo e{r.endLatitude, r.endLongitude};
        const GroundPathPoint start = gf_groundPathPointAt(path, 0);
        ASSERT_EQ(start.valid, 1);
        EXPECT_LT(gf_metresBetween({start.latitude, start.longitude}, a), 1e-3);
        EXPECT_NEAR(std::abs(gf_wrapAngle(start.heading - r.startHeading)), 0, 1e-6);
        // Steps are measured in the path's own flat frame, where its length is defined.
        const double cosA = std::cos(a.lat * kDeg);
        const auto inFrame = [&](const GroundPathPoint& p) {
            return gf_flatOffsetMetres(a, {p.latitude, p.longitude}, 111132.95, cosA);
        };
        GroundPathPoint previous = start;
        constexpr int kSteps = 400;
        for (int k = 1; k <= kSteps; ++k) {
            const GroundPathPoint p = gf_groundPathPointAt(path, static_cast<double>(k) / kSteps);
            ASSERT_EQ(p.valid, 1) << k;
            // Equal steps of length along the path (measured along the curve, in eighths,
            // since round the tightest corners a step's chord is much shorter): the length
            // table is linear between its 128 samples, which holds to a few percent.
            double step = 0;
            FlatOffset there = inFrame(previous);
            for (int j = 1; j <= 8; ++j) {
                const FlatOffset here =
                    inFrame(gf_groundPathPointAt(path, (k - 1 + j / 8.0) / kSteps));
                step += std::hypot(here.east - there.east, here.north - there.north);
                there = here;
            }
            EXPECT_NEAR(step, path.length / kSteps, 0.05 * path.length / kSteps + 1e-4) << k;
            // The heading never jumps: a millionth of the path further on it has hardly
            // turned. (A plain turn round a short first leg may turn 160 degrees within a
            // metre, so coarser steps can turn a lot.)
            const GroundPathPoint next = gf_groundPathPointAt(path, k / double(kSteps) - 1e-6);
            ASSERT_EQ(next.valid, 1);
            EXPECT_LT(std::abs(gf_wrapAngle(p.heading - next.heading)), 1 * kDeg) << k;
            previous = p;
        }
        // The end lies on the second leg: at E, or at B for a path that ends at the corner,
        // arriving along leg 2 (or along it when turning in at the corner).
        const Lalo end{previous.latitude, previous.longitude};
        EXPECT_LT(gf_metresBetween(end, r.endAtCorner ? b : e), 0.01);
        const FlatOffset leg2 = gf_flatOffsetMetres(a, e, 111132.95, std::cos(a.lat * kDeg));
        const FlatOffset corner = gf_flatOffsetMetres(a, b, 111132.95, std::cos(a.lat * kDeg));
        const double h2 = gf_flatHeading(leg2.east - corner.east, leg2.north - corner.north);
        EXPECT_LT(std::abs(gf_wrapAngle(previous.heading - h2)), 1e-6);
    }
    EXPECT_GT(built, 1000);
}

} // namespace
} // namespace skyloom
