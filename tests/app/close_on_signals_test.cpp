#include "app/close_on_signals.h"

#include <csignal>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "tests/app/support/app_test_support.h"
#include "tests/app/support/program_process.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

// Started outside its folder the program says why on standard error (no window shows it), and
// SIGTERM during the wait that follows reaches it as the window's close: it ends through its
// shutdown, not killed.
TEST(CloseOnSignalsTest, OutsideItsFolderTheProgramSaysWhyOnStderrAndSigtermEndsItsWait) {
    testing::TempDir dir;
    const testing::ProgramFolders folders(dir.path());
    testing::ProgramProcess program(SKYLOOM_PROGRAM_PATH, {"--headless"}, dir / "stderr.txt");
    // The folder holds no "docs": the start-up stops there and the program waits 25 s to end.
    // (The log is flushed only at the end, so standard error tells when the wait has come.)
    ASSERT_TRUE(testing::ProgramProcess::waitForText(dir / "stderr.txt", "folder\n"));
    EXPECT_EQ(testing::readTextFile(dir / "stderr.txt"),
              "Skyloom must be started from its own folder: '" + (dir / "work").string() +
                  "' holds no \"docs\" folder\n");
    ASSERT_EQ(kill(program.pid(), SIGTERM), 0);
    const int status = program.wait();
    ASSERT_TRUE(WIFEXITED(status)) << "killed by the signal";
    // The window's close saves its place: the shutdown ran and the log was written to its end.
    const fs::path log = dir / "work" / "Log.txt";
    const std::string text = testing::readTextFile(log);
    EXPECT_NE(text.find("Stop request USER CLOSED SIM (4) ignored"), std::string::npos) << text;
    EXPECT_NE(text.find("parameter MAIN_WINDOW_X"), std::string::npos) << text;
}

} // namespace
} // namespace skyloom
