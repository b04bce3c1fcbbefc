#include "config/parameters_store.h"

#include <array>
#include <atomic>
#include <filesystem>
#include <functional>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "config/option_parameters.h"
#include "config/parameter.h"
#include "foundation/log_file.h"
#include "tests/config/support/config_test_support.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

using ::testing::HasSubstr;
using testing::readTextFile;
using testing::writeTextFile;

// A small set of parameters of every kind, saved through the store under test.
class StoreHost : public ParameterHost {
public:
    explicit StoreHost(ParametersStore& store) : store_(store) {}
    void saveParameter(const Parameter& parameter) override { store_.save(parameter); }
    void publishParameter(const Parameter&) override {}

private:
    ParametersStore& store_;
};

class ParametersStoreTest : public ::testing::Test {
protected:
    ParametersStoreTest() : host_(store_) {
        LogFile::openIn(dir_.path());
        for (Parameter* parameter : list()) {
            parameter->setHost(&host_);
        }
    }
    ~ParametersStoreTest() override { LogFile::close(); }

    std::vector<Parameter*> list() {
        return {&range_, &random_, &destination_, &qnh_, &install_, &stands_};
    }
    ParametersLoadReport load() {
        const std::vector<Parameter*> parameters = list();
        return store_.load(file_, parameters);
    }
    // The stored value of a parameter, read straight from the file.
    std::optional<std::string> stored(std::string_view name) {
        pugi::xml_document document;
        if (!document.load_file(file_.c_str())) {
            return std::nullopt;
        }
        return gf_findXmlParameterValue(document, name);
    }
    std::string logText() {
        LogFile::flush();
        return readTextFile(dir_ / "Log.txt");
    }

    skyloom::testing::TempDir dir_;
    fs::path file_ = dir_ / "roaming" / "Skyloom" / "parameters.xml";
    ParametersStore store_;
    StoreHost host_;
    IntParameter range_{"RANGE", 40, 5, 100};
    BoolParameter random_{"RANDOM", true};
    StringParameter destination_{"DESTINATION", ""};
    ChoiceParameter qnh_{"QNH_UNIT", {"QNH hPa", "QNH inHg"}, "QNH hPa", 32784, {}};
    PathParameter install_{"MSFS_INSTALL_PATH"};
    DynamicChoiceParameter stands_{"STAND_SELECTOR", 32818, {}};
};

TEST_F(ParametersStoreTest, AMissingFileIsMadeWithEveryDefault) {
    range_.assign(77); // left from an earlier run: a fresh load starts from the defaults
    const ParametersLoadReport report = load();
    EXPECT_TRUE(report.fileMissing);
    EXPECT_TRUE(report.saved);
    EXPECT_TRUE(report.error.empty()) << report.error;
    ASSERT_TRUE(fs::exists(file_)) << "the folder is made as well";
    EXPECT_EQ(range_.value(), 40);
    EXPECT_EQ(stored("RANGE"), "40");
    EXPECT_EQ(stored("RANDOM"), "true");
    EXPECT_EQ(stored("DESTINATION"), "");
    EXPECT_EQ(stored("QNH_UNIT"), "QNH hPa");
    EXPECT_EQ(stored("MSFS_INSTALL_PATH"), "");
    EXPECT_EQ(stored("STAND_SELECTOR"), std::nullopt) << "run-time lists are not kept";
    EXPECT_THAT(readTextFile(file_), HasSubstr("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
}

TEST_F(ParametersStoreTest, StoredValuesAreRead) {
    writeTextFile(file_, R"(<?xml version="1.0" encoding="UTF-8"?>
<root><parameters>
  <parameter name="RANGE" value="60"/>
  <parameter name="RANDOM" value="false"/>
  <parameter name="DESTINATION" value="EGLL"/>
  <parameter name="QNH_UNIT" value="QNH inHg"/>
  <parameter name="MSFS_INSTALL_PATH" value="/sim/Packages"/>
</parameters></root>
)");
    const std::string before = readTextFile(file_);
    const ParametersLoadReport report = load();
    EXPECT_FALSE(report.saved) << "nothing to correct, nothing written";
    EXPECT_EQ(readTextFile(file_), before);
    EXPECT_EQ(range_.value(), 60);
    EXPECT_FALSE(random_.value());
    EXPECT_EQ(destination_.value(), "EGLL");
    EXPECT_EQ(qnh_.value(), "QNH inHg");
    EXPECT_EQ(install_.value(), fs::path("/sim/Packages"));
}

TEST_F(ParametersStoreTest, AMalformedFileIsKeptAsGenerationZeroAndMadeAfresh) {
    const std::string broken = "<root><parameters><parameter name=\"RANGE\" value=\"60\"";
    writeTextFile(file_, broken);
    const ParametersLoadReport report = load();
    EXPECT_TRUE(report.fileMalformed);
    EXPECT_TRUE(report.keptAsGeneration);
    EXPECT_TRUE(report.saved);
    EXPECT_EQ(readTextFile(file_.parent_path() / "parameters0.xml"), broken)
        << "the user's file is not lost";
    EXPECT_EQ(range_.value(), 40);
    EXPECT_EQ(stored("RANGE"), "40");
    EXPECT_THAT(logText(), HasSubstr("kept as parameters0.xml"));
}

TEST_F(ParametersStoreTest, AnEmptyOrForeignFileCountsAsMalformed) {
    for (const std::string& content : {std::string(), std::string("<settings/>")}) {
        writeTextFile(file_, content);
        const ParametersLoadReport report = load();
        EXPECT_TRUE(report.fileMalformed) << "content: '" << content << "'";
        EXPECT_EQ(readTextFile(file_.parent_path() / "parameters0.xml"), content);
        EXPECT_EQ(stored("RANDOM"), "true");
    }
}

TEST_F(ParametersStoreTest, AMissingSectionIsAddedBesideWhatTheRootHolds) {
    writeTextFile(file_, "<root><other keep=\"me\"/></root>");
    const ParametersLoadReport report = load();
    EXPECT_TRUE(report.sectionMissing);
    EXPECT_FALSE(report.fileMalformed);
    EXPECT_EQ(stored("RANGE"), "40");
    EXPECT_THAT(readTextFile(file_), HasSubstr("keep=\"me\""));
}

TEST_F(ParametersStoreTest, MissingElementsAreAddedAndUnknownOnesKept) {
    writeTextFile(file_, R"(<root><parameters>
  <parameter name="RANGE" value="20"/>
  <parameter name="SOMETHING_ELSE" value="x"/>
</parameters></root>)");
    const ParametersLoadReport report = load();
    EXPECT_EQ(report.added, 4);
    EXPECT_EQ(report.corrected, 0);
    EXPECT_TRUE(report.saved);
    EXPECT_EQ(range_.value(), 20);
    EXPECT_EQ(stored("RANDOM"), "true");
    EXPECT_EQ(stored("SOMETHING_ELSE"), "x");
}

TEST_F(ParametersStoreTest, OutOfRangeAndUnusableValuesAreCorrectedAndSaved) {
    writeTextFile(file_, R"(<root><parameters>
  <parameter name="RANGE" value="500"/>
  <parameter name="RANDOM" value="perhaps"/>
  <parameter name="DESTINATION" value="EDDF"/>
  <parameter name="QNH_UNIT" value="QNH mmHg"/>
  <parameter name="MSFS_INSTALL_PATH"/>
</parameters></root>)");
    const ParametersLoadReport report = load();
    EXPECT_EQ(report.corrected, 4);
    EXPECT_TRUE(report.saved);
    EXPECT_EQ(range_.value(), 100);
    EXPECT_EQ(stored("RANGE"), "100");
    EXPECT_TRUE(random_.value());
    EXPECT_EQ(stored("RANDOM"), "true");
    EXPECT_EQ(stored("QNH_UNIT"), "QNH hPa");
    EXPECT_EQ(stored("MSFS_INSTALL_PATH"), "");
    EXPECT_EQ(stored("DESTINATION"), "EDDF");
    const std::string log = logText();
    EXPECT_THAT(log, HasSubstr("parameter RANGE: stored value '500' was corrected, '100' is used"));
    EXPECT_THAT(log, HasSubstr("parameter RANDOM: stored value 'perhaps' is not valid"));
}

TEST_F(ParametersStoreTest, RespeltValuesAreWrittenTheWayTheProgramWritesThem) {
    writeTextFile(file_, R"(<root><parameters>
  <parameter name="RANGE" value=" +30 "/>
  <parameter name="RANDOM" value="0"/>
</parameters></root>)");
    load();
    EXPECT_EQ(range_.value(), 30);
    EXPECT_EQ(stored("RANGE"), "30");
    EXPECT_EQ(stored("RANDOM"), "false");
}

TEST_F(ParametersStoreTest, TheFirstOfTwoElementsWithOneNameCounts) {
    writeTextFile(file_, R"(<root><parameters>
  <parameter name="RANGE" value="25"/>
  <parameter name="RANGE" value="90"/>
  <parameter name="range" value="70"/>
</parameters></root>)");
    load();
    EXPECT_EQ(range_.value(), 25);
    range_.setValue(35);
    EXPECT_EQ(stored("RANGE"), "35");
}

TEST_F(ParametersStoreTest, EveryChangeIsSavedAtOnceWithABackup) {
    load();
    range_.setValue(15);
    EXPECT_EQ(stored("RANGE"), "15");
    destination_.setValue("KJFK");
    EXPECT_EQ(stored("DESTINATION"), "KJFK");
    EXPECT_EQ(stored("RANGE"), "15");
    EXPECT_TRUE(fs::exists(file_.string() + ".bak"));
    EXPECT_FALSE(fs::exists(file_.string() + ".tmp"));

    // A fresh store reads back what was saved.
    ParametersStore again;
    range_.assign(40);
    const std::vector<Parameter*> parameters = list();
    again.load(file_, parameters);
    EXPECT_EQ(range_.value(), 15);
    EXPECT_EQ(destination_.value(), "KJFK");
}

TEST_F(ParametersStoreTest, SavingAppendsAnElementRemovedMeanwhile) {
    writeTextFile(file_, R"(<parameters><parameter name="RANGE" value="45"/></parameters>)");
    load();
    EXPECT_EQ(range_.value(), 45) << "a section at the top without root is read too";
    EXPECT_TRUE(store_.save(destination_));
    EXPECT_EQ(stored("DESTINATION"), "");
}

TEST_F(ParametersStoreTest, SavingBeforeLoadingWritesNothing) {
    ParametersStore fresh;
    EXPECT_FALSE(fresh.save(range_));
    EXPECT_FALSE(fs::exists(file_));
    EXPECT_THAT(logText(), HasSubstr("parameter RANGE not saved"));
}

TEST_F(ParametersStoreTest, AFileThatCannotBeWrittenKeepsTheValuesInMemory) {
    // A folder where the file should be: neither readable as XML nor replaceable.
    fs::create_directories(file_);
    const ParametersLoadReport report = load();
    EXPECT_TRUE(report.fileMalformed);
    EXPECT_FALSE(report.saved);
    EXPECT_FALSE(report.error.empty());
    EXPECT_EQ(range_.value(), 40);
    range_.setValue(50);
    EXPECT_EQ(range_.value(), 50);
    EXPECT_TRUE(fs::is_directory(file_));
}

TEST_F(ParametersStoreTest, AMalformedFileThatCannotBeKeptIsLeftUntouched) {
    const std::string broken = "<root><parameters><parameter name=\"RANGE\" value=\"60\"";
    writeTextFile(file_, broken);
    // A folder in the way of parameters0.xml: the copy cannot be made.
    fs::create_directories(file_.parent_path() / "parameters0.xml");
    const ParametersLoadReport report = load();
    EXPECT_TRUE(report.fileMalformed);
    EXPECT_FALSE(report.keptAsGeneration);
    EXPECT_FALSE(report.saved);
    EXPECT_FALSE(report.error.empty());
    EXPECT_EQ(readTextFile(file_), broken) << "the only copy of the user's file stays";
    EXPECT_EQ(range_.value(), 40) << "the run goes on with the defaults";

    range_.setValue(70);
    EXPECT_EQ(range_.value(), 70) << "a change still counts in memory";
    EXPECT_FALSE(store_.save(range_));
    EXPECT_EQ(readTextFile(file_), broken) << "and is never written over the file";
    const std::string log = logText();
    EXPECT_THAT(log, HasSubstr("could not be kept as parameters0.xml"));
    EXPECT_THAT(log, HasSubstr("parameter RANGE not saved"));
}

// The file's place cannot be looked at, or its folder cannot be made, while the store loads
// (a drive that is not ready yet, say). Nothing is known about the user's file then, so it
// must never be written over, not even when it can be reached again later.
TEST_F(ParametersStoreTest, AFileThatCouldNotBeLookedAtIsNeverWrittenOver) {
    struct Case {
        const char* name;
        // Makes the place unreachable; gives the parameters.xml to load.
        std::function<fs::path(const fs::path&)> block;
        // Makes it reachable again.
        std::function<void(const fs::path&)> unblock;
        const char* logged;
    };
    const std::vector<Case> cases{
        {"a link to itself, whose status cannot be read",
         [](const fs::path& base) {
             const fs::path file = base / "loop" / "parameters.xml";
             fs::create_directories(file.parent_path());
             fs::create_symlink(file.filename(), file);
             return file;
         },
         [](const fs::path& file) { fs::remove(file); }, "Could not check whether"},
        {"a file where its folder should be",
         [](const fs::path& base) {
             writeTextFile(base / "blocked", "not a folder");
             return base / "blocked" / "Skyloom" / "parameters.xml";
         },
         [](const fs::path& file) { fs::remove(file.parent_path().parent_path()); },
         "Failed to create directory"},
    };
    const std::string users = R"(<root><parameters><parameter name="RANGE" value="60"/>)"
                              R"(<parameter name="DESTINATION" value="EGLL"/></parameters></root>)";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ParametersStore store;
        StoreHost host(store);
        range_.setHost(&host);
        const fs::path file = c.block(dir_ / c.name);
        const std::vector<Parameter*> parameters = list();
        const ParametersLoadReport report = store.load(file, parameters);
        EXPECT_FALSE(report.error.empty());
        EXPECT_FALSE(report.saved);
        EXPECT_FALSE(store.writable());
        EXPECT_EQ(range_.value(), 40);

        c.unblock(file);
        writeTextFile(file, users);
        range_.setValue(55);
        EXPECT_EQ(range_.value(), 55);
        EXPECT_FALSE(store.save(range_));
        EXPECT_EQ(readTextFile(file), users) << "no file of one parameter over the user's";
        const std::string log = logText();
        EXPECT_THAT(log, HasSubstr(c.logged));
        EXPECT_THAT(log, HasSubstr("parameter RANGE not saved"));
        range_.setHost(&host_);
    }
}

// Two threads save the same parameter at once. The first save reads the value's text and is
// held there until the second thread has changed the value and asked for its save: the file must
// end with the value memory holds. A text read outside the store's lock is overtaken there (the
// second save writes first, the first one's older text last).
TEST_F(ParametersStoreTest, TwoThreadsSavingOneParameterLeaveTheLastValueInTheFile) {
    std::latch firstReading{1};
    std::latch secondSaving{1};
    class HeldTextParameter : public IntParameter {
    public:
        HeldTextParameter(std::latch& reading, std::latch& released)
            : IntParameter("TCAS_FL", 0, 0, 1000000), reading_(reading), released_(released) {}
        std::string valueText() const override {
            std::string text = IntParameter::valueText();
            if (hold.exchange(false)) {
                reading_.count_down();
                released_.wait();
            }
            return text;
        }
        mutable std::atomic<bool> hold{false};

    private:
        std::latch& reading_;
        std::latch& released_;
    };
    // Tells when the second save is asked for: its value is then in memory.
    class SecondSaveHost : public ParameterHost {
    public:
        SecondSaveHost(ParametersStore& store, std::latch& saving)
            : store_(store), saving_(saving) {}
        void saveParameter(const Parameter& parameter) override {
            if (++saves_ == 2) {
                saving_.count_down();
            }
            store_.save(parameter);
        }
        void publishParameter(const Parameter&) override {}

    private:
        ParametersStore& store_;
        std::latch& saving_;
        std::atomic<int> saves_{0};
    };
    HeldTextParameter shared(firstReading, secondSaving);
    SecondSaveHost host(store_, secondSaving);
    shared.setHost(&host);
    const std::vector<Parameter*> parameters{&shared};
    ASSERT_TRUE(store_.load(file_, parameters).error.empty());

    shared.hold = true;
    std::thread first([&] { shared.setValue(1); });
    firstReading.wait();
    std::thread second([&] { shared.setValue(2); });
    first.join();
    second.join();
    EXPECT_EQ(shared.value(), 2);
    EXPECT_EQ(stored("TCAS_FL"), "2");
}

// The window corrects its position on the GUI thread before the worker has read the file; the
// correction must survive the load that follows.
TEST_F(ParametersStoreTest, ASaveBeforeTheFirstLoadIsKeptAndWinsOverTheFile) {
    writeTextFile(file_, R"(<root><parameters>
  <parameter name="RANGE" value="60"/>
  <parameter name="RANDOM" value="false"/>
</parameters></root>)");
    range_.setValue(25);
    EXPECT_EQ(readTextFile(file_).find("25"), std::string::npos) << "not written before the load";
    const ParametersLoadReport report = load();
    EXPECT_TRUE(report.saved);
    EXPECT_EQ(range_.value(), 25);
    EXPECT_EQ(stored("RANGE"), "25");
    EXPECT_FALSE(random_.value()) << "the other values come from the file";
    EXPECT_THAT(logText(), HasSubstr("parameter RANGE not saved yet"));

    // The kept value was used up by the first load: a reload takes the file as it is.
    writeTextFile(file_, R"(<root><parameters><parameter name="RANGE" value="35"/>)"
                         R"(</parameters></root>)");
    load();
    EXPECT_EQ(range_.value(), 35);
}

TEST_F(ParametersStoreTest, ASaveBeforeTheFirstLoadGoesIntoAFileMadeAfresh) {
    destination_.setValue("LOWW");
    const ParametersLoadReport report = load();
    EXPECT_TRUE(report.fileMissing);
    EXPECT_EQ(destination_.value(), "LOWW");
    EXPECT_EQ(stored("DESTINATION"), "LOWW");
    EXPECT_EQ(stored("RANGE"), "40");
}

// Reading the file again (a restart) gives each parameter the file's value directly: no
// reader on another thread sees the default in between.
TEST_F(ParametersStoreTest, AReloadNeverShowsTheDefaultsInBetween) {
    class WatchedParameter : public IntParameter {
    public:
        using IntParameter::IntParameter;
        LoadOutcome loadText(std::string_view text) override {
            seenBefore.push_back(value());
            return IntParameter::loadText(text);
        }
        void resetToDefault() override {
            ++resets;
            IntParameter::resetToDefault();
        }
        std::vector<std::int32_t> seenBefore;
        int resets = 0;
    };
    WatchedParameter watched{"RANGE", 40, 5, 100};
    writeTextFile(file_, R"(<root><parameters><parameter name="RANGE" value="60"/>)"
                         R"(</parameters></root>)");
    const std::vector<Parameter*> parameters{&watched};
    store_.load(file_, parameters);
    ASSERT_EQ(watched.value(), 60);

    writeTextFile(file_, R"(<root><parameters><parameter name="RANGE" value="70"/>)"
                         R"(</parameters></root>)");
    store_.load(file_, parameters);
    EXPECT_EQ(watched.value(), 70);
    EXPECT_THAT(watched.seenBefore, ::testing::ElementsAre(40, 60))
        << "the reload starts from the value in force, not from the default";
    EXPECT_EQ(watched.resets, 0);
}

// --- Lookups in a parsed document ---

TEST(FindXmlParameterTest, LooksUnderRootOrAtTheTop) {
    pugi::xml_document withRoot;
    ASSERT_TRUE(withRoot.load_string(R"(<root><parameters>
        <parameter name="MAIN_WINDOW_X" value=" +120 "/>
        <parameter name="MAIN_WINDOW_Y" value="1e3"/>
        <parameter name="COLLAPSED" value="TRUE"/>
        <parameter name="NOVALUE"/>
      </parameters></root>)"));
    EXPECT_EQ(gf_findXmlParameter(withRoot, "MAIN_WINDOW_X"), 120);
    EXPECT_EQ(gf_findXmlParameter(withRoot, "MAIN_WINDOW_Y"), std::nullopt);
    EXPECT_EQ(gf_findXmlParameter(withRoot, "main_window_x"), std::nullopt);
    EXPECT_EQ(gf_findXmlParameter(withRoot, "NOVALUE"), std::nullopt);
    EXPECT_EQ(gf_findXmlParameterBool(withRoot, "COLLAPSED"), true);
    EXPECT_EQ(gf_findXmlParameterValue(withRoot, "MAIN_WINDOW_Y"), "1e3");

    pugi::xml_document atTop;
    ASSERT_TRUE(atTop.load_string(R"(<parameters><parameter name="A" value="-7"/></parameters>)"));
    EXPECT_EQ(gf_findXmlParameter(atTop, "A"), -7);

    pugi::xml_document none;
    ASSERT_TRUE(none.load_string("<root/>"));
    EXPECT_EQ(gf_findXmlParameterValue(none, "A"), std::nullopt);
}

TEST(AppendXmlParameterTest, AppendsNameAndBooleanValue) {
    pugi::xml_document document;
    pugi::xml_node section = document.append_child("root").append_child("parameters");
    EXPECT_TRUE(gf_appendXmlParameter(section, "WEEK", true));
    EXPECT_TRUE(gf_appendXmlParameter(section, "PARK_SOFT", false));
    EXPECT_EQ(gf_findXmlParameterBool(document, "WEEK"), true);
    EXPECT_EQ(gf_findXmlParameterValue(document, "PARK_SOFT"), "false");
    EXPECT_FALSE(gf_appendXmlParameter(pugi::xml_node(), "X", true));
    EXPECT_FALSE(gf_appendXmlAttribute(pugi::xml_node(), "a", "b"));
}

} // namespace
} // namespace skyloom
