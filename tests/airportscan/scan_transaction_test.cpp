// The scan transaction and the repair at start-up: what the marker records, commit and
// rollback on a first scan and with one previous folder, a marker that is not two integers, a
// stale backup, a second commit, a rollback after a commit, a commit that syncs the new files
// before the marker goes (and fails when it cannot), a folder that cannot be moved aside (it is
// kept, never removed), and a marker that cannot be written whole.
#include <fstream>
#include <stdexcept>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "airportscan/scan_transaction.h"
#include "tests/airportscan/support/scan_installation.h"
#include "tests/airportscan/support/scan_test_support.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace skyloom::testing {
namespace {
namespace fs = std::filesystem;

class ScanTransactionTest : public ::testing::Test {
protected:
    fs::path airports() const { return dir_ / "airports"; }
    fs::path marker() const { return airports() / kScanMarkerFileName; }
    fs::path simaddon() const { return airports() / "my_simaddon"; }
    fs::path thirdparty() const { return airports() / "my_thirdparty"; }
    TempDir dir_;
};

struct OutcomeCase {
    const char* name;
    bool simaddonBefore;
    bool thirdpartyBefore;
    bool commit;
};

class TransactionOutcomeTest : public ScanTransactionTest,
                               public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(TransactionOutcomeTest, CommitKeepsTheNewFoldersRollbackTheOldOnes) {
    const OutcomeCase& c = GetParam();
    if (c.simaddonBefore) {
        writeText(simaddon() / "OLD1.xml", "old");
    }
    if (c.thirdpartyBefore) {
        writeText(thirdparty() / "OLD2.xml", "old");
    }
    const FolderSnapshot before = gf_snapshotScanFolders(airports());
    {
        ScanTransaction transaction(airports());
        gf_beginScanTransaction(transaction);
        EXPECT_EQ(gf_fileText(marker()),
                  fmt::format("{} {}\n", c.simaddonBefore ? 1 : 0, c.thirdpartyBefore ? 1 : 0));
        EXPECT_EQ(fs::exists(gf_backupPathOf(simaddon())), c.simaddonBefore);
        EXPECT_TRUE(fs::is_empty(simaddon()) && fs::is_empty(thirdparty()));
        writeText(simaddon() / "NEW1.xml", "new");
        if (c.commit) {
            gf_commitScanTransaction(transaction);
            EXPECT_THROW(gf_commitScanTransaction(transaction), std::runtime_error);
        }
    }
    const FolderSnapshot after = gf_snapshotScanFolders(airports());
    if (c.commit) {
        EXPECT_EQ(after.files,
                  (std::map<std::string, std::string>{{"my_simaddon/NEW1.xml", "new"}}));
        EXPECT_EQ(after.folders, (std::set<std::string>{"my_simaddon", "my_thirdparty"}));
    } else {
        EXPECT_EQ(after, before);
    }
    EXPECT_FALSE(fs::exists(marker()));
    EXPECT_FALSE(fs::exists(gf_backupPathOf(simaddon())) ||
                 fs::exists(gf_backupPathOf(thirdparty())));
}

INSTANTIATE_TEST_SUITE_P(Cases, TransactionOutcomeTest,
                         ::testing::Values(OutcomeCase{"FirstScanCommitted", false, false, true},
                                           OutcomeCase{"FirstScanRolledBack", false, false, false},
                                           OutcomeCase{"OnlySimaddonCommitted", true, false, true},
                                           OutcomeCase{"OnlySimaddonRolledBack", true, false,
                                                       false},
                                           OutcomeCase{"BothRolledBack", true, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScanTransactionTest, AMarkerThatIsNotTwoIntegersFailsTheRepairAndStays) {
    writeText(marker(), "1 x\n");
    writeText(simaddon() / "A.xml", "a");
    EXPECT_FALSE(gf_recoverInterruptedScan(airports()));
    EXPECT_TRUE(fs::exists(marker()));
    EXPECT_TRUE(fs::exists(simaddon() / "A.xml"));
    ScanTransaction transaction(airports());
    EXPECT_THROW(gf_beginScanTransaction(transaction), std::runtime_error);
}

TEST_F(ScanTransactionTest, AMarkerCutShortWhileBeingWrittenIsNeverTakenForOne) {
    // What a crash while writing the marker leaves: its temporary file, never the marker.
    writeText(airports() / (std::string(kScanMarkerFileName) + ".tmp"), "1");
    writeText(simaddon() / "OLD1.xml", "old");
    EXPECT_TRUE(gf_recoverInterruptedScan(airports()));
    ScanTransaction transaction(airports());
    gf_beginScanTransaction(transaction);
    EXPECT_EQ(gf_fileText(marker()), "1 0\n");
    EXPECT_FALSE(fs::exists(airports() / (std::string(kScanMarkerFileName) + ".tmp")));
}

TEST_F(ScanTransactionTest, AStaleBackupWithoutMarkerIsRemovedNeverRestored) {
    writeText(gf_backupPathOf(thirdparty()) / "STALE.xml", "stale");
    writeText(thirdparty() / "NEW.xml", "new");
    EXPECT_TRUE(gf_recoverInterruptedScan(airports()));
    EXPECT_FALSE(fs::exists(gf_backupPathOf(thirdparty())));
    EXPECT_EQ(gf_fileText(thirdparty() / "NEW.xml"), "new");
}

// The scan's files are written without a sync each: the commit syncs them, with their folders,
// while the marker still brings the old folders back after a crash, and only then removes it.
TEST_F(ScanTransactionTest, TheCommitSyncsTheNewFilesBeforeTheMarkerGoes) {
    writeText(simaddon() / "OLD1.xml", "old");
    std::vector<std::string> seen;
    ScanTransaction transaction(airports(), [&](ScanStep step) {
        if (step == ScanStep::filesSynced || step == ScanStep::markerRemoved) {
            seen.push_back(fmt::format(
                "{} marker {} backup {}", step == ScanStep::filesSynced ? "synced" : "removed",
                fs::exists(marker()), fs::exists(gf_backupPathOf(simaddon()))));
        }
    });
    gf_beginScanTransaction(transaction);
    writeText(simaddon() / "NEW1.xml", "new");
    gf_commitScanTransaction(transaction);
    EXPECT_THAT(seen, ::testing::ElementsAre("synced marker true backup true",
                                             "removed marker false backup true"));
    EXPECT_FALSE(fs::exists(gf_backupPathOf(simaddon())));
}

TEST_F(ScanTransactionTest, AFolderGoneBeforeTheCommitCannotBeSyncedAndIsRolledBack) {
    writeText(simaddon() / "OLD1.xml", "old");
    {
        ScanTransaction transaction(airports());
        gf_beginScanTransaction(transaction);
        writeText(thirdparty() / "NEW2.txt", "new");
        fs::remove_all(simaddon());
        try {
            gf_commitScanTransaction(transaction);
            ADD_FAILURE() << "the commit did not fail";
        } catch (const std::runtime_error& e) {
            EXPECT_THAT(e.what(),
                        ::testing::StartsWith("could not sync the airport scan's files: "));
        }
        EXPECT_TRUE(transaction.open);
        EXPECT_TRUE(fs::exists(marker()));
    }
    EXPECT_EQ(gf_fileText(simaddon() / "OLD1.xml"), "old");
    EXPECT_FALSE(fs::exists(thirdparty()));
    EXPECT_FALSE(fs::exists(marker()));
}

TEST_F(ScanTransactionTest, AFolderThatCannotBeMovedAsideIsKeptNotRemoved) {
    writeText(simaddon() / "OLD1.xml", "old");
    // A folder that appears in the backup's place makes the move aside fail.
    ScanTransaction transaction(airports(), [this](ScanStep step) {
        if (step == ScanStep::markerWritten) {
            fs::create_directories(gf_backupPathOf(simaddon()) / "busy");
        }
    });
    try {
        gf_beginScanTransaction(transaction);
        ADD_FAILURE() << "the move aside did not fail";
    } catch (const std::runtime_error& e) {
        EXPECT_THAT(e.what(), ::testing::StartsWith("could not preserve "));
    }
    EXPECT_EQ(gf_fileText(simaddon() / "OLD1.xml"), "old");
    EXPECT_FALSE(fs::exists(thirdparty()));
    EXPECT_FALSE(fs::exists(marker()));
}

} // namespace
} // namespace skyloom::testing
