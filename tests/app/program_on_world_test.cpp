// The program as a user runs it on a simulator world file: it reaches the simulator, switches
// the simulator choice when the world runs the other simulator, learns the user aircraft and
// stops cleanly on SIGTERM.
#include <csignal>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "config/program_paths.h"
#include "foundation/log_file.h"
#include "tests/app/support/app_test_support.h"
#include "tests/app/support/program_process.h"
#include "tests/support/shared_data.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

class ProgramOnWorldTest : public testing::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        // The program writes the working folder's log; this process keeps its own apart.
        LogFile::openIn(dir_ / "test-log");
        context(); // the RealTraffic licence
        // The world's user aircraft is an A20N; MSFS 2020 finds the same packages (Steam).
        testing::writeTextFile(inputFolder() / "dbase.xml",
                               testing::dbaseText("2026.1.0", "A320,A20N,B738"));
        testing::writeTextFile(roamingFolder() / "Microsoft Flight Simulator" / "UserCfg.opt",
                               "InstalledPackagesPath \"" + packagesRoot().string() + "\"\n");
    }

    static std::size_t countOf(const std::string& text, const std::string& part) {
        std::size_t count = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
            ++count;
        }
        return count;
    }

    testing::EnvOverride noUpdateCheck_{"SKYLOOM_DOWNLOAD_BASE", std::nullopt};
};

// MSFS 2024 is the first choice; the world runs MSFS 2020 (KittyHawk).
TEST_F(ProgramOnWorldTest, AMismatchSwitchesTheChoiceOnceThenTheRunLearnsTheUserAndEndsOnSigterm) {
    const fs::path world = testing::sourceDir() / "data/worlds/traffic.json";
    testing::ProgramProcess program(SKYLOOM_PROGRAM_PATH, {"--headless", "--world", world.string()},
                                    dir_ / "stderr.txt");
    const fs::path log = workFolder() / "Log.txt";
    ASSERT_TRUE(testing::ProgramProcess::waitForText(log, "User ground data: "))
        << testing::readTextFile(log);
    // The restart went on in the same log: the first run, up to the second run's first line,
    // holds the one switch.
    const std::string both = testing::readTextFile(log);
    const std::size_t secondStart =
        both.rfind('\n', both.find(" Skyloom version ", both.find('\n'))) + 1;
    ASSERT_GT(secondStart, both.find('\n')) << both;
    const std::string first = both.substr(0, secondStart);
    EXPECT_EQ(countOf(first, "MSFS and Skyloom do not match, restarting ..."), 1u) << first;
    EXPECT_EQ(countOf(first, "Switching MSFS version in Skyloom"), 1u) << first;
    EXPECT_EQ(countOf(first, "Closing down after NEW SETTINGS"), 1u) << first;
    const std::string second = both.substr(secondStart);
    EXPECT_EQ(countOf(second, "do not match"), 0u) << second;
    EXPECT_EQ(countOf(second, "SimConnect: user aircraft title: Airbus A320 Neo Asobo"), 1u);
    EXPECT_EQ(countOf(second, "SimConnect: User aircraft model: A20N"), 1u) << second;
    EXPECT_TRUE(fs::is_directory(gf_flightPlanFolderPath())) << second;

    ASSERT_EQ(kill(program.pid(), SIGTERM), 0);
    const int status = program.wait();
    ASSERT_TRUE(WIFEXITED(status)) << "killed by the signal";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // The second run, to the log's end.
    const std::string last = testing::readTextFile(log).substr(secondStart);
    for (const char* line :
         {"Stop requested: USER CLOSED SIM (4)", "Closing down after USER CLOSED SIM (4)",
          "SimConnect shutdown cleanup: initially owned", "SimConnect closed ok"}) {
        EXPECT_EQ(countOf(last, line), 1u) << line << "\n" << last;
    }
    // The log was closed, not cut: its last line is the time stamp written at its close.
    EXPECT_TRUE(last.ends_with("Z\n")) << last;
    EXPECT_FALSE(fs::exists(gf_flightPlanFolderPath()));
    EXPECT_EQ(testing::readTextFile(dir_ / "stderr.txt"), "");
}

} // namespace
} // namespace skyloom
