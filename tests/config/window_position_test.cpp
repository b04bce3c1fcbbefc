#include "config/window_position.h"

#include <filesystem>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "config/parameters.h"
#include "config/parameters_store.h"
#include "foundation/log_file.h"
#include "tests/config/support/config_test_support.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

using ::testing::HasSubstr;
using testing::readTextFile;
using testing::writeTextFile;

class WindowPositionTest : public ::testing::Test {
protected:
    WindowPositionTest() { LogFile::openIn(dir_.path()); }
    ~WindowPositionTest() override { LogFile::close(); }

    std::string logText() {
        LogFile::flush();
        return readTextFile(dir_ / "Log.txt");
    }
    static std::string fileWith(std::string_view parameters) {
        return "<root><parameters>" + std::string(parameters) + "</parameters></root>";
    }

    skyloom::testing::TempDir dir_;
    fs::path file_ = dir_ / "Skyloom" / "parameters.xml";
    ParametersStore store_;
    ProgramParameters parameters_{&store_};
};

TEST_F(WindowPositionTest, SavedValuesAreReadAndClampedWithoutTheStore) {
    struct Case {
        const char* name;
        std::string content;
        WindowPosition expected;
    };
    const std::vector<Case> cases{
        {"both",
         fileWith(R"(<parameter name="MAIN_WINDOW_X" value="120"/>)"
                  R"(<parameter name="MAIN_WINDOW_Y" value="-40"/>)"),
         {120, -40}},
        {"respelt and out of range",
         fileWith(R"(<parameter name="MAIN_WINDOW_X" value=" +-31000 "/>)"
                  R"(<parameter name="MAIN_WINDOW_Y" value="99999"/>)"),
         {-30000, 30000}},
        {"one missing, one unusable",
         fileWith(R"(<parameter name="MAIN_WINDOW_Y" value="a"/>)"),
         {400, 20}},
        {"section at the top",
         R"(<parameters><parameter name="MAIN_WINDOW_Y" value="7"/>)"
         R"(</parameters>)",
         {400, 7}},
        {"another layout", "<settings/>", {400, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeTextFile(file_, c.content);
        parameters_.MAIN_WINDOW_X.assign(1); // left from before: replaced in every case
        parameters_.MAIN_WINDOW_Y.assign(1);
        EXPECT_EQ(gf_readWindowPosition(parameters_, file_), c.expected);
        EXPECT_EQ(parameters_.MAIN_WINDOW_X.value(), c.expected.x);
        EXPECT_EQ(parameters_.MAIN_WINDOW_Y.value(), c.expected.y);
        EXPECT_EQ(readTextFile(file_), c.content) << "the file is only read";
        EXPECT_FALSE(store_.writable()) << "the store is not loaded by this";
    }
}

TEST_F(WindowPositionTest, WithoutAUsableFileTheDefaultsStay) {
    EXPECT_EQ(gf_readWindowPosition(parameters_, file_), (WindowPosition{400, 20}))
        << "no file yet";
    EXPECT_EQ(gf_readWindowPosition(parameters_, {}), (WindowPosition{400, 20})) << "no AppData";

    // A link to itself cannot be tested for existence.
    fs::create_directories(file_.parent_path());
    fs::create_symlink(file_.filename(), file_);
    EXPECT_EQ(gf_readWindowPosition(parameters_, file_), (WindowPosition{400, 20}));
    EXPECT_THAT(logText(), HasSubstr("Could not check whether '" + file_.string() + "' exists: "));
    fs::remove(file_);

    fs::create_directories(file_);
    EXPECT_EQ(gf_readWindowPosition(parameters_, file_), (WindowPosition{400, 20}));
    EXPECT_THAT(logText(), HasSubstr(file_.string() + " could not be opened"));
}

TEST_F(WindowPositionTest, AMalformedFileIsKeptAsGenerationZeroAndRemoved) {
    const std::string broken = R"(<root><parameters><parameter name="MAIN_WINDOW_X" value="5")";
    writeTextFile(file_, broken);
    EXPECT_EQ(gf_readWindowPosition(parameters_, file_), (WindowPosition{400, 20}));
    EXPECT_FALSE(fs::exists(file_));
    EXPECT_EQ(readTextFile(file_.parent_path() / "parameters0.xml"), broken);
    EXPECT_THAT(logText(), HasSubstr(file_.string() + " failed to load ("));
    EXPECT_THAT(logText(), HasSubstr("). Saved as 0.xml and removed."));

    // The store then makes the file afresh.
    const std::vector<Parameter*> kept = parameters_.persisted();
    EXPECT_TRUE(store_.load(file_, kept).fileMissing);
}

TEST_F(WindowPositionTest, AMalformedFileThatCannotBeKeptStaysWhereItIs) {
    const std::string broken = "<root>";
    writeTextFile(file_, broken);
    fs::create_directories(file_.parent_path() / "parameters0.xml");
    EXPECT_EQ(gf_readWindowPosition(parameters_, file_), (WindowPosition{400, 20}));
    EXPECT_EQ(readTextFile(file_), broken);
    EXPECT_THAT(logText(), HasSubstr("could not be kept as parameters0.xml"));
}

// The start-up as the window and the worker go through it: the window reads an off-screen
// position, puts itself back on screen and saves that before the worker has loaded the file;
// the load must not undo it, and the file must get it.
TEST_F(WindowPositionTest, APositionCorrectedBeforeTheStoreIsLoadedIsKept) {
    writeTextFile(file_, fileWith(R"(<parameter name="MAIN_WINDOW_X" value="30000"/>)"
                                  R"(<parameter name="MAIN_WINDOW_Y" value="300"/>)"
                                  R"(<parameter name="TCAS_FL" value="250"/>)"));
    EXPECT_EQ(gf_readWindowPosition(parameters_, file_), (WindowPosition{30000, 300}));
    parameters_.MAIN_WINDOW_X.assign(400);
    gf_saveIntParameter(parameters_.MAIN_WINDOW_X);

    const std::vector<Parameter*> kept = parameters_.persisted();
    const ParametersLoadReport report = store_.load(file_, kept);
    EXPECT_EQ(report.pendingApplied, 1);
    EXPECT_EQ(parameters_.MAIN_WINDOW_X.value(), 400);
    EXPECT_EQ(parameters_.MAIN_WINDOW_Y.value(), 300);
    EXPECT_EQ(parameters_.TCAS_FL.value(), 250);
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(file_.c_str()));
    EXPECT_EQ(gf_findXmlParameter(document, "MAIN_WINDOW_X"), 400);
    EXPECT_EQ(gf_findXmlParameter(document, "MAIN_WINDOW_Y"), 300);
}

} // namespace
} // namespace skyloom
