// The web API's query areas: boxes around a point (antimeridian, poles, rounding), following
// the user, the radius changing, the parked area and the reference altitude.
#include "feed/rtapi_query_area.h"

#include <gtest/gtest.h>

#include "feed/rtapi_time_shift.h"
#include "foundation/program_clock.h"

namespace skyloom {
namespace {

TEST(RtApiQueryAreaTest, BoxesHoldTheCircleRoundedOutward) {
    struct Case {
        Lalo centre;
        double radiusNm;
        RtApiBox box;
    };
    const Case cases[] = {
        // 60 NM is one degree of latitude; near the equator about one of longitude too.
        {{0.5, 10.0}, 60.0, {1.5, -0.5, 8.99, 11.01}},
        // At 60 degrees a degree of longitude is half as long (the box's widest latitude
        // decides: 61 degrees).
        {{60.0, 10.0}, 60.0, {61.0, 59.0, 7.93, 12.07}},
        {{51.2895, 6.7668}, 30.0, {51.79, 50.78, 5.95, 7.58}},
        // Across the antimeridian the west edge lies east of the east edge.
        {{10.0, 179.9}, 60.0, {11.0, 9.0, 178.88, -179.08}},
        {{-10.0, -179.5}, 60.0, {-9.0, -11.0, 179.48, -178.48}},
        // Near a pole the box takes every longitude.
        {{89.5, 20.0}, 60.0, {90.0, 88.5, -180.0, 180.0}},
        {{-89.9, 0.0}, 6.0, {-89.8, -90.0, -180.0, 180.0}},
    };
    for (const Case& c : cases) {
        const RtApiBox box = gf_rtApiBoxAround(c.centre, c.radiusNm);
        EXPECT_NEAR(box.top, c.box.top, 1e-9) << c.centre.lat << "," << c.centre.lon;
        EXPECT_NEAR(box.bottom, c.box.bottom, 1e-9) << c.centre.lat << "," << c.centre.lon;
        EXPECT_NEAR(box.left, c.box.left, 1e-9) << c.centre.lat << "," << c.centre.lon;
        EXPECT_NEAR(box.right, c.box.right, 1e-9) << c.centre.lat << "," << c.centre.lon;
        EXPECT_TRUE(box.holds(c.centre));
    }
}

TEST(RtApiQueryAreaTest, ABoxAcrossTheAntimeridianHoldsBothSides) {
    const RtApiBox box{11.0, 9.0, 179.0, -179.0};
    EXPECT_TRUE(box.holds({10.0, 179.5}));
    EXPECT_TRUE(box.holds({10.0, -179.5}));
    EXPECT_TRUE(box.holds({10.0, 180.0}));
    EXPECT_FALSE(box.holds({10.0, 0.0}));
    EXPECT_FALSE(box.holds({12.0, 179.5}));
    const RtApiBox plain{11.0, 9.0, -1.0, 1.0};
    EXPECT_TRUE(plain.holds({9.0, -1.0}));
    EXPECT_FALSE(plain.holds({10.0, 1.01}));
}

TEST(RtApiQueryAreaTest, TheAreaFollowsTheUserByAQuarterOfTheRadius) {
    RtApiQueryArea area;
    bool jumped = false;
    EXPECT_FALSE(area.trafficArea({0.0, 0.0}, 40.0).has_value()); // never-set position
    EXPECT_FALSE(area.trafficArea({51.0, 7.0}, 0.0).has_value());
    EXPECT_FALSE(area.currentTrafficArea().has_value());

    const auto first = area.trafficArea({51.0, 7.0}, 40.0, &jumped);
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(jumped);
    // 9 NM north: less than a quarter of 40 NM, the area stays.
    const auto near = area.trafficArea({51.15, 7.0}, 40.0, &jumped);
    EXPECT_EQ(near->centre, (Lalo{51.0, 7.0}));
    EXPECT_FALSE(jumped);
    // 12 NM: a new area, no jump.
    const auto moved = area.trafficArea({51.2, 7.0}, 40.0, &jumped);
    EXPECT_EQ(moved->centre, (Lalo{51.2, 7.0}));
    EXPECT_FALSE(jumped);
    // 120 NM: a jump.
    area.trafficArea({53.2, 7.0}, 40.0, &jumped);
    EXPECT_TRUE(jumped);
    // A new radius makes a new area at once.
    const auto wider = area.trafficArea({53.21, 7.0}, 80.0, &jumped);
    EXPECT_EQ(wider->radiusNm, 80.0);
    EXPECT_EQ(wider->centre, (Lalo{53.21, 7.0}));
    // And so does an explicit update.
    area.invalidate();
    EXPECT_EQ(area.trafficArea({53.22, 7.0}, 80.0)->centre, (Lalo{53.22, 7.0}));
}

TEST(RtApiQueryAreaTest, TheResetClearsTheAreasButNotTheReference) {
    RtApiQueryArea area;
    area.trafficArea({51.0, 7.0}, 40.0);
    area.setParkedArea(RtApiBox{1, 0, 0, 1});
    area.setReference(147.0);
    area.clear();
    EXPECT_FALSE(area.currentTrafficArea().has_value());
    EXPECT_FALSE(area.parkedArea().has_value());
    EXPECT_EQ(area.reference(), 147.0);
    area.setReference(std::nullopt);
    EXPECT_FALSE(area.reference().has_value());
}

TEST(RtApiQueryAreaTest, ProgramWideReferenceGoesToTheReadersArea) {
    gf_setRtApiReference(123.0);
    EXPECT_EQ(gf_rtApiQueryArea().reference(), 123.0);
    gf_setRtApiReference(std::nullopt);
    EXPECT_FALSE(gf_rtApiQueryArea().reference().has_value());
}

TEST(RtApiTimeShiftTest, BothCopiesTakeTheShiftWithinTwoWeeks) {
    for (const auto& [minutes, stored] :
         {std::pair{0, 0}, std::pair{90, 90}, std::pair{20160, 20160}, std::pair{30000, 20160},
          std::pair{-5, 0}}) {
        gf_setRtApiTimeShift(minutes);
        EXPECT_EQ(g_rtApiTrafficTimeShiftMinutes.load(), stored) << minutes;
        EXPECT_EQ(g_rtApiMetarTimeShiftMinutes.load(), stored) << minutes;
    }
    g_timeShiftMinutes.store(600);
    g_timeShiftActive.store(false);
    gf_adoptProgramTimeShift();
    EXPECT_EQ(g_rtApiTrafficTimeShiftMinutes.load(), 0);
    g_timeShiftActive.store(true);
    gf_adoptProgramTimeShift();
    EXPECT_EQ(g_rtApiMetarTimeShiftMinutes.load(), 600);
    g_timeShiftActive.store(false);
    g_timeShiftMinutes.store(0);
    gf_setRtApiTimeShift(0);
}

} // namespace
} // namespace skyloom
