// The livery folder walk on fixture packages: package ranks, the folders the walk does not
// enter, the aircraft.cfg files it finds, the prioritising of packages, the don't-use titles,
// and the result codes.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "liveries/liveries_scanned_file.h"
#include "liveries/livery_folder_walk.h"
#include "refdata/code_table.h"
#include "tests/liveries/support/scan_test_support.h"
#include "tests/support/small_disk.h"

namespace fs = std::filesystem;

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class LiveryFolderWalkTest : public LiveryScanTest {
protected:
    void SetUp() override {
        LiveryScanTest::SetUp();
        scan_.prepare();
    }
    LiveryScanResult walk(const std::vector<fs::path>& folders, bool prioritize = true) {
        LiveryWalkContext context{scan_, records_, keepRunning_};
        return gf_scanLiveryFolders(context, folders, prioritize);
    }
    // A package folder under the Community folder holding one aircraft.cfg.
    fs::path package(const std::string& name, std::string_view model,
                     const std::vector<CfgLivery>& liveries) {
        addPackageAircraft(name, "aircraft", model, liveries);
        return community() / name;
    }
    const LiveryRecord& record(std::string_view title) const {
        const auto found = std::find_if(records_.begin(), records_.end(),
                                        [&](const LiveryRecord& r) { return r.title == title; });
        if (found == records_.end()) {
            throw std::out_of_range(std::string(title));
        }
        return *found;
    }

    std::function<bool()> keepRunning_;
};

TEST_F(LiveryFolderWalkTest, FolderCountsAreLoggedWithTheirOwnPlural) {
    const fs::path one = package("one", "A320", {{"One DLH", "DLH"}});
    const fs::path two = package("two", "A320", {{"Two BAW", "BAW"}, {"Two KLM", "KLM"}});
    const fs::path none = community() / "none";
    fs::create_directories(none);

    EXPECT_EQ(walk({one, two, none}), LiveryScanResult::written);

    EXPECT_TRUE(log_.has(fmt::format("    1 liverie found in {}", one.string())));
    EXPECT_TRUE(log_.has(fmt::format("    2 liveries found in {}", two.string())));
    EXPECT_TRUE(log_.has(fmt::format("No liveries found in {}", none.string())));
}

TEST_F(LiveryFolderWalkTest, RanksFollowTheExistingFoldersAndStopAtTen) {
    std::vector<fs::path> folders;
    for (int i = 1; i <= 11; ++i) {
        // Folders 1 to 9 fly for British Airways, 10 and 11 for Lufthansa.
        const std::string airline = i >= 10 ? "DLH" : "BAW";
        folders.push_back(
            package(fmt::format("p{:02}", i), "A320", {{fmt::format("Livery {:02}", i), airline}}));
    }
    const fs::path missing = community() / "missing";
    const fs::path file = community() / "plain-file";
    writeCfgBytes(file, "not a folder");
    folders.insert(folders.begin() + 1, missing);
    folders.insert(folders.begin() + 2, file);
    folders.insert(folders.begin() + 3, fs::path());

    EXPECT_EQ(walk(folders, false), LiveryScanResult::written);

    ASSERT_EQ(records_.size(), 11u);
    for (int i = 1; i <= 11; ++i) {
        EXPECT_EQ(record(fmt::format("Livery {:02}", i)).packageRank, std::min(i, 10))
            << "folder " << i;
    }
    EXPECT_TRUE(log_.has(missing.string() + " does not exist, skipped!"));
    EXPECT_TRUE(log_.has(file.string() + " is not a folder name, skipped!"));

    // Prioritising leaves the best British Airways livery and both Lufthansa ones: ranks 10
    // and 11 are one rank.
    scan_.prepare();
    EXPECT_EQ(walk(folders, true), LiveryScanResult::written);
    EXPECT_THAT(titles(records_), UnorderedElementsAre("Livery 01", "Livery 10", "Livery 11"));
    EXPECT_TRUE(log_.has("    8 same airl+model liveries removed because from lower ai-package"));
    EXPECT_TRUE(log_.has("    3 in total"));
}

TEST_F(LiveryFolderWalkTest, PrioritisingKeepsTheHigherPackageOfEachKey) {
    const fs::path first = package("first", "A320", {{"First DLH", "DLH"}});
    const fs::path second =
        package("second", "A320", {{"Second DLH", "DLH"}, {"Second KLM", "KLM"}});

    EXPECT_EQ(walk({first, second}, true), LiveryScanResult::written);
    EXPECT_THAT(titles(records_), UnorderedElementsAre("First DLH", "Second KLM"));
    EXPECT_TRUE(log_.has("Prioritizing the scanned liveries ..."));
    EXPECT_TRUE(log_.has("    1 same airl+model liverie removed because from lower ai-package"));
    EXPECT_TRUE(log_.has("    2 in total"));

    scan_.prepare();
    EXPECT_EQ(walk({first, second}, false), LiveryScanResult::written);
    EXPECT_THAT(titles(records_), UnorderedElementsAre("First DLH", "Second DLH", "Second KLM"));
    EXPECT_TRUE(log_.has("    3 in total"));
}

TEST_F(LiveryFolderWalkTest, OneFolderIsNeverPrioritisedAndLogsNoTotal) {
    const fs::path only = package("only", "A320", {{"Only DLH", "DLH"}, {"Only DLH again", "DLH"}});
    EXPECT_EQ(walk({only}, true), LiveryScanResult::written);
    EXPECT_EQ(records_.size(), 2u);
    EXPECT_FALSE(log_.contains("Prioritizing"));
    EXPECT_FALSE(log_.contains("in total"));
}

TEST(LiveryPrioritize, RanksCompeteOnlyWithinAirlineOperatorModelAndCargo) {
    const auto make = [](std::string title, LiveryKey key, std::uint16_t rank) {
        return LiveryRecord{std::move(title), "", key, rank};
    };
    const LiveryKey dlh{1, 0, 7, 0, 0};
    const LiveryKey dlhFromRegistration{1, 0, 7, 0, 1}; // the further byte takes no part
    const LiveryKey dlhCargo{1, 0, 7, 1, 0};
    const LiveryKey dlhOperated{1, 2, 7, 0, 0};
    std::vector<LiveryRecord> records = {
        make("a", dlh, 3),         make("b", dlhCargo, 5), make("c", dlhFromRegistration, 2),
        make("d", dlhOperated, 4), make("e", dlh, 2),      make("f", dlhCargo, 6),
    };
    EXPECT_EQ(gf_prioritizeLiveries(records), 2u);
    std::vector<std::string> kept;
    for (const LiveryRecord& record : records) {
        kept.push_back(record.title);
    }
    EXPECT_THAT(kept, ElementsAre("b", "c", "d", "e")) << "the rest keep their order";
}

TEST_F(LiveryFolderWalkTest, SkippedFoldersAreNotEnteredAndTheNameIsCaseBlind) {
    const fs::path root = community() / "pkg";
    writeAircraftCfg(root / "a", "A320", {{"Found lower", "DLH"}});
    writeCfgBytes(root / "b" / "AIRCRAFT.CFG", aircraftCfgText("A320", {{"Found upper", "KLM"}}));
    writeCfgBytes(root / "c" / "Aircraft.Cfg", aircraftCfgText("A320", {{"Found mixed", "BAW"}}));
    writeCfgBytes(root / "d" / "aircraft.cfg.bak", aircraftCfgText("A320", {{"Backup", "DLH"}}));
    for (const std::string_view mark : kSkippedLiveryFolderMarks) {
        writeAircraftCfg(root / fmt::format("x{}x", mark) / "deeper", "A320",
                         {{fmt::format("Skipped {}", mark), "DLH"}});
    }
    // A path of 250 bytes or more is not entered either.
    fs::path longFolder = root;
    while (longFolder.string().size() < kMaxWalkedFolderPathBytes) {
        longFolder /= "long-folder-name";
    }
    writeAircraftCfg(longFolder, "A320", {{"Too deep", "DLH"}});

    EXPECT_EQ(walk({root}), LiveryScanResult::written);
    EXPECT_THAT(titles(records_),
                UnorderedElementsAre("Found lower", "Found upper", "Found mixed"));
}

TEST_F(LiveryFolderWalkTest, SkipMarksAreCaseSensitiveAndTestedBelowTheScannedFolder) {
    struct Case {
        const char* scanned;
        std::string folder;
        bool skipped;
    };
    const std::vector<Case> cases = {
        {"/c/pkg", "/c/pkg/simwings-eddf", true},
        {"/c/pkg", "/c/pkg/SimWings-eddf", false},
        {"/c/pkg", "/c/pkg/a_CVT_b", true},
        {"/c/pkg", "/c/pkg/a_cvt_b", false},
        // The folders above the scanned one may hold a mark: the user's installation is there.
        {"/d/airport-sim/Community/pkg", "/d/airport-sim/Community/pkg/SimObjects", false},
        {"/d/navigraph-fan/pkg", "/d/navigraph-fan/pkg/SimObjects/Airplanes/x", false},
        {"/d/navigraph-fan/pkg", "/d/navigraph-fan/pkg/SimObjects/navigraph", true},
        {"/d/x_CVT_y", "/d/x_CVT_y/SimObjects", false},
        {"/d/pkg/", "/d/pkg/inibuilds-a310", true},
        // A folder outside the scanned one is tested whole.
        {"/d/pkg", "/e/airport", true},
        // The length counts the whole path.
        {"/c", "/c/" + std::string(240, 'x'), false},
        {"/c", "/c/" + std::string(247, 'x'), true}, // 250 bytes
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_isSkippedLiveryFolder(c.scanned, c.folder), c.skipped) << c.folder;
    }
}

TEST_F(LiveryFolderWalkTest, AnInstallationBelowAFolderWithAMarkIsWalked) {
    const fs::path installation = dir_ / "airport-sim" / "navigraph-fan" / "Community";
    const fs::path pkg = installation / "aig-aitraffic-oci";
    writeAircraftCfg(pkg / "SimObjects" / "Airplanes" / "A320", "A320", {{"Found", "DLH"}});
    writeAircraftCfg(pkg / "SimObjects" / "Airplanes" / "flytampa-ground", "A320",
                     {{"Skipped inside", "DLH"}});

    EXPECT_EQ(walk({pkg}), LiveryScanResult::written);
    EXPECT_THAT(titles(records_), ElementsAre("Found"));
}

TEST_F(LiveryFolderWalkTest, AFileUnderIvaoXCslIsReadAsAnIvaoFile) {
    // No [General] section, no icao_airline: only the IVAO rules give it a livery.
    const fs::path aircraft = community() / "ivao_x-csl" / "SimObjects" / "Airplanes" / "IVAO_A320";
    writeCfgBytes(aircraft / "aircraft.cfg", "[fltsim.0]\ntitle=A320DLH Lufthansa\ntexture=DLH\n");
    fs::create_directories(aircraft / "texture.DLH");

    EXPECT_EQ(walk({community() / "ivao_x-csl"}), LiveryScanResult::written);
    ASSERT_EQ(records_.size(), 1u);
    EXPECT_EQ(records_[0].title, "A320DLH Lufthansa");
    EXPECT_EQ(records_[0].key.airline, gf_airlineId("DLH"));
    EXPECT_EQ(records_[0].key.model, gf_modelId("A320"));
    EXPECT_THAT(scan_.reports.invalidAircraftCfgFiles, IsEmpty());
}

TEST_F(LiveryFolderWalkTest, AnotherSectionHeaderEndsAFltsimSection) {
    const std::vector<std::string> lines = {
        "[fltsim.0]",    "title=Kept", "icao_airline=DLH", "[General]",       "title=Not collected",
        "atc_id=D-AIBA", "[fltsim.1]", "title=Second",     "icao_airline=KLM"};
    const std::vector<LiveryRecord> found =
        gf_procesFltSimSections(scan_, 1, lines, "A320", "/x/aircraft.cfg", "/x");
    EXPECT_THAT(titles(found), ElementsAre("Kept", "Second"));
    EXPECT_EQ(found[0].regcode, "") << "the atc_id after [General] belongs to no section";
    EXPECT_THAT(scan_.reports.incompleteSections, IsEmpty());
}

TEST_F(LiveryFolderWalkTest, UnreadableFilesGiveNothing) {
    const std::size_t logged = log_.lines().size();
    EXPECT_THAT(gf_searchLiveriesinFile(scan_, 1, community() / "missing" / "aircraft.cfg"),
                IsEmpty());
    EXPECT_EQ(log_.lines().size(), logged) << "a missing file is no news";

    const fs::path binary = community() / "bin" / "aircraft.cfg";
    writeCfgBytes(binary, std::string("\x01\x00\x00\x00\x02\x00\x00\x03\x00", 9));
    EXPECT_THAT(gf_searchLiveriesinFile(scan_, 1, binary), IsEmpty());
    EXPECT_TRUE(log_.has("! No text encoding detected for " + binary.string()));
}

TEST_F(LiveryFolderWalkTest, DontUseTitlesNeedTheAigFile) {
    const fs::path pkg = package("pkg", "A320", {{"Wanted", "DLH"}, {"Unwanted", "KLM"}});
    // A title with codes is a livery to use for them, not a don't-use title.
    writeCfgBytes(inputFolder() / "my_regcodes" / "mine.txt", "Unwanted\nWanted;D-AIBA\n");

    EXPECT_EQ(walk({pkg}), LiveryScanResult::written);
    EXPECT_THAT(titles(records_), UnorderedElementsAre("Wanted", "Unwanted"));
    EXPECT_TRUE(log_.has("    0 don't use liveries"));
    EXPECT_FALSE(fs::exists(infoFolder() / "DontUseLiveries.txt"));

    writeAigRegcodes({"From AIG"});
    scan_.prepare();
    EXPECT_EQ(walk({pkg}), LiveryScanResult::written);
    EXPECT_THAT(titles(records_), ElementsAre("Wanted"));
    EXPECT_TRUE(log_.has("    2 don't use liveries"));
    EXPECT_THAT(fileLines(infoFolder() / "DontUseLiveries.txt"),
                UnorderedElementsAre("From AIG", "Unwanted"));
}

TEST_F(LiveryFolderWalkTest, FaultsOfTheScanGoToTheirReports) {
    const fs::path root = community() / "pkg";
    writeAircraftCfg(root / "b-bad", "A320", {{"Bad airline b", "QQQ"}});
    writeAircraftCfg(root / "a-bad", "A320", {{"Bad airline a", "QQQ"}});
    writeAircraftCfg(root / "bad-model", "ZZ99", {{"Bad model", "DLH"}});
    writeAircraftCfg(root / "fixed", "B73H", {{"Fixed model", "DLH"}});
    writeCfgBytes(root / "no-model" / "aircraft.cfg", "[fltsim.0]\ntitle=No model\n");
    writeCfgBytes(root / "dups" / "aircraft.cfg", "[General]\nicao_type_designator=A320\n"
                                                  "[fltsim.0]\ntitle=Dup\nicao_airline=DLH\n"
                                                  "[fltsim.0]\ntitle=Dup\nicao_airline=DLH\n"
                                                  "[fltsim.0]\ntitle=Dup\nicao_airline=DLH\n");
    writeCfgBytes(root / "empty" / "aircraft.cfg", "[General]\nicao_type_designator=A320\n");

    EXPECT_EQ(walk({root}), LiveryScanResult::written);
    EXPECT_EQ(record("Fixed model").key.model, gf_modelId("B738"));

    const auto see = [](std::string_view text, const fs::path& file) {
        return fmt::format("{}, see {}", text, file.string());
    };
    EXPECT_TRUE(log_.has("Errors:"));
    EXPECT_TRUE(
        log_.has(see("    2 invalid airline codes", errorsFolder() / "InvalidAirlineCodes.txt")));
    EXPECT_TRUE(
        log_.has(see("    1 invalid model code", errorsFolder() / "InvalidAircraftCodes.txt")));
    EXPECT_TRUE(log_.has(see("    1 fixes", errorsFolder() / "Fixes.txt")));
    EXPECT_TRUE(log_.has(
        see("    1 invalid aircraft.cfg files", errorsFolder() / "InvalidAircraftCfgFiles.txt")));
    // Two missing-airline lines and one "already exists" line: the second one, equal to the
    // first, is written once.
    EXPECT_TRUE(log_.has(see("    3 incomplete [fltsim.x] sections",
                             errorsFolder() / "IncompleFltsimSections.txt")));
    EXPECT_TRUE(log_.has("Information:"));
    EXPECT_TRUE(log_.has(see("    1 empty aircraft.cfg files",
                             infoFolder() / "AircraftCfgWithNoFltsimSection.txt")));

    const std::vector<std::string> airlines = fileLines(errorsFolder() / "InvalidAirlineCodes.txt");
    ASSERT_EQ(airlines.size(), 2u);
    EXPECT_THAT(airlines[0], ::testing::HasSubstr((root / "a-bad").string()));
    EXPECT_THAT(airlines[1], ::testing::HasSubstr((root / "b-bad").string()));
    EXPECT_THAT(fileLines(errorsFolder() / "Fixes.txt"),
                ElementsAre(fmt::format("Model fix: B73H found in {} changed into B738",
                                        (root / "fixed" / "aircraft.cfg").string())));
    EXPECT_THAT(fileLines(infoFolder() / "AircraftCfgWithNoFltsimSection.txt"),
                ElementsAre((root / "empty" / "aircraft.cfg").string()));
    const std::vector<std::string> incomplete =
        fileLines(errorsFolder() / "IncompleFltsimSections.txt");
    EXPECT_EQ(std::count(incomplete.begin(), incomplete.end(),
                         fmt::format("{} [fltsim.0] title 'Dup' already exists",
                                     (root / "dups").string())),
              1);
}

TEST_F(LiveryFolderWalkTest, EachScanEmptiesBothReportFolders) {
    writeCfgBytes(infoFolder() / "ObjectIdList.txt", "old");
    writeCfgBytes(infoFolder() / "AircraftCfgWithNoFltsimSection.txt", "old");
    writeCfgBytes(errorsFolder() / "InvalidAirlineCodes.txt", "old");
    writeCfgBytes(errorsFolder() / "notes" / "kept.txt", "sub-folders stay");
    const fs::path pkg = package("pkg", "A320", {{"Clean", "DLH"}});

    EXPECT_EQ(walk({pkg}), LiveryScanResult::written);

    EXPECT_FALSE(fs::exists(infoFolder() / "ObjectIdList.txt"));
    EXPECT_FALSE(fs::exists(infoFolder() / "AircraftCfgWithNoFltsimSection.txt"));
    EXPECT_FALSE(fs::exists(errorsFolder() / "InvalidAirlineCodes.txt"));
    EXPECT_TRUE(fs::exists(errorsFolder() / "notes" / "kept.txt"));
    EXPECT_TRUE(log_.has("No errors"));
}

TEST_F(LiveryFolderWalkTest, TheFileHoldsTheSortedListAndTheOldOneSurvivesFailures) {
    const fs::path pkg =
        package("pkg", "A320", {{"Zulu KLM", "KLM"}, {"Alpha DLH", "DLH"}, {"Bravo BAW", "BAW"}});
    EXPECT_EQ(walk({pkg}), LiveryScanResult::written);
    EXPECT_TRUE(std::is_sorted(records_.begin(), records_.end(), &gf_liveryLess));
    const std::vector<LiveryRecord> read = gf_loadLiveriesScanned(scannedFile());
    EXPECT_EQ(titles(read), titles(records_));
    const std::string written = readCfgBytes(scannedFile());

    // No livery at all: the old file stays.
    const fs::path empty = community() / "empty";
    fs::create_directories(empty);
    scan_.prepare();
    EXPECT_EQ(walk({empty}), LiveryScanResult::noLiveries);
    EXPECT_EQ(readCfgBytes(scannedFile()), written);
}

TEST_F(LiveryFolderWalkTest, AFileThatCannotBeCommittedGivesThree) {
    // A folder in the file's place cannot be replaced by a file.
    fs::create_directories(scannedFile() / "blocked");
    const fs::path pkg = package("pkg", "A320", {{"Blocked", "DLH"}});
    EXPECT_EQ(walk({pkg}), LiveryScanResult::notWritten);
    EXPECT_TRUE(fs::is_directory(scannedFile()));
    EXPECT_FALSE(fs::exists(scannedFile().string() + ".scan_tmp"));
}

// The reports in output/info and output/errors (and the airport scan's log among them) give way
// to the new scan's only once its scanned-liveries file is in place: a scan that cannot write
// it, finds nothing or is stopped leaves them as they were.
TEST_F(LiveryFolderWalkTest, TheReportsOfTheScanBeforeGoOnlyOnceTheNewFileIsInPlace) {
    enum class Outcome { written, blocked, noLivery, stopped, fullDisk };
    struct Case {
        const char* label;
        Outcome outcome;
        LiveryScanResult result;
    };
    const Case cases[] = {
        {"the file is written", Outcome::written, LiveryScanResult::written},
        {"a folder in the file's place", Outcome::blocked, LiveryScanResult::notWritten},
        {"no livery", Outcome::noLivery, LiveryScanResult::noLiveries},
        {"a stop request", Outcome::stopped, LiveryScanResult::cancelled},
        {"a full disk", Outcome::fullDisk, LiveryScanResult::notWritten},
    };
    const fs::path pkg = package("pkg", "A320", {{"Wanted", "DLH"}, {"Odd", "D1H"}});
    const fs::path empty = community() / "empty";
    fs::create_directories(empty);
    const fs::path scanLog = infoFolder() / "AirportsScanLog.txt";
    const fs::path oldReport = errorsFolder() / "Fixes.txt";
    const fs::path newReport = errorsFolder() / "InvalidAirlineCodes.txt";
    // What the runs before left; true when it is all still there.
    const auto leaveTheRunsBefore = [&] {
        fs::remove_all(infoFolder());
        fs::remove_all(errorsFolder());
        writeCfgBytes(scanLog, "the last airport scan\n");
        writeCfgBytes(oldReport, "a fix of the scan before\n");
    };
    const auto theRunsBeforeStay = [&] {
        return fs::exists(scanLog) && readCfgBytes(scanLog) == "the last airport scan\n" &&
               fs::exists(oldReport) && !fs::exists(newReport);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        scan_.prepare();
        fs::remove_all(scannedFile());
        keepRunning_ = {};
        if (c.outcome == Outcome::fullDisk) {
            // The output folder on a small disk that is full once the runs before are on it.
            const std::optional<int> code = runOnSmallDisk(workFolder() / "output", 64 * 1024, [&] {
                leaveTheRunsBefore();
                fillDisk(workFolder() / "output");
                const LiveryScanResult result = walk({pkg});
                if (result != c.result) {
                    return 2;
                }
                return theRunsBeforeStay() ? 0 : 3;
            });
            if (!code) {
                GTEST_SKIP() << kNoSmallDisk;
            }
            EXPECT_EQ(*code, 0) << "2: not refused as unwritten; 3: the reports before went";
            continue;
        }
        leaveTheRunsBefore();
        switch (c.outcome) {
        case Outcome::blocked:
            fs::create_directories(scannedFile() / "blocked");
            break;
        case Outcome::stopped:
            keepRunning_ = [] { return false; };
            break;
        default:
            break;
        }
        EXPECT_EQ(walk({c.outcome == Outcome::noLivery ? empty : pkg}), c.result);
        if (c.outcome == Outcome::written) {
            EXPECT_FALSE(fs::exists(scanLog));
            EXPECT_FALSE(fs::exists(oldReport));
            EXPECT_TRUE(fs::exists(newReport));
        } else {
            EXPECT_TRUE(theRunsBeforeStay());
        }
    }
}

TEST_F(LiveryFolderWalkTest, AStopRequestCancelsBeforeAndDuringTheWalk) {
    const fs::path first = package("first", "A320", {{"First", "DLH"}});
    const fs::path second = package("second", "A320", {{"Second", "KLM"}});
    keepRunning_ = [] { return false; };
    EXPECT_EQ(walk({first, second}), LiveryScanResult::cancelled);
    EXPECT_THAT(records_, IsEmpty());
    EXPECT_FALSE(fs::exists(scannedFile()));

    // A stop that comes while the first folder is walked.
    int polls = 0;
    keepRunning_ = [&polls] { return ++polls < 2; };
    scan_.prepare();
    EXPECT_EQ(walk({first, second}), LiveryScanResult::cancelled);
    EXPECT_FALSE(fs::exists(scannedFile()));
}

} // namespace
} // namespace skyloom::testing
