#include "liveries/ivao_mtl.h"

#include <algorithm>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/text.h"
#include "foundation/text_files.h"
#include "refdata/code_table.h"
#include "tests/liveries/support/cfg_test_support.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

class IvaoMtlTest : public ::testing::Test {
protected:
    // An IVAO_MTL package folder of one model, with the texture folders of the fixture.
    fs::path makeModelFolder(std::string_view package, std::string_view model) {
        const fs::path folder = root_ / "Community" / package / "SimObjects" / "Airplanes" / model;
        for (const char* texture : {"DLH", "KLM", "QQQ", "PVT", "BAW"}) {
            fs::create_directories(folder / (std::string("texture.") + texture));
        }
        return folder;
    }
    static std::string airline(const LiveryRecord& record) {
        return gf_airlineCode(record.key.airline);
    }

    testing::CfgTestDbase dbase_;
    testing::CfgLogCapture log_;
    testing::TempDir root_;
    LiveryScanState scan_;
};

TEST_F(IvaoMtlTest, ModelComesFromTheFolderName) {
    struct Case {
        const char* path;
        const char* model;
    };
    const std::vector<Case> cases = {
        {"/c/Community/IVAO_MTL/SimObjects/Airplanes/IVAO_B738WLfa/aircraft.cfg", "B738"},
        {R"(C:\Community\IVAO_MTL\SimObjects\Airplanes\IVAO_A320wCFM\aircraft.cfg)", "A320"},
        {"/c/Community/ivao_mtl/simobjects/airplanes/ivao_E190/AIRCRAFT.CFG", "E190"},
        {"/c/Community/ivao_x-csl/SimObjects/Airplanes/IVAO_A319fIAEw/aircraft.cfg", "A319"},
        // A wrong code in the folder name is fixed like a designator.
        {"/c/Community/IVAO_MTL/SimObjects/Airplanes/IVAO_B73Hx/aircraft.cfg", "B738"},
        // The folder name keeps its letter case, and the dbase's codes are upper case.
        {"/c/Community/IVAO_MTL/SimObjects/Airplanes/IVAO_b738/aircraft.cfg", ""},
        {"/c/Community/IVAO_MTL/SimObjects/Airplanes/aircraft.cfg", ""},
        {"/c/Community/IVAO_MTL/SimObjects/Airplanes/IVAO_B738/sub/aircraft.cfg", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_fixIVAOModel(scan_, c.path), c.model) << c.path;
    }
    EXPECT_EQ(scan_.reports.fixes.size(), 1u);
    ASSERT_EQ(scan_.reports.invalidModelCodes.size(), 3u);
    EXPECT_EQ(scan_.reports.invalidModelCodes[1],
              std::string(16, ' ') + " in /c/Community/IVAO_MTL/SimObjects/Airplanes/aircraft.cfg");
}

TEST_F(IvaoMtlTest, WholeFileGivesTheGoodSectionsAndReportsTheRest) {
    const fs::path folder = makeModelFolder("IVAO_MTL", "IVAO_B738WLfa");
    const fs::path path = folder / "aircraft.cfg";
    fs::copy_file(testing::cfgFixtureDir() / "ivao_b738wlfa.cfg", path);

    const std::vector<LiveryRecord> records = gf_searchLiveriesinIVAOFile(scan_, 2, path);

    std::vector<std::string> titles;
    for (const auto& record : records) {
        titles.push_back(record.title);
        EXPECT_EQ(record.packageRank, 2);
    }
    ASSERT_EQ(titles,
              (std::vector<std::string>{"B738WDLH Lufthansa", "B738WKLM KLM", "B738 Private",
                                        "B738WZZZ Placeholder", "B738WBAW British"}));
    EXPECT_EQ(airline(records[0]), "DLH");
    EXPECT_EQ(gf_modelCode(records[0].key.model), "B738");
    EXPECT_EQ(records[0].regcode, "D-ABKA");
    EXPECT_EQ(records[0].key.cargo, 0);
    // No airline in the title: the registration's dbase key, unchanged.
    EXPECT_EQ(airline(records[2]), "DLH");
    EXPECT_EQ(gf_modelCode(records[2].key.model), "A319");
    EXPECT_EQ(records[2].key.fromRegistration, 1);
    // The placeholder airline drops the registration.
    EXPECT_EQ(airline(records[3]), "ZZZ");
    EXPECT_EQ(records[3].regcode, "");
    // A line with '[' ends the section: the atc_id after it is not read.
    EXPECT_EQ(airline(records[4]), "BAW");
    EXPECT_EQ(records[4].regcode, "");

    EXPECT_TRUE(log_.has("removed spaces around title '  B738WKLM KLM  ' --> 'B738WKLM KLM'"));

    const std::string f = folder.string();
    EXPECT_EQ(scan_.reports.incompleteSections,
              (std::vector<std::string>{
                  f + " [fltsim.4] misses airlinecode in title: B738 Nobody, and no regcode",
                  f + " [fltsim.5] misses airlinecode in title: B738 Ghost, and regcode unknown "
                      "X-XXXX",
                  (folder / "texture.NONE").string() + " [fltsim.6] does not exist",
                  f + " [fltsim.7] misses title",
                  f + " [fltsim.8] title already exists: B738WDLH Lufthansa",
              }));
    EXPECT_EQ(scan_.reports.invalidAirlineCodes,
              (std::vector<std::string>{"QQQ          in " + path.string() + " [fltsim.2]"}));
    // IVAO sections never report a missing icao_airline.
    EXPECT_TRUE(std::none_of(
        scan_.reports.incompleteSections.begin(), scan_.reports.incompleteSections.end(),
        [](const std::string& line) { return line.find("icao_airline") != std::string::npos; }));
}

TEST_F(IvaoMtlTest, TitlesOfOrdinaryFoldersHaveNoW) {
    const fs::path folder = makeModelFolder("ivao_x-csl", "IVAO_B738");
    const fs::path path = folder / "aircraft.cfg";
    testing::writeCfgBytes(path, "[fltsim.0]\ntitle=B738 KLM\ntexture=KLM\n"
                                 "[fltsim.1]\ntitle=B738WDLH\ntexture=DLH\n");
    const auto records = gf_searchLiveriesinIVAOFile(scan_, 1, path);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(airline(records[0]), "KLM");
    // Without the W folder, "WDL" is read as the airline.
    EXPECT_EQ(scan_.reports.invalidAirlineCodes.size(), 1u);
}

TEST_F(IvaoMtlTest, SectionRulesThatRejectAtOnce) {
    const fs::path folder = makeModelFolder("IVAO_MTL", "IVAO_B738");
    const fs::path path = folder / "aircraft.cfg";
    const std::string f = folder.string();
    struct Case {
        const char* text;
        std::string report;
    };
    const std::vector<Case> cases = {
        {"[fltsim.0]\ntitle=B738KLM A\ntitle=B738KLM B\ntexture=KLM",
         f + " [fltsim.0] has more than one title key"},
        {"[fltsim.0]\ntitle=B738KLM C\natc_parking_types=GATE\natc_parking_types=RAMP\ntexture=KLM",
         f + " [fltsim.0] has more than one atc_parking_types key"},
        {"[fltsim.0]\ntitle=B738KLM D\natc_id=PH-BXA\natc_id=PH-BXB\ntexture=KLM",
         f + ", [fltsim.0], has more than one atc_id key"},
        {"[fltsim.0]\ntitle=B738KLM E\natc_id=PH-BXA*\ntexture=KLM",
         "invalid atc_id=PH-BXA* in B738KLM E"},
    };
    for (const auto& c : cases) {
        scan_.reports.incompleteSections.clear();
        std::vector<std::string> lines = gf_splitLines(c.text);
        const LiveryRecord record = gf_procesIVAOFltSimSection(scan_, 1, lines, "B738", path);
        ASSERT_EQ(scan_.reports.incompleteSections.size(), 1u) << c.text;
        EXPECT_EQ(scan_.reports.incompleteSections[0], c.report);
        // Only the invalid atc_id leaves the section usable, without registration.
        if (c.report.starts_with("invalid")) {
            EXPECT_EQ(record.title, "B738KLM E");
            EXPECT_EQ(record.regcode, "");
        } else {
            EXPECT_TRUE(record.isEmpty()) << c.text;
        }
    }
    // A don't-use title gives nothing and says nothing.
    scan_.reports.incompleteSections.clear();
    scan_.dontUseTitles.insert("B738KLM F");
    std::vector<std::string> lines = gf_splitLines("[fltsim.0]\ntitle=B738KLM F\ntexture=KLM");
    EXPECT_TRUE(gf_procesIVAOFltSimSection(scan_, 1, lines, "B738", path).isEmpty());
    EXPECT_TRUE(scan_.reports.incompleteSections.empty());
}

// An empty or missing texture value names the folder "texture" itself, never "texture.".
TEST_F(IvaoMtlTest, EmptyTextureValuesNameTheTextureFolder) {
    struct Case {
        const char* name;
        std::string textureLines;
        const char* folder; // the one texture folder there is
        bool found;         // else reported as missing
        std::string missing;
    };
    const std::vector<Case> cases = {
        {"empty value", "texture=\n", "texture", true, ""},
        {"empty quotes", "texture = \"\" ; none\n", "texture", true, ""},
        {"no texture line", "", "texture", true, ""},
        {"empty value, later value", "texture=\ntexture=KLM\n", "texture.KLM", true, ""},
        {"empty value, no folder", "texture=\n", "texture.KLM", false, "texture"},
        {"value, only the plain folder", "texture=KLM\n", "texture", false, "texture.KLM"},
    };
    int run = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path folder =
            root_ / fmt::format("IVAO_MTL{}", ++run) / "SimObjects" / "Airplanes" / "IVAO_B738";
        fs::create_directories(folder / c.folder);
        const fs::path path = folder / "aircraft.cfg";
        scan_.reports.incompleteSections.clear();
        std::vector<std::string> lines =
            gf_splitLines(fmt::format("[fltsim.0]\ntitle=B738KLM {}\n{}", run, c.textureLines));
        const LiveryRecord record = gf_procesIVAOFltSimSection(scan_, 1, lines, "B738", path);
        if (c.found) {
            EXPECT_EQ(airline(record), "KLM");
            EXPECT_TRUE(scan_.reports.incompleteSections.empty());
        } else {
            EXPECT_TRUE(record.isEmpty());
            EXPECT_EQ(scan_.reports.incompleteSections,
                      (std::vector<std::string>{(folder / c.missing).string() +
                                                " [fltsim.0] does not exist"}));
        }
    }
}

// A title of 100 KB is read in one pass: its airline still comes from its start.
TEST_F(IvaoMtlTest, TitleOf100KilobytesGivesItsAirline) {
    const fs::path folder = makeModelFolder("IVAO_MTL", "IVAO_B738WLfa");
    const std::string tail(100 * 1024, 'x');
    struct Case {
        std::string title;
        std::string airline; // empty: no airline in the title
    };
    const std::vector<Case> cases = {
        {"B738WKLM " + tail, "KLM"},
        {"b738w" + std::string(100 * 1024, ' ') + "DLH" + tail, "DLH"},
        {"B738W" + std::string(100 * 1024, ' '), ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines = {"[fltsim.0]", "title=" + c.title, "texture=KLM"};
        const LiveryRecord record =
            gf_procesIVAOFltSimSection(scan_, 1, lines, "B738", folder / "aircraft.cfg");
        EXPECT_EQ(airline(record), c.airline) << c.title.substr(0, 16);
        if (!c.airline.empty()) {
            EXPECT_EQ(record.title.size(), gf_trim(c.title).size());
        }
    }
}

TEST_F(IvaoMtlTest, UnreadableFilesGiveNothing) {
    const fs::path folder = makeModelFolder("IVAO_MTL", "IVAO_B738");
    // Missing file: the charset cannot be detected.
    EXPECT_TRUE(gf_searchLiveriesinIVAOFile(scan_, 1, folder / "aircraft.cfg").empty());
    EXPECT_TRUE(
        log_.has("==> ! No text encoding detected for " + (folder / "aircraft.cfg").string()));
    // Headers out of range stop the file before any section is read.
    testing::writeCfgBytes(folder / "aircraft.cfg",
                           "[fltsim.0]\ntitle=B738KLM\ntexture=KLM\n[fltsim.20000]\n");
    EXPECT_TRUE(gf_searchLiveriesinIVAOFile(scan_, 1, folder / "aircraft.cfg").empty());
    EXPECT_EQ(scan_.reports.invalidAircraftCfgFiles.size(), 1u);
    EXPECT_TRUE(scan_.titles.empty());
}

TEST(IvaoPathTest, IvaoFilesAreToldByTheirPackage) {
    EXPECT_TRUE(gf_isIVAOAircraftCfg("/c/Community/IVAO_MTL/SimObjects/aircraft.cfg"));
    EXPECT_TRUE(gf_isIVAOAircraftCfg("/c/Community/my-ivao_x-csl/aircraft.cfg"));
    EXPECT_FALSE(gf_isIVAOAircraftCfg("/c/Community/ivao_mtl/aircraft.cfg"));
    EXPECT_FALSE(gf_isIVAOAircraftCfg("/c/Community/aig-aitraffic-oci/aircraft.cfg"));
}

} // namespace
} // namespace skyloom
