// Plausibility tests of samples: jump speeds by category, slow take-off segments, the climb
// floor, the lift-off window, three-sighting confirmation and the steeper final descent.
#include "traffic/decode/sample_checks.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/traffic/support/test_numbers.h"

namespace skyloom {
namespace {


TEST(SampleChecksTest, JumpSpeedByCategory) {
    struct Case {
        double distance, time, speedA, speedB;
        AircraftCategory category;
        double minimumTime, requiredSpeed;
        bool implausible;
    };
    const Case cases[] = {
        // 2 x 50 kt is below the Light floor of 180 kt.
        {1000, 5, 50, 50, AircraftCategory::Light, 10.799136069114471, 388.76889848812093, true},
        {1000, 11, 50, 50, AircraftCategory::Light, 10.799136069114471, 176.7131356764186, false},
        // 2 x 300 kt lies between the Large bounds 360 and 700.
        {1000, 5, 300, 250, AircraftCategory::Large, 3.2397408207343412, 388.76889848812093, false},
        {1000, 2, 300, 250, AircraftCategory::Large, 3.2397408207343412, 971.92224622030232, true},
        {1000, 1, 0, 0, AircraftCategory::HighPerf, 2.1598272138228943, 1943.8444924406046, true},
        // 2 x 150 kt is above the Rotorcraft ceiling of 220 kt.
        {1000, 5, 150, 150, AircraftCategory::Rotorcraft, 8.8356567838209300, 388.76889848812093,
         true},
        {0, 5, 100, 100, AircraftCategory::Large, 0, 0, false},
        {100, 0, 100, 100, AircraftCategory::Large, 0.5399568034557235, kInf, true},
        {0, 0, 100, 100, AircraftCategory::Large, 0, 0, false},
        // Within a metre a jump is never implausible.
        {1, 0, 0, 0, AircraftCategory::Large, 0.0053995680345572354, kInf, false},
        {-100, kNaN, kNaN, -5, AircraftCategory::Large, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.distance << " m in " << c.time << " s");
        const JumpCheck j = gf_checkJumpSpeed(c.distance, c.time, c.speedA, c.speedB, c.category);
        EXPECT_NEAR(j.minimumTime, c.minimumTime, 1e-9);
        if (std::isinf(c.requiredSpeed)) {
            EXPECT_TRUE(std::isinf(j.requiredSpeed));
        } else {
            EXPECT_NEAR(j.requiredSpeed, c.requiredSpeed, 1e-9);
        }
        EXPECT_EQ(j.implausible, c.implausible);
    }
}

TEST(SampleChecksTest, SlowSegmentFloorAndWindow) {
    struct Slow {
        double distance, time, reference;
        bool slow;
    };
    const Slow slows[] = {
        {1000, 30, 150, true},  {1000, 30, 300, true},  {1500, 30, 140, false},
        {2000, 30, 150, false}, {1000, 30, 119, false}, {1000, 4.9, 150, false},
        {1, 30, 150, false},    {kNaN, 30, 150, false}, {1000, kInf, 150, false},
    };
    for (const Slow& c : slows) {
        EXPECT_EQ(gf_isSlowSegment(c.distance, c.time, c.reference), c.slow)
            << c.distance << " " << c.time << " " << c.reference;
    }
    struct Floor {
        HeightSpeedFloor floor;
        bool holds;
    };
    const Floor floors[] = {
        {{400, 500, 50, 1}, true},  {{399, 500, 50, 1}, false},  {{400, 500, 49, 1}, false},
        {{400, 500, 50, 0}, false}, {{kNaN, 500, 50, 1}, false}, {{400, kInf, 50, 1}, false},
    };
    for (const Floor& c : floors) {
        EXPECT_EQ(gf_meetsHeightSpeedFloor(c.floor), c.holds)
            << c.floor.height1 << " " << c.floor.height2 << " " << c.floor.speed;
    }
    struct Window {
        ProfileWindow window;
        bool passes;
    };
    const Window windows[] = {
        {{100, 200, kNaN, 2000, 10, 5, 300}, true}, // the unread value may be anything
        {{100, 200, 0, 1000, 10, 5, 300}, false},   {{100, 200, 0, 2000, 4, 5, 300}, false},
        {{100, 200, 0, 2000, 5, 5, 300}, true},     {{100, 200, 0, 2000, 10, 5, 0}, false},
        {{200, 200, 0, 2000, 10, 5, 300}, false},   {{-500, -301, 0, 2000, 10, 5, 300}, false},
        {{-500, -300, 0, 2000, 10, 5, 300}, true},  {{100, kInf, 0, 2000, 10, 5, 300}, false},
    };
    for (const Window& c : windows) {
        EXPECT_EQ(gf_checkProfileWindow(c.window), c.passes)
            << c.window.a << " " << c.window.b << " span " << c.window.span;
    }
}

TEST(SampleChecksTest, ChangeConfirmedAtTheThirdSightingInARow) {
    struct Step {
        const char* seen;
        bool confirmed;
        int count;
    };
    const std::vector<Step> steps = {
        {"DAL12", false, 1},
        {"DAL12", false, 2},
        {"DAL12", true, 0},
        // Interrupted by the old text: starts again.
        {"DAL12", false, 1},
        {"DAL1", false, 0},
        {"DAL12", false, 1},
        // Another candidate replaces the first; an empty text clears.
        {"DAL99", false, 1},
        {"", false, 0},
        {"DAL99", false, 1},
        {"DAL99", false, 2},
        {"DAL99", true, 0},
    };
    PendingChange pending;
    for (const Step& s : steps) {
        EXPECT_EQ(gf_confirmChange("DAL1", s.seen, pending), s.confirmed) << s.seen;
        EXPECT_EQ(pending.count, s.count) << s.seen;
    }
}

TEST(SampleChecksTest, FinalDescentSteepenedOnlyWhenThePresentRateMissesTheWindow) {
    struct Case {
        const char* name;
        FinalDescentRequest request;
        FinalDescent expected;
    };
    // 200 ft to lose over 3000 m at 140 kt (72 m/s); the window is the first 1000 m.
    const FinalDescentRequest base{-300, 200, 0, 0, 3000, 140, {}};
    auto with = [&](auto change) {
        FinalDescentRequest r = base;
        change(r);
        return r;
    };
    const Case cases[] = {
        // At -300 fpm the height goes in 40 s, 2881 m: too late. Aim at 600 m: -1440 fpm,
        // held to -1200.
        {"too shallow", base, {-1200, 600, true}},
        {"steep enough", with([](auto& r) { r.verticalSpeed = -1500; }), {-1500, 0, false}},
        // Level flight and a climb never lose the height before the window ends.
        {"level", with([](auto& r) { r.verticalSpeed = 0; }), {-1200, 600, true}},
        {"climbing", with([](auto& r) { r.verticalSpeed = 200; }), {-1200, 600, true}},
        {"gentle aim",
         with([](auto& r) {
             r.heightA = 20;
             r.verticalSpeed = -50;
         }),
         {-144.04444444444445, 600, true}},
        // Aim at 100 m beyond the window's end: not steeper than -500.
        {"not steeper",
         with([](auto& r) {
             r.heightA = 10;
             r.verticalSpeed = -500;
             r.totalDistance = 240;
         }),
         {-500, 0, false}},
        {"too high", with([](auto& r) { r.heightA = 251; }), {-300, 0, false}},
        {"too low", with([](auto& r) { r.heightA = 1; }), {-300, 0, false}},
        {"no room", with([](auto& r) { r.distanceFlown = 2950; }), {-300, 0, false}},
        {"climbing away",
         with([](auto& r) {
             r.floor = {500, 600, 80, 1};
         }),
         {-300, 0, false}},
        // 20 kt counts as 40 kt (20.6 m/s): 200 ft over 600 m at -411.6 fpm.
        {"slow is 40 kt",
         with([](auto& r) {
             r.speedKt = 20;
             r.verticalSpeed = -100;
         }),
         {-411.55555555555560, 600, true}},
        {"not finite", with([](auto& r) { r.verticalSpeed = kNaN; }), {kNaN, 0, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FinalDescent d = gf_steepenFinalDescent(c.request);
        if (std::isnan(c.expected.verticalSpeed)) {
            EXPECT_TRUE(std::isnan(d.verticalSpeed));
        } else {
            EXPECT_NEAR(d.verticalSpeed, c.expected.verticalSpeed, 1e-9);
        }
        EXPECT_DOUBLE_EQ(d.aimDistance, c.expected.aimDistance);
        EXPECT_EQ(d.changed, c.expected.changed);
    }
}

} // namespace
} // namespace skyloom
