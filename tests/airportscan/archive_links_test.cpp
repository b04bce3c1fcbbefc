// Archive links: the link file of a simaddon airport and of a publisher's airport by package
// version, with the warnings for higher versions in the scan log and the status line; airports
// that are not linked; and a link file that cannot be written, which is reported and leaves
// the airport to be read.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "airportscan/archive_links.h"
#include "airportscan/package_manifest.h"
#include "foundation/text.h"
#include "tests/airportscan/support/scan_test_support.h"
#include "tests/support/temp_dir.h"

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ArchiveLinksTest : public ::testing::Test {
protected:
    ArchiveLinksTest() {
        scan_.publishers.simaddons = {"EGLL", "LSZH"};
        scan_.publishers.thirdparties = {
            {"North Field", {{"EGLL10", "1.0"}, {"EGLL12", "1.2"}, {"KSFO", ""}}}};
        std::filesystem::create_directories(scan_.simaddonFolder);
        std::filesystem::create_directories(scan_.thirdpartyFolder);
    }

    static AirportFile airport(std::string icao, std::string publisher,
                               std::optional<std::string> version) {
        AirportFile a;
        a.icao = IcaoCode(icao);
        a.publisher = std::move(publisher);
        a.sourcePath = "Community/vendor/scenery/" + icao + ".bgl";
        a.bglPath = a.sourcePath.string();
        if (version) {
            a.package = PackageManifest{"title", *version, "Vendor", "Vendor"};
        }
        return a;
    }

    TempDir dir_;
    ScanFixture scan_{dir_.path(), {}};
};

TEST_F(ArchiveLinksTest, LinkedAirportsGetALinkFileNamingTheArchivedFile) {
    struct Case {
        AirportFile airport;
        std::filesystem::path linkFile; // below the airports folder
        std::string archivePath;
        std::vector<std::string> notes;
        std::vector<std::string> status;
    };
    const std::vector<Case> cases{
        {airport("EGLL", "simaddon", std::nullopt), "my_simaddon/EGLL.txt",
         "archive/simaddon/EGLL.enc",
         {"simaddon airport EGLL linked to archive/simaddon/EGLL.enc\n"}, {}},
        {airport("EGLL", "North Field", "1.2"), "my_thirdparty/EGLL.txt",
         "archive/thirdparty/North%20Field/EGLL12.enc",
         {"thirdparty airport EGLL linked to archive/thirdparty/North%20Field/EGLL12.enc\n"}, {}},
        {airport("EGLL", "North Field", "1.0"), "my_thirdparty/EGLL.txt",
         "archive/thirdparty/North%20Field/EGLL10.enc",
         {"Warning: North Field EGLL version 1.0 is used; higher version 1.2 is present in the "
          "archive",
          "thirdparty airport EGLL linked to archive/thirdparty/North%20Field/EGLL10.enc\n"},
         {"Warning: North Field EGLL version 1.0 is used; higher version 1.2 is present in the "
          "archive"}},
        // Without a package version the entry named like the code serves.
        {airport("KSFO", "North Field", std::nullopt), "my_thirdparty/KSFO.txt",
         "archive/thirdparty/North%20Field/KSFO.enc",
         {"thirdparty airport KSFO linked to archive/thirdparty/North%20Field/KSFO.enc\n"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archivePath);
        scan_.scanLog.clear();
        scan_.window.statusTexts.clear();
        AirportFile a = c.airport;
        EXPECT_TRUE(gf_linkToArchive(a, scan_.context()));
        EXPECT_EQ(gf_fileText(dir_ / "airports" / c.linkFile), c.archivePath + "\n");
        EXPECT_EQ(scan_.scanLog, c.notes);
        EXPECT_EQ(scan_.window.statusTexts, c.status);
        EXPECT_THAT(scan_.window.statusLogged, ::testing::Each(true));
    }
}

TEST_F(ArchiveLinksTest, AirportsWithoutAnArchivedFileAreNotLinked) {
    struct Case {
        AirportFile airport;
        std::vector<std::string> notes;
        std::vector<std::string> status;
    };
    const std::vector<Case> cases{
        {airport("EHAM", "simaddon", std::nullopt), {"EHAM does not exist as simaddon"}, {}},
        {airport("EGLL", "North Field", "1.1"),
         {"Warning: North Field EGLL version 1.1 is not in the archive; higher version 1.2 is "
          "present. The airport is sent to TBLO",
          "thirdparty North Field EGLL version 1.1 does not exist"},
         {"Warning: North Field EGLL version 1.1 is not in the archive; higher version 1.2 is "
          "present. The airport is sent to TBLO"}},
        {airport("EGLL", "North Field", std::nullopt),
         {"thirdparty North Field EGLL does not exist"}, {}},
        {airport("EGLL", "Elsewhere", "1.2"), {"thirdparty Elsewhere EGLL version 1.2 does not exist"},
         {}},
        // No publisher, and none found in the path or a manifest.
        {airport("EGLL", "", "1.2"), {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.airport.publisher + " " + c.airport.icao.text());
        scan_.scanLog.clear();
        scan_.window.statusTexts.clear();
        AirportFile a = c.airport;
        EXPECT_FALSE(gf_linkToArchive(a, scan_.context()));
        EXPECT_EQ(scan_.scanLog, c.notes);
        EXPECT_EQ(scan_.window.statusTexts, c.status);
    }
    EXPECT_TRUE(std::filesystem::is_empty(scan_.simaddonFolder));
    EXPECT_TRUE(std::filesystem::is_empty(scan_.thirdpartyFolder));
}

TEST_F(ArchiveLinksTest, AnAirportWithoutPublisherIsClassifiedFirst) {
    AirportFile a = airport("LSZH", "", std::nullopt);
    a.sourcePath = "Official/OneStore/microsoft-airport-lszh/scenery/LSZH.bgl";
    EXPECT_TRUE(gf_linkToArchive(a, scan_.context()));
    EXPECT_EQ(a.publisher, "simaddon");
    EXPECT_THAT(scan_.scanLog,
                ElementsAre("publisher: simaddon",
                            "simaddon airport LSZH linked to archive/simaddon/LSZH.enc\n"));
    EXPECT_EQ(gf_fileText(scan_.simaddonFolder / "LSZH.txt"), "archive/simaddon/LSZH.enc\n");
}

TEST_F(ArchiveLinksTest, ALinkFileThatCannotBeWrittenIsReportedAndNotCountedAsLinked) {
    // A folder where the link file should go, and a missing my_simaddon folder.
    std::filesystem::create_directories(scan_.thirdpartyFolder / "EGLL.txt");
    AirportFile thirdparty = airport("EGLL", "North Field", "1.2");
    EXPECT_FALSE(gf_linkToArchive(thirdparty, scan_.context()));

    std::filesystem::remove_all(scan_.simaddonFolder);
    AirportFile simaddon = airport("LSZH", "simaddon", std::nullopt);
    EXPECT_FALSE(gf_linkToArchive(simaddon, scan_.context()));

    EXPECT_THAT(scan_.scanLog,
                ElementsAre("===> Writing " + gf_pathToUtf8(scan_.thirdpartyFolder / "EGLL.txt") +
                                " did not succeed",
                            "===> Writing " + gf_pathToUtf8(scan_.simaddonFolder / "LSZH.txt") +
                                " did not succeed"));
    EXPECT_FALSE(std::filesystem::exists(scan_.simaddonFolder));
}

} // namespace
} // namespace skyloom::testing
