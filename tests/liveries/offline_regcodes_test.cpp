// Registration codes into the livery tables: the in-line regcodes of the scanned liveries and
// their clashes (InlineRegcodes.txt), then the AIG data set and the user's files overriding
// them in that order (OfflineRegcodes.txt), special and unique liveries, and what happens
// without the data set or with faulty sources.
#include "liveries/offline_regcodes.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/program_paths.h"
#include "liveries/livery_matching_summary.h"
#include "liveries/livery_tables.h"
#include "liveries/process_scanned_liveries.h"
#include "refdata/code_table.h"
#include "tests/liveries/support/livery_world.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class OfflineRegcodesTest : public testing::LiveryWorld {
protected:
    void writeAig(std::string_view body) {
        ASSERT_TRUE(testing::encryptWithTool(testing::aigRegcodesXml(body), gf_aigRegcodesPath()))
            << "the encryptor tool did not run";
    }
    void writeUserFile(std::string_view name, std::string_view text) {
        testing::writeTextFile(gf_myRegcodesFolder() / name, text);
    }
    static std::string holder(std::string_view regcode) {
        const auto& map = gf_liveryTables().regcodeLiveryMap;
        const auto it = map.find(regcode);
        return it == map.end() ? std::string("(none)") : std::string(it->second);
    }
    static std::vector<std::string> specialTitles() {
        const auto& set = gf_liveryTables().specialLiveryTitles;
        return std::vector<std::string>(set.begin(), set.end());
    }
};

TEST_F(OfflineRegcodesTest, InlineRegcodesAndTheirClashes) {
    buildTables({{"DLH", "A320", "DLH 320 a", false, "D-AIZA"},
                 {"DLH", "A320", "DLH 320 b", false, "D-AIZA"},
                 {"DLH", "A319", "DLH 319", false, "D-AIBA"},
                 {"BAW", "A319", "DLH 319", false, "G-EUPA"},
                 {"DLH", "", "No model", false, "D-AIXX"},
                 {"DLH", "A321", "No regcode"}});
    EXPECT_EQ(holder("D-AIZA"), "DLH 320 a");
    EXPECT_EQ(holder("D-AIBA"), "DLH 319");
    EXPECT_EQ(holder("G-EUPA"), "DLH 319");
    EXPECT_EQ(holder("D-AIXX"), "(none)");
    const auto& inlineMap = gf_liveryTables().inlineRegcodeMap;
    EXPECT_EQ(inlineMap.at("DLH 320 b"), "D-AIZA");
    EXPECT_EQ(inlineMap.at("DLH 319"), "D-AIBA");
    EXPECT_FALSE(inlineMap.contains("No regcode"));

    const fs::path report = gf_errorsFolder() / "InlineRegcodes.txt";
    const LiveryKey noModel{gf_airlineId("DLH"), 0, 0, 0, 0};
    EXPECT_THAT(testing::readLines(report),
                UnorderedElementsAre(
                    "D-AIZA 'DLH 320 b' => already in use by 'DLH 320 a'",
                    "DLH 319 'G-EUPA' => already in use by 'D-AIBA'",
                    fmt::format("==> [{}] D-AIXX 'No model' not available, system error, should "
                                "not happen?",
                                gf_formatLiveryKey(noModel))));
    EXPECT_TRUE(logHas(fmt::format("    3 in-line regcode clashes, see '{}'", report.string())));
    EXPECT_TRUE(logHas("    3 registration codes"));
    EXPECT_TRUE(logHas(fmt::format("==> {} not available", gf_aigRegcodesPath().string())));
}

TEST_F(OfflineRegcodesTest, NoClashesWriteNoInlineReport) {
    buildTables({{"DLH", "A320", "DLH 320 a", false, "D-AIZA"}});
    EXPECT_FALSE(fs::exists(gf_errorsFolder() / "InlineRegcodes.txt"));
    EXPECT_FALSE(logContains("in-line regcode clashes"));
}

TEST_F(OfflineRegcodesTest, UserFilesOverrideTheDataSetWhichOverridesInlineRegcodes) {
    writeAig(R"(<l t="T2" r="D-AIZA,D-AIZB"/>
                <l t="Not installed" r="D-AIZC"/>
                <l t="T4" r="G-EUPA" s="true"/>)");
    writeUserFile("a.txt", "T3;D-AIZA,D-AIZD\n");
    writeUserFile("b.txt", "T1;G-EUPB,G-EUPC;#\n");
    buildTables({{"DLH", "A320", "T1", false, "D-AIZA"},
                 {"DLH", "A320", "T2"},
                 {"DLH", "A320", "T3"},
                 {"BAW", "A319", "T4"}});
    EXPECT_EQ(holder("D-AIZA"), "T3");
    EXPECT_EQ(holder("D-AIZB"), "T2");
    EXPECT_EQ(holder("D-AIZC"), "(none)");
    EXPECT_EQ(holder("D-AIZD"), "T3");
    EXPECT_EQ(holder("G-EUPA"), "T4");
    EXPECT_EQ(holder("G-EUPC"), "T1");
    EXPECT_THAT(specialTitles(), UnorderedElementsAre("T1", "T4"));
    EXPECT_THAT(gf_liveryTables().uniqueLiveryRegcodes, ElementsAre("G-EUPA"));

    const fs::path aig = gf_aigRegcodesPath();
    const fs::path folder = gf_myRegcodesFolder();
    EXPECT_THAT(testing::readLines(gf_infoFolder() / "OfflineRegcodes.txt"),
                ElementsAre(fmt::format("Processing '{}'", aig.string()),
                            "   regcode D-AIZA for 'T2', instead of the same for 'T1'",
                            "2 new regcodes added, 1 regcode replaced, 1 regcode defined as "
                            "special",
                            fmt::format("Processing files in {}", folder.string()),
                            "   regcode D-AIZA for 'T3', instead of the same for 'T2'",
                            "3 new regcodes added, 1 regcode replaced, 1 regcode defined as "
                            "special"));
    EXPECT_TRUE(logHas("******* Offline regcodes ******"));
    EXPECT_TRUE(logHas(
        fmt::format("****** Offline regcode files processed, results can be found in '{}' ******",
                    (gf_infoFolder() / "OfflineRegcodes.txt").string())));
    EXPECT_TRUE(logHas("    2 special liveries"));
    EXPECT_TRUE(logHas("    1 unique liveries"));
    EXPECT_TRUE(logHas("    6 registration codes"));
}

TEST_F(OfflineRegcodesTest, WithoutTheDataSetTheUserFilesAreNotReadEither) {
    writeUserFile("a.txt", "T1;D-AIZA\n");
    testing::writeTextFile(gf_infoFolder() / "OfflineRegcodes.txt", "from an earlier start\n");
    buildTables({{"DLH", "A320", "T1"}, {"DLH", "A320", "T2", false, "D-AIBB"}});
    EXPECT_EQ(holder("D-AIZA"), "(none)");
    EXPECT_EQ(holder("D-AIBB"), "T2");
    EXPECT_THAT(specialTitles(), IsEmpty());
    EXPECT_TRUE(logHas(fmt::format("==> {} not available", gf_aigRegcodesPath().string())));
    EXPECT_FALSE(logContains("Offline regcodes"));
    // The report of an earlier start is left alone.
    EXPECT_THAT(testing::readLines(gf_infoFolder() / "OfflineRegcodes.txt"),
                ElementsAre("from an earlier start"));
}

TEST_F(OfflineRegcodesTest, TheReportIsWrittenAfreshAndAnEmptyUserFolderIsPassedOver) {
    writeAig(R"(<l t="T1" r="D-AIZA"/>)");
    fs::create_directories(gf_myRegcodesFolder());
    testing::writeTextFile(gf_infoFolder() / "OfflineRegcodes.txt", "stale line\n");
    buildTables({{"DLH", "A320", "T1"}});
    EXPECT_THAT(testing::readLines(gf_infoFolder() / "OfflineRegcodes.txt"),
                ElementsAre(fmt::format("Processing '{}'", gf_aigRegcodesPath().string()),
                            "1 new regcode added"));
    // The entry has one regcode but the data set did not mark it special.
    EXPECT_THAT(specialTitles(), IsEmpty());
    EXPECT_FALSE(logContains("special liveries"));
}

TEST_F(OfflineRegcodesTest, FaultySourcesAreReportedAndTheRestIsMerged) {
    writeAig(R"(<l t="T1" r="D-AIZA,bad"/><l t="" r="D-AIZB"/>)");
    writeUserFile("a.txt", "T2;D-AIZC;*\nT2;D-AIZD\n");
    buildTables({{"DLH", "A320", "T1"}, {"DLH", "A320", "T2"}});
    EXPECT_EQ(holder("D-AIZA"), "T1");
    EXPECT_EQ(holder("D-AIZC"), "(none)");
    EXPECT_EQ(holder("D-AIZD"), "T2");
    EXPECT_TRUE(logHas("==> invalid registration code 'bad' for AIG title 'T1'"));
    EXPECT_TRUE(logHas("==> AIG XML record 2 has no title"));
    EXPECT_TRUE(logHas("==> a.txt line 1: invalid special marker '*' for title 'T2'"));
    EXPECT_TRUE(logHas(
        fmt::format("There were errors processing the regcode files in folder '{}', see Log.txt",
                    gf_myRegcodesFolder().string())));
    EXPECT_THAT(testing::readLines(gf_infoFolder() / "OfflineRegcodes.txt"),
                ::testing::Contains(fmt::format(
                    "There were errors processing the AIG-regcode file '{}', see Log.txt",
                    gf_aigRegcodesPath().string())));
}

TEST_F(OfflineRegcodesTest, ADataSetThatCannotBeInspectedStopsTheStart) {
    buildTables({{"DLH", "A320", "T1"}});
    // An input folder that is a link to itself cannot be looked into.
    fs::create_directories(workDir());
    fs::create_symlink("input", gf_inputFolder());
    try {
        gf_processScannedLiveries(*gui_, *params_);
        FAIL() << "no exception";
    } catch (const fs::filesystem_error& error) {
        EXPECT_THAT(error.what(), HasSubstr("exists"));
    }
}

} // namespace
} // namespace skyloom
