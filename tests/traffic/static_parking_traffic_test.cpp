// Static aircraft and the stands of live aircraft on one traffic state: placing static aircraft
// from the plan's requests, the parked-aircraft limit over arrivals and removals, parked ages
// across the week's end, two live aircraft and one stand, a static aircraft making way.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/params_snapshot.h"
#include "foundation/manual_clock.h"
#include "liveries/livery_tables.h"
#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "runtime/user_aircraft.h"
#include "foundation/program_clock.h"
#include "liveries/livery_aircraft.h"
#include "refdata/airport_file.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "sim/sim_ids.h"
#include "tests/support/log_capture.h"
#include "tests/support/recording_window_sink.h"
#include "tests/traffic/support/live_replay.h"
#include "tests/support/traffic_test_world.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/stands/live_stands.h"
#include "traffic/stands/static_traffic.h"
#include "traffic/step/traffic_state.h"
#include "traffic/step/traffic_step.h"

namespace skyloom {
namespace {

constexpr double kNmPerMetre = 1.0 / 1852.0;
constexpr double kDegPerMetre = 1.0 / (1852.0 * 60.0);

std::uint64_t daySlot(std::int32_t day, std::int32_t slot) {
    return gf_packDaySlot({day, slot});
}

class StaticParkingTraffic : public ::testing::Test, protected testing::TrafficStateParts {
protected:
    // The settings the tests after this one find: the parameters' defaults, not a blank one.
    const std::shared_ptr<const ParamsSnapshot> snapshotBefore_ = gf_paramsSnapshot();

    StaticParkingTraffic() {
        lf_initTrafficState(state_);
        // Five gate stands in a row 60 m apart along the latitude at 52 N, 4 E; stand 5 is a
        // helipad; stands 1 and 2 exclude each other.
        std::vector<Stand> stands;
        for (int i = 0; i < 5; ++i) {
            stands.push_back(gf_makeStand(i == 0 ? "GATE A1" : "B" + std::to_string(i + 1), {},
                                          {52.0 + i * 60 * kDegPerMetre, 4.0}, 1.0, 30.0,
                                          i == 4 ? StandType::RAMP_GA_MEDIUM : StandType::GATE_MEDIUM,
                                          false, false, i == 4));
            stands.back().sid = i + 1;
        }
        stands[0].exclusions = {2};
        stands[1].exclusions = {1};
        world_.setStands(std::move(stands));
        world_.parkEntry.set(AirportEntry{IcaoCode("EHAM"), IataCode("AMS"), 52.0, 4.0, -11});
        // The static aircraft's model and livery: the only ones known.
        tools::gf_publishReplayDbase({{"Large", {"B738"}}});
        gf_updateParamsSnapshot([](ParamsSnapshot& s) { s.MATCHING_DEPTH = 7; });
        testing::buildLiveryTables({{kLivery, "KLM", "B738", ""}});
    }
    ~StaticParkingTraffic() override {
        gf_liveryTables().clear();
        gf_publishDbase(nullptr);
        gf_paramsSnapshotCell().publish(*snapshotBefore_);
    }

    // A request of the plan for a KLM 737 on the stand.
    static StaticParkRequest request(std::int32_t sid, std::string callsign) {
        StaticParkRequest r;
        r.standId = sid;
        r.callsign = std::move(callsign);
        r.key = LiveryKey{gf_airlineId("KLM"), 0, gf_modelId("B738"), 0, 0};
        return r;
    }

    LiveAircraft& addLive(std::uint32_t hexid, std::string callsign, const Stand& at,
                          FlightPhase phase, SimState simState = SimState::active) {
        AircraftBase base;
        base.hexid = hexid;
        base.callsign = std::move(callsign);
        base.halfWingspanNm = base.conflictRadiusNm = 15 * kNmPerMetre;
        base.standFitRadiusNm = 30 * kNmPerMetre;
        base.wideStandFitRadiusNm = 40 * kNmPerMetre;
        TrafficSample sample;
        sample.latitude = at.position.lat;
        sample.longitude = at.position.lon;
        sample.stationary = 1;
        LiveAircraft& a = state_.liveAircraft.emplace_back(sample, std::move(base), 0.0, 0);
        a.simState = simState;
        a.objectId = simState == SimState::active ? hexid : 0;
        a.phase.phase = phase;
        if (phase != FlightPhase::birth) {
            lf_assignStand(a, at);
        }
        return a;
    }

    StaticAircraft& addStatic(std::int32_t sid, SimState simState, std::int32_t day = 1,
                              std::int32_t slot = 0) {
        StaticAircraft& a = state_.staticAircraft.emplace_back();
        a.base.hexid = static_cast<std::uint32_t>(state_.staticAircraft.size());
        a.base.callsign = "STA" + std::to_string(a.base.hexid) + "*";
        a.base.conflictRadiusNm = 15 * kNmPerMetre;
        a.objectId = simState == SimState::active ? 100 + a.base.hexid : 0;
        a.standId = sid;
        a.simState = simState;
        a.parkedDay = day;
        a.parkedSlot = slot;
        return a;
    }

    static constexpr const char* kLivery = "Boeing 737-800 KLM";
    testing::LogCapture log_;
    std::vector<Stand>& stands_ = world_.parking.stands;
    std::vector<StaticParkRequest>& requests_ = world_.plan.plan;
};

TEST_F(StaticParkingTraffic, ARequestBecomesAStaticAircraftWithItsCreateRequest) {
    StaticParkRequest request = StaticParkingTraffic::request(1, "ABC1__");
    request.age = 3;
    request.preferFirst = 1;
    request.rtHexid = 77;
    requests_.push_back(request);
    state_.staticHexidCounter = 10000; // the 10001st static aircraft of the run
    lf_parkStaticAircraft(state_, daySlot(1, 1));

    ASSERT_EQ(state_.staticAircraft.size(), 1u);
    const StaticAircraft& a = state_.staticAircraft[0];
    EXPECT_EQ(a.base.callsign, "ABC1*");
    EXPECT_EQ(a.base.hexid, 0u);
    EXPECT_EQ(a.simState, SimState::adding2sim);
    EXPECT_EQ(a.atGate, 1);
    EXPECT_EQ(a.rtHexid, 77u);
    EXPECT_EQ(std::pair(a.parkedDay, a.parkedSlot), std::pair(7, 46)) << "Sunday 23:00";
    ASSERT_EQ(state_.staticCreateQueue.size(), 1u);
    const SimCreateRequest& create = state_.staticCreateQueue[0];
    EXPECT_EQ(create.liveryTitle, kLivery);
    EXPECT_EQ(create.position.onGround, 1u);
    EXPECT_NEAR(create.position.heading, 57.29577951308232, 1e-9);
    EXPECT_TRUE(requests_.empty());

    // Its stand and the stand it excludes are taken now; a live aircraft parking on stand 3
    // keeps that one.
    addLive(20001, "KLM12", stands_[2], FlightPhase::parking);
    for (const std::int32_t sid : {1, 2, 3, 9}) {
        request.standId = sid;
        requests_.push_back(request);
        lf_parkStaticAircraft(state_, daySlot(1, 1));
    }
    EXPECT_EQ(state_.staticAircraft.size(), 1u);
    EXPECT_THAT(
        log_.lines(),
        ::testing::IsSupersetOf(
            {::testing::HasSubstr("GATE A1       : no static parking for ABC1__, static "
                                  "aircraft ABC1* standing here"),
             ::testing::HasSubstr("B2            : no static parking for ABC1__, static "
                                  "aircraft ABC1* is adjacent at GATE A1, possibly colliding"),
             ::testing::HasSubstr("B3            : no static parking for ABC1__, live "
                                  "aircraft KLM12 standing here"),
             ::testing::HasSubstr("stand with id 9 not found")}));
}

TEST_F(StaticParkingTraffic, ParkedAgesRunAcrossTheWeeksEndAndIgnoreDaysOutsideTheWeek) {
    struct Case {
        std::int32_t day, slot;
        std::uint64_t now;
        std::int32_t age;
    };
    for (const Case& c : {Case{7, 47, daySlot(1, 0), 1}, Case{1, 0, daySlot(7, 47), 335},
                          Case{3, 10, daySlot(3, 10), 0}, Case{0, 5, daySlot(1, 0), 0},
                          Case{-1, 5, daySlot(1, 0), 0}, Case{2, 5, daySlot(0, 0), 0},
                          Case{2, 5, daySlot(-1, 3), 0}}) {
        EXPECT_EQ(gf_staticParkedAge(c.day, c.slot, c.now), c.age) << c.day << " " << c.slot;
    }
    EXPECT_EQ(gf_parkedSince(daySlot(1, 0), 1).day, 7);
    EXPECT_EQ(gf_parkedSince(daySlot(1, 0), 1).slot, 47);
    EXPECT_EQ(gf_parkedSince(daySlot(0, 3), 1).day, 0) << "no weekday: no parked-since day";
    EXPECT_EQ(gf_parkedSince(daySlot(3, 5), 336 + 2).slot, 3);
}

TEST_F(StaticParkingTraffic, TheLimitRemovesTheOldestAndHoldsOverArrivalsAndRemovals) {
    struct Case {
        std::int32_t live, statics, removing, target;
        std::int32_t liveRemoved, staticsRemoved;
    };
    for (const Case& c : {Case{8, 5, 0, 10, 0, 3}, Case{12, 5, 0, 10, 2, 5},
                          Case{8, 5, 2, 10, 0, 1}, Case{4, 5, 0, 10, 0, 0}}) {
        state_.liveAircraft.clear();
        state_.staticAircraft.clear();
        state_.removalQueue.clear();
        state_.maxParked = c.target;
        for (int i = 0; i < c.live; ++i) {
            addLive(20000 + i, "L" + std::to_string(i), stands_[0], FlightPhase::parked)
                .standWatch.parkedAt = clock_.steadyNow() + std::chrono::minutes(i);
        }
        for (int i = 0; i < c.statics; ++i) {
            addStatic(2, i < c.removing ? SimState::removingfromsim : SimState::active, 1, i);
        }
        gf_limitParkedAircraft(state_, 0, daySlot(2, 0));
        EXPECT_EQ(std::ranges::count(state_.liveAircraft, SimState::removingfromsim,
                                     &LiveAircraft::simState),
                  c.liveRemoved);
        EXPECT_EQ(std::ranges::count(state_.staticAircraft, SimState::removingfromsim,
                                     &StaticAircraft::simState) -
                      c.removing,
                  c.staticsRemoved);
        if (c.liveRemoved > 0) {
            EXPECT_EQ(state_.liveAircraft[0].simState, SimState::removingfromsim) << "oldest";
        }
        if (c.staticsRemoved > 0) {
            EXPECT_EQ(state_.staticAircraft[c.removing].simState, SimState::removingfromsim)
                << "the longest parked static aircraft goes first";
        }
    }
    // Arrivals one at a time; confirmations come late: the active count never exceeds 6.
    state_.liveAircraft.clear();
    state_.staticAircraft.clear();
    state_.maxParked = 6;
    for (int i = 0; i < 6; ++i) {
        addStatic(2, SimState::active, 1, i);
    }
    for (int i = 0; i < 8; ++i) {
        addLive(30000 + i, "A" + std::to_string(i), stands_[0], FlightPhase::parked);
        gf_limitParkedAircraft(state_, 0, daySlot(2, 0));
        const auto active =
            std::ranges::count(state_.staticAircraft, SimState::active, &StaticAircraft::simState) +
            std::ranges::count(state_.liveAircraft, SimState::active, &LiveAircraft::simState);
        EXPECT_EQ(active, 6) << "after arrival " << i;
        if (i % 2 == 1) { // every other step the simulator confirms the removals
            std::erase_if(state_.staticAircraft, [](const StaticAircraft& a) {
                return a.simState == SimState::removingfromsim;
            });
        }
    }
}

TEST_F(StaticParkingTraffic, TwoLiveAircraftNeverHoldOneStand) {
    LiveAircraft& first = addLive(20001, "ABC123", stands_[2], FlightPhase::birth);
    ASSERT_EQ(lf_standForGroundSpawn(state_, first), &stands_[2]);
    lf_assignStand(first, stands_[2]);
    first.phase.phase = FlightPhase::parked;
    first.standWatch.seenAtStand = 1;
    // The ghost copy and another aircraft seen at rest there get no stand and are dropped.
    for (const char* callsign : {"ABC123_", "XYZ9"}) {
        LiveAircraft& other = addLive(20002, callsign, stands_[2], FlightPhase::birth);
        EXPECT_EQ(lf_standForGroundSpawn(state_, other), nullptr) << callsign;
        EXPECT_EQ(other.removal.eraseAfterCleanup, 1) << callsign;
        state_.liveAircraft.pop_back();
    }
    EXPECT_EQ(lf_standFree(state_, 3, 20002), 2);
    // A ghost holding the stand is replaced by the real flight.
    state_.liveAircraft[0].base.callsign = "ABC123_";
    LiveAircraft& real = addLive(20003, "ABC123", stands_[2], FlightPhase::birth);
    EXPECT_FALSE(lf_checkStandIsNotUsedByOtherLiveAircraftSub(state_, 3, real))
        << "the ghost's removal waits for the simulator";
    EXPECT_EQ(state_.liveAircraft[0].simState, SimState::removingfromsim);
    EXPECT_FALSE(log_.linesWith("B3            : ABC123_  ghost, replace by ABC123").empty());
}

TEST_F(StaticParkingTraffic, AStaticAircraftMakesWayForTheLiveOneOnItsStand) {
    StaticAircraft& standing = addStatic(4, SimState::active);
    standing.base.registration = "PH-BXA";
    StaticAircraft& queued = addStatic(5, SimState::adding2sim);
    state_.staticCreateQueue.push_back(SimCreateRequest{{}, queued.base.callsign, "", 2});
    LiveAircraft& live = addLive(20001, "KLM1", stands_[3], FlightPhase::landing_roll);
    live.base.registration = "PH-BXA";
    try2Park(state_, live);
    EXPECT_EQ(live.phase.phase, FlightPhase::parking);
    EXPECT_EQ(live.stand.standId, 4u);
    EXPECT_EQ(state_.staticAircraft[0].simState, SimState::removingfromsim);
    EXPECT_FALSE(
        log_.linesWith(
                "B4            : STA1*    PH-BXA makes way for the same live version KLM1 PH-BXA")
            .empty());

    // A queued static aircraft on the helipad leaves without a simulator call.
    LiveAircraft& heli = addLive(20002, "LIFE1", stands_[4], FlightPhase::birth);
    heli.base.category = AircraftCategory::Rotorcraft;
    EXPECT_EQ(lf_standForGroundSpawn(state_, heli), &stands_[4]);
    EXPECT_EQ(state_.staticAircraft.size(), 1u);
    EXPECT_TRUE(state_.staticCreateQueue.empty());
    EXPECT_FALSE(log_.linesWith("queued B5      : STA2*").empty());
}

TEST_F(StaticParkingTraffic, StandChoiceSkipsFarHeliAndUserStands) {
    AircraftBase jet;
    jet.standFitRadiusNm = jet.wideStandFitRadiusNm = 100 * kNmPerMetre;
    double metres = 0;
    const Lalo beside{stands_[2].position.lat, stands_[2].position.lon};
    EXPECT_EQ(gf_findNearest(state_, beside, jet, metres, true), &stands_[2]);
    const Lalo far{stands_[3].position.lat + 81.3 * kDegPerMetre, 4.0};
    EXPECT_EQ(gf_findNearest(state_, far, jet, metres, true), nullptr) << "81.3 m away";
    jet.category = AircraftCategory::Rotorcraft;
    EXPECT_EQ(gf_findNearest(state_, beside, jet, metres, true), nullptr) << "no helipad near";
    // The user aircraft stands on B2.
    world_.parking.publishStandsSnapshot(IcaoCode("EHAM"));
    UserAircraftState user;
    user.latitude = stands_[1].position.lat;
    user.longitude = stands_[1].position.lon;
    world_.user.storeState(user);
    world_.user.publishPosition(user);
    EXPECT_TRUE(lf_standReservedForUser(state_, stands_[0])) << "excludes the user's stand";
    EXPECT_FALSE(lf_standReservedForUser(state_, stands_[2]));
}

TEST_F(StaticParkingTraffic, CountsReportTheAverageParkedAge) {
    testing::RecordingWindowSink window;
    addStatic(1, SimState::active, 1, 0);
    addStatic(2, SimState::removingfromsim, 1, 2);
    addStatic(3, SimState::adding2sim, 1, 0);
    addStatic(4, SimState::active, 2, 0); // later in the week than now: not averaged
    EXPECT_EQ(gf_countStaticAircraft(state_, daySlot(1, 4), &window, false), 3);
    EXPECT_EQ(gf_countStaticAircraft(state_, daySlot(1, 4), &window, true), 3);
    const auto fits = window.payloads<GuiUpdate::StaticFit>();
    ASSERT_EQ(fits.size(), 1u) << "no report while a parking adjustment is pending";
    EXPECT_FLOAT_EQ(fits[0].hours, 6.0F / 4.0F + 0.5F);
}

TEST_F(StaticParkingTraffic, TheStepCreatesSwitchesOnAndErasesAStaticAircraft) {
    requests_.push_back(request(2, "TRA5"));
    state_.options.navLightsWhileParked = 1;
    SimCommandBatch batch;
    const auto step = [&](int n) {
        for (int i = 0; i < n; ++i) {
            lf_handleAddingStack(state_);
        }
        batch.clear();
        commands_.takeAll(batch);
    };
    step(40); // the first creation slot places it, the second sends its create
    ASSERT_EQ(batch.creates.size(), 1u);
    EXPECT_EQ(batch.creates[0].callsign, "TRA5*");
    events_.post({9, batch.creates[0].hexid, 0, SimEventKind::staticAssigned});
    step(202);
    ASSERT_EQ(state_.staticAircraft.size(), 1u);
    EXPECT_EQ(state_.staticAircraft[0].simState, SimState::active);
    EXPECT_THAT(batch.commands,
                ::testing::IsSupersetOf(std::vector<SimCommand>{{9, EVENT_THROTTLE_SET, 0},
                                                                {9, EVENT_FLAPS_SET, 0},
                                                                {9, EVENT_ENGINE_AUTO_SHUTDOWN, 0},
                                                                {9, EVENT_NAV_LIGHTS_SET, 1},
                                                                {9, EVENT_BEACON_LIGHTS_SET, 0},
                                                                {9, EVENT_LOGO_LIGHTS_SET, 1},
                                                                {9, EVENT_CABIN_LIGHTS_SET, 1}}));
    gf_removeStaticAircraft(state_, state_.staticAircraft[0], "test");
    step(10);
    EXPECT_EQ(batch.removals, std::vector<std::uint32_t>{9});
    events_.post({9, 0, 0, SimEventKind::objectRemoved});
    step(1);
    EXPECT_TRUE(state_.staticAircraft.empty());
}

TEST_F(StaticParkingTraffic, StayersAreTheLiveParkedAircraftNotParkedTooLongUnseen) {
    const auto parkedMinutesAgo = [this](LiveAircraft& a, int minutes) {
        a.standWatch.parkedAt = clock_.steadyNow() - std::chrono::minutes(minutes);
    };
    parkedMinutesAgo(addLive(20001, "SEEN", stands_[0], FlightPhase::parked), 500);
    state_.liveAircraft.back().standWatch.seenAtStand = 1;
    parkedMinutesAgo(addLive(20002, "LARGE", stands_[1], FlightPhase::parked), 100);
    LiveAircraft& heavy = addLive(20003, "HEAVY", stands_[2], FlightPhase::parked);
    heavy.base.category = AircraftCategory::Heavy;
    parkedMinutesAgo(heavy, 100);
    parkedMinutesAgo(addLive(20004, "NEW", stands_[3], FlightPhase::parked), 10);
    std::vector<LiveStayer> stayers{{"OLD", "", 1, 1}};
    lf_collectLiveStayers(state_, stayers);
    std::vector<std::string> callsigns;
    for (const LiveStayer& s : stayers) {
        callsigns.push_back(s.callsign);
    }
    EXPECT_EQ(callsigns, (std::vector<std::string>{"SEEN", "NEW", "HEAVY"}));
    EXPECT_EQ(state_.liveAircraft[1].simState, SimState::removingfromsim);
}

} // namespace
} // namespace skyloom
