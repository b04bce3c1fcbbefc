// The facility connection "PARKING_DATA_RDR": it opens once and adds definition 1001 field by
// field in its order, a refused open or field leaves it closed, and closing logs, forgets both
// definitions and does nothing when nothing is open.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/facility_connection.h"
#include "tests/sim/support/facility_test_support.h"

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class FacilityConnectionTest : public FacilityTest {};

simworld::FaultSetup lf_fail(const char* function, std::uint32_t nth = 1) {
    simworld::FaultSetup f;
    f.kind = simworld::FaultKind::failCall;
    f.function = function;
    f.nth = nth;
    return f;
}

TEST_F(FacilityConnectionTest, OpensOnceUnderItsNameWithDefinition1001InOrder) {
    startWorld({});
    ASSERT_TRUE(gf_openFacilityConnection());
    ASSERT_TRUE(gf_openFacilityConnection());
    EXPECT_TRUE(gf_isFacilityConnectionOpen());
    EXPECT_EQ(world_->connectionCount(), 1u);
    EXPECT_THAT(journalCalls("SimConnect_Open("),
                ElementsAre("SimConnect_Open(\"PARKING_DATA_RDR\", config=0) = S_OK #1"));
    EXPECT_THAT(definitionFields(1001), ElementsAreArray({"OPEN AIRPORT",
                                                          "LATITUDE",
                                                          "LONGITUDE",
                                                          "ALTITUDE",
                                                          "NAME",
                                                          "N_HELIPADS",
                                                          "N_TAXI_PARKINGS",
                                                          "OPEN TAXI_PARKING",
                                                          "TYPE",
                                                          "TAXI_POINT_TYPE",
                                                          "NAME",
                                                          "SUFFIX",
                                                          "NUMBER",
                                                          "ORIENTATION",
                                                          "HEADING",
                                                          "RADIUS",
                                                          "BIAS_X",
                                                          "BIAS_Z",
                                                          "CLOSE TAXI_PARKING",
                                                          "OPEN HELIPAD",
                                                          "LATITUDE",
                                                          "LONGITUDE",
                                                          "ALTITUDE",
                                                          "HEADING",
                                                          "LENGTH",
                                                          "WIDTH",
                                                          "SURFACE",
                                                          "TYPE",
                                                          "CLOSE HELIPAD",
                                                          "CLOSE AIRPORT"}));
    // The world took every field: no EXCEPTION came back.
    for (const simworld::JournalEntry& entry : world_->journal()) {
        EXPECT_FALSE(entry.text.starts_with("EXCEPTION")) << entry.text;
    }
    EXPECT_FALSE(gf_runwayDefinitionAdded());
}

TEST_F(FacilityConnectionTest, ARefusedOpenGivesFalseWithItsLine) {
    simworld::FaultSetup refuse;
    refuse.kind = simworld::FaultKind::refuseOpen;
    refuse.count = 1;
    startWorld({}, {refuse});
    EXPECT_FALSE(gf_openFacilityConnection());
    EXPECT_FALSE(gf_isFacilityConnectionOpen());
    EXPECT_THAT(importantLines(),
                ElementsAre("==> SimConnect_Open (PARKING_DATA_RDR) FAILED hr=0x80004005"));
    EXPECT_TRUE(gf_openFacilityConnection());
}

TEST_F(FacilityConnectionTest, NoSimulatorNoConnection) {
    EXPECT_FALSE(gf_openFacilityConnection());
    EXPECT_FALSE(gf_isFacilityConnectionOpen());
}

TEST_F(FacilityConnectionTest, ARefusedFieldClosesTheNewConnectionAgain) {
    startWorld({}, {lf_fail("SimConnect_AddToFacilityDefinition", 5)});
    EXPECT_FALSE(gf_openFacilityConnection());
    EXPECT_THAT(importantLines(),
                ElementsAre("==> SimConnect facility definition initialization failed"));
    EXPECT_FALSE(gf_isFacilityConnectionOpen());
    EXPECT_EQ(gf_facilityConnectionHandle(), nullptr);
    EXPECT_EQ(world_->connectionCount(), 0u);
    // Stopped at the first refusal, the fifth field.
    const auto calls = journalCalls("SimConnect_AddToFacilityDefinition");
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_THAT(calls.back(), ::testing::HasSubstr("(1001, \"NAME\") = 0x80004005"));
}

TEST_F(FacilityConnectionTest, ClosingLogsAndForgetsEverythingAndTwiceDoesNothing) {
    startWorld({});
    ASSERT_TRUE(gf_openFacilityConnection());
    gf_markRunwayDefinitionAdded();
    gf_closeFacilityConnection();
    EXPECT_FALSE(gf_isFacilityConnectionOpen());
    EXPECT_FALSE(gf_runwayDefinitionAdded());
    EXPECT_EQ(gf_facilityConnectionHandle(), nullptr);
    EXPECT_EQ(world_->connectionCount(), 0u);
    const auto lines = logLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_THAT(std::vector<std::string>(lines.end() - 2, lines.end()),
                ElementsAre("SimConnect closed ok", "SimConnect (PARKING_DATA_RDR) closed"));
    const std::size_t before = logLines().size();
    gf_closeFacilityConnection();
    EXPECT_EQ(logLines().size(), before);
}

TEST_F(FacilityConnectionTest, AFailedCloseIsReportedAndTheConnectionIsForgottenAnyway) {
    startWorld({}, {lf_fail("SimConnect_Close")});
    ASSERT_TRUE(gf_openFacilityConnection());
    gf_closeFacilityConnection();
    EXPECT_FALSE(gf_isFacilityConnectionOpen());
    EXPECT_THAT(importantLines(), ElementsAre("==> Closing SimConnect failed?!"));
    EXPECT_TRUE(logHas("SimConnect (PARKING_DATA_RDR) closed"));
    EXPECT_TRUE(gf_openFacilityConnection());
}

} // namespace
} // namespace skyloom::testing
