#include "app/close_on_signals.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/app/support/app_test_support.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

// SIGTERM reaches the program as the window's close: it ends through its shutdown, not killed.
TEST(CloseOnSignalsTest, SigtermEndsTheProgramThroughTheWindowsClose) {
    testing::TempDir dir;
    fs::create_directories(dir / "run");
    fs::create_directories(dir / "work");
    testing::EnvOverride runtime("XDG_RUNTIME_DIR", dir / "run");
    testing::EnvOverride work("SKYLOOM_WORKDIR", dir / "work");
    testing::EnvOverride roaming("SKYLOOM_APPDATA", dir / "roaming");
    testing::EnvOverride local("SKYLOOM_LOCALAPPDATA", dir / "local");
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        execl(SKYLOOM_PROGRAM_PATH, SKYLOOM_PROGRAM_PATH, "--headless", nullptr);
        _exit(127);
    }
    // The folder holds no "docs": the start-up stops there and the program waits to end.
    const fs::path log = dir / "work" / "Log.txt";
    for (int i = 0; i < 3000; ++i) {
        if (fs::exists(log) &&
            testing::readTextFile(log).find("Ending in") != std::string::npos) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(kill(child, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by the signal";
    // The window's close saves its place: the shutdown ran and the log was written to its end.
    EXPECT_NE(testing::readTextFile(log).find("parameter MAIN_WINDOW_X"), std::string::npos)
        << testing::readTextFile(log);
}

} // namespace
} // namespace skyloom
