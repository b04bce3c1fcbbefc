#include "refdata/dbase.h"

#include <stdexcept>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/file_header.h"
#include "foundation/version.h"
#include "refdata/code_table.h"
#include "refdata/dbase_lookups.h"
#include "tests/refdata/support/refdata_test_support.h"

namespace skyloom {
namespace {

constexpr const char* kBody = R"(
  <models>
    <m c="A320" w="35.80"/>
    <m c="B744" w="64.44"/>
    <m c="C172" w="11.0"/>
    <m c="EC35"/>
    <m c="B738" w="35.79"/>
    <m c="B74F" w="64.44"/>
    <m c="BE58" w="11.53"/>
    <m c="C25A" w="14.4"/>
    <m c="F16" w="9.96"/>
    <m c="SR22" w="11.68"/>
  </models>
  <ICAO_airlines a="DLH, BAW,FDX , UPS"/>
  <ICAO_airlines a="KLM"/>
  <modelfixes>
    <f w="B737-800" c="B738"/>
    <f w="A320NEO" c="A20N"/>
  </modelfixes>
  <categories>
    <c n="Heavy" m="B744,B74F"/>
    <c n="Large" m="A320,B738,B744"/>
    <c n="TwoProps" m="BE58"/>
    <c n="Bizjet" m="C25A,BE58"/>
    <c n="HighPerf" m="F16,EC35"/>
    <c n="Rotorcraft" m="EC35"/>
  </categories>
  <cargomodels m="B74F"/>
  <cargooperators a="FDX,UPS"/>
  <similar>
    <g m="A320,B738"/>
  </similar>
)";

class DbaseTest : public ::testing::Test {
protected:
    void SetUp() override { testing::resetReferenceData(); }
    void TearDown() override { testing::resetReferenceData(); }

    void read(std::string_view body = kBody) {
        testing::writeText(dir_ / "dbase.xml", testing::dataSetXml("dbase", "2026.1.0", body));
        gf_readDbase(dir_.path());
    }

    testing::TempDir dir_;
};

TEST_F(DbaseTest, ModelsAreInternedInFileOrderAfterTheEmptyCode) {
    read();
    EXPECT_EQ(gf_modelCodeTable().find("A320"), 1);
    EXPECT_EQ(gf_modelCodeTable().find("B744"), 2);
    EXPECT_EQ(gf_modelCodeTable().text(0), "");
    EXPECT_EQ(gf_airlineCodeTable().text(0), "");
}

TEST_F(DbaseTest, KnownCodesAreExactAndCaseSensitive) {
    read();
    EXPECT_TRUE(gf_isKnownModel("A320"));
    EXPECT_FALSE(gf_isKnownModel("a320"));
    EXPECT_FALSE(gf_isKnownModel("A20N"));
    EXPECT_TRUE(gf_isKnownAirline("BAW"));
    EXPECT_TRUE(gf_isKnownAirline("UPS"));
    EXPECT_TRUE(gf_isKnownAirline("KLM"));
    EXPECT_FALSE(gf_isKnownAirline("baw"));
    EXPECT_FALSE(gf_isKnownAirline(""));
}

// Large, Heavy, Bizjet, TwoProps, Rotorcraft, HighPerf are tested in this order: a model in
// several lists takes the first, whatever order the file lists them in.
TEST_F(DbaseTest, CategoriesAreTestedInTheirOrder) {
    read();
    struct Case {
        const char* model;
        AircraftCategory expected;
    };
    const Case cases[] = {
        {"B744", AircraftCategory::Large},      // Large before Heavy
        {"B74F", AircraftCategory::Heavy},      // Heavy only
        {"BE58", AircraftCategory::Bizjet},     // Bizjet before TwoProps
        {"EC35", AircraftCategory::Rotorcraft}, // Rotorcraft before HighPerf
        {"F16", AircraftCategory::HighPerf},    // HighPerf only
        {"C172", AircraftCategory::Light},      // in no list
        {"ZZZZ", AircraftCategory::Light},      // not in the dbase at all
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_modelCategoryOf(c.model), c.expected) << c.model;
    }
    EXPECT_EQ(gf_modelCategory(0), AircraftCategory::Light);
    EXPECT_EQ(gf_modelCategory(65535), AircraftCategory::Light);
}

TEST_F(DbaseTest, WingspansAreHalfSpansInNauticalMiles) {
    read();
    EXPECT_DOUBLE_EQ(gf_wingspan(gf_modelId("A320")), 35.80 * 0.5 * 0.0005399568034557236);
    EXPECT_DOUBLE_EQ(gf_wingspan(gf_modelId("C172")), 11.0 * 0.5 * 0.0005399568034557236);
    EXPECT_EQ(gf_wingspan(gf_modelId("EC35")), 0.0);
    EXPECT_EQ(gf_wingspan(0), 0.0);
    EXPECT_EQ(gf_wingspan(2699), 0.0);
    // Beyond the table the span is unknown, never a fixed figure that reads as 35 NM.
    EXPECT_EQ(gf_wingspan(2700), 0.0);
    EXPECT_EQ(gf_wingspan(65535), 0.0);
    EXPECT_DOUBLE_EQ(g_maxHalfWingSpan.load(), 64.44 * 0.5 * 0.0005399568034557236);
}

TEST_F(DbaseTest, ModelFixResolvesOnlyToAKnownFixedCode) {
    read();
    EXPECT_EQ(gf_lookupModelFix("B737-800"), "B738");
    EXPECT_FALSE(gf_lookupModelFix("b737-800").has_value());
    EXPECT_FALSE(gf_lookupModelFix("B738").has_value());
    const auto size = gf_modelCodeTable().size();
    // The fixed code is in the table: the wrong code is not appended.
    EXPECT_EQ(gf_modelId("B737-800"), gf_modelId("B738"));
    EXPECT_EQ(gf_modelCodeTable().size(), size);
    // A20N is not in the table: the wrong code itself is appended.
    const auto id = gf_modelId("A320NEO");
    EXPECT_EQ(gf_modelCode(id), "A320NEO");
    EXPECT_EQ(gf_modelCodeTable().size(), size + 1);
}

TEST_F(DbaseTest, CargoByModelOrByAirlineNotByOperator) {
    read();
    const auto fdx = gf_airlineId("FDX");
    const auto dlh = gf_airlineId("DLH");
    const auto b74f = gf_modelId("B74F");
    const auto a320 = gf_modelId("A320");
    EXPECT_TRUE(gf_isCargo(LiveryKey{dlh, 0, b74f, 0, 0}));
    EXPECT_TRUE(gf_isCargo(LiveryKey{fdx, 0, a320, 0, 0}));
    EXPECT_FALSE(gf_isCargo(LiveryKey{dlh, 0, a320, 0, 0}));
    EXPECT_FALSE(gf_isCargo(LiveryKey{dlh, fdx, a320, 0, 0}));
}

TEST_F(DbaseTest, EncryptedFileIsPreferredOverPlainOne) {
    testing::writeText(dir_ / "dbase.xml",
                       testing::dataSetXml("dbase", "1.0.0", R"(<models><m c="PLAIN"/></models>)"));
    testing::writeEncrypted(
        dir_ / "dbase.enc",
        testing::dataSetXml("dbase", "2.0.0", R"(<models><m c="ENCR"/></models>)"));
    gf_readDbase(dir_.path());
    EXPECT_TRUE(gf_isKnownModel("ENCR"));
    EXPECT_FALSE(gf_isKnownModel("PLAIN"));
    EXPECT_EQ(gf_dbase()->version(), "2.0.0");
}

// A dbase that cannot be used is refused with a reason, and the one in use stays.
TEST_F(DbaseTest, UnusableFileLeavesTheCurrentDbase) {
    read();
    struct Case {
        const char* name;
        std::string text;
        const char* reason;
    };
    const Case cases[] = {
        {"not XML", "<root><models>", "not valid XML"},
        {"no header", "<root><dataset name=\"dbase\" version=\"1.0\"/></root>",
         "no copyright info in the file?"},
        {"no dataset",
         fmt::format("<root><meta version=\"{}\" sim=\"2\" copyright=\"{}\"/></root>",
                     gf_programVersionText(), kMakerCopyright),
         "no 'dataset' element"},
        {"wrong set", testing::dataSetXml("airports", "1.0", ""), "holds the data set 'airports'"},
        {"bad version", testing::dataSetXml("dbase", "one", ""), "invalid data set version"},
    };
    for (const auto& c : cases) {
        testing::writeText(dir_ / "dbase.xml", c.text);
        try {
            gf_readDbase(dir_.path());
            ADD_FAILURE() << c.name << ": no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos)
                << c.name << ": " << e.what();
        }
        EXPECT_TRUE(gf_isKnownModel("A320")) << c.name;
    }
}

TEST_F(DbaseTest, MissingFileNamesBothForms) {
    try {
        gf_readDbase(dir_.path());
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("dbase not found in"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("(dbase.enc or dbase.xml)"), std::string::npos);
    }
}

// Faulty records are logged and skipped; the rest of the file is read.
TEST_F(DbaseTest, FaultyRecordsAreSkippedAndLogged) {
    testing::CapturedLog log;
    read(R"(
      <models>
        <m c="A320" w="35.8"/>
        <m c="A320" w="40"/>
        <m w="10"/>
        <m c="B738" w="wide"/>
        <m c="A388" w="-3"/>
      </models>
      <categories><c n="Light" m="A320"/><c n="Giant" m="A388"/><c n="Large" m="A320"/></categories>
      <modelfixes><f w="X" c="X"/><f w="B7378" c="B738"/><f w="B7378" c="B737"/></modelfixes>
      <similar><g m="A320"/></similar>
    )");
    const auto dbase = gf_dbase();
    EXPECT_EQ(dbase->counts().models, 3u);
    EXPECT_EQ(dbase->counts().wingspans, 1u);
    EXPECT_EQ(dbase->counts().skipped, 9u);
    EXPECT_TRUE(gf_isKnownModel("B738"));
    EXPECT_EQ(gf_wingspan(gf_modelId("B738")), 0.0);
    EXPECT_EQ(gf_modelCategoryOf("A320"), AircraftCategory::Large);
    EXPECT_EQ(gf_lookupModelFix("B7378"), "B738");
    EXPECT_TRUE(log.contains("dbase.xml: model A320 listed twice"));
    EXPECT_TRUE(log.contains("dbase.xml: model B738: wingspan 'wide' ignored"));
    EXPECT_TRUE(log.contains("dbase.xml: category 'Giant' skipped"));
    EXPECT_TRUE(log.contains("dbase.xml: category 'Light' skipped"));
    EXPECT_TRUE(log.contains("dbase.xml: similar group 'A320' has fewer than 2 models"));
    EXPECT_TRUE(log.has("    3 ICAO aircraft models, 1 with wingspan"));
}

TEST_F(DbaseTest, ReadLogsItsCounts) {
    testing::CapturedLog log;
    read();
    EXPECT_TRUE(log.has("   10 ICAO aircraft models, 9 with wingspan"));
    EXPECT_TRUE(log.has("    5 ICAO airline codes"));
    EXPECT_TRUE(log.has("    2 model fixes"));
    EXPECT_TRUE(log.has("    1 similar model groups"));
    EXPECT_TRUE(log.has("    1 cargo models, 2 cargo operators"));
    EXPECT_TRUE(log.has("    0 registrations"));
}

} // namespace
} // namespace skyloom
