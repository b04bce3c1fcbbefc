// The touch-down decisions of a live aircraft, one AI position report each: which reports put
// a landing aircraft into its landing roll, which hold it short of the touch-down zone or leave
// it flying, and the altitude each report leaves it at.
#include <atomic>
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/geo_constants.h"
#include "foundation/manual_clock.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event.h"
#include "sim/sim_event_queue.h"
#include "tests/support/traffic_test_world.h"
#include "tests/support/captured_log.h"
#include "tests/traffic/support/runway_fixture.h"
#include "traffic/motion/touch_down.h"
#include "traffic/step/live_update.h"
#include "traffic/step/traffic_state.h"
#include "tests/traffic/support/test_numbers.h"

namespace skyloom {
namespace {

using testing::gf_makeRunway;
using testing::gf_onRunway;
using testing::RunwayLayout;

constexpr double kGroundPitch = 0.0122;

struct Case {
    const char* what;
    FlightPhase phase;
    std::uint8_t onGround;
    std::int32_t flareStage;
    std::int32_t rotationCounter;
    AircraftCategory category;
    double metresFromThreshold; // along the runway, where the aircraft is
    double pitchRad;
    double altitudeFt;
    std::uint32_t simOnGround; // the report's value1
    double groundFt;           // the report's x
    double heightFt;           // the report's y
    FlightPhase phaseAfter;
    std::uint8_t onGroundAfter;
    double altitudeAfterFt;
    std::size_t reverseThrust;
};

TEST(TouchDownTest, AReportDecidesTouchDownHoldOrFlightAndTheAltitude) {
    RunwayLayout layout;
    layout.centre = {47.4647, 8.5492};
    layout.headingDeg = 140;
    layout.length = 3300;
    layout.altitudeFt = 1400;
    const std::vector<FacilityRunway> runways{gf_makeRunway(layout)};
    using P = FlightPhase;
    using C = AircraftCategory;
    const Case cases[] = {
        {"landing, the simulator says on the ground: landing roll, settles from its 2 ft",
         P::landing, 0, 1, 1, C::Large, 400, 0.07, 1410, 1, 1400, 2, P::landing_roll, 1, 1402, 1},
        {"a Light touches down without reverse thrust", P::landing, 0, 1, 1, C::Light, 400, 0.07,
         1410, 1, 1400, 2, P::landing_roll, 1, 1402, 0},
        {"200 m short of the threshold: held 1 ft above the runway", P::landing, 0, 1, 1,
         C::Large, -200, 0.07, 1405, 1, 1400, 2, P::landing, 0, 1409, 0},
        {"flying without a flare: on the ground, not landing", P::flying, 0, 0, 1, C::Large, 400,
         0.07, 1410, 1, 1400, 2, P::flying, 1, 1408, 0},
        {"in take-off: no touch-down", P::takeoff, 0, 0, 1, C::Large, 400, 0.07, 1410, 1, 1400,
         2, P::takeoff, 0, 1410, 0},
        {"flaring within its centre of gravity of the ground: the fallback touch-down",
         P::landing, 0, 1, 1, C::Large, 400, 0.07, 1405, 0, 1400, 2, P::landing_roll, 1, 1408, 1},
        {"flaring 20 ft up without the simulator's word: still landing", P::landing, 0, 1, 1,
         C::Large, 400, 0.07, 1420, 0, 1400, 20, P::landing, 0, 1420, 0},
        {"rotating: the tail arm lifts the centre of gravity", P::takeoff, 0, 0, 5, C::Large, 400,
         0.2, 1420, 0, 1400, 20, P::takeoff, 0, 1408.75, 0},
        {"no ground altitude in the report: the altitude stays", P::landing_roll, 1, 0, 1,
         C::Large, 400, kGroundPitch, 1411, 1, kNaN, kNaN, P::landing_roll, 1, 1411, 0},
    };
    for (const Case& c : cases) {
        testing::TrafficStateParts parts(5000);
        TrafficState& state = parts.state_;
        SimCommandQueue& commands = parts.commands_;
        lf_initTrafficState(state);
        state.motionWorld.runways = runways;
        const Lalo at = gf_onRunway(runways[0], c.metresFromThreshold - 1650, 0);
        TrafficSample sample;
        sample.latitude = at.lat;
        sample.longitude = at.lon;
        sample.altitudeFt = c.altitudeFt;
        sample.airborne = 1;
        AircraftBase base;
        base.hexid = 0x4B1234;
        base.callsign = "SWR12";
        base.category = c.category;
        base.cgHeightFt = 8;
        base.groundPitchRad = kGroundPitch;
        base.halfWingspanNm = 0.0028;
        base.touchDownTicks = 300;
        LiveAircraft a(sample, std::move(base), 0.0, 0);
        a.objectId = 7;
        a.simState = SimState::active;
        a.phase.phase = c.phase;
        a.motion.onGround = c.onGround;
        a.motion.rotationCounter = c.rotationCounter;
        a.step.touchDownStage = c.flareStage;
        a.sent.latitude = at.lat;
        a.sent.longitude = at.lon;
        a.sent.headingRad = 140 * geo::kRadiansPerDegree;
        a.sent.pitchRad = c.pitchRad;
        a.sent.altitudeFt = c.altitudeFt;
        testing::CapturedLog log;
        SimEvent report{7, c.simOnGround, 0, SimEventKind::aiPositionReport, c.groundFt,
                        c.heightFt};
        lf_onAiPositionReport(state, a, report);
        SCOPED_TRACE(c.what);
        EXPECT_EQ(a.phase.phase, c.phaseAfter);
        EXPECT_EQ(a.motion.onGround, c.onGroundAfter);
        EXPECT_NEAR(a.sent.altitudeFt, c.altitudeAfterFt, 0.01);
        SimCommandBatch batch;
        commands.takeAll(batch);
        EXPECT_EQ(batch.reverseThrust.size(), c.reverseThrust);
        const bool touchedDown = c.phaseAfter == P::landing_roll && c.phase == P::landing;
        // The report goes to the status line (logged there) or, without flight messages, to
        // the log.
        bool logged = false;
        for (const std::string& line : log.lines()) {
            logged = logged || line.find("touch down at ?") != std::string::npos;
        }
        for (const auto& status : parts.world_.window.payloads<GuiUpdate::StatusText>()) {
            logged = logged || (status.log && status.text.find("touch down at ?") !=
                                                  std::string::npos);
        }
        EXPECT_EQ(logged, touchedDown);
        if (touchedDown) {
            EXPECT_EQ(a.step.ground.touchDownHeadingSet, 1);
            EXPECT_EQ(a.touchDown.seen, 1);
            EXPECT_EQ(a.stream.back().airborne, 0) << "the samples are on the runway now";
        }
    }
}

} // namespace
} // namespace skyloom
