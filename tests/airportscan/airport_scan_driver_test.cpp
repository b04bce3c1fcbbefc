// The airport scan from start to end over installed-package trees of both simulators, built
// from real BGL and manifest files, against the simulated world's facility data: the airport
// files and link files it leaves, tblo.zip, the scan log and what the window is told; a scan
// that finds nothing, and folders that vanish or stop being writable while it runs, leave the
// previous folders exactly as they were.
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zip.h>

#include "airportscan/airport_scan_driver.h"
#include "foundation/text.h"
#include "foundation/text_files.h"
#include "tests/airportscan/support/scan_installation.h"
#include "tests/airportscan/support/scan_test_support.h"
#include "tests/sim/support/facility_test_support.h"
#include "tests/support/test_files.h"

namespace skyloom::testing {
namespace {
namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

std::vector<std::string> lf_zipEntries(const fs::path& path) {
    std::vector<std::string> names;
    int error = 0;
    zip_t* archive = zip_open(gf_pathToUtf8(path).c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) {
        return names;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        names.emplace_back(zip_get_name(archive, static_cast<zip_uint64_t>(i), 0));
    }
    zip_discard(archive);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> lf_fileNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(gf_pathToUtf8(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

class AirportScanDriverTest : public FacilityTest {
protected:
    void SetUp() override {
        const auto eham = gf_sharedAirport("EHAM");
        const auto ksfo = gf_sharedAirport("KSFO");
        if (!eham || !ksfo || !gf_makeInstallation(dir_ / "Packages", scan_.msfs2020)) {
            GTEST_SKIP() << "shared data not found: ../shared/data (bgl, manifests, stands)";
        }
        startWorld({fixture("qska"), fixture("qskb"), *eham, *ksfo});
        // The previous scan's results.
        writeText(airports() / "my_simaddon" / "OLD1.xml", "old simaddon");
        writeText(airports() / "my_thirdparty" / "OLD2.txt", "archive/thirdparty/x.enc");
        before_ = gf_snapshotScanFolders(airports());
    }
    fs::path airports() const { return dir_ / "airports"; }
    void run(const ScanStepHook& hook = {}) {
        AirportScanSetup setup = scan_.setup();
        setup.onStep = hook;
        gf_runAirportScan(setup);
    }
    std::vector<std::string> statusTexts() const {
        std::vector<std::string> texts;
        for (const auto& status : scan_.window.payloads<GuiUpdate::StatusText>()) {
            texts.push_back(status.text);
        }
        return texts;
    }
    ScanSetupFixture scan_{dir_.path(), false, {"QSKA", "QSKB", "KPHX", "LSZH", "EHAM", "KSFO"}};
    FolderSnapshot before_;
};

class InstallationScanTest : public AirportScanDriverTest,
                             public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        scan_.msfs2020 = GetParam();
        AirportScanDriverTest::SetUp();
    }
};

TEST_P(InstallationScanTest, LeavesTheAirportFilesLinksArchiveAndLogOfTheInstalledAirports) {
    run();
    const bool msfs2020 = GetParam();
    std::vector<std::string> thirdparty = {"KPHX.xml", "QSKA.xml"};
    if (!msfs2020) {
        thirdparty = {"EHAM.xml", "KPHX.xml", "KSFO.xml", "QSKA.xml"};
    }
    EXPECT_THAT(lf_fileNames(airports()), ElementsAre("my_simaddon", "my_thirdparty"));
    EXPECT_THAT(lf_fileNames(airports() / "my_simaddon"), ElementsAre("LSZH.txt", "QSKB.xml"));
    EXPECT_THAT(lf_fileNames(airports() / "my_thirdparty"), ElementsAreArray(thirdparty));
    EXPECT_EQ(gf_fileText(airports() / "my_simaddon" / "LSZH.txt"), "archive/simaddon/LSZH.enc\n");
    // The stands of KPHX come from the real BGL file, those of the others from the simulator.
    EXPECT_THAT(gf_fileText(airports() / "my_thirdparty" / "KPHX.xml"), HasSubstr("KPHX"));

    std::vector<std::string> archived = thirdparty;
    archived.push_back("QSKB.xml");
    std::sort(archived.begin(), archived.end());
    EXPECT_THAT(lf_fileNames(dir_ / "tblo"), ElementsAre("email address.txt", "tblo.zip"));
    EXPECT_THAT(lf_zipEntries(dir_ / "tblo" / "tblo.zip"), ElementsAreArray(archived));
    EXPECT_EQ(gf_fileText(dir_ / "tblo" / "email address.txt"), "maker@example.org\n");
    EXPECT_TRUE(scan_.controls.tbloNoticePending());
    EXPECT_EQ(scan_.controls.noticesShown, 1);
    EXPECT_THAT(scan_.controls.skipEnabled, ElementsAre(false, true));

    const std::vector<std::string> log = gf_splitLines(gf_fileText(dir_ / "AirportsScanLog.txt"));
    EXPECT_THAT(log, Contains("simaddon airport LSZH linked to archive/simaddon/LSZH.enc"));
    EXPECT_THAT(log, Contains("Generated QSKB.xml: 5 positions of which 1 helipad"));
    EXPECT_THAT(log, Contains("Generated KPHX.xml: 203 positions"));
    EXPECT_THAT(log, Contains("Reading Facilites data for KPHX via SimConnect failed, is MSFS "
                              "connected?"));
    EXPECT_THAT(log, Contains("Facilities reader did not succeed, trying the BGL file reader ..."));
    EXPECT_EQ(log.back(), "Airports scan finished!");
    if (!msfs2020) {
        EXPECT_THAT(log, Contains("publisher 'Orbx' found"));
        EXPECT_THAT(log, Contains("streamed package manifest found, version '2.1.0'"));
    }
    EXPECT_EQ(scan_.window.last<GuiUpdate::SimaddonCount>()->count, 2u);
    EXPECT_EQ(scan_.window.last<GuiUpdate::ThirdpCount>()->count, thirdparty.size());
    EXPECT_EQ(statusTexts().front(), kScanningStatus);
}

INSTANTIATE_TEST_SUITE_P(BothSimulators, InstallationScanTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Msfs2020" : "Msfs2024"; });

TEST_F(AirportScanDriverTest, AScanThatFindsNothingKeepsThePreviousFolders) {
    fs::remove_all(dir_ / "Packages");
    fs::create_directories(dir_ / "Packages" / "Community");
    run();
    EXPECT_EQ(gf_snapshotScanFolders(airports()), before_);
    EXPECT_THAT(lf_fileNames(airports()), ElementsAre("my_simaddon", "my_thirdparty"));
    EXPECT_FALSE(fs::exists(dir_ / "tblo"));
    EXPECT_THAT(statusTexts(),
                ElementsAre(kScanningStatus, "Warning: Scan has not found any add-on airports",
                            "Airport scan produced no add-on data; keeping previous airport "
                            "scan data"));
}

TEST_F(AirportScanDriverTest, AFailedArchiveRemovesNothingAndRaisesNoNotice) {
    // A folder in the archive's place keeps it from being written.
    writeText(dir_ / "tblo" / "tblo.zip" / "busy", "");
    run();
    EXPECT_TRUE(logHas("==> Zippen TBLO folder failed"));
    EXPECT_FALSE(scan_.controls.tbloNoticePending());
    EXPECT_EQ(scan_.controls.noticesShown, 0);
    EXPECT_FALSE(fs::exists(dir_ / "tblo"));
    // The scan itself stands.
    EXPECT_TRUE(fs::exists(airports() / "my_thirdparty" / "QSKA.xml"));
    EXPECT_FALSE(fs::exists(airports() / "my_simaddon" / "OLD1.xml"));
}

TEST_F(AirportScanDriverTest, ASkippedScanOrAnUnreadableWeeklyListLeavesTheFolders) {
    for (const bool skipped : {true, false}) {
        AirportScanSetup setup = scan_.setup();
        setup.skipScan = skipped;
        scan_.weeklyAirportsReadable = false;
        scan_.window.clear();
        gf_runAirportScan(setup);
        EXPECT_EQ(gf_snapshotScanFolders(airports()), before_);
        EXPECT_EQ(statusTexts().back(),
                  skipped
                      ? "Airport scan suppressed by parameter SKIP_AIRPORT_SCAN"
                      : "Reading RT weekly airports failed; keeping previous airport scan data");
        EXPECT_EQ(scan_.window.last<GuiUpdate::SimaddonCount>()->count, 1u);
        // Only a scan that starts disables the check box, and enables it again at its end.
        if (skipped) {
            EXPECT_THAT(scan_.controls.skipEnabled, IsEmpty());
        } else {
            EXPECT_FALSE(scan_.controls.skipEnabled.front());
            EXPECT_TRUE(scan_.controls.skipEnabled.back());
        }
    }
}

TEST_F(AirportScanDriverTest, AScanCutShortByTheStopOfTheRunKeepsThePreviousFolders) {
    run([this](ScanStep step) {
        if (step == ScanStep::airportWritten) {
            scan_.stop.request(StopReason::userClosedSim, 0);
        }
    });
    EXPECT_EQ(gf_snapshotScanFolders(airports()), before_);
    EXPECT_FALSE(fs::exists(dir_ / "tblo"));
    EXPECT_THAT(statusTexts(),
                Contains("Airport scan stopped; keeping previous airport scan data"));
}

// What happens to my_thirdparty when the scan writes its first airport file.
enum class FolderFault { vanishes, becomesAFile, becomesReadOnly };

class FolderFaultTest : public AirportScanDriverTest,
                        public ::testing::WithParamInterface<FolderFault> {};

TEST_P(FolderFaultTest, IsReportedAndRolledBack) {
    const fs::path thirdparty = airports() / "my_thirdparty";
    bool done = false;
    bool writable = false;
    run([&](ScanStep step) {
        if (step != ScanStep::airportWritten || done) {
            return;
        }
        done = true;
        switch (GetParam()) {
        case FolderFault::vanishes:
            fs::remove_all(thirdparty);
            break;
        case FolderFault::becomesAFile:
            fs::remove_all(thirdparty);
            writeText(thirdparty, "not a folder");
            break;
        case FolderFault::becomesReadOnly:
            fs::permissions(thirdparty, fs::perms::owner_read | fs::perms::owner_exec);
            writable = static_cast<bool>(std::ofstream(thirdparty / "probe") << "x");
            break;
        }
    });
    if (GetParam() == FolderFault::becomesReadOnly) {
        fs::permissions(thirdparty, fs::perms::owner_all);
        if (writable) {
            GTEST_SKIP() << "a read-only folder is writable here (the tests run as root)";
        }
        EXPECT_TRUE(logHas("==> Airport scan failed; previous airport scan data restored: "
                           "airport scan folder " +
                           gf_pathToUtf8(thirdparty) + " cannot be written to"));
        // The files written before cannot be removed from the read-only folder: the marker
        // stays, and the next start finishes the repair.
        EXPECT_TRUE(fs::exists(airports() / ".airport_scan_in_progress"));
        EXPECT_TRUE(gf_recoverInterruptedScan(airports()));
    }
    EXPECT_EQ(gf_snapshotScanFolders(airports()), before_);
    EXPECT_THAT(lf_fileNames(airports()), ElementsAre("my_simaddon", "my_thirdparty"));
    EXPECT_FALSE(fs::exists(dir_ / "tblo"));
    EXPECT_EQ(statusTexts().back(),
              "Airport scan failed; Skyloom will continue with the previous airport data");
    EXPECT_THAT(scan_.controls.skipEnabled.back(), true);
}

INSTANTIATE_TEST_SUITE_P(Faults, FolderFaultTest,
                         ::testing::Values(FolderFault::vanishes, FolderFault::becomesAFile,
                                           FolderFault::becomesReadOnly));

} // namespace
} // namespace skyloom::testing
