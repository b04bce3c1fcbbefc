// The collision checks against the user and parked aircraft, and ghosts: the corridor ahead of a
// user on the ground, the air check's mode, the user's size term from the starter data, which
// taxiing aircraft the live-vs-parked check looks at, parked versions of live flights, and a
// ghost that gives way to its flight and is gone once the simulator confirms.
#include <atomic>
#include <cmath>
#include <numbers>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fmt/format.h>

#include "foundation/geodesy.h"
#include "foundation/manual_clock.h"
#include "refdata/airport_file.h"
#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "refdata/dbase_lookups.h"
#include "runtime/user_aircraft.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "tests/support/log_capture.h"
#include "tests/support/shared_data.h"
#include "tests/support/traffic_test_world.h"
#include "traffic/removals/ghosts.h"
#include "traffic/removals/parked_collisions.h"
#include "traffic/step/traffic_state.h"
#include "traffic/step/traffic_step.h"
#include "traffic/removals/user_collisions.h"

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr double kRad = std::numbers::pi / 180.0;
constexpr double kFtPerM = 3.280839895;

class CollisionChecksTest : public ::testing::Test, protected testing::TrafficStateParts {
protected:
    CollisionChecksTest() {
        lf_initTrafficState(state_);
    }

    // An active static aircraft with its flights, registration, RealTraffic hexid and source,
    // on stand `sid` at `at`; its object id is 500 + its place in the list.
    StaticAircraft& addStatic(std::string callsign, std::string first, std::string second,
                              std::string registration, std::uint32_t rtHexid,
                              std::uint32_t source, const Lalo& at = {}, std::int32_t sid = 3) {
        StaticAircraft& a = state_.staticAircraft.emplace_back();
        a.base.callsign = std::move(callsign);
        a.base.displayCallsign = std::move(first);
        a.base.thirdText = std::move(second);
        a.base.registration = std::move(registration);
        a.base.category = AircraftCategory::Large;
        a.base.conflictRadiusNm = 0.01;
        a.rtHexid = rtHexid;
        a.source = source;
        a.latitude = at.lat;
        a.longitude = at.lon;
        a.standId = sid;
        a.simState = SimState::active;
        a.objectId = 500 + static_cast<std::uint32_t>(state_.staticAircraft.size());
        return a;
    }

    // The callsigns of the static aircraft whose removal went to the removal queue, in order.
    std::vector<std::string> removedStatics() const {
        std::vector<std::string> out;
        for (const std::uint32_t objectId : state_.removalQueue) {
            for (const StaticAircraft& a : state_.staticAircraft) {
                if (a.objectId == objectId) {
                    out.push_back(a.base.callsign);
                }
            }
        }
        return out;
    }

    // An active aircraft `aheadFt` along `headingDeg` from `from` and `asideFt` to its right.
    LiveAircraft& add(std::uint32_t objectId, std::string callsign, const Lalo& from,
                      double headingDeg, double aheadFt, double asideFt, bool onGround = true) {
        AircraftBase base;
        base.hexid = 0x400000 + objectId;
        base.callsign = std::move(callsign);
        base.conflictRadiusNm = 0.01;
        LiveAircraft& a =
            state_.liveAircraft.emplace_back(TrafficSample{}, std::move(base), 0.0, 0);
        const Lalo at = gf_destination(gf_destination(from, headingDeg * kRad, aheadFt),
                                       (headingDeg + 90) * kRad, asideFt);
        a.sent.latitude = at.lat;
        a.sent.longitude = at.lon;
        a.simState = SimState::active;
        a.objectId = objectId;
        a.motion.onGround = onGround ? 1 : 0;
        return a;
    }

    void setUser(const Lalo& at, double headingDeg, double heightFt) {
        UserAircraftState s;
        s.latitude = at.lat;
        s.longitude = at.lon;
        s.headingTrue = headingDeg * kRad;
        s.altitudeAboveGround = heightFt;
        user_.storeState(s);
    }

    testing::LogCapture log_;
    UserAircraft& user_ = world_.user;
};

TEST_F(CollisionChecksTest, TheGroundCorridorAheadOfTheUser) {
    const Lalo zurich{47.4582, 8.5555};
    const Lalo dateLine{-16.7, 179.9999};
    struct Case {
        const char* name;
        Lalo user;
        double aircraftBearingDeg; // the line the aircraft is placed on
        double aheadFt;
        double asideFt;
        double userHeadingDeg; // the user's heading at the check
        double heightFt;
        bool removed;
    };
    const double halfNmFt = 3038.0;
    const std::vector<Case> cases{
        {"ahead on the axis", zurich, 90, halfNmFt, 0, 90, 0, true},
        {"40 ft aside, 0.5 NM ahead", zurich, 90, halfNmFt, 40, 90, 0, true},
        {"behind", zurich, 90, -halfNmFt, 0, 90, 0, false},
        {"abeam", zurich, 90, 0, 200, 90, 0, false},
        {"just behind abeam", zurich, 90, -5, 40, 90, 0, false},
        {"just inside the edge", zurich, 90, 300, 49.5, 90, 0, true},
        {"just outside the edge", zurich, 90, 300, 50.5, 90, 0, false},
        {"beyond 1 NM", zurich, 90, 6200, 0, 90, 0, false},
        {"user 600 ft up", zurich, 90, halfNmFt, 0, 90, 600, false},
        {"user turned away", zurich, 90, halfNmFt, 0, 180, 0, false},
        {"user turned towards it", zurich, 180, halfNmFt, 0, 180, 0, true},
        {"heading across north", zurich, 359, 1000, 30, 1, 0, true},
        {"across the antimeridian", dateLine, 90, 1000, 0, 90, 0, true},
    };
    for (const Case& c : cases) {
        state_.liveAircraft.clear();
        state_.removalQueue.clear();
        setUser(c.user, c.userHeadingDeg, c.heightFt);
        LiveAircraft& a = add(7, "SWR1", c.user, c.aircraftBearingDeg, c.aheadFt, c.asideFt);
        EXPECT_EQ(checkUserAirGndCollision(state_, a, user_.state()), c.removed) << c.name;
        EXPECT_EQ(!state_.removalQueue.empty(), c.removed) << c.name;
    }
}

// A new aircraft's sample is tested against the user before the aircraft exists in the
// simulator: nothing is removed, the spawn only learns whether the sample is in the way.
TEST_F(CollisionChecksTest, TheSpawnTestsASampleAgainstTheUserWithoutRemovingAnything) {
    const Lalo zurich{47.4582, 8.5555};
    struct Case {
        const char* name;
        double distanceFt; // the sample ahead of the user along its heading
        double userAltitudeFt;
        double sampleAltitudeFt;
        bool onGroundHit;
        bool airHit;
    };
    const std::vector<Case> cases{
        {"1000 ft ahead, head-on", 1000, 1400, 1400, false, true},
        {"on the user's spot (abeam for the air check)", 0, 1400, 1400, true, false},
        {"2 NM ahead", 12152, 1400, 1400, false, false},
        {"1000 ft ahead, 3000 ft above", 1000, 1400, 4400, false, false},
    };
    for (const Case& c : cases) {
        setUser(zurich, 90, 0);
        UserAircraftState s = user_.state();
        s.altitude = c.userAltitudeFt;
        s.gpsGroundTrueTrack = 90;
        user_.storeState(s);
        LiveAircraft& a = add(7, "SWR1", zurich, 90, c.distanceFt, 0);
        TrafficSample sample;
        sample.latitude = a.sent.latitude;
        sample.longitude = a.sent.longitude;
        sample.altitudeFt = c.sampleAltitudeFt;
        sample.trackDeg = 270;
        EXPECT_EQ(lf_spawnSampleHitsUserOnGround(state_, a, sample), c.onGroundHit) << c.name;
        EXPECT_EQ(lf_spawnSampleHitsUserInAir(state_, sample), c.airHit) << c.name;
        EXPECT_TRUE(state_.removalQueue.empty()) << c.name;
        state_.liveAircraft.clear();
    }
}

TEST_F(CollisionChecksTest, OneRemovalPerPassAndTheAirCheckMode) {
    const Lalo zurich{47.4582, 8.5555};
    setUser(zurich, 90, 0);
    add(7, "SWR1", zurich, 90, 500, 0);
    add(8, "SWR2", zurich, 90, 900, 0);
    gf_checkUserCollisions(state_);
    EXPECT_THAT(state_.removalQueue, ElementsAre(7u));
    gf_checkUserCollisions(state_);
    EXPECT_THAT(state_.removalQueue, ElementsAre(7u, 8u));

    struct Mode {
        double heightFt, fpm, bankDeg;
        int mode;
    };
    for (const Mode& m : std::vector<Mode>{{3000, 500, 0, 1},
                                           {3000, 200, 3, 2},
                                           {3000, 200, 10, 1},
                                           {6900, 0, 20, 0},
                                           {8000, 0, 0, 0}}) {
        UserAircraftState s;
        s.altitudeAboveGround = m.heightFt;
        s.verticalSpeed = m.fpm;
        s.bank = m.bankDeg * kRad;
        EXPECT_EQ(lf_userAirCheckMode(s), m.mode) << m.heightFt << " " << m.fpm << " " << m.bankDeg;
    }
}

TEST_F(CollisionChecksTest, AnUnknownUserSpanTakesTheB738sAndTheSpeedTerm) {
    gf_readDbase(testing::sourceDir() / "data" / "input");
    const double b738 = gf_wingspan(gf_modelId("B738"));
    ASSERT_GT(b738, 0.0);
    EXPECT_DOUBLE_EQ(lf_userGroundCollisionTermNm(state_), b738);
    UserAircraftState s;
    s.groundVelocity = 10; // 3.86 m in 0.75 s
    user_.storeState(s);
    user_.halfSpanNm = 0.01;
    EXPECT_NEAR(lf_userGroundCollisionTermNm(state_), 0.01 + 10 * 0.5144444 * 0.75 * 0.00053996,
                1e-7);
    s.groundVelocity = 100; // capped at 15 m
    user_.storeState(s);
    EXPECT_NEAR(lf_userGroundCollisionTermNm(state_), 0.01 + 15 * 0.00053996, 1e-7);
}

TEST_F(CollisionChecksTest, TaxiingAircraftAreCheckedWhenMovedOrAtTheFullPass) {
    const Lalo stand{47.4582, 8.5555};
    std::vector<Stand> stands(3);
    for (std::int32_t sid = 1; sid <= 3; ++sid) {
        stands[sid - 1].sid = sid;
        stands[sid - 1].id = fmt::format("E{}", sid);
    }
    world_.setStands(std::move(stands));
    StaticAircraft& parked = addStatic("EZY1*", "EZY1", "", "HB-JXA", 0, 0, stand);
    // 10 m from the static: the circles touch. Its last check was 5 m further away.
    LiveAircraft& taxiing = add(7, "SWR1", stand, 90, 10 * kFtPerM, 0);
    taxiing.phase.phase = FlightPhase::taxi;
    const Lalo before = gf_destination(stand, 90 * kRad, 15 * kFtPerM);
    taxiing.parkedCheckLatitude = before.lat;
    taxiing.parkedCheckLongitude = before.lon;
    for (std::uint32_t call = 1; call < kParkedFullPassCalls; ++call) {
        gf_checkLiveVsParkedCollisions(state_);
    }
    EXPECT_THAT(removedStatics(), IsEmpty());
    gf_checkLiveVsParkedCollisions(state_); // the 60th call: a full pass
    EXPECT_THAT(removedStatics(), ElementsAre("EZY1*"));
    // One never checked is looked at on any call.
    parked.simState = SimState::active;
    add(8, "SWR2", stand, 90, 10 * kFtPerM, 0).phase.phase = FlightPhase::parking;
    gf_checkLiveVsParkedCollisions(state_);
    EXPECT_THAT(removedStatics(), ElementsAre("EZY1*", "EZY1*"));
    EXPECT_EQ(log_.linesWith("E3            : EZY1*    removed for 'live vs parked' collision "
                             "avoidance with SWR2")
                  .size(),
              1u);
}

TEST_F(CollisionChecksTest, AParkedVersionGivesWayToItsLiveFlightOnTheGround) {
    const Lalo at{47.4582, 8.5555};
    addStatic("ABC123*", "ABC123", "", "", 0, 1, at);
    LiveAircraft& live = add(7, "ABC123", at, 0, 5000, 0, false);
    gf_checkForAllGndIfParkedVersionExistsAndRemove(state_);
    EXPECT_THAT(removedStatics(), IsEmpty()) << "still in the air";
    live.motion.onGround = 1;
    gf_checkForAllGndIfParkedVersionExistsAndRemove(state_);
    gf_checkForAllGndIfParkedVersionExistsAndRemove(state_);
    EXPECT_THAT(removedStatics(), ElementsAre("ABC123*"));
}

TEST_F(CollisionChecksTest, AnArrivedFlightReplacesTheStaticThatStandsForIt) {
    struct View {
        std::uint32_t rtHexid;
        std::uint32_t source;
        const char* registration;
        const char* first;
        const char* second;
    };
    struct Case {
        const char* name;
        View view;
        bool removed;
    };
    const auto view = [](std::uint32_t rtHexid, std::uint32_t source, const char* registration,
                         const char* first, const char* second) {
        return View{rtHexid, source, registration, first, second};
    };
    const auto place = [this](const View& v) {
        state_.staticAircraft.clear();
        state_.removalQueue.clear();
        addStatic("X*", v.first, v.second, v.registration, v.rtHexid, v.source);
    };
    const std::vector<Case> cases{
        {"RealTraffic hexid", view(0x4B0001, 0, "", "", ""), true},
        {"same hexid from an airport file", view(0x4B0001, 1, "", "", ""), false},
        {"registration", view(0, 1, "HB-JXA", "", ""), true},
        {"first flight", view(0, 1, "", "EZS12", ""), true},
        {"second flight is the third text", view(0, 1, "", "", "U21234"), true},
        {"flight of its ghost", view(0, 1, "", "", "EZS12_"), false},
        {"nothing in common", view(0, 1, "HB-JXB", "EZS13", ""), false},
    };
    const Lalo at{47.4582, 8.5555};
    LiveAircraft& live = add(7, "EZS12", at, 0, 0, 0);
    live.base.hexid = 0x4B0001;
    live.base.registration = "HB-JXA";
    live.base.thirdText = "U21234";
    for (const Case& c : cases) {
        place(c.view);
        lf_checkForStaticWithCallsignOrHexidAndRemove(state_, live);
        EXPECT_EQ(removedStatics().size(), c.removed ? 1u : 0u) << c.name;
    }
    // A ghost stands for the flight without its "_".
    live.base.callsign = "U21234_";
    live.base.thirdText.clear();
    place(view(0, 1, "", "U21234", ""));
    lf_checkForStaticWithCallsignOrHexidAndRemove(state_, live);
    EXPECT_EQ(removedStatics().size(), 1u);
    // The arrived list brings each spawned, landed or parked aircraft to the same check once.
    place(view(0, 1, "", "U21234", ""));
    state_.arrivedAircraft = {live.base.hexid, live.base.hexid + 1};
    gf_checkArrivedAircraft(state_);
    EXPECT_EQ(removedStatics().size(), 1u);
    EXPECT_THAT(state_.arrivedAircraft, IsEmpty());
}

TEST_F(CollisionChecksTest, AGhostGivesWayToItsFlightAndIsErasedOnTheConfirmation) {
    const Lalo at{47.4582, 8.5555};
    add(7, "SWR12_", at, 0, 0, 0);
    EXPECT_FALSE(lf_ghostHasLiveFlight(state_, "SWR12_"));
    LiveAircraft& flight = add(8, "SWR12", at, 0, 0, 0);
    flight.simState = SimState::buffer;
    flight.stream.front().time = 1 << 30; // its reports wait: it stays buffered
    EXPECT_TRUE(lf_ghostHasLiveFlight(state_, "SWR12_"));
    lf_removeGhostWithUnderscoreIfPresent(state_, "SWR12");
    lf_removeGhostWithUnderscoreIfPresent(state_, "SWR12");
    EXPECT_THAT(state_.removalQueue, ElementsAre(7u));
    EXPECT_THAT(state_.removedGhosts, ElementsAre("SWR12_"));
    EXPECT_EQ(
        log_.linesWith("          SWR12_   is a ghost and will be removed, continue with SWR12")
            .size(),
        1u);
    events_.post({7, 0, 0, SimEventKind::objectRemoved});
    lf_handleAddingStack(state_);
    ASSERT_EQ(state_.liveAircraft.size(), 1u);
    EXPECT_EQ(state_.liveAircraft[0].base.callsign, "SWR12");
}

} // namespace
} // namespace skyloom
