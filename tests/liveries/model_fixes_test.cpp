#include "liveries/model_fixes.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/text_files.h"
#include "liveries/stock_aircraft.h"
#include "tests/liveries/support/cfg_test_support.h"

namespace skyloom {
namespace {

class ModelFixTest : public ::testing::Test {
protected:
    std::string
    model(std::string_view text,
          const std::filesystem::path& path = "/c/pkg/SimObjects/Airplanes/X/aircraft.cfg") {
        return gf_applyModelFix(scan_, path, gf_splitLines(text));
    }
    const LiveryScanReports& reports() const { return scan_.reports; }

    testing::CfgTestDbase dbase_;
    LiveryScanState scan_;
};

TEST_F(ModelFixTest, KnownDesignatorIsKeptQuietly) {
    EXPECT_EQ(model("[General]\nicao_type_designator=b738\n[fltsim.0]\ntitle=A\n"), "B738");
    EXPECT_TRUE(reports().fixes.empty());
    EXPECT_TRUE(reports().invalidModelCodes.empty());
    EXPECT_TRUE(reports().invalidAircraftCfgFiles.empty());
}

TEST_F(ModelFixTest, WrongDesignatorIsFixedAndListed) {
    const std::filesystem::path path = "/c/pkg/SimObjects/Airplanes/B737/aircraft.cfg";
    EXPECT_EQ(model("icao_type_designator=\"B73H\"\n", path), "B738");
    ASSERT_EQ(reports().fixes.size(), 1u);
    EXPECT_EQ(reports().fixes[0],
              "Model fix: B73H found in " + path.string() + " changed into B738");
}

TEST_F(ModelFixTest, UnknownDesignatorIsReportedAndGivesNoModel) {
    const std::filesystem::path path = "/c/pkg/aircraft.cfg";
    EXPECT_EQ(model("icao_type_designator=Q400X\n", path), "");
    ASSERT_EQ(reports().invalidModelCodes.size(), 1u);
    EXPECT_EQ(reports().invalidModelCodes[0], "Q400             in " + path.string());
}

TEST_F(ModelFixTest, OnlyTheFirstDesignatorCountsWhereverItStands) {
    EXPECT_EQ(model("[fltsim.0]\ntitle=A\nicao_type_designator=A320\n"
                    "[General]\nicao_type_designator=B738\n"),
              "A320");
    // An empty value is no designator: the next one counts.
    EXPECT_EQ(model("icao_type_designator=\"\"\nicao_type_designator=E190\n"), "E190");
}

TEST_F(ModelFixTest, BaseContainerIsTheFallback) {
    EXPECT_EQ(model("[VARIATION]\nbase_container = \"..\\FSLTL_A30BF\"\n"
                    "base_container = \"..\\Asobo_A320_NEO\"\n"),
              "A20N");
    EXPECT_TRUE(reports().invalidAircraftCfgFiles.empty());
    // A designator, even a late one, wins over a base container.
    EXPECT_EQ(model("base_container = \"..\\Asobo_A320_NEO\"\nicao_type_designator=B738\n"),
              "B738");
}

TEST_F(ModelFixTest, NoModelLineAtAll) {
    const std::filesystem::path plain = "/c/pkg/SimObjects/Airplanes/X/aircraft.cfg";
    EXPECT_EQ(model("[fltsim.0]\ntitle=A\nbase_container=\"..\\Other\"\n", plain), "");
    ASSERT_EQ(reports().invalidAircraftCfgFiles.size(), 1u);
    EXPECT_EQ(reports().invalidAircraftCfgFiles[0],
              "Line icao_type_designator= is missing in [General] section of " + plain.string());

    // The two airliner add-on families end quietly.
    for (const char* path : {"/c/Community/pmdg-aircraft-738/SimObjects/aircraft.cfg",
                             "/c/Community/fnx-aircraft-320/SimObjects/aircraft.cfg"}) {
        EXPECT_EQ(model("[fltsim.0]\ntitle=A\n", path), "") << path;
    }
    EXPECT_EQ(reports().invalidAircraftCfgFiles.size(), 1u);
    EXPECT_TRUE(reports().invalidModelCodes.empty());
}

TEST(StockAircraftTest, TableEntries) {
    EXPECT_EQ(gf_stockAircraftType("Asobo_B747_8i"), "B748");
    EXPECT_EQ(gf_stockAircraftType("Asobo_208B_GRAND_CARAVAN_EX"), "C208");
    EXPECT_EQ(gf_stockAircraftType("FlyByWire_A320_NEO"), "A20N");
    EXPECT_EQ(gf_stockAircraftType("Asobo_VL3"), "VL3");
    EXPECT_EQ(gf_stockAircraftType("ASOBO_VL3"), std::nullopt);
    EXPECT_EQ(gf_stockAircraftType(""), std::nullopt);
}

} // namespace
} // namespace skyloom
