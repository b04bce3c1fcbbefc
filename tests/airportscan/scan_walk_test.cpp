// The folder walk and the package scan: which folders are entered, link cycles cut, which BGL
// files reach the readers, which package folders are passed over before their code is looked
// for, and the manifest index finding what the manifest look-up of a package finds.
#include <fstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "airportscan/manifest_index.h"
#include "airportscan/package_scan.h"
#include "airportscan/scan_walk.h"
#include "foundation/manual_clock.h"
#include "foundation/text.h"
#include "foundation/text_files.h"
#include "tests/airportscan/support/scan_test_support.h"
#include "tests/support/log_capture.h"
#include "tests/support/shared_data.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"
#include <fmt/format.h>
#include <fmt/ranges.h>

namespace skyloom::testing {
namespace {
namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(SkipPackageFolderTest, LongPathsAndNonAirportWordsAreNotEntered) {
    const std::string base = "/p/Community/";
    const struct {
        std::string path;
        bool skipped;
    } cases[] = {
        {base + std::string(249 - base.size(), 'x'), false},
        {base + std::string(250 - base.size(), 'x'), true},
        {base + "Vendor-Aircraft-Pack", true},
        {base + "gsx-pro-profiles", true},
        {base + "vendor-airport-lszh", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_skipPackageFolder(c.path), c.skipped) << c.path;
    }
}

class ScanWalkTest : public ::testing::Test {
protected:
    std::vector<std::string> linesWith(std::string_view part) const {
        std::vector<std::string> found;
        for (const std::string& line : scan_.scanLog) {
            if (line.find(part) != std::string::npos) {
                found.push_back(line);
            }
        }
        return found;
    }
    LogCapture log_;
    TempDir dir_;
    ScanFixture scan_{dir_.path(), {"QSKA", "KPHX"}};
    ManualClock clock_{ManualClock::utcTime(2026, 1, 5, 12)};
    AirportScanContext context_ = scan_.context();
    ScanWalkContext walk_{
        context_, clock_, [this](std::string_view name) -> std::optional<fs::path> {
            const fs::path folder = dir_ / name;
            return fs::is_directory(folder) ? std::optional(folder) : std::nullopt;
        }};
};

TEST_F(ScanWalkTest, AirportFilesAreFoundOnceAndLinkCyclesCut) {
    SKYLOOM_REQUIRE_SHARED(bgl, "data/bgl/TheMainlineCowboy-SkyHarborPhx/scenery/KPHX_ADEX.BGL");
    const fs::path community = dir_ / "Community";
    for (const char* file : {"a/Statics/KPHX.BGL", "b/statics/KPHX.bgl", "c/scenery/KPHX.Bgl"}) {
        fs::create_directories((community / file).parent_path());
        fs::copy_file(bgl, community / file);
    }
    fs::create_directory_symlink(community, community / "c" / "loop");
    gf_scanFolders({community, dir_ / "Missing"}, walk_);

    const std::string root = gf_pathToUtf8(community);
    std::vector<std::string> found = linesWith("Fac depth");
    std::sort(found.begin(), found.end());
    EXPECT_THAT(found, ElementsAre("Fac depth 2: " + root + "/a/Statics/KPHX.BGL",
                                   "Fac depth 2: " + root + "/c/scenery/KPHX.Bgl"));
    EXPECT_THAT(linesWith("skipping recursive directory link"),
                ElementsAre("===>  skipping recursive directory link during airport scan, depth "
                            "1, folder: " +
                            root + "/c/loop, resolved target: " + root));
    EXPECT_THAT(scan_.window.statusTexts,
                ElementsAre(gf_pathToUtf8(dir_ / "Missing") + " does not exist, skipped!"));
}

TEST_F(ScanWalkTest, PackageFoldersArePassedOverByNameBeforeTheirCodeIsLookedFor) {
    const fs::path streamed = dir_ / "StreamedPackages";
    for (const char* name : {"fs24-asobo-aircraft-qska", "fs20-asobo-airport-qska",
                             "fs24-orbx-airport-zzzz", "fs24-microsoft-airport-qska-alpha"}) {
        fs::create_directories(streamed / name);
    }
    gf_scanFolders({streamed}, walk_);
    const std::string stock = gf_pathToUtf8(streamed / "fs24-microsoft-airport-qska-alpha");
    // No Official2024 folder: the stock airport is read all the same (no simulator here).
    EXPECT_THAT(scan_.scanLog,
                ElementsAre("\nScan: " + gf_pathToUtf8(streamed), "\n" + stock,
                            "airport has 'QSKA' in directory path",
                            "QSKA does not exist as simaddon",
                            "Reading Facilities data for QSKA via SimConnect failed, is MSFS "
                            "connected?"));
    EXPECT_EQ(gf_splitLines(gf_fileText(scan_.scanLogFile)),
              gf_splitLines(fmt::format("{}\n", fmt::join(scan_.scanLog, "\n"))));
    EXPECT_THAT(scan_.window.simaddonCounts, ElementsAre(0u));
}

// The name without "fs24-" first, folder by folder (the root, then each folder inside it): the
// first manifest that can be used.
TEST_F(ScanWalkTest, TheManifestIndexFindsAStreamedPackageByItsFolderName) {
    const fs::path root = dir_ / "Official2024";
    const auto manifest = [&](const fs::path& folder, const std::string& version) {
        writeText(root / folder / "manifest.json",
                  R"({"title": "t", "package_version": ")" + version + R"("})");
    };
    manifest("alpha", "1");
    manifest("OneStore/beta", "2");
    manifest("OneStore/fs24-gamma", "3");
    manifest("OneStore/gamma", "4");
    manifest("Other/alpha", "5");
    writeText(root / "OneStore" / "broken" / "manifest.json", "{");
    manifest("Other/broken", "6");
    const ManifestIndex index(root);
    const std::vector<std::pair<const char*, std::optional<std::string>>> cases{
        {"fs24-alpha", "1"}, {"beta", "2"},  {"fs24-gamma", "4"},
        {"fs24-beta", "2"},  {"broken", "6"}, {"none", std::nullopt}};
    for (const auto& [name, version] : cases) {
        std::vector<std::string> scanLog;
        const auto found = index.manifestOf(dir_ / "StreamedPackages" / name, scanLog);
        EXPECT_EQ(found ? std::optional(found->version) : std::nullopt, version) << name;
    }
}

} // namespace
} // namespace skyloom::testing
