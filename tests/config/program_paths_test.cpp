#include "config/program_paths.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "tests/config/support/config_test_support.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

TEST(ProgramPathsTest, FoldersAndFilesLieUnderTheWorkingFolder) {
    skyloom::testing::TempDir dir;
    testing::EnvOverride work("SKYLOOM_WORKDIR", dir.path());
    EXPECT_EQ(gf_workingFolder(), dir.path());
    EXPECT_EQ(gf_myRegcodesFolder(), dir / "input" / "my_regcodes");
    EXPECT_EQ(gf_aigRegcodesPath(), dir / "input" / "AIG-regcodes.enc");
    EXPECT_EQ(gf_infoFolder(), dir / "output" / "info");
    EXPECT_EQ(gf_errorsFolder(), dir / "output" / "errors");
    EXPECT_EQ(gf_objectIdListPath(), dir / "output" / "info" / "ObjectIdList.txt");
    EXPECT_EQ(gf_liveriesScannedFilePath(true), dir / "output" / "LiveriesScanned_MSFS2020.xml");
    EXPECT_EQ(gf_liveriesScannedFilePath(false), dir / "output" / "LiveriesScanned_MSFS2024.xml");
    EXPECT_EQ(gf_airportsFolder(), dir / "airports");
    EXPECT_EQ(gf_tbloZipPath(), dir / "tblo" / "tblo.zip");
}

TEST(ProgramPathsTest, TheProgramMustRunFromAFolderWithDocs) {
    skyloom::testing::TempDir dir;
    testing::EnvOverride work("SKYLOOM_WORKDIR", dir.path());
    EXPECT_FALSE(gf_workingFolderHasDocs());
    testing::writeTextFile(dir / "docs", "a file is no folder");
    EXPECT_FALSE(gf_workingFolderHasDocs());
    fs::remove(dir / "docs");
    fs::create_directory(dir / "docs");
    EXPECT_TRUE(gf_workingFolderHasDocs());
}

TEST(ProgramPathsTest, DataFoldersAreMadeWhenMissing) {
    skyloom::testing::TempDir dir;
    testing::EnvOverride work("SKYLOOM_WORKDIR", dir.path());
    gf_createDataFolders();
    for (const char* folder :
         {"input/my_regcodes", "output/info", "output/errors", "airports", "tblo"}) {
        EXPECT_TRUE(fs::is_directory(dir / folder)) << folder;
    }
    EXPECT_NO_THROW(gf_createDataFolders()) << "a second run finds them in place";
    testing::writeTextFile(dir / "blocked" / "input", "a file where a folder belongs");
    testing::EnvOverride blocked("SKYLOOM_WORKDIR", dir / "blocked");
    EXPECT_THROW(gf_createDataFolders(), fs::filesystem_error);
}

TEST(ProgramPathsTest, TheSettingsFolderIsNamedAfterTheProgram) {
    skyloom::testing::TempDir dir;
    testing::EnvOverride roaming("SKYLOOM_APPDATA", dir / "Roaming");
    EXPECT_EQ(gf_settingsFolder(), dir / "Roaming" / "Skyloom");
    EXPECT_EQ(gf_parametersPath(), dir / "Roaming" / "Skyloom" / "parameters.xml");
    EXPECT_EQ(gf_flightPlanFolderPath(), dir / "Roaming" / "Skyloom" / "orig_dest");
    std::string reason;
    EXPECT_TRUE(gf_createSettingsFolder(&reason)) << reason;
    EXPECT_TRUE(fs::is_directory(dir / "Roaming" / "Skyloom"));

    testing::writeTextFile(dir / "File" / "Skyloom", "in the way");
    testing::EnvOverride blocked("SKYLOOM_APPDATA", dir / "File");
    EXPECT_FALSE(gf_createSettingsFolder(&reason));
    EXPECT_FALSE(reason.empty());
}

} // namespace
} // namespace skyloom
