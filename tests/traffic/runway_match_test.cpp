// The runway-end search on made runways: which end a heading picks, the start window of a
// take-off, parallel runways and their runner-up, displaced thresholds, headings either side
// of north, a runway across the antimeridian, and the airport's reach.
#include "traffic/ground/runway_match.h"

#include <cmath>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "tests/traffic/support/runway_fixture.h"
#include "tests/traffic/support/test_numbers.h"

namespace skyloom {
namespace {

using testing::gf_makeRunway;
using testing::gf_onRunway;
using testing::RunwayLayout;


TEST(RunwayMatchTest, TheHeadingPicksTheEnd) {
    const FacilityRunway r09 = gf_makeRunway({.centre = {46.9, 7.2}});
    const std::vector<FacilityRunway> runways{r09};
    struct Case {
        double along, cross, headingDeg;
        const char* end;
        double score;
    };
    const Case cases[] = {
        {0, 0, 270, "27", 0},   {0, 0, 90, "09", 0},     {0, 10, 275, "27", 15},
        {0, -10, 85, "09", 15}, {-1400, 0, 92, "09", 2}, {1400, 3, 268, "27", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.along << " " << c.cross << " " << c.headingDeg);
        const RunwayMatch m = gf_findRunwayAt(runways, gf_onRunway(r09, c.along, c.cross),
                                              c.headingDeg * kDeg, false, 75);
        ASSERT_EQ(m.valid, 1);
        EXPECT_EQ(m.runwayName, "09-27");
        EXPECT_EQ(m.endDesignator, c.end);
        EXPECT_NEAR(m.score, c.score, 0.05);
        EXPECT_NEAR(m.crossOffset, c.cross, 0.05);
        EXPECT_NEAR(m.alongOffset, c.along, 0.5);
        // The other end of the same runway is the runner-up, a half turn behind.
        EXPECT_EQ(m.runnerUp, std::string("09-27:") + (std::string(c.end) == "09" ? "27" : "09"));
        EXPECT_NEAR(m.runnerUpScore - m.score, 180 - 2 * m.headingDifferenceDeg, 0.05);
        const bool toward27 = std::string(c.end) == "27";
        EXPECT_NEAR(m.distanceFromStart, toward27 ? 1500 - c.along : 1500 + c.along, 0.5);
        EXPECT_EQ(m.endAheadLatitude, toward27 ? r09.primaryLatitude : r09.secondaryLatitude);
        EXPECT_EQ(m.startWindow, 1200);
        EXPECT_EQ(m.altitudeFt, 1000);
    }
}

TEST(RunwayMatchTest, WhereTheSearchFindsNothing) {
    const FacilityRunway r09 = gf_makeRunway({.centre = {46.9, 7.2}});
    const std::vector<FacilityRunway> runways{r09};
    FacilityRunway broken = r09;
    broken.length = 0;
    // 4000 m long: the start window is min(1600, 1200) m.
    const FacilityRunway long09 = gf_makeRunway({.centre = {46.9, 7.2}, .length = 4000});
    struct Case {
        const char* name;
        std::vector<FacilityRunway> runways;
        Lalo position;
        double headingDeg;
        bool nearStart;
    };
    const Case cases[] = {
        {"no runways", {}, gf_onRunway(r09, 0, 0), 90, false},
        {"beside", runways, gf_onRunway(r09, 0, 80), 90, false},
        {"beyond the end", runways, gf_onRunway(r09, 2210, 0), 90, false},
        {"past the start window", runways, gf_onRunway(r09, -1500 + 1210, 0), 90, true},
        {"heading beyond a full turn", runways, gf_onRunway(r09, 0, 0), 400, false},
        {"position not valid", runways, Lalo{91, 7.2}, 90, false},
        {"runway without length", {broken}, gf_onRunway(r09, 0, 0), 90, false},
        {"1300 m into a 4000 m runway", {long09}, gf_onRunway(long09, -2000 + 1300, 0), 90, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(
            gf_findRunwayAt(c.runways, c.position, c.headingDeg * kDeg, c.nearStart, 75).valid, 0);
    }
    // Within the lateral limit of 75 m, and in the start window from 700 m behind the start.
    EXPECT_EQ(gf_findRunwayAt(runways, gf_onRunway(r09, 0, 74), 90 * kDeg, false, 75).valid, 1);
    EXPECT_EQ(gf_findRunwayAt(runways, gf_onRunway(r09, -1500 + 1190, 0), 90 * kDeg, true, 75)
                  .endDesignator,
              "09");
    EXPECT_EQ(gf_findRunwayAt(runways, gf_onRunway(r09, -2190, 0), 90 * kDeg, true, 75).valid, 1);
    const std::vector<FacilityRunway> longRunway{long09};
    EXPECT_EQ(gf_findRunwayAt(longRunway, gf_onRunway(long09, -2000 + 1100, 0), 90 * kDeg, true, 75)
                  .startWindow,
              1200);
    // Near the start of 09 the far end of 27 is no candidate, whatever the heading.
    const RunwayMatch backwards =
        gf_findRunwayAt(runways, gf_onRunway(r09, -1400, 0), 270 * kDeg, true, 75);
    EXPECT_EQ(backwards.endDesignator, "09");
    EXPECT_NEAR(backwards.headingDifferenceDeg, 180, 1e-6);
    EXPECT_EQ(backwards.runnerUp, "");
}

TEST(RunwayMatchTest, ParallelRunwaysAndTheThreeUses) {
    // 09L-27R and 09R-27L, 100 m apart.
    const FacilityRunway left =
        gf_makeRunway({.centre = {46.9, 7.2}, .primaryDesignator = 1, .secondaryDesignator = 2});
    const Lalo rightCentre = gf_onRunway(left, 0, 100);
    const FacilityRunway right =
        gf_makeRunway({.centre = rightCentre, .primaryDesignator = 2, .secondaryDesignator = 1});
    const std::vector<FacilityRunway> runways{left, right};
    struct Case {
        double cross; // from 09L's centreline
        double headingDeg;
        const char* end;
        const char* runnerUp;
        bool onCentreline, withThreshold, named;
    };
    const Case cases[] = {
        // The other runway is beyond 75 m: the runner-up is this runway's other end.
        {5, 90, "09L", "09L-27R:27R", true, true, true},
        {40, 90, "09L", "09R-27L:09R", false, true, true},
        {48, 90, "09L", "09R-27L:09R", false, false, false},
        {95, 270, "27L", "09R-27L:09R", true, true, true},
        // 25 degrees off: found, but no use takes it.
        {5, 115, "09L", "09L-27R:27R", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.cross << " " << c.headingDeg);
        const Lalo p = gf_onRunway(left, 300, c.cross);
        const double h = c.headingDeg * kDeg;
        const RunwayMatch m = gf_findRunwayAt(runways, p, h, false, 75);
        ASSERT_EQ(m.valid, 1);
        EXPECT_EQ(m.endDesignator, c.end);
        EXPECT_EQ(m.runnerUp, c.runnerUp);
        EXPECT_EQ(gf_findRunwayOnCentreline(runways, p, h).valid, c.onCentreline ? 1 : 0);
        EXPECT_EQ(gf_findRunwayWithThreshold(runways, p, h).valid, c.withThreshold ? 1 : 0);
        EXPECT_EQ(gf_runwayNameAt(runways, p, h).has_value(), c.named);
        if (c.named) {
            EXPECT_EQ(*gf_runwayNameAt(runways, p, h), c.end);
        }
    }
}

TEST(RunwayMatchTest, DisplacedThresholds) {
    struct Case {
        bool enabled;
        double length;
        bool usable;
        double pastThreshold, available;
    };
    // The aircraft is 1000 m past the start of 09 on a 3000 m runway.
    const Case cases[] = {
        {false, 800, true, 1000, 3000}, {true, 300, true, 700, 2700},
        {true, 1200, true, -200, 1800}, {true, 1201, false, 0, 0},
        {true, 0, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.enabled << " " << c.length);
        FacilityRunway r = gf_makeRunway({.centre = {46.9, 7.2}});
        r.primaryThreshold = {c.length, 45, static_cast<std::uint8_t>(c.enabled ? 1 : 0)};
        const std::vector<FacilityRunway> runways{r};
        const Lalo p = gf_onRunway(r, -500, 0);
        const RunwayMatch m = gf_findRunwayAt(runways, p, 90 * kDeg, false, 75);
        ASSERT_EQ(m.valid, 1);
        EXPECT_EQ(m.distancePastThreshold.has_value(), c.usable);
        EXPECT_EQ(m.availableLength.has_value(), c.usable);
        EXPECT_EQ(gf_findRunwayWithThreshold(runways, p, 90 * kDeg).valid, c.usable ? 1 : 0);
        if (c.usable) {
            EXPECT_NEAR(*m.distancePastThreshold, c.pastThreshold, 0.5);
            EXPECT_NEAR(*m.availableLength, c.available, 1e-9);
        }
    }
}

TEST(RunwayMatchTest, HeadingsAcrossNorthAndARunwayAcrossTheAntimeridian) {
    struct Case {
        const char* name;
        RunwayLayout layout;
        double along, headingDeg;
        const char* end;
        double headingDifferenceDeg;
    };
    const Case cases[] = {
        {"36 at 0.5, flown at 359",
         {.centre = {46.9, 7.2}, .headingDeg = 0.5, .primaryNumber = 36, .secondaryNumber = 18},
         0,
         359,
         "36",
         1.5},
        {"18 at 180.5, flown at 1",
         {.centre = {46.9, 7.2}, .headingDeg = 180.5, .primaryNumber = 18, .secondaryNumber = 36},
         0,
         1,
         "36",
         0.5},
        {"09 across 180", {.centre = {-16.7, 180}}, 1000, 90, "09", 0},
        {"27 across 180", {.centre = {-16.7, -180}}, -1000, 270, "27", 0},
        {"near the pole", {.centre = {89.5, 30}}, 300, 90, "09", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FacilityRunway r = gf_makeRunway(c.layout);
        const std::vector<FacilityRunway> runways{r};
        const Lalo p = gf_onRunway(r, c.along, 2);
        const RunwayMatch m = gf_findRunwayAt(runways, p, c.headingDeg * kDeg, false, 75);
        ASSERT_EQ(m.valid, 1);
        EXPECT_EQ(m.endDesignator, c.end);
        EXPECT_NEAR(m.headingDifferenceDeg, c.headingDifferenceDeg, 0.05);
        EXPECT_NEAR(m.alongOffset, c.along, 1.0);
        EXPECT_NEAR(m.crossOffset, 2, 0.1);
        EXPECT_EQ(gf_runwayNameAt(runways, p, c.headingDeg * kDeg), c.end);
    }
}

TEST(RunwayMatchTest, NearTheAirport) {
    const FacilityRunway r = gf_makeRunway({.centre = {-16.7, 179.99}});
    const std::vector<FacilityRunway> runways{r};
    struct Case {
        Lalo position;
        bool near;
    };
    // Reach: 1500 + 1500 m from the centre, across the antimeridian too.
    const Case cases[] = {
        {gf_onRunway(r, 0, 2990), true},
        {gf_onRunway(r, 0, 3010), false},
        {gf_onRunway(r, 2990, 0), true},
        {gf_onRunway(r, 3010, 0), false},
        {Lalo{0, 0}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_isNearAirport(runways, c.position), c.near)
            << c.position.lat << "," << c.position.lon;
    }
    EXPECT_FALSE(gf_isNearAirport({}, gf_onRunway(r, 0, 0)));
}

} // namespace
} // namespace skyloom
