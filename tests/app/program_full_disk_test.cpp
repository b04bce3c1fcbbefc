// The program as a user starts it with its working folder on a full disk: the log takes no line
// and the livery scan cannot commit its file, so the run ends with "SYSTEM ERROR". The program
// says on standard error why it ends and that its log lost lines, and ends with a non-zero exit
// code, not 0 as after a sound run.
#include <csignal>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "app/process_entry.h"
#include "foundation/log_file.h"
#include "tests/app/support/app_test_support.h"
#include "tests/app/support/program_process.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

// Puts the folder $1 on a small tmpfs (its files carried over by way of $2), fills the disk and
// runs the program (the rest of the arguments) in its place; 125 when no disk can be mounted.
constexpr const char* kOnAFullDisk =
    "cp -a \"$1/.\" \"$2\" || exit 1\n"
    "mount -t tmpfs -o size=256k skyloom-small-disk \"$1\" 2>/dev/null || exit 125\n"
    "cp -a \"$2/.\" \"$1\" || exit 1\n"
    "dd if=/dev/zero of=\"$1/filler\" bs=4096 2>/dev/null\n"
    "shift 2\n"
    "exec \"$@\"\n";

class ProgramFullDiskTest : public testing::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        // The program writes the working folder's log; this process keeps its own apart.
        LogFile::openIn(dir_ / "test-log");
        context(); // the RealTraffic licence
        fs::create_directories(dir_ / "staging");
    }

    testing::EnvOverride noUpdateCheck_{"SKYLOOM_DOWNLOAD_BASE", std::nullopt};
};

TEST_F(ProgramFullDiskTest, ARunThatCannotWriteItsLiveryFileEndsWithAnErrorCode) {
    const fs::path errors = dir_ / "stderr.txt";
    testing::ProgramProcess program("/usr/bin/unshare",
                                    {"-Urm", "/bin/sh", "-c", kOnAFullDisk, "sh",
                                     workFolder().string(), (dir_ / "staging").string(),
                                     SKYLOOM_PROGRAM_PATH, "--headless"},
                                    errors);
    const std::string said = "Skyloom ends: a file it needs could not be written: the new " +
                             (workFolder() / "output" / "LiveriesScanned_MSFS2024.xml").string() +
                             " could not be committed safely";
    if (!testing::ProgramProcess::waitForText(errors, said)) {
        kill(program.pid(), SIGKILL);
        const int status = program.wait();
        const std::string text = testing::readTextFile(errors);
        if ((WIFEXITED(status) && WEXITSTATUS(status) == 125) || text.starts_with("unshare:")) {
            GTEST_SKIP() << "no small disk: this machine lets the test mount no tmpfs: " << text;
        }
        FAIL() << text;
    }
    // The run waits before it ends after "SYSTEM ERROR"; a close ends the wait.
    ASSERT_EQ(kill(program.pid(), SIGTERM), 0);
    const int status = program.wait();
    ASSERT_TRUE(WIFEXITED(status)) << "killed by a signal";
    EXPECT_EQ(WEXITSTATUS(status), kWriteFailureExitCode);
    // The log on the same disk took nothing: what it lost is said where it can be read.
    const std::string text = testing::readTextFile(errors);
    EXPECT_NE(text.find(" of the log could not be written: No space left on device"),
              std::string::npos)
        << text;
}

} // namespace
} // namespace skyloom
