#include "sim/flight_plan_files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "config/startup_choices.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/unsaved_files.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

constexpr std::string_view kHeavyAmsJfk = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                          "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n"
                                          "<FlightPlan.FlightPlan>\n"
                                          "<FPType>IFR</FPType>\n"
                                          "<DepartureID>AMS</DepartureID>\n"
                                          "<DestinationID>JFK</DestinationID>\n"
                                          "</FlightPlan.FlightPlan>\n"
                                          "</SimBase.Document>\n";

constexpr std::string_view kRotorcraftLcyNoDestination =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n"
    "<FlightPlan.FlightPlan>\n"
    "<FPType>VFR</FPType>\n"
    "<DepartureID>LCY</DepartureID>\n"
    "<DestinationID></DestinationID>\n"
    "</FlightPlan.FlightPlan>\n"
    "</SimBase.Document>\n";

std::string lf_read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void lf_write(const fs::path& path, std::string_view text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Every path below the folder, for "nothing was touched".
std::vector<fs::path> lf_tree(const fs::path& folder) {
    std::vector<fs::path> paths;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

class FlightPlanTest : public ::testing::Test {
protected:
    FlightPlanTest() {
        const char* previous = std::getenv("SKYLOOM_APPDATA");
        if (previous != nullptr) {
            previousAppData_ = previous;
        }
        ::setenv("SKYLOOM_APPDATA", roaming().c_str(), 1);
        fs::create_directories(roaming());
        fs::create_directories(dir_ / "log");
        LogFile::openIn(dir_ / "log");
        gf_setStartupChoices({SimChoice::msfs2020, TrafficSource::rtApp});
    }
    ~FlightPlanTest() override {
        // The choices also set how object ids are written; other tests count on the start.
        gf_setStartupChoices(previousChoices_);
        gf_setHexidHexadecimal(previousHexadecimal_);
        LogFile::close();
        if (previousAppData_) {
            ::setenv("SKYLOOM_APPDATA", previousAppData_->c_str(), 1);
        } else {
            ::unsetenv("SKYLOOM_APPDATA");
        }
    }

    fs::path roaming() const { return dir_ / "Roaming"; }
    fs::path folder() const { return roaming() / "Skyloom" / "orig_dest"; }

    bool logHas(std::string_view line) const {
        LogFile::flush();
        std::ifstream in(dir_ / "log" / "Log.txt");
        std::string l;
        while (std::getline(in, l)) {
            if (l == line) {
                return true;
            }
        }
        return false;
    }

    static FlightPlanRoute heavyAmsJfk() {
        return {AircraftCategory::Heavy, IataCode("AMS"), IataCode("JFK")};
    }

    testing::TempDir dir_;
    std::optional<std::string> previousAppData_;
    const StartupChoices previousChoices_ = *gf_startupChoices();
    const bool previousHexadecimal_ = gf_isHexidHexadecimal();
};

TEST(FlightPlanTextTest, TheFlightRulesFollowTheCategory) {
    const struct {
        AircraftCategory category;
        std::string_view rules;
    } cases[] = {
        {AircraftCategory::Light, "VFR"},      {AircraftCategory::TwoProps, "IFR"},
        {AircraftCategory::Bizjet, "IFR"},     {AircraftCategory::Large, "IFR"},
        {AircraftCategory::Heavy, "IFR"},      {AircraftCategory::HighPerf, "VFR"},
        {AircraftCategory::Rotorcraft, "VFR"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_flightRules(c.category), c.rules) << gf_categoryName(c.category);
    }
}

TEST(FlightPlanTextTest, AMissingCodeLeavesItsElementEmpty) {
    EXPECT_EQ(gf_flightPlanText({AircraftCategory::Rotorcraft, IataCode("LCY"), IataCode()}),
              kRotorcraftLcyNoDestination);
    const std::string neither = gf_flightPlanText({AircraftCategory::Light, {}, {}});
    EXPECT_NE(neither.find("<DepartureID></DepartureID>\n<DestinationID></DestinationID>\n"),
              std::string::npos);
}

TEST_F(FlightPlanTest, TheFolderIsOrigDestInTheSettingsFolderWithMsfs2020Only) {
    EXPECT_EQ(gf_flightPlanFolder(), folder());
    gf_setStartupChoices({SimChoice::msfs2024, TrafficSource::rtApp});
    EXPECT_EQ(gf_flightPlanFolder(), std::nullopt);
}

TEST_F(FlightPlanTest, WithoutASettingsFolderThereIsNoFlightPlanFolder) {
    // Restores an environment variable at the end of the test.
    struct SavedEnv {
        std::string name;
        std::optional<std::string> value;
        explicit SavedEnv(std::string n) : name(std::move(n)) {
            if (const char* v = std::getenv(name.c_str())) {
                value = v;
            }
            ::unsetenv(name.c_str());
        }
        ~SavedEnv() {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            }
        }
    };
    const SavedEnv appData("SKYLOOM_APPDATA");
    const SavedEnv config("XDG_CONFIG_HOME");
    const SavedEnv home("HOME");
    // A relative folder would send removals into the working folder.
    EXPECT_EQ(gf_flightPlanFolder(), std::nullopt);
}

TEST_F(FlightPlanTest, AnIfrPlanIsWrittenByteForByte) {
    const fs::path path = gf_createFlightPlan(1234, heavyAmsJfk(), "KLM643");
    EXPECT_EQ(path, folder() / "1234.pln");
    EXPECT_EQ(lf_read(path), kHeavyAmsJfk);
}

TEST_F(FlightPlanTest, AVfrPlanIsWrittenByteForByte) {
    const fs::path path =
        gf_createFlightPlan(0xFFFFFFFF, {AircraftCategory::Rotorcraft, IataCode("LCY"), {}},
                            "GBHEL");
    EXPECT_EQ(path, folder() / "4294967295.pln");
    EXPECT_EQ(lf_read(path), kRotorcraftLcyNoDestination);
}

TEST_F(FlightPlanTest, WritingReplacesALongerFileWhole) {
    const fs::path path = folder() / "77.pln";
    lf_write(path, std::string(4000, 'x'));
    ASSERT_TRUE(gf_writeFlightPlanText(path, heavyAmsJfk()));
    EXPECT_EQ(lf_read(path), kHeavyAmsJfk);
}

TEST_F(FlightPlanTest, AFileThatCannotBeWrittenIsReported) {
    const fs::path path = folder() / "missing" / "5.pln";
    EXPECT_FALSE(gf_writeFlightPlanText(path, heavyAmsJfk()));
    EXPECT_FALSE(fs::exists(path));
    // A plan whose temporary file cannot be had: the aircraft says why it flies without one.
    // (The count of failed plans starts from none.)
    EXPECT_TRUE(gf_removeFlightPlanFolder());
    fs::create_directories(folder() / "6.pln.tmp" / "in the way");
    EXPECT_EQ(gf_createFlightPlan(6, heavyAmsJfk(), "KLM643   PH-BXA AMS-JFK"), fs::path());
    EXPECT_TRUE(logHas(fmt::format("==> KLM643   PH-BXA AMS-JFK creating a flight plan failed: '{}' "
                                   "could not be written",
                                   (folder() / "6.pln").string())));
    EXPECT_TRUE(gf_removeFlightPlanFolder());
    EXPECT_TRUE(logHas("1 flight plan could not be written"));
}

// A full app-data folder refuses every plan, two for each aircraft that comes or goes: the run
// logs a few, counts the rest and says the count when the folder goes. No plan is named among
// the files the program could not save.
TEST_F(FlightPlanTest, PlansAFullDiskRefusesAreLoggedUpToALimitThenCounted) {
    struct Case {
        const char* label;
        std::uint32_t plans;
        std::size_t lines; // "creating a flight plan failed"
    };
    const Case cases[] = {
        {"one plan", 1, 1},
        {"as many as are logged", kMaxLoggedFlightPlanFailures, kMaxLoggedFlightPlanFailures},
        {"forty plans in a minute", 40, kMaxLoggedFlightPlanFailures},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const testing::TempDir dir;
        const fs::path disk = dir / "disk";
        const fs::path out = dir / "out";
        fs::create_directories(disk);
        fs::create_directories(out);
        const std::optional<int> code = testing::runOnSmallDisk(disk, 64 * 1024, [&] {
            ::setenv("SKYLOOM_APPDATA", disk.c_str(), 1);
            gf_removeFlightPlanFolder(); // the count of failed plans starts from none
            gf_clearUnsavedFiles();
            LogFile::openIn(out);
            if (!gf_ensureFlightPlanFolder(*gf_flightPlanFolder())) {
                return 2;
            }
            testing::fillDisk(disk);
            for (std::uint32_t id = 1; id <= c.plans; ++id) {
                if (!gf_createFlightPlan(id, heavyAmsJfk(), fmt::format("KLM{}", id)).empty()) {
                    return 3;
                }
            }
            gf_removeFlightPlanFolder();
            LogFile::close();
            return gf_unsavedFiles().files.empty() ? 0 : 4;
        });
        if (!code) {
            GTEST_SKIP() << testing::kNoSmallDisk;
        }
        ASSERT_EQ(*code, 0) << "2: no folder; 3: the full disk took a plan; 4: a plan was named";
        const std::string log = lf_read(out / "Log.txt");
        std::size_t lines = 0;
        for (auto at = log.find(" creating a flight plan failed: "); at != std::string::npos;
             at = log.find(" creating a flight plan failed: ", at + 1)) {
            ++lines;
        }
        EXPECT_EQ(lines, c.lines) << log;
        EXPECT_EQ(log.find("further flight plans that cannot be written are counted") !=
                      std::string::npos,
                  c.plans >= kMaxLoggedFlightPlanFailures)
            << log;
        EXPECT_NE(log.find(fmt::format("{} flight plan{} could not be written", c.plans,
                                       c.plans == 1 ? "" : "s")),
                  std::string::npos)
            << log;
    }
}

// A plan rewritten on a full disk: the write fails and says so, and the plan that was there
// stays whole for the aircraft that uses it, with no temporary file beside it.
TEST_F(FlightPlanTest, AFullDiskLeavesThePreviousPlanWhole) {
    const fs::path disk = dir_ / "disk";
    const fs::path out = dir_ / "out";
    fs::create_directories(disk);
    fs::create_directories(out);
    const FlightPlanRoute before{AircraftCategory::Rotorcraft, IataCode("LCY"), {}};
    const std::optional<int> code = testing::runOnSmallDisk(disk, 64 * 1024, [&] {
        LogFile::openIn(out);
        if (!gf_writeFlightPlanText(disk / "77.pln", before)) {
            return 2;
        }
        testing::fillDisk(disk);
        const bool written = gf_writeFlightPlanText(disk / "77.pln", heavyAmsJfk());
        fs::remove(disk / "filler");
        fs::copy(disk, out / "disk");
        LogFile::close();
        return written ? 4 : 0;
    });
    if (!code) {
        GTEST_SKIP() << testing::kNoSmallDisk;
    }
    EXPECT_EQ(*code, 0) << "2: the first plan was not written; 4: the full disk took the plan";
    EXPECT_EQ(lf_read(out / "disk" / "77.pln"), kRotorcraftLcyNoDestination);
    EXPECT_FALSE(fs::exists(out / "disk" / "77.pln.tmp"));

}

TEST_F(FlightPlanTest, EnsuringCreatesEveryMissingParentAndIsRepeatable) {
    ASSERT_FALSE(fs::exists(roaming() / "Skyloom"));
    EXPECT_TRUE(gf_ensureFlightPlanFolder(folder()));
    EXPECT_TRUE(fs::is_directory(folder()));
    EXPECT_TRUE(gf_ensureFlightPlanFolder(folder()));
}

TEST_F(FlightPlanTest, ARegularFileInTheFoldersPlaceStopsEveryPlanAndIsKept) {
    lf_write(folder(), "the user's own file");
    EXPECT_FALSE(gf_ensureFlightPlanFolder(folder()));
    EXPECT_TRUE(logHas(fmt::format("Flight-plan path '{}' is not a directory", folder().string())));
    EXPECT_EQ(gf_createFlightPlan(1, heavyAmsJfk(), "KLM643"), fs::path());
    EXPECT_FALSE(gf_removeFlightPlan(1));
    EXPECT_FALSE(gf_removeFlightPlanFolder());
    EXPECT_EQ(lf_read(folder()), "the user's own file") << "nothing of the user's is lost";
}

TEST_F(FlightPlanTest, AFolderThatCannotBeCreatedIsReported) {
    lf_write(roaming() / "Skyloom", "a file where the settings folder belongs");
    EXPECT_FALSE(gf_ensureFlightPlanFolder(folder()));
    EXPECT_TRUE(logHas(fmt::format("Could not create flight-plan folder '{}': Not a directory",
                                   folder().string())));
    EXPECT_EQ(gf_createFlightPlan(1, heavyAmsJfk(), "KLM643"), fs::path());
}

TEST_F(FlightPlanTest, APlanIsRemovedOnceAndAMissingOneIsNoError) {
    ASSERT_FALSE(gf_createFlightPlan(42, heavyAmsJfk(), "KLM643").empty());
    ASSERT_FALSE(gf_createFlightPlan(43, heavyAmsJfk(), "KLM643").empty());
    EXPECT_TRUE(gf_removeFlightPlan(42));
    EXPECT_FALSE(fs::exists(folder() / "42.pln"));
    EXPECT_TRUE(fs::exists(folder() / "43.pln"));
    EXPECT_FALSE(gf_removeFlightPlan(42));
    EXPECT_FALSE(
        logHas(fmt::format("Could not remove flight plan '{}': ", (folder() / "42.pln").string())));
}

TEST_F(FlightPlanTest, ThePlanPathMayNotBeAFolder) {
    fs::create_directories(folder() / "9.pln" / "inner");
    EXPECT_FALSE(gf_removeFlightPlan(9));
    EXPECT_TRUE(fs::is_directory(folder() / "9.pln" / "inner"));
    EXPECT_EQ(gf_createFlightPlan(9, heavyAmsJfk(), "KLM643"), fs::path());
}

TEST_F(FlightPlanTest, TheFolderGoesAtShutdownWithWhatWasNeverCleanedUp) {
    ASSERT_FALSE(gf_createFlightPlan(1, heavyAmsJfk(), "KLM643").empty());
    ASSERT_FALSE(gf_createFlightPlan(2, heavyAmsJfk(), "KLM643").empty());
    lf_write(folder() / "sub" / "stray.txt", "left behind");
    EXPECT_TRUE(gf_removeFlightPlanFolder());
    EXPECT_FALSE(fs::exists(folder()));
    EXPECT_TRUE(fs::is_directory(roaming() / "Skyloom")) << "the settings folder stays";
    EXPECT_TRUE(gf_removeFlightPlanFolder()) << "no folder left is success";
}

TEST_F(FlightPlanTest, AnEmptyFolderGoesToo) {
    ASSERT_TRUE(gf_ensureFlightPlanFolder(folder()));
    EXPECT_TRUE(gf_removeFlightPlanFolder());
    EXPECT_FALSE(fs::exists(folder()));
}

TEST_F(FlightPlanTest, WithMsfs2024NoFileIsTouched) {
    // A folder of an earlier MSFS 2020 run stays as it is.
    lf_write(folder() / "8.pln", "from an MSFS 2020 run");
    const std::vector<fs::path> before = lf_tree(roaming());
    gf_setStartupChoices({SimChoice::msfs2024, TrafficSource::rtApp});

    EXPECT_EQ(gf_createFlightPlan(9, heavyAmsJfk(), "KLM643"), fs::path());
    EXPECT_FALSE(gf_removeFlightPlan(8));
    EXPECT_TRUE(gf_removeFlightPlanFolder());

    EXPECT_EQ(lf_tree(roaming()), before);
    EXPECT_EQ(lf_read(folder() / "8.pln"), "from an MSFS 2020 run");
}

TEST_F(FlightPlanTest, WithMsfs2024NoFolderIsMade) {
    gf_setStartupChoices({SimChoice::msfs2024, TrafficSource::rtApp});
    EXPECT_EQ(gf_createFlightPlan(9, heavyAmsJfk(), "KLM643"), fs::path());
    EXPECT_TRUE(lf_tree(roaming()).empty());
}

} // namespace
} // namespace skyloom
