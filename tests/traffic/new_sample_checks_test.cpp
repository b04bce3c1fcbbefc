// A new sample of a known live aircraft, by phase: at the stand (push back, taxi out, gone),
// leaving a stand while parking, during the landing roll and in flight while extrapolating.
#include <atomic>
#include <cmath>

#include <gtest/gtest.h>

#include "foundation/manual_clock.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "tests/support/log_capture.h"
#include "tests/support/traffic_test_world.h"
#include "traffic/decode/new_sample_checks.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {
namespace {

constexpr double kDegPerMetre = 1.0 / 111195.0; // along a meridian of the great-circle earth
constexpr Lalo kCheckedStand{52.0, 4.0};

TrafficSample sampleNorthOf(double metres) {
    TrafficSample s;
    s.latitude = kCheckedStand.lat + metres * kDegPerMetre;
    s.longitude = kCheckedStand.lon;
    return s;
}

class NewSampleChecks : public ::testing::Test, protected testing::TrafficStateParts {
protected:
    NewSampleChecks() : TrafficStateParts(1000) { lf_initTrafficState(state_); }

    // An active aircraft on a stand that faces north, in `phase`, with one sample at the stand.
    LiveAircraft& aircraftIn(FlightPhase phase, AircraftCategory category, bool gate) {
        AircraftBase base;
        base.hexid = 20001;
        base.callsign = "KLM1";
        base.category = category;
        LiveAircraft& a = state_.liveAircraft.emplace_back(sampleNorthOf(0), base, 0.0, 0);
        a.simState = SimState::active;
        a.objectId = 5;
        a.phase.phase = phase;
        a.stand.latitude = kCheckedStand.lat;
        a.stand.longitude = kCheckedStand.lon;
        a.stand.standId = 1;
        a.stand.atGate = gate ? 1 : 0;
        a.sent.latitude = kCheckedStand.lat;
        a.sent.longitude = kCheckedStand.lon;
        return a;
    }

    testing::LogCapture log_;
};

TEST_F(NewSampleChecks, AParkedAircraftPushesBackTaxisOutOrHasGone) {
    struct Case {
        double north; // metres from the stand, negative behind
        AircraftCategory category;
        bool gate;
        bool accepted;
        std::uint8_t pushbackRequest;
        std::uint8_t noseOut;
        SimState simState;
    };
    for (const Case& c : {
             Case{-250, AircraftCategory::Large, false, true, 1, 0, SimState::active},
             Case{-270, AircraftCategory::Large, false, false, 0, 0, SimState::removingfromsim},
             Case{-2 * 1852, AircraftCategory::Large, false, false, 0, 0,
                  SimState::removingfromsim},
             Case{260, AircraftCategory::Heavy, true, true, 1, 1, SimState::active},
             Case{240, AircraftCategory::Heavy, true, false, 0, 0, SimState::active},
             Case{50, AircraftCategory::Large, false, false, 0, 0, SimState::active},
         }) {
        state_.liveAircraft.clear();
        LiveAircraft& a = aircraftIn(FlightPhase::parked, c.category, c.gate);
        TrafficSample sample = sampleNorthOf(c.north);
        EXPECT_EQ(checkExtendingSituations(state_, a, sample), c.accepted) << c.north;
        EXPECT_EQ(a.sampleWatch.pushbackRequest, c.pushbackRequest) << c.north;
        EXPECT_EQ(a.sampleWatch.noseOut, c.noseOut) << c.north;
        EXPECT_EQ(a.simState, c.simState) << c.north;
        EXPECT_EQ(a.standWatch.seenAtStand, 1);
    }
}

TEST_F(NewSampleChecks, AnAircraftParkingThatShowsUpFarFromItsStandTaxis) {
    LiveAircraft& a = aircraftIn(FlightPhase::parking, AircraftCategory::Large, false);
    TrafficSample near = sampleNorthOf(150);
    EXPECT_FALSE(checkExtendingSituations(state_, a, near));
    TrafficSample far = sampleNorthOf(250);
    far.stationary = 1;
    EXPECT_TRUE(checkExtendingSituations(state_, a, far));
    EXPECT_EQ(a.phase.phase, FlightPhase::taxi);
    EXPECT_EQ(a.phase.previous, FlightPhase::parking);
    EXPECT_EQ(far.stationary, 0);
}

TEST_F(NewSampleChecks, ASampleBehindTheLandingRollRestartsTheStreamUnlessExtrapolating) {
    for (const int extrapolating : {0, 1}) {
        state_.liveAircraft.clear();
        LiveAircraft& a = aircraftIn(FlightPhase::landing_roll, AircraftCategory::Large, false);
        a.stream.front() = sampleNorthOf(100);
        a.sent.latitude = kCheckedStand.lat + 120 * kDegPerMetre;
        a.motion.extrapolationCounter = extrapolating;
        TrafficSample behind = sampleNorthOf(88);
        EXPECT_EQ(checkExtendingSituations(state_, a, behind), extrapolating == 0);
        if (extrapolating == 0) {
            EXPECT_DOUBLE_EQ(a.stream.front().latitude, a.sent.latitude) << "at the aircraft";
            EXPECT_EQ(a.stream.front().time, 1001);
        }
    }
}

TEST_F(NewSampleChecks, AnExtrapolatedFlightDropsASampleBehindItOnlyWhenAirborne) {
    for (const std::uint8_t onGround : {0, 1}) {
        state_.liveAircraft.clear();
        LiveAircraft& a = aircraftIn(FlightPhase::flying, AircraftCategory::Large, false);
        a.motion.extrapolationCounter = 3;
        a.motion.onGround = onGround;
        TrafficSample behind = sampleNorthOf(-60);
        EXPECT_EQ(checkExtendingSituations(state_, a, behind), onGround == 1);
        EXPECT_EQ(a.motion.extrapolationCounter, onGround == 1 ? 0 : 3);
    }
}

// In flight (no extrapolation running) a report behind the newest one along the direction of
// flight would make the aircraft fly backwards to it: it is refused, where the newest sample's
// reported track agrees with the positions, unless the aircraft reaches it by one turn at a
// rate its category flies (a glider circling); a report far off to the side is taken, and a
// rotorcraft may back up. While the aircraft extrapolates (the newest sample extrapolated
// ahead of it, 1300 m past its last report taken), a report behind the aircraft itself is
// refused: one on the way it flew on came late, and one off it is taken only where the
// aircraft reaches it from its last report taken by such a turn (the refusals of those that
// it does not reach are counted for the removal's reason).
TEST_F(NewSampleChecks, AReportBehindTheNewestInFlightIsRefused) {
    constexpr double kNm = 1852.0;
    struct Case {
        const char* name;
        double northMetres, eastMetres; // of the new report from the newest sample
        double seconds;                 // after the newest
        double speedKt;                 // reported by both
        double newestTrackDeg;
        AircraftCategory category;
        std::uint8_t onGround;
        bool accepted;
        std::int32_t extrapolationSteps = 0;
        bool outOfReach = false;
    };
    const Case cases[] = {
        {"one NM behind", -kNm, 0, 10, 250, 0, AircraftCategory::Large, 0, false},
        {"60 m behind", -60, 0, 10, 250, 0, AircraftCategory::Large, 0, false},
        {"40 m behind", -40, 0, 10, 250, 0, AircraftCategory::Large, 0, true},
        {"ahead", 1300, 0, 10, 250, 0, AircraftCategory::Large, 0, true},
        {"far to the side", 100, -10 * kNm, 10, 250, 0, AircraftCategory::Large, 0, true},
        // 210 degrees round a 150 m circle to the right in 10.5 s (20 degrees a second).
        {"a glider round its circle", -75, 280, 10.5, 102, 0, AircraftCategory::Light, 0, true},
        {"an airliner as far round", -75, 280, 10.5, 102, 0, AircraftCategory::Large, 0, false},
        {"a glider round it in 2 s", -75, 280, 2, 102, 0, AircraftCategory::Light, 0, false},
        // The newest's track and the positions disagree (a feed without tracks): no check.
        {"track not the positions'", -kNm, 0, 10, 250, 180, AircraftCategory::Large, 0, true},
        {"rotorcraft", -kNm, 0, 10, 250, 0, AircraftCategory::Rotorcraft, 0, true},
        {"on the ground", -kNm, 0, 10, 250, 0, AircraftCategory::Large, 1, true},
        // The aircraft, extrapolating, stands 1300 m short of the newest sample and as far past
        // its last report taken.
        {"60 m behind, extrapolating", -60, 0, 10, 250, 0, AircraftCategory::Large, 0, true, 3},
        // Sent 10 s after its last report taken and come late: the aircraft flew past it
        // (straight on from that report it is reached, and an arrival turned back to it).
        {"on the way flown on, extrapolating", -kNm, 0, 10, 250, 0, AircraftCategory::Large, 0,
         false, 3},
        // A helicopter reported 100 m on its way 40 s after its last report taken: it did not
        // fly on (it hovered), and the extrapolation ends.
        {"near its last report long after, extrapolating", -2500, 0, 40, 50, 0,
         AircraftCategory::Rotorcraft, 0, true, 3},
        {"far behind to the side, extrapolating", -1300 - kNm, -kNm, 10, 250, 0,
         AircraftCategory::Large, 0, false, 3, true},
        // A light aircraft that turned back in a 40 s gap of its reports: it reaches the report
        // from its last one taken by a turn its category flies, and the extrapolation ends.
        {"turned back in a gap, extrapolating", -2600, -400, 40, 100, 0, AircraftCategory::Light, 0,
         true, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state_.liveAircraft.clear();
        LiveAircraft& a = aircraftIn(FlightPhase::flying, c.category, false);
        a.motion.onGround = c.onGround;
        a.motion.extrapolationCounter = c.extrapolationSteps;
        // Flying north: the sample reached 1300 m behind the newest one.
        a.stream.front() = sampleNorthOf(0);
        TrafficSample newest = sampleNorthOf(1300);
        newest.trackDeg = c.newestTrackDeg;
        for (TrafficSample* s : {&a.stream.front(), &newest}) {
            s->airborne = 1;
            s->altitudeFt = 9000;
            s->groundSpeedKt = c.speedKt;
        }
        a.stream.push_back(newest);
        // As the decoder leaves the record: the newest report taken, and the new one's time.
        const TrafficSample taken = c.extrapolationSteps > 0 ? sampleNorthOf(-1300) : newest;
        a.takenReport = {taken.latitude, taken.longitude};
        a.takenReportTime = 1000.0;
        a.takenReportTrackDeg = newest.trackDeg;
        a.takenReportSpeedKt = newest.groundSpeedKt;
        a.lastSampleTime = 1000.0 + c.seconds;
        TrafficSample report = sampleNorthOf(1300 + c.northMetres);
        report.longitude += c.eastMetres * kDegPerMetre / std::cos(report.latitude * 0.0174533);
        report.airborne = 1;
        report.altitudeFt = 9000;
        report.groundSpeedKt = c.speedKt;
        EXPECT_EQ(checkExtendingSituations(state_, a, report), c.accepted);
        EXPECT_EQ(a.sampleWatch.behindWhileExtrapolating, c.outOfReach ? 1 : 0);
    }
}

} // namespace
} // namespace skyloom
