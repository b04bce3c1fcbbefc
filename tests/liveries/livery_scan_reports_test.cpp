// The report files of a livery scan written from its report lists: which file each list goes
// to, the order of the lines, the counts in the log, and report files that cannot be written.
#include <filesystem>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "liveries/livery_scan_reports.h"
#include "tests/liveries/support/scan_test_support.h"

namespace fs = std::filesystem;

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class LiveryScanReportsTest : public ::testing::Test {
protected:
    fs::path output() const { return dir_ / "output"; }
    fs::path info() const { return output() / "info"; }
    fs::path errors() const { return output() / "errors"; }
    static std::vector<std::string> lines(const fs::path& path) { return fileLines(path); }

    TempDir dir_;
    CfgLogCapture log_;
};

TEST_F(LiveryScanReportsTest, TheSevenFilesLieInInfoAndErrors) {
    const LiveryReportFileNames names = gf_liveryReportFileNames(output());
    EXPECT_THAT(names,
                ElementsAre(info() / "AircraftCfgWithNoFltsimSection.txt",
                            info() / "DontUseLiveries.txt", errors() / "InvalidAirlineCodes.txt",
                            errors() / "InvalidAircraftCodes.txt", errors() / "Fixes.txt",
                            errors() / "InvalidAircraftCfgFiles.txt",
                            errors() / "IncompleFltsimSections.txt"));
    EXPECT_EQ(gf_reportPath(names, LiveryReportFile::fixes), errors() / "Fixes.txt");
}

TEST_F(LiveryScanReportsTest, ErrorListsAreSortedWrittenAndCounted) {
    LiveryScanReports reports;
    reports.invalidAirlineCodes = {"QQQ          in /b ", "QQQ          in /a "};
    reports.invalidModelCodes = {"ZZ99             in /m"};
    reports.fixes = {"Model fix: B73H found in /z changed into B738",
                     "Model fix: A32N found in /a changed into A20N"};
    reports.invalidAircraftCfgFiles = {"/y bad", "/x bad"};
    reports.incompleteSections = {"/s [fltsim.1] misses title", "/s [fltsim.0] misses title",
                                  "/s [fltsim.1] misses title"};
    reports.noFltsimSection = {"/n2/aircraft.cfg", "/n1/aircraft.cfg"};
    const LiveryReportFileNames names = gf_liveryReportFileNames(output());
    fs::create_directories(info()); // the no-section file's folder is not made for it

    gf_reportLiveryScanErrors(reports, names);

    EXPECT_THAT(lines(errors() / "InvalidAirlineCodes.txt"),
                ElementsAre("QQQ          in /a ", "QQQ          in /b "));
    EXPECT_THAT(lines(errors() / "Fixes.txt"),
                ElementsAre("Model fix: B73H found in /z changed into B738",
                            "Model fix: A32N found in /a changed into A20N"))
        << "fixes keep the order they were made in";
    EXPECT_THAT(lines(errors() / "InvalidAircraftCfgFiles.txt"), ElementsAre("/x bad", "/y bad"));
    EXPECT_THAT(lines(errors() / "IncompleFltsimSections.txt"),
                ElementsAre("/s [fltsim.0] misses title", "/s [fltsim.1] misses title"));
    EXPECT_THAT(lines(info() / "AircraftCfgWithNoFltsimSection.txt"),
                ElementsAre("/n1/aircraft.cfg", "/n2/aircraft.cfg"));

    EXPECT_THAT(log_.lines(),
                ElementsAre("", "Errors:",
                            fmt::format("    2 invalid airline codes, see {}",
                                        (errors() / "InvalidAirlineCodes.txt").string()),
                            fmt::format("    1 invalid model code, see {}",
                                        (errors() / "InvalidAircraftCodes.txt").string()),
                            fmt::format("    2 fixes, see {}", (errors() / "Fixes.txt").string()),
                            fmt::format("    2 invalid aircraft.cfg files, see {}",
                                        (errors() / "InvalidAircraftCfgFiles.txt").string()),
                            fmt::format("    2 incomplete [fltsim.x] sections, see {}",
                                        (errors() / "IncompleFltsimSections.txt").string()),
                            "", "Information:",
                            fmt::format("    2 empty aircraft.cfg files, see {}",
                                        (info() / "AircraftCfgWithNoFltsimSection.txt").string())));
}

TEST_F(LiveryScanReportsTest, EmptyListsWriteNoFileAndSayNoErrors) {
    LiveryScanReports reports;
    gf_reportLiveryScanErrors(reports, gf_liveryReportFileNames(output()));
    EXPECT_THAT(log_.lines(), ElementsAre("", "No errors"));
    EXPECT_FALSE(fs::exists(output()));

    // Only files without sections: no errors, but the information part.
    reports.noFltsimSection = {"/n/aircraft.cfg"};
    fs::create_directories(info());
    gf_reportLiveryScanErrors(reports, gf_liveryReportFileNames(output()));
    EXPECT_TRUE(log_.has("Information:"));
    EXPECT_FALSE(fs::exists(errors()));
}

TEST_F(LiveryScanReportsTest, AReportThatCannotBeWrittenIsLoggedAndTheRestGoOn) {
    // A file where the errors folder should be.
    fs::create_directories(output());
    writeCfgBytes(errors(), "in the way");
    LiveryScanReports reports;
    reports.fixes = {"fix"};
    reports.noFltsimSection = {"/n/aircraft.cfg"};
    fs::create_directories(info());

    gf_reportLiveryScanErrors(reports, gf_liveryReportFileNames(output()));

    EXPECT_TRUE(log_.contains(fmt::format("Error creating directories {}: ", errors().string())));
    EXPECT_TRUE(log_.has(fmt::format("    1 fixes, see {}", (errors() / "Fixes.txt").string())));
    EXPECT_THAT(lines(info() / "AircraftCfgWithNoFltsimSection.txt"),
                ElementsAre("/n/aircraft.cfg"));
}

TEST_F(LiveryScanReportsTest, ReportLinesAreWrittenAsTheyAre) {
    const fs::path file = dir_ / "lines.txt";
    EXPECT_TRUE(gf_writeReportLines(std::vector<std::string>{"a\r", "b;c", ""}, file));
    EXPECT_EQ(readCfgBytes(file), "a\r\nb;c\n\n");
    EXPECT_TRUE(gf_writeReportLines(std::vector<std::string>{}, file));
    EXPECT_EQ(readCfgBytes(file), "") << "an empty list replaces the file with an empty one";
    EXPECT_FALSE(gf_writeReportLines(std::vector<std::string>{"x"}, dir_ / "no" / "such.txt"));

    FnvStringSet titles{"one"};
    EXPECT_TRUE(gf_writeReportLines(titles, file));
    EXPECT_THAT(lines(file), ElementsAre("one"));
}

TEST_F(LiveryScanReportsTest, WriteReportFileMakesItsFolders) {
    const fs::path file = dir_ / "deep" / "er" / "report.txt";
    gf_writeReportFile({"line"}, file);
    EXPECT_THAT(lines(file), ElementsAre("line"));
    EXPECT_THAT(log_.lines(), IsEmpty());
}

} // namespace
} // namespace skyloom::testing
