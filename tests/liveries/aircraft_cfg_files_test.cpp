// Whole aircraft.cfg files through the scan's file reading: the hand-written fixtures of
// tests/liveries/data (charsets, section shapes, model lines) and the real AI packages in
// ../shared/data/aircraftcfg, read in place.
#include <algorithm>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "liveries/livery_folder_walk.h"
#include "refdata/code_table.h"
#include "tests/liveries/support/cfg_test_support.h"
#include "tests/support/shared_data.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

class AircraftCfgFileTest : public ::testing::Test {
protected:
    std::vector<LiveryRecord> read(const fs::path& path, std::uint32_t rank = 1) {
        return gf_searchLiveriesinFile(scan_, rank, path);
    }
    // The fixture copied to <temp>/<name>/aircraft.cfg, so that it has a folder of its own.
    fs::path fixture(const char* file) {
        const fs::path path = dir_ / file / "aircraft.cfg";
        fs::create_directories(path.parent_path());
        fs::copy_file(testing::cfgFixtureDir() / file, path);
        return path;
    }
    static std::vector<std::string> titles(const std::vector<LiveryRecord>& records) {
        std::vector<std::string> result;
        for (const auto& record : records) {
            result.push_back(record.title);
        }
        return result;
    }
    static std::string describe(const LiveryRecord& record) {
        return fmt::format("{}/{}{} {}", gf_airlineCode(record.key.airline),
                           gf_modelCode(record.key.model), record.key.cargo ? " cargo" : "",
                           record.regcode);
    }

    testing::CfgTestDbase dbase_;
    testing::CfgLogCapture log_;
    testing::TempDir dir_;
    LiveryScanState scan_;
};

TEST_F(AircraftCfgFileTest, EveryCharsetReadsToTheSameLiveries) {
    for (const char* file : {"charset_utf16le_bom.cfg", "charset_utf16be.cfg",
                             "charset_utf8_bom.cfg", "charset_ansi.cfg"}) {
        LiveryScanState scan;
        const auto records = gf_searchLiveriesinFile(scan, 1, fixture(file));
        ASSERT_EQ(titles(records), (std::vector<std::string>{"Condor A320 D-AICA \xC3\x9Cmlaut",
                                                             "Condor A320 Caf\xC3\xA9"}))
            << file;
        EXPECT_EQ(describe(records[0]), "DLH/A320 D-AICA") << file;
        EXPECT_EQ(describe(records[1]), "DLH/A320 ") << file;
    }
}

TEST_F(AircraftCfgFileTest, BinaryFileHasNoCharset) {
    const fs::path path = fixture("charset_binary.cfg");
    EXPECT_TRUE(read(path).empty());
    EXPECT_TRUE(log_.has("! No text encoding detected for " + path.string()));
}

TEST_F(AircraftCfgFileTest, SectionShapes) {
    const fs::path path = fixture("sections_mixed.cfg");
    const auto records = read(path, 2);
    ASSERT_EQ(titles(records),
              (std::vector<std::string>{"KLM 737 PH-BXA", "British 737", "Freighter 737"}));
    EXPECT_EQ(describe(records[0]), "KLM/B738 PH-BXA");
    // Two registrations name none of them.
    EXPECT_EQ(describe(records[1]), "BAW/B738 ");
    EXPECT_EQ(describe(records[2]), "FDX/B738 cargo ");
    EXPECT_EQ(records[2].packageRank, 2);
    EXPECT_EQ(scan_.reports.fixes,
              (std::vector<std::string>{"Model fix: B73H found in " + path.string() +
                                        " changed into B738"}));
    EXPECT_EQ(scan_.reports.incompleteSections,
              (std::vector<std::string>{path.parent_path().string() +
                                        " [fltsim.2] title 'KLM 737 PH-BXA' already exists"}));
    EXPECT_TRUE(scan_.reports.invalidAirlineCodes.empty());
}

TEST_F(AircraftCfgFileTest, FilesThatYieldNothing) {
    const fs::path empty = dir_ / "empty" / "aircraft.cfg";
    testing::writeCfgBytes(empty, "");
    EXPECT_TRUE(read(empty).empty());
    EXPECT_EQ(scan_.reports.noFltsimSection, (std::vector<std::string>{empty.string()}));
    // Without sections the file still has its model settled, and has none.
    EXPECT_EQ(
        scan_.reports.invalidAircraftCfgFiles,
        (std::vector<std::string>{"Line icao_type_designator= is missing in [General] section of " +
                                  empty.string()}));
    scan_.reports.noFltsimSection.clear();
    scan_.reports.invalidAircraftCfgFiles.clear();

    const fs::path none = fixture("no_fltsim.cfg");
    EXPECT_TRUE(read(none).empty());
    EXPECT_EQ(scan_.reports.noFltsimSection, (std::vector<std::string>{none.string()}));

    const fs::path high = fixture("fltsim_out_of_range.cfg");
    EXPECT_TRUE(read(high).empty());
    EXPECT_EQ(scan_.reports.invalidAircraftCfgFiles.size(), 1u);
    EXPECT_TRUE(scan_.titles.empty());
}

TEST_F(AircraftCfgFileTest, StockBaseContainerGivesTheModel) {
    const auto records = read(fixture("stock_base_container.cfg"));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(describe(records[0]), "DLH/A20N ");
}

// ../shared/data/aircraftcfg: real AI packages of AIG and FSLTL and one flyable aircraft.
class RealAircraftCfgTest : public AircraftCfgFileTest {};

TEST_F(RealAircraftCfgTest, FsltlFreightersAndAirliner) {
    const char* base = "data/aircraftcfg/jopeek-fsltl-canada-air-virtual-pack/SimObjects/Airplanes";
    SKYLOOM_REQUIRE_SHARED(folder, base);
    struct Case {
        const char* aircraft;
        const char* title;
        const char* key;
    };
    const std::vector<Case> cases = {
        {"FSLTL_A30BF_CAN", "FSLTL_TFS_A30BF_Canada_Air_Virtual", "CAN/A30B cargo "},
        {"FSLTL_MD11F_CAN", "FSLTL_FSPXAI_MD11_Canada_Air_Virtual", "CAN/MD11 cargo "},
        {"FSLTL_B738_CAN", "FSLTL_FAIB_B738_Canada_Air_Virtual", "CAN/B738 "},
    };
    for (const auto& c : cases) {
        const auto records = read(folder / c.aircraft / "aircraft.cfg");
        ASSERT_EQ(records.size(), 1u) << c.aircraft;
        EXPECT_EQ(records[0].title, c.title);
        EXPECT_EQ(describe(records[0]), c.key);
    }
    EXPECT_TRUE(scan_.reports.incompleteSections.empty());
    EXPECT_TRUE(scan_.reports.invalidAirlineCodes.empty());
}

TEST_F(RealAircraftCfgTest, AigCargoPackage) {
    SKYLOOM_REQUIRE_SHARED(path, "data/aircraftcfg/Samueleonard-AIG-ModelMatching-For-MSFS/"
                                 "Community/aig-aitraffic-oci-beta/SimObjects/Airplanes/"
                                 "AIGAIM_AIG_A330-200F_RR/aircraft.cfg");
    const auto records = read(path);
    ASSERT_EQ(records.size(), 12u);
    for (const auto& record : records) {
        EXPECT_EQ(gf_modelCode(record.key.model), "A332") << record.title;
        EXPECT_EQ(record.key.cargo, 1) << record.title;
    }
    EXPECT_EQ(describe(records[0]), "AHK/A332 cargo B-LDP");
    EXPECT_EQ(describe(records[2]), "TPA/A332 cargo ");
    EXPECT_EQ(describe(records[7]), "WZZ/A332 cargo HA-LHU");
    EXPECT_EQ(records[11].title, "AIGAIM_Turkish Cargo Airbus A330-200F - 242t RR");
    EXPECT_TRUE(scan_.reports.incompleteSections.empty());
}

TEST_F(RealAircraftCfgTest, AigBizjetsWithAGenericOperatorCode) {
    SKYLOOM_REQUIRE_SHARED(path, "data/aircraftcfg/Samueleonard-AIG-ModelMatching-For-MSFS/"
                                 "Community/aig-aitraffic-oci-beta/SimObjects/Airplanes/"
                                 "AIGAIM_ACAI_C525B_CitationJetCJ3/aircraft.cfg");
    const auto records = read(path);
    ASSERT_EQ(records.size(), 18u);
    // GA2J is no airline: reported, then the liveries fly as private bizjets.
    const auto privateCount = std::count_if(records.begin(), records.end(), [](const auto& r) {
        return gf_airlineCode(r.key.airline) == "PVT";
    });
    EXPECT_EQ(privateCount, 9);
    EXPECT_EQ(scan_.reports.invalidAirlineCodes.size(), 9u);
    EXPECT_EQ(scan_.reports.invalidAirlineCodes[0],
              "GA2J         in " + path.string() + " [fltsim.0]");
    EXPECT_EQ(scan_.reports.incompleteSections.size(), 9u);
    EXPECT_EQ(describe(records[0]), "PVT/C25B N149WW");
    EXPECT_EQ(describe(records[1]), "DFC/C25B OK-KIN");
    // The atc_id is the registration, whatever the title says.
    EXPECT_EQ(describe(records[14]), "IXR/C25B F-HATG");
}

TEST_F(RealAircraftCfgTest, AigHeavyFreighterAndFlyableAircraft) {
    SKYLOOM_REQUIRE_SHARED(lcf, "data/aircraftcfg/Samueleonard-AIG-ModelMatching-For-MSFS/"
                                "Community/aig-aitraffic-oci-beta/SimObjects/Airplanes/"
                                "AIGAIM_AIA_B747-400LCF/aircraft.cfg");
    auto records = read(lcf);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(describe(records[0]), "GTI/BLCF cargo ");

    SKYLOOM_REQUIRE_SHARED(fbw, "data/aircraftcfg/flybywiresim-aircraft/fbw-a32nx/src/base/"
                                "flybywire-aircraft-a320-neo/SimObjects/AirPlanes/"
                                "FlyByWire_A320_NEO/aircraft.cfg");
    records = read(fbw);
    // No icao_airline: a private A20N under its atc_id, a gate among its parking types.
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].title, "Airbus A320 Neo FlyByWire");
    EXPECT_EQ(describe(records[0]), "PVT/A20N ASX320");
    EXPECT_EQ(scan_.reports.incompleteSections,
              (std::vector<std::string>{fbw.string() +
                                        " [FLTSIM.0] icao_airline is missing, or it has invalid "
                                        "info "}));
}

// A hostile copy of a real file: lines of 100 KB that name keys, a header followed by 100,000
// blanks, a key line with a 100 KB value. The file still gives its livery, unchanged.
TEST_F(RealAircraftCfgTest, LinesOf100KilobytesLeaveTheLiveryAsItIs) {
    SKYLOOM_REQUIRE_SHARED(real, "data/aircraftcfg/jopeek-fsltl-canada-air-virtual-pack/"
                                 "SimObjects/Airplanes/FSLTL_B738_CAN/aircraft.cfg");
    constexpr std::size_t kLong = 100 * 1024;
    std::string text = testing::readCfgBytes(real);
    const auto insertAfter = [&](std::string_view line, const std::string& added) {
        const std::size_t at = text.find(line);
        ASSERT_NE(at, std::string::npos) << line;
        text.insert(at + line.size(), added);
    };
    insertAfter("[FLTSIM.0]", std::string(100000, ' '));
    insertAfter("ui_createdby = \"Jan Ole Peek\"",
                "\nui_variation_long = " + std::string(kLong, 'v') + "\n" +
                    std::string(kLong, ' ') + "title atc_id texture icao_airline" +
                    std::string(kLong, ' ') + "\n" + "description = \"" + std::string(kLong, 'd') +
                    "\"");
    const fs::path path = dir_ / "FSLTL_B738_CAN" / "aircraft.cfg";
    testing::writeCfgBytes(path, text);

    const auto records = read(path);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].title, "FSLTL_FAIB_B738_Canada_Air_Virtual");
    EXPECT_EQ(describe(records[0]), "CAN/B738 ");
    EXPECT_TRUE(scan_.reports.incompleteSections.empty());
    EXPECT_TRUE(scan_.reports.invalidAircraftCfgFiles.empty());
}

} // namespace
} // namespace skyloom
