// The stand search's and the adjustments' handling of aircraft already present: an option
// found in use is skipped for the run but keeps its number for the learned file; empty
// registrations never make two aircraft one; stayers and kept marks do not outlive the plan
// that made them; a removal is dropped only when the plan shows the same callsign again.
#include <gtest/gtest.h>

#include "foundation/program_clock.h"
#include "parking/parking_adjustments.h"
#include "parking/stand_search_checks.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/parking/support/static_parking_fixture.h"
#include "tests/support/captured_log.h"

namespace skyloom {
namespace {

// Two stands apart from each other; on both, options of the current half-hour.
class StandSearchTest : public ::testing::Test {
protected:
    StandSearchTest() {
        const DaySlotParts now = gf_unpackDaySlot(f.now);
        for (std::int32_t sid = 1; sid <= 2; ++sid) {
            Stand stand = testing::standAt("A" + std::to_string(sid), 52.3, 4.7 + sid * 0.01, 0, 40,
                                           StandType::GATE_HEAVY);
            stand.sid = sid;
            f.stands.push_back(std::move(stand));
        }
        f.settings.parking_percentage = 100;
        option =
            testing::optionOf("KLM", "B738", "PH-BXA", static_cast<std::uint32_t>(now.weekday),
                              static_cast<unsigned>(now.slot), static_cast<unsigned>(now.slot), 1);
        option.callsign = "KLM1";
        option.key.model = testing::testModelId(4);
    }

    const testing::CapturedLog log;
    testing::StaticParkingFixture f;
    FlightOption option;
};

TEST_F(StandSearchTest, AnAircraftFoundInUseIsSkippedForTheRunAndComesBackAtAnAdjustment) {
    f.stands[0].options = {option};
    f.stands[1].options = {option};
    f.plan();
    ASSERT_EQ(f.state.plan.size(), 1u);
    const std::int32_t planned = f.state.plan[0].standId;
    const Stand& other = f.stands[planned == 1 ? 1 : 0];
    EXPECT_TRUE(other.options[0].inUseThisRun.set);
    EXPECT_EQ(other.options[0].seq, 1u); // still written to the learned file
    EXPECT_FALSE(gf_isOptionAvailable(other.options[0]));
    f.stands[static_cast<std::size_t>(planned) - 1].options.clear();
    f.plan(); // plans do not renumber
    EXPECT_TRUE(f.state.plan.empty());
    f.adjust();
    ASSERT_EQ(f.state.plan.size(), 1u);
    EXPECT_EQ(f.state.plan[0].standId, other.sid);
}

TEST_F(StandSearchTest, EmptyRegistrationsAndCallsignsNeverMatch) {
    const struct {
        const char* reg;
        const char* callsign;
        bool inUse;
    } cases[] = {
        {"", "", false}, {"", "KLM1", true}, {"PH-BXA", "", true}, {"PH-XXX", "DLH9", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.reg) + "/" + c.callsign);
        testing::StaticParkingFixture g;
        g.state.stayers.push_back({"", "", 2, 0});
        g.state.stayers.push_back({"KLM1", "PH-BXA", 2, 0});
        EXPECT_EQ(lf_optionInUse(g.run(), g.state, c.reg, c.callsign, c.callsign), c.inUse);
    }
}

TEST_F(StandSearchTest, APlanForgetsStayersAndKeptMarksOfEarlierWork) {
    f.stands[0].options = {option};
    f.stands[0].exclusions = {2};
    f.stands[1].exclusions = {1};
    f.state.stayers.push_back({"DLH1", "D-AAAA", 2, 0}); // left by an earlier adjustment
    f.statics.emplace_back().kept = true;
    f.statics.back().standId = 7; // a stand of an airport left behind
    f.plan();
    EXPECT_TRUE(f.state.stayers.empty());
    EXPECT_FALSE(f.statics.back().kept);
    ASSERT_EQ(f.state.plan.size(), 1u);
    EXPECT_EQ(f.state.plan[0].standId, 1);
    gf_clearStaticParkingState(f.state);
    EXPECT_TRUE(f.state.plan.empty());
}

TEST_F(StandSearchTest, OnlyARemovalThePlanShowsAgainUnchangedIsDropped) {
    const struct {
        std::uint8_t preferFirst;
        bool dropped;
    } cases[] = {{1, true}, {0, false}};
    for (const auto& c : cases) {
        StaticParkingState state;
        state.removals = {{"KLM1*", 1}, {"KLM7*", 2}};
        ParkingPlanEntry entry;
        entry.standId = 1;
        entry.callsign = "KLM1";
        entry.callsign2 = "KLM2";
        entry.preferFirst = c.preferFirst;
        state.plan = {entry};
        lf_dropUnchangedReplacements(state);
        EXPECT_EQ(state.plan.empty(), c.dropped);
        EXPECT_EQ(state.removals.size(), c.dropped ? 1u : 2u);
        EXPECT_EQ(state.removals.front().callsign, c.dropped ? "KLM7*" : "KLM1*");
    }
}

} // namespace
} // namespace skyloom
