// The program's static parking: its parking step loads a park airport's file and plans through
// the parking code's own stand helpers, leaving the requests the traffic step takes; leaving the
// park airport forgets the plan.
#include <algorithm>
#include <cstdlib>
#include <set>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "app/program_parking.h"
#include "config/parameters.h"
#include "foundation/program_clock.h"
#include "parking/airport_store.h"
#include "parking/park_airport_list.h"
#include "parking/parking_context.h"
#include "parking/parking_state.h"
#include "parking/static_parking.h"
#include "parking/static_parking_state.h"
#include "refdata/airports.h"
#include "refdata/park_airport.h"
#include "runtime/current_day_slot.h"
#include "runtime/run_services.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "tests/parking/support/parking_context_test.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/support/captured_log.h"
#include "tests/support/recording_window_sink.h"
#include "tests/support/temp_dir.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {
namespace {

using testing::kEham;

class ProgramStaticParkingTest : public testing::ParkingContextTest {
protected:
    void SetUp() override {
        ParkingContextTest::SetUp();
        clock_.setUtc(ManualClock::utcTime(2026, 3, 16, 6, 0, 0));
        gf_setClock(&clock_);
        gf_refreshCurrentDaySlot(); // Monday, slot 12
        gf_setAirports({kEham});
        // 24 stands; on a Monday at 06:00 the options of G1 and G22 are due.
        // A hand-made file: stands with their flight options.
        testing::writeApf(testing::gridAirport(24), gf_myThirdpartyFolder() / "EHAM.xml",
                          ApfMode::learned, true);
    }
    void TearDown() override {
        gf_clearCurrentDaySlot();
        gf_setClock(nullptr);
        gf_setAirports({});
        ParkingContextTest::TearDown();
    }

    StaticParkingState& plan_ = traffic_.plan;
};

TEST_F(ProgramStaticParkingTest, TheParkingStepPlansTheParkAirportThroughTheStandHelpers) {
    const testing::CapturedLog log;
    // The user's reserved stand there stays free of static aircraft.
    list_.setPositionAndName(kEham.icao, kEham.position(), "G1");
    entry_.set(kEham);
    state_.parkingUpdateRequested = true;

    gf_runParkingStep(context_);

    ASSERT_EQ(state_.stands.size(), 24u);
    EXPECT_FALSE(log.contains("not wired"));
    EXPECT_TRUE(log.contains("Reserved user stand 'G1' blocked for static aircraft"));
    ASSERT_FALSE(plan_.plan.empty());
    EXPECT_TRUE(plan_.generating);
    // The wanted count is the stand helper's, kept in the parking state and shown.
    EXPECT_GT(state_.maxParked, 0);
    EXPECT_EQ(plan_.wanted, state_.maxParked);
    const auto target = window_.last<GuiUpdate::ParkingTarget>();
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->count, state_.maxParked);
    std::set<std::int32_t> planned;
    for (const StaticParkRequest& request : plan_.plan) {
        const Stand* stand = gf_standById(state_, request.standId);
        ASSERT_NE(stand, nullptr);
        EXPECT_TRUE(stand->inUse) << stand->id;
        EXPECT_NE(stand->id, "G1");
        EXPECT_TRUE(planned.insert(request.standId).second) << "two aircraft on " << stand->id;
        EXPECT_EQ(request.source, 1u); // from the airport file: no RealTraffic list arrived
        EXPECT_FALSE(request.registration.empty());
    }
    EXPECT_LE(static_cast<std::int32_t>(plan_.plan.size()), state_.maxParked);

    // The traffic step has taken the plan: the parking controls come back, once.
    plan_.plan.clear();
    gf_followStaticParkingPlan(context_);
    EXPECT_FALSE(plan_.generating);

    // Leaving the park airport forgets the plan with the stands.
    plan_.plan.push_back({});
    plan_.removals.push_back({"KLM1", 3});
    lf_stopStaticParking(context_);
    EXPECT_TRUE(plan_.plan.empty());
    EXPECT_TRUE(plan_.removals.empty());
    EXPECT_TRUE(state_.stands.empty());
}

// The week RealTraffic's parked traffic of the file was taken from, as an airport file of the
// download area carries it.
void lf_setTrafficWeek(const std::filesystem::path& file, std::uint32_t week) {
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(file.c_str()));
    const pugi::xpath_node altitude = document.select_node("//parameter[@name='altitude']");
    ASSERT_TRUE(altitude);
    pugi::xml_node added =
        altitude.node().parent().insert_child_after("parameter", altitude.node());
    added.append_attribute("name") = "RT_traffic_week";
    added.append_attribute("value") = week;
    ASSERT_TRUE(document.save_file(file.c_str()));
}

TEST_F(ProgramStaticParkingTest, TheWindowIsShownWhatStaticParkingDoes) {
    lf_setTrafficWeek(gf_myThirdpartyFolder() / "EHAM.xml", 2613);
    entry_.set(kEham);
    state_.parkingUpdateRequested = true;
    gf_runParkingStep(context_);
    ASSERT_GE(plan_.plan.size(), 2u);
    const std::uint64_t planned = plan_.plan.size();
    // The file applied, then the plan made and being placed.
    EXPECT_THAT(controls_.shown,
                ::testing::ElementsAre(StaticParkingShown{false, true, 2613, 0},
                                       StaticParkingShown{true, true, 2613, 0},
                                       StaticParkingShown{true, true, 2613, planned}));

    // The main loop's look every 14 cycles: the positions still to place, shown when they
    // changed; none left gives the controls back and ends the generating.
    controls_.shown.clear();
    gf_followStaticParkingPlan(context_);
    EXPECT_TRUE(controls_.shown.empty()) << "nothing changed";
    plan_.plan.pop_back();
    gf_followStaticParkingPlan(context_);
    plan_.plan.clear();
    gf_followStaticParkingPlan(context_);
    EXPECT_THAT(controls_.shown,
                ::testing::ElementsAre(StaticParkingShown{true, true, 2613, planned - 1},
                                       StaticParkingShown{false, true, 2613, 0}));
    EXPECT_EQ(controls_.count("enableParkingControls"), 1u);

    // Leaving the park airport: static parking no longer runs.
    controls_.shown.clear();
    lf_stopStaticParking(context_);
    EXPECT_THAT(controls_.shown, ::testing::ElementsAre(StaticParkingShown{}));
}

} // namespace
} // namespace skyloom
