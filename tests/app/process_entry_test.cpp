#include "app/process_entry.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "platform/os/instance_lock.h"
#include "tests/app/support/app_test_support.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

struct SwitchCase {
    std::vector<std::string> arguments;
    bool production;
};

TEST(ProcessEntryTest, ProductionSwitchIsFoundAfterTheProgramNameInAnyLetterCase) {
    const std::vector<SwitchCase> cases = {
        {{}, false},
        {{"skyloom"}, false},
        {{"--production"}, false}, // the program's own name
        {{"skyloom", "--production"}, true},
        {{"skyloom", "--PRODUCTION"}, true},
        {{"skyloom", "x", "--Production"}, true},
        {{"skyloom", "--production-run"}, false},
        {{"skyloom", "-production"}, false},
        {{"skyloom", ""}, false},
    };
    for (const SwitchCase& c : cases) {
        EXPECT_EQ(gf_hasProductionSwitch(c.arguments), c.production)
            << fmt::format("{}", fmt::join(c.arguments, " "));
    }
}

TEST(ProcessEntryTest, ASecondInstanceEndsWithMinusOneWhileTheFirstHoldsTheLock) {
    testing::TempDir dir;
    bool secondRan = false;
    int second = 0;
    const int first = gf_runAsSingleInstance(dir.path(), [&] {
        second = gf_runAsSingleInstance(dir.path(), [&] {
            secondRan = true;
            return 5;
        });
        return 3;
    });
    EXPECT_EQ(first, 3);
    EXPECT_EQ(second, kSecondInstanceExitCode);
    EXPECT_FALSE(secondRan);
    // Once the first has ended the next instance runs.
    EXPECT_EQ(gf_runAsSingleInstance(dir.path(), [] { return 4; }), 4);
}

// Without a window on screen the second instance says why it ends, naming the lock file that
// the first holds; with one it ends as silently as on Windows.
TEST(ProcessEntryTest, ASecondInstanceWithoutAWindowSaysOnStandardErrorThatSkyloomRuns) {
    testing::TempDir dir;
    const std::string lockFile = os::InstanceLock(std::string(kInstanceLockName), dir.path())
                                     .file()
                                     .string();
    for (const SecondInstanceNotice notice :
         {SecondInstanceNotice::standardError, SecondInstanceNotice::none}) {
        std::string said;
        int second = 0;
        gf_runAsSingleInstance(dir.path(), [&] {
            ::testing::internal::CaptureStderr();
            second = gf_runAsSingleInstance(dir.path(), [] { return 5; }, notice);
            said = ::testing::internal::GetCapturedStderr();
            return 3;
        });
        EXPECT_EQ(second, kSecondInstanceExitCode);
        EXPECT_EQ(said, notice == SecondInstanceNotice::none
                            ? ""
                            : "Skyloom is already running (lock file " + lockFile + ")\n");
    }
}

TEST(ProcessEntryTest, ALockThatCannotBeTriedRunsTheProgramWithoutItAndSaysWhy) {
    testing::TempDir dir;
    gf_takeNotesForLog();
    bool ran = false;
    // No folder for the lock file: nothing is known about another instance.
    const int result = gf_runAsSingleInstance(dir / "missing", [&] {
        ran = true;
        return 6;
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(result, 6);
    const std::vector<std::string> notes = gf_takeNotesForLog();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].rfind("The single-instance lock failed, Skyloom runs without it: cannot "
                             "open " +
                                 (dir / "missing").string(),
                             0),
              0u)
        << notes[0];
    EXPECT_TRUE(gf_takeNotesForLog().empty());
}

TEST(ProcessEntryTest, TheProgramStartedTwiceEndsAtOnceWithMinusOne) {
    testing::TempDir dir;
    const testing::ProgramFolders folders(dir.path());
    // This process is the first instance.
    const os::InstanceLock held{std::string(kInstanceLockName)};
    ASSERT_TRUE(held.held());

    const int status = std::system(fmt::format("'{}' --production", SKYLOOM_PROGRAM_PATH).c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 255); // -1
    // It ended before anything else: no log, no settings.
    EXPECT_FALSE(fs::exists(dir / "work" / "Log.txt"));
    EXPECT_FALSE(fs::exists(dir / "roaming"));
}

} // namespace
} // namespace skyloom
