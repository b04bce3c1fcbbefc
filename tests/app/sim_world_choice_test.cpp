#include "app/sim_world_choice.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "tests/app/support/app_test_support.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

TEST(SimWorldChoiceTest, TheSwitchWinsOverTheVariable) {
    testing::EnvOverride variable(kWorldVariable, fs::path("env.json"));
    const std::vector<std::string> withSwitch = {"skyloom", "--world", "cli.json"};
    EXPECT_EQ(gf_simWorldFile(withSwitch), fs::path("cli.json"));
    const std::vector<std::string> withoutSwitch = {"skyloom", "--headless"};
    EXPECT_EQ(gf_simWorldFile(withoutSwitch), fs::path("env.json"));
    testing::EnvOverride none(kWorldVariable, std::nullopt);
    EXPECT_EQ(gf_simWorldFile(withoutSwitch), std::nullopt);
}

TEST(SimWorldChoiceTest, AMissingOrInvalidWorldStopsTheProgramWithItsReasonOnStandardError) {
    testing::TempDir dir;
    testing::writeTextFile(dir / "bad.json", "{ not json");
    const testing::ProgramFolders folders(dir.path());
    for (const fs::path& world : {dir / "missing.json", dir / "bad.json"}) {
        testing::EnvOverride variable(kWorldVariable, world);
        const fs::path errors = dir / "stderr.txt";
        const int status = std::system(
            fmt::format("'{}' --headless 2>'{}'", SKYLOOM_PROGRAM_PATH, errors.string()).c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), kBadWorldExitCode);
        const std::string said = testing::readTextFile(errors);
        EXPECT_NE(said.find("The simulator world cannot be used: " + world.string()),
                  std::string::npos)
            << said;
        EXPECT_NE(
            testing::readTextFile(dir / "work" / "Log.txt").find(said.substr(0, said.size() - 1)),
            std::string::npos);
    }
}

} // namespace
} // namespace skyloom
