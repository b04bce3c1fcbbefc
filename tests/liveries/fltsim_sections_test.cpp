#include "liveries/fltsim_sections.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/text_files.h"
#include "refdata/code_table.h"
#include "tests/liveries/support/cfg_test_support.h"

namespace skyloom {
namespace {

const std::filesystem::path kFolder = "/c/AIG/SimObjects/Airplanes/AIG_A320";
const std::filesystem::path kPath = kFolder / "aircraft.cfg";

class FltsimSectionTest : public ::testing::Test {
protected:
    // One section's text, processed with rank 3.
    std::optional<LiveryRecord> process(std::string_view text, std::string_view model = "A320") {
        std::vector<std::string> lines = gf_splitLines(text);
        return gf_procesFltSimSection(scan_, 3, lines, model, kPath, kFolder);
    }
    const std::vector<std::string>& incomplete() const { return scan_.reports.incompleteSections; }
    const std::vector<std::string>& invalidAirlines() const {
        return scan_.reports.invalidAirlineCodes;
    }
    static LiveryKey key(std::string_view airline, std::string_view model, int cargo = 0) {
        return LiveryKey{gf_airlineId(airline), 0, gf_modelId(model),
                         static_cast<std::uint8_t>(cargo), 0};
    }

    testing::CfgTestDbase dbase_;
    testing::CfgLogCapture log_;
    LiveryScanState scan_;
};

TEST_F(FltsimSectionTest, CompleteSectionGivesOneRecord) {
    const auto record = process("[fltsim.0]\n"
                                "title = \" Lufthansa A320 D-AIZZ \" ; name\n"
                                "texture=DLH\n"
                                "atc_parking_types=GATE,RAMP\n"
                                "atc_id=D-AIZZ ; the tail\n"
                                "icao_airline=dlh\n"
                                "\n"
                                "; trailing comment\n");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->title, "Lufthansa A320 D-AIZZ");
    EXPECT_EQ(record->regcode, "D-AIZZ");
    EXPECT_EQ(record->key.value(), key("DLH", "A320").value());
    EXPECT_EQ(record->packageRank, 3);
    EXPECT_TRUE(incomplete().empty());
    EXPECT_TRUE(invalidAirlines().empty());
    EXPECT_TRUE(scan_.titles.contains("Lufthansa A320 D-AIZZ"));
}

TEST_F(FltsimSectionTest, AtcIdValues) {
    struct Case {
        const char* atcId;
        const char* regcode;
        bool reported;
    };
    const std::vector<Case> cases = {
        {"D-AIZZ;old D-AIZY", "D-AIZZ", false},
        {"D-AIZZ, D-AIZY", "", false},
        {" , D-AIZZ , ", "D-AIZZ", false},
        {"ABCDEFGHIJKLM", "", true}, // 13 characters
        {"ABCDEFGHIJKL", "ABCDEFGHIJKL", false},
        {"D-AI*Z", "", true},
        {"D-AIZZ, N*", "", true},
        {";only a comment", "", true},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string title = "Lufthansa " + std::to_string(n++);
        const auto before = incomplete().size();
        const auto record =
            process("[fltsim.0]\ntitle=" + title + "\natc_id=" + c.atcId + "\nicao_airline=DLH\n");
        ASSERT_TRUE(record) << c.atcId;
        EXPECT_EQ(record->regcode, c.regcode) << c.atcId;
        EXPECT_EQ(incomplete().size() - before, c.reported ? 1u : 0u) << c.atcId;
    }
    EXPECT_EQ(incomplete().front(), "invalid atc_id=ABCDEFGHIJKLM in: Lufthansa 3");
}

TEST_F(FltsimSectionTest, AirlineCodesAreCutMappedAndChecked) {
    struct Case {
        const char* airline;
        const char* keyAirline;
        const char* regcode;
    };
    const std::vector<Case> cases = {
        {"DLHX", "DLH", "D-AIZZ"},
        {"DLHC", "DLH", "D-AIZZ"},
        {"\"DLH \"", "DLH", "D-AIZZ"},
        // The placeholder airline drops the registration.
        {"ZZZZ", "ZZZ", ""},
        {"\"\"", "ZZZ", ""},
    };
    int n = 0;
    for (const auto& c : cases) {
        const auto record = process("[fltsim.0]\ntitle=T" + std::to_string(n++) +
                                    "\natc_id=D-AIZZ\nicao_airline=" + c.airline + "\n");
        ASSERT_TRUE(record) << c.airline;
        EXPECT_EQ(gf_airlineCode(record->key.airline), c.keyAirline) << c.airline;
        EXPECT_EQ(record->regcode, c.regcode) << c.airline;
    }
    EXPECT_TRUE(incomplete().empty());
    EXPECT_TRUE(invalidAirlines().empty());
}

TEST_F(FltsimSectionTest, UnknownAirlineIsReportedAndBecomesPrivateUnlessHeavy) {
    const auto light = process("[fltsim.4]\ntitle=Unknown A\nicao_airline=QQQ\n");
    ASSERT_TRUE(light);
    EXPECT_EQ(light->key.value(), key("PVT", "A320").value());
    ASSERT_EQ(invalidAirlines().size(), 1u);
    EXPECT_EQ(invalidAirlines()[0], "QQQ          in " + kPath.string() + " [fltsim.4]");
    ASSERT_EQ(incomplete().size(), 1u);
    EXPECT_EQ(incomplete()[0],
              kPath.string() + " [fltsim.4] icao_airline is missing, or it has invalid info ");

    const auto heavy = process("[fltsim.5]\ntitle=Unknown B\nicao_airline=QQQ\n", "B744");
    EXPECT_FALSE(heavy);
    EXPECT_EQ(incomplete().back(),
              "'" + kFolder.string() + "' '[fltsim.5]' has no airline and no regcode info");
}

TEST_F(FltsimSectionTest, SectionsWithoutAirlineTakeTheRegistration) {
    // Known with an airline: the dbase key, even over the section's own codes.
    auto record = process("[fltsim.0]\ntitle=A\natc_id=D-AIBA\nicao_airline=BAW\n", "B738");
    ASSERT_TRUE(record);
    EXPECT_EQ(gf_airlineCode(record->key.airline), "DLH");
    EXPECT_EQ(gf_modelCode(record->key.model), "A319");
    EXPECT_EQ(record->key.fromRegistration, 1);

    // Known without an airline, or unknown: a private livery of the section's model.
    record = process("[fltsim.0]\ntitle=B\natc_id=D-EBVE\n", "C172");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->key.value(), key("PVT", "C172").value());
    EXPECT_EQ(record->regcode, "D-EBVE");
    record = process("[fltsim.0]\ntitle=C\natc_id=OO-XYZ\n");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->key.value(), key("PVT", "A320").value());

    // Heavy and not in the dbase: no record.
    EXPECT_FALSE(process("[fltsim.7]\ntitle=D\natc_id=OO-XYZ\n", "B744"));
    EXPECT_EQ(incomplete().back(),
              "'" + kFolder.string() + "' '[fltsim.7]' has no airline and regcode not in dbase");

    // No atc_id: a registration named in the title counts.
    record = process("[fltsim.0]\ntitle=Private N5XY\n", "C172");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->regcode, "N5XY");
    EXPECT_EQ(gf_airlineCode(record->key.airline), "FDX");
    EXPECT_EQ(gf_modelCode(record->key.model), "MD11");
}

TEST_F(FltsimSectionTest, CargoFlagFromParkingTypes) {
    const std::vector<std::pair<const char*, int>> cases = {
        {"CARGO,RAMP", 1}, {"cargo", 1},     {"GATE,CARGO", 0},
        {"RAMP", 0},       {"MIL_CARGO", 1}, {"CARGO , GATE", 0},
    };
    int n = 0;
    for (const auto& [types, cargo] : cases) {
        const auto record = process("[fltsim.0]\ntitle=Cargo " + std::to_string(n++) +
                                    "\natc_parking_types=" + types + "\nicao_airline=FDX\n");
        ASSERT_TRUE(record) << types;
        EXPECT_EQ(record->key.cargo, cargo) << types;
    }
}

TEST_F(FltsimSectionTest, RejectedSectionsAndTheirReports) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> reports; // incomplete-sections lines added
    };
    const std::string folder = kFolder.string();
    const std::string missing =
        kPath.string() + " [fltsim.1] icao_airline is missing, or it has invalid info ";
    const std::vector<Case> cases = {
        {"fenix", "[fltsim.1]\nicao_airline=DLH\ntitle=FenixA320 DLH\n", {}},
        {"fenix without airline", "[fltsim.1]\ntitle=FenixA320 DLH\n", {missing}},
        {"pmdg", "[fltsim.1]\ntitle=PMDG 737 United\n", {missing}},
        {"fictional", "[fltsim.1]\ntitle=Fictional Air\nicao_airline=DLH\n", {}},
        {"rfo", "[fltsim.1]\ntitle=RFO Air\nicao_airline=RFO\n", {}},
        {"dont use", "[fltsim.1]\ntitle=Unwanted\nicao_airline=DLH\n", {}},
        {"two titles",
         "[fltsim.1]\ntitle=Two A\ntitle=Two B\nicao_airline=DLH\n",
         {folder + " [fltsim.1] has more than one title key", missing}},
        {"two airlines",
         "[fltsim.1]\ntitle=Two C\nicao_airline=DLH\nicao_airline=BAW\n",
         {folder + " [fltsim.1] has more than one icao_airline key"}},
        {"two parking types",
         "[fltsim.1]\ntitle=Two "
         "D\nicao_airline=DLH\natc_parking_types=GATE\natc_parking_types=RAMP\n",
         {folder + " [fltsim.1] has more than one atc_parking_types key"}},
        {"two atc ids",
         "[fltsim.1]\ntitle=Two E\nicao_airline=DLH\natc_id=D-AIZZ\natc_id=D-AIZY\n",
         {folder + ", [fltsim.1], has more than one atc_id key"}},
        {"no title", "[fltsim.1]\nicao_airline=DLH\n", {folder + " [fltsim.1] misses title"}},
    };
    scan_.dontUseTitles.insert("Unwanted");
    for (const auto& c : cases) {
        scan_.reports.incompleteSections.clear();
        EXPECT_FALSE(process(c.text)) << c.name;
        EXPECT_EQ(incomplete(), c.reports) << c.name;
    }
    EXPECT_TRUE(invalidAirlines().empty());
}

TEST_F(FltsimSectionTest, StubTitlesArePlaceholderLiveries) {
    const auto record =
        process("[fltsim.0]\ntitle=AIG A320-STUB\natc_id=D-AIZZ\nicao_airline=DLH\n");
    ASSERT_TRUE(record);
    EXPECT_EQ(gf_airlineCode(record->key.airline), "ZZZ");
    EXPECT_EQ(record->regcode, "");
}

TEST_F(FltsimSectionTest, ATitleIsTakenOncePerScan) {
    ASSERT_TRUE(process("[fltsim.0]\ntitle=Same\nicao_airline=DLH\n"));
    EXPECT_FALSE(process("[fltsim.1]\ntitle=Same\nicao_airline=BAW\n"));
    ASSERT_EQ(incomplete().size(), 1u);
    EXPECT_EQ(incomplete()[0], kFolder.string() + " [fltsim.1] title 'Same' already exists");

    const LiveryRecord again = gf_makeLiveryRecord(scan_, 1, key("DLH", "A320"), "Same", "X");
    EXPECT_TRUE(again.isEmpty());
    const LiveryRecord fresh = gf_makeLiveryRecord(scan_, 2, key("DLH", "A320"), "New", "X");
    EXPECT_EQ(fresh.title, "New");
    EXPECT_EQ(fresh.packageRank, 2);
}

TEST_F(FltsimSectionTest, NumberCheckOfAWholeFile) {
    struct Case {
        const char* name;
        const char* text;
        bool passes;
        std::size_t invalidFiles;
        std::size_t noSection;
    };
    const std::vector<Case> cases = {
        {"0 and 10000", "[fltsim.0]\n[fltsim.10000]\n", true, 0, 0},
        {"letters count as 10000", "[fltsim.x]\n", true, 0, 0},
        {"0 and 10001", "[fltsim.0]\ntitle=A\n[fltsim.10001]\n[fltsim.10002]\n", false, 1, 0},
        {"no header", "[General]\ntitle=A\n", true, 0, 1},
        {"commented header", ";[fltsim.0]\n", true, 0, 1},
        {"not a 32-bit number", "[fltsim.0]\n[fltsim.99999999999]\n", false, 0, 0},
    };
    for (const auto& c : cases) {
        LiveryScanState scan;
        EXPECT_EQ(gf_checkFltsimNumbers(scan, gf_splitLines(c.text), kPath), c.passes) << c.name;
        EXPECT_EQ(scan.reports.invalidAircraftCfgFiles.size(), c.invalidFiles) << c.name;
        EXPECT_EQ(scan.reports.noFltsimSection.size(), c.noSection) << c.name;
    }
    LiveryScanState scan;
    gf_checkFltsimNumbers(scan, gf_splitLines("[fltsim.10001]"), kPath);
    EXPECT_EQ(scan.reports.invalidAircraftCfgFiles.at(0),
              kPath.string() + " contains a [fltsim.x] section with a number < 0 or > 10000");
    EXPECT_TRUE(log_.has("==> fltsim num [fltsim.99999999999] incorrect"));
}

std::vector<std::vector<std::string>> lf_cut(std::string_view text, SectionBoundary boundary) {
    std::vector<std::vector<std::string>> sections;
    gf_cutFltSimSections(gf_splitLines(text), boundary,
                         [&](std::vector<std::string>& lines) { sections.push_back(lines); });
    return sections;
}

TEST(FltsimCutTest, SectionsEndAtHeadersAndBracketLines) {
    using Sections = std::vector<std::vector<std::string>>;
    const char* text = "[General]\n"
                       "icao_type_designator=A320\n"
                       "[fltsim.0]\n"
                       "title=A\n"
                       "  [Extra]\n"
                       "title=lost\n"
                       "[fltsim.1]\n"
                       "title=B [old]\n"
                       "[FLTSIM.2]\n"
                       "title=C";
    EXPECT_EQ(lf_cut(text, SectionBoundary::bracketFirst),
              (Sections{{"[fltsim.0]", "title=A"},
                        {"[fltsim.1]", "title=B [old]"},
                        {"[FLTSIM.2]", "title=C"}}));
    // IVAO files: any '[' ends a section.
    EXPECT_EQ(lf_cut(text, SectionBoundary::bracketAnywhere),
              (Sections{{"[fltsim.0]", "title=A"}, {"[fltsim.1]"}, {"[FLTSIM.2]", "title=C"}}));
    EXPECT_TRUE(lf_cut("[General]\ntitle=A\n", SectionBoundary::bracketFirst).empty());
}

} // namespace
} // namespace skyloom
