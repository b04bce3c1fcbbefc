// The ground motion's decisions, each alone: the ground turn factor by speed, a step between
// two samples at one place, the pushback's cancellation for a stand that is not there, the
// approach samples onto a stand, and the line-up of an aircraft standing on a runway.
#include <atomic>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/manual_clock.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "tests/support/captured_log.h"
#include "tests/traffic/support/runway_fixture.h"
#include "tests/support/traffic_test_world.h"
#include "traffic/motion/flat_earth.h"
#include "traffic/ground/ground_step.h"
#include "traffic/ground/path_pace.h"
#include "traffic/ground/pushback.h"
#include "traffic/ground/line_up.h"
#include "traffic/motion/motion_common.h"
#include "traffic/step/traffic_state.h"
#include "tests/traffic/support/test_numbers.h"

namespace skyloom {
namespace {

const Lalo kStand{47.30, 8.20};

TEST(GroundTurnFactorTest, FallsFromOnePointTwoWhenSlowToZeroPointSixWhenFast) {
    const struct {
        double kt;
        double factor;
    } cases[] = {{0, 1.2},   {8, 1.2},  {11.5, 1.1}, {15, 1.0}, {20, 1.0},
                 {25, 0.8},  {30, 0.6}, {60, 0.6},
                 {std::numeric_limits<double>::quiet_NaN(), 1.0}};
    for (const auto& c : cases) {
        EXPECT_NEAR(lf_turnFactorBySpeed(c.kt), c.factor, 1e-12) << c.kt << " kt";
    }
}

class GroundStepTest : public ::testing::Test, protected testing::TrafficStateParts {
protected:
    GroundStepTest() : TrafficStateParts(1000) { lf_initTrafficState(state_); }

    MotionContext context(FlightPhase phase, std::vector<TrafficSample> samples,
                          double headingDeg) {
        AircraftBase base;
        base.hexid = 20001;
        base.callsign = "DLH4AB";
        base.category = AircraftCategory::Large;
        base.headingRateRadPerTick = 0.07 * kDeg;
        base.workingHeadingRateRadPerTick = base.headingRateRadPerTick;
        base.pushbackSpeedKt = 4.0;
        LiveAircraft a(samples.front(), std::move(base), 0.0, 0);
        a.stream.assign(samples.begin(), samples.end());
        a.phase.phase = phase;
        a.motion.onGround = 1;
        a.sent.latitude = samples.front().latitude;
        a.sent.longitude = samples.front().longitude;
        a.sent.headingRad = headingDeg * kDeg;
        state_.liveAircraft.push_back(std::move(a));
        return MotionContext{state_, state_.liveAircraft.back(), state_.motionWorld};
    }
    static TrafficSample at(const Lalo& p, double speedKt, std::int32_t time) {
        TrafficSample s;
        s.latitude = p.lat;
        s.longitude = p.lon;
        s.groundSpeedKt = speedKt;
        s.time = time;
        return s;
    }

};

TEST_F(GroundStepTest, TwoSamplesAtOnePlaceTakeTheShortestStepNotADivisionByZero) {
    // The feed repeats a standing aircraft's position with a speed of 0: the step's length by
    // its speed is the shortest step, and the turn's rate over it finite. On the ground the
    // report is reached when it is due.
    MotionContext ctx = context(FlightPhase::taxi, {at(kStand, 0, 1000), at(kStand, 0, 1500)}, 90);
    ctx.aircraft.step.ground.turnInPlace = 1;
    ctx.aircraft.step.ground.turnAngleDeg = 30;
    lf_timeGroundStep(ctx);
    EXPECT_TRUE(std::isfinite(ctx.aircraft.base.workingHeadingRateRadPerTick));
    EXPECT_GT(ctx.aircraft.base.workingHeadingRateRadPerTick, 0.0);
    EXPECT_EQ(ctx.aircraft.stream[1].time, 1500);
}

TEST_F(GroundStepTest, APushbackFromAStandThatIsNotThereIsCancelledAndTheAircraftStays) {
    testing::CapturedLog log;
    // Stand 3 has no radius; there is no stand 0.
    world_.setStands({testing::gf_testStand(1, "A1", kStand), testing::gf_testStand(2, "A2", kStand),
                      testing::gf_testStand(3, "A3", kStand, 0.0, 0.0)});
    for (std::uint32_t standId : {0u, 3u}) {
        MotionContext ctx = context(FlightPhase::parked, {at(kStand, 0, 1000)}, 0);
        ctx.aircraft.stand.standId = standId;
        ctx.aircraft.sampleWatch.pushbackRequest = 1;
        initiatePushBack(ctx);
        EXPECT_EQ(ctx.aircraft.sampleWatch.pushbackRequest, 0);
        EXPECT_EQ(ctx.aircraft.phase.phase, FlightPhase::parked);
        EXPECT_EQ(ctx.aircraft.stream.size(), 1u);
    }
    EXPECT_TRUE(log.has("==> initiatePushBack cancelled pushback, invalid stand radius for stand "
                        "sid==0?, callsign DLH4AB"));
    EXPECT_TRUE(log.has("==> initiatePushBack cancelled pushback, invalid stand radius for stand "
                        "A3, callsign DLH4AB"));
}

TEST_F(GroundStepTest, NearlyOnItsStandAnAircraftParksAtOnceAndFromFurtherOffItIsLedIn) {
    const struct {
        const char* name;
        double along; // m from the stand along its heading (north)
        double headingDeg;
        std::size_t samples; // after the drive: present, [lead-in], [stand], stop
    } cases[] = {{"5 m in front, 6 degrees off", 5, 6, 2},
                 {"20 m behind", -20, 0, 4},
                 {"10 m behind, lined up", -10, 0, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Lalo here = gf_destination(kStand, c.along >= 0 ? 0 : std::acos(-1.0),
                                         std::abs(c.along) * geo::kFeetPerMetre);
        MotionContext ctx = context(FlightPhase::parking, {at(here, 3, 1000)}, c.headingDeg);
        drive2Stand(ctx, StandPose{kStand.lat, kStand.lon, 0.0});
        const auto& s = ctx.aircraft.stream;
        ASSERT_EQ(s.size(), c.samples);
        EXPECT_EQ(s.back().stationary, 1);
        EXPECT_EQ(s.back().time, s[s.size() - 2].time + 50);
        if (c.samples == 4) {
            EXPECT_NEAR(gf_distanceNM(lf_position(ctx.aircraft), {s[1].latitude, s[1].longitude}) *
                            1852,
                        10.0, 0.1);
        }
    }
}

TEST_F(GroundStepTest, StandingStillAtTheRunwayStartArmsTheTakeoffCheckButNotFarDownIt) {
    const FacilityRunway runway = testing::gf_makeRunway({.centre = kStand});
    state_.motionWorld.runways = {&runway, 1};
    const struct {
        const char* name;
        double along;
        bool armed;
    } cases[] = {{"at the start of 09", -1400, true}, {"10 m before the end of 09, past the start window", 1490, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tick_ = 1000;
        const Lalo here = testing::gf_onRunway(runway, c.along, 0);
        MotionContext ctx = context(FlightPhase::taxi, {at(here, 0, 1000)}, 80);
        for (int t = 0; t < 800; ++t, ++tick_) {
            lf_trackLineUp(ctx);
        }
        EXPECT_EQ(ctx.aircraft.step.takeoffCheckPending, c.armed ? 1 : 0);
        if (c.armed) {
            EXPECT_EQ(ctx.aircraft.step.runwayStart, "09-27:09");
            EXPECT_NEAR(gf_wrapAngle(ctx.aircraft.sent.headingRad - 90 * kDeg), 0, 0.1 * kDeg)
                << "turned onto the runway heading";
        }
    }
}

} // namespace
} // namespace skyloom
