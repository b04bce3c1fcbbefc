// Publisher detection and the airport code of a package: stock airports, publishers named in
// the path, manifest values trimmed, refused, too short or naming the simulator maker; and the
// code found in the path, the file stem or the manifest title, each only when it passes the
// tests it is held to.
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "airportscan/airport_code.h"
#include "airportscan/publisher_detection.h"
#include "tests/airportscan/support/scan_test_support.h"
#include "tests/support/temp_dir.h"

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(PublisherDetectionTest, EachWayToAPublisher) {
    TempDir dir;
    const PublisherLists lists = gf_publisherListsFrom(
        dir / "input", "<publishers><pub pn=\"Some Studio, SomeStudio\"/><pub pn=\"Asobo Studio\"/>"
                       "<pub pn=\"North Field\"/></publishers><simaddons20/>");
    struct Case {
        std::string name;
        std::string sourcePath;
        std::optional<PackageManifest> package;
        std::string publisher;
        std::optional<PackageManifest> packageAfter; // the trimmed fields
        std::vector<std::string> notes;
    };
    const std::vector<Case> cases{
        {"stock path", "Official/OneStore/asobo-airport-egll/scenery/EGLL.bgl", std::nullopt,
         "simaddon", std::nullopt, {"publisher: simaddon"}},
        {"stock path in capitals", "Official/Microsoft-Airport-LSZH/LSZH.bgl", std::nullopt,
         "simaddon", std::nullopt, {"publisher: simaddon"}},
        {"publisher in path", "Community/somestudio-egll/scenery/EGLL.bgl", std::nullopt,
         "Some Studio", std::nullopt, {"publisher 'Some Studio'"}},
        {"maker's studio in path", "Community/asobo studio-egll/EGLL.bgl", std::nullopt,
         "simaddon", std::nullopt, {"publisher 'simaddon'"}},
        {"maker as manufacturer", "Community/x/EGLL.bgl",
         PackageManifest{"t", "1", "  Microsoft Studios\t", "asobo"}, "simaddon",
         PackageManifest{"t", "1", "Microsoft Studios", "asobo"}, {"publisher 'simaddon'"}},
        {"short manufacturer, no creator", "Community/x/EGLL.bgl",
         PackageManifest{"t", "1", "AB", ""}, "", PackageManifest{"t", "1", "AB", ""}, {}},
        {"refused manufacturer, known creator", "Community/x/EGLL.bgl",
         PackageManifest{"t", "1", " FSim ", " North Field Works "}, "North Field",
         PackageManifest{"t", "1", "FSim", "North Field Works"},
         {"manifest publisher value 'FSim' rejected by archives data",
          "publisher 'North Field'"}},
        {"unknown maker", "Community/x/EGLL.bgl",
         PackageManifest{"t", "1", "Unknown Maker", ""}, "",
         PackageManifest{"t", "1", "Unknown Maker", ""}, {}},
        {"no manifest anywhere", "Community/x/EGLL.bgl", std::nullopt, "", std::nullopt, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AirportFile airport;
        airport.sourcePath = dir / c.sourcePath;
        airport.bglPath = c.sourcePath;
        airport.package = c.package;
        std::vector<std::string> scanLog;
        gf_classifyPackage(airport, lists, scanLog);
        EXPECT_EQ(airport.publisher, c.publisher);
        EXPECT_EQ(airport.package, c.packageAfter);
        EXPECT_EQ(scanLog, c.notes);
    }
}

TEST(PublisherDetectionTest, AnAcceptedPublisherNeedsFourCharactersNotRefused) {
    TempDir dir;
    const PublisherLists lists = gf_publisherListsFrom(dir / "input", "<simaddons20/>");
    struct Case {
        std::string manufacturer;
        std::string creator;
        bool accepted;
    };
    const std::vector<Case> cases{
        {"Abcd", "", true},     {" Abc ", "", false},     {"AB", "", false},
        {"AB", "Wxyz", true},   {"fsim", "", false},      {" FSIM ", "Wxyz", true},
        {"", "  fsim", false},  {"", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.manufacturer + "/" + c.creator);
        EXPECT_EQ(gf_hasAcceptedPublisher(PackageManifest{"", "", c.manufacturer, c.creator}, lists),
                  c.accepted);
    }
}

TEST(AirportCodeTest, TheCodeComesFromThePathTheStemOrTheManifestTitle) {
    TempDir dir;
    const std::set<std::string> known{"EGLL", "LSZH", "KXYZ", "FS24"};
    const std::set<std::string> weekly{"EGLL", "LSZH", "EDDF", "FS24"};
    const AirportCodeTests tests{[&](const IcaoCode& c) { return known.contains(c.text()); },
                                 [&](const IcaoCode& c) { return weekly.contains(c.text()); }};
    std::filesystem::create_directories(dir / "titled");
    std::ofstream(dir / "titled/manifest.json") << R"({"title": "Vendor lszh Zurich"})";
    struct Case {
        std::string path; // below the temporary folder
        std::optional<std::string> code;
        std::vector<std::string> notes;
    };
    const std::vector<Case> cases{
        {"Community/fs24-egll-heathrow/scenery/x.bgl", "EGLL",
         {"airport has code 'EGLL' in BGL path"}},
        // KXYZ is known but has no weekly traffic; the next run of four is taken.
        {"Community/kxyz_egll/x.bgl", "EGLL", {"airport has code 'EGLL' in BGL path"}},
        // The stem needs weekly traffic only.
        {"Community/vendor/scenery/eddf.bgl", "EDDF", {"airport has code 'EDDF' in stem"}},
        {"titled/scenery/APX.bgl", "LSZH", {"airport has code 'LSZH' in title of manifest"}},
        // Only whole runs of four count; a non-ASCII letter separates runs as a dash does.
        {"Community/vendor-egllx/scenery/APX.bgl", std::nullopt, {}},
        {"Community/Zürich-lszh/APX.bgl", "LSZH", {"airport has code 'LSZH' in BGL path"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        AirportFile airport;
        airport.sourcePath = dir / c.path;
        airport.bglPath = c.path;
        std::vector<std::string> scanLog;
        const auto code = gf_airportCodeOfPackage(airport, tests, scanLog);
        EXPECT_EQ(code ? std::optional(code->text()) : std::nullopt, c.code);
        EXPECT_EQ(scanLog, c.notes);
    }
}

} // namespace
} // namespace skyloom::testing
