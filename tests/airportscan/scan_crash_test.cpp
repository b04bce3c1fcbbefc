// The scan transaction against crashes: a child process runs the whole airport scan and ends
// itself with _exit at one step of it (every step in turn, in a scan that commits and in one
// that rolls back); another child may crash the next start's repair at each of its steps too.
// After the repair of the start that follows, the scan's folders are exactly those of before
// the scan or exactly those of the finished scan.
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "airportscan/airport_scan_driver.h"
#include "airportscan/scan_transaction.h"
#include "foundation/log_file.h"
#include "tests/airportscan/support/scan_installation.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace skyloom::testing {
namespace {
namespace fs = std::filesystem;

constexpr int kCrashed = 42;
constexpr int kFinished = 0;

// Runs `work` in a child that ends itself at the `crashAt`-th step it reports (0: never);
// true when it crashed.
template <typename Work> bool lf_runChild(int crashAt, Work work) {
    const pid_t child = fork();
    if (child == 0) {
        int steps = 0;
        work([&](ScanStep) {
            if (++steps == crashAt) {
                _exit(kCrashed);
            }
        });
        _exit(kFinished);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    return WEXITSTATUS(status) == kCrashed;
}

struct CrashCase {
    const char* name;
    bool previousFolders; // my_simaddon and my_thirdparty existed before the scan
    bool findsAirports;   // the scan commits (else it finds nothing and rolls back)
};

class ScanCrashTest : public ::testing::TestWithParam<CrashCase> {
protected:
    // A fresh installation and the previous scan's folders under `base`.
    void prepare(const fs::path& base) {
        fs::remove_all(base);
        fs::create_directories(base / "Packages" / "Community");
        if (GetParam().findsAirports && !gf_makeInstallation(base / "Packages", true)) {
            GTEST_SKIP() << "shared data not found: ../shared/data (bgl, manifests)";
        }
        if (GetParam().previousFolders) {
            writeText(base / "airports" / "my_simaddon" / "OLD1.xml", "old simaddon");
            writeText(base / "airports" / "my_thirdparty" / "OLD2.txt", "old link");
        }
    }
    void scan(const fs::path& base, const ScanStepHook& hook) {
        ScanSetupFixture fixture(base, true, {"KPHX", "LSZH"});
        AirportScanSetup setup = fixture.setup();
        setup.onStep = hook;
        gf_runAirportScan(setup);
    }
    TempDir dir_;
};

TEST_P(ScanCrashTest, EveryCrashIsRepairedToTheFoldersOfBeforeOrAfter) {
    LogFile::openIn(dir_.path());
    const fs::path base = dir_ / "install";
    prepare(base);
    if (IsSkipped()) {
        return;
    }
    const FolderSnapshot before = gf_snapshotScanFolders(base / "airports");
    scan(base, {});
    const FolderSnapshot after = gf_snapshotScanFolders(base / "airports");
    ASSERT_EQ(GetParam().findsAirports, before != after);

    int crashes = 0;
    for (int crashAt = 1;; ++crashAt) {
        bool scanCrashed = false;
        for (int repairCrashAt = 0;; ++repairCrashAt) {
            prepare(base);
            scanCrashed = lf_runChild(crashAt, [&](const ScanStepHook& hook) { scan(base, hook); });
            if (!scanCrashed) {
                break;
            }
            const bool repairCrashed = lf_runChild(repairCrashAt, [&](const ScanStepHook& hook) {
                gf_recoverInterruptedScan(base / "airports", hook);
            });
            ASSERT_TRUE(gf_recoverInterruptedScan(base / "airports"));
            const FolderSnapshot repaired = gf_snapshotScanFolders(base / "airports");
            EXPECT_TRUE(repaired == before || repaired == after)
                << "crash at step " << crashAt << ", repair crash at step " << repairCrashAt;
            EXPECT_FALSE(fs::exists(base / "airports" / kScanMarkerFileName));
            for (const char* name : {"my_simaddon", "my_thirdparty"}) {
                EXPECT_FALSE(fs::exists(gf_backupPathOf(base / "airports" / name)));
            }
            ++crashes;
            if (!repairCrashed) {
                break;
            }
        }
        if (!scanCrashed) {
            break;
        }
    }
    // Marker, two folders moved aside and made, airport files, commit or rollback steps.
    EXPECT_GE(crashes, GetParam().findsAirports ? 7 : 4);
    LogFile::close();
}

INSTANTIATE_TEST_SUITE_P(Scans, ScanCrashTest,
                         ::testing::Values(CrashCase{"Commits", true, true},
                                           CrashCase{"CommitsFirstScan", false, true},
                                           CrashCase{"RollsBack", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace skyloom::testing
