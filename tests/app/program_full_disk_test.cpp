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
#include "tests/support/shared_data.h"

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
    // Why it ends is said once, though the window's error line says it too.
    const std::string why = "could not be committed safely";
    EXPECT_EQ(text.find(why), text.rfind(why)) << text;
}

// Puts the folder $1 on a small tmpfs (its files carried over by way of $2) and runs the program
// (the rest of the arguments) there; once its run has reached the simulator ("User ground
// data: " in its log) the disk is filled and the program closed as a user closes it. 125 when
// no disk can be mounted.
constexpr const char* kFilledWhileRunning =
    "cp -a \"$1/.\" \"$2\" || exit 1\n"
    "mount -t tmpfs -o size=4m skyloom-small-disk \"$1\" 2>/dev/null || exit 125\n"
    "cp -a \"$2/.\" \"$1\" || exit 1\n"
    "work=$1\n"
    "shift 2\n"
    "\"$@\" &\n"
    "program=$!\n"
    "for i in $(seq 1 600); do\n"
    "  grep -q 'User ground data: ' \"$work/Log.txt\" 2>/dev/null && break\n"
    "  sleep 0.1\n"
    "done\n"
    "dd if=/dev/zero of=\"$work/filler\" bs=4096 2>/dev/null\n"
    "kill -TERM $program\n"
    "wait $program\n";

// The run's saves at its end meet a full disk: the park-airport list among them. The program
// names each file it could not save on standard error (its log lies on the same disk), and
// still ends as a close ends it.
TEST_F(ProgramFullDiskTest, FilesTheRunCouldNotSaveAreNamedOnStandardError) {
    const fs::path world = testing::sourceDir() / "data/worlds/traffic.json";
    testing::writeTextFile(inputFolder() / "dbase.xml",
                           testing::dbaseText("2026.1.0", "A320,A20N,B738"));
    testing::writeTextFile(roamingFolder() / "Microsoft Flight Simulator" / "UserCfg.opt",
                           "InstalledPackagesPath \"" + packagesRoot().string() + "\"\n");
    const fs::path parkAirports = workFolder() / "airports" / "my_park_airports.txt";
    testing::writeTextFile(parkAirports, "EDDF\n");
    const fs::path errors = dir_ / "stderr.txt";
    testing::ProgramProcess program(
        "/usr/bin/unshare",
        {"-Urm", "/bin/sh", "-c", kFilledWhileRunning, "sh", workFolder().string(),
         (dir_ / "staging").string(), SKYLOOM_PROGRAM_PATH, "--headless", "--world",
         world.string()},
        errors);
    const int status = program.wait();
    const std::string text = testing::readTextFile(errors);
    if ((WIFEXITED(status) && WEXITSTATUS(status) == 125) || text.starts_with("unshare:")) {
        GTEST_SKIP() << "no small disk: this machine lets the test mount no tmpfs: " << text;
    }
    ASSERT_TRUE(WIFEXITED(status)) << text;
    EXPECT_EQ(WEXITSTATUS(status), 0) << text;
    EXPECT_NE(text.find("Skyloom could not save " + parkAirports.string() +
                        ": No space left on device\n"),
              std::string::npos)
        << text;
}

} // namespace
} // namespace skyloom
