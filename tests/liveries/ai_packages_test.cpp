// The automatic choice of AI package folders: which Community folder names belong to which
// kind, the folder list for every AI_PACKAGE_SELECTOR order, the user-aitraffic folder, and
// the folders that are never chosen.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/ai_package_orders.h"
#include "liveries/ai_packages.h"
#include "liveries/livery_scan.h"
#include "tests/liveries/support/scan_test_support.h"

namespace fs = std::filesystem;

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::uint8_t kAig = 0;
constexpr std::uint8_t kFsltl = 1;
constexpr std::uint8_t kJf = 2;
constexpr std::uint8_t kMtl = 3;

struct ClassifyCase {
    std::uint8_t kind;
    std::string name;
    bool msfs2020;
    bool expected;
};

TEST(AIPackageClassify, NamesBelongToTheirKindsOnly) {
    const std::vector<ClassifyCase> cases = {
        {kAig, "aig-aitraffic-oci", false, true},
        {kAig, "aig-aitraffic-oci-beta", true, true},
        {kAig, "aig-aitraffic-oci-beta", false, false}, // the beta package is for MSFS 2020
        {kAig, "AIG-AITRAFFIC-OCI", false, false},      // case-sensitive
        {kAig, "aig-aitraffic-oci_CVT_", false, false},
        {kAig, "fsltl-traffic-base", false, false},
        {kFsltl, "fsltl-traffic-base", false, true},
        {kFsltl, "fsltl-traffic-base_CVT_x", true, false},
        {kFsltl, "fsltl-traffic-injector", false, false},
        {kJf, "justflight-aircraft-traffic-fleet", false, true},
        {kJf, "justflight-fstraffic-module", true, true},
        {kJf, "justflight-aircraft-traffic", false, false},
        {kMtl, "IVAO_MTL", false, true},
        {kMtl, "ivao_mtl", false, false},
        {kMtl, "x_CVT_IVAO_MTL", false, false},
        {4, "aig-aitraffic-oci", true, false}, // no such kind
        {255, "IVAO_MTL", false, false},
    };
    for (const ClassifyCase& c : cases) {
        EXPECT_EQ(gf_classifyAIPackage(c.kind, c.name, c.msfs2020), c.expected)
            << "kind " << int(c.kind) << " name '" << c.name << "' msfs2020 " << c.msfs2020;
    }
}

TEST(AIPackageClassify, KindNamesForTheLog) {
    EXPECT_EQ(gf_aiPackageKindName(kAig), "AIG");
    EXPECT_EQ(gf_aiPackageKindName(kFsltl), "FSLTL");
    EXPECT_EQ(gf_aiPackageKindName(kJf), "JF");
    EXPECT_EQ(gf_aiPackageKindName(kMtl), "IVAO_MTL");
    EXPECT_EQ(gf_aiPackageKindName(std::uint8_t{4}), "unknown");
}

class AIPackageFoldersTest : public LiveryScanTest {
protected:
    fs::path makeFolder(const std::string& name) {
        const fs::path folder = community() / name;
        fs::create_directories(folder);
        return folder;
    }
    static LiveryScanSettings settingsFor(std::string_view choice, bool msfs2020 = false) {
        LiveryScanSettings settings;
        const std::vector<std::string>& choices = gf_aiPackageChoices();
        const auto found = std::find(choices.begin(), choices.end(), choice);
        if (found == choices.end()) {
            throw std::invalid_argument("no such choice");
        }
        settings.packageChoice = static_cast<std::size_t>(found - choices.begin());
        settings.msfs2020 = msfs2020;
        return settings;
    }
};

TEST_F(AIPackageFoldersTest, EveryOrderGivesItsKindsInOrderThenTheUserFolder) {
    const std::vector<fs::path> byKind = {
        makeFolder("aig-aitraffic-oci-models"), makeFolder("fsltl-traffic-base"),
        makeFolder("justflight-aircraft-traffic-fleet"), makeFolder("IVAO_MTL")};
    const fs::path user = makeFolder("my-user-aitraffic");
    makeFolder("fsltl-traffic-injector");
    makeFolder("asobo-airport-eddf");

    const auto& orders = gf_aiPackageOrders();
    ASSERT_EQ(orders.size(), 64u);
    for (std::size_t index = 0; index < orders.size(); ++index) {
        LiveryScanSettings settings;
        settings.packageChoice = index;
        std::vector<fs::path> expected;
        for (const std::uint8_t kind : orders[index]) {
            expected.push_back(byKind[kind]);
        }
        expected.push_back(user);
        EXPECT_EQ(gf_findAIPackages(settings, community()), expected)
            << "choice " << index << " '" << gf_aiPackageChoices()[index] << "'";
    }
}

TEST_F(AIPackageFoldersTest, KindsOutsideTheOrderAreNotScanned) {
    const fs::path aig = makeFolder("aig-aitraffic-oci");
    const fs::path fsltl = makeFolder("fsltl-traffic-base");
    makeFolder("justflight-fstraffic-module");

    EXPECT_THAT(gf_findAIPackages(settingsFor("FSLTL, AIG"), community()), ElementsAre(fsltl, aig));
    EXPECT_TRUE(log_.has(fmt::format("Automatic FSLTL scan found folder: '{}'", fsltl.string())));
    EXPECT_TRUE(log_.has(fmt::format("Automatic AIG scan found folder: '{}'", aig.string())));
    EXPECT_FALSE(log_.contains("Automatic JF scan"));
}

TEST_F(AIPackageFoldersTest, TheBetaPackageCountsOnlyUnderMsfs2020) {
    const fs::path beta = makeFolder("aig-aitraffic-oci-beta");
    EXPECT_THAT(gf_findAIPackages(settingsFor("AIG", false), community()), IsEmpty());
    EXPECT_THAT(gf_findAIPackages(settingsFor("AIG", true), community()), ElementsAre(beta));

    // With both installed MSFS 2024 always takes the release; MSFS 2020 takes whichever the
    // listing meets first.
    const fs::path release = makeFolder("aig-aitraffic-oci");
    EXPECT_THAT(gf_findAIPackages(settingsFor("AIG", false), community()), ElementsAre(release));
    const std::vector<fs::path> found = gf_findAIPackages(settingsFor("AIG", true), community());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(found[0] == release || found[0] == beta);
}

TEST_F(AIPackageFoldersTest, ConvertedFoldersAreNeverChosen) {
    makeFolder("aig-aitraffic-oci_CVT_");
    makeFolder("user-aitraffic_CVT_");
    EXPECT_THAT(gf_findAIPackages(settingsFor("AIG, FSLTL, JF, MTL"), community()), IsEmpty());

    const fs::path user = makeFolder("zz-user-aitraffic");
    EXPECT_THAT(gf_findAIPackages(settingsFor("AIG, FSLTL, JF, MTL"), community()),
                ElementsAre(user));
    EXPECT_TRUE(
        log_.has(fmt::format("Automatic user-aitraffic scan found folder: '{}'", user.string())));
}

TEST_F(AIPackageFoldersTest, FilesAreNoPackageFolders) {
    writeCfgBytes(community() / "fsltl-traffic-base", "not a folder");
    EXPECT_THAT(gf_findAIPackages(settingsFor("FSLTL"), community()), IsEmpty());
}

TEST_F(AIPackageFoldersTest, OnlyTheFirstUserFolderIsTaken) {
    makeFolder("a-user-aitraffic");
    makeFolder("b-user-aitraffic");
    EXPECT_EQ(gf_findAIPackages(settingsFor("MTL"), community()).size(), 1u);
}

TEST_F(AIPackageFoldersTest, AMissingCommunityFolderIsAWarningAndFindsNothing) {
    const fs::path missing = dir_ / "nowhere" / "Community";
    EXPECT_THAT(gf_findAIPackages(settingsFor("AIG"), missing), IsEmpty());
    EXPECT_TRUE(log_.contains(
        fmt::format("Automatic AI package scan warning in '{}': ", missing.string())));
    EXPECT_TRUE(log_.contains(
        fmt::format("==> Automatic user-aitraffic scan warning in '{}': ", missing.string())));
}

TEST_F(AIPackageFoldersTest, AChoiceWithoutValueIsNotSet) {
    makeFolder("aig-aitraffic-oci");
    LiveryScanSettings settings;
    settings.packageChoice.reset();
    try {
        gf_findAIPackages(settings, community());
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "AI_PACKAGE_SELECTOR not set");
    }
    settings.packageChoice = 64; // beyond the list
    EXPECT_THROW(gf_findAIPackages(settings, community()), std::runtime_error);
}

} // namespace
} // namespace skyloom::testing
