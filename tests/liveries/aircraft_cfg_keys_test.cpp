#include "liveries/aircraft_cfg_keys.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "liveries/livery_scan_state.h"

namespace skyloom {
namespace {

struct ValueCase {
    const char* line;
    std::optional<std::string> expected;
};

// The title rules stand for texture, atc_id and atc_parking_types, which share them.
TEST(AircraftCfgKeysTest, TitleLinesAreWholeLinesWithQuotedValues) {
    const std::vector<ValueCase> cases = {
        {"title=AIGAIM_Atlas Air Boeing 747-400LCF", "AIGAIM_Atlas Air Boeing 747-400LCF"},
        {"  TITLE  =  Lufthansa A320  ", "Lufthansa A320"},
        {"\tTitle\t=\tX\t", "X"},
        {R"(title = "FSLTL A30B  Canada" ; Variation name)", "FSLTL A30B  Canada"},
        {R"(title = " padded ")", " padded "},
        // No quotes: the trailing comment stays part of the value.
        {"title=Lufthansa ; old", "Lufthansa ; old"},
        // A lone quote, or two adjacent ones, give nothing: no title.
        {R"(title="Lufthansa)", std::nullopt},
        {R"(title="")", std::nullopt},
        {"title=", std::nullopt},
        {"title=   ", std::nullopt},
        // The whole line must match: prefixes and suffixes make other keys.
        {"ui_title=Lufthansa", std::nullopt},
        {"title_short=Lufthansa", std::nullopt},
        {"; title=Lufthansa", std::nullopt},
        {"titl", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_getTitle(c.line), c.expected) << c.line;
    }
}

TEST(AircraftCfgKeysTest, EachExtractorTakesOnlyItsOwnKey) {
    EXPECT_EQ(gf_getTexture(R"(texture = "CAN"; texture folder)"), "CAN");
    EXPECT_EQ(gf_getTexture("title=CAN"), std::nullopt);
    EXPECT_EQ(gf_getAtcId(R"(atc_id = "ASX320" ; tail number)"), "ASX320");
    EXPECT_EQ(gf_getAtcId(R"(atc_id = "")"), std::nullopt);
    EXPECT_EQ(gf_getAtcId("atc_id_enable = 1 ; enable tail number"), std::nullopt);
    EXPECT_EQ(gf_getAtcId("atc_id_color=0xffffffff"), std::nullopt);
    EXPECT_EQ(gf_getAtcParkingTypes("ATC_PARKING_TYPES=cargo,ramp"), "cargo,ramp");
    EXPECT_EQ(gf_getAtcParkingTypes("atc_parking_codes=GTI"), std::nullopt);
}

TEST(AircraftCfgKeysTest, IcaoAirlineMapsPlaceholdersAndUpperCases) {
    const std::vector<ValueCase> cases = {
        {"icao_airline=dlh", "DLH"},
        {R"(icao_airline = "CAN" ;)", "CAN"},
        {"icao_airline=ZZZZ", "ZZZ"},
        {"icao_airline=zzzz", "ZZZ"},
        // An empty quoted value is still an airline line: the placeholder airline.
        {R"(icao_airline="")", "ZZZ"},
        {"icao_airline=GA2J", "GA2J"},
        {"icao_airline=", std::nullopt},
        {"icao_airline_name=Lufthansa", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_getIcaoAirline(c.line), c.expected) << c.line;
    }
}

TEST(AircraftCfgKeysTest, TypeDesignatorKeepsFourUpperCaseCharacters) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"icao_type_designator=B738", "B738"},
        {"icao_type_designator=b738", "B738"},
        {R"(icao_type_designator = "A20N")", "A20N"},
        {"icao_type_designator=b737-800", "B737"},
        {"icao_type_designator=A332F", "A332"},
        {"icao_type_designator=E75", "E75"},
        {"icao_type_designator=", ""},
        {"ui_icao_type_designator=B738", ""},
    };
    for (const auto& [line, expected] : cases) {
        EXPECT_EQ(gf_getIcaoTypeDesignator(line), expected) << line;
    }
}

TEST(AircraftCfgKeysTest, BaseContainerNamesAStockAircraft) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {R"(base_container = "..\Asobo_A320_NEO")", "A20N"},
        {"base_container=../FlyByWire_A320_NEO", "A20N"},
        {R"(base_container = "..\Asobo_Icon")", "A5"},
        {R"(base_container = "..\Asobo_C172sp_classic")", "C172"},
        // The table's names are case-sensitive, and the first three characters are the "..\".
        {R"(base_container = "..\asobo_a320_neo")", ""},
        {R"(base_container = "Asobo_A320_NEO")", ""},
        {R"(base_container = "..\FSLTL_A30BF")", ""},
        {R"(base_container = "..\")", ""},
        {"base_container=", ""},
    };
    for (const auto& [line, expected] : cases) {
        EXPECT_EQ(gf_getBaseContainer(line), expected) << line;
    }
}

TEST(AircraftCfgKeysTest, FltsimNumberOfHeaderLines) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"[fltsim.0]", "0"},
        {"  [FLTSIM.12]  ", "12"},
        {"[FltSim.007]", "007"},
        {"[fltsim.x]", "10000"},
        {"[fltsim.1a]", "10000"},
        {"[fltsim.-1]", "10000"},
        {"[fltsim.3] ; first livery", "10000"},
        {";[fltsim.0]", ""},
        {"//[fltsim.0]", ""},
        {"[General]", ""},
        {"[fltsim]", ""},
        {"", ""},
    };
    for (const auto& [line, expected] : cases) {
        EXPECT_EQ(gf_getFltsimNumber(line), expected) << line;
    }
}

// Hostile files hold lines of any length; each is read in one pass, never by recursion.
TEST(AircraftCfgKeysTest, LinesOf100KilobytesAreReadLikeShortOnes) {
    constexpr std::size_t kLong = 100 * 1024;
    const std::string text(kLong, 'x');
    const std::string blanks(kLong, ' ');
    struct LongCase {
        const char* name;
        std::string line;
        std::optional<std::string> title;
        std::string fltsimNumber;
    };
    const std::vector<LongCase> cases = {
        {"long value", "title=" + text, text, ""},
        {"long quoted value", R"(  TITLE = ")" + text + R"(" ; comment)", text, ""},
        {"blanks after the value", "title=A" + blanks, "A", ""},
        {"blanks before the value", "title=" + blanks + "A", "A", ""},
        {"blanks only", "title=" + blanks, std::nullopt, ""},
        {"no key", blanks + text + "title", std::nullopt, ""},
        {"header and blanks", "[fltsim.0]" + blanks, std::nullopt, "0"},
        {"blanks and header", blanks + "[fltsim.12]", std::nullopt, "12"},
        {"header and text", "[fltsim.0]" + text, std::nullopt, "10000"},
        {"long number", "[fltsim." + std::string(kLong, '7') + "]", std::nullopt,
         std::string(kLong, '7')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_getTitle(c.line), c.title) << c.name;
        EXPECT_EQ(gf_getFltsimNumber(c.line), c.fltsimNumber) << c.name;
    }
    EXPECT_EQ(gf_getTexture("texture = " + text + blanks), text);
    EXPECT_EQ(gf_getAtcId("atc_id=" + blanks), std::nullopt);
    EXPECT_EQ(gf_getAtcParkingTypes("atc_parking_types=" + text), text);
    EXPECT_EQ(gf_getIcaoAirline("icao_airline=" + text), std::string(kLong, 'X'));
    EXPECT_EQ(gf_getIcaoTypeDesignator("icao_type_designator=" + text), "XXXX");
    EXPECT_EQ(gf_getBaseContainer("base_container=" + text), "");
}

// A line break inside a value (a lone CR or LF that the line reader kept) makes the line no key
// line; around the value it is a blank like any other.
TEST(AircraftCfgKeysTest, LineBreaksAreBlanksOnlyAroundTheValue) {
    const std::vector<ValueCase> cases = {
        {"title=A\rB", std::nullopt},
        {"title=A\nB", std::nullopt},
        {"\rtitle\n=\rA B\r\n", "A B"},
        {"\v\ftitle=\fA\v", "A"},
        // Bytes beyond ASCII are no blanks.
        {"title=\xc2\xa0"
         "A",
         "\xc2\xa0"
         "A"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_getTitle(c.line), c.expected) << c.line;
    }
}

TEST(AircraftCfgKeysTest, KeyNameTestsFindTheKeyAnywhere) {
    EXPECT_TRUE(gf_hasAtcIdKey("ATC_ID=D-AIBA"));
    EXPECT_TRUE(gf_hasAtcIdKey("; atc_id=old"));
    EXPECT_FALSE(gf_hasAtcIdKey("atc_id = D-AIBA"));
    EXPECT_FALSE(gf_hasAtcIdKey("atc_id_enable=1"));
    EXPECT_TRUE(gf_hasAtcParkingTypesKey("Atc_Parking_Types = GATE"));
    EXPECT_FALSE(gf_hasAtcParkingTypesKey("atc_parking_codes=GTI"));
    EXPECT_TRUE(gf_containsNoCase("xxTiTlExx", "title"));
    EXPECT_FALSE(gf_containsNoCase("tit", "title"));
}

TEST(AircraftCfgKeysTest, ReportLinesArePaddedCodesWithThePath) {
    LiveryScanState scan;
    gf_addReportLine(scan, "XYZ", "/c/a/aircraft.cfg", "[fltsim.2]");
    gf_addModelReportLine(scan, "Q123", "/c/a/aircraft.cfg");
    ASSERT_EQ(scan.reports.invalidAirlineCodes.size(), 1u);
    EXPECT_EQ(scan.reports.invalidAirlineCodes[0], "XYZ          in /c/a/aircraft.cfg [fltsim.2]");
    ASSERT_EQ(scan.reports.invalidModelCodes.size(), 1u);
    EXPECT_EQ(scan.reports.invalidModelCodes[0], "Q123             in /c/a/aircraft.cfg");
}

} // namespace
} // namespace skyloom
