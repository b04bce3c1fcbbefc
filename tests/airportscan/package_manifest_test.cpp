// Package manifests: the real manifests of public packages read with their texts and the
// publisher they give; hostile files (not JSON, no object, texts of the wrong type, a 10 MB
// string, no key at all) skipped with a note; the size limit at exactly 4 MiB; the version
// fallback; the upward search and its limit; the look-up of a streamed package's manifest by
// its folder name.
#include <fstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "airportscan/manifest_index.h"
#include "airportscan/package_manifest.h"
#include "airportscan/publisher_detection.h"
#include "foundation/text.h"
#include "tests/airportscan/support/scan_test_support.h"
#include "tests/support/shared_data.h"
#include "tests/support/temp_dir.h"

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

void lf_writeText(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

TEST(PackageManifestTest, RealManifestsGiveTheirTextsAndPublisher) {
    struct Case {
        std::string folder; // below data/manifests
        PackageManifest manifest;
        std::string publisher;
        bool accepted;
        std::vector<std::string> notes;
    };
    const std::vector<Case> cases{
        {"jopeek-fsltl-canada-air-virtual-pack",
         {"FSLTL Canada Air Virtual Pack", "1.0.0", "Jan Ole Peek", "Jan Ole Peek"},
         "Jan Ole Peek",
         true,
         {"publisher 'Jan Ole Peek'"}},
        // An empty manufacturer says nothing; the creator is refused by the archives data.
        {"Samueleonard-AIG-ModelMatching-For-MSFS/Community/aig-aitraffic-oci-beta",
         {"AIGAIM AI Traffic (BETA)", "0.1.0", "", "AIGTech"},
         "",
         false,
         {"manifest publisher value 'AIGTech' rejected by archives data"}},
        // The creator names a known publisher in other letter case.
        {"alfonsosiloniz-FPL2SCN/BGLLibrary/MSFS_Package/aquilon-visualpoints",
         {"visualpoints", "0.1.0", "", "ALFONSO SILONIZ"},
         "Alfonso Siloniz",
         true,
         {"publisher 'Alfonso Siloniz'"}},
    };
    TempDir dir;
    const PublisherLists lists = gf_publisherListsFrom(
        dir / "input",
        "<publishers><pub pn=\"Jan Ole Peek\"/><pub pn=\"Alfonso Siloniz\"/></publishers>"
        "<rejectedpublishers><rp n=\"aigtech\"/></rejectedpublishers>"
        "<simaddons20/>");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        SKYLOOM_REQUIRE_SHARED(folder, "data/manifests/" + c.folder);
        std::vector<std::string> scanLog;
        // Found from a scenery file two folders below the manifest.
        AirportFile airport;
        airport.sourcePath = folder / "scenery" / "global" / "AIRPORT.bgl";
        airport.bglPath = "Community/package/scenery/global/AIRPORT.bgl";
        ASSERT_EQ(gf_searchManifest(airport.sourcePath, scanLog), c.manifest);
        EXPECT_THAT(scanLog, IsEmpty());

        gf_classifyPackage(airport, lists, scanLog);
        EXPECT_EQ(airport.package, c.manifest);
        EXPECT_EQ(airport.publisher, c.publisher);
        EXPECT_EQ(scanLog, c.notes);
        EXPECT_EQ(gf_hasAcceptedPublisher(c.manifest, lists), c.accepted);
    }
}

TEST(PackageManifestTest, HostileManifestsAreSkippedWithANote) {
    struct Case {
        std::string name;
        std::string text;
        std::string note; // the start of the note
    };
    const std::vector<Case> cases{
        {"not JSON", "title: EGLL\nversion: 1.0", "Ignoring manifest that is not JSON: '"},
        {"cut short", "{\"title\": \"EGLL\", \"creator\": ", "Ignoring manifest that is not JSON"},
        {"an array", "[\"title\", \"EGLL\"]", "Ignoring manifest that is not a JSON object: '"},
        {"a text", "\"EGLL\"", "Ignoring manifest that is not a JSON object"},
        {"wrong types", "{\"title\": 5, \"package_version\": [1], \"manufacturer\": {}, "
                        "\"creator\": null}",
         "Ignoring manifest without title, version, manufacturer or creator: '"},
        {"no keys", "{\"content_type\": \"SCENERY\"}",
         "Ignoring manifest without title, version, manufacturer or creator"},
        {"a 10 MB string",
         "{\"title\": \"" + std::string(10 * 1024 * 1024, 'x') + "\", \"creator\": \"Big\"}",
         "Ignoring manifest larger than 4194304 bytes: '"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path file = dir / c.name / "manifest.json";
        lf_writeText(file, c.text);
        std::vector<std::string> scanLog;
        EXPECT_EQ(gf_searchManifest(dir / c.name / "scenery/EGLL.bgl", scanLog), std::nullopt);
        ASSERT_EQ(scanLog.size(), 1u);
        EXPECT_THAT(scanLog[0], ::testing::StartsWith(c.note));
    }
}

TEST(PackageManifestTest, FieldsOfTheWrongTypeAreEmptyAndNoted) {
    TempDir dir;
    struct Case {
        std::string text;
        PackageManifest manifest;
        std::vector<std::string> wrongKeys;
    };
    const std::vector<Case> cases{
        {R"({"title": "EGLL", "creator": 7, "manufacturer": "Vendor"})",
         {"EGLL", "", "Vendor", ""},
         {"creator"}},
        {R"({"package_version": "", "version": "1.2.0", "creator": "C"})", {"", "1.2.0", "", "C"}, {}},
        {R"({"package_version": "2.0.1", "version": "1.2.0"})", {"", "2.0.1", "", ""}, {}},
        {R"({"package_version": 2, "version": "1.2.0"})", {"", "1.2.0", "", ""}, {"package_version"}},
        {R"({"title": "", "manufacturer": "", "creator": ""})", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::filesystem::path file = dir / "manifest.json";
        lf_writeText(file, c.text);
        std::vector<std::string> scanLog;
        EXPECT_EQ(gf_parseManifest(file, scanLog), c.manifest);
        std::vector<std::string> expected;
        for (const std::string& key : c.wrongKeys) {
            expected.push_back("manifest '" + gf_pathToUtf8(file) + "': \"" + key +
                               "\" is not a text, taken as empty");
        }
        EXPECT_EQ(scanLog, expected);
    }
}

TEST(PackageManifestTest, AManifestOfExactlyTheLimitIsReadOneByteMoreIsNot) {
    TempDir dir;
    const std::string head = "{\"title\": \"EGLL\"}";
    const std::filesystem::path file = dir / "manifest.json";
    lf_writeText(file, head + std::string(kManifestMaxBytes - head.size(), ' '));
    std::vector<std::string> scanLog;
    ASSERT_TRUE(gf_parseManifest(file, scanLog));
    EXPECT_EQ(gf_parseManifest(file, scanLog)->title, "EGLL");
    EXPECT_THAT(scanLog, IsEmpty());

    lf_writeText(file, head + std::string(kManifestMaxBytes - head.size() + 1, ' '));
    EXPECT_EQ(gf_parseManifest(file, scanLog), std::nullopt);
    EXPECT_THAT(scanLog, ElementsAre("Ignoring manifest larger than 4194304 bytes: '" +
                                     gf_pathToUtf8(file) + "'"));
}

TEST(PackageManifestTest, TheUpwardSearchLooksIntoTwelveFoldersAtMost) {
    TempDir dir;
    lf_writeText(dir / "manifest.json", R"({"title": "top"})");
    std::filesystem::path deep = dir.path();
    for (int i = 1; i <= 12; ++i) {
        deep /= "d" + std::to_string(i);
    }
    std::vector<std::string> scanLog;
    // From d1/.../d11 the twelfth folder looked into is the one with the manifest.
    EXPECT_EQ(gf_searchManifest(deep.parent_path() / "file.bgl", scanLog),
              (PackageManifest{"top", "", "", ""}));
    EXPECT_EQ(gf_searchManifest(deep / "file.bgl", scanLog), std::nullopt);
    // The nearest manifest wins, whatever it gives.
    lf_writeText(dir / "d1/manifest.json", "[]");
    EXPECT_EQ(gf_searchManifest(dir / "d1/d2/file.bgl", scanLog), std::nullopt);
    EXPECT_EQ(gf_searchManifest(std::filesystem::path("file.bgl"), scanLog), std::nullopt);
}

TEST(PackageManifestTest, AStreamedPackageIsFoundByItsNameWithAndWithoutThePrefix) {
    TempDir dir;
    const std::filesystem::path root = dir / "Official2024";
    lf_writeText(root / "vendor-airport-egll/manifest.json", R"({"title": "short"})");
    lf_writeText(root / "fs24-vendor-airport-egll/manifest.json", R"({"title": "full"})");
    lf_writeText(root / "OneStore/fs24-vendor-airport-lszh/manifest.json", R"({"title": "deep"})");
    lf_writeText(root / "fs24-/manifest.json", R"({"title": "bare prefix"})");
    struct Case {
        std::string package;
        std::optional<std::string> title;
    };
    const std::vector<Case> cases{
        {"StreamedPackages/fs24-vendor-airport-egll", "short"},
        {"StreamedPackages/vendor-airport-egll", "short"},
        {"StreamedPackages/fs24-vendor-airport-lszh", "deep"},
        {"StreamedPackages/fs24-", "bare prefix"},
        {"StreamedPackages/fs24-vendor-airport-eham", std::nullopt},
    };
    const ManifestIndex index(root);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.package);
        std::vector<std::string> scanLog;
        const auto manifest = index.manifestOf(dir / c.package, scanLog);
        EXPECT_EQ(manifest ? std::optional(manifest->title) : std::nullopt, c.title);
    }
    std::filesystem::remove(root / "vendor-airport-egll/manifest.json");
    std::vector<std::string> scanLog;
    EXPECT_EQ(ManifestIndex(root).manifestOf(dir / "fs24-vendor-airport-egll", scanLog)->title,
              "full");
    EXPECT_EQ(ManifestIndex({}).manifestOf(dir / "x", scanLog), std::nullopt);
}

} // namespace
} // namespace skyloom::testing
