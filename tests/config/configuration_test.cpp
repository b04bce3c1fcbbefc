#include "config/configuration.h"

#include <filesystem>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "config/parameters.h"
#include "config/parameters_store.h"
#include "config/program_paths.h"
#include "config/startup_choices.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "tests/config/support/config_test_support.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

using ::testing::HasSubstr;
using testing::readTextFile;
using testing::writeTextFile;

// First in this file: the choices are not fixed yet in this process (ctest also runs it on
// its own).
TEST(StartupChoicesTest, TheLogsFirstLineNamesTheSavedSimulatorBeforeTheChoicesAreFixed) {
    if (gf_startupChoicesFixed()) {
        GTEST_SKIP() << "an earlier test of this process fixed the choices";
    }
    skyloom::testing::TempDir dir;
    const auto firstLine = [](const fs::path& log) {
        const std::string text = readTextFile(log);
        return text.substr(0, text.find('\n'));
    };
    {
        testing::EnvOverride appData("SKYLOOM_APPDATA", dir / "roaming");
        writeTextFile(dir / "roaming" / "Skyloom" / "parameters.xml",
                      R"(<root><parameters><parameter name="SIM_CHOICE" value="MSFS 2020"/>)"
                      R"(</parameters></root>)");
        gf_installConfigurationHooks();
        fs::create_directories(dir / "first");
        LogFile::openIn(dir / "first");
        LogFile::close();
        EXPECT_THAT(firstLine(dir / "first" / "Log.txt"), ::testing::EndsWith(" for MSFS 2020"));
    }
    // With no AppData folder at all the default is named; the name is found without writing
    // to the log, which is busy opening.
    testing::EnvOverride noAppData("SKYLOOM_APPDATA", std::nullopt);
    testing::EnvOverride noXdg("XDG_CONFIG_HOME", std::nullopt);
    testing::EnvOverride noHome("HOME", std::nullopt);
    fs::create_directories(dir / "second");
    LogFile::openIn(dir / "second");
    LogFile::close();
    EXPECT_THAT(firstLine(dir / "second" / "Log.txt"), ::testing::EndsWith(" for MSFS 2024"));
}

TEST(StartupChoicesTest, WindowTextsNameTheChoices) {
    EXPECT_EQ(gf_simChoiceFromText("MSFS 2020"), SimChoice::msfs2020);
    EXPECT_EQ(gf_simChoiceFromText("MSFS 2024"), SimChoice::msfs2024);
    EXPECT_EQ(gf_simChoiceFromText("msfs 2020"), std::nullopt);
    EXPECT_EQ(gf_trafficSourceFromText("RT App"), TrafficSource::rtApp);
    EXPECT_EQ(gf_trafficSourceFromText("RT Direct"), TrafficSource::rtDirect);
    EXPECT_EQ(gf_trafficSourceFromText("RT"), std::nullopt);
    EXPECT_EQ(gf_simChoiceText(SimChoice::msfs2020), "MSFS 2020");
    EXPECT_EQ(gf_trafficSourceText(TrafficSource::rtApp), "RT App");
    EXPECT_EQ(static_cast<int>(SimChoice::msfs2020), 1);
    EXPECT_EQ(static_cast<int>(SimChoice::msfs2024), 2);
}

TEST(StartupChoicesTest, FixingTheChoicesSetsTheRunWideAnswers) {
    gf_setStartupChoices({SimChoice::msfs2020, TrafficSource::rtApp});
    EXPECT_TRUE(gf_startupChoicesFixed());
    EXPECT_TRUE(gf_isMsfs2020());
    EXPECT_FALSE(gf_isRtDirect());
    EXPECT_TRUE(gf_isHexidHexadecimal()) << "MSFS 2020 shows object ids in hexadecimal";
    EXPECT_EQ(gf_hexidText(255), "ff");
    EXPECT_EQ(gf_simulatorNameForLog(), "MSFS 2020");

    gf_setStartupChoices({SimChoice::msfs2024, TrafficSource::rtDirect});
    EXPECT_FALSE(gf_isMsfs2020());
    EXPECT_TRUE(gf_isRtDirect());
    EXPECT_FALSE(gf_isHexidHexadecimal());
    EXPECT_EQ(gf_hexidText(255), "255");
    EXPECT_EQ(gf_simulatorNameForLog(), "MSFS 2024");
}

TEST(StartupChoicesTest, TheLogNamesTheSimulatorKeptInParametersXml) {
    skyloom::testing::TempDir dir;
    const fs::path file = dir / "parameters.xml";
    EXPECT_EQ(gf_simChoiceInParametersFile(file), std::nullopt);
    writeTextFile(file, R"(<root><parameters><parameter name="SIM_CHOICE" value="MSFS 2020"/>)"
                        R"(</parameters></root>)");
    EXPECT_EQ(gf_simChoiceInParametersFile(file), SimChoice::msfs2020);
    writeTextFile(file, R"(<root><parameters><parameter name="SIM_CHOICE" value="FS9"/>)"
                        R"(</parameters></root>)");
    EXPECT_EQ(gf_simChoiceInParametersFile(file), std::nullopt);
    writeTextFile(file, "<root>");
    EXPECT_EQ(gf_simChoiceInParametersFile(file), std::nullopt);
}

class ConfigurationStartTest : public ::testing::Test {
protected:
    ConfigurationStartTest() { LogFile::openIn(dir_.path()); }
    ~ConfigurationStartTest() override { LogFile::close(); }

    std::optional<std::string> stored(std::string_view name) {
        pugi::xml_document document;
        if (!document.load_file(file_.c_str())) {
            return std::nullopt;
        }
        return gf_findXmlParameterValue(document, name);
    }

    skyloom::testing::TempDir dir_;
    fs::path file_ = dir_ / "Skyloom" / "parameters.xml";
    ParametersStore store_;
    ParamsSnapshotCell cell_;
    ProgramParameters parameters_{&store_, &cell_};
};

TEST_F(ConfigurationStartTest, AFirstStartPublishesTheDefaults) {
    const ConfigurationStart start = gf_loadConfigurationInto(parameters_, file_);
    EXPECT_TRUE(start.load.fileMissing);
    EXPECT_EQ(start.choices, StartupChoices{});
    EXPECT_FALSE(start.radiiCorrected);
    EXPECT_EQ(*cell_.load(), parameters_.snapshot());
    EXPECT_EQ(stored("SIM_CHOICE"), "MSFS 2024");
    EXPECT_EQ(stored("RT_CHOISE"), "RT Direct");
}

TEST_F(ConfigurationStartTest, SavedValuesReachTheSnapshotAndTheChoices) {
    writeTextFile(file_, R"(<root><parameters>
  <parameter name="SIM_CHOICE" value="MSFS 2020"/>
  <parameter name="RT_CHOISE" value="RT App"/>
  <parameter name="MAX_LIVE_SEL" value="250"/>
  <parameter name="MAX_FIT" value="11"/>
  <parameter name="TIME_SHIFT_HOURS" value="30"/>
  <parameter name="RANDOM" value="false"/>
</parameters></root>)");
    const ConfigurationStart start = gf_loadConfigurationInto(parameters_, file_);
    EXPECT_EQ(start.choices, (StartupChoices{SimChoice::msfs2020, TrafficSource::rtApp}));
    const auto snapshot = cell_.load();
    EXPECT_EQ(snapshot->MAX_LIVE_SEL, 250);
    EXPECT_EQ(snapshot->MAX_FIT, 11);
    EXPECT_EQ(snapshot->TIME_SHIFT_HOURS, 23) << "clamped to its range";
    EXPECT_FALSE(snapshot->RANDOM);
    EXPECT_EQ(stored("TIME_SHIFT_HOURS"), "23");
    EXPECT_DOUBLE_EQ(parameters_.MAX_FIT_FL.value(), 6.0) << "the hours follow the index";
}

TEST_F(ConfigurationStartTest, ASavedCommunityFolderBecomesItsPackagesFolder) {
    writeTextFile(file_, R"(<root><parameters>
  <parameter name="MSFS_INSTALL_PATH" value="/sims/2020/Packages/Community"/>
  <parameter name="MSFS_2024_INSTALL_PATH" value="/sims/2024/Packages/community/"/>
</parameters></root>)");
    const ConfigurationStart start = gf_loadConfigurationInto(parameters_, file_);
    EXPECT_EQ(start.installPathsCorrected, 2);
    EXPECT_EQ(parameters_.MSFS_INSTALL_PATH.value(), fs::path("/sims/2020/Packages"));
    EXPECT_EQ(parameters_.MSFS_2024_INSTALL_PATH.value(), fs::path("/sims/2024/Packages"));
    EXPECT_EQ(stored("MSFS_INSTALL_PATH"), "/sims/2020/Packages");
}

TEST_F(ConfigurationStartTest, ARootSavedWithATrailingSeparatorIsLeftAsItIs) {
    writeTextFile(file_, R"(<root><parameters>
  <parameter name="MSFS_INSTALL_PATH" value="/sims/2020/Packages/"/>
  <parameter name="MSFS_2024_INSTALL_PATH" value="/sims/2024/./Packages//"/>
</parameters></root>)");
    const ConfigurationStart start = gf_loadConfigurationInto(parameters_, file_);
    EXPECT_EQ(start.installPathsCorrected, 0);
    EXPECT_EQ(stored("MSFS_INSTALL_PATH"), "/sims/2020/Packages/");
    EXPECT_EQ(stored("MSFS_2024_INSTALL_PATH"), "/sims/2024/./Packages//");
    LogFile::flush();
    EXPECT_THAT(readTextFile(dir_ / "Log.txt"), ::testing::Not(HasSubstr("is a Community folder")));
}

TEST_F(ConfigurationStartTest, DescendingFlightLevelsAreSetBackAtStart) {
    writeTextFile(file_, R"(<root><parameters>
  <parameter name="FLIGHT_LEVEL_1" value="300"/>
  <parameter name="FLIGHT_LEVEL_2" value="100"/>
</parameters></root>)");
    const ConfigurationStart start = gf_loadConfigurationInto(parameters_, file_);
    EXPECT_TRUE(start.radiiCorrected);
    EXPECT_EQ(stored("FLIGHT_LEVEL_1"), parameters_.FLIGHT_LEVEL_1.defaultText());
    EXPECT_EQ(cell_.load()->autoRange.FLIGHT_LEVEL_1, parameters_.FLIGHT_LEVEL_1.defaultValue());
}

TEST_F(ConfigurationStartTest, AChoiceSetToAnUnknownTextFallsBackToItsDefault) {
    gf_loadConfigurationInto(parameters_, file_);
    parameters_.SIM_CHOICE.setValue("FSX");
    const StartupChoices choices = gf_validateStartupChoices(parameters_);
    EXPECT_EQ(choices.simulator, SimChoice::msfs2024);
    EXPECT_EQ(parameters_.SIM_CHOICE.value(), "MSFS 2024");
    EXPECT_EQ(stored("SIM_CHOICE"), "MSFS 2024");
}

TEST(ProgramConfigurationTest, TheProgramReadsParametersXmlFromItsAppDataFolder) {
    skyloom::testing::TempDir dir;
    testing::EnvOverride appData("SKYLOOM_APPDATA", dir / "roaming");
    LogFile::openIn(dir.path());
    writeTextFile(dir / "roaming" / "Skyloom" / "parameters.xml",
                  R"(<root><parameters><parameter name="SIM_CHOICE" value="MSFS 2020"/>)"
                  R"(<parameter name="TCAS_FL" value="250"/></parameters></root>)");
    EXPECT_EQ(gf_parametersPath(), dir / "roaming" / "Skyloom" / "parameters.xml");
    const ConfigurationStart start = gf_loadConfiguration();
    EXPECT_TRUE(gf_isMsfs2020());
    EXPECT_EQ(start.choices.simulator, SimChoice::msfs2020);
    EXPECT_EQ(gf_paramsSnapshot()->TCAS_FL, 250);
    EXPECT_EQ(gf_params().TCAS_FL.value(), 250);

    // A change through the program-wide helpers lands in the same file.
    gf_params().TCAS_FL.setValue(300);
    gf_applySettings(gf_params().TCAS_FL);
    EXPECT_EQ(gf_paramsSnapshot()->TCAS_FL, 300);
    EXPECT_THAT(readTextFile(dir / "roaming" / "Skyloom" / "parameters.xml"),
                HasSubstr(R"(name="TCAS_FL" value="300")"));
    LogFile::close();
}

} // namespace
} // namespace skyloom
