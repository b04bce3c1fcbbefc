// The live traffic from the feed to the simulated world: a recorded App capture replayed
// through the feed's parser and the mailbox into the traffic state and the simulator, on the
// manual clock; one of its arrivals on the airport's runway, landing or removed by the check of
// the user's airspace; the quarantine of a jumping taxi track; the respawn in another livery; and
// ObjectIdList.txt against the live list.
#include <algorithm>
#include <atomic>
#include <memory>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/params_snapshot.h"
#include "config/program_paths.h"
#include "feed/feed_fields.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/text.h"
#include "foundation/text_files.h"
#include "liveries/livery_tables.h"
#include "platform/simworld/facility_import.h"
#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "tests/sim/support/link_fixture.h"
#include "tests/support/traffic_test_world.h"
#include "tests/support/shared_data.h"
#include "tests/traffic/support/live_replay.h"
#include "tests/traffic/support/runway_fixture.h"
#include "traffic/step/aircraft_commands.h"
#include "traffic/step/live_update.h"
#include "traffic/step/live_views.h"
#include "traffic/decode/message_decoder.h"
#include "traffic/step/traffic_state.h"
#include "traffic/step/traffic_step.h"
#include "traffic/removals/user_collisions.h"

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr const char* kSwissSpecial = "Airbus A320 Swiss HB-JLT";
constexpr const char* kEmiratesTitle = "Boeing 777-300ER Emirates";
constexpr const char* kCitationTitle = "Cessna Citation CJ3";

class LiveTrafficWorldTest : public LinkTest {
protected:
    // The settings the tests after this one find: the parameters' defaults, not a blank one.
    const std::shared_ptr<const ParamsSnapshot> snapshotBefore_ = gf_paramsSnapshot();

    void SetUp() override {
        if (!publishTypeListDbase()) {
            GTEST_SKIP() << "shared data not found: ../shared/" << kDoc8643;
        }
        buildLiveryTables({{kA320Livery, "SWR", "A20N", ""},
                           {kB738Livery, "RYR", "B738", ""},
                           {kEmiratesTitle, "UAE", "B77W", ""},
                           {kCitationTitle, "ZZZ", "C25B", ""},
                           {kSwissSpecial, "SWR", "A320", "HB-JLT"}});
        gf_updateParamsSnapshot([](ParamsSnapshot& s) {
            s.MAX_LIVE_SEL = 500;
            s.MATCHING_DEPTH = 7;
            s.TCAS_FL = 180;
            s.GUID_CHANGES = false;
            s.LIGHT_AIRCRAFT = s.TWO_PROPS = s.HELICOPTERS = s.HIGH_PERF_AIRCRAFT = false;
        });
        lf_initTrafficState(state_);
        mailbox_.setDecoder(&decoder_);
        mailbox_.enable(true);
        simworld::WorldSetup setup = aiSetup();
        setup.liveries = {{kA320Livery, "A20N", 7.2, 0.4}, {kB738Livery, "B738", 6.8, 1.1},
                          {kEmiratesTitle, "B77W", 12, 0.5}, {kCitationTitle, "C25B", 5, 0.5},
                          {kSwissSpecial, "A320", 7.2, 0.4}};
        placeUser(setup.user);
        connect(setup);
    }

    void TearDown() override {
        gf_liveryTables().clear();
        gf_publishDbase(nullptr);
        gf_paramsSnapshotCell().publish(*snapshotBefore_);
    }

    // One traffic step and 10 ms of the world.
    void step() {
        lf_handleAddingStack(state_);
        for (const LiveAircraft& a : state_.liveAircraft) {
            if (a.objectId != 0) {
                objects_[a.base.hexid].insert(a.objectId);
            }
        }
        advance(0.01);
        client_->dispatchPass();
    }
    void steps(double seconds) {
        for (int i = 0; i < static_cast<int>(seconds * 100); ++i) {
            step();
        }
    }

    // A report of the aircraft at `lat`, `lon`, due on the next tick.
    TrafficEntry entry(std::uint32_t hexid, const char* callsign, const char* model, double lat,
                       double lon, double altitudeFt, double speedKt, bool airborne, double time,
                       std::string registration = {}) const {
        TrafficEntry e;
        e.hexid = hexid;
        e.callsign = callsign;
        e.registration = std::move(registration);
        e.key.model = gf_modelId(model);
        if (const auto airline = gf_airlineFromCallsign(callsign)) {
            e.key.airline = gf_airlineId(*airline);
        }
        e.sample = {lat, lon, altitudeFt, speedKt, 0.0, 0.0, 0.0,
                    static_cast<std::int32_t>(tick_.load() + 1), airborne ? std::uint8_t{1} : std::uint8_t{0}};
        e.timestamp = time;
        return e;
    }

    std::vector<std::string> createdTitles() const {
        std::vector<std::string> titles;
        for (const std::string& call : journalCalls("SimConnect_AICreateNonATCAircraft")) {
            for (const char* title : {kA320Livery, kB738Livery, kSwissSpecial, kEmiratesTitle,
                                      kCitationTitle}) {
                if (call.find(title) != std::string::npos) {
                    titles.emplace_back(title);
                }
            }
        }
        return titles;
    }

    // Where the user stands; the simulator reports the AI objects around it.
    virtual void placeUser(simworld::UserAircraftSetup&) {}

    std::atomic<std::uint32_t> tick_{0};
    TrafficTestWorld trafficWorld_{clock_, tick_};
    TrafficState state_{trafficWorld_.links(queue_, events_, batch_)};
    TrafficMailbox& mailbox_ = trafficWorld_.mailbox;
    NotingDecoder decoder_{state_};
    std::map<std::uint32_t, std::set<std::uint32_t>> objects_; // hexid -> object ids seen
};


// The capture holds 107 aircraft in 76 bursts about 15 s apart, some 50 reports each: the
// mailbox hands a burst over in a quarter of a second. Only where the capture's reader splits a
// burst (an aircraft reported twice in it) do two batches come at once: the second one's
// reports take the place of the first one's of the same aircraft before they are taken, so
// 49 of 2,973 reports (1.6 %) are dropped as superseded, and the first one's other reports are
// still taken (a newer batch that replaced the pending one whole lost all 54).
// Of the aircraft, those reported as a jet (the light categories are off) are admitted; every
// one of them is created, except five that never pass the spawn gate: four stand still on the
// ground and wait for a stand (none are known here), and one repeats a single time stamp (so it
// never has two samples); one that reports only every 30 s on the ground waits for its second
// report. Six come back in a second object: without the airport's runways no
// approach becomes a landing, so arrivals leave when their reports slow down on the ground and
// come back as taxiing aircraft. (Two more did while the nose lagged the track in turns: an
// aircraft that extrapolated along that nose ran off its reports and refused them.)
TEST_F(LiveTrafficWorldTest, TheLosAngelesCaptureReplaysIntoMovingSimulatorObjects) {
    SKYLOOM_REQUIRE_SHARED(file, kLosAngelesCapture);
    CaptureReplay replay(tools::gf_readCapture(file, kLosAngelesElevationFt), mailbox_, clock_);
    ASSERT_EQ(replay.bursts(), 76u);
    // Every burst, and then the 30 s playback delay and the 2 s activation.
    while (replay.feedDue()) {
        step();
    }
    steps(35.0);

    EXPECT_EQ(replay.postedHexids().size(), 107u);
    EXPECT_EQ(decoder_.delivered, replay.postedHexids()) << "no aircraft starves";
    EXPECT_EQ(mailbox_.counts().mergedBatches, 1u);
    // Of the 3,827 reports the reader passes over 854 that repeat the aircraft's last one.
    EXPECT_EQ(replay.postedEntries(), 3827u - 854u);
    EXPECT_EQ(replay.postedEntries() - mailbox_.counts().entriesTaken, 49u) << "reports lost";
    EXPECT_EQ(mailbox_.counts().entriesSuperseded, 49u) << "every one of them counted";
    EXPECT_EQ(mailbox_.counts().entriesDropped, 0u) << "no aircraft went without its update";
    EXPECT_EQ(decoder_.admitted, decoder_.eligible);
    EXPECT_EQ(decoder_.eligible.size(), 46u);

    std::set<std::uint32_t> created;
    std::size_t createdAgain = 0;
    for (const auto& [hexid, ids] : objects_) {
        EXPECT_LE(ids.size(), 2u) << "created again and again: " << hexid;
        createdAgain += ids.size() - 1;
        created.insert(hexid);
    }
    EXPECT_EQ(createdAgain, 6u);
    std::set<std::uint32_t> waiting;
    std::set_difference(decoder_.admitted.begin(), decoder_.admitted.end(), created.begin(),
                        created.end(), std::inserter(waiting, waiting.end()));
    EXPECT_THAT(waiting, ElementsAre(8814568u, 10534066u, 10589098u, 11156197u, 11328007u));

    // ObjectIdList.txt lists the active aircraft's objects, as the window's list does.
    ASSERT_TRUE(lf_writeObjectIdList(state_, dir_.path() / kObjectIdListFileName));
    const LinesFileResult written = LinesFile::readLines(dir_.path() / kObjectIdListFileName);
    std::set<std::string> listed;
    for (const std::string& line : written.lines) {
        listed.insert(line.substr(0, line.find(';')));
    }
    std::set<std::string> active;
    for (const LiveAircraft& a : state_.liveAircraft) {
        if (a.simState == SimState::active) {
            active.insert(gf_hexidText(a.objectId));
        }
    }
    EXPECT_FALSE(active.empty());
    EXPECT_EQ(listed, active);
    EXPECT_EQ(gf_liveAircraftList(state_, AirGroundSelector::all).size(), active.size());

    // The motion moves every airborne object along its reports: the simulator's trace of it
    // covers ground while its reports last (what it flies on after them is extrapolated), and
    // no frame jumps further than its fastest report allows.
    std::size_t moving = 0;
    for (const auto& [hexid, ids] : objects_) {
        const std::vector<simworld::TracePoint> trace = world_->trace(*ids.begin());
        std::vector<simworld::TracePoint> written;
        const double reportsEnd = decoder_.lastDueTick[hexid] / 100.0;
        std::copy_if(trace.begin(), trace.end(), std::back_inserter(written),
                     [reportsEnd](const simworld::TracePoint& p) {
                         return p.source == simworld::TraceSource::written &&
                                p.altitudeFeet > kLosAngelesElevationFt + 1000 &&
                                p.seconds <= reportsEnd;
                     });
        if (written.size() < 2) {
            continue;
        }
        // A first object that ran out of its extrapolation covers less than its reports.
        const bool createdOnce = ids.size() == 1;
        const double fastestKt = decoder_.fastestKt[hexid];
        for (std::size_t i = 1; i < written.size(); ++i) {
            const double nm = gf_distanceNM({written[i - 1].latitudeDeg, written[i - 1].longitudeDeg},
                                            {written[i].latitudeDeg, written[i].longitudeDeg});
            const double hours = (written[i].seconds - written[i - 1].seconds) / 3600.0;
            ASSERT_LE(nm, 1.5 * fastestKt * hours + 0.01) << hexid << " at " << written[i].seconds;
        }
        const double coveredNm =
            gf_distanceNM({written.front().latitudeDeg, written.front().longitudeDeg},
                          {written.back().latitudeDeg, written.back().longitudeDeg});
        const double seconds = written.back().seconds - written.front().seconds;
        if (seconds > 30 && createdOnce) {
            EXPECT_GT(coveredNm, 0.25 * fastestKt * seconds / 3600.0) << hexid << " stands still";

            ++moving;
        }
    }
    // Of the 35 aircraft created once, 22 fly for more than 30 s above the field; the others
    // are on the ground or leave soon. (17 while a take-off roll's lift-off passed over the
    // airborne report it rolled toward: AAL612, UAL1693, AAL9735, VIV511 and JAL061 rolled on
    // past their airborne reports.)
    EXPECT_EQ(moving, 22u);
}

// The capture with Los Angeles' runways and the user standing at the gate the demo gives it,
// where the simulator reports the objects around it. EVA620 comes down runway 25L, south of
// the gate, and touches down whichever way the standing user faces. A user in the air at that
// place facing west (272, the demo's gate heading) is low, level traffic with the arrival
// closing in behind it (within 1.8 NM and 900 ft of its track): the once-a-second check of the
// user's airspace removes the arrival before the threshold, as a conflict.
struct GateHeading {
    double headingDeg;
    bool userOnGround;
    bool lands;
};

class LosAngelesArrivalTest : public LiveTrafficWorldTest,
                              public ::testing::WithParamInterface<GateHeading> {
protected:
    static constexpr Lalo kGate{33.9407012, -118.4065843};
    void placeUser(simworld::UserAircraftSetup& setup) override {
        simworld::TrackPoint gate;
        gate.latitudeDeg = kGate.lat;
        gate.longitudeDeg = kGate.lon;
        setup.track = {gate};
        setup.groundElevationFeet = kLosAngelesElevationFt;
    }
    UserAircraft& user_ = trafficWorld_.user;
    std::vector<FacilityRunway> runways_;
};

TEST_P(LosAngelesArrivalTest, TheArrivalOnRunway25LLandsOverAUserStandingAtItsGate) {
    SKYLOOM_REQUIRE_SHARED(file, kLosAngelesCapture);
    simworld::FacilityImportSources sources;
    sources.airportsCsv = sharedPath("data/runways/airports.csv");
    sources.runwaysCsv = sharedPath("data/runways/runways.csv");
    if (sources.airportsCsv.empty() || sources.runwaysCsv.empty()) {
        GTEST_SKIP() << "shared data not found: ../shared/data/runways";
    }
    const auto klax = simworld::gf_importAirportFacilities("KLAX", sources);
    for (const simworld::FacilityRunwaySetup& r : klax.runways) {
        runways_.push_back(gf_makeRunway(r));
    }
    state_.motionWorld.runways = runways_;
    state_.motionWorld.parkAirport = {{klax.latitudeDeg, klax.longitudeDeg},
                                      kLosAngelesElevationFt, IataCode("LAX"), true};
    UserAircraftState standing;
    standing.latitude = kGate.lat;
    standing.longitude = kGate.lon;
    standing.headingTrue = GetParam().headingDeg * geo::kRadiansPerDegree;
    standing.gpsGroundTrueTrack = GetParam().headingDeg;
    standing.altitude = kLosAngelesElevationFt + 7.5;
    user_.storeState(standing);
    user_.onGround.store(GetParam().userOnGround);

    constexpr std::uint32_t kEva620 = 9015604;
    auto leaving = [this] {
        const LiveAircraft* a = state_.findByHexid(kEva620);
        return a != nullptr && a->simState == SimState::removingfromsim;
    };
    CaptureReplay replay(tools::gf_readCapture(file, kLosAngelesElevationFt), mailbox_, clock_);
    bool removedByUserCheck = false;
    for (int tick = 1; tick <= 180 * 100; ++tick) {
        replay.feedDue();
        step();
        if (tick % 100 == 0) { // the user-data step
            const bool before = leaving();
            gf_checkUserCollisions(state_);
            removedByUserCheck = removedByUserCheck || (!before && leaving());
        }
    }
    // The touch-down message goes to the status line, which logs it.
    auto lines = logLines();
    for (const auto& status : trafficWorld_.window.payloads<GuiUpdate::StatusText>()) {
        if (status.log) {
            lines.push_back(status.text);
        }
    }
    const bool touchedDown = std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("EVA620 B-16785 EVA B77L touch down") != std::string::npos &&
               l.ends_with(" runway 25L ...");
    });
    EXPECT_EQ(touchedDown, GetParam().lands);
    EXPECT_EQ(removedByUserCheck, !GetParam().lands);
}

INSTANTIATE_TEST_SUITE_P(GateHeadings, LosAngelesArrivalTest,
                         // A user in the air there, looking along the runway, has the
                         // arrival taken out before the threshold.
                         ::testing::Values(GateHeading{92, true, true}, GateHeading{272, true, true},
                                           GateHeading{272, false, false}));

// A taxiing aircraft whose next report implies 97 kt while it reports 10 kt leaves at once and
// stays out until two further ground reports follow within 60 s and 150 m of each other.
// Reports that cannot be ordered (no time stamp), go back in time or add nothing are passed
// over.
TEST_F(LiveTrafficWorldTest, AJumpingTaxiTrackIsQuarantinedUntilItsReportsAgreeAgain) {
    const std::uint32_t hexid = 11260357;
    auto report = [&](double northMetres, double time) {
        return entry(hexid, "SWA962", "B738", 33.9483 + northMetres / 111195.0, -118.41, 125, 10,
                     false, time);
    };
    decodeMessage(state_, report(0, 1000));
    decodeMessage(state_, report(50, 1010));
    steps(0.02);
    ASSERT_NE(state_.findByHexid(hexid), nullptr);
    EXPECT_EQ(state_.findByHexid(hexid)->phase.phase, FlightPhase::taxi);

    TrafficEntry undated = report(60, 1015);
    undated.timestamp = std::numeric_limits<double>::quiet_NaN();
    decodeMessage(state_, undated);
    decodeMessage(state_, report(60, 990));
    // A negative speed counts as standing: 20 m are not covered in 2 s, the report adds nothing.
    TrafficEntry backwards = report(52, 1012);
    backwards.sample.groundSpeedKt = -5;
    decodeMessage(state_, backwards);
    EXPECT_EQ(state_.findByHexid(hexid)->stream.size(), 2u);

    decodeMessage(state_, report(550, 1020)); // 500 m in 10 s
    EXPECT_TRUE(state_.quarantine->contains(hexid));
    step();
    EXPECT_EQ(state_.findByHexid(hexid), nullptr) << "its create was withdrawn";

    decodeMessage(state_, report(600, 1030));
    EXPECT_EQ(state_.findByHexid(hexid), nullptr) << "two consistent reports so far";
    decodeMessage(state_, report(650, 1040));
    ASSERT_NE(state_.findByHexid(hexid), nullptr);
    EXPECT_FALSE(state_.quarantine->contains(hexid));
    EXPECT_TRUE(logHas("SWA962 ground track quarantine released after 3 consistent samples"));
    EXPECT_TRUE(journalCalls("SimConnect_AICreateNonATCAircraft").empty());
}

// With GUID_CHANGES on, an active aircraft that reports a registration with a livery of its own
// leaves the simulator and comes back in that livery: the first object is removed before the
// second is created.
TEST_F(LiveTrafficWorldTest, ARegistrationChangeRespawnsTheAircraftInAnotherLivery) {
    gf_updateParamsSnapshot([](ParamsSnapshot& s) { s.GUID_CHANGES = true; });
    const std::uint32_t hexid = 0x4b1801;
    decodeMessage(state_, entry(hexid, "SWR1", "A320", 47.40, 8.50, 5000, 250, true, 1000));
    // Due 10 s after the first, as its time stamp says: the aircraft flies toward it (an
    // aircraft whose reports are all due when it is created extrapolates, and respawns only
    // once that ends).
    TrafficEntry second = entry(hexid, "SWR1", "A320", 47.41, 8.50, 5000, 250, true, 1010);
    second.sample.time += 1000;
    decodeMessage(state_, second);
    steps(3.0);
    ASSERT_EQ(state_.findByHexid(hexid)->simState, SimState::active);
    const std::vector<std::string> first = createdTitles();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_NE(first[0], kSwissSpecial);

    decodeMessage(state_,
                  entry(hexid, "SWR1", "A320", 47.42, 8.50, 5000, 250, true, 1020, "HB-JLT"));
    steps(3.0);
    EXPECT_THAT(createdTitles(), ElementsAre(first[0], kSwissSpecial));
    std::vector<std::string> order;
    for (const simworld::JournalEntry& e : world_->journal()) {
        for (const char* call : {"SimConnect_AICreateNonATCAircraft", "SimConnect_AIRemoveObject"}) {
            if (e.kind == simworld::JournalKind::call && e.text.starts_with(call)) {
                order.emplace_back(call);
            }
        }
    }
    EXPECT_THAT(order, ElementsAre("SimConnect_AICreateNonATCAircraft", "SimConnect_AIRemoveObject",
                                   "SimConnect_AICreateNonATCAircraft"));
    EXPECT_EQ(objects_[hexid].size(), 2u);
    const auto respawns = logLines();
    EXPECT_TRUE(std::any_of(respawns.begin(), respawns.end(), [](const std::string& line) {
        return line.find("SWR1     HB-JLT") != std::string::npos &&
               line.ends_with("respawns because of regcode change");
    }));
}

// An aircraft for which the choice found no livery is remembered by its key: at or below the
// TCAS level it is dropped at the gate even once a livery is there, above it tried again.
TEST_F(LiveTrafficWorldTest, AnAircraftWithoutALiveryIsTriedAgainOnlyAboveTheTcasLevel) {
    gf_updateParamsSnapshot([](ParamsSnapshot& s) { s.MATCHING_DEPTH = 1; });
    const std::uint32_t hexid = 0x3c6444;
    auto twoReports = [&](double altitudeFt, double time) {
        decodeMessage(state_, entry(hexid, "DLH4AB", "A320", 50.0, 8.5, altitudeFt, 250, true,
                                    time, "D-AIBA"));
        decodeMessage(state_, entry(hexid, "DLH4AB", "A320", 50.01, 8.5, altitudeFt, 250, true,
                                    time + 10));
        steps(0.05);
    };
    twoReports(9000, 1000);
    EXPECT_EQ(state_.findByHexid(hexid), nullptr);
    ASSERT_EQ(state_.noLiveryKeys.size(), 1u);
    EXPECT_THAT(*state_.noLiveryKeys.begin(), ::testing::StartsWith("DLH"));
    EXPECT_THAT(*state_.noLiveryKeys.begin(), ::testing::EndsWith(" D-AIBA"));

    buildLiveryTables({{kA320Livery, "SWR", "A20N", ""}, {kSwissSpecial, "DLH", "A320", "D-AIBA"}});
    twoReports(9000, 2000);
    steps(0.5);
    EXPECT_TRUE(journalCalls("SimConnect_AICreateNonATCAircraft").empty());
    twoReports(25000, 3000);
    steps(0.5);
    EXPECT_THAT(createdTitles(), ElementsAre(kSwissSpecial));
}

// Three aircraft of one mailbox batch and two static aircraft: the simulator gets the live
// creates first, 200 ms apart; each live aircraft is switched on 2 s after its assignment and
// leaves with one removal when it is taken out.
TEST_F(LiveTrafficWorldTest, AMailboxBatchBecomesActiveAircraftThatLeaveAgain) {
    std::vector<TrafficEntry> batch;
    for (std::uint32_t i = 0; i < 3; ++i) {
        const std::string callsign = "RYR" + std::to_string(100 + i);
        for (double t : {1000.0, 1010.0}) {
            batch.push_back(entry(0x4ca000 + i, callsign.c_str(), "B738", 47.40 + i * 0.01 +
                                  (t - 1000) * 0.001, 8.50, 6000, 250, true, t));
        }
    }
    // One batch per report time, as the feed posts them.
    std::vector<TrafficEntry> older(batch.begin(), batch.end());
    std::erase_if(older, [](const TrafficEntry& e) { return e.timestamp > 1000; });
    std::erase_if(batch, [](const TrafficEntry& e) { return e.timestamp <= 1000; });
    mailbox_.post(older, TrafficBatchKind::live, 1, false);
    steps(0.05);
    mailbox_.post(batch, TrafficBatchKind::live, 1, false);
    for (int i = 0; i < 200 && state_.liveCreateQueue.size() < 3; ++i) {
        step();
    }
    for (const auto& [hexid, callsign] : {std::pair(11u, "S1*"), std::pair(12u, "S2*")}) {
        StaticAircraft& parked = state_.staticAircraft.emplace_back();
        parked.base.hexid = hexid;
        parked.base.callsign = callsign;
        parked.simState = SimState::adding2sim;
        state_.staticCreateQueue.push_back(createRequest(hexid, callsign));
    }
    steps(4.0);

    std::vector<std::pair<double, std::string>> creates;
    for (const simworld::JournalEntry& e : world_->journal()) {
        if (e.kind == simworld::JournalKind::call &&
            e.text.starts_with("SimConnect_AICreateNonATCAircraft")) {
            creates.emplace_back(e.seconds, e.text);
        }
    }
    ASSERT_EQ(creates.size(), 5u);
    for (std::size_t i = 0; i < creates.size(); ++i) {
        EXPECT_THAT(creates[i].second, HasSubstr(i < 3 ? "\"RYR" : "\"S")) << i;
        if (i > 0) {
            EXPECT_NEAR(creates[i].first - creates[i - 1].first, 0.2, 0.011) << i;
        }
    }
    ASSERT_EQ(state_.liveAircraft.size(), 3u);
    for (LiveAircraft& a : state_.liveAircraft) {
        EXPECT_EQ(a.simState, SimState::active) << a.base.callsign;
        removeAircraftFromSim(state_, a, "the test removes it");
    }
    steps(1.0);
    EXPECT_EQ(journalCalls("SimConnect_AIRemoveObject").size(), 3u);
    // Everything the first object was told, positions aside: taken over and frozen, asked for
    // its centre of gravity, lights toggled twice while it waits, then switched on, removed.
    std::vector<std::string> told;
    for (const std::string& call : journalCalls("SimConnect_")) {
        const bool forObject = call.find("(100,") != std::string::npos ||
                               call.find(", 405, 100,") != std::string::npos; // request, definition
        if (forObject && !call.starts_with("SimConnect_SetData")) {
            const std::size_t event = call.rfind('(');
            told.push_back(call.substr(0, call.find('(')) +
                           (call.ends_with(")") && event > call.find(')') ? call.substr(event) : ""));
        }
    }
    const std::string transmit = "SimConnect_TransmitClientEvent";
    // Then the motion configures the flying aircraft (lights, gear, flaps) until it leaves.
    ASSERT_GE(told.size(), 17u);
    EXPECT_EQ(told.back(), "SimConnect_AIRemoveObject");
    told.resize(16);
    EXPECT_THAT(told,
                ElementsAre("SimConnect_AIReleaseControl", transmit + "(FREEZE_LATITUDE_LONGITUDE_SET)",
                            transmit + "(FREEZE_ALTITUDE_SET)", transmit + "(FREEZE_ATTITUDE_SET)",
                            "SimConnect_RequestDataOnSimObject", transmit + "(ALL_LIGHTS_TOGGLE)",
                            transmit + "(ALL_LIGHTS_TOGGLE)", transmit + "(ENGINE_AUTO_START)",
                            transmit + "(SPOILERS_SET)", transmit + "(NAV_LIGHTS_SET)",
                            transmit + "(BEACON_LIGHTS_SET)", transmit + "(LANDING_LIGHTS_SET)",
                            transmit + "(TAXI_LIGHTS_SET)", transmit + "(STROBES_SET)",
                            transmit + "(LOGO_LIGHTS_SET)", transmit + "(CABIN_LIGHTS_SET)"));
    EXPECT_TRUE(state_.liveAircraft.empty());
}

} // namespace
} // namespace skyloom::testing
